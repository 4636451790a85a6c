#pragma once

#include <QString>

// Opens a web address in the desktop's browser. Without one, says so in a
// message that tells what the address is for ("The map of this position")
// and shows it, selectable, so the user can copy it.
void OpenAddress(const QString& url, const char* what);
