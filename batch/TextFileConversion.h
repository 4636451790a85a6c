#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "BatchSettings.h"

class CBatchRunControl;

// The separator of the settings' SeparatorChoice: the resolved one for
// autodetection, else the fixed character; empty when there is none.
std::string ResolveSeparator(const BatchSettings& settings);

// Cuts one line (its line feed may still end it) into fields, each trimmed of
// white space. With the blank separator, runs of blanks separate fields;
// with any other separator each separator ends a field, so empty fields keep
// their numbers. With no separator the line is
// one field. A line of white space alone has no fields. The views point into
// line.
void SplitFields(std::string_view line, std::string_view separator, std::vector<std::string_view>& fields);
std::vector<std::string> SplitFields(std::string_view line, std::string_view separator);

// What the layout page lists: the first line's fields for longitude and
// latitude, and "N/A" before them for the altitude.
struct FieldLists
{
    std::vector<std::string> longitude;
    std::vector<std::string> latitude;
    std::vector<std::string> altitude;
};

// Finds the separator (autodetected from the second line, or the fixed one),
// stores it as the settings' resolved separator and lists the first line's
// fields. An unreadable file gives "N/A" alone and leaves the settings as
// they are.
FieldLists FillFieldLists(BatchSettings& settings);

// The preview's rows: the raw texts of the longitude, latitude and, with an
// altitude column, altitude fields of at most 26 lines after the header.
std::vector<std::vector<std::string>> PreviewTextFile(const BatchSettings& settings);

// Worker: converts the settings' source text file into the destination file,
// line by line, reporting through the run control.
void ConvertTextFile(CBatchRunControl& run);
