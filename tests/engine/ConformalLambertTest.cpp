#include <gtest/gtest.h>

#include "ConformalOracle.h"
#include "LengthUnits.h"
#include "ProjectionLambert.h"

using namespace conformal;

namespace {

CCfgMapProjection Jamaica(int id = 100)
{
    CCfgMapProjection r = Record(id, 6378206.4, 294.9786982);
    r.latitudeOrigin = 18;
    r.longitudeOrigin = -77;
    r.scaleFactor = 1;
    r.falseEasting = 250000;
    r.falseNorthing = 150000;
    return r;
}

CCfgMapProjection TexasSouthCentral()
{
    CCfgMapProjection r = Record(110, 6378206.4, 294.9786982);
    r.unitId = 9003;
    r.latitudeOrigin = Dms(27, 50);
    r.longitudeOrigin = -99;
    r.parallelNorth = Dms(28, 23);
    r.parallelSouth = Dms(30, 17);
    r.falseEasting = 2000000;
    return r;
}

CCfgMapProjection Belgian1972()
{
    CCfgMapProjection r = Record(111, 6378388, 297);
    r.latitudeOrigin = 90;
    r.longitudeOrigin = Dms(4, 21, 24.983);
    r.parallelNorth = Dms(49, 50);
    r.parallelSouth = Dms(51, 10);
    r.falseEasting = 150000.01;
    r.falseNorthing = 5400088.44;
    return r;
}

CCfgMapProjection AustralianLambert()
{
    CCfgMapProjection r = Record(110, 6378137, 298.257222101);
    r.longitudeOrigin = 134;
    r.parallelNorth = -18;
    r.parallelSouth = -36;
    return r;
}

} // namespace

// EPSG guidance note 7-2 examples for methods 9801, 9802 and 9803.
TEST(ConformalLambert, WorkedExamplesForwardAndBack)
{
    {
        auto p = CreateProjection(Jamaica());
        const double lat = Dms(17, 55, 55.80);
        const double lon = -Dms(76, 56, 37.26);
        const Pair xy = Fwd(*p, lat, lon);
        EXPECT_NEAR(xy[0], 255966.58, 0.005);
        EXPECT_NEAR(xy[1], 142493.51, 0.005);
        const Pair back = Inv(*p, 255966.58, 142493.51);
        EXPECT_NEAR(back[0], lat, 0.005 / 3600);
        EXPECT_NEAR(back[1], lon, 0.005 / 3600);
    }
    {
        // The grid is in US survey feet; the engine works in metres.
        auto p = CreateProjection(TexasSouthCentral());
        const Pair xy = Fwd(*p, 28.5, -96);
        EXPECT_NEAR(ToUnits(9003, xy[0]), 2963503.91, 0.005);
        EXPECT_NEAR(ToUnits(9003, xy[1]), 254759.80, 0.005);
        const Pair back = Inv(*p, FromUnits(9003, 2963503.91), FromUnits(9003, 254759.80));
        EXPECT_NEAR(back[0], 28.5, 1e-7);
        EXPECT_NEAR(back[1], -96, 1e-7);
    }
    {
        auto p = CreateProjection(Belgian1972());
        const double lat = Dms(50, 40, 46.461);
        const double lon = Dms(5, 48, 26.533);
        const Pair xy = Fwd(*p, lat, lon);
        EXPECT_NEAR(xy[0], 251763.20, 0.005);
        EXPECT_NEAR(xy[1], 153034.13, 0.005);
        const Pair back = Inv(*p, 251763.20, 153034.13);
        EXPECT_NEAR(back[0], lat, 0.0005 / 3600);
        EXPECT_NEAR(back[1], lon, 0.0005 / 3600);
    }
}

TEST(ConformalLambert, WestOrientatedMirrorsEastingsAboutTheFalseEasting)
{
    auto east = CreateProjection(Jamaica(100));
    auto west = CreateProjection(Jamaica(101));
    for (double lon : {-78.2, -77.0, -76.3})
    {
        const Pair pe = Fwd(*east, 18.2, lon);
        const Pair pw = Fwd(*west, 18.2, lon);
        EXPECT_NEAR(pw[0] - 250000, -(pe[0] - 250000), 1e-6);
        EXPECT_EQ(pw[1], pe[1]);
        const Pair back = Inv(*west, pw[0], pw[1]);
        EXPECT_NEAR(back[0], 18.2, 1e-9);
        EXPECT_NEAR(back[1], lon, 1e-9);
    }
}

TEST(ConformalLambert, LatitudeOfOriginAboveTheNorthPoleIsReduced)
{
    CCfgMapProjection at90 = Belgian1972();
    auto p90 = CreateProjection(at90);
    EXPECT_DOUBLE_EQ(p90->phi0, 90 * kDegToRad);

    CCfgMapProjection above = Jamaica(110);
    above.parallelNorth = 17;
    above.parallelSouth = 19;
    above.latitudeOrigin = 198; // 18 degrees once reduced by 180
    CCfgMapProjection plain = above;
    plain.latitudeOrigin = 18;
    auto pa = CreateProjection(above);
    auto pp = CreateProjection(plain);
    EXPECT_NEAR(pa->phi0, 18 * kDegToRad, 1e-15);
    const Pair xa = Fwd(*pa, 17.5, -76.5);
    const Pair xp = Fwd(*pp, 17.5, -76.5);
    EXPECT_NEAR(xa[0], xp[0], 1e-6);
    EXPECT_NEAR(xa[1], xp[1], 1e-6);
}

TEST(ConformalLambert, ScaleZeroIsOneAndOneParallelDefaultsToTheOrigin)
{
    CCfgMapProjection zero = Jamaica();
    zero.scaleFactor = 0;
    auto pz = CreateProjection(zero);
    auto p1 = CreateProjection(Jamaica());
    EXPECT_EQ(pz->k0, 1);
    EXPECT_EQ(pz->phi1, pz->phi0);
    const Pair a = Fwd(*pz, 18.4, -77.6);
    const Pair b = Fwd(*p1, 18.4, -77.6);
    EXPECT_EQ(a[0], b[0]);
    EXPECT_EQ(a[1], b[1]);
}

TEST(ConformalLambert, InverseOfNotANumberEnds)
{
    for (const CCfgMapProjection& r : {Jamaica(), AustralianLambert()})
    {
        auto p = CreateProjection(r);
        Inv(*p, NAN, 100000);
        EXPECT_TRUE(std::isnan(p->phi));
        Inv(*p, 100000, NAN);
        EXPECT_TRUE(std::isnan(p->phi));
    }
}

TEST(ConformalLambert, AgreesWithProj)
{
    CrossCheck(Jamaica(), "+proj=lcc +lat_1=18 +lat_0=18 +lon_0=-77 +k_0=1 +x_0=250000 +y_0=150000",
               {14, 22, -81, -73}, 0.0001);
    CCfgMapProjection west = Jamaica(101);
    west.falseEasting = 0;
    west.falseNorthing = 0;
    CrossCheck(west, "+proj=lcc +lat_1=18 +lat_0=18 +lon_0=-77 +k_0=1 +x_0=0 +y_0=0 +axis=wnu",
               {14, 22, -81, -73}, 0.0001);
    CrossCheck(TexasSouthCentral(),
               "+proj=lcc +lat_0=27.8333333333333333 +lon_0=-99 +lat_1=28.383333333333333 "
               "+lat_2=30.283333333333333 +x_0=609601.21920243844 +y_0=0",
               {27.0, 31.0, -101, -93}, 0.0001);
    CrossCheck(AustralianLambert(), "+proj=lcc +lat_0=0 +lon_0=134 +lat_1=-18 +lat_2=-36 +x_0=0 +y_0=0",
               {-44, -10, 112, 154}, 0.0001);
    // PROJ's cone has no rotation; turning the central meridian by the
    // rotation over the cone constant gives the same cone.
    const auto belgian = CreateProjection(Belgian1972());
    const double n = dynamic_cast<CProjectionLambert&>(*belgian).n;
    const double lon0 = Dms(4, 21, 24.983) + Dms(0, 0, 29.2985) / n;
    CrossCheck(Belgian1972(),
               "+proj=lcc +lat_0=90 +lon_0=" + Num(lon0) +
                   " +lat_1=49.833333333333333 +lat_2=51.166666666666667 +x_0=150000.01 +y_0=5400088.44",
               {49.3, 51.7, 2.3, 6.6}, 0.0001);
}
