#include "ProjectionWinkel1.h"

#include <cmath>

#include "ProjectionWorldCommon.h"

void CProjectionWinkel1::Initialise(const CCfgMapProjection& r)
{
    InitialiseRadiusAndOrigin(*this, r);
    phi1 = 0.8806892354203565; // cos(phi1) = 2 / pi
}

void CProjectionWinkel1::Forward()
{
    x = fe + a * LongitudeFromOrigin() * (std::cos(phi) + std::cos(phi1)) / 2;
    y = fn + a * phi;
}

void CProjectionWinkel1::InverseFormula()
{
    phi = (y - fn) / a;
    lambda = lambda0 + 2 * (x - fe) / (a * (std::cos(phi) + std::cos(phi1)));
}

void CProjectionWinkel1::Inverse()
{
    InverseFormula();
    RefuseBeyondOutline();
}
