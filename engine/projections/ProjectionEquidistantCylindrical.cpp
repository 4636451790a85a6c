#include "ProjectionEquidistantCylindrical.h"

#include <cmath>
#include <limits>

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

// Helmert's series of the meridian arc in the third flattening n, to n to the power 4: what it
// leaves out is below a micrometre on any terrestrial ellipsoid, where a series in e2 to e6 leaves
// half a millimetre at the middle latitudes.
double CProjectionEquidistantCylindrical::Arc(double latitude) const
{
    if (spherical)
        return a * latitude;
    const double n = f / (2 - f);
    const double n2 = n * n;
    const double n3 = n2 * n;
    const double n4 = n2 * n2;
    return a / (1 + n) *
           ((1 + n2 / 4 + n4 / 64) * latitude - (1.5 * n - 3 * n3 / 16) * std::sin(2 * latitude) +
            (15 * n2 / 16 - 15 * n4 / 64) * std::sin(4 * latitude) - (35 * n3 / 48) * std::sin(6 * latitude) +
            (315 * n4 / 512) * std::sin(8 * latitude));
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
