#pragma once

#include <array>

// The program's country image table, which the flag lists of the catalogue
// dialogs share: position i holds the country whose flag is image i. The
// application object owns it for the whole run and hands it to the dialogs.
struct CCountryImages
{
    std::array<int, 1024> countryImageTable{};
    int countryImageCount = 0;
};
