#pragma once

#include "Projection.h"

// Polar stereographic projection: scale factor at the pole (latitude of
// origin +-90, EPSG method 9810) or latitude of true scale (any other
// latitude of origin, EPSG method 9829); the sign of the latitude of origin
// selects the pole.
class CProjectionPolarStereo : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double sinPhiC = 0;
    double cosPhiC = 0;
    double hemisphere = 1; // +1 north pole, -1 south pole

private:
    double T(double p) const;
    bool AtPole() const;
};
