#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "BatchSettings.h"
#include "TextFileConversion.h"

// A text line whose coordinate is one reference field (the settings'
// notationColumn): MGRS, USNG, UTM or a national grid reference.

// Readies settings whose notationColumn, sourceNotation and
// destinationNotation the caller has set: each notation must apply to its
// side's system (as the catalogue loads it), the reference column must not be
// a coordinate column it does not replace, and a side read or written as a
// position notation (MGRS, USNG, UTM) is moved onto its datum. False, with
// why, and the settings as they were.
bool PrepareNotationSettings(BatchSettings& settings, std::string& why);

// Reads the reference field of a line into x and y (longitude and latitude,
// or easting and northing). False, with why naming the field, for a missing
// field or a reference that cannot be read.
bool ReadNotationField(const BatchSettings& settings, std::string_view text, const std::vector<TextField>& fields,
                       double& x, double& y, std::string& why);

// What the reference field receives for a converted point: the reference in
// the destination notation, or, without one, the numbers with the given
// decimals joined by the separator's first character. False, with why, when
// the point has no reference or the field lies beyond the one after the
// line's last.
bool NotationFieldText(const BatchSettings& settings, std::size_t fieldCount, double x, double y,
                       std::string_view separator, int decimals, std::string& field, std::string& why);

// Appends the line with the reference field's value replaced by field (added
// after a separator when it is the one after the last) and, with an altitude
// column, the altitude's value by altitude. Every other byte is kept.
void AppendNotationLine(const BatchSettings& settings, std::string_view text, const std::vector<TextField>& fields,
                        std::string_view separator, const std::string& field, const std::string& altitude,
                        std::string& out);
