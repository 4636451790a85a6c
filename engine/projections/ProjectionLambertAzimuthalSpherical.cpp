#include "ProjectionLambertAzimuthalSpherical.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "EllipsoidSeries.h"

namespace {

// Nearer the antipode of the centre than this the point has no single place.
constexpr double kAntipodeMargin = 1e-12;
constexpr double kCentreRadius = 1e-10; // metres

} // namespace

void CProjectionLambertAzimuthalSpherical::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    R = isSphere ? a : a * std::sqrt(AuthalicQ(*this, kHalfPi) / 2);
}

void CProjectionLambertAzimuthalSpherical::Forward()
{
    const double dl = LongitudeFromOrigin();
    const double cosC = std::sin(phi0) * std::sin(phi) + std::cos(phi0) * std::cos(phi) * std::cos(dl);
    if (!(1 + cosC > kAntipodeMargin))
    {
        x = y = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    const double k = std::sqrt(2 / (1 + cosC));
    x = fe + R * k * std::cos(phi) * std::sin(dl);
    y = fn + R * k * (std::cos(phi0) * std::sin(phi) - std::sin(phi0) * std::cos(phi) * std::cos(dl));
}

void CProjectionLambertAzimuthalSpherical::Inverse()
{
    const double xp = x - fe;
    const double yp = y - fn;
    const double rho = std::hypot(xp, yp);
    if (rho <= kCentreRadius)
    {
        phi = phi0;
        lambda = lambda0;
        return;
    }
    if (!(rho <= 2 * R))
    {
        phi = lambda = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    const double c = 2 * std::asin(rho / (2 * R));
    const double sinC = std::sin(c);
    const double cosC = std::cos(c);
    phi = std::asin(std::clamp(cosC * std::sin(phi0) + yp * sinC * std::cos(phi0) / rho, -1.0, 1.0));
    lambda = lambda0 + std::atan2(xp * sinC, rho * std::cos(phi0) * cosC - yp * std::sin(phi0) * sinC);
}
