#pragma once

// Brings a user's catalogue copied by an older version up to the shipped one and says once, in a
// message box, what was updated and what was kept because the user had changed it. Nothing is
// shown when the catalogue was up to date.
void UpgradeCatalogueAndSaySo();
