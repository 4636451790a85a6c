#pragma once

#include "Projection.h"

// Normal Mercator: scale factor given (140) or standard parallel given (150),
// on an ellipsoid or a sphere.
class CProjectionMercator : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;
};
