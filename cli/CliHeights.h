#pragma once

#include <cstdio>
#include <string>

// The vertical part of a system in EPSG's compound notation, "HORIZONTAL+GEOID"
// ("4326+5773", "grid:27700+5773"): the horizontal text and the geoid model's
// identifier. A text without "+" is horizontal alone (geoid 0). False when
// the part after "+" is not a positive identifier.
bool SplitCompound(const std::string& text, std::string& horizontal, int& geoidId);

// One line per geoid model: identifier, name, grid file, the datum it is
// defined on, its stated accuracy in metres and whether the file is in place
// ("present", or "missing"), separated by tabs. search keeps names
// containing it (without regard to case).
int ListGeoids(const std::string& search, std::FILE* out, std::FILE* err);
