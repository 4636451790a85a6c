#include <gtest/gtest.h>

#include "ConformalOracle.h"
#include "Projections.h"

using namespace conformal;

// Every class at the points where its formulas have no finite or no unique
// answer, and just beside them: the singular point is refused (not-a-number
// results, which the engine turns into a failure), the point beside converts
// and agrees with PROJ.

namespace {

CCfgMapProjection With(int id, double a, double rf, double lat0, double lon0, double k0 = 1, double fe = 0,
                       double fn = 0)
{
    CCfgMapProjection r = Record(id, a, rf);
    r.latitudeOrigin = lat0;
    r.longitudeOrigin = lon0;
    r.scaleFactor = k0;
    r.falseEasting = fe;
    r.falseNorthing = fn;
    return r;
}

CCfgMapProjection Lambert93()
{
    CCfgMapProjection r = With(110, 6378137, 298.257222101, 46.5, 3, 1, 700000, 6600000);
    r.parallelNorth = 49;
    r.parallelSouth = 44;
    return r;
}
const char* const kLambert93 = "+proj=lcc +lat_0=46.5 +lon_0=3 +lat_1=49 +lat_2=44 +x_0=700000 +y_0=6600000";

// A southern cone (negative n), one standard parallel.
CCfgMapProjection LambertSouth()
{
    return With(100, 6378137, 298.257223563, -30, 25, 0.9999, 100000, 200000);
}
const char* const kLambertSouth = "+proj=lcc +lat_0=-30 +lat_1=-30 +lon_0=25 +k_0=0.9999 +x_0=100000 +y_0=200000";

CCfgMapProjection EtrsLaea()
{
    return With(120, 6378137, 298.257222101, 52, 10, 1, 4321000, 3210000);
}
const char* const kEtrsLaea = "+proj=laea +lat_0=52 +lon_0=10 +x_0=4321000 +y_0=3210000";

CCfgMapProjection SphereLaea()
{
    return With(120, 6371000, 0, 45, -100, 1, 0, 0);
}
const char* const kSphereLaea = "+proj=laea +lat_0=45 +lon_0=-100";

CCfgMapProjection UpsNorth()
{
    return With(220, 6378137, 298.257223563, 90, 0, 0.994, 2000000, 2000000);
}
const char* const kUpsNorth = "+proj=stere +lat_0=90 +lon_0=0 +k=0.994 +x_0=2000000 +y_0=2000000";

CCfgMapProjection UpsSouth()
{
    return With(220, 6378137, 298.257223563, -90, 0, 0.994, 2000000, 2000000);
}
const char* const kUpsSouth = "+proj=stere +lat_0=-90 +lon_0=0 +k=0.994 +x_0=2000000 +y_0=2000000";

CCfgMapProjection WorldMercator()
{
    return With(140, 6378137, 298.257223563, 0, 0);
}
const char* const kWorldMercator = "+proj=merc +lon_0=0";

CCfgMapProjection Borneo()
{
    CCfgMapProjection r = With(TranslateProjectionCode(9812), 6377298.556, 300.8017, 4, 115, 0.99984);
    r.azimuth = Dms(53, 18, 56.9537);
    r.rectifiedGridAngle = Dms(53, 7, 48.3685);
    return r;
}
const char* const kBorneo =
    "+proj=omerc +no_uoff +lat_0=4 +lonc=115 +alpha=53.315820472222222 +gamma=53.130102361111111 +k=0.99984";

CCfgMapProjection Lv03()
{
    return With(190, 6377397.155, 299.1528128, Dms(46, 57, 8.66), Dms(7, 26, 22.50), 1, 600000, 200000);
}
const char* const kLv03 =
    "+proj=somerc +lat_0=46.952405555555556 +lon_0=7.4395833333333333 +k_0=1 +x_0=600000 +y_0=200000";

CCfgMapProjection RdNew()
{
    return With(210, 6377397.155, 299.1528128, Dms(52, 9, 22.178), Dms(5, 23, 15.5), 0.9999079, 155000, 463000);
}
const char* const kRdNew = "+proj=sterea +lat_0=52.156160555555556 +lon_0=5.3876388888888889 +k=0.9999079 "
                           "+x_0=155000 +y_0=463000";

CCfgMapProjection Conus()
{
    CCfgMapProjection r = With(130, 6378137, 298.257222101, 23, -96, 1, 0, 0);
    r.parallelNorth = 29.5;
    r.parallelSouth = 45.5;
    return r;
}
const char* const kConus = "+proj=aea +lat_0=23 +lon_0=-96 +lat_1=29.5 +lat_2=45.5";


enum class Way
{
    Forward, // points are latitude, longitude in degrees
    Inverse, // points are x, y in metres
};

// What the point beside is checked against. PROJ's omerc forward and its
// somerc both ways fold points beyond 90 degrees from their lines back onto
// the near side; there PROJ's inverse of our result, or our own round trip,
// is the check.
enum class Oracle
{
    ProjForward,
    ProjInverse,
    RoundTrip,
};

struct Case
{
    const char* what;
    CCfgMapProjection (*record)();
    const char* proj;
    Way way;
    Pair singular;
    Pair beside;
    Oracle oracle = Oracle::ProjForward;
};

// Relative agreement for the huge coordinates next to a singular point (whose
// rounding both sides magnify), and a tenth of a millimetre (or its angle)
// elsewhere.
double Allowed(const Pair& value, Way way)
{
    if (way == Way::Inverse)
        return 1e-9; // degrees, about 0.1 mm
    return std::max(1e-4, 1e-10 * std::max(std::fabs(value[0]), std::fabs(value[1])));
}

void ExpectSamePoint(const Pair& latLon, const Pair& expected, const char* what)
{
    EXPECT_NEAR(latLon[0], expected[0], 1e-9) << what;
    EXPECT_NEAR(LongitudeDifference(latLon[1], expected[1]), 0, 1e-9 / std::cos(expected[0] * kDegToRad)) << what;
}

// The point beside a singular one (or any point) converts and agrees with
// its oracle.
void CheckBeside(const Case& c, const Pair& beside)
{
    auto p = CreateProjection(c.record());
    const CCfgMapProjection r = c.record();
    const std::string geog = "+proj=longlat" + EllipsoidArgs(r) + " +no_defs +type=crs";
    const std::string proj = std::string(c.proj) + EllipsoidArgs(r) + " +no_defs +type=crs";
    if (c.way == Way::Forward)
    {
        const Pair ours = Fwd(*p, beside[0], beside[1]);
        ASSERT_TRUE(std::isfinite(ours[0]) && std::isfinite(ours[1])) << c.what;
        if (c.oracle != Oracle::ProjForward)
            ExpectSamePoint(Inv(*p, ours[0], ours[1]), beside, c.what);
        if (c.oracle == Oracle::ProjForward)
        {
            const std::vector<Pair> theirs = Cs2cs(geog, proj, {{beside[1], beside[0]}});
            ASSERT_EQ(theirs.size(), 1u) << c.what;
            EXPECT_NEAR(ours[0], theirs[0][0], Allowed(theirs[0], c.way)) << c.what;
            EXPECT_NEAR(ours[1], theirs[0][1], Allowed(theirs[0], c.way)) << c.what;
        }
        else if (c.oracle == Oracle::ProjInverse)
        {
            const std::vector<Pair> theirs = Cs2cs(proj, geog, {ours});
            ASSERT_EQ(theirs.size(), 1u) << c.what;
            ExpectSamePoint({theirs[0][1], theirs[0][0]}, beside, c.what);
        }
        return;
    }
    const Pair ours = Inv(*p, beside[0], beside[1]);
    ASSERT_TRUE(std::isfinite(ours[0]) && std::isfinite(ours[1])) << c.what;
    if (c.oracle == Oracle::RoundTrip)
    {
        const Pair again = Fwd(*p, ours[0], ours[1]);
        EXPECT_NEAR(again[0], beside[0], 1e-4) << c.what;
        EXPECT_NEAR(again[1], beside[1], 1e-4) << c.what;
        return;
    }
    const std::vector<Pair> theirs = Cs2cs(proj, geog, {beside});
    ASSERT_EQ(theirs.size(), 1u) << c.what;
    ExpectSamePoint(ours, {theirs[0][1], theirs[0][0]}, c.what);
}

// The singular point is refused; the point beside converts.
void Check(const Case& c, const Pair& singular, const Pair& beside)
{
    auto p = CreateProjection(c.record());
    const Pair at = c.way == Way::Forward ? Fwd(*p, singular[0], singular[1]) : Inv(*p, singular[0], singular[1]);
    EXPECT_TRUE(std::isnan(at[0]) && std::isnan(at[1])) << c.what << ": " << at[0] << ", " << at[1];
    CheckBeside(c, beside);
}

// Grid coordinates relative to a geographic point's image.
Pair Offset(CCfgMapProjection (*record)(), double lat, double lon, double dx, double dy)
{
    auto p = CreateProjection(record());
    const Pair at = Fwd(*p, lat, lon);
    return {at[0] + dx, at[1] + dy};
}

} // namespace

TEST(SingularPoints, ForwardRefusesThemAndConvertsBeside)
{
    const Case cases[] = {
        {"Lambert: the far pole", Lambert93, kLambert93, Way::Forward, {-90, 3}, {-89.9, 3}},
        {"Lambert: the far pole off the meridian", Lambert93, kLambert93, Way::Forward, {-90, 40}, {-89.99, 40}},
        {"Lambert, southern cone: the north pole", LambertSouth, kLambertSouth, Way::Forward, {90, 0}, {89.9, 0}},
        {"LAEA: the antipode of the centre", EtrsLaea, kEtrsLaea, Way::Forward, {-52, -170}, {-51.5, -170}},
        {"LAEA sphere: the antipode of the centre", SphereLaea, kSphereLaea, Way::Forward, {-45, 80}, {-44.5, 80}},
        {"polar stereographic north: the south pole", UpsNorth, kUpsNorth, Way::Forward, {-90, 0}, {-89, 0}},
        {"polar stereographic south: the north pole", UpsSouth, kUpsSouth, Way::Forward, {90, 45}, {89, 45}},
        {"Mercator: the north pole", WorldMercator, kWorldMercator, Way::Forward, {90, 10}, {89.99, 10}},
        {"Mercator: the south pole", WorldMercator, kWorldMercator, Way::Forward, {-90, -170}, {-89.99, -170}},
    };
    for (const Case& c : cases)
        Check(c, c.singular, c.beside);
}

// The oblique cylinders and the oblique stereographic: their singular points
// are found from the inverse of a grid point at (practically) infinity.
TEST(SingularPoints, ObliqueClassesRefuseTheirPolesAndAntipodes)
{
    struct ObliqueCase
    {
        const char* what;
        CCfgMapProjection (*record)();
        const char* proj;
        Pair far;   // grid coordinate whose inverse is the singular point
        Pair shift; // degrees from the singular point to the point beside
        Oracle oracle;
    } const cases[] = {
        {"Hotine: pole of the cylinder", Borneo, kBorneo, {1e9, 0}, {-1, 0}, Oracle::ProjInverse},
        {"Hotine: the other pole", Borneo, kBorneo, {-1e9, 0}, {1, 0}, Oracle::ProjInverse},
        {"Swiss: pole of the cylinder", Lv03, kLv03, {600000, 1e9}, {-1, 0}, Oracle::RoundTrip},
        {"Swiss: the other pole", Lv03, kLv03, {600000, -1e9}, {1, 0}, Oracle::RoundTrip},
        {"oblique stereographic: antipode of the origin", RdNew, kRdNew, {1e20, 463000}, {0.5, 0},
         Oracle::ProjForward},
    };
    for (const ObliqueCase& c : cases)
    {
        auto p = CreateProjection(c.record());
        const Pair singular = Inv(*p, c.far[0], c.far[1]);
        ASSERT_TRUE(std::isfinite(singular[0]) && std::isfinite(singular[1])) << c.what;
        const Case row{c.what, c.record, c.proj, Way::Forward, singular, {}, c.oracle};
        Check(row, singular, {singular[0] + c.shift[0], singular[1] + c.shift[1]});
    }
}

// Points beyond 90 degrees along the oblique lines (from the centre of the
// Hotine line, of the Swiss cylinder's, on the far side of the oblique
// stereographic's sphere) project where PROJ puts them, and come back.
TEST(SingularPoints, ObliqueClassesKeepTheFarSideApart)
{
    const Case cases[] = {
        {"Hotine: far along the line", Borneo, kBorneo, Way::Forward, {}, {-20, -60}, Oracle::ProjForward},
        {"Hotine: the north pole", Borneo, kBorneo, Way::Forward, {}, {90, 30}, Oracle::ProjForward},
        {"Hotine: the south pole", Borneo, kBorneo, Way::Forward, {}, {-90, 115}, Oracle::ProjForward},
        {"Swiss: far along the line", Lv03, kLv03, Way::Forward, {}, {-30, -120}, Oracle::RoundTrip},
        {"oblique stereographic: far side", RdNew, kRdNew, Way::Forward, {}, {-10, -130}, Oracle::ProjForward},
    };
    for (const Case& c : cases)
        CheckBeside(c, c.beside);
}

// Grid coordinates outside the image: the gap of a conic's unrolled cone
// (straight beyond the apex) and outside the bounding circle of the sphere's
// Lambert azimuthal equal area.
TEST(SingularPoints, InverseRefusesGridCoordinatesOutsideTheImage)
{
    const Pair apex93 = Offset(Lambert93, 90, 3, 0, 0);
    const Pair apexSouth = Offset(LambertSouth, -90, 25, 0, 0);
    const Case cases[] = {
        {"Lambert: beyond the apex", Lambert93, kLambert93, Way::Inverse,
         {apex93[0], apex93[1] + 1000}, {apex93[0] + 1000, apex93[1] - 1000}},
        {"Lambert, southern cone: beyond the apex", LambertSouth, kLambertSouth, Way::Inverse,
         {apexSouth[0] - 1, apexSouth[1] - 5000}, {apexSouth[0] - 3000, apexSouth[1] + 500}},
        {"LAEA sphere: outside the circle", SphereLaea, kSphereLaea, Way::Inverse,
         {2 * 6371000 + 1, 0}, {2 * 6371000 - 1000, 0}},
        {"LAEA sphere: outside the circle, diagonal", SphereLaea, kSphereLaea, Way::Inverse,
         {-1.5 * 6371000, -1.5 * 6371000}, {-1.4 * 6371000, -1.4 * 6371000}},
    };
    for (const Case& c : cases)
        Check(c, c.singular, c.beside);
}

namespace {

// The world and equal-area classes on a sphere, central meridian 10 E, false
// origin (500 km, 200 km).
template <int Id, int Parallel = 0, int Origin = 0>
CCfgMapProjection World()
{
    CCfgMapProjection r = With(Id, 6378137, 0, Origin, 10, 1, 500000, 200000);
    r.parallelNorth = Parallel;
    return r;
}

struct WorldRow
{
    const char* what;
    CCfgMapProjection (*record)();
    const char* proj;
    Oracle oracle;
};

} // namespace

// The classes whose map ends at the meridians half a turn from the central
// one: a kilometre outside that outline on the equator is refused (its
// longitude would wrap to a point whose image lies elsewhere), a kilometre
// inside converts.
TEST(SingularPoints, WorldMapsRefuseGridCoordinatesOutsideTheirOutline)
{
    const char* const origin = " +lon_0=10 +x_0=500000 +y_0=200000";
    const WorldRow rows[] = {
        {"Mollweide", World<260>, "+proj=moll", Oracle::ProjForward},
        {"Eckert I", World<271>, "+proj=eck1", Oracle::ProjForward},
        {"Eckert II", World<272>, "+proj=eck2", Oracle::ProjForward},
        {"Eckert III", World<273>, "+proj=eck3", Oracle::ProjForward},
        {"Eckert IV", World<274>, "+proj=eck4", Oracle::ProjForward},
        {"Eckert V", World<275>, "+proj=eck5", Oracle::ProjForward},
        {"Eckert VI", World<276>, "+proj=eck6", Oracle::ProjForward},
        {"Winkel I", World<281>, "+proj=wink1 +lat_ts=50.459776252189805", Oracle::ProjForward},
        {"sinusoidal", World<300>, "+proj=sinu", Oracle::ProjForward},
        {"Robinson", World<340>, "+proj=robin", Oracle::RoundTrip},
        {"loximuthal", World<360, 40>, "+proj=loxim +lat_1=40", Oracle::ProjForward},
        {"Bonne", World<320, 40>, "+proj=bonne +lat_1=40", Oracle::ProjForward},
    };
    for (const WorldRow& row : rows)
    {
        const std::string proj = std::string(row.proj) + origin;
        auto p = CreateProjection(row.record());
        for (double lat : {0.0, 30.0, -60.0})
        {
            const Pair edge = Fwd(*p, lat, 190);
            const Pair inward = Fwd(*p, lat, 189);
            // A kilometre (or a tenth of the way to 189 E) past the edge,
            // straight away from the inward point.
            const double dx = edge[0] - inward[0];
            const double dy = edge[1] - inward[1];
            const double step = std::min(1000.0, 0.1 * std::hypot(dx, dy)) / std::hypot(dx, dy);
            const Pair outside = {edge[0] + step * dx, edge[1] + step * dy};
            const Pair inside = {edge[0] - step * dx, edge[1] - step * dy};
            const std::string what = std::string(row.what) + " at " + std::to_string(lat);
            const Case c{what.c_str(), row.record, proj.c_str(), Way::Inverse, outside, inside, row.oracle};
            Check(c, outside, inside);
        }
    }
}

// Beyond the pole lines of the classes whose poles are lines, and of the
// cylindrical equal-area, lies no point; a kilometre inside converts.
TEST(SingularPoints, WorldMapsRefuseGridCoordinatesBeyondThePoleLines)
{
    const char* const origin = " +lon_0=10 +x_0=500000 +y_0=200000";
    const WorldRow rows[] = {
        {"Eckert IV", World<274>, "+proj=eck4", Oracle::ProjForward},
        {"Eckert VI", World<276>, "+proj=eck6", Oracle::ProjForward},
        {"Robinson", World<340>, "+proj=robin", Oracle::RoundTrip},
        {"Mollweide", World<260>, "+proj=moll", Oracle::ProjForward},
        {"cylindrical equal area", World<290, 0, 30>, "+proj=cea +lat_ts=30", Oracle::ProjForward},
    };
    for (const WorldRow& row : rows)
    {
        const std::string proj = std::string(row.proj) + origin;
        auto p = CreateProjection(row.record());
        for (double pole : {90.0, -90.0})
        {
            const Pair line = Fwd(*p, pole, 40);
            const double sign = pole > 0 ? 1 : -1;
            const std::string what = std::string(row.what) + " at " + std::to_string(pole);
            const Case c{what.c_str(), row.record, proj.c_str(), Way::Inverse, {}, {}, row.oracle};
            Check(c, {line[0], line[1] + sign * 1000}, {line[0], line[1] - sign * 1000});
        }
    }
}


// Albers: beyond the apex (the gap of the unrolled cone) and past the south
// pole's radius lie no points.
TEST(SingularPoints, AlbersRefusesTheGapAndBeyondTheFarPole)
{
    auto p = CreateProjection(Conus());
    const Pair apex = Fwd(*p, 90, -96);
    const Pair south = Fwd(*p, -90, -96);
    const Case cases[] = {
        {"Albers: beyond the apex", Conus, kConus, Way::Inverse, {apex[0], apex[1] + 1000},
         {apex[0] + 1000, apex[1] - 1000}},
        {"Albers: past the far pole", Conus, kConus, Way::Inverse, {south[0], south[1] - 1000},
         {south[0], south[1] + 1000}},
    };
    for (const Case& c : cases)
        Check(c, c.singular, c.beside);
}

// The poles that are ordinary points of a class still convert both ways:
// the refusals above stop at the singular ones.
TEST(SingularPoints, OrdinaryPolesStillConvert)
{
    struct Row
    {
        const char* what;
        CCfgMapProjection (*record)();
        double pole;
        double lon;
    } const rows[] = {
        {"Lambert: the apex pole", Lambert93, 90, 3},
        {"Lambert, southern cone: the apex pole", LambertSouth, -90, 25},
        {"LAEA: north pole", EtrsLaea, 90, 10},
        {"LAEA: south pole", EtrsLaea, -90, 10},
        {"polar stereographic north: its pole", UpsNorth, 90, 0},
        {"polar stereographic south: its pole", UpsSouth, -90, 0},
        {"Hotine: north pole", Borneo, 90, 115},
        {"Swiss: north pole", Lv03, 90, 7},
        {"Swiss: south pole", Lv03, -90, 7},
        {"oblique stereographic: north pole", RdNew, 90, 5},
        {"Albers: north pole", Conus, 90, -96},
        {"Albers: south pole", Conus, -90, -96},
    };
    for (const Row& r : rows)
    {
        auto p = CreateProjection(r.record());
        const Pair xy = Fwd(*p, r.pole, r.lon);
        ASSERT_TRUE(std::isfinite(xy[0]) && std::isfinite(xy[1])) << r.what;
        const Pair back = Inv(*p, xy[0], xy[1]);
        EXPECT_NEAR(back[0], r.pole, 1e-7) << r.what;
    }
}

// Through the engine: a refused point leaves the coordinates as they were and
// says why, whichever side the projection is on; the point beside converts.
TEST(SingularPoints, TheEngineReportsTheRefusalAndKeepsTheInput)
{
    struct Row
    {
        const char* what;
        CCfgMapProjection (*record)();
        Pair singular; // latitude, longitude
        Pair beside;
    } const rows[] = {
        {"Lambert far pole", Lambert93, {-90, 3}, {-89.9, 3}},
        {"polar stereographic other pole", UpsNorth, {-90, 0}, {-89, 0}},
        {"Mercator pole", WorldMercator, {90, 10}, {89.99, 10}},
        {"LAEA antipode", EtrsLaea, {-52, -170}, {-51.5, -170}},
    };
    for (const Row& r : rows)
    {
        CProjections engine;
        engine.SetSource(CCfgMapProjection());
        engine.SetDestination(r.record());
        engine.latitude = r.singular[0];
        engine.longitude = r.singular[1];
        engine.easting = 12.5;
        engine.northing = 34.5;
        engine.Transform();
        EXPECT_FALSE(engine.Failure().empty()) << r.what;
        EXPECT_EQ(engine.easting, 12.5) << r.what;
        EXPECT_EQ(engine.northing, 34.5) << r.what;
        engine.latitude = r.beside[0];
        engine.longitude = r.beside[1];
        engine.Transform();
        EXPECT_TRUE(engine.Failure().empty()) << r.what << ": " << engine.Failure();
        const double x = engine.easting;
        const double y = engine.northing;

        // And back: the grid coordinate of the point beside converts, one
        // beyond the image of a conic does not.
        CProjections back;
        back.SetSource(r.record());
        back.SetDestination(CCfgMapProjection());
        back.easting = x;
        back.northing = y;
        back.Transform();
        EXPECT_TRUE(back.Failure().empty()) << r.what << ": " << back.Failure();
        // Next to the antipode the azimuthal inverse is ill-conditioned: a
        // rounding of the grid coordinate moves the point a centimetre.
        EXPECT_NEAR(back.latitude, r.beside[0], 1e-7) << r.what;
    }
    CProjections back;
    back.SetSource(Lambert93());
    back.SetDestination(CCfgMapProjection());
    auto p = CreateProjection(Lambert93());
    const Pair apex = Fwd(*p, 90, 3);
    back.easting = apex[0];
    back.northing = apex[1] + 1000;
    back.latitude = 1.5;
    back.Transform();
    EXPECT_FALSE(back.Failure().empty());
    EXPECT_EQ(back.latitude, 1.5);
}
