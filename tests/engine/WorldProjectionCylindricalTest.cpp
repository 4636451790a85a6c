#include <gtest/gtest.h>

#include <cmath>

#include "ProjectionCylEqArea.h"
#include "WorldProjectionTestSupport.h"

using namespace worldtest;

TEST(CylEqArea, StandardParallelAndFarNorth)
{
    auto ell = Make({290, kWgs84InvF, 30, 0});
    auto sph = Make({290, 0, 30, 0});
    // k0 = cos(phi_s) on the sphere and cos(phi_s) / sqrt(1 - e2 sin^2(phi_s))
    // on the ellipsoid (EPSG 9835); WGS 84 at 30 degrees: 0.866025 / 0.999164.
    EXPECT_NEAR(ell->k0, 0.8660254037844387 / std::sqrt(1 - 0.00669437999014 * 0.25), 1e-15);
    EXPECT_DOUBLE_EQ(sph->k0, 0.8660254037844387);
    // Far north of the pole line lies no point, on the ellipsoid as on the
    // sphere.
    EXPECT_TRUE(std::isnan(Inv(*ell, 0, 8000000).first));
    EXPECT_TRUE(std::isnan(Inv(*ell, 0, -8000000).first));
    EXPECT_TRUE(std::isnan(Inv(*sph, 0, 8000000).first));
    // The pole itself comes back on both.
    for (auto* p : {ell.get(), sph.get()})
    {
        const auto [x, y] = Fwd(*p, 90, 0);
        EXPECT_NEAR(Inv(*p, x, y).first, 90, 1e-6);
    }
    // Equal area: the band between the equator and the pole covers a
    // quarter of the authalic sphere's surface per 180 degrees of longitude,
    // on the sphere 2 pi a^2 for the whole northern hemisphere.
    const auto [x180, ypole] = Fwd(*sph, 90, 180);
    EXPECT_NEAR(2 * x180 * ypole, 2 * M_PI * kWgs84A * kWgs84A, 1);
}

TEST(CylEqArea, EquatorAsStandardParallel)
{
    auto p = Make({290, kWgs84InvF, 0, 0});
    EXPECT_EQ(p->k0, 1);
    const auto [x, y] = Fwd(*p, 0, 1);
    EXPECT_DOUBLE_EQ(x, kWgs84A * kDegToRad);
    EXPECT_EQ(y, 0);
}

TEST(Miller, SymmetricAndFiniteAtThePoles)
{
    auto p = Make({310, kWgs84InvF, 0, 10, 0, 0, 0, 0});
    const double north = Fwd(*p, 89, 10).second;
    const double south = Fwd(*p, -89, 10).second;
    EXPECT_GT(north, 0);
    EXPECT_NEAR(north, -south, 1e-6);
    const double pole = Fwd(*p, 90, 10).second;
    EXPECT_TRUE(std::isfinite(pole));
    EXPECT_NEAR(pole, 1.25 * kWgs84A * std::log(std::tan(0.785398163397448279 + M_PI / 5)), 1e-6);
    EXPECT_NEAR(Inv(*p, 0, pole).first, 90, 1e-9);
    // Snyder's worked value on the unit sphere: 50 N gives y = 0.9536371 R.
    EXPECT_NEAR(Fwd(*p, 50, 10).second / kWgs84A, 0.9536371, 1e-7);
}

TEST(Equirectangular, ScaleOnTheStandardParallel)
{
    auto p = Make({350, kWgs84InvF, 5, 10, 60, 0, 500000, 200000});
    const auto [x, y] = Fwd(*p, 5, 11);
    EXPECT_NEAR(x - 500000, kWgs84A * 0.5 * kDegToRad, 1e-6);
    EXPECT_NEAR(y, 200000, 1e-9);
    auto pc = Make({370, kWgs84InvF, 5, 10, 60, 0, 500000, 200000});
    const auto [xc, yc] = Fwd(*pc, 5, 11);
    // The plate carree ignores parallelNorth: true scale on the equator.
    EXPECT_NEAR(xc - 500000, kWgs84A * kDegToRad, 1e-6);
    EXPECT_NEAR(yc, 200000, 1e-9);
    const auto [lat, lon] = Inv(*pc, 500000, 200000);
    EXPECT_NEAR(lat, 5, 1e-12);
    EXPECT_NEAR(lon, 10, 1e-12);
}

TEST(GallStereo, WorkedPoint)
{
    auto p = Make({330, kWgs84InvF, 0, 10, 0, 0, 500000, 200000});
    const auto [x, y] = Fwd(*p, 45, 20);
    EXPECT_NEAR(x, 500000 + 0.7071067811865476 * kWgs84A * 0.17453292519943295, 1e-6);
    EXPECT_NEAR(y, 200000 + 1.7071067811865475 * kWgs84A * std::tan(M_PI / 8), 1e-6);
    const auto [lat, lon] = Inv(*p, x, y);
    EXPECT_NEAR(lat, 45, 1e-12);
    EXPECT_NEAR(lon, 20, 1e-12);
}
