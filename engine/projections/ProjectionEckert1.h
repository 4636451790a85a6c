#pragma once

#include "Projection.h"

// Eckert I on the sphere of radius a.
class CProjectionEckert1 : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

private:
    // The inverse formulas, before the outline is checked.
    void InverseFormula();
};
