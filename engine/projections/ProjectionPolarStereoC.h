#pragma once

#include "Projection.h"

// Polar Stereographic (variant C), EPSG method 9830: the polar aspect with
// a standard parallel phi1 (whose sign chooses the pole) and the false
// origin at the standard parallel's crossing of the origin meridian, fe and
// fn being the grid coordinates of that point.
class CProjectionPolarStereoC : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double rhoF = 0;       // radius of the standard parallel, metres
    double tF = 0;         // isometric function at the standard parallel
    double hemisphere = 1; // +1 north pole, -1 south pole

private:
    // The isometric function of the latitude, counted from the pole the
    // projection is centred on.
    double T(double latitude) const;
};
