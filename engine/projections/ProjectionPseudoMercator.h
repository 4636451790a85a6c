#pragma once

#include "Projection.h"

// Popular Visualisation Pseudo Mercator (EPSG method 1024): the spherical
// Mercator formulas with the radius a, applied to geodetic latitude and
// longitude of the ellipsoid as they are. It is not conformal on the
// ellipsoid; that is the definition of the web map grid, not a shortcut.
class CProjectionPseudoMercator : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;
};
