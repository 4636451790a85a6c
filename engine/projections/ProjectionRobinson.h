#pragma once

#include "Projection.h"

// Robinson, interpolated in its table of 5 degree nodes, on the sphere of radius a.
class CProjectionRobinson : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

private:
    // The inverse formulas, before the outline is checked.
    void InverseFormula();
};
