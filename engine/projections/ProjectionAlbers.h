#pragma once

#include "Projection.h"

// Albers equal-area conic on the ellipsoid (Snyder, chapter 14).
class CProjectionAlbers : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double n = 0;    // cone constant
    double C = 0;    // m1^2 + n q1
    double rho0 = 0; // radius of the parallel of origin
};
