#include "ProjectionTransverseMercator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Newton steps from the conformal to the geodetic latitude's tangent: each
// squares the relative error, so three reach the last bit from the start
// value below; the loop ends once a step is below kTangentTolerance.
constexpr int kMaxNewtonSteps = 6;
constexpr double kTangentTolerance = 1e-15;
// Eccentricities squared up to this (every earth ellipsoid's) take the
// conformal latitude's polynomial, of kTerms coefficients.
constexpr double kSeriesE2 = 0.01;
constexpr int kTerms = CProjectionTransverseMercator::kConformalTerms;
using Series = std::array<double, kTerms>;

// The product of two power series, cut after kTerms terms.
Series Product(const Series& a, const Series& b)
{
    Series c{};
    for (int i = 0; i < kTerms; ++i)
        for (int j = 0; j <= i; ++j)
            c[i] += a[j] * b[i - j];
    return c;
}

// Sum over j of terms[j] * z^j, z a series without constant term.
Series Compose(const Series& z, std::initializer_list<double> terms)
{
    Series sum{};
    Series power{};
    power[0] = 1;
    for (double t : terms)
    {
        for (int i = 0; i < kTerms; ++i)
            sum[i] += t * power[i];
        power = Product(power, z);
    }
    return sum;
}

// Coefficients of s cosh(q) - sinh(q) = s R(x), x = e^2 s^2, q = e atanh(e s):
// q = e^2 s P(x) with P = sum x^k / (2k + 1), q^2 = x e^2 P^2, and
// R = cosh(q) - (q / s) sinh(q) / q.
Series ConformalSeries(double e2)
{
    Series P{};
    for (int k = 0; k < kTerms; ++k)
        P[k] = 1.0 / (2 * k + 1);
    const Series P2 = Product(P, P);
    Series q2{}; // q^2 as a series in x
    for (int k = 1; k < kTerms; ++k)
        q2[k] = e2 * P2[k - 1];
    const Series coshQ = Compose(q2, {1.0, 1.0 / 2, 1.0 / 24, 1.0 / 720, 1.0 / 40320});
    const Series sinhQOverQ = Compose(q2, {1.0, 1.0 / 6, 1.0 / 120, 1.0 / 5040, 1.0 / 362880});
    const Series sinhQOverS = Product(P, sinhQOverQ);
    Series R{};
    for (int k = 0; k < kTerms; ++k)
        R[k] = coshQ[k] - e2 * sinhQOverS[k];
    return R;
}

// Krüger's coefficients as polynomials in n, lowest power first: row j holds
// the coefficients of n^1 .. n^6 for the sine of 2(j+1) times the angle.
constexpr double kAlpha[6][6] = {
    {1.0 / 2, -2.0 / 3, 5.0 / 16, 41.0 / 180, -127.0 / 288, 7891.0 / 37800},
    {0, 13.0 / 48, -3.0 / 5, 557.0 / 1440, 281.0 / 630, -1983433.0 / 1935360},
    {0, 0, 61.0 / 240, -103.0 / 140, 15061.0 / 26880, 167603.0 / 181440},
    {0, 0, 0, 49561.0 / 161280, -179.0 / 168, 6601661.0 / 7257600},
    {0, 0, 0, 0, 34729.0 / 80640, -3418889.0 / 1995840},
    {0, 0, 0, 0, 0, 212378941.0 / 319334400},
};
constexpr double kBeta[6][6] = {
    {1.0 / 2, -2.0 / 3, 37.0 / 96, -1.0 / 360, -81.0 / 512, 96199.0 / 604800},
    {0, 1.0 / 48, 1.0 / 15, -437.0 / 1440, 46.0 / 105, -1118711.0 / 3870720},
    {0, 0, 17.0 / 480, -37.0 / 840, -209.0 / 4480, 5569.0 / 90720},
    {0, 0, 0, 4397.0 / 161280, -11.0 / 504, -830251.0 / 7257600},
    {0, 0, 0, 0, 4583.0 / 161280, -108847.0 / 3991680},
    {0, 0, 0, 0, 0, 20648693.0 / 638668800},
};

double Polynomial(const double (&row)[6], double n)
{
    double sum = 0;
    for (int k = 5; k >= 0; --k)
        sum = (sum + row[k]) * n;
    return sum;
}

// The sine and cosine of 2 zeta (zeta = xi + i eta, complex) given those of
// 2 xi and the hyperbolic sine and cosine of 2 eta.
struct DoubleAngle
{
    double sin2Xi, cos2Xi, sinh2Eta, cosh2Eta;
};

// Sum over j of c[j] sin(2 (j + 1) zeta) by Clenshaw's recurrence on the
// complex angle: b_j = c_j + 2 cos(2 zeta) b_(j+1) - b_(j+2), and the sum is
// sin(2 zeta) b_1. Adds its real part to xi and its imaginary part to eta.
// Inline: the forward projection of every point runs it.
inline void AddSeries(const double (&c)[CProjectionTransverseMercator::kOrder], const DoubleAngle& d, double sign,
               double& xi, double& eta)
{
    // 2 cos(2 zeta) and sin(2 zeta), real and imaginary parts.
    const double cr = 2 * d.cos2Xi * d.cosh2Eta;
    const double ci = -2 * d.sin2Xi * d.sinh2Eta;
    const double sr = d.sin2Xi * d.cosh2Eta;
    const double si = d.cos2Xi * d.sinh2Eta;
    double b1r = 0, b1i = 0; // b_(j+1)
    double b2r = 0, b2i = 0; // b_(j+2)
    // Unrolled: the same operations in the same order, without the loop's own.
#pragma GCC unroll 6
    for (int j = CProjectionTransverseMercator::kOrder - 1; j >= 0; --j)
    {
        const double br = c[j] + cr * b1r - ci * b1i - b2r;
        const double bi = cr * b1i + ci * b1r - b2i;
        b2r = b1r;
        b2i = b1i;
        b1r = br;
        b1i = bi;
    }
    xi += sign * (sr * b1r - si * b1i);
    eta += sign * (sr * b1i + si * b1r);
}

} // namespace

void CProjectionTransverseMercator::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    if (k0 == 0)
        k0 = 1;
    n = f / (2 - f);
    const auto series = ConformalSeries(e2);
    std::copy(series.begin(), series.end(), conformalSeries);
    const double n2 = n * n;
    A = a / (1 + n) * (1 + n2 / 4 + n2 * n2 / 64 + n2 * n2 * n2 / 256);
    for (int j = 0; j < kOrder; ++j)
    {
        alphaCoefficients[j] = Polynomial(kAlpha[j], n);
        betaCoefficients[j] = Polynomial(kBeta[j], n);
    }
    // The rectifying angle of the origin: the forward series on the central
    // meridian, where eta is 0.
    const double chi = std::atan(ConformalTangent(std::tan(phi0)));
    xi0 = chi;
    double eta = 0;
    AddSeries(alphaCoefficients, {std::sin(2 * chi), std::cos(2 * chi), 0, 1}, 1, xi0, eta);
    scaledA = k0 * A;
}

// s cosh(q) - sinh(q) with q = e atanh(e s). For the flattenings of the
// earth's ellipsoids (e^2 at most kSeriesE2) it is s times a polynomial in
// x = e^2 s^2 <= 0.01, whose coefficients Initialise composes; the first term
// left out is below 1e-19 of the sum. Flatter ones take the library's
// functions.
inline double CProjectionTransverseMercator::ConformalSineTerm(double s) const
{
    if (e2 > kSeriesE2)
    {
        const double q = e * std::atanh(e * s);
        return s * std::cosh(q) - std::sinh(q);
    }
    // Estrin's scheme: four independent pairs, then their combination.
    const double* c = conformalSeries;
    const double x = e2 * s * s;
    const double x2 = x * x;
    const double low = (c[0] + c[1] * x) + x2 * (c[2] + c[3] * x);
    const double high = (c[4] + c[5] * x) + x2 * (c[6] + c[7] * x);
    return s * (low + x2 * x2 * high);
}

// Tangents reach 1e16 at most (the poles in double), whose squares are far
// from overflowing: plain square roots serve for the hypotenuses.
double CProjectionTransverseMercator::ConformalTangent(double tau) const
{
    const double root = std::sqrt(1 + tau * tau);
    // tan(chi) = (tan(chi) cos(phi)) / cos(phi), sin(phi) = tau / root.
    if (e2 <= kSeriesE2)
        return ConformalSineTerm(tau / root) * root;
    const double sigma = std::sinh(e * std::atanh(e * tau / root));
    return tau * std::hypot(1.0, sigma) - sigma * root;
}

// Newton's method on the conformal tangent, whose derivative is
// (1 - e^2) sqrt(1 + tau'^2) sqrt(1 + tau^2) / (1 + (1 - e^2) tau^2).
double CProjectionTransverseMercator::GeodeticTangent(double conformalTau) const
{
    if (e2 == 0 || !std::isfinite(conformalTau))
        return conformalTau;
    const double oneMinusE2 = 1 - e2;
    double tau = conformalTau / oneMinusE2;
    for (int i = 0; i < kMaxNewtonSteps; ++i)
    {
        const double t = ConformalTangent(tau);
        const double slope =
            oneMinusE2 * std::sqrt((1 + t * t) * (1 + tau * tau)) / (1 + oneMinusE2 * tau * tau);
        const double step = (conformalTau - t) / slope;
        tau += step;
        if (!(std::fabs(step) >= kTangentTolerance * std::fmax(1.0, std::fabs(tau))))
            break;
    }
    return tau;
}

void CProjectionTransverseMercator::Forward()
{
    const double dl = LongitudeFromOrigin();
    const double sinL = std::sin(dl);
    const double cosL = std::cos(dl);
    const double s = std::sin(phi);
    const double c = std::cos(phi);
    // The conformal latitude's tangent times cos(phi): no overflow at the poles.
    const double t = ConformalSineTerm(s);
    const double cc = c * cosL;
    const double d2 = t * t + cc * cc;
    // On the equator 90 degrees from the central meridian the image lies at
    // infinity.
    if (!(d2 > 0))
    {
        x = y = kNaN;
        return;
    }
    const double inverseD2 = 1 / d2;
    const double inverseD = std::sqrt(inverseD2);
    double xi = std::atan2(t, cc);
    const double sinhEta = c * sinL * inverseD;
    const double coshEta = std::sqrt(c * c + t * t) * inverseD;
    // asinh(sinhEta) with the cosh at hand: log1p(|s| + s^2 / (1 + cosh)).
    const double absSinh = std::fabs(sinhEta);
    double eta = std::copysign(std::log1p(absSinh + absSinh * absSinh / (1 + coshEta)), sinhEta);
    AddSeries(alphaCoefficients,
              {2 * t * cc * inverseD2, (cc - t) * (cc + t) * inverseD2, 2 * sinhEta * coshEta,
               1 + 2 * sinhEta * sinhEta},
              1, xi, eta);
    const double u = A * eta;
    if (!(std::fabs(u) <= kMaxDistanceFromMeridian))
    {
        x = y = kNaN;
        return;
    }
    const double v = scaledA * (xi - xi0);
    if (projectionId == kTransverseMercatorSouthOrientated)
    {
        x = fe - k0 * u;
        y = fn - v;
    }
    else
    {
        x = fe + k0 * u;
        y = fn + v;
    }
}

void CProjectionTransverseMercator::Inverse()
{
    const bool south = projectionId == kTransverseMercatorSouthOrientated;
    double dx = (south ? fe - x : x - fe) / k0;
    const double dy = (south ? fn - y : y - fn) / k0;
    // Points within a tenth of a millimetre of the central meridian lie on it.
    if (std::fabs(dx) < 0.0001)
        dx = 0;
    double xi = dy / A + xi0;
    double eta = dx / A;
    // Beyond the distance limit the series are refused; beyond half a
    // meridian from the equator the grid has no point of the ellipsoid.
    if (!(std::fabs(dx) <= kMaxDistanceFromMeridian) || !(std::fabs(xi) <= kPi))
    {
        phi = lambda = kNaN;
        return;
    }
    const double e2eta = std::exp(2 * eta);
    const double sinh2Eta = (e2eta - 1 / e2eta) / 2;
    const double cosh2Eta = (e2eta + 1 / e2eta) / 2;
    AddSeries(betaCoefficients, {std::sin(2 * xi), std::cos(2 * xi), sinh2Eta, cosh2Eta}, -1, xi, eta);
    const double sinXi = std::sin(xi);
    const double cosXi = std::cos(xi);
    const double sinhEta = std::sinh(eta);
    const double conformalTau = sinXi / std::hypot(sinhEta, cosXi);
    phi = std::atan(GeodeticTangent(conformalTau));
    lambda = lambda0 + std::atan2(sinhEta, cosXi);
}
