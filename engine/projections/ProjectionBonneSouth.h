#pragma once

#include "Projection.h"

// Bonne (South Orientated), EPSG method 9828: the ellipsoidal Bonne of the
// natural origin (phi0, lambda0), written as westing and southing (x grows
// west, y grows south, each from the false origin).
class CProjectionBonneSouth : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double originRadius = 0; // a m0 / sin(phi0): radius of the origin's parallel in the plane
    double originArc = 0;    // meridian arc to the origin

private:
    double ParallelFactor(double latitude) const; // m = cos(phi) / sqrt(1 - e2 sin2(phi))
};
