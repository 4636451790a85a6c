#include "ProjectionLoximuthal.h"

#include <cmath>

#include "ProjectionWorldCommon.h"

namespace {

// t = phi/2 + pi/4 at either pole: 0 in the south, pi/2 in the north.
bool AtPole(double t)
{
    return std::fabs(t) < 1e-8 || std::fabs(std::fabs(t) - 1.5707963267948966) < 1e-8;
}

} // namespace

void CProjectionLoximuthal::Initialise(const CCfgMapProjection& r)
{
    InitialiseRadiusAndOrigin(*this, r);
    phi1 = r.parallelNorth * kDegToRad;
    T1 = std::tan(phi1 / 2 + kQuarterPi);
    cosPhi1 = std::cos(phi1);
}

void CProjectionLoximuthal::Forward()
{
    const double dl = LongitudeFromOrigin();
    y = fn + a * (phi - phi1);
    if (std::fabs(phi - phi1) < 1e-8)
    {
        x = fe + a * dl * cosPhi1;
        return;
    }
    const double t = phi / 2 + kQuarterPi;
    if (AtPole(t))
        x = fe;
    else
        x = fe + a * dl * (phi - phi1) / std::log(std::tan(t) / T1);
}

void CProjectionLoximuthal::InverseFormula()
{
    const double xa = (x - fe) / a;
    const double Y = (y - fn) / a;
    phi = phi1 + Y;
    if (std::fabs(Y) < 1e-8)
    {
        lambda = lambda0 + xa / cosPhi1;
        return;
    }
    const double t = phi / 2 + kQuarterPi;
    if (AtPole(t))
        lambda = lambda0;
    else
        lambda = lambda0 + std::log(std::tan(t) / T1) * xa / Y;
}

void CProjectionLoximuthal::Inverse()
{
    InverseFormula();
    RefuseBeyondOutline();
}
