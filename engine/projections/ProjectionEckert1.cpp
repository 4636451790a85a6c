#include "ProjectionEckert1.h"

#include <cmath>

#include "ProjectionWorldCommon.h"

// 2 sqrt(2 / (3 pi)) and 1 / pi.

void CProjectionEckert1::Initialise(const CCfgMapProjection& r)
{
    InitialiseRadiusAndOrigin(*this, r);
}

void CProjectionEckert1::Forward()
{
    x = fe + 0.9213177319235613 * a * LongitudeFromOrigin() * (1 - 0.3183098861837907 * std::fabs(phi));
    y = fn + 0.9213177319235613 * a * phi;
}

void CProjectionEckert1::InverseFormula()
{
    phi = (y - fn) / (0.9213177319235613 * a);
    lambda = lambda0 + (x - fe) / (0.9213177319235613 * a * (1 - 0.3183098861837907 * std::fabs(phi)));
}

void CProjectionEckert1::Inverse()
{
    InverseFormula();
    RefuseBeyondOutline();
}
