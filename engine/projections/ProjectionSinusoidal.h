#pragma once

#include "Projection.h"

// Sinusoidal, ellipsoid and sphere (Snyder, chapter 30).
class CProjectionSinusoidal : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

private:
    // The inverse formulas, before the outline is checked.
    void InverseFormula();
};
