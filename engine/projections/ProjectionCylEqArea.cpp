#include "ProjectionCylEqArea.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "EllipsoidSeries.h"
#include "ProjectionWorldCommon.h"

void CProjectionCylEqArea::Initialise(const CCfgMapProjection& r)
{
    a = r.semiMajorAxis;
    isSphere = r.inverseFlattening == 0;
    if (!isSphere)
        InitialiseEccentricity(*this, r);
    phi0 = r.latitudeOrigin * kDegToRad; // the standard parallel
    lambda0 = r.longitudeOrigin * kDegToRad;
    InitialiseFalseOrigin(*this, r);
    // Scale along the standard parallel (EPSG 9835): cos(phi_s) on the
    // sphere, cos(phi_s) / sqrt(1 - e^2 sin^2(phi_s)) on the ellipsoid.
    k0 = phi0 == 0 ? 1.0 : std::cos(phi0);
    if (!isSphere && phi0 != 0)
        k0 /= std::sqrt(1 - e2 * std::sin(phi0) * std::sin(phi0));
    if (!isSphere)
        qp = AuthalicQ(*this, 1.5707963267948966);
}

void CProjectionCylEqArea::Forward()
{
    x = fe + a * k0 * LongitudeFromOrigin();
    if (isSphere)
        y = fn + a * std::sin(phi) / k0;
    else
        y = fn + a * AuthalicQ(*this, phi) / (2 * k0);
}

void CProjectionCylEqArea::Inverse()
{
    const double xp = x - fe;
    const double yp = y - fn;
    // Beyond the pole lines lies no point; within rounding of them, the pole.
    const double unclamped = isSphere ? yp * k0 / a : 2 * k0 * yp / (a * qp);
    if (!(std::fabs(unclamped) <= 1 + 1e-12))
    {
        phi = lambda = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    if (isSphere)
    {
        phi = std::asin(std::clamp(unclamped, -1.0, 1.0));
        lambda = lambda0 + xp / (a * k0);
        return;
    }
    const double sinBeta = std::clamp(unclamped, -1.0, 1.0);
    phi = LatitudeFromAuthalic(*this, std::asin(sinBeta));
    lambda = lambda0 + xp / (k0 * a);
}
