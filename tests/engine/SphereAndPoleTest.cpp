#include <gtest/gtest.h>

#include <cmath>

#include "ConformalOracle.h"

using namespace conformal;

namespace {

constexpr double kSphereRadius = 6370997; // EPSG's "Sphere" (7052), PROJ's +R
constexpr double kWgs84A = 6378137;
constexpr double kWgs84Rf = 298.257223563;

CCfgMapProjection Grid(int id, double rf, double lat0, double lon0, double k0, double fe, double fn,
                       double parallelNorth = 0, double parallelSouth = 0)
{
    CCfgMapProjection r = Record(id, rf == 0 ? kSphereRadius : kWgs84A, rf);
    r.latitudeOrigin = lat0;
    r.longitudeOrigin = lon0;
    r.scaleFactor = k0;
    r.falseEasting = fe;
    r.falseNorthing = fn;
    r.parallelNorth = parallelNorth;
    r.parallelSouth = parallelSouth;
    return r;
}

} // namespace

// Every conformal and conic class on a sphere (inverse flattening 0), as the
// catalogue's sphere ellipsoids give them: finite numbers, and PROJ's own
// sphere results to a millimetre.
TEST(Sphere, ConformalAndConicClassesAgreeWithCs2cs)
{
    // Transverse Mercator (and south orientated), exact on the sphere even 20 degrees out.
    CrossCheck(Grid(160, 0, 10, 20, 0.9996, 500000, 0), "+proj=tmerc +lat_0=10 +lon_0=20 +k=0.9996 +x_0=500000",
               {-60, 70, 0, 40, 12, 9}, 0.001);
    CrossCheck(Grid(161, 0, 0, 25, 1, 0, 0), "+proj=tmerc +lon_0=25 +axis=wsu", {-35, -20, 20, 30, 6, 6}, 0.001);
    // Lambert conic conformal, one and two standard parallels.
    CrossCheck(Grid(100, 0, 46.8, 2.337229, 0.99987742, 600000, 2200000),
               "+proj=lcc +lat_1=46.8 +lat_0=46.8 +lon_0=2.337229 +k_0=0.99987742 +x_0=600000 +y_0=2200000",
               {42, 51, -5, 9, 8, 8}, 0.001);
    CrossCheck(Grid(110, 0, 23, -96, 0, 0, 0, 33, 45),
               "+proj=lcc +lat_0=23 +lon_0=-96 +lat_1=33 +lat_2=45", {25, 50, -125, -67, 8, 8}, 0.001);
    // Oblique Mercator: variant A (natural origin) and variant B (projection centre).
    CCfgMapProjection hotineA = Grid(180, 0, 4, 115, 0.99984, 0, 0);
    hotineA.azimuth = 53.31582047;
    hotineA.rectifiedGridAngle = 53.13010236;
    CrossCheck(hotineA, "+proj=omerc +no_uoff +lat_0=4 +lonc=115 +alpha=53.31582047 +gamma=53.13010236 +k=0.99984",
               {1, 7, 109, 119, 7, 7}, 0.001);
    CCfgMapProjection hotineB = Grid(170, 0, 4, 115, 0.99984, 590476.87, 442857.65);
    hotineB.azimuth = 53.31582047;
    hotineB.rectifiedGridAngle = 53.13010236;
    CrossCheck(hotineB,
               "+proj=omerc +lat_0=4 +lonc=115 +alpha=53.31582047 +gamma=53.13010236 +k=0.99984 +x_0=590476.87 "
               "+y_0=442857.65",
               {1, 7, 109, 119, 7, 7}, 0.001);
    // Swiss oblique cylindrical.
    CrossCheck(Grid(190, 0, 46.952405555555556, 7.439583333333333, 1, 600000, 200000),
               "+proj=somerc +lat_0=46.952405555555556 +lon_0=7.439583333333333 +k_0=1 +x_0=600000 +y_0=200000",
               {45.5, 48, 5.5, 10.5, 6, 6}, 0.001);
    // Oblique stereographic.
    CrossCheck(Grid(210, 0, 52.15616055555555, 5.38763888888889, 0.9999079, 155000, 463000),
               "+proj=sterea +lat_0=52.15616055555555 +lon_0=5.38763888888889 +k=0.9999079 +x_0=155000 +y_0=463000",
               {50, 54, 2, 8, 6, 6}, 0.001);
    // Albers equal area, whose ellipsoidal q has the limit 2 sin(phi) at e = 0.
    CrossCheck(Grid(130, 0, 23, -96, 0, 0, 0, 29.5, 45.5), "+proj=aea +lat_0=23 +lon_0=-96 +lat_1=29.5 +lat_2=45.5",
               {20, 55, -125, -65, 8, 8}, 0.001);
    // Polar stereographic, which had its limit at e = 0 already.
    CrossCheck(Grid(220, 0, 90, 0, 0.994, 2000000, 2000000),
               "+proj=stere +lat_0=90 +lat_ts=90 +lon_0=0 +k=0.994 +x_0=2000000 +y_0=2000000",
               {60, 89, -170, 170, 6, 8}, 0.001);
}

// The oblique stereographic with its origin at a pole is the polar
// stereographic: PROJ's sterea at lat_0 = 90 gives (0, 89) at y = -111696.700
// on WGS 84; the oblique formulas alone gave 0 0 there and no number at -90.
TEST(ObliqueStereographic, OriginAtEitherPole)
{
    auto north = CreateProjection(Grid(210, kWgs84Rf, 90, 0, 1, 0, 0));
    Pair xy = Fwd(*north, 89, 0);
    EXPECT_NEAR(xy[0], 0, 1e-6);
    EXPECT_NEAR(xy[1], -111696.700, 0.001);
    auto south = CreateProjection(Grid(210, kWgs84Rf, -90, 0, 1, 0, 0));
    xy = Fwd(*south, -89, 0);
    EXPECT_NEAR(xy[0], 0, 1e-6);
    EXPECT_NEAR(xy[1], 111696.700, 0.001);
    // The origin itself is the false origin, and comes back as the pole.
    xy = Fwd(*south, -90, 40);
    EXPECT_NEAR(xy[0], 0, 1e-6);
    EXPECT_NEAR(xy[1], 0, 1e-6);

    // All round each pole, on the ellipsoid and on the sphere.
    CrossCheck(Grid(210, kWgs84Rf, 90, -45, 0.9999, 500000, 500000),
               "+proj=sterea +lat_0=90 +lon_0=-45 +k=0.9999 +x_0=500000 +y_0=500000", {50, 89.5, -175, 175, 8, 15},
               0.001);
    CrossCheck(Grid(210, kWgs84Rf, -90, 30, 1, 0, 0), "+proj=sterea +lat_0=-90 +lon_0=30 +k=1",
               {-89.5, -55, -175, 175, 8, 15}, 0.001);
    CrossCheck(Grid(210, 0, -90, 30, 1, 0, 0), "+proj=sterea +lat_0=-90 +lon_0=30 +k=1",
               {-89.5, -55, -175, 175, 8, 15}, 0.001);
}
