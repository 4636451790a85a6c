#pragma once

#include <string>

#include "CxString.h"

// The settings store: key=value lines in the machine-wide file
// <each $XDG_CONFIG_DIRS folder, default /etc/xdg>/Veltrix/Geolynx.conf, then
// the per-user file $XDG_CONFIG_HOME/Veltrix/Geolynx.conf. The machine-wide
// value wins; the user's is read only when no machine file sets the key.
// Lines: "Key = value"; blanks around key and value are dropped, lines that
// begin with '#' or ';' and lines without '=' are ignored; a value is at most
// 1024 bytes (a longer one counts as missing). Keys are case-sensitive.

// Reads one value: 0 and the value, or -1 with value untouched when no file
// sets it.
int ReadSetting(const char* name, CCxString& value);

// The catalogue's connection string ("ConnectionString"); when no file sets
// one, DefaultConnectionString() (the user's SQLite catalogue).
void ReadConnectionString(CCxString& value);
// The program's folder ("ProgramRoot"); when no file sets one,
// DefaultProgramRoot() (<executable folder>/../share/geolynx).
void ReadProgramRoot(CCxString& value);

// A value given for this process only (the command line's --catalogue): it
// wins over every settings file until the process ends. An empty value
// removes it again.
void OverrideSetting(const char* name, const std::string& value);
