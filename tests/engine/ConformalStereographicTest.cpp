#include <gtest/gtest.h>

#include "ConformalOracle.h"

using namespace conformal;

namespace {

// Amersfoort / RD New, the guidance note's oblique stereographic example.
CCfgMapProjection RdNew()
{
    CCfgMapProjection r = Record(TranslateProjectionCode(9809), 6377397.155, 299.15281);
    r.latitudeOrigin = Dms(52, 9, 22.178);
    r.longitudeOrigin = Dms(5, 23, 15.500);
    r.scaleFactor = 0.9999079;
    r.falseEasting = 155000;
    r.falseNorthing = 463000;
    return r;
}

CCfgMapProjection SouthernStereo()
{
    CCfgMapProjection r = Record(210, 6378137, 298.257223563);
    r.latitudeOrigin = -30;
    r.longitudeOrigin = 25;
    r.scaleFactor = 1;
    return r;
}

CCfgMapProjection UpsNorth()
{
    CCfgMapProjection r = Record(TranslateProjectionCode(9810), 6378137, 298.257223563);
    r.latitudeOrigin = 90;
    r.scaleFactor = 0.994;
    r.falseEasting = 2000000;
    r.falseNorthing = 2000000;
    return r;
}

CCfgMapProjection TrueScaleSouth(double lon0, double fe)
{
    CCfgMapProjection r = Record(TranslateProjectionCode(9829), 6378137, 298.257223563);
    r.latitudeOrigin = -71;
    r.longitudeOrigin = lon0;
    r.falseEasting = fe;
    r.falseNorthing = fe;
    return r;
}

} // namespace

TEST(ConformalObliqueStereo, WorkedExampleForwardAndBack)
{
    auto p = CreateProjection(RdNew());
    const Pair xy = Fwd(*p, 53, 6);
    EXPECT_NEAR(xy[0], 196105.283, 0.0005);
    EXPECT_NEAR(xy[1], 557057.739, 0.0005);
    const Pair back = Inv(*p, 196105.283, 557057.739);
    EXPECT_NEAR(back[0], 53, 1e-8);
    EXPECT_NEAR(back[1], 6, 1e-8);
    const Pair origin = Fwd(*p, Dms(52, 9, 22.178), Dms(5, 23, 15.500));
    EXPECT_NEAR(origin[0], 155000, 1e-6);
    EXPECT_NEAR(origin[1], 463000, 1e-6);
}

TEST(ConformalObliqueStereo, FalseOriginInvertsToTheOrigin)
{
    auto p = CreateProjection(RdNew());
    Inv(*p, 155000, 463000);
    EXPECT_EQ(p->phi, p->phi0);
    EXPECT_EQ(p->lambda, p->lambda0);
    // A millimetre away the point is still the origin to a nanodegree.
    const Pair near = Inv(*p, 155000.001, 463000.001);
    EXPECT_NEAR(near[0], Dms(52, 9, 22.178), 1e-7);
    EXPECT_NEAR(near[1], Dms(5, 23, 15.500), 1e-7);
    // At the origin itself the forward gives the false origin, not 0/0.
    p->phi = p->phi0;
    p->lambda = p->lambda0;
    p->Forward();
    EXPECT_EQ(p->x, 155000);
    EXPECT_EQ(p->y, 463000);
}

TEST(ConformalObliqueStereo, SouthernOriginRoundTrip)
{
    auto p = CreateProjection(SouthernStereo());
    const Pair xy = Fwd(*p, -31, 26);
    EXPECT_GT(xy[0], 0);
    EXPECT_LT(xy[1], 0);
    const Pair back = Inv(*p, xy[0], xy[1]);
    EXPECT_NEAR(back[0], -31, 1e-9);
    EXPECT_NEAR(back[1], 26, 1e-9);
}

TEST(ConformalObliqueStereo, AgreesWithProjWithin500Kilometres)
{
    CrossCheck(RdNew(),
               "+proj=sterea +lat_0=52.156160555555556 +lon_0=5.3876388888888889 +k=0.9999079 +x_0=155000 "
               "+y_0=463000",
               {47.8, 56.5, -1.8, 12.6}, 0.0001);
    CrossCheck(SouthernStereo(), "+proj=sterea +lat_0=-30 +lon_0=25 +k=1 +x_0=0 +y_0=0",
               {-34.5, -25.5, 19.8, 30.2}, 0.0001);
}

TEST(ConformalPolarStereo, WorkedExamplesOfBothVariants)
{
    {
        auto p = CreateProjection(UpsNorth());
        const Pair xy = Fwd(*p, 73, 44);
        EXPECT_NEAR(xy[0], 3320416.747, 0.0005);
        EXPECT_NEAR(xy[1], 632668.431, 0.0005);
        const Pair back = Inv(*p, 3320416.747, 632668.431);
        // Half a millimetre, the rounding of the printed grid coordinates,
        // is 2e-8 degree of longitude this far north.
        EXPECT_NEAR(back[0], 73, 1e-8);
        EXPECT_NEAR(back[1], 44, 3e-8);
    }
    {
        auto p = CreateProjection(TrueScaleSouth(70, 6000000));
        const Pair xy = Fwd(*p, -75, 120);
        EXPECT_NEAR(xy[0], 7255380.793, 0.0005);
        EXPECT_NEAR(xy[1], 7053389.561, 0.0005);
        const Pair back = Inv(*p, 7255380.793, 7053389.561);
        EXPECT_NEAR(back[0], -75, 1e-8);
        EXPECT_NEAR(back[1], 120, 3e-8);
    }
}

TEST(ConformalPolarStereo, PoleMapsToTheFalseOriginAndBack)
{
    auto p = CreateProjection(UpsNorth());
    const Pair xy = Fwd(*p, 90, 10);
    EXPECT_NEAR(xy[0], 2000000, 1e-6);
    EXPECT_NEAR(xy[1], 2000000, 1e-6);
    const Pair back = Inv(*p, 2000000, 2000000);
    EXPECT_EQ(back[0], 90);
    EXPECT_NEAR(back[1], 180, 1e-12);

    auto s = CreateProjection(TrueScaleSouth(70, 6000000));
    const Pair south = Inv(*s, 6000000, 6000000);
    EXPECT_EQ(south[0], -90);
}

TEST(ConformalPolarStereo, ScaleFactorIsTakenUnchangedAndNotANumberEnds)
{
    CCfgMapProjection zero = TrueScaleSouth(0, 0);
    zero.scaleFactor = 0;
    auto p = CreateProjection(zero);
    EXPECT_EQ(p->k0, 0);
    // The variant with a latitude of true scale does not use it.
    const Pair xy = Fwd(*p, -80, 30);
    EXPECT_TRUE(std::isfinite(xy[0]) && std::isfinite(xy[1]));
    Inv(*p, NAN, 0);
    EXPECT_TRUE(std::isnan(p->phi));
    auto ups = CreateProjection(UpsNorth());
    Inv(*ups, 2100000, NAN);
    EXPECT_TRUE(std::isnan(ups->phi));
}

TEST(ConformalPolarStereo, AgreesWithProj)
{
    CrossCheck(UpsNorth(), "+proj=stere +lat_0=90 +lon_0=0 +k=0.994 +x_0=2000000 +y_0=2000000",
               {85.5, 89.9, -180, 180, 20, 25}, 0.0001);
    CCfgMapProjection upsSouth = UpsNorth();
    upsSouth.latitudeOrigin = -90;
    CrossCheck(upsSouth, "+proj=stere +lat_0=-90 +lon_0=0 +k=0.994 +x_0=2000000 +y_0=2000000",
               {-89.9, -85.5, -180, 180, 20, 25}, 0.0001);
    CrossCheck(TrueScaleSouth(0, 0), "+proj=stere +lat_0=-90 +lat_ts=-71 +lon_0=0 +x_0=0 +y_0=0",
               {-89.9, -60, -180, 180, 20, 25}, 0.0001);
    CrossCheck(TrueScaleSouth(70, 6000000), "+proj=stere +lat_0=-90 +lat_ts=-71 +lon_0=70 +x_0=6000000 +y_0=6000000",
               {-89.9, -60, -180, 180, 20, 25}, 0.0001);
    CCfgMapProjection nsidc = Record(220, 6378137, 298.257223563);
    nsidc.latitudeOrigin = 70;
    nsidc.longitudeOrigin = -45;
    CrossCheck(nsidc, "+proj=stere +lat_0=90 +lat_ts=70 +lon_0=-45 +x_0=0 +y_0=0", {60, 89.9, -180, 180, 20, 25},
               0.0001);
}
