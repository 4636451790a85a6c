#pragma once

#include <string>

// The exceptions log, $XDG_STATE_HOME/Veltrix/Geolynx/exceptions.txt: one
// line per database engine error,
//   EXCEPTION OCCURED: Date [<ctime>] ; FILE [<source>] ; LINE [<n>] ; EXTRA INFO: [<text>]
// Each entry opens, appends and closes the file (one write per line); the
// folder is created when missing; when the file cannot be opened nothing
// happens.
void LogException(int line, const char* text);
std::string ExceptionsLogPath();
