// MGRS and UTM digits at 100,000 generated points over the globe, checked
// against the engine's own transverse Mercator and polar stereographic: the
// digits must be the engine's easting and northing cut to the metre, as MGRS
// cuts them, and the points read back within half their square.
#include <GeographicLib/MGRS.hpp>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <string>

#include "MapNotation.h"
#include "MathConstants.h"
#include "ProjectionPolarStereo.h"
#include "ProjectionTransverseMercator.h"

namespace {

// The engine's series and GeographicLib's agree to far better than this
// inside a zone, Norway's and Svalbard's wide zones included; it holds for
// the DMA series and for Krueger's alike. Digits are only compared where the
// easting or northing lies farther than this from a metre line.
constexpr double kEngineTolerance = 0.001;

struct Point
{
    double lat;
    double lon;
};

// Zone and band by the rules of the grid, written out here from the zone
// table: 6 degree zones, 32V from 3 E, 31X 33X 35X 37X over Svalbard, UPS
// beyond 84 N and 80 S.
int ExpectedZone(double lat, double lon)
{
    if (lat >= 84 || lat < -80)
        return 0;
    int zone = static_cast<int>(std::floor((lon + 180) / 6)) + 1;
    if (zone > 60)
        zone = 1;
    if (lat >= 56 && lat < 64 && lon >= 3 && lon < 12)
        zone = 32;
    if (lat >= 72 && lon >= 0 && lon < 42)
        zone = lon < 9 ? 31 : lon < 21 ? 33 : lon < 33 ? 35 : 37;
    return zone;
}

char ExpectedBand(double lat)
{
    static const char bands[] = "CDEFGHJKLMNPQRSTUVWX";
    if (lat >= 84 || lat < -80)
        return 0;
    const int index = std::min(19, static_cast<int>(std::floor((lat + 80) / 8)));
    return bands[index];
}

// Easting and northing by the engine's projections with the grid's
// constants.
void EngineGrid(int zone, double lat, double lon, double& x, double& y)
{
    CCfgMapProjection r;
    r.semiMajorAxis = 6378137;
    r.inverseFlattening = 298.257223563;
    r.unitId = 9001;
    if (zone == 0)
    {
        static CProjectionPolarStereo poles[2];
        static bool ready = false;
        if (!ready)
        {
            for (int s = 0; s < 2; ++s)
            {
                r.projectionId = kPolarStereographic;
                r.latitudeOrigin = s == 0 ? 90 : -90;
                r.scaleFactor = 0.994;
                r.falseEasting = 2000000;
                r.falseNorthing = 2000000;
                poles[s].Initialise(r);
            }
            ready = true;
        }
        CProjectionPolarStereo& p = poles[lat > 0 ? 0 : 1];
        p.phi = lat * kDegToRad;
        p.lambda = lon * kDegToRad;
        p.Forward();
        x = p.x;
        y = p.y;
        return;
    }
    static CProjectionTransverseMercator zones[61];
    static bool readyZones[61] = {};
    if (!readyZones[zone])
    {
        r.projectionId = kTransverseMercator;
        r.scaleFactor = 0.9996;
        r.falseEasting = 500000;
        r.longitudeOrigin = 6.0 * zone - 183;
        zones[zone].Initialise(r);
        readyZones[zone] = true;
    }
    CProjectionTransverseMercator& p = zones[zone];
    p.phi = lat * kDegToRad;
    p.lambda = lon * kDegToRad;
    p.Forward();
    x = p.x;
    y = lat < 0 ? p.y + 10000000 : p.y;
}

// The metre the engine's value lies in agrees with the reference's, unless
// the value lies within the tolerance of a metre line.
bool SameMetre(double engine, double corner)
{
    return corner <= engine + kEngineTolerance && engine - kEngineTolerance < corner + 1;
}

Point Generated(std::mt19937_64& random, int i)
{
    std::uniform_real_distribution<double> unit(0, 1);
    const double u = unit(random);
    const double v = unit(random);
    const double tiny = 1e-8 + 1e-6 * unit(random);
    switch (i % 10)
    {
    case 0: // north polar cap
        return {84 + 6 * u, -180 + 360 * v};
    case 1: // south polar cap
        return {-90 + 10 * u, -180 + 360 * v};
    case 2: // Norway's zone 32V and its neighbours
        return {56 + 8 * u, 12 * v};
    case 3: // Svalbard's zones
        return {72 + 12 * u, 42 * v};
    case 4: // next to a band limit, UTM/UPS limits included
    {
        const int band = static_cast<int>(v * 21);
        const double limit = band == 20 ? 84 : -80 + 8 * band;
        return {limit + (i % 20 < 10 ? tiny : -tiny), -180 + 360 * unit(random)};
    }
    case 5: // next to a zone limit
    {
        const double limit = -180 + 6 * std::floor(60 * v);
        return {-80 + 164 * u, limit + (i % 20 < 10 ? tiny : -tiny) + (limit <= -180 ? 2 * tiny : 0)};
    }
    default: // anywhere else, evenly by area
        return {std::asin(-0.985 + 1.98 * u) / kDegToRad, -180 + 360 * v};
    }
}

TEST(MilitaryGridWalk, DigitsAreTheEnginesGridCutToTheMetre)
{
    std::mt19937_64 random(35);
    int failures = 0;
    for (int i = 0; i < 100000 && failures < 10; ++i)
    {
        const Point p = Generated(random, i);
        std::string text, why;
        ASSERT_TRUE(FormatNotation(MapNotation::Mgrs, p.lon, p.lat, NotationStyle{}, text, why)) << why;
        int zone = -1;
        bool north = true;
        double cornerX = 0, cornerY = 0;
        int prec = 0;
        GeographicLib::MGRS::Reverse(text, zone, north, cornerX, cornerY, prec, false);
        double x = 0, y = 0;
        EngineGrid(zone, p.lat, p.lon, x, y);
        const char band = text[zone == 0 ? 0 : 2];
        const char expectedBand = ExpectedBand(p.lat);
        const bool bandRight = zone == 0 ? (p.lat > 0 ? (band == 'Y' || band == 'Z') : (band == 'A' || band == 'B'))
                                         : band == expectedBand;
        const bool right = zone == ExpectedZone(p.lat, p.lon) && north == (p.lat >= 0) && bandRight &&
                           SameMetre(x, cornerX) && SameMetre(y, cornerY);

        // UTM: the same easting and northing to the millimetre.
        std::string utm;
        ASSERT_TRUE(FormatNotation(MapNotation::Utm, p.lon, p.lat, NotationStyle{}, utm, why)) << why;
        double ux = 0, uy = 0;
        const std::size_t numbers = utm.find(' ', zone == 0 ? 4 : 0);
        const bool utmRight = std::sscanf(utm.c_str() + numbers, "%lf %lf", &ux, &uy) == 2 &&
                              std::fabs(ux - x) <= 0.0005 + kEngineTolerance &&
                              std::fabs(uy - y) <= 0.0005 + kEngineTolerance;

        // Read back at one of the six sizes: within half the square.
        NotationStyle style;
        style.referenceMetres = static_cast<int>(std::pow(10, i % 6));
        std::string coarse;
        double lon = 0, lat = 0, bx = 0, by = 0;
        const bool readBack = FormatNotation(MapNotation::Usng, p.lon, p.lat, style, coarse, why) &&
                              ParseNotation(MapNotation::Usng, coarse, lon, lat, why);
        if (readBack)
            EngineGrid(zone, lat, lon, bx, by);
        const double half = style.referenceMetres / 2.0 + kEngineTolerance;
        const bool withinHalf = readBack && std::fabs(bx - x) <= half && std::fabs(by - y) <= half;
        if (!right || !utmRight || !withinHalf)
        {
            ++failures;
            ADD_FAILURE() << "point " << i << " (" << p.lat << ", " << p.lon << "): " << text << " " << utm << " "
                          << coarse << " engine " << std::to_string(x) << " " << std::to_string(y)
                          << " read back " << std::to_string(bx) << " " << std::to_string(by) << " " << why;
        }
    }
    EXPECT_EQ(failures, 0);
}

} // namespace
