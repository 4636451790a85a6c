#include "ProjectionSinusoidal.h"

#include <cmath>

#include "EllipsoidSeries.h"
#include "ProjectionWorldCommon.h"

void CProjectionSinusoidal::Initialise(const CCfgMapProjection& r)
{
    a = r.semiMajorAxis;
    isSphere = r.inverseFlattening == 0;
    if (!isSphere)
        InitialiseEccentricity(*this, r);
    lambda0 = r.longitudeOrigin * kDegToRad;
    InitialiseFalseOrigin(*this, r);
}

void CProjectionSinusoidal::Forward()
{
    const double dl = LongitudeFromOrigin();
    if (isSphere)
    {
        x = fe + a * dl * std::cos(phi);
        y = fn + a * phi;
        return;
    }
    const double s = std::sin(phi);
    x = fe + a * dl * std::cos(phi) / std::sqrt(1 - e2 * s * s);
    y = fn + a * MeridianDistance(*this, phi);
}

void CProjectionSinusoidal::InverseFormula()
{
    const double xp = x - fe;
    const double yp = y - fn;
    if (isSphere)
    {
        phi = yp / a;
        lambda = lambda0 + xp / (a * std::cos(phi));
        return;
    }
    phi = FootpointLatitude(*this, yp);
    if (std::fabs(phi) >= 1.5707963267948966)
    {
        lambda = lambda0;
        return;
    }
    const double s = std::sin(phi);
    lambda = lambda0 + xp * std::sqrt(1 - e2 * s * s) / (a * std::cos(phi));
}

void CProjectionSinusoidal::Inverse()
{
    InverseFormula();
    RefuseBeyondOutline();
}
