#include "ProjectionBonne.h"

#include <cmath>

#include "EllipsoidSeries.h"
#include "ProjectionWorldCommon.h"

void CProjectionBonne::Initialise(const CCfgMapProjection& r)
{
    a = r.semiMajorAxis;
    lambda0 = r.longitudeOrigin * kDegToRad;
    phi1 = r.parallelNorth * kDegToRad;
    InitialiseFalseOrigin(*this, r);
    isSphere = r.inverseFlattening == 0;
    sinPhi1 = std::sin(phi1);
    cotPhi1 = 1 / std::tan(phi1);
    if (isSphere)
        return;
    InitialiseEccentricity(*this, r);
    M1 = a * MeridianDistance(*this, phi1);
    const double m1 = std::cos(phi1) / std::sqrt(1 - e2 * sinPhi1 * sinPhi1);
    A1 = sinPhi1 == 0 ? 0 : a * m1 / sinPhi1;
}

void CProjectionBonne::Forward()
{
    const double dl = LongitudeFromOrigin();
    if (isSphere)
    {
        const double rho = cotPhi1 + phi1 - phi;
        if (std::fabs(rho) <= 1e-10)
        {
            // The apex of the cone: the false origin still applies.
            x = fe;
            y = fn + a * cotPhi1;
            return;
        }
        const double E = std::cos(phi) * dl / rho;
        x = fe + a * rho * std::sin(E);
        y = fn + a * (cotPhi1 - rho * std::cos(E));
        return;
    }
    const double s = std::sin(phi);
    const double rho = A1 + M1 - a * MeridianDistance(*this, phi);
    const double m = std::cos(phi) / std::sqrt(1 - e2 * s * s);
    const double E = rho == 0 ? 0 : a * m * dl / rho;
    x = fe + rho * std::sin(E);
    y = fn + A1 - rho * std::cos(E);
}

void CProjectionBonne::InverseFormula()
{
    const double xp = x - fe;
    const double yp = y - fn;
    const double sign = phi1 < 0 ? -1.0 : 1.0;
    if (isSphere)
    {
        const double X = xp / a;
        const double Y = cotPhi1 - yp / a;
        const double rho = sign * std::sqrt(X * X + Y * Y);
        phi = cotPhi1 + phi1 - rho;
        if (std::fabs(std::fabs(phi) - kHalfPi) <= 1e-10)
            lambda = lambda0;
        else
            lambda = lambda0 + rho * std::atan2(sign * X, sign * Y) / std::cos(phi);
        return;
    }
    const double ypp = A1 - yp;
    const double rho = sign * std::sqrt(xp * xp + ypp * ypp);
    phi = FootpointLatitude(*this, M1 + A1 - rho);
    if (std::fabs(phi) >= kHalfPi)
    {
        lambda = lambda0;
        return;
    }
    const double s = std::sin(phi);
    const double m = std::cos(phi) / std::sqrt(1 - e2 * s * s);
    lambda = lambda0 + rho * std::atan2(sign * xp, sign * ypp) / (a * m);
}

void CProjectionBonne::Inverse()
{
    InverseFormula();
    RefuseBeyondOutline();
}
