#include "ProjectionCassiniSoldner.h"

#include <cmath>

#include "EllipsoidSeries.h"

void CProjectionCassiniSoldner::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    if (isSphere)
        return;
    M1 = 1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256;
    M2 = 3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024;
    M3 = 15 * e4 / 256 + 45 * e6 / 1024;
    M4 = 35 * e6 / 3072;
    const double root = std::sqrt(1 - e2);
    const double e1 = (1 - root) / (1 + root);
    J1 = 3 * e1 / 2 - 27 * std::pow(e1, 3) / 32;
    J2 = 21 * e1 * e1 / 16 - 55 * std::pow(e1, 4) / 32;
    J3 = 151 * std::pow(e1, 3) / 96;
    J4 = 1097 * std::pow(e1, 4) / 512;
    M0 = a * MeridianDistance(*this, phi0);
}

void CProjectionCassiniSoldner::Forward()
{
    if (isSphere)
    {
        x = fe + a * std::asin(std::cos(phi) * std::sin(LongitudeFromOrigin()));
        y = fn + a * (std::atan2(std::tan(phi), std::cos(LongitudeFromOrigin())) - phi0);
        return;
    }
    const double s = std::sin(phi);
    const double c = std::cos(phi);
    const double A = LongitudeFromOrigin() * c;
    const double T = std::tan(phi) * std::tan(phi);
    const double C = e2 * c * c / (1 - e2);
    const double N = a / std::sqrt(1 - e2 * s * s);
    const double M = a * MeridianDistance(*this, phi);
    const double A2 = A * A;
    const double A3 = A2 * A;
    const double A4 = A2 * A2;
    const double A5 = A4 * A;
    x = fe + N * (A - T * A3 / 6 - (8 - T + 8 * C) * T * A5 / 120);
    y = fn + M - M0 + N * std::tan(phi) * (A2 / 2 + (5 - T + 6 * C) * A4 / 24);
}

void CProjectionCassiniSoldner::Inverse()
{
    if (isSphere)
    {
        const double D = (y - fn) / a + phi0;
        phi = std::asin(std::sin(D) * std::cos((x - fe) / a));
        lambda = lambda0 + std::atan2(std::tan((x - fe) / a), std::cos(D));
        return;
    }
    const double mu = (M0 + (y - fn)) / (a * M1);
    const double p1 = mu + J1 * std::sin(2 * mu) + J2 * std::sin(4 * mu) + J3 * std::sin(6 * mu) + J4 * std::sin(8 * mu);
    const double s1 = std::sin(p1);
    const double w = 1 - e2 * s1 * s1;
    const double T1 = std::tan(p1) * std::tan(p1);
    const double N1 = a / std::sqrt(w);
    const double R1 = a * (1 - e2) / std::pow(w, 1.5);
    const double D = (x - fe) / N1;
    const double D2 = D * D;
    const double D3 = D2 * D;
    const double D4 = D2 * D2;
    const double D5 = D4 * D;
    phi = p1 - (N1 * std::tan(p1) / R1) * (D2 / 2 - (1 + 3 * T1) * D4 / 24);
    lambda = lambda0 + (D - T1 * D3 / 3 + (1 + 3 * T1) * T1 * D5 / 15) / std::cos(p1);
}
