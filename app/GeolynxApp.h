#pragma once

#include <array>
#include <string>

#include "ConvertCoordinate.h"

// The application object: the one conversion engine with the source and
// destination records every conversion of the window loads, and the country
// image table the flag lists share.
class CGeolynxApp
{
public:
    CConversionContext conversion;
    // Position i holds the country whose flag is image i of the flag list.
    std::array<int, 1024> countryImageTable{};
    int countryImageCount = 0;
};

// The current configuration file the window loads when it opens and saves on
// every way of closing: current.glx in the user's state folder (created when
// missing), never a fixed name in a shared folder.
std::string CurrentConfigurationPath();
