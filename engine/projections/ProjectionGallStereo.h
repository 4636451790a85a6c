#pragma once

#include "Projection.h"

// Gall stereographic on the sphere of radius a.
class CProjectionGallStereo : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;
};
