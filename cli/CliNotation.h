#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "BatchSettings.h"
#include "CliCommands.h"

namespace CLI {
class App;
}

// The notation options of convert and batch text: how the coordinate is
// read (--notation), how the result is written (--to-notation), the square
// of a written reference (--reference-precision) and a fixed UTM zone.
struct CCliNotation
{
    std::string from;
    std::string to;
    int referenceMetres = 1;
    int utmZone = 0;
    // convert: the coordinate's texts, gathered when --notation reads them.
    std::vector<std::string> texts;
    bool Active() const { return !from.empty() || !to.empty(); }
};

// Adds --notation, --to-notation, --reference-precision and --utm-zone to
// convert, whose "coordinate" positional then takes the reference's text.
void AddConvertNotationOptions(CLI::App* convert, CCliNotation& notation);
// Adds the same and --notation-column to batch text.
void AddBatchNotationOptions(CLI::App* text, CCliNotation& notation, int& column);

// convert with a notation on either side: the one coordinate (the texts
// --notation gathered, or numbers), or every line of in when there is none.
// References that cannot be read or written are refused with the reason.
int ConvertWithNotation(const CCliSystem& from, const CCliSystem& to, const CCliPrecision& precision,
                        const CCliNotation& notation, const std::vector<double>& numbers, std::FILE* in,
                        std::FILE* out, std::FILE* err);

// Checks the notations against the systems of a batch text run and puts them
// into its settings, the sides of a position notation moved onto their
// datums. False, after saying why on err.
bool ApplyBatchNotation(const CCliNotation& notation, int column, BatchSettings& settings, std::FILE* err);
