#pragma once

#include "Projection.h"

// Cassini-Soldner transverse cylindrical projection, Snyder's series on the
// ellipsoid and the exact formulas on a sphere.
class CProjectionCassiniSoldner : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double M0 = 0; // meridian distance of the latitude of origin, metres
    double M1 = 0; // meridian distance coefficients
    double M2 = 0;
    double M3 = 0;
    double M4 = 0;
    double J1 = 0; // footpoint latitude coefficients
    double J2 = 0;
    double J3 = 0;
    double J4 = 0;
};
