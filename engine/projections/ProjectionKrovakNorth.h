#pragma once

#include "ProjectionKrovak.h"
#include "ProjectionKrovakModified.h"

// A north orientated Krovak grid: the south-west orientated grid of Base with
// both axes turned, easting = -westing and northing = -southing, each with the
// false origin of the south-west orientated form included before the turn.
template <class Base>
class CProjectionKrovakTurned : public Base
{
public:
    void Forward() override
    {
        Base::Forward();
        this->x = -this->x;
        this->y = -this->y;
    }

    void Inverse() override
    {
        const double easting = this->x;
        const double northing = this->y;
        this->x = -easting;
        this->y = -northing;
        Base::Inverse();
        this->x = easting;
        this->y = northing;
    }
};

// Krovak (North Orientated), EPSG method 1041.
using CProjectionKrovakNorth = CProjectionKrovakTurned<CProjectionKrovak>;
// Krovak Modified (North Orientated), EPSG method 1043.
using CProjectionKrovakModifiedNorth = CProjectionKrovakTurned<CProjectionKrovakModified>;
