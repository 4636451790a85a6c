#include <gtest/gtest.h>

#include <cmath>

#include "ProjectionAlbers.h"
#include "WorldProjectionTestSupport.h"

using namespace worldtest;

TEST(Albers, WorkedExampleOnWgs84)
{
    auto p = Make({130, kWgs84InvF, 23, -96, 29.5, 45.5});
    const auto [x, y] = Fwd(*p, 35, -75);
    EXPECT_NEAR(x, 1885428.39, 0.01);
    EXPECT_NEAR(y, 1535969.29, 0.01);
    const auto [lat, lon] = Inv(*p, x, y);
    EXPECT_NEAR(lat, 35, 1e-9);
    EXPECT_NEAR(lon, -75, 1e-9);
    // The origin lies on the central meridian at y = fn.
    const auto [x0, y0] = Fwd(*p, 23, -96);
    EXPECT_NEAR(x0, 0, 1e-9);
    EXPECT_NEAR(y0, 0, 1e-6);
}

TEST(Albers, SouthernConeIsStable)
{
    // Both standard parallels south: n < 0, and the inverse negates its
    // working values without touching the stored rho0.
    auto p = Make({130, kWgs84InvF, -25, 135, -18, -36, 1000000, 2000000});
    const auto* albers = dynamic_cast<const CProjectionAlbers*>(p.get());
    ASSERT_NE(albers, nullptr);
    EXPECT_LT(albers->n, 0);
    const double rho0 = albers->rho0;
    const auto [x1, y1] = Fwd(*p, -30, 140);
    const auto [lat1, lon1] = Inv(*p, x1, y1);
    const auto [x2, y2] = Fwd(*p, lat1, lon1);
    EXPECT_NEAR(lat1, -30, 1e-9);
    EXPECT_NEAR(lon1, 140, 1e-9);
    EXPECT_NEAR(x2, x1, 1e-6);
    EXPECT_NEAR(y2, y1, 1e-6);
    for (int i = 0; i < 3; ++i)
    {
        const auto [lat, lon] = Inv(*p, x1, y1);
        EXPECT_EQ(lat, lat1);
        EXPECT_EQ(lon, lon1);
    }
    EXPECT_EQ(albers->rho0, rho0);
}

TEST(Albers, OneStandardParallelIsTheLimitOfTwo)
{
    // parallelNorth = parallelSouth makes the cone constant 0/0; the class
    // takes its limit sin(phi1), which a pair of parallels a hair apart
    // approaches.
    auto one = Make({130, kWgs84InvF, 40, -100, 40, 40});
    auto two = Make({130, kWgs84InvF, 40, -100, 40.0001, 39.9999});
    for (const auto& pt : {std::pair{45.0, -90.0}, std::pair{30.0, -120.0}})
    {
        const auto [x1, y1] = Fwd(*one, pt.first, pt.second);
        const auto [x2, y2] = Fwd(*two, pt.first, pt.second);
        ASSERT_TRUE(std::isfinite(x1) && std::isfinite(y1));
        EXPECT_NEAR(x1, x2, 1e-3);
        EXPECT_NEAR(y1, y2, 1e-3);
        const auto [lat, lon] = Inv(*one, x1, y1);
        EXPECT_NEAR(lat, pt.first, 1e-9);
        EXPECT_NEAR(lon, pt.second, 1e-9);
    }
}

TEST(Albers, InverseNearThePoleEnds)
{
    // Close to the pole the latitude update divides by a vanishing cosine;
    // the inverse still ends and gives a latitude near 90 degrees.
    auto p = Make({130, kWgs84InvF, 50, 0, 40, 60});
    const auto [x, y] = Fwd(*p, 89.9999999, 30);
    const auto [lat, lon] = Inv(*p, x, y);
    EXPECT_NEAR(lat, 90, 1e-4);
    (void)lon;
}

TEST(LambertAzimuthal, FarPointKeepsItsQuadrant)
{
    auto p = Make({120, kWgs84InvF, 52, 10, 0, 0, 4321000, 3210000});
    const auto [x, y] = Fwd(*p, 10, 120);
    const auto [lat, lon] = Inv(*p, x, y);
    EXPECT_NEAR(lat, 10, 1e-6);
    EXPECT_NEAR(lon, 120, 1e-9);
    // The centre and the false origin.
    const auto [xc, yc] = Fwd(*p, 52, 10);
    EXPECT_NEAR(xc, 4321000, 1e-6);
    EXPECT_NEAR(yc, 3210000, 1e-6);
    const auto [latc, lonc] = Inv(*p, 4321000, 3210000);
    EXPECT_EQ(latc, 52);
    EXPECT_EQ(lonc, 10);
}

TEST(LambertAzimuthal, PolarAspectsOnEllipsoidAndSphere)
{
    for (double invF : {kWgs84InvF, 0.0})
        for (double pole : {90.0, -90.0})
        {
            auto p = Make({120, invF, pole, 10});
            for (double lon : {30.0, 150.0, -100.0})
            {
                const double lat = pole > 0 ? 60 : -60;
                const auto [x, y] = Fwd(*p, lat, lon);
                const auto [lat2, lon2] = Inv(*p, x, y);
                EXPECT_NEAR(lat2, lat, 1e-6) << invF << " " << pole << " " << lon;
                EXPECT_NEAR(lon2, lon, 1e-9) << invF << " " << pole << " " << lon;
            }
            // A point on the central meridian: below the pole in the north
            // aspect, above it in the south aspect, on the ellipsoid as on
            // the sphere (x = rho sin(dl), y = -/+ rho cos(dl)).
            const auto [x, y] = Fwd(*p, pole > 0 ? 70 : -70, 10);
            EXPECT_NEAR(x, 0, 1e-6);
            if (pole > 0)
                EXPECT_LT(y, 0) << invF;
            else
                EXPECT_GT(y, 0) << invF;
            // 90 degrees east of the central meridian lies on +x.
            const auto [xe, ye] = Fwd(*p, pole > 0 ? 70 : -70, 100);
            EXPECT_GT(xe, 0) << invF << " " << pole;
            EXPECT_NEAR(ye, 0, 1e-6);
            const auto [latc, lonc] = Inv(*p, 0, 0);
            EXPECT_EQ(latc, pole);
            EXPECT_EQ(lonc, 10);
        }
}

TEST(LambertAzimuthal, SphereAndEllipsoidAgreeInScale)
{
    // The authalic sphere of the ellipsoid and a sphere of that radius give
    // the same equatorial-aspect coordinates to the size of the flattening.
    auto ell = Make({120, kWgs84InvF, 0, 0});
    auto sph = Make({120, 0, 0, 0});
    const auto [xe, ye] = Fwd(*ell, 0, 30);
    const auto [xs, ys] = Fwd(*sph, 0, 30);
    EXPECT_NEAR(xe / xs, 1, 0.005);
    EXPECT_NEAR(ye, 0, 1e-6);
    EXPECT_NEAR(ys, 0, 1e-6);
    // The antipode of the centre is outside the domain: no finite result.
    const auto [xa, ya] = Fwd(*sph, 0, 180);
    EXPECT_FALSE(std::isfinite(xa) && std::isfinite(ya));
}
