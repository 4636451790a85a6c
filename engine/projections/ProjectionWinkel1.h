#pragma once

#include "Projection.h"

// Winkel I on the sphere of radius a, its standard parallel the one whose cosine is 2/pi.
class CProjectionWinkel1 : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

private:
    // The inverse formulas, before the outline is checked.
    void InverseFormula();
};
