#pragma once

#include "Projection.h"

// Eckert II on the sphere of radius a.
class CProjectionEckert2 : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

private:
    // The inverse formulas, before the outline is checked.
    void InverseFormula();
};
