#pragma once

#include "Projection.h"

// Cylindrical equal-area, normal aspect, ellipsoid and sphere (Snyder, chapter 10).
class CProjectionCylEqArea : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double qp = 0; // q at the pole (ellipsoid)
};
