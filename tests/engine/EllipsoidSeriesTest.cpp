#include <gtest/gtest.h>

#include <cmath>

#include "EllipsoidSeries.h"
#include "Projection.h"

namespace {

CProjection Ellipsoid(double a, double invf)
{
    CProjection p;
    p.a = a;
    p.f = invf == 0 ? 0 : 1 / invf;
    p.e2 = 2 * p.f - p.f * p.f;
    p.e = std::sqrt(p.e2);
    p.e4 = p.e2 * p.e2;
    p.e6 = p.e4 * p.e2;
    return p;
}

} // namespace

TEST(EllipsoidSeries, MeridianDistanceAndFootpoint)
{
    const CProjection wgs84 = Ellipsoid(6378137, 298.257223563);
    const double m = MeridianDistance(wgs84, 45 * kDegToRad) * wgs84.a;
    EXPECT_NEAR(m, 4984944.378, 0.001);
    EXPECT_NEAR(FootpointLatitude(wgs84, m) / kDegToRad, 45, 1e-8);
    EXPECT_EQ(MeridianDistance(wgs84, 0), 0);
    for (double lat : {-80.0, -33.0, 10.0, 60.0, 89.0})
    {
        const double d = MeridianDistance(wgs84, lat * kDegToRad) * wgs84.a;
        EXPECT_NEAR(FootpointLatitude(wgs84, d) / kDegToRad, lat, 1e-8) << lat;
    }
    // Quarter meridian of WGS 84.
    EXPECT_NEAR(MeridianDistance(wgs84, M_PI / 2) * wgs84.a, 10001965.729, 0.01);
}

TEST(EllipsoidSeries, AuthalicFunctions)
{
    const CProjection clarke = Ellipsoid(6378206.4, 294.978698213898);
    EXPECT_EQ(AuthalicQ(clarke, 0), 0);
    EXPECT_DOUBLE_EQ(AuthalicQ(clarke, -0.7), -AuthalicQ(clarke, 0.7));
    // q_p in closed form: 1 - (1 - e^2) / (2e) ln((1 - e) / (1 + e)).
    EXPECT_NEAR(AuthalicQ(clarke, 1.5707963267948966), 1.9954814349, 1e-9);
    EXPECT_EQ(LatitudeFromAuthalic(clarke, 0), 0);

    // Authalic latitude and back.
    const double qp = AuthalicQ(clarke, 1.5707963267948966);
    for (double lat : {-60.0, -5.0, 20.0, 45.0, 75.0})
    {
        const double beta = std::asin(AuthalicQ(clarke, lat * kDegToRad) / qp);
        EXPECT_NEAR(LatitudeFromAuthalic(clarke, beta) / kDegToRad, lat, 1e-6) << lat;
    }

    const CProjection nearSphere = Ellipsoid(6371000, 1e12);
    EXPECT_NEAR(LatitudeFromAuthalic(nearSphere, 0.6), 0.6, 1e-12);
}
