#pragma once

#include <QString>

// Opens a web address in the desktop's browser. Without one, says so in a
// message that shows the address, selectable, so the user can copy it.
void OpenAddress(const QString& url);
