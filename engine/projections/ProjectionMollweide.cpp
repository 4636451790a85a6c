#include "ProjectionMollweide.h"

#include <cmath>

#include "ProjectionWorldCommon.h"

void CProjectionMollweide::Initialise(const CCfgMapProjection& r)
{
    InitialiseRadiusAndOrigin(*this, r);
    InitialiseEccentricity(*this, r); // kept for reference; the formulas are the sphere's
    sqrt2a = std::sqrt(2.0) * a;
    sqrt8a = std::sqrt(8.0) * a;
}

void CProjectionMollweide::Forward()
{
    // Newton's method on t + sin t = pi sin(phi), t = 2 theta.
    const double target = kPi * std::sin(phi);
    double t = phi;
    // At the poles t = +-pi exactly. Newton's steps would stall there about
    // 1e-5 short, where t + sin t - pi vanishes in rounding, and leave the
    // pole tens of metres off the central meridian.
    if (std::fabs(phi) >= 1.5707963267948966)
        t = std::copysign(kPi, phi);
    else
    {
        for (int pass = 0; pass < kMaxPasses; ++pass)
        {
            const double delta = (t + std::sin(t) - target) / (1 + std::cos(t));
            t -= delta;
            if (!(std::fabs(delta) > 4.85e-10))
                break;
        }
    }
    const double theta = t / 2;
    x = fe + (sqrt8a / kPi) * LongitudeFromOrigin() * std::cos(theta);
    y = fn + sqrt2a * std::sin(theta);
}

void CProjectionMollweide::InverseFormula()
{
    const double theta = std::asin((y - fn) / sqrt2a);
    phi = std::asin((2 * theta + std::sin(2 * theta)) / kPi);
    lambda = lambda0 + kPi * (x - fe) / (sqrt8a * std::cos(theta));
}

void CProjectionMollweide::Inverse()
{
    InverseFormula();
    RefuseBeyondOutline();
}
