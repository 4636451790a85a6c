#include "ProjectionEckert4.h"

#include <algorithm>
#include <cmath>

#include "ProjectionWorldCommon.h"

void CProjectionEckert4::Initialise(const CCfgMapProjection& r)
{
    InitialiseRadiusAndOrigin(*this, r);
    cx = 0.4222382003157712 * a;
    cy = 1.3265004281770023 * a;
    cp = 3.5707963267948966;
}

void CProjectionEckert4::Forward()
{
    // Newton's method on theta + sin theta cos theta + 2 sin theta = (2 + pi/2) sin(phi).
    const double target = cp * std::sin(phi);
    double theta = phi / 2;
    // At the poles theta = +-pi/2 exactly; Newton's steps would stall short
    // of it in rounding.
    if (std::fabs(phi) >= 1.5707963267948966)
        theta = std::copysign(1.5707963267948966, phi);
    else
    {
        for (int pass = 0; pass < kMaxPasses; ++pass)
        {
            const double s = std::sin(theta);
            const double c = std::cos(theta);
            const double delta = (theta + s * c + 2 * s - target) / (2 * c * (1 + c));
            theta -= delta;
            if (!(std::fabs(delta) > 4.85e-10))
                break;
        }
    }
    x = fe + cx * LongitudeFromOrigin() * (1 + std::cos(theta));
    y = fn + cy * std::sin(theta);
}

void CProjectionEckert4::InverseFormula()
{
    // Beyond the pole lines lies no point; within rounding of them, the pole.
    const double sinTheta = (y - fn) / cy;
    if (!(std::fabs(sinTheta) <= 1 + 1e-12))
    {
        RefuseInverse();
        return;
    }
    const double theta = std::asin(std::clamp(sinTheta, -1.0, 1.0));
    phi = std::asin((theta + std::sin(theta) * std::cos(theta) + 2 * std::sin(theta)) / cp);
    lambda = lambda0 + (x - fe) / (cx * (1 + std::cos(theta)));
}

void CProjectionEckert4::Inverse()
{
    InverseFormula();
    RefuseBeyondOutline();
}
