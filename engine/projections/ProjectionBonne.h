#pragma once

#include "Projection.h"

// Bonne, ellipsoid and sphere (Snyder, chapter 19).
class CProjectionBonne : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double sinPhi1 = 0;
    double cotPhi1 = 0;
    double M1 = 0; // meridian distance of the standard parallel, metres
    double A1 = 0; // a m1 / sin phi1

private:
    // The inverse formulas, before the outline is checked.
    void InverseFormula();
};
