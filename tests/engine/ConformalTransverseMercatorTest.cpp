#include <gtest/gtest.h>

#include "ConformalOracle.h"

using namespace conformal;

namespace {

CCfgMapProjection Utm31()
{
    CCfgMapProjection r = Record(160, 6378137.0, 298.257223563);
    r.longitudeOrigin = 3;
    r.scaleFactor = 0.9996;
    r.falseEasting = 500000;
    return r;
}

CCfgMapProjection BritishNationalGrid()
{
    CCfgMapProjection r = Record(160, 6377563.396, 299.3249646);
    r.latitudeOrigin = 49;
    r.longitudeOrigin = -2;
    r.scaleFactor = 0.9996012717;
    r.falseEasting = 400000;
    r.falseNorthing = -100000;
    return r;
}

CCfgMapProjection Lo29()
{
    CCfgMapProjection r = Record(161, 6378137.0, 298.257223563);
    r.longitudeOrigin = 29;
    r.scaleFactor = 1;
    return r;
}

} // namespace

// EPSG guidance note 7-2 examples, at the millimetre they are printed to.
TEST(ConformalTransverseMercator, WorkedExamplesForwardAndBack)
{
    {
        auto p = CreateProjection(Utm31());
        const Pair xy = Fwd(*p, 52, 5);
        EXPECT_NEAR(xy[0], 637294.366, 0.0005);
        EXPECT_NEAR(xy[1], 5762926.813, 0.0005);
        const Pair back = Inv(*p, xy[0], xy[1]);
        EXPECT_NEAR(back[0], 52, 1e-8);
        EXPECT_NEAR(back[1], 5, 1e-8);
    }
    {
        auto p = CreateProjection(BritishNationalGrid());
        const Pair xy = Fwd(*p, 50.5, 0.5);
        // Printed to the centimetre in the guidance note.
        EXPECT_NEAR(xy[0], 577274.98, 0.005);
        EXPECT_NEAR(xy[1], 69740.49, 0.005);
        const Pair back = Inv(*p, xy[0], xy[1]);
        EXPECT_NEAR(back[0], 50.5, 1e-8);
        EXPECT_NEAR(back[1], 0.5, 1e-8);
    }
    {
        auto p = CreateProjection(Lo29());
        const double lat = -Dms(25, 43, 55.302);
        const double lon = Dms(28, 16, 57.479);
        const Pair xy = Fwd(*p, lat, lon);
        EXPECT_NEAR(xy[0], 71984.480, 0.0005); // westing
        EXPECT_NEAR(xy[1], 2847342.735, 0.0005); // southing
        const Pair back = Inv(*p, 71984.480, 2847342.735);
        // The input is printed to a thousandth of an arc second.
        EXPECT_NEAR(back[0], lat, 0.0005 / 3600);
        EXPECT_NEAR(back[1], lon, 0.0005 / 3600);
    }
}

TEST(ConformalTransverseMercator, SouthOrientatedMirrorsTheNormalGridAndKeepsItsFalseOrigin)
{
    CCfgMapProjection south = Lo29();
    south.falseEasting = 1000;
    south.falseNorthing = 2000;
    CCfgMapProjection normal = south;
    normal.projectionId = 160;
    auto s = CreateProjection(south);
    auto n = CreateProjection(normal);
    for (double lon : {27.5, 29.0, 30.75})
    {
        const Pair ps = Fwd(*s, -26, lon);
        const Pair pn = Fwd(*n, -26, lon);
        EXPECT_NEAR(ps[0] - 1000, -(pn[0] - 1000), 1e-6);
        EXPECT_NEAR(ps[1] - 2000, -(pn[1] - 2000), 1e-6);
        const Pair back = Inv(*s, ps[0], ps[1]);
        EXPECT_NEAR(back[0], -26, 1e-10);
        EXPECT_NEAR(back[1], lon, 1e-10);
    }
}

TEST(ConformalTransverseMercator, CentralMeridianAndScaleZero)
{
    auto p = CreateProjection(Utm31());
    // Within a tenth of a millimetre of the central meridian a point lies on it.
    for (double dx : {0.0, 0.00005, -0.00009})
    {
        Inv(*p, 500000 + dx, 5500000);
        EXPECT_EQ(p->lambda, 3 * kDegToRad) << dx;
    }
    Inv(*p, 500000.0002, 5500000);
    EXPECT_GT(p->lambda, 3 * kDegToRad);

    CCfgMapProjection zero = Utm31();
    zero.scaleFactor = 0;
    CCfgMapProjection one = Utm31();
    one.scaleFactor = 1;
    auto pz = CreateProjection(zero);
    auto po = CreateProjection(one);
    EXPECT_EQ(pz->k0, 1);
    const Pair a = Fwd(*pz, 48, 6);
    const Pair b = Fwd(*po, 48, 6);
    EXPECT_EQ(a[0], b[0]);
    EXPECT_EQ(a[1], b[1]);
}

TEST(ConformalTransverseMercator, NotANumberFlowsThrough)
{
    auto p = CreateProjection(Utm31());
    Inv(*p, NAN, 5000000);
    EXPECT_TRUE(std::isnan(p->phi) || std::isnan(p->lambda));
    Fwd(*p, NAN, 3);
    EXPECT_TRUE(std::isnan(p->y));
}

// The series against PROJ's exact transverse Mercator over the areas of use
// of three real grids: a hundredth of a millimetre within 3 degrees of the
// central meridian, and the series' own truncation (largest on the equator,
// about 0.024 mm) out to 4 degrees.
TEST(ConformalTransverseMercator, AgreesWithProjWithinFourDegrees)
{
    const std::string utm = "+proj=tmerc +lat_0=0 +lon_0=3 +k_0=0.9996 +x_0=500000 +y_0=0";
    CrossCheck(Utm31(), utm, {-80, 84, 0, 6, 42, 9}, 0.00001);
    CrossCheck(Utm31(), utm, {-80, 84, -1, 7, 42, 9}, 0.00003);
    CrossCheck(BritishNationalGrid(),
               "+proj=tmerc +lat_0=49 +lon_0=-2 +k_0=0.9996012717 +x_0=400000 +y_0=-100000",
               {49.8, 60.9, -6, 2, 20, 15}, 0.00003);
    CrossCheck(Lo29(), "+proj=tmerc +lat_0=0 +lon_0=29 +k_0=1 +x_0=0 +y_0=0 +axis=wsu",
               {-35, -22, 26, 32, 20, 13}, 0.00001);
}

// Beyond 4 degrees the series drifts from the exact projection; it stays
// within a millimetre out to 6 degrees.
TEST(ConformalTransverseMercator, StaysWithinAMillimetreOfProjToSixDegrees)
{
    CrossCheck(Utm31(), "+proj=tmerc +lat_0=0 +lon_0=3 +k_0=0.9996 +x_0=500000 +y_0=0",
               {0, 84, -3, 9, 22, 13}, 0.001, 1e-8);
}
