#pragma once

#include "Projection.h"

// Eckert V on the sphere of radius a.
class CProjectionEckert5 : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

private:
    // The inverse formulas, before the outline is checked.
    void InverseFormula();
};
