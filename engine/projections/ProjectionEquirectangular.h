#pragma once

#include "Projection.h"

// Equirectangular on the sphere of radius a, true to scale on phi1 (Snyder, chapter 12).
class CProjectionEquirectangular : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;
};
