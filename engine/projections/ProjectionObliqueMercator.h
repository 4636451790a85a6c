#pragma once

#include "Projection.h"

// Hotine oblique Mercator through the aposphere. Identifier 180 keeps the
// false origin at the natural origin (EPSG variant A, method 9812); 170 moves
// it to the projection centre (EPSG variant B, method 9815).
class CProjectionObliqueMercator : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double cos4PhiC = 0;
    double sinPhiC = 0;
    double uc = 0;       // u of the projection centre, metres
    double A = 0;
    double B = 0;
    double D = 0;
    double D2 = 0;       // D squared, or 1 when D < 1
    double F = 0;
    double G = 0;
    double H = 0;
    double gamma0 = 0;   // azimuth of the initial line on the aposphere
    double lambda0n = 0; // longitude of the natural origin
    double t0 = 0;
    bool naturalOrigin = false;
};
