#include "ProjectionEckert2.h"

#include <cmath>
#include <limits>

#include "ProjectionWorldCommon.h"

// 2 / sqrt(6 pi) and sqrt(2 pi / 3).

void CProjectionEckert2::Initialise(const CCfgMapProjection& r)
{
    InitialiseRadiusAndOrigin(*this, r);
}

void CProjectionEckert2::Forward()
{
    const double r = std::sqrt(4 - 3 * std::sin(std::fabs(phi)));
    x = fe + 0.46065886596178063 * a * LongitudeFromOrigin() * r;
    const double dy = 1.4472025091165353 * a * (2 - r);
    y = phi < 0 ? fn - dy : fn + dy;
}

void CProjectionEckert2::InverseFormula()
{
    const double b = (y - fn) / a;
    const double c = 2 - std::fabs(b) / 1.4472025091165353;
    const double d = (4 - c * c) * 0.3333333333333333;
    if (std::fabs(d) < 1)
        phi = std::asin(d);
    else if (std::fabs(d) <= 1.0000001)
        phi = d < 0 ? -1.5707963267948966 : 1.5707963267948966;
    else
        // Beyond the pole line: no latitude, rather than d taken as one.
        phi = std::numeric_limits<double>::quiet_NaN();
    if (b < 0)
        phi = -phi;
    lambda = lambda0 + (x - fe) / (0.46065886596178063 * a * c);
}

void CProjectionEckert2::Inverse()
{
    InverseFormula();
    RefuseBeyondOutline();
}
