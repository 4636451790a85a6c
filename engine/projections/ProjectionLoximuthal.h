#pragma once

#include "Projection.h"

// Loximuthal on the sphere of radius a (central latitude phi1).
class CProjectionLoximuthal : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double T1 = 0;      // tan(phi1 / 2 + pi / 4)
    double cosPhi1 = 0;

private:
    // The inverse formulas, before the outline is checked.
    void InverseFormula();
};
