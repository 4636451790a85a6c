#pragma once

#include "Projection.h"

// American polyconic, ellipsoid and sphere (Snyder, chapter 18).
class CProjectionPolyconic : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double e0 = 0; // meridian distance coefficients
    double e1 = 0;
    double e2p = 0;
    double e3 = 0;
    double M0 = 0; // meridian distance of the latitude of origin, metres

private:
    // The inverse formulas, before the outline is checked.
    void InverseFormula();
};
