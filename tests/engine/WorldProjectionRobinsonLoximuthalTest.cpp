#include <gtest/gtest.h>

#include <cmath>

#include "WorldProjectionTestSupport.h"

using namespace worldtest;

TEST(Robinson, TableNodesAndPoles)
{
    auto p = Make({340, kWgs84InvF, 0, 10, 0, 0, 500000, 200000});
    const auto [x, y] = Fwd(*p, 45, 20);
    EXPECT_NEAR(x, 500000 + 0.8487 * kWgs84A * 0.8962 * 0.17453292519943295, 1e-6);
    EXPECT_NEAR(y, 200000 + 1.3523 * kWgs84A * 0.5571, 1e-6);
    const auto [lat, lon] = Inv(*p, x, y);
    EXPECT_NEAR(lat, 45, 1e-9);
    EXPECT_NEAR(lon, 20, 1e-9);

    const auto [xs, ys] = Fwd(*p, -30, 20);
    EXPECT_LT(ys, 200000);
    EXPECT_NEAR(ys, 200000 - 1.3523 * kWgs84A * 0.372, 1e-6);
    EXPECT_NEAR(xs, 500000 + 0.8487 * kWgs84A * 0.96 * 0.17453292519943295, 1e-6);
    const auto [lats, lons] = Inv(*p, xs, ys);
    EXPECT_NEAR(lats, -30, 1e-9);
    EXPECT_NEAR(lons, 20, 1e-9);

    for (double pole : {90.0, -90.0})
    {
        const auto [xp, yp] = Fwd(*p, pole, 20);
        EXPECT_NEAR(xp, 500000 + 0.8487 * kWgs84A * 0.5322 * 0.17453292519943295, 1e-6);
        EXPECT_NEAR(std::fabs(yp - 200000), 1.3523 * kWgs84A, 1e-6);
        const auto [latp, lonp] = Inv(*p, xp, yp);
        EXPECT_EQ(latp, pole);
        EXPECT_NEAR(lonp, 20, 1e-9);
        // Beyond the pole line lies no point; within rounding of it, the pole.
        EXPECT_TRUE(std::isnan(Inv(*p, xp, yp + std::copysign(1000, pole)).first));
        EXPECT_EQ(Inv(*p, xp, yp + std::copysign(1e-9, pole)).first, pole);
    }
}

TEST(Robinson, EveryNodeAndBetweenComesBack)
{
    auto p = Make({340, kWgs84InvF, 0, -30});
    for (int deg = -90; deg <= 90; ++deg)
    {
        // Whole degrees hit every node; the quarter degrees lie inside.
        for (double lat : {double(deg), deg + 0.25, deg + 0.6})
        {
            if (lat > 90)
                continue;
            const auto [x, y] = Fwd(*p, lat, 100);
            const auto [lat2, lon2] = Inv(*p, x, y);
            EXPECT_NEAR(lat2, lat, 1e-8) << lat;
            EXPECT_NEAR(lon2, 100, 1e-8) << lat;
        }
    }
}

TEST(Robinson, OutsideTheTableGivesNoNumbers)
{
    auto p = Make({340, kWgs84InvF, 0, 0});
    for (double lat : {90.5, -120.0, std::nan("")})
    {
        const auto [x, y] = Fwd(*p, lat, 10);
        EXPECT_TRUE(std::isnan(x) && std::isnan(y)) << lat;
    }
    EXPECT_TRUE(std::isnan(Inv(*p, 0, std::nan("")).first));
}

TEST(Winkel1, StandardParallelAndRoundTrip)
{
    auto p = Make({281, kWgs84InvF, 33, 10, 70, 0, 500000, 200000});
    // The standard parallel is fixed, not the record's parallelNorth.
    EXPECT_DOUBLE_EQ(std::cos(p->phi1), 2 / M_PI);
    const auto [x, y] = Fwd(*p, 45, 20);
    EXPECT_NEAR(x, 500000 + kWgs84A * 10 * kDegToRad * (std::cos(M_PI / 4) + 2 / M_PI) / 2, 1e-6);
    EXPECT_NEAR(y, 200000 + kWgs84A * M_PI / 4, 1e-6);
    const auto [lat, lon] = Inv(*p, x, y);
    EXPECT_NEAR(lat, 45, 1e-12);
    EXPECT_NEAR(lon, 20, 1e-12);
}

TEST(Loximuthal, CentralLatitudeAndPoles)
{
    auto p = Make({360, kWgs84InvF, 0, 10, 40, 0, 500000, 200000});
    const auto [x, y] = Fwd(*p, 40, 20);
    EXPECT_NEAR(x, 500000 + kWgs84A * 0.17453292519943295 * std::cos(40 * kDegToRad), 1e-6);
    EXPECT_NEAR(y, 200000, 1e-6);
    const auto [lat, lon] = Inv(*p, x, y);
    EXPECT_NEAR(lat, 40, 1e-12);
    EXPECT_NEAR(lon, 20, 1e-12);

    const auto [xn, yn] = Fwd(*p, 90, 70);
    EXPECT_EQ(xn, 500000);
    EXPECT_NEAR(yn, 200000 + kWgs84A * 50 * kDegToRad, 1e-6);
    EXPECT_EQ(Inv(*p, xn, yn).second, 10);
    const auto [xsp, ysp] = Fwd(*p, -90, 70);
    EXPECT_EQ(xsp, 500000);
    EXPECT_NEAR(Inv(*p, xsp, ysp).first, -90, 1e-12);

    // Rhumb lines from the centre are straight and true to length: the
    // point's bearing from the centre is the rhumb line's azimuth (from the
    // Mercator ordinates), its distance the rhumb line's length.
    const auto psi = [](double deg) { return std::log(std::tan(M_PI / 4 + deg * kDegToRad / 2)); };
    for (const auto& pt : {std::pair{60.0, 40.0}, std::pair{-20.0, -50.0}, std::pair{75.0, -5.0}})
    {
        const auto [xr, yr] = Fwd(*p, pt.first, pt.second);
        const double dl = (pt.second - 10) * kDegToRad;
        const double azimuth = std::atan2(dl, psi(pt.first) - psi(40));
        EXPECT_NEAR(std::atan2(xr - 500000, yr - 200000), azimuth, 1e-12);
        EXPECT_NEAR(std::hypot(xr - 500000, yr - 200000),
                    kWgs84A * std::fabs((pt.first - 40) * kDegToRad / std::cos(azimuth)), 1e-6);
    }
}
