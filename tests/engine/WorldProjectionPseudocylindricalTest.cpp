#include <gtest/gtest.h>

#include <cmath>

#include "EllipsoidSeries.h"
#include "WorldProjectionTestSupport.h"

using namespace worldtest;

TEST(Sinusoidal, SphereAndEllipsoid)
{
    auto sph = Make({300, 0, 0, 10});
    const auto [x, y] = Fwd(*sph, 45, 20);
    EXPECT_DOUBLE_EQ(x, kWgs84A * 10 * kDegToRad * std::cos(M_PI / 4));
    EXPECT_DOUBLE_EQ(y, kWgs84A * M_PI / 4);
    EXPECT_NEAR(Inv(*sph, x, y).second, 20, 1e-12);

    auto ell = Make({300, kWgs84InvF, 0, 10});
    const auto [xe, ye] = Fwd(*ell, 45, 20);
    // The central meridian is the ellipsoid's meridian, 4984944.378 m to 45 N,
    // and the parallel keeps its true length.
    EXPECT_NEAR(ye, 4984944.378, 0.001);
    const double e2 = ell->e2;
    EXPECT_NEAR(xe, kWgs84A * 10 * kDegToRad * std::cos(M_PI / 4) / std::sqrt(1 - e2 / 2), 1e-6);
    // The pole: every longitude meets in one point and comes back as lambda0.
    const auto [xp, yp] = Fwd(*ell, 90, 70);
    EXPECT_NEAR(xp, 0, 1e-6);
    EXPECT_EQ(Inv(*ell, xp, yp + 1).second, 10);
}

TEST(Sinusoidal, ReachedThroughItsEpsgCode)
{
    CCfgMapProjection r;
    r.projectionId = TranslateProjectionCode(9851);
    r.longitudeOrigin = 10;
    auto p = CreateProjection(r);
    const auto [x, y] = Fwd(*p, 0, 11);
    EXPECT_NEAR(x, kWgs84A * kDegToRad, 1e-6);
    EXPECT_EQ(y, 0);
}

TEST(Mollweide, PolesAndEquator)
{
    for (double invF : {kWgs84InvF, 0.0})
    {
        auto p = Make({260, invF, 0, 10, 0, 0, 500000, 200000});
        // The equator is 2 sqrt(8) a long and the central meridian sqrt(8) a.
        EXPECT_NEAR(Fwd(*p, 0, 190).first - 500000, std::sqrt(8.0) * kWgs84A, 1e-6);
        for (double pole : {90.0, -90.0})
        {
            const auto [x, y] = Fwd(*p, pole, 100);
            EXPECT_NEAR(y - 200000, std::copysign(std::sqrt(2.0) * kWgs84A, pole), 1e-3);
            // The pole is a point on the central meridian.
            EXPECT_NEAR(x, 500000, 1e-6);
            // Next to it the iteration still ends, on the right side of the map.
            const auto [xn, yn] = Fwd(*p, std::copysign(89.999999, pole), 100);
            EXPECT_GT(xn, 500000);
            EXPECT_LT(xn, 500000 + 200);
            EXPECT_LT(std::fabs(yn - 200000), std::sqrt(2.0) * kWgs84A);
        }
    }
}

TEST(Eckert, PolesAndSouthernLatitudes)
{
    // Eckert II in the south.
    auto e2 = Make({272, kWgs84InvF, 0, 10, 0, 0, 500000, 200000});
    const auto [x2, y2] = Fwd(*e2, -30, 40);
    EXPECT_LT(y2 - 200000, 0);
    const auto [lat2, lon2] = Inv(*e2, x2, y2);
    EXPECT_NEAR(lat2, -30, 1e-12);
    EXPECT_NEAR(lon2, 40, 1e-12);
    // Its pole line, and beyond it no latitude at all.
    const double pole = Fwd(*e2, 90, 10).second;
    EXPECT_NEAR(Inv(*e2, 500000, pole).first, 90, 1e-9);
    EXPECT_TRUE(std::isnan(Inv(*e2, 500000, pole + 200000).first));
    EXPECT_TRUE(std::isnan(Inv(*e2, 500000, 400000 - pole - 200000).first));

    // Eckert III at the poles: the root's argument is not positive, r = 0.
    auto e3 = Make({273, kWgs84InvF, 0, 10});
    EXPECT_NEAR(Fwd(*e3, 90, 100).first, 0.4222382003157712 * kWgs84A * M_PI / 2, 1e-6);
    EXPECT_NEAR(Fwd(*e3, -90, 100).first, 0.4222382003157712 * kWgs84A * M_PI / 2, 1e-6);

    // Eckert VI: theta = pi/2 at once; the pole line is half as long as the equator.
    auto e6 = Make({276, kWgs84InvF, 0, 10});
    const auto [x6, y6] = Fwd(*e6, 90, 100);
    EXPECT_NEAR(y6, 2 * kWgs84A / std::sqrt(2 + M_PI) * M_PI / 2, 1e-6);
    EXPECT_NEAR(2 * x6, Fwd(*e6, 0, 100).first, 1e-6);
    // A metre beyond the pole line lies no point; within rounding, the pole.
    EXPECT_TRUE(std::isnan(Inv(*e6, 0, y6 + 1).first));
    EXPECT_NEAR(Inv(*e6, 0, y6 * (1 + 1e-15)).first, 90, 1e-12);

    // Eckert IV: the pole line, too, is half the equator, to a few metres.
    auto e4 = Make({274, kWgs84InvF, 0, 10});
    const auto [x4, y4] = Fwd(*e4, 90, 100);
    EXPECT_NEAR(y4, 1.3265004281770023 * kWgs84A, 1e-3);
    EXPECT_NEAR(2 * x4, Fwd(*e4, 0, 100).first, 1e-6);

    // Eckert I and V on the central meridian: x = 0 up to the pole.
    for (int id : {271, 275})
    {
        auto p = Make({id, kWgs84InvF, 0, 10});
        const auto [x, y] = Fwd(*p, 90, 10);
        EXPECT_EQ(x, 0);
        EXPECT_GT(y, 0);
    }
}

TEST(Eckert, EqualAreaClassesKeepTheSphereArea)
{
    // Mollweide, Eckert II, IV and VI are equal-area: the map of a 10 by 10
    // degree cell between 40 and 50 N has the area of the sphere's cell.
    const double R = kWgs84A;
    const double cell = R * R * 10 * kDegToRad * (std::sin(50 * kDegToRad) - std::sin(40 * kDegToRad));
    for (int id : {260, 272, 274, 276})
    {
        auto p = Make({id, kWgs84InvF, 0, 0});
        // Pseudocylindrical: parallels straight and meridians symmetric, so
        // the cell is a trapezoid between the two parallels when sides are
        // straight; integrate the strip numerically instead.
        double area = 0;
        const int steps = 2000;
        for (int i = 0; i < steps; ++i)
        {
            const double lat1 = 40 + 10.0 * i / steps;
            const double lat2 = 40 + 10.0 * (i + 1) / steps;
            const auto [xa, ya] = Fwd(*p, lat1, 10);
            const auto [xb, yb] = Fwd(*p, lat2, 10);
            area += 0.5 * (xa + xb) * (yb - ya);
        }
        EXPECT_NEAR(area / cell, 1, 1e-6) << id;
    }
}
