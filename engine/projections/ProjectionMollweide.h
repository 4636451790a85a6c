#pragma once

#include "Projection.h"

// Mollweide on the sphere of radius a (Snyder, chapter 31).
class CProjectionMollweide : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double sqrt2a = 0; // sqrt(2) a
    double sqrt8a = 0; // sqrt(8) a

private:
    // The inverse formulas, before the outline is checked.
    void InverseFormula();
};
