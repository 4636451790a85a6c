#include "ProjectionEqualEarth.h"

#include <cmath>
#include <limits>

#include "EllipsoidSeries.h"

namespace {

// The published polynomial coefficients and M = sqrt(3) / 2.
constexpr double kA1 = 1.340264;
constexpr double kA2 = -0.081106;
constexpr double kA3 = 0.000893;
constexpr double kA4 = 0.003796;
constexpr double kSqrt3 = 1.7320508075688772;
constexpr double kM = kSqrt3 / 2;

constexpr double kThetaTolerance = 1e-15;
constexpr double kLatitudeTolerance = 1e-15;
constexpr int kMaxPasses = 30;

// y / Rq as a function of theta, and its derivative.
double Ordinate(double t)
{
    const double t2 = t * t;
    const double t6 = t2 * t2 * t2;
    return t * (kA1 + kA2 * t2 + t6 * (kA3 + kA4 * t2));
}

double OrdinateSlope(double t)
{
    const double t2 = t * t;
    const double t6 = t2 * t2 * t2;
    return kA1 + 3 * kA2 * t2 + t6 * (7 * kA3 + 9 * kA4 * t2);
}

} // namespace

void CProjectionEqualEarth::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    qp = AuthalicQ(*this, kHalfPi);
    Rq = a * std::sqrt(qp / 2);
}

double CProjectionEqualEarth::AuthalicSine(double latitude) const
{
    return std::fmax(-1.0, std::fmin(1.0, AuthalicQ(*this, latitude) / qp));
}

// Newton's method on q(phi) = q: exact where a truncated series would leave
// a millimetre at this scale.
double CProjectionEqualEarth::LatitudeOfAuthalicSine(double sinBeta) const
{
    double p = std::asin(sinBeta);
    if (isSphere || std::fabs(p) >= kHalfPi)
        return p;
    const double q = sinBeta * qp;
    for (int pass = 0; pass < kMaxPasses; ++pass)
    {
        const double s = std::sin(p);
        const double c = std::cos(p);
        const double w = 1 - e2 * s * s;
        const double step = w * w / (2 * c) * (q / (1 - e2) - s / w + std::log((1 - e * s) / (1 + e * s)) / (2 * e));
        p += step;
        if (!(std::fabs(step) > kLatitudeTolerance))
            break;
        if (std::fabs(p) >= kHalfPi)
            return std::copysign(kHalfPi, p);
    }
    return p;
}

void CProjectionEqualEarth::Forward()
{
    const double theta = std::asin(kM * AuthalicSine(phi));
    x = fe + Rq * 2 * LongitudeFromOrigin() * std::cos(theta) / (kSqrt3 * OrdinateSlope(theta));
    y = fn + Rq * Ordinate(theta);
}

void CProjectionEqualEarth::Inverse()
{
    const double target = (y - fn) / Rq;
    // Theta from y / Rq by Newton's method from theta = y / (Rq A1); beyond
    // the pole line there is no point.
    double theta = target / kA1;
    for (int pass = 0; pass < kMaxPasses; ++pass)
    {
        const double step = (Ordinate(theta) - target) / OrdinateSlope(theta);
        theta -= step;
        if (!(std::fabs(step) > kThetaTolerance))
            break;
    }
    const double sinBeta = std::sin(theta) / kM;
    if (!(std::fabs(sinBeta) <= 1 + 1e-12))
    {
        phi = lambda = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    phi = LatitudeOfAuthalicSine(std::fmax(-1.0, std::fmin(1.0, sinBeta)));
    lambda = lambda0 + kSqrt3 * (x - fe) * OrdinateSlope(theta) / (2 * Rq * std::cos(theta));
    if (!(std::fabs(lambda - lambda0) <= kPi + 1e-12))
        phi = lambda = std::numeric_limits<double>::quiet_NaN();
}
