#include <gtest/gtest.h>

#include <cmath>

#include "EllipsoidSeries.h"
#include "WorldProjectionTestSupport.h"

using namespace worldtest;

TEST(Polyconic, WorkedExampleOnWgs84)
{
    auto p = Make({250, kWgs84InvF, 5, 10, 0, 0, 500000, 200000});
    const auto [x, y] = Fwd(*p, 45, 20);
    EXPECT_NEAR(x, 1286468.36, 0.01);
    EXPECT_NEAR(y, 4680650.99, 0.01);
    const auto [lat, lon] = Inv(*p, x, y);
    EXPECT_NEAR(lat, 45, 1e-7);
    EXPECT_NEAR(lon, 20, 1e-7);
}

TEST(Polyconic, EquatorOnEllipsoidAndSphere)
{
    for (double invF : {kWgs84InvF, 0.0})
    {
        auto p = Make({250, invF, 5, 10, 0, 0, 500000, 200000});
        const double M0 = invF == 0 ? kWgs84A * 5 * kDegToRad : kWgs84A * MeridianDistance(*p, 5 * kDegToRad);
        const auto [x, y] = Fwd(*p, 0, 20);
        EXPECT_DOUBLE_EQ(x, 500000 + kWgs84A * 0.17453292519943295) << invF;
        EXPECT_DOUBLE_EQ(y, 200000 - M0) << invF;
        const auto [lat, lon] = Inv(*p, x, y);
        EXPECT_EQ(lat, 0) << invF;
        EXPECT_NEAR(lon, 20, 1e-12) << invF;
    }
}

TEST(Polyconic, InverseFarFromTheCentralMeridianConverges)
{
    // Newton's method started at phi = A runs away here; the bracketed
    // iteration still finds the latitude, north and south, on both figures.
    for (double invF : {kWgs84InvF, 0.0})
        for (const auto& pt : {std::pair{60.0, 100.0}, std::pair{-60.0, -80.0}, std::pair{75.0, 95.0},
                               std::pair{30.0, 130.0}, std::pair{1.0, 60.0}})
        {
            auto p = Make({250, invF, 0, 10});
            const auto [x, y] = Fwd(*p, pt.first, pt.second);
            const auto [lat, lon] = Inv(*p, x, y);
            // Next to the equator the longitude divides by sin(phi).
            EXPECT_NEAR(lat, pt.first, 1e-8) << invF << " " << pt.first << " " << pt.second;
            EXPECT_NEAR(lon, pt.second, 1e-7) << invF << " " << pt.first << " " << pt.second;
        }
}

TEST(Polyconic, InverseOfAnyGridPointEnds)
{
    // Points off the map (the equator ends 20,000 km out) end after a
    // bounded number of passes and are refused; a point on the map beside
    // them converts, with a latitude inside the bracket of the iteration.
    for (double invF : {kWgs84InvF, 0.0})
    {
        auto p = Make({250, invF, 0, 0});
        for (double x : {-4e7, 3e7, 1e8})
            for (double y : {-3e7, 5e6, 2e7})
            {
                const auto [lat, lon] = Inv(*p, x, y);
                EXPECT_TRUE(std::isnan(lat) && std::isnan(lon)) << x << " " << y;
            }
        for (double y : {-3e6, 5e6})
        {
            const auto [lat, lon] = Inv(*p, 1.5e7, y);
            EXPECT_LE(std::fabs(lat), 90) << y;
            EXPECT_EQ(lat < 0, y < 0) << y;
            EXPECT_LE(std::fabs(lon), 180) << y;
        }
    }
}

TEST(Bonne, RoundTripNorthAndSouthParallels)
{
    for (double invF : {kWgs84InvF, 0.0})
        for (double phi1 : {40.0, -40.0})
        {
            auto p = Make({320, invF, 0, 10, phi1, 0, 500000, 200000});
            for (const auto& pt : {std::pair{phi1, 10.0}, std::pair{phi1 / 2, 60.0}, std::pair{-phi1, -70.0}})
            {
                const auto [x, y] = Fwd(*p, pt.first, pt.second);
                const auto [lat, lon] = Inv(*p, x, y);
                EXPECT_NEAR(lat, pt.first, 1e-8) << invF << " " << phi1;
                EXPECT_NEAR(lon, pt.second, 1e-8) << invF << " " << phi1;
            }
            // The standard parallel is true to scale along the central
            // meridian's origin: its point on lambda0 is the false origin.
            const auto [x0, y0] = Fwd(*p, phi1, 10);
            EXPECT_NEAR(x0, 500000, 1e-6);
            EXPECT_NEAR(y0, 200000, 1e-6);
        }
}

TEST(Bonne, SpherePoleOfAPolarParallel)
{
    auto p = Make({320, 0, 0, 0, 90});
    const auto [x, y] = Fwd(*p, 90, 45);
    EXPECT_NEAR(x, 0, 1e-6);
    EXPECT_NEAR(y, 0, 1e-6);
    // The apex keeps the false origin like every other point.
    auto q = Make({320, 0, 0, 0, 90, 0, 500000, 200000});
    const auto [xq, yq] = Fwd(*q, 90, 45);
    EXPECT_NEAR(xq, 500000, 1e-6);
    EXPECT_NEAR(yq, 200000, 1e-6);
}
