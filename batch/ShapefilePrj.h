#pragma once

#include <string>

#include "PrjMatch.h"

// The catalogue system the .prj beside a shapefile describes (the .prj found as the set's other
// companions are, read up to 64 kB), matched as MatchPrj does. prj is the file read, empty
// without one. False, with why, without a .prj or without a match.
bool ShapefileSourceSystem(const std::string& shapefile, CPrjMatch& match, std::string& prj, std::string& why);
