#pragma once

#include <cstdio>
#include <string>

// A source or destination of a conversion as the command line names it:
// "grid:ID", "datum:ID", or a bare ID that is a grid when the catalogue has a
// grid of that identifier, else a datum. A grid brings its own datum.
struct CCliSystem
{
    int datumId = 0;
    int gridId = 0;
    int geoidId = 0; // heights above this geoid model; 0: above the ellipsoid
};

// Resolves a system against the catalogue, with "+GEOID" after any of the
// three forms for heights above a geoid model. False when the text is not one
// of the three forms; a well-formed name the catalogue lacks resolves to datum 0,
// which the conversion refuses with its message.
bool ResolveSystem(const std::string& text, CCliSystem& system);

// Exit statuses of the command line.
enum CliStatus
{
    CLI_OK = 0,
    CLI_BAD_LINES = 1, // some input lines were not coordinates
    CLI_ERROR = 2,     // nothing converted: the message says why
};

// Number of decimals for degrees, grid units and heights; -1 keeps the
// defaults (9, 4 and 4).
struct CCliPrecision
{
    int degrees = 9;
    int grid = 4;
    int height = 4;
};

// Converts one coordinate and prints "X Y Z".
int ConvertOne(const CCliSystem& from, const CCliSystem& to, const CCliPrecision& precision, double x, double y,
               double z, std::FILE* out);

// Converts every line of in (numbers separated by blanks, tabs or commas:
// X Y [Z]) to one line of out, in order, with one catalogue load for the
// whole stream. Lines that are not coordinates or cannot be converted are
// copied unchanged and reported on err with their line number and why. A
// comma between two digits ("12,5 48") is refused as ambiguous unless
// commaSeparates says commas are separators. With a report, points outside
// the area of use of either system are warned of on err ("warning: line N:
// ... outside the area of use of NAME (AREA)"), or with strict copied
// unchanged as lines that are not coordinates are.
class CConversionReport;
int ConvertStream(const CCliSystem& from, const CCliSystem& to, const CCliPrecision& precision, std::FILE* in,
                  std::FILE* out, std::FILE* err, const CConversionReport* report = nullptr, bool strict = false,
                  bool commaSeparates = false);

// One line per catalogue row, identifier and name separated by a tab, in the
// order of the catalogue's own list statement. kind is one of grids, datums,
// ellipsoids, meridians, countries, units, projections; countryId and datumId
// filter grids (0 = no filter), search keeps names containing it (without
// regard to case).
int ListCatalogue(const std::string& kind, int countryId, int datumId, const std::string& search, std::FILE* out,
                  std::FILE* err);

// Distance in metres on WGS 84 and the azimuths there and back.
int PrintDistance(double lat1, double lon1, double lat2, double lon2, std::FILE* out);

// Says that the output cannot be written, and why; CLI_ERROR.
int ReportOutputError(int error, std::FILE* err);
// Writes out what is still buffered for out: CLI_OK when everything written
// to it arrived, else CLI_ERROR with why said on err.
int FinishOutput(std::FILE* out, std::FILE* err);

// True when the catalogue holds both systems; else says on err which option
// names a system it lacks (with the text given, when not empty).
bool SystemsKnown(const CCliSystem& from, const CCliSystem& to, const std::string& fromText,
                  const std::string& toText, std::FILE* err);

// Why the catalogue cannot be used, empty when it can: a catalogue given on
// the command line (given, a connection string) whose SQLite file does not
// exist, one that cannot be opened, or one whose tables cannot be read.
std::string CatalogueProblem(const std::string& given);
