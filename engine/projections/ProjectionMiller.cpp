#include "ProjectionMiller.h"

#include <cmath>

#include "ProjectionWorldCommon.h"

void CProjectionMiller::Initialise(const CCfgMapProjection& r)
{
    InitialiseRadiusAndOrigin(*this, r);
}

void CProjectionMiller::Forward()
{
    x = fe + a * LongitudeFromOrigin();
    y = fn + 1.25 * a * std::log(std::tan(0.785398163397448279 + phi / 2.5));
}

void CProjectionMiller::Inverse()
{
    // Snyder's 2.5 atan(exp(0.8 y / a)) - 5 pi / 8 in its Gudermannian form.
    phi = std::atan(std::sinh(0.8 * (y - fn) / a)) / 0.8;
    lambda = lambda0 + (x - fe) / a;
}
