#include "ProjectionGallStereo.h"

#include <cmath>

#include "ProjectionWorldCommon.h"

// 1/sqrt(2), 1 + 1/sqrt(2), 1 / (1 + 1/sqrt(2)) and sqrt(2).

void CProjectionGallStereo::Initialise(const CCfgMapProjection& r)
{
    InitialiseRadiusAndOrigin(*this, r);
}

void CProjectionGallStereo::Forward()
{
    x = fe + 0.7071067811865476 * a * LongitudeFromOrigin();
    y = fn + 1.7071067811865475 * a * std::tan(phi / 2);
}

void CProjectionGallStereo::Inverse()
{
    phi = 2 * std::atan(0.585786437626905 * (y - fn) / a);
    lambda = lambda0 + 1.4142135623730951 * (x - fe) / a;
}
