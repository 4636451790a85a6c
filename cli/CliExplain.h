#pragma once

#include <cstdio>
#include <string>

#include "CliCommands.h"
#include "ConversionReport.h"

// Loads what the conversion from -> to rests on and refuses, with a message naming the datum and
// --ballpark, a conversion across a datum the engine cannot tie to WGS 84; with ballpark it goes on
// and warns the same. With explain the legs and the accuracy go to err. CLI_OK or CLI_ERROR; a
// system the catalogue lacks passes, for the conversion to refuse with its own message.
int CheckConversion(const CCliSystem& from, const CCliSystem& to, bool ballpark, bool explain,
                    CConversionReport& report, std::FILE* err);

// Converts one coordinate as ConvertOne does, after checking that it lies where both systems are
// made for: a point outside is warned of on err, or with strict refused (CLI_BAD_LINES, nothing
// written). With explain the legs and the accuracy at this point go to err first.
int ConvertOneChecked(const CCliSystem& from, const CCliSystem& to, const CCliPrecision& precision,
                      const CConversionReport& report, bool strict, bool explain, double x, double y, double z,
                      std::FILE* out, std::FILE* err);

// Everything the catalogue knows of a system (grid:ID, datum:ID or ID), one item a line.
int PrintInfo(const std::string& system, std::FILE* out, std::FILE* err);
