#pragma once

#include "ProjectionKrovak.h"

// Krovak (North Orientated), EPSG method 1041: the Krovak grid with both axes
// turned, easting = -westing and northing = -southing, each with the false
// origin of the south-west orientated form included before the turn.
class CProjectionKrovakNorth : public CProjectionKrovak
{
public:
    void Forward() override;
    void Inverse() override;
};
