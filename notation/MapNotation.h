#pragma once

#include <string>
#include <string_view>

class CCfgMapProjection;

// The notations people read off maps and radios. MGRS, USNG and UTM/UPS
// stand for a geographic position on the side's datum (longitude, latitude in
// degrees); the two grid references stand for an easting and northing of the
// side's own grid (metres).
enum class MapNotation
{
    None,
    Mgrs,        // 31UFT3729462926
    Usng,        // 31U FT 37294 62926: the same grid, grouped by blanks
    Utm,         // 31N 637294.366 5762926.813, UPS N 2000000.000 2000000.000
    BritishGrid, // TQ 30043 80358 on the British National Grid
    IrishGrid,   // O 15904 34671 on the Irish Grid
};

// "mgrs", "usng", "utm", "bng", "irish"; false for any other name.
bool NotationFromName(std::string_view name, MapNotation& notation);
const char* NotationName(MapNotation notation);
// How a list of display forms names it, e.g. "MGRS (WGS 84 grid)".
const char* NotationTitle(MapNotation notation);
// True when the notation stands for longitude and latitude, false when it
// stands for the easting and northing of the side's grid.
bool NotationIsGeographic(MapNotation notation);

// Whether a notation can be used on one side: the side's grid identifier (0
// for a datum alone) and its loaded record. Where it cannot, why says so;
// where it can, remark may carry what the user should know (MGRS on GRS 1980
// is the WGS 84 grid).
struct NotationFit
{
    bool applies = false;
    std::string why;
    std::string remark;
};
NotationFit NotationApplies(MapNotation notation, int gridId, const CCfgMapProjection& record);

// How a position is written.
struct NotationStyle
{
    // Side of the square a reference names, in metres: 1, 10, 100, 1000,
    // 10000 or 100000.
    int referenceMetres = 1;
    // UTM only: 0 takes the zone from the point (Norway and Svalbard
    // included, UPS beyond 84 N and 80 S); 1 to 60 fixes it.
    int utmZone = 0;
    // UTM only: decimals of the easting and northing.
    int decimals = 3;
};

// Digits per axis of a reference of that many metres (1 m: 5, 100 km: 0);
// false for a size that is not a power of ten from 1 m to 100 km.
bool ReferenceDigits(int metres, int& digits);

// Writes x, y (longitude and latitude, or easting and northing) in the
// notation. False, with why, when the point has no such text: not a number,
// outside the grid's lettered squares, beyond the zone asked for. Nothing is
// thrown.
bool FormatNotation(MapNotation notation, double x, double y, const NotationStyle& style, std::string& text,
                    std::string& why);

// Reads a text of the notation into x, y: a reference gives the centre of
// its square, so the point read lies within half the square of the point it
// was written from. False, with why, for a text that is not a valid
// reference: letters that do not exist, a band or zone its digits contradict,
// an odd count of digits, a square outside the grid. Nothing is thrown.
bool ParseNotation(MapNotation notation, std::string_view text, double& x, double& y, std::string& why);
