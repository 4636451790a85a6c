#include "ProjectionEckert6.h"

#include <cmath>

#include "ProjectionWorldCommon.h"

void CProjectionEckert6::Initialise(const CCfgMapProjection& r)
{
    InitialiseRadiusAndOrigin(*this, r);
    InitialiseEccentricity(*this, r); // kept for reference; the formulas are the sphere's
    sqrt2a = std::sqrt(2.0) * a;
    sqrt8a = std::sqrt(8.0) * a;
    R6 = a / std::sqrt(5.141592653589793);
    invR6 = 1 / R6;
}

void CProjectionEckert6::Forward()
{
    // Newton's method on theta + sin theta = (1 + pi/2) sin(phi).
    const double target = 2.5707963267948966 * std::sin(phi);
    double theta = phi;
    double c = 1 + std::cos(theta);
    for (int pass = 0; pass < kMaxPasses; ++pass)
    {
        c = 1 + std::cos(theta);
        const double delta = (theta + std::sin(theta) - target) / c;
        theta -= delta;
        if (!(std::fabs(delta) > 4.85e-10))
            break;
    }
    x = fe + R6 * LongitudeFromOrigin() * c;
    y = fn + 2 * R6 * theta;
}

void CProjectionEckert6::InverseFormula()
{
    const double theta = (y - fn) / (2 * R6);
    // Beyond the pole lines lies no point; within rounding of them, the pole.
    if (!(std::fabs(theta) <= kHalfPi * (1 + 1e-12)))
    {
        RefuseInverse();
        return;
    }
    const double s = (theta + std::sin(theta)) / 2.5707963267948966;
    phi = s > 1 ? kHalfPi : s < -1 ? -kHalfPi : std::asin(s);
    lambda = lambda0 + (x - fe) / (R6 * (1 + std::cos(theta)));
}

void CProjectionEckert6::Inverse()
{
    InverseFormula();
    RefuseBeyondOutline();
}
