#pragma once

#include "Projection.h"

// Equal Earth (EPSG method 1078; Savric, Patterson and Jenny 2018), on the
// authalic sphere of the ellipsoid: authalic latitude for geodetic latitude,
// the polynomial in the parametric angle theta with sin(theta) = M sin(beta).
class CProjectionEqualEarth : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double qp = 0; // authalic q at the pole
    double Rq = 0; // radius of the authalic sphere, metres

private:
    double AuthalicSine(double latitude) const;
    double LatitudeOfAuthalicSine(double sinBeta) const;
};
