#pragma once

#include "Projection.h"

// Colombia Urban (EPSG method 1052): the city grids of Colombia, a local
// projection lifted to the projection plane height H0 above the ellipsoid.
// The record carries H0 in metres in its scale field, which the method has
// no other use for.
class CProjectionColombiaUrban : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double A = 0;    // 1 + H0 / nu0
    double B = 0;    // tan(phi0) / (2 rho0 nu0)
    double G = 0;    // 1 + H0 / rho0
    double rho0 = 0; // meridian radius of curvature at the origin

private:
    double PrimeVerticalRadius(double latitude) const;
};
