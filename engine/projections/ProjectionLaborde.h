#pragma once

#include <complex>

#include "Projection.h"

// Laborde Oblique Mercator (EPSG method 9813), the grid of Madagascar: the
// ellipsoid onto Gauss's conformal sphere, the sphere turned so that the
// projection centre lies on its equator, a Mercator of the turned sphere, and
// a complex cubic term that sets the grid's azimuth (IGN's note NT/G 74, as
// EPSG's guidance note 7-2 gives it).
class CProjectionLaborde : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

private:
    double B = 0;      // exponent of the conformal sphere
    double phiS = 0;   // latitude of the centre on the sphere
    double R = 0;      // radius of the sphere times the scale factor, metres
    double C = 0;      // constant of the isometric latitudes
    std::complex<double> G; // coefficient of the cubic term
};
