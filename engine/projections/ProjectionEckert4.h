#pragma once

#include "Projection.h"

// Eckert IV on the sphere of radius a (Snyder, chapter 32).
class CProjectionEckert4 : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double cx = 0; // 2 / sqrt(pi (4 + pi)) a
    double cy = 0; // 2 sqrt(pi / (4 + pi)) a
    double cp = 0; // 2 + pi / 2

private:
    // The inverse formulas, before the outline is checked.
    void InverseFormula();
};
