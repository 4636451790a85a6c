#include <gtest/gtest.h>

#include <cmath>

#include "ConformalOracle.h"
#include "Projections.h"

using namespace conformal;

namespace {

CCfgMapProjection Grid(int id, double a, double rf, double lat0, double lon0, double k0, double fe, double fn,
                       double parallelNorth = 0, double parallelSouth = 0)
{
    CCfgMapProjection r = Record(id, a, rf);
    r.latitudeOrigin = lat0;
    r.longitudeOrigin = lon0;
    r.scaleFactor = k0;
    r.falseEasting = fe;
    r.falseNorthing = fn;
    r.parallelNorth = parallelNorth;
    r.parallelSouth = parallelSouth;
    return r;
}

// Fiji Map Grid (EPSG:3460): its central meridian 178.75 E, its area of use
// reaching across 180 to 178 W.
CCfgMapProjection FijiMapGrid()
{
    return Grid(160, 6378135, 298.26, -17, 178.75, 0.99985, 2000000, 4000000);
}

} // namespace

// Points on the far side of the antimeridian from the central meridian: the
// longitude difference is taken the short way round, as PROJ takes it.
TEST(Antimeridian, GridsWhoseAreaCrossesItAgreeWithCs2cs)
{
    // Fiji Map Grid at 179.5 W, 17.5 S: PROJ's 2185844.903 3943818.679 (on WGS 72,
    // the grid's ellipsoid), billions of metres before the longitude was reduced.
    auto fiji = CreateProjection(FijiMapGrid());
    const Pair at = Fwd(*fiji, -17.5, -179.5);
    EXPECT_NEAR(at[0], 2185844.903, 0.001);
    EXPECT_NEAR(at[1], 3943818.679, 0.001);

    CrossCheck(FijiMapGrid(), "+proj=tmerc +lat_0=-17 +lon_0=178.75 +k=0.99985 +x_0=2000000 +y_0=4000000",
               {-20, -12, -179.9, -178, 9, 8}, 0.001);
    // UTM zone 1 south and zone 60 south, each across the line from its own side
    // (the series' round trip 3 degrees out at 60 S is 1.3e-9 degrees).
    CrossCheck(Grid(160, 6378137, 298.257223563, 0, -177, 0.9996, 500000, 10000000),
               "+proj=utm +zone=1 +south", {-60, -10, 178, 180, 9, 5}, 0.001, 3e-9);
    CrossCheck(Grid(160, 6378137, 298.257223563, 0, 177, 0.9996, 500000, 10000000),
               "+proj=utm +zone=60 +south", {-60, -10, -180, -178, 9, 5}, 0.001, 3e-9);
    // South orientated transverse Mercator, the same reduction in the other sign.
    CrossCheck(Grid(161, 6378137, 298.257223563, 0, 177, 1, 0, 0), "+proj=tmerc +lon_0=177 +axis=wsu",
               {-40, -10, -179.5, -178, 7, 4}, 0.001);
    // Lambert conic conformal: NAD83 / Alaska zone 10 (EPSG:26940), on the Aleutians west of 180.
    CrossCheck(Grid(110, 6378137, 298.257222101, 51, -176, 0, 1000000, 0, 53.8333333333333, 51.8333333333333),
               "+proj=lcc +lat_0=51 +lon_0=-176 +lat_1=53.8333333333333 +lat_2=51.8333333333333 +x_0=1000000",
               {51, 55, 172, 180, 5, 9}, 0.001);
    // Mercator: PDC Mercator (EPSG:3832), central meridian 150 E, out to the Americas.
    CrossCheck(Grid(140, 6378137, 298.257223563, 0, 150, 1, 0, 0), "+proj=merc +lon_0=150",
               {-60, 60, -179, -100, 7, 9}, 0.001);
}

TEST(Antimeridian, ForwardOfEveryClassIsPeriodicInLongitude)
{
    // A longitude given 360 degrees away is the same point: every projection
    // identifier, on the ellipsoid, maps both to the same grid coordinate.
    const int ids[] = {100, 101, 110, 120, 130, 140, 150, 160, 161, 170, 180, 190, 210, 220, 230,
                       240, 250, 260, 271, 272, 273, 274, 275, 276, 281, 290, 300, 310, 320, 330, 340, 350, 360, 370};
    for (int id : ids)
    {
        CCfgMapProjection r = Grid(id, 6378137, 298.257223563, 40, 20, 0.9996, 500000, 100000, 42, 38);
        r.azimuth = 30;
        r.rectifiedGridAngle = 30;
        auto p = CreateProjection(r);
        const Pair near = Fwd(*p, 41, 23);
        const Pair far = Fwd(*p, 41, 23 + 360);
        const Pair west = Fwd(*p, 41, 23 - 720);
        EXPECT_NEAR(far[0], near[0], 1e-6) << id;
        EXPECT_NEAR(far[1], near[1], 1e-6) << id;
        EXPECT_NEAR(west[0], near[0], 1e-6) << id;
        EXPECT_NEAR(west[1], near[1], 1e-6) << id;
    }
}

TEST(Antimeridian, GridInverseGivesLongitudesWithinHalfATurn)
{
    // Through the engine: a Fiji grid coordinate east of 180 comes back as a
    // west longitude, not as 180.5.
    CCfgMapProjection grid = FijiMapGrid();
    grid.semiMajorAxis = 6378137;
    grid.inverseFlattening = 298.257223563;
    CProjections engine;
    engine.SetSource(grid);
    engine.SetDestination(CCfgMapProjection());
    auto fiji = CreateProjection(grid);
    for (double lon : {-179.5, -178.2, 179.9, 177.5})
    {
        const Pair xy = Fwd(*fiji, -17.5, lon);
        engine.easting = xy[0];
        engine.northing = xy[1];
        engine.height = 0;
        engine.Transform();
        ASSERT_EQ(engine.Failure(), "");
        EXPECT_NEAR(engine.longitude, lon, 1e-9);
        EXPECT_LE(std::fabs(engine.longitude), 180);
        EXPECT_NEAR(engine.latitude, -17.5, 1e-9);
    }
}
