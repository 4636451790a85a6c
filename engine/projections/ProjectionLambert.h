#pragma once

#include "Projection.h"

// Ellipsoidal Lambert conformal conic: one standard parallel (100), west
// orientated (101), two standard parallels (110) and the Belgian cone with
// its fixed rotation (111).
class CProjectionLambert : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double n = 0;        // cone constant
    double F = 0;        // m1 / (n t1^n)
    double rho0 = 0;     // radius of the parallel of origin, metres
    double rotation = 0; // radians subtracted from theta

private:
    double M(double p) const;
    double T(double p) const;
};
