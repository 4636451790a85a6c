#include "ProjectionColombiaUrban.h"

#include <cmath>

void CProjectionColombiaUrban::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    const double heightOfPlane = r.scaleFactor;
    const double s = std::sin(phi0);
    const double w = 1 - e2 * s * s;
    const double nu0 = a / std::sqrt(w);
    rho0 = a * (1 - e2) / std::pow(w, 1.5);
    A = 1 + heightOfPlane / nu0;
    B = std::tan(phi0) / (2 * rho0 * nu0);
    G = 1 + heightOfPlane / rho0;
}

double CProjectionColombiaUrban::PrimeVerticalRadius(double latitude) const
{
    const double s = std::sin(latitude);
    return a / std::sqrt(1 - e2 * s * s);
}

void CProjectionColombiaUrban::Forward()
{
    const double dl = LongitudeFromOrigin();
    const double nuCos = PrimeVerticalRadius(phi) * std::cos(phi);
    x = fe + A * nuCos * dl;
    y = fn + G * rho0 * ((phi - phi0) + B * dl * dl * nuCos * nuCos);
}

// The forward northing's second term is B (x' / A) squared, so the latitude
// follows from the grid coordinates directly and the longitude from it.
void CProjectionColombiaUrban::Inverse()
{
    const double u = (x - fe) / A;
    phi = phi0 + (y - fn) / (G * rho0) - B * u * u;
    lambda = lambda0 + u / (PrimeVerticalRadius(phi) * std::cos(phi));
}
