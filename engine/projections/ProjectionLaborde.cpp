#include "ProjectionLaborde.h"

#include <cmath>

namespace {

using Complex = std::complex<double>;

// The inverse's Newton passes end when the cubic misses the grid coordinates
// by less than this (radians of the sphere, a micrometre on the ground).
constexpr double kCubicTolerance = 1e-13;
constexpr int kNewtonPasses = 50;
// Two successive latitudes closer than this end the inverse's latitude search.
constexpr double kLatitudeTolerance = 1e-14;
constexpr int kLatitudePasses = 100;

// ln tan(pi/4 + phi/2) [(1 - e sin phi) / (1 + e sin phi)]^(e/2): the
// isometric latitude on the ellipsoid.
double IsometricLatitude(double phi, double e)
{
    const double es = e * std::sin(phi);
    return std::log(std::tan(kQuarterPi + phi / 2)) + e / 2 * std::log((1 - es) / (1 + es));
}

} // namespace

void CProjectionLaborde::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    const double s = std::sin(phi0);
    B = std::sqrt(1 + e2 * std::pow(std::cos(phi0), 4) / (1 - e2));
    phiS = std::asin(s / B);
    R = a * k0 * std::sqrt(1 - e2) / (1 - e2 * s * s);
    C = std::log(std::tan(kQuarterPi + phiS / 2)) - B * IsometricLatitude(phi0, e);
    G = Complex(1 - std::cos(2 * alpha), std::sin(2 * alpha)) / 12.0;
}

void CProjectionLaborde::Forward()
{
    const double L = B * LongitudeFromOrigin();
    const double q = C + B * IsometricLatitude(phi, e);
    const double P = 2 * std::atan(std::exp(q)) - kHalfPi;
    // The point on the sphere turned about its east-west axis until the
    // centre lies on the equator.
    const double U = std::cos(P) * std::cos(L) * std::cos(phiS) + std::sin(P) * std::sin(phiS);
    const double V = std::cos(P) * std::cos(L) * std::sin(phiS) - std::sin(P) * std::cos(phiS);
    const double W = std::cos(P) * std::sin(L);
    const double d = std::hypot(U, V);
    // The poles of the turned sphere lie at infinity on its Mercator.
    if (!(d > kSingularTolerance))
    {
        RefuseForward();
        return;
    }
    const double Lt = std::atan2(V, U);
    const double Pt = std::atan2(W, d);
    const Complex H(-Lt, std::log(std::tan(kQuarterPi + Pt / 2)));
    // Past the ring where 1 + 3 G H^2 vanishes the cubic folds the plane over
    // itself: two points would share one grid position.
    if (!(std::abs(3.0 * G * H * H) < 1))
    {
        RefuseForward();
        return;
    }
    const Complex grid = H + G * H * H * H;
    x = fe + R * grid.imag();
    y = fn + R * grid.real();
}

void CProjectionLaborde::Inverse()
{
    const Complex H0((y - fn) / R, (x - fe) / R);
    // Newton's method on H + G H^3 = H0, from H0 itself.
    Complex H = H0;
    bool solved = false;
    for (int pass = 0; !solved && pass < kNewtonPasses; ++pass)
    {
        H = (H0 + 2.0 * G * H * H * H) / (3.0 * G * H * H + 1.0);
        solved = std::abs(H0 - H - G * H * H * H) < kCubicTolerance;
    }
    if (!solved || !(std::abs(3.0 * G * H * H) < 1))
    {
        RefuseInverse();
        return;
    }
    const double Lt = -H.real();
    const double Pt = 2 * std::atan(std::exp(H.imag())) - kHalfPi;
    // Back from the turned sphere.
    const double X = std::cos(Pt) * std::cos(Lt) * std::cos(phiS) + std::cos(Pt) * std::sin(Lt) * std::sin(phiS);
    const double Y = std::sin(Pt);
    const double Z = std::cos(Pt) * std::cos(Lt) * std::sin(phiS) - std::cos(Pt) * std::sin(Lt) * std::cos(phiS);
    const double L = std::atan2(Y, X);
    const double P = std::atan2(Z, std::hypot(X, Y));
    lambda = lambda0 + L / B;

    // Latitude from its isometric latitude q: phi = 2 atan(exp(q) f(phi)) - pi/2.
    const double q = (std::log(std::tan(kQuarterPi + P / 2)) - C) / B;
    double p = 2 * std::atan(std::exp(q)) - kHalfPi;
    bool settled = false;
    for (int pass = 0; !settled && pass < kLatitudePasses; ++pass)
    {
        const double es = e * std::sin(p);
        const double next = 2 * std::atan(std::exp(q) * std::pow((1 + es) / (1 - es), e / 2)) - kHalfPi;
        settled = std::fabs(next - p) < kLatitudeTolerance;
        p = next;
    }
    phi = p;
    if (!settled)
        RefuseInverse();
}
