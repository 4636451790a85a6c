#include "ProjectionMercator.h"

#include <cmath>

void CProjectionMercator::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    k0 = 1;
    if (projectionId == kMercatorVariantA && r.scaleFactor != 0)
        k0 = r.scaleFactor;
    else if (projectionId == kMercatorVariantB)
    {
        // The standard parallel is true to scale on the sphere as well, where
        // the ellipsoid's factor reduces to its cosine.
        const double s = std::sin(std::fabs(phi1));
        k0 = isSphere ? std::cos(std::fabs(phi1)) : std::cos(std::fabs(phi1)) / std::sqrt(1 - (e * s) * (e * s));
    }
}

void CProjectionMercator::Forward()
{
    // Both poles lie at infinity.
    if (!(std::fabs(phi) < kHalfPi - kSingularTolerance))
    {
        RefuseForward();
        return;
    }
    x = fe + a * k0 * LongitudeFromOrigin();
    if (isSphere)
        y = fn + a * k0 * std::log(std::tan(kQuarterPi + phi / 2));
    else
    {
        const double es = e * std::sin(phi);
        y = fn + a * k0 * std::log(std::tan(kQuarterPi + phi / 2) * std::pow((1 - es) / (1 + es), e / 2));
    }
}

void CProjectionMercator::Inverse()
{
    lambda = (x - fe) / (a * k0) + lambda0;
    const double t = 1 / std::exp((y - fn) / (a * k0));
    const double chi = kHalfPi - 2 * std::atan(t);
    if (isSphere)
    {
        phi = chi;
        return;
    }
    // Conformal to geodetic latitude, the series of the EPSG guidance note.
    phi = chi + (e2 / 2 + 5 * e4 / 24 + e6 / 12 + 13 * e8 / 360) * std::sin(2 * chi) +
          (7 * e4 / 48 + 29 * e6 / 240 + 811 * e8 / 11520) * std::sin(4 * chi) +
          (7 * e6 / 120 + 81 * e8 / 1120) * std::sin(6 * chi) + (4279 * e8 / 161280) * std::sin(8 * chi);
}
