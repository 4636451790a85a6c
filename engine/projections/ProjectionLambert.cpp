#include "ProjectionLambert.h"

#include <cmath>
#include <limits>

namespace {

// 29.2985 arc seconds, the rotation of the Belgian 1972 cone.
constexpr double kBelgianRotation = 0.0001420431363598774;
// Two successive latitudes closer than this end the inverse iteration.
constexpr double kLatitudeTolerance = 4.85e-10;
constexpr int kMaxPasses = 100;
// Grid points this close to the apex (metres) are the pole, whatever their
// angle.
constexpr double kApexRadius = 1e-6;

} // namespace

double CProjectionLambert::M(double p) const
{
    const double s = std::sin(p);
    return std::cos(p) / std::sqrt(1 - e2 * s * s);
}

double CProjectionLambert::T(double p) const
{
    const double es = e * std::sin(p);
    return std::tan(kHalfPi / 2 - p / 2) / std::pow((1 - es) / (1 + es), e / 2);
}

void CProjectionLambert::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    rotation = 0;
    if (phi0 > kHalfPi)
        phi0 -= kPi;
    if (phi1 == 0 && phi2 == 0)
        phi1 = phi0;
    if (k0 == 0)
        k0 = 1;
    const double m1 = M(phi1);
    const double t1 = T(phi1);
    const double t0 = T(phi0);
    if (projectionId == kLambertConic2SP || projectionId == kLambertConicBelgium)
        n = (std::log(m1) - std::log(M(phi2))) / (std::log(t1) - std::log(T(phi2)));
    else
        n = std::sin(phi0);
    if (projectionId == kLambertConicBelgium)
        rotation = kBelgianRotation;
    F = m1 / (n * std::pow(t1, n));
    rho0 = a * k0 * F * std::pow(t0, n);
}

void CProjectionLambert::Forward()
{
    // The pole on the side away from the cone's apex lies at infinity.
    if (n * phi <= 0 && std::fabs(std::fabs(phi) - kHalfPi) <= kSingularTolerance)
    {
        RefuseForward();
        return;
    }
    const double rho = a * k0 * F * std::pow(T(phi), n);
    const double theta = n * LongitudeFromOrigin() - rotation;
    x = projectionId == kLambertConicWestOrientated ? fe - rho * std::sin(theta) : fe + rho * std::sin(theta);
    y = fn + rho0 - rho * std::cos(theta);
}

void CProjectionLambert::Inverse()
{
    double dx = projectionId == kLambertConicWestOrientated ? fe - x : x - fe;
    double dy = rho0 - (y - fn);
    double r = std::sqrt(dx * dx + dy * dy);
    if (n < 0)
    {
        r = -r;
        dx = -dx;
        dy = -dy;
    }
    const double t = std::pow(r / (a * k0 * F), 1 / n);
    const double theta = std::atan2(dx, dy);
    // The cone unrolled covers |n| times a full turn; the gap beside it
    // belongs to no point (its longitude would project elsewhere).
    // At the apex itself (within a micrometre) the angle is only rounding.
    if (std::fabs(r) > kApexRadius && std::fabs(theta + rotation) > std::fabs(n) * kPi)
    {
        RefuseInverse();
        return;
    }
    lambda = (theta + rotation) / n + lambda0;

    // Latitude from the isometric function; the value before the first
    // counts as 0, and a bounded number of passes keeps a point outside the
    // domain (or not a number) from iterating for ever.
    double previous = 0;
    double p = kHalfPi - 2 * std::atan(t);
    int pass = 0;
    for (; pass < kMaxPasses && !(std::fabs(p - previous) <= kLatitudeTolerance); ++pass)
    {
        previous = p;
        const double es = e * std::sin(p);
        p = kHalfPi - 2 * std::atan(t * std::pow((1 - es) / (1 + es), e / 2));
    }
    // A latitude that has not settled is no answer.
    phi = pass < kMaxPasses ? p : std::numeric_limits<double>::quiet_NaN();
}
