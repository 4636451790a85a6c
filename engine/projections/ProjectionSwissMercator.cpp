#include "ProjectionSwissMercator.h"

#include <cmath>
#include <limits>

namespace {

// The Newton step that ends the latitude iteration, radians. The steps
// converge quadratically: one this small leaves nothing in the last bit (a
// step of 1e-5 would leave about 1e-10, a tenth of a millimetre).
constexpr double kStepTolerance = 1e-12;
constexpr int kMaxPasses = 100;

} // namespace

void CProjectionSwissMercator::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    if (k0 == 0)
        k0 = 1;
    const double s0 = std::sin(phi0);
    alphaS = std::sqrt(1 + e2 * std::pow(std::cos(phi0), 4) / (1 - e2));
    b0 = std::asin(s0 / alphaS);
    K = std::log(std::tan(kQuarterPi + b0 / 2)) -
        alphaS * (std::log(std::tan(kQuarterPi + phi0 / 2)) - (e / 2) * std::log((1 + e * s0) / (1 - e * s0)));
    R = k0 * a * std::sqrt(1 - e2) / (1 - e2 * s0 * s0);
}

void CProjectionSwissMercator::Forward()
{
    const double es = e * std::sin(phi);
    const double S =
        alphaS * (std::log(std::tan(kQuarterPi + phi / 2)) - (e / 2) * std::log((1 + es) / (1 - es))) + K;
    const double bs = 2 * (std::atan(std::exp(S)) - kQuarterPi);
    const double l = alphaS * LongitudeFromOrigin();
    // alpha above 1 stretches the longitudes past a half turn next to the far
    // meridian, where two points would share one place on the sphere.
    if (std::fabs(l) > kPi)
    {
        RefuseForward();
        return;
    }
    const double bp = std::asin(std::cos(b0) * std::sin(bs) - std::sin(b0) * std::cos(bs) * std::cos(l));
    // The poles of the oblique sphere, 90 degrees from the cylinder's line of
    // contact, lie at infinity.
    if (!(std::fabs(bp) < kHalfPi - kSingularTolerance))
    {
        RefuseForward();
        return;
    }
    // The pseudo longitude from both components: an arc sine folds points
    // beyond 90 degrees of it back onto the near side.
    const double lp = std::atan2(std::cos(bs) * std::sin(l),
                                 std::sin(b0) * std::sin(bs) + std::cos(b0) * std::cos(bs) * std::cos(l));
    x = R * lp + fe;
    y = R * std::log(std::tan(kQuarterPi + bp / 2)) + fn;
}

void CProjectionSwissMercator::Inverse()
{
    const double bp = 2 * (std::atan(std::exp((y - fn) / R)) - kQuarterPi);
    const double lp = (x - fe) / R;
    const double bs = std::asin(std::cos(b0) * std::sin(bp) + std::sin(b0) * std::cos(bp) * std::cos(lp));
    const double l = std::atan2(std::sin(lp) * std::cos(bp),
                                std::cos(b0) * std::cos(bp) * std::cos(lp) - std::sin(b0) * std::sin(bp));
    lambda = l / alphaS + lambda0;

    // Newton iteration for the latitude; the step just taken decides, and a
    // bounded number of passes keeps a value that never settles from spinning.
    const double C = (K - std::log(std::tan(kQuarterPi + bs / 2))) / alphaS;
    double p = bs;
    // The poles of the sphere are the ellipsoid's; the step below is 0 * inf.
    bool settled = std::fabs(bs) >= kHalfPi - kSingularTolerance;
    for (int pass = 0; pass < kMaxPasses && !settled; ++pass)
    {
        const double s = std::sin(p);
        const double Fv = std::log(std::tan(kQuarterPi + p / 2)) + C - (e / 2) * std::log((1 + e * s) / (1 - e * s));
        const double delta = Fv * std::cos(p) * (1 - e2 * s * s) / (1 - e2);
        p -= delta;
        if (std::isnan(delta))
            break;
        settled = std::fabs(delta) <= kStepTolerance;
    }
    // A latitude that has not settled is no answer.
    phi = settled ? p : std::numeric_limits<double>::quiet_NaN();
}
