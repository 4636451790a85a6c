#include "ProjectionEckert3.h"

#include <cmath>

#include "ProjectionWorldCommon.h"

// 4 / pi^2, 2 / sqrt(pi (4 + pi)) and 4 / sqrt(pi (4 + pi)).

namespace {

double Root(double phi)
{
    const double arg = 1 - 0.4052847345693511 * phi * phi;
    return arg > 0 ? std::sqrt(arg) : 0;
}

} // namespace

void CProjectionEckert3::Initialise(const CCfgMapProjection& r)
{
    InitialiseRadiusAndOrigin(*this, r);
}

void CProjectionEckert3::Forward()
{
    x = fe + 0.4222382003157712 * a * LongitudeFromOrigin() * (1 + Root(phi));
    y = fn + 0.8444764006315424 * a * phi;
}

void CProjectionEckert3::InverseFormula()
{
    phi = (y - fn) / (0.8444764006315424 * a);
    lambda = lambda0 + (x - fe) / (0.4222382003157712 * a * (1 + Root(phi)));
}

void CProjectionEckert3::Inverse()
{
    InverseFormula();
    RefuseBeyondOutline();
}
