#pragma once

#include <string>

#include "WizardContext.h"

// The application object: the one conversion engine with the source and
// destination records every conversion of the window loads, and the country
// image table the flag lists share. The dialogs and the wizard see only the
// parts they need (CCountryImages, CWizardContext).
class CGeolynxApp : public CWizardContext
{
};

// The current configuration file the window loads when it opens and saves on
// every way of closing: current.glx in the user's state folder (created when
// missing), never a fixed name in a shared folder.
std::string CurrentConfigurationPath();
