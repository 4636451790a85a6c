#include "ProjectionBonneSouth.h"

#include <cmath>
#include <limits>

#include "MeridianArc.h"

namespace {

constexpr double kLatitudeTolerance = 1e-15;
constexpr int kMaxPasses = 10;

} // namespace

void CProjectionBonneSouth::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    // On the equator the cone is a cylinder (the sinusoidal); this method does not describe it.
    originRadius = std::sin(phi0) != 0 ? a * ParallelFactor(phi0) / std::sin(phi0)
                                       : std::numeric_limits<double>::quiet_NaN();
    originArc = MeridianArc(a, f, phi0);
}

double CProjectionBonneSouth::ParallelFactor(double latitude) const
{
    const double s = std::sin(latitude);
    return std::cos(latitude) / std::sqrt(1 - e2 * s * s);
}

void CProjectionBonneSouth::Forward()
{
    const double rho = originRadius + originArc - MeridianArc(a, f, phi);
    const double T = rho == 0 ? 0.0 : a * ParallelFactor(phi) * LongitudeFromOrigin() / rho;
    x = fe - rho * std::sin(T);
    y = fn - (originRadius - rho * std::cos(T));
}

void CProjectionBonneSouth::Inverse()
{
    // The normal Bonne's offsets from the false origin.
    const double east = fe - x;
    const double north = fn - y;
    const double across = originRadius - north;
    const double rho = std::copysign(std::hypot(east, across), phi0);
    const double arc = originRadius + originArc - rho;
    // Latitude of the arc by Newton's method from the rectifying latitude's first guess.
    const double quadrant = MeridianArc(a, f, kHalfPi);
    double p = arc / quadrant * kHalfPi;
    for (int pass = 0; pass < kMaxPasses; ++pass)
    {
        const double s = std::sin(p);
        const double step = (arc - MeridianArc(a, f, p)) / (a * (1 - e2) / std::pow(1 - e2 * s * s, 1.5));
        p += step;
        if (!(std::fabs(step) > kLatitudeTolerance))
            break;
    }
    if (!(std::fabs(p) <= kHalfPi + 1e-12))
    {
        phi = lambda = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    phi = p;
    const double m = ParallelFactor(p);
    if (m <= 0 || rho == 0)
    {
        lambda = lambda0;
        return;
    }
    const double turn = phi0 < 0 ? std::atan2(-east, -across) : std::atan2(east, across);
    lambda = lambda0 + rho * turn / (a * m);
    if (!(std::fabs(lambda - lambda0) <= kPi + 1e-12))
        phi = lambda = std::numeric_limits<double>::quiet_NaN();
}
