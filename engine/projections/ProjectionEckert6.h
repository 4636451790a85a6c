#pragma once

#include "Projection.h"

// Eckert VI on the sphere of radius a (Snyder, chapter 32).
class CProjectionEckert6 : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double sqrt2a = 0;
    double sqrt8a = 0;
    double R6 = 0;    // a / sqrt(2 + pi)
    double invR6 = 0; // its reciprocal

private:
    // The inverse formulas, before the outline is checked.
    void InverseFormula();
};
