#include "ProjectionEquirectangular.h"

#include <cmath>

#include "ProjectionWorldCommon.h"

void CProjectionEquirectangular::Initialise(const CCfgMapProjection& r)
{
    a = r.semiMajorAxis;
    phi0 = r.latitudeOrigin * kDegToRad;
    lambda0 = r.longitudeOrigin * kDegToRad;
    phi1 = r.parallelNorth * kDegToRad;
    InitialiseFalseOrigin(*this, r);
}

void CProjectionEquirectangular::Forward()
{
    x = fe + a * std::cos(phi1) * LongitudeFromOrigin();
    y = fn + a * (phi - phi0);
}

void CProjectionEquirectangular::Inverse()
{
    phi = phi0 + (y - fn) / a;
    lambda = lambda0 + (x - fe) / (a * std::cos(phi1));
}
