#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "MathConstants.h"
#include "ProjectionFactory.h"

namespace {

double Dms(double degrees, double minutes, double seconds)
{
    const double magnitude = std::fabs(degrees) + minutes / 60 + seconds / 3600;
    return std::signbit(degrees) ? -magnitude : magnitude;
}

constexpr double kUsFoot = 1200.0 / 3937.0;

struct Definition
{
    const char* name;
    int method; // EPSG method code, translated as the catalogue's are
    double a;
    double inverseFlattening;
    double lat0, lon0, parallelNorth, parallelSouth, azimuth, scale, fe, fn; // degrees, metres
};

CCfgMapProjection Record(const Definition& d)
{
    CCfgMapProjection r;
    r.projectionId = TranslateProjectionCode(d.method);
    r.semiMajorAxis = d.a;
    r.inverseFlattening = d.inverseFlattening;
    r.latitudeOrigin = d.lat0;
    r.longitudeOrigin = d.lon0;
    r.parallelNorth = d.parallelNorth;
    r.parallelSouth = d.parallelSouth;
    r.azimuth = d.azimuth;
    r.scaleFactor = d.scale;
    r.falseEasting = d.fe;
    r.falseNorthing = d.fn;
    return r;
}

const Definition kWebMercator = {"3857", 1024, 6378137, 298.257223563, 0, 0, 0, 0, 0, 0, 0, 0};
const Definition kKrovakEastNorth = {
    "5514", 1041, 6377397.155, 299.1528128, 49.5, Dms(24, 50, 0), 78.5, 0, Dms(30, 17, 17.30311), 0.9999, 0, 0};
// S-JTSK/05 / Modified Krovak (East North): the S-JTSK Krovak with a false origin 5000 km away.
const Definition kModifiedKrovak = {
    "5515", 1042, 6377397.155, 299.1528128, 49.5, Dms(24, 50, 0), 78.5, 0, Dms(30, 17, 17.30311), 0.9999, 5e6, 5e6};
const Definition kModifiedKrovakEastNorth = {
    "5516", 1043, 6377397.155, 299.1528128, 49.5, Dms(24, 50, 0), 78.5, 0, Dms(30, 17, 17.30311), 0.9999, 5e6, 5e6};
const Definition kLaborde = {"8441", 9813, 6378388, 297, -18.9, Dms(46, 26, 14.025), 0, 0, 18.9, 0.9995, 400000, 800000};
const Definition kTerreAdelie = {"2985", 9830, 6378388, 297, 0, 140, -67, 0, 0, 0, 300000, 200000};
const Definition kWorldEquidistant = {"4087", 1028, 6378137, 298.257223563, 0, 0, 0, 0, 0, 0, 0, 0};
const Definition kBogotaUrban = {"6247",      1052, 6378137, 298.257222101, Dms(4, 40, 49.75), Dms(-74, 8, 47.73), 0, 0,
                                 0,           2550, 92334.879, 109320.965};
const Definition kMichiganCentral = {"6201",
                                     1051,
                                     6378206.4,
                                     294.9786982138982,
                                     Dms(43, 19, 0),
                                     Dms(-84, 20, 0),
                                     Dms(44, 11, 0),
                                     Dms(45, 42, 0),
                                     0,
                                     1.0000382,
                                     2000000 * kUsFoot,
                                     0};

// The worked examples of EPSG's guidance note for the methods, grid coordinates in metres and to
// the precision the note prints them.
struct Example
{
    const Definition* definition;
    double lat, lon, easting, northing, tolerance;
};

const Example kExamples[] = {
    {&kWebMercator, Dms(24, 22, 54.433), Dms(-100, 20, 0), -11169055.58, 2800000.00, 0.006},
    {&kKrovakEastNorth, Dms(50, 12, 32.442), Dms(16, 50, 59.179), -568991.00, -1050538.63, 0.006},
    // Krovak Modified gives the westing in x and the southing in y.
    {&kModifiedKrovak, Dms(50, 12, 32.442), Dms(16, 50, 59.179), 5568990.91, 6050538.71, 0.006},
    {&kModifiedKrovakEastNorth, Dms(50, 12, 32.442), Dms(16, 50, 59.179), -5568990.91, -6050538.71, 0.006},
    {&kLaborde, Dms(-16, 11, 23.280), Dms(44, 27, 27.260), 188333.848, 1098841.091, 0.0006},
    {&kTerreAdelie, Dms(-66, 36, 18.820), Dms(140, 4, 17.040), 303169.522, 244055.721, 0.0006},
    {&kWorldEquidistant, 55, 10, 1113194.91, 6097230.31, 0.006},
    {&kBogotaUrban, Dms(4, 48, 0), Dms(-74, 15, 0), 80859.033, 122543.174, 0.0006},
    {&kMichiganCentral, Dms(43, 45, 0), Dms(-83, 10, 0), 2308335.75 * kUsFoot, 160210.48 * kUsFoot, 0.006 * kUsFoot},
};

} // namespace

TEST(EpsgMethodExample, ForwardGivesTheNotesCoordinatesAndInverseTheNotesPoint)
{
    for (const Example& x : kExamples)
    {
        const CCfgMapProjection record = Record(*x.definition);
        const std::unique_ptr<CProjection> p = CreateProjection(record);
        SCOPED_TRACE(x.definition->name);
        p->phi = x.lat * kDegToRad;
        p->lambda = x.lon * kDegToRad;
        p->Forward();
        EXPECT_NEAR(p->x, x.easting, x.tolerance);
        EXPECT_NEAR(p->y, x.northing, x.tolerance);
        // The inverse of the forward's own coordinates comes back within a tenth of a millimetre.
        p->Inverse();
        EXPECT_NEAR((p->phi / kDegToRad - x.lat) * kDegToRad * record.semiMajorAxis, 0, 1e-4);
        EXPECT_NEAR((p->lambda / kDegToRad - x.lon) * kDegToRad * record.semiMajorAxis * std::cos(p->phi), 0, 1e-4);
    }
}

// The north orientated Krovak grids are their south-west orientated grids turned; the modified
// grid is the Krovak moved by its false origin and by a correction of decimetres across Czechia.
TEST(EpsgMethodExample, KrovakVariantsAgreeWithThePlainKrovak)
{
    Definition southWest = kKrovakEastNorth;
    southWest.method = 9819;
    Definition modifiedSouthWest = kModifiedKrovakEastNorth;
    modifiedSouthWest.method = 1042;
    const auto plain = CreateProjection(Record(southWest));
    const auto modified = CreateProjection(Record(modifiedSouthWest));
    const std::pair<const Definition*, CProjection*> turnedOf[] = {{&kKrovakEastNorth, plain.get()},
                                                                    {&kModifiedKrovakEastNorth, modified.get()}};
    // Points across Czechia, the area of the modified grid.
    for (const auto& [lat, lon] : {std::pair{48.7, 12.2}, {50.0, 14.4}, {51.0, 14.8}, {49.6, 18.8}})
    {
        for (const auto& [definition, southWestGrid] : turnedOf)
        {
            const auto turned = CreateProjection(Record(*definition));
            for (CProjection* p : {turned.get(), southWestGrid})
            {
                p->phi = lat * kDegToRad;
                p->lambda = lon * kDegToRad;
                p->Forward();
            }
            EXPECT_EQ(turned->x, -southWestGrid->x);
            EXPECT_EQ(turned->y, -southWestGrid->y);
            turned->Inverse();
            EXPECT_NEAR(turned->phi / kDegToRad, lat, 1e-10);
            EXPECT_NEAR(turned->lambda / kDegToRad, lon, 1e-10);
        }
        const double shift = std::hypot(modified->x - 5e6 - plain->x, modified->y - 5e6 - plain->y);
        EXPECT_GT(shift, 0.01);
        EXPECT_LT(shift, 1.0);
    }
}

// Points where a method has no value: the engine gets a number that is not finite and refuses the
// point instead of writing a wrong one.
TEST(EpsgMethodExample, PointsOutsideAMethodsDomainGiveNoNumber)
{
    const Definition laeaSphere = {"9311", 1027, 6378206.4, 294.9786982138982, 45, -100, 0, 0, 0, 0, 0, 0};
    const Definition equalEarth = {"8857", 1078, 6378137, 298.257223563, 0, 0, 0, 0, 0, 0, 0, 0};
    const Definition nzmg = {"27200", 9811, 6378388, 297, -41, 173, 0, 0, 0, 0, 2510000, 6023150};
    const Definition utmZoned = {"32600", 9824, 6378137, 298.257223563, 0, -180, 6, 0, 0, 0.9996, 500000, 0};
    const Definition bonneOnEquator = {"2963", 9828, 6377397.155, 299.1528128, 0, 0, 0, 0, 0, 0, 0, 0};
    Definition noScale = kMichiganCentral;
    noScale.scale = 0;
    struct Case
    {
        Definition definition;
        bool forward;
        double u, v; // latitude and longitude in degrees, or easting and northing in metres
    };
    const Case cases[] = {
        {kWebMercator, true, 90, 0},
        {kWebMercator, true, -90, 10},
        {laeaSphere, true, -45, 80},                // the antipode of the centre
        {laeaSphere, false, 0, 2.1 * 6371000},      // beyond the circle that maps the whole sphere
        {equalEarth, false, 0, 9.0e6},              // past the pole line
        {equalEarth, false, 1.8e7, 0},              // past the outer meridian
        {nzmg, true, 10, 0},                        // far outside the grid's series
        {noScale, true, 44, -84},                   // a Michigan grid without its scaling factor
        {kWorldEquidistant, false, 0, 1.1e7},       // north of the pole
        {bonneOnEquator, true, 10, 5},              // a Bonne cone that is a cylinder
        {utmZoned, false, 500000, 5e6},             // an easting without its zone number
        {utmZoned, false, 61.5e6, 5e6},             // a zone past the sixtieth
        {kLaborde, true, 0, 130},                   // past the fold of the cubic
        {kLaborde, false, 4e7, 8e5},                // past the fold of the cubic
        {kModifiedKrovak, false, 3.5e7, 3.5e7},     // where the correction outgrows the grid
    };
    for (const Case& c : cases)
    {
        const auto p = CreateProjection(Record(c.definition));
        SCOPED_TRACE(std::string(c.definition.name) + (c.forward ? " forward " : " inverse ") + std::to_string(c.u) +
                     " " + std::to_string(c.v));
        if (c.forward)
        {
            p->phi = c.u * kDegToRad;
            p->lambda = c.v * kDegToRad;
            p->Forward();
            EXPECT_FALSE(std::isfinite(p->x) && std::isfinite(p->y));
        }
        else
        {
            p->x = c.u;
            p->y = c.v;
            p->Inverse();
            EXPECT_FALSE(std::isfinite(p->phi) && std::isfinite(p->lambda));
        }
    }
}
