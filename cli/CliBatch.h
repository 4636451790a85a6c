#pragma once

#include <cstdio>

#include "BatchSettings.h"

// Runs one batch conversion with the converters the wizard uses, printing
// their status texts to err and, when err is a terminal, a progress bar.
// CLI_OK only when the converter reported completion with every line or
// record converted; CLI_BAD_LINES when it completed with some left unchanged.
int RunBatch(const BatchSettings& settings, std::FILE* err);
