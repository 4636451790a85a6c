#pragma once

#include "Projection.h"

// Lambert Azimuthal Equal Area (Spherical), EPSG method 1027: the spherical
// formulas applied to geodetic latitude and longitude, with the radius of the
// ellipsoid's authalic sphere (a itself on a sphere).
class CProjectionLambertAzimuthalSpherical : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double R = 0; // radius of the authalic sphere, metres
};
