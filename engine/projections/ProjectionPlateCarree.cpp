#include "ProjectionPlateCarree.h"

#include "ProjectionWorldCommon.h"

void CProjectionPlateCarree::Initialise(const CCfgMapProjection& r)
{
    a = r.semiMajorAxis;
    phi0 = r.latitudeOrigin * kDegToRad;
    lambda0 = r.longitudeOrigin * kDegToRad;
    InitialiseFalseOrigin(*this, r);
}

void CProjectionPlateCarree::Forward()
{
    x = fe + a * LongitudeFromOrigin();
    y = fn + a * (phi - phi0);
}

void CProjectionPlateCarree::Inverse()
{
    phi = phi0 + (y - fn) / a;
    lambda = lambda0 + (x - fe) / a;
}
