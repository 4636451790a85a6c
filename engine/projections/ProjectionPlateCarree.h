#pragma once

#include "Projection.h"

// Plate carree: the equirectangular true to scale on the equator.
class CProjectionPlateCarree : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;
};
