#pragma once

#include "ConvertCoordinate.h"
#include "CountryImages.h"

// What the batch wizard needs of the program: the conversion context its run
// converts with, and the country image table for the grid dialog it opens.
// The application object is one; a test may hand in its own.
struct CWizardContext : CCountryImages
{
    CConversionContext conversion;
};
