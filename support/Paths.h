#pragma once

#include <string>

// The folders of the program and of its user. The XDG variables are honoured
// (a value that is empty or not an absolute path counts as unset, as the XDG
// base directory rules say); HOME, else the password database, gives the
// defaults. No function creates a folder except EnsureFolder.

// Folder of the running executable (from /proc/self/exe).
std::string ExecutableFolder();
// <folder of the executable>/../share/geolynx, lexically normalised.
std::string DefaultProgramRoot();

// $XDG_CONFIG_HOME, default ~/.config.
std::string UserConfigHome();
// $XDG_DATA_HOME, default ~/.local/share.
std::string UserDataHome();
// $XDG_STATE_HOME, default ~/.local/state.
std::string UserStateHome();
// The folders of $XDG_CONFIG_DIRS in order, default /etc/xdg.
std::string MachineConfigDirs(); // colon-separated, as the variable

// <data home>/Veltrix/Geolynx and <state home>/Veltrix/Geolynx.
std::string UserDataFolder();
std::string UserStateFolder();

// <data home>/Veltrix/Geolynx/catalogue.db and its connection string
// "Provider=SQLite;Data Source=<that file>;".
std::string DefaultCatalogueFile();
std::string DefaultConnectionString();

// Creates the folder and its missing parents (mode 0700 for new folders).
bool EnsureFolder(const std::string& folder);
