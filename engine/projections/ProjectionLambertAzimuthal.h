#pragma once

#include "Projection.h"

// Lambert azimuthal equal-area, ellipsoid and sphere (Snyder, chapter 24).
class CProjectionLambertAzimuthal : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double cosPhi0 = 0;
    double sinPhi0 = 0;
    double q1 = 0;       // q of the centre's latitude
    double qp = 0;       // q at the pole
    double sinBeta1 = 0; // authalic latitude of the centre
    double cosBeta1 = 0;
};
