#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "BatchSettings.h"

class CBatchRunControl;

// The separator of the settings' SeparatorChoice: the resolved one for
// autodetection, else the fixed character; empty when there is none.
std::string ResolveSeparator(const BatchSettings& settings);

// One field of a line: where it lies between its separators, and where its
// value lies (inside the quotes of a quoted field, else trimmed of blanks and
// tabs). Offsets count from the start of the line given to SplitLine.
struct TextField
{
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
    // Quoted as RFC 4180 quotes: "..." with "" for a quote inside.
    bool quoted = false;
    // False for a quoted field left open, or with more than white space
    // after its closing quote.
    bool wellFormed = true;
};

// Cuts the text of one line (without its line end) into fields. With the
// blank separator, runs of blanks separate fields and quotes mean nothing;
// with any other separator each separator outside quotes ends a field, so
// empty fields keep their numbers, and a field that starts with a quote (white
// space before it aside) runs to its closing quote, separators and doubled
// quotes inside included. With no separator the line is one field. A line of
// white space alone has no fields.
void SplitLine(std::string_view line, std::string_view separator, std::vector<TextField>& fields);

// A field's value as text, a doubled quote inside quotes read as one.
std::string FieldText(std::string_view line, const TextField& field);

// The fields' values of one line (its line end may still end it). The views
// point into line; a quoted value keeps its doubled quotes.
void SplitFields(std::string_view line, std::string_view separator, std::vector<std::string_view>& fields);
std::vector<std::string> SplitFields(std::string_view line, std::string_view separator);

// What the first lines of a file say about their separator. Only the
// separators the layout page offers are candidates: tab, semicolon, pipe,
// comma and blank, in that order of preference, each counted outside quotes.
// A candidate found the same number of times on every line wins; failing
// that, the one candidate found on every line. None: no line holds any
// candidate (one field a line). Unclear: the lines disagree.
struct SeparatorGuess
{
    enum State
    {
        Found,
        None,
        Unclear,
    };
    State state = None;
    char separator = '\0';
};
SeparatorGuess DetectSeparator(const std::vector<std::string>& lines);

// The 1-based fields a header line names: lat, latitude, y, northing or n;
// lon, long, longitude, x, easting or e; h, height, alt, altitude or z (in
// any case, quoted or not). 0 where the line names none; the first field of
// each kind counts.
struct HeaderColumns
{
    int longitude = 0;
    int latitude = 0;
    int altitude = 0;
};
HeaderColumns ColumnsFromHeader(std::string_view line, std::string_view separator);

// True when the three columns can be used: longitude and latitude from 1, the
// altitude 0 or from 1, no field chosen for two of them.
bool ColumnsUsable(int longitudeColumn, int latitudeColumn, int altitudeColumn);

// What the layout page lists: the first line's fields for longitude and
// latitude, and "N/A" before them for the altitude.
struct FieldLists
{
    std::vector<std::string> longitude;
    std::vector<std::string> latitude;
    std::vector<std::string> altitude;
    // Autodetection met lines that disagree: no separator was stored.
    bool separatorUnclear = false;
    // The first line's names as columns, all 0 when it names no longitude
    // and latitude.
    HeaderColumns named;
};

// Finds the separator (autodetected over the first lines, or the fixed one),
// stores it as the settings' resolved separator and lists the first line's
// fields. An unreadable file, or one that is no regular file and cannot be
// read twice, gives "N/A" alone and leaves the settings as they are.
FieldLists FillFieldLists(BatchSettings& settings);

// The preview's rows: the texts of the longitude, latitude and, with an
// altitude column, altitude fields of at most 26 lines after the header.
std::vector<std::vector<std::string>> PreviewTextFile(const BatchSettings& settings);

// The comment line that names the system a converted file is in:
// "# Veltrix Geolynx: <name> (EPSG:<code>)", or "# Veltrix Geolynx: <name>"
// for a system without an EPSG code. Control characters in the name become
// blanks, so the comment stays one line. No line end.
std::string DescriptionLine(std::string_view name, int epsg);

// Whether a line (its byte-order mark taken off) is a comment DescriptionLine
// wrote.
bool IsDescriptionLine(std::string_view content);

// The destination's name and EPSG code (0 for none), as DestinationDescription
// gives them; false, with why, when there are none.
using TextDescriptionSource =
    std::function<bool(int datumId, int gridId, std::string& name, int& epsg, std::string& why)>;

// Worker: converts the settings' source text file into the destination file,
// line by line, reporting through the run control. The source is read once,
// so a pipe converts too. The output goes to a temporary file beside the
// destination, which replaces the destination only when the run completes.
// Lines whose coordinates are empty, not numbers or cannot be converted are
// copied unchanged; the completion text then says how many and which.
// With the settings' describe flag, the output gets the destination's
// DescriptionLine before its first record: after the byte-order mark and,
// with the header flag, after the header line, ended as the input's first
// line is (LF when it has no line end). A description line where the input
// would carry one (first, or after the header) is not copied: it names the
// system the input was in.
void ConvertTextFile(CBatchRunControl& run);
void ConvertTextFile(CBatchRunControl& run, const TextDescriptionSource& describe);
