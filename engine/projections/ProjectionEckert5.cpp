#include "ProjectionEckert5.h"

#include <cmath>

#include "ProjectionWorldCommon.h"

// 1 / sqrt(2 + pi), 2 / sqrt(2 + pi), sqrt(2 + pi) / 2 and sqrt(2 + pi).

void CProjectionEckert5::Initialise(const CCfgMapProjection& r)
{
    InitialiseRadiusAndOrigin(*this, r);
}

void CProjectionEckert5::Forward()
{
    x = fe + 0.4410127717245515 * a * (1 + std::cos(phi)) * LongitudeFromOrigin();
    y = fn + 0.882025543449103 * a * phi;
}

void CProjectionEckert5::InverseFormula()
{
    phi = 1.133754013619113 * (y - fn) / a;
    lambda = lambda0 + 2.267508027238226 * (x - fe) / (a * (1 + std::cos(phi)));
}

void CProjectionEckert5::Inverse()
{
    InverseFormula();
    RefuseBeyondOutline();
}
