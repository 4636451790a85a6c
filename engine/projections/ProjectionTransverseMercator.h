#pragma once

#include "Projection.h"

// Ellipsoidal transverse Mercator by Krüger's series in the third flattening n
// to its sixth power (Karney, J. Geodesy 85, 2011; Poder and Engsager): the
// conformal latitude and the longitude go to the sphere's transverse Mercator,
// and a trigonometric series maps that onto the ellipsoid's, both ways. On the
// sphere (n = 0) the series vanish and the formulas are the closed form.
// Identifier 161 is the south orientated form, whose westing and southing grow
// towards west and south. Points farther than kMaxDistanceFromMeridian from the
// central meridian (grid distance over k0) are refused both ways: x and y, or
// phi and lambda, come back as not-a-number.
class CProjectionTransverseMercator : public CProjection
{
public:
    static constexpr int kOrder = 6;
    // Beyond this the truncated series drift towards a millimetre, metres.
    static constexpr double kMaxDistanceFromMeridian = 9.0e6;

    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double n = 0;      // third flattening
    double A = 0;      // rectifying radius, metres
    double scaledA = 0; // k0 * A, the northing's factor
    double alphaCoefficients[kOrder] = {}; // conformal sphere -> ellipsoid
    double betaCoefficients[kOrder] = {};  // ellipsoid -> conformal sphere
    double xi0 = 0;    // rectifying angle of the latitude of origin
    static constexpr int kConformalTerms = 8;
    // Polynomial in e^2 sin^2(phi) that turns sin(phi) into tan(chi) cos(phi).
    double conformalSeries[kConformalTerms] = {};

private:
    // tan of the conformal latitude times cos of the geodetic one, from sin of
    // the geodetic latitude.
    double ConformalSineTerm(double sinPhi) const;
    // tan of the conformal latitude from tan of the geodetic one, and back.
    double ConformalTangent(double tau) const;
    double GeodeticTangent(double conformalTau) const;
};
