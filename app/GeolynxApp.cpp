#include "GeolynxApp.h"

#include "Paths.h"

std::string CurrentConfigurationPath()
{
    const std::string folder = UserStateFolder();
    EnsureFolder(folder);
    return folder + "/current.glx";
}
