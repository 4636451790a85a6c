#pragma once

#include "Projection.h"

// Swiss oblique cylindrical projection (EPSG method 9814): a Gauss conformal
// sphere rotated to the origin, then a transverse Mercator of the sphere.
class CProjectionSwissMercator : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double alphaS = 0; // exponent of the conformal sphere
    double b0 = 0;     // latitude of the origin on the sphere
    double K = 0;
    double R = 0;      // radius of the sphere times k0, metres
};
