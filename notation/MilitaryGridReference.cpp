#include "MilitaryGridReference.h"

#include <GeographicLib/MGRS.hpp>
#include <GeographicLib/PolarStereographic.hpp>
#include <GeographicLib/TransverseMercator.hpp>
#include <GeographicLib/UTMUPS.hpp>
#include <algorithm>
#include <cmath>

#include "ReferenceText.h"

namespace {

constexpr char kBands[] = "CDEFGHJKLMNPQRSTUVWX";
// A square touching a band or zone limit to within this many degrees (about
// 0.1 mm) touches it: points on a limit round either way.
constexpr double kLimitTolerance = 1e-9;
constexpr double kUpsFalseOrigin = 2000000;

struct Square
{
    int zone = 0; // 0 for UPS
    bool north = true;
    double west = 0; // south-west corner and side, metres
    double south = 0;
    double side = 0;
};

// Latitude and longitude of a point of the square's grid, without the range
// checks GeographicLib's UTMUPS makes: corners may lie just outside them.
void GridToGeographic(const Square& s, double x, double y, double& lat, double& lon)
{
    if (s.zone == 0)
    {
        GeographicLib::PolarStereographic::UPS().Reverse(s.north, x - kUpsFalseOrigin, y - kUpsFalseOrigin, lat,
                                                         lon);
        return;
    }
    const double lon0 = 6.0 * s.zone - 183;
    GeographicLib::TransverseMercator::UTM().Reverse(lon0, x - 500000, s.north ? y : y - 10000000, lat, lon);
}

// The square's latitudes and longitudes at its corners: grid lines curve,
// but squares never straddle the central meridian, so these are its limits.
// UTM longitudes are counted on from the zone's central meridian, so that a
// square across the 180 degree meridian keeps its west below its east.
void SquareLimits(const Square& s, double& south, double& north, double& west, double& east)
{
    const double lon0 = 6.0 * s.zone - 183;
    south = 90;
    north = -90;
    west = 540;
    east = -540;
    for (int i = 0; i < 4; ++i)
    {
        double lat = 0, lon = 0;
        GridToGeographic(s, s.west + (i & 1) * s.side, s.south + (i >> 1) * s.side, lat, lon);
        south = std::min(south, lat);
        north = std::max(north, lat);
        if (s.zone != 0)
            lon = lon0 + std::remainder(lon - lon0, 360.0);
        west = std::min(west, lon);
        east = std::max(east, lon);
    }
}

bool Overlaps(double lo, double hi, double limitLo, double limitHi)
{
    return hi >= limitLo - kLimitTolerance && lo <= limitHi + kLimitTolerance;
}

// A UTM square must reach into its grid zone: the latitude band and the
// zone's longitudes.
bool UtmSquareInZone(const Square& s, char band, std::string& why)
{
    double bandSouth = 0, bandNorth = 0, zoneWest = 0, zoneEast = 0;
    CMilitaryGridReference::BandLatitudes(band, bandSouth, bandNorth);
    CMilitaryGridReference::ZoneLongitudes(s.zone, band, zoneWest, zoneEast);
    double south = 0, north = 0, west = 0, east = 0;
    SquareLimits(s, south, north, west, east);
    if (!Overlaps(south, north, bandSouth, bandNorth))
    {
        char text[160];
        std::snprintf(text, sizeof text,
                      "band %c covers latitudes %g to %g, but the digits lie at %.5f to %.5f", band, bandSouth,
                      bandNorth, south, north);
        why = text;
        return false;
    }
    if (!Overlaps(west, east, zoneWest, zoneEast))
    {
        char text[160];
        std::snprintf(text, sizeof text,
                      "zone %d%c covers longitudes %g to %g, but the digits lie at %.5f to %.5f", s.zone, band,
                      zoneWest, zoneEast, west, east);
        why = text;
        return false;
    }
    return true;
}

// A UPS square must reach beyond 84 N or 80 S, and into the half its letter
// names: A and Y west of the 0 and 180 meridians, B and Z east.
bool UpsSquareInZone(const Square& s, char letter, std::string& why)
{
    double south = 0, north = 0, west = 0, east = 0;
    SquareLimits(s, south, north, west, east);
    const bool polar = s.north ? north >= 84 - kLimitTolerance : south <= -80 + kLimitTolerance;
    if (!polar)
    {
        why = std::string("UPS letter ") + letter + " covers latitudes " + (s.north ? "north of 84" : "south of -80") +
              ", but the digits lie outside";
        return false;
    }
    const bool westHalf = letter == 'A' || letter == 'Y';
    const bool reaches = westHalf ? s.west < kUpsFalseOrigin : s.west + s.side > kUpsFalseOrigin;
    if (!reaches)
    {
        why = std::string("UPS letter ") + letter + " covers the " + (westHalf ? "western" : "eastern") +
              " half, but the digits lie in the other";
        return false;
    }
    return true;
}

// The checks of the letters GeographicLib takes more leniently: the zone
// number, I and O, the band letters of UTM and UPS, the zones that do not
// exist.
bool CheckLetters(const CReferenceText& parts, int& zone, std::string& why)
{
    if (parts.letters.find_first_of("IO") != std::string::npos)
    {
        why = "the letters I and O are not used in MGRS";
        return false;
    }
    zone = 0;
    if (!parts.zone.empty())
    {
        if (parts.zone.size() > 2 || std::stoi(parts.zone) < 1 || std::stoi(parts.zone) > 60)
        {
            why = "zone " + parts.zone + " does not exist (1 to 60)";
            return false;
        }
        zone = std::stoi(parts.zone);
    }
    if (parts.letters.size() == 1)
    {
        why = "names a grid zone, not a square: give the two square letters";
        return false;
    }
    if (parts.letters.size() != 3)
    {
        why = "MGRS has a band letter and two square letters, not " + std::to_string(parts.letters.size()) +
              " letters";
        return false;
    }
    const char band = parts.letters[0];
    if (zone == 0 && std::string_view("ABYZ").find(band) == std::string_view::npos)
    {
        why = std::string("a reference without a zone number is UPS, whose letters are A, B, Y and Z, not ") + band;
        return false;
    }
    double west = 0, east = 0;
    if (zone != 0 && std::string_view(kBands).find(band) == std::string_view::npos)
    {
        why = std::string(1, band) + " is no latitude band of UTM (C to X)";
        return false;
    }
    if (zone != 0 && !CMilitaryGridReference::ZoneLongitudes(zone, band, west, east))
    {
        why = "zone " + std::to_string(zone) + band + " does not exist (Svalbard is in 31X, 33X, 35X and 37X)";
        return false;
    }
    return true;
}

} // namespace

bool CMilitaryGridReference::BandLatitudes(char band, double& south, double& north)
{
    const char* at = std::char_traits<char>::find(kBands, 20, band);
    if (at == nullptr)
        return false;
    south = -80 + 8 * (at - kBands);
    north = band == 'X' ? 84 : south + 8;
    return true;
}

bool CMilitaryGridReference::ZoneLongitudes(int zone, char band, double& west, double& east)
{
    west = -180 + 6 * (zone - 1);
    east = west + 6;
    if (band == 'V' && (zone == 31 || zone == 32))
    {
        west = zone == 31 ? 0 : 3;
        east = zone == 31 ? 3 : 12;
    }
    if (band == 'X' && zone >= 31 && zone <= 37)
    {
        if (zone % 2 == 0)
            return false;
        // 31X 0 to 9, 33X 9 to 21, 35X 21 to 33, 37X 33 to 42.
        west = zone == 31 ? 0 : 9 + 12 * ((zone - 33) / 2);
        east = zone == 37 ? 42 : west + (zone == 31 ? 9 : 12);
    }
    return true;
}

bool CMilitaryGridReference::Format(double latitude, double longitude, int digits, bool grouped,
                                    std::string& text, std::string& why)
{
    if (!std::isfinite(latitude) || !std::isfinite(longitude))
    {
        why = "the position is not a number";
        return false;
    }
    if (latitude < -90 || latitude > 90)
    {
        why = "the latitude lies beyond the poles";
        return false;
    }
    if (digits < 0 || digits > 5)
    {
        why = "references have 0 to 5 digits each for easting and northing";
        return false;
    }
    std::string mgrs;
    try
    {
        int zone = 0;
        bool north = true;
        double x = 0, y = 0;
        GeographicLib::UTMUPS::Forward(latitude, longitude, zone, north, x, y);
        GeographicLib::MGRS::Forward(zone, north, x, y, latitude, digits, mgrs);
    }
    catch (const std::exception& e)
    {
        why = e.what();
        return false;
    }
    if (!grouped)
    {
        text = mgrs;
        return true;
    }
    // Zone and band, square letters, easting digits, northing digits.
    const std::size_t letters = mgrs.size() - 2 * static_cast<std::size_t>(digits);
    text = mgrs.substr(0, letters - 2) + ' ' + mgrs.substr(letters - 2, 2);
    if (digits > 0)
        text += ' ' + mgrs.substr(letters, static_cast<std::size_t>(digits)) + ' ' +
                mgrs.substr(letters + static_cast<std::size_t>(digits));
    return true;
}

bool CMilitaryGridReference::Parse(std::string_view text, double& latitude, double& longitude, std::string& why)
{
    CReferenceText parts;
    if (!parts.Split(text, 5, why))
        return false;
    int zone = 0;
    if (!CheckLetters(parts, zone, why))
        return false;
    const std::string mgrs = parts.zone + parts.letters + parts.easting + parts.northing;
    Square square;
    int prec = 0;
    double x = 0, y = 0, lat = 0, lon = 0;
    try
    {
        GeographicLib::MGRS::Reverse(mgrs, square.zone, square.north, square.west, square.south, prec, false);
        GeographicLib::MGRS::Reverse(mgrs, square.zone, square.north, x, y, prec, true);
        GeographicLib::UTMUPS::Reverse(square.zone, square.north, x, y, lat, lon);
    }
    catch (const std::exception& e)
    {
        why = e.what();
        return false;
    }
    square.side = static_cast<double>(parts.SquareMetres());
    const char band = parts.letters[0];
    if (!(zone == 0 ? UpsSquareInZone(square, band, why) : UtmSquareInZone(square, band, why)))
        return false;
    latitude = lat;
    longitude = lon;
    return true;
}
