#pragma once

#include "Projection.h"

// Miller cylindrical on the sphere of radius a (Snyder, chapter 11).
class CProjectionMiller : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;
};
