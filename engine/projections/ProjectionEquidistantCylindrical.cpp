#include "ProjectionEquidistantCylindrical.h"

#include <cmath>
#include <limits>

#include "MeridianArc.h"

namespace {

constexpr double kLatitudeTolerance = 1e-15;
constexpr int kMaxPasses = 10;

} // namespace

void CProjectionEquidistantCylindrical::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    spherical = isSphere || projectionId == kEquidistantCylindricalSpherical;
    if (spherical)
    {
        e = e2 = e4 = e6 = e8 = 0;
        parallelRadius = a * std::cos(phi1);
        return;
    }
    const double s = std::sin(phi1);
    parallelRadius = a * std::cos(phi1) / std::sqrt(1 - e2 * s * s);
}

double CProjectionEquidistantCylindrical::Arc(double latitude) const
{
    return spherical ? a * latitude : MeridianArc(a, f, latitude);
}

void CProjectionEquidistantCylindrical::Forward()
{
    x = fe + parallelRadius * LongitudeFromOrigin();
    y = fn + Arc(phi);
}

void CProjectionEquidistantCylindrical::Inverse()
{
    const double m = y - fn;
    lambda = lambda0 + (x - fe) / parallelRadius;
    if (spherical)
    {
        phi = m / a;
        return;
    }
    // Newton steps on the arc from the rectifying latitude's first guess.
    double p = m / Arc(kHalfPi) * kHalfPi;
    for (int pass = 0; pass < kMaxPasses; ++pass)
    {
        const double s = std::sin(p);
        const double rho = a * (1 - e2) / std::pow(1 - e2 * s * s, 1.5);
        const double step = (m - Arc(p)) / rho;
        p += step;
        if (!(std::fabs(step) > kLatitudeTolerance))
            break;
    }
    if (!(std::fabs(p) <= kHalfPi + 1e-12) || !(std::fabs(lambda - lambda0) <= kPi + 1e-12))
        p = lambda = std::numeric_limits<double>::quiet_NaN();
    phi = p;
}
