#pragma once

#include "Projection.h"

// Oblique stereographic projection through a Gauss conformal sphere (EPSG
// method 9809).
class CProjectionObliqueStereo : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double c = 0;    // constant of the conformal sphere
    double n = 0;
    double chi0 = 0; // conformal latitude of the origin
    double R = 0;    // radius of the conformal sphere, metres
    bool polar = false; // origin at a pole
};
