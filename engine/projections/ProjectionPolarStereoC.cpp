#include "ProjectionPolarStereoC.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kLatitudeTolerance = 1e-14;
constexpr int kMaxPasses = 100;

} // namespace

void CProjectionPolarStereoC::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    hemisphere = phi1 < 0 ? -1 : 1;
    const double s = std::sin(phi1);
    rhoF = a * std::cos(phi1) / std::sqrt(1 - e2 * s * s);
    tF = T(phi1);
    // A standard parallel at the pole has no circle to put the origin on.
    if (!(rhoF > 0 && tF > 0))
        rhoF = std::numeric_limits<double>::quiet_NaN();
}

double CProjectionPolarStereoC::T(double latitude) const
{
    const double p = hemisphere * latitude;
    const double es = e * std::sin(p);
    return std::tan(kQuarterPi - p / 2) / std::pow((1 - es) / (1 + es), e / 2);
}

void CProjectionPolarStereoC::Forward()
{
    const double rho = rhoF * T(phi) / tF;
    const double theta = LongitudeFromOrigin();
    x = fe + rho * std::sin(theta);
    // North: N = NF + rhoF - rho cos; south: N = NF - rhoF + rho cos.
    y = fn + hemisphere * (rhoF - rho * std::cos(theta));
}

void CProjectionPolarStereoC::Inverse()
{
    const double dx = x - fe;
    const double dy = hemisphere * (y - fn) - rhoF; // -rho cos(theta)
    const double rho = std::hypot(dx, dy);
    const double t = rho * tF / rhoF;
    // Latitude from the isometric function in a bounded number of passes.
    double p = kHalfPi - 2 * std::atan(t);
    for (int pass = 0; pass < kMaxPasses; ++pass)
    {
        const double es = e * std::sin(p);
        const double next = kHalfPi - 2 * std::atan(t * std::pow((1 - es) / (1 + es), e / 2));
        const bool settled = std::fabs(next - p) <= kLatitudeTolerance;
        p = next;
        if (settled)
            break;
    }
    phi = hemisphere * p;
    lambda = lambda0 + (rho == 0 ? 0.0 : std::atan2(dx, -dy));
}
