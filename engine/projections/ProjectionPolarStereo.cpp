#include "ProjectionPolarStereo.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kPoleTolerance = 1e-10;
constexpr double kLatitudeTolerance = 1e-10;
constexpr int kMaxPasses = 100;

} // namespace

void CProjectionPolarStereo::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    hemisphere = 1;
    if (phi0 < 0)
    {
        phi0 = -phi0;
        lambda0 = -lambda0;
        hemisphere = -1;
    }
    sinPhiC = std::sin(phi0);
    cosPhiC = std::cos(phi0);
}

double CProjectionPolarStereo::T(double p) const
{
    const double es = e * std::sin(p);
    return std::tan(kQuarterPi - p / 2) / std::pow((1 - es) / (1 + es), e / 2);
}

bool CProjectionPolarStereo::AtPole() const
{
    return !(std::fabs(std::fabs(phi0) - kHalfPi) > kPoleTolerance);
}

void CProjectionPolarStereo::Forward()
{
    const double s = hemisphere;
    // The other pole lies at infinity.
    if (s * phi <= -kHalfPi + kSingularTolerance)
    {
        RefuseForward();
        return;
    }
    const double t = T(s * phi);
    double rho;
    if (!AtPole())
    {
        const double mc = cosPhiC / std::sqrt(1 - e2 * sinPhiC * sinPhiC);
        rho = a * mc * t / T(phi0);
    }
    else
        rho = 2 * a * k0 * t / std::sqrt(std::pow(1 + e, 1 + e) * std::pow(1 - e, 1 - e));
    const double theta = ReducedAngle(s * lambda - lambda0);
    x = fe + s * rho * std::sin(theta);
    y = fn - s * rho * std::cos(theta);
}

void CProjectionPolarStereo::Inverse()
{
    const double s = hemisphere;
    const double xp = s * (x - fe);
    const double yp = s * (y - fn);
    const double rho = std::sqrt(xp * xp + yp * yp);
    double t;
    if (!AtPole())
    {
        const double mc = cosPhiC / std::sqrt(1 - e2 * sinPhiC * sinPhiC);
        t = rho * T(phi0) / (a * mc);
    }
    else
        t = rho * std::sqrt(std::pow(1 + e, 1 + e) * std::pow(1 - e, 1 - e)) / (2 * a * k0);

    // Latitude from the isometric function, in a bounded number of passes so
    // that a value that never settles (or is not a number) cannot spin.
    double p = kHalfPi - 2 * std::atan(t);
    bool settled = !(std::fabs(p) > kLatitudeTolerance);
    for (int pass = 0; pass < kMaxPasses && !settled; ++pass)
    {
        const double es = e * std::sin(p);
        const double next = kHalfPi - 2 * std::atan(t * std::pow((1 - es) / (1 + es), e / 2));
        settled = std::fabs(next - p) <= kLatitudeTolerance;
        p = next;
    }
    // A latitude that has not settled is no answer.
    phi = settled ? s * p : std::numeric_limits<double>::quiet_NaN();
    lambda = s * (std::atan2(xp, -yp) + lambda0);
}
