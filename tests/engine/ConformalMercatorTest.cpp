#include <gtest/gtest.h>

#include "ConformalOracle.h"

using namespace conformal;

namespace {

CCfgMapProjection Batavia()
{
    CCfgMapProjection r = Record(140, 6377397.155, 299.1528128);
    r.longitudeOrigin = 110;
    r.scaleFactor = 0.997;
    r.falseEasting = 3900000;
    r.falseNorthing = 900000;
    return r;
}

CCfgMapProjection Caspian()
{
    CCfgMapProjection r = Record(150, 6378245, 298.3);
    r.longitudeOrigin = 51;
    r.parallelNorth = 42;
    return r;
}

CCfgMapProjection Sphere(double parallel)
{
    CCfgMapProjection r = Record(150, 6371000, 0);
    r.parallelNorth = parallel;
    return r;
}

} // namespace

// EPSG guidance note 7-2 examples for variants A and B, and the sphere.
TEST(ConformalMercator, WorkedExamplesForwardAndBack)
{
    {
        auto p = CreateProjection(Batavia());
        const Pair xy = Fwd(*p, -3, 120);
        EXPECT_NEAR(xy[0], 5009726.583, 0.0005);
        EXPECT_NEAR(xy[1], 569150.819, 0.0005);
        const Pair back = Inv(*p, 5009726.583, 569150.819);
        EXPECT_NEAR(back[0], -3, 1e-8);
        EXPECT_NEAR(back[1], 120, 1e-8);
    }
    {
        auto p = CreateProjection(Caspian());
        const Pair xy = Fwd(*p, 53, 53);
        EXPECT_NEAR(xy[0], 165704.293, 0.0005);
        EXPECT_NEAR(xy[1], 5171848.073, 0.0005);
        const Pair back = Inv(*p, 165704.293, 5171848.073);
        EXPECT_NEAR(back[0], 53, 1e-8);
        EXPECT_NEAR(back[1], 53, 1e-8);
    }
    {
        auto p = CreateProjection(Sphere(0));
        EXPECT_TRUE(p->isSphere);
        const Pair xy = Fwd(*p, 53, 53);
        EXPECT_NEAR(xy[0], 5893331.112, 0.0005);
        EXPECT_NEAR(xy[1], 6975184.094, 0.0005);
        const Pair back = Inv(*p, 5893331.112, 6975184.094);
        EXPECT_NEAR(back[0], 53, 1e-8);
        EXPECT_NEAR(back[1], 53, 1e-8);
    }
}

TEST(ConformalMercator, ScaleFactorRules)
{
    CCfgMapProjection zero = Batavia();
    zero.scaleFactor = 0;
    EXPECT_EQ(CreateProjection(zero)->k0, 1);
    // Variant B ignores a scale factor and derives it from the parallel.
    CCfgMapProjection b = Caspian();
    b.scaleFactor = 0.5;
    const double e2 = 2 / 298.3 - 1 / (298.3 * 298.3);
    const double s = std::sin(42 * kDegToRad);
    EXPECT_NEAR(CreateProjection(b)->k0, std::cos(42 * kDegToRad) / std::sqrt(1 - e2 * s * s), 1e-15);
    // A southern parallel gives the same scale as its northern mirror.
    b.parallelNorth = -42;
    EXPECT_NEAR(CreateProjection(b)->k0, std::cos(42 * kDegToRad) / std::sqrt(1 - e2 * s * s), 1e-15);
    // On the sphere the parallel is true to scale as well.
    EXPECT_NEAR(CreateProjection(Sphere(42))->k0, std::cos(42 * kDegToRad), 1e-15);
}

TEST(ConformalMercator, AgreesWithProj)
{
    CrossCheck(Batavia(), "+proj=merc +lon_0=110 +k_0=0.997 +x_0=3900000 +y_0=900000", {-11, 6, 94, 141, 20, 20},
               0.0001);
    CrossCheck(Caspian(), "+proj=merc +lat_ts=42 +lon_0=51 +x_0=0 +y_0=0", {35, 48, 46, 56}, 0.0001);
    CrossCheck(Sphere(0), "+proj=merc +lat_ts=0 +lon_0=0 +x_0=0 +y_0=0", {-80, 80, -179, 179}, 0.0001);
    CrossCheck(Sphere(42), "+proj=merc +lat_ts=42 +lon_0=0 +x_0=0 +y_0=0", {-80, 80, -179, 179}, 0.0001);
}
