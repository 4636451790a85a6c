#include "ProjectionObliqueMercator.h"

#include <cmath>

namespace {

double Sign(double v)
{
    return v < 0 ? -1.0 : (v > 0 ? 1.0 : 0.0);
}

} // namespace

void CProjectionObliqueMercator::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    if (k0 == 0)
        k0 = 1;
    const double cosPhiC = std::cos(phi0);
    cos4PhiC = std::pow(cosPhiC, 4);
    sinPhiC = std::sin(phi0);
    const double es = e * sinPhiC;
    const double w = 1 - e2 * sinPhiC * sinPhiC;
    B = std::sqrt(1 + e2 * cos4PhiC / (1 - e2));
    A = a * B * k0 * std::sqrt(1 - e2) / w;
    t0 = std::tan(kQuarterPi - phi0 / 2) / std::pow((1 - es) / (1 + es), e / 2);
    D = B * std::sqrt(1 - e2) / (cosPhiC * std::sqrt(w));
    D2 = D < 1 ? 1 : D * D;
    F = D + std::sqrt(D2 - 1) * Sign(phi0);
    G = (F - 1 / F) / 2;
    H = F * std::pow(t0, B);
    gamma0 = std::asin(std::sin(alpha) / D);
    lambda0n = lambda0 - std::asin(G * std::tan(gamma0)) / B;
    uc = (A / B) * std::atan(std::sqrt(D2 - 1) / std::cos(alpha)) * Sign(phi0);
    naturalOrigin = projectionId == kHotineObliqueMercatorNatural;
}

void CProjectionObliqueMercator::Forward()
{
    const double dl = ReducedAngle(lambda - lambda0n);
    double U, u;
    if (std::fabs(phi) >= kHalfPi - kSingularTolerance)
    {
        // At a pole Q is infinite: the limits of U and u, whatever the
        // longitude.
        const double pole = phi > 0 ? 1.0 : -1.0;
        U = pole * std::sin(gamma0);
        u = pole * A * kHalfPi / B;
    }
    else
    {
        const double es = e * std::sin(phi);
        const double t = std::tan(kQuarterPi - phi / 2) / std::pow((1 - es) / (1 + es), e / 2);
        const double Q = H / std::pow(t, B);
        const double S = (Q - 1 / Q) / 2;
        const double T = (Q + 1 / Q) / 2;
        const double V = std::sin(B * dl);
        U = (-V * std::cos(gamma0) + S * std::sin(gamma0)) / T;
        // Both components: past 90 degrees from the centre along the line an
        // arc tangent of their quotient would fold the point back.
        u = A * std::atan2(S * std::cos(gamma0) + V * std::sin(gamma0), std::cos(B * dl)) / B;
    }
    // The poles of the oblique cylinder, 90 degrees from the centre line,
    // lie at infinity.
    if (!(std::fabs(U) < 1 - kSingularTolerance))
    {
        RefuseForward();
        return;
    }
    const double v = A * std::log((1 - U) / (1 + U)) / (2 * B);
    if (!naturalOrigin)
        u -= uc;
    x = v * std::cos(gamma) + u * std::sin(gamma) + fe;
    y = u * std::cos(gamma) - v * std::sin(gamma) + fn;
}

void CProjectionObliqueMercator::Inverse()
{
    const double vp = (x - fe) * std::cos(gamma) - (y - fn) * std::sin(gamma);
    double up = (y - fn) * std::cos(gamma) + (x - fe) * std::sin(gamma);
    if (!naturalOrigin)
        up += uc;
    const double Qp = std::exp(-B * vp / A);
    const double Sp = (Qp - 1 / Qp) / 2;
    const double Tp = (Qp + 1 / Qp) / 2;
    const double Vp = std::sin(B * up / A);
    const double Up = (Vp * std::cos(gamma0) + Sp * std::sin(gamma0)) / Tp;
    const double tp = std::pow(H / std::sqrt((1 + Up) / (1 - Up)), 1 / B);
    const double chi = kHalfPi - 2 * std::atan(tp);
    // Conformal to geodetic latitude, the series of the Mercator inverse.
    phi = chi + (e2 / 2 + 5 * e4 / 24 + e6 / 12 + 13 * e8 / 360) * std::sin(2 * chi) +
          (7 * e4 / 48 + 29 * e6 / 240 + 811 * e8 / 11520) * std::sin(4 * chi) +
          (7 * e6 / 120 + 81 * e8 / 1120) * std::sin(6 * chi) + (4279 * e8 / 161280) * std::sin(8 * chi);
    lambda = lambda0n - std::atan2(Sp * std::cos(gamma0) - Vp * std::sin(gamma0), std::cos(B * up / A)) / B;
}
