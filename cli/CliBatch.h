#pragma once

#include <cstdio>
#include <string>

#include "BatchSettings.h"
#include "CliCommands.h"
#include "ConversionReport.h"

// Runs one batch conversion with the converters the wizard uses, printing
// their status texts to err and, when err is a terminal, a progress bar.
// CLI_OK only when the converter reported completion with every line or
// record converted; CLI_BAD_LINES when it completed with some left unchanged.
int RunBatch(const BatchSettings& settings, std::FILE* err);

// The settings of a batch from one system to another (heights above a side's
// geoid model included) between two files.
BatchSettings SystemsSettings(const CCliSystem& from, const CCliSystem& to, ConversionTypes type,
                              const std::string& input, const std::string& output);

// RunBatch, then, for a run that converted, the lines of what the results rest on.
int RunBatchExplained(const BatchSettings& settings, const CConversionReport& report, std::FILE* err);

// For `batch shapefile --from auto`: the catalogue system the .prj beside the input shapefile
// describes, as grid:ID or datum:ID in from, with a line on err saying which it chose and how.
// CLI_ERROR, after saying why, without a .prj or without a match.
int ShapefileSourceFromPrj(const std::string& input, std::string& from, std::FILE* err);
