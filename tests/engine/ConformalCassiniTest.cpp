#include <gtest/gtest.h>

#include "ConformalOracle.h"
#include "LengthUnits.h"

using namespace conformal;

namespace {

// Trinidad 1903 / Trinidad Grid: Clarke 1858 given in Clarke's feet, the
// grid in Clarke's links.
CCfgMapProjection Trinidad()
{
    const double aFeet = 20926348;
    const double bFeet = 20855233;
    CCfgMapProjection r = Record(TranslateProjectionCode(9806), FromUnits(9005, aFeet), aFeet / (aFeet - bFeet));
    r.unitId = 9039;
    r.latitudeOrigin = Dms(10, 26, 30);
    r.longitudeOrigin = -Dms(61, 20);
    r.falseEasting = 430000;
    r.falseNorthing = 325000;
    return r;
}

CCfgMapProjection Sphere()
{
    CCfgMapProjection r = Record(230, 6371000, 0);
    r.latitudeOrigin = 10;
    return r;
}

} // namespace

TEST(ConformalCassini, WorkedExamplesForwardAndBack)
{
    {
        auto p = CreateProjection(Trinidad());
        EXPECT_FALSE(p->isSphere);
        const Pair xy = Fwd(*p, 10, -62);
        EXPECT_NEAR(ToUnits(9039, xy[0]), 66644.94, 0.005);
        EXPECT_NEAR(ToUnits(9039, xy[1]), 82536.22, 0.005);
        const Pair back = Inv(*p, FromUnits(9039, 66644.94), FromUnits(9039, 82536.22));
        EXPECT_NEAR(back[0], 10, 1e-7);
        EXPECT_NEAR(back[1], -62, 1e-7);
    }
    {
        auto p = CreateProjection(Sphere());
        EXPECT_TRUE(p->isSphere);
        const Pair xy = Fwd(*p, 20, 15);
        EXPECT_NEAR(xy[0], 1565190.398, 0.0005);
        EXPECT_NEAR(xy[1], 1183880.874, 0.0005);
        const Pair back = Inv(*p, 1565190.398, 1183880.874);
        // Half a millimetre, the rounding of the printed grid coordinates.
        EXPECT_NEAR(back[0], 20, 1e-8);
        EXPECT_NEAR(back[1], 15, 1e-8);
    }
}

TEST(ConformalCassini, OriginIsTheFalseOrigin)
{
    for (const CCfgMapProjection& r : {Trinidad(), Sphere()})
    {
        auto p = CreateProjection(r);
        const Pair xy = Fwd(*p, r.latitudeOrigin, r.longitudeOrigin);
        EXPECT_NEAR(xy[0], p->fe, 1e-6);
        EXPECT_NEAR(xy[1], p->fn, 1e-6);
        const Pair back = Inv(*p, p->fe, p->fn);
        EXPECT_NEAR(back[0], r.latitudeOrigin, 1e-9);
        EXPECT_NEAR(back[1], r.longitudeOrigin, 1e-9);
    }
}

TEST(ConformalCassini, AgreesWithProj)
{
    const CCfgMapProjection t = Trinidad();
    CrossCheck(t,
               "+proj=cass +lat_0=10.441666666666667 +lon_0=-61.333333333333333 +x_0=" +
                   Num(FromUnits(9039, 430000)) + " +y_0=" + Num(FromUnits(9039, 325000)),
               {9.8, 11.6, -62.2, -60.4}, 0.0001);
    CrossCheck(Sphere(), "+proj=cass +lat_0=10 +lon_0=0 +x_0=0 +y_0=0", {-60, 70, -40, 40}, 0.0001);
}
