#pragma once

#include "Projection.h"

// Equidistant Cylindrical, EPSG method 1028 on the ellipsoid (northing the
// meridian arc from the equator, easting true to scale along the standard
// parallel phi1) and method 1029, its spherical form with the radius a.
class CProjectionEquidistantCylindrical : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double parallelRadius = 0; // nu1 cos(phi1), metres
    bool spherical = false;

private:
    double Arc(double latitude) const;
};
