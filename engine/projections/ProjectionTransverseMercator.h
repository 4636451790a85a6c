#pragma once

#include "Projection.h"

// Ellipsoidal transverse Mercator after the DMA technical manual for UTM
// (TM 8358.2): series in the longitude difference up to its eighth power and
// a meridian arc in the third flattening. Identifier 161 is the south
// orientated form, whose westing and southing grow towards west and south.
class CProjectionTransverseMercator : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double Ap = 0; // meridian arc coefficients A' .. E', metres
    double Bp = 0;
    double Cp = 0;
    double Dp = 0;
    double Ep = 0;
    double n = 0;  // third flattening and its powers
    double n2 = 0;
    double n3 = 0;
    double n4 = 0;
    double n5 = 0;
    double ep2 = 0; // second eccentricity squared
    double M0 = 0;  // meridian arc to the latitude of origin, metres

private:
    double MeridianArc(double phi, double sinPhi, double cosPhi) const;
    void SphereForward(double dl, double& u, double& v) const;
};
