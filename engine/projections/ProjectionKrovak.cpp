#include "ProjectionKrovak.h"

#include <cmath>

namespace {

// Two successive latitudes closer than this end the inverse iteration.
constexpr double kLatitudeTolerance = 1e-14;
constexpr int kMaxPasses = 100;

} // namespace

void CProjectionKrovak::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    const double sc = std::sin(phi0);
    const double es = e * sc;
    B = std::sqrt(1 + e2 * std::pow(std::cos(phi0), 4) / (1 - e2));
    const double g0 = std::asin(sc / B);
    t0 = std::tan(kQuarterPi + g0 / 2) * std::pow((1 + es) / (1 - es), e * B / 2) /
         std::pow(std::tan(kQuarterPi + phi0 / 2), B);
    r0 = k0 * a * std::sqrt(1 - e2) / (1 - e2 * sc * sc) / std::tan(phi1);
    n = std::sin(phi1);
}

void CProjectionKrovak::Forward()
{
    const double es = e * std::sin(phi);
    const double U =
        2 * (std::atan(t0 * std::pow(std::tan(phi / 2 + kQuarterPi), B) / std::pow((1 + es) / (1 - es), e * B / 2)) -
             kQuarterPi);
    const double V = B * ReducedAngle(lambda0 - lambda);
    const double T = std::asin(std::cos(alpha) * std::sin(U) + std::sin(alpha) * std::cos(U) * std::cos(V));
    const double D = std::asin(std::cos(U) * std::sin(V) / std::cos(T));
    const double theta = n * D;
    const double r = r0 * std::pow(std::tan(phi1 / 2 + kQuarterPi), n) / std::pow(std::tan(T / 2 + kQuarterPi), n);
    x = fe + r * std::sin(theta);
    y = fn + r * std::cos(theta);
}

void CProjectionKrovak::Inverse()
{
    const double Xp = y - fn;
    const double Yp = x - fe;
    const double r = std::sqrt(Xp * Xp + Yp * Yp);
    const double theta = std::atan2(Yp, Xp);
    const double D = theta / n;
    const double T = 2 * (std::atan(std::pow(r0 / r, 1 / n) * std::tan(phi1 / 2 + kQuarterPi)) - kQuarterPi);
    const double U = std::asin(std::cos(alpha) * std::sin(T) - std::sin(alpha) * std::cos(T) * std::cos(D));
    const double V = std::asin(std::cos(T) * std::sin(D) / std::cos(U));
    lambda = lambda0 - V / B;

    // Latitude from the conformal latitude U; a bounded number of passes
    // keeps a value that never settles (or is not a number) from spinning.
    const double J = std::pow(t0, -1 / B) * std::pow(std::tan(U / 2 + kQuarterPi), 1 / B);
    auto next = [&](double p) {
        const double es = e * std::sin(p);
        return 2 * (std::atan(J * std::pow((1 + es) / (1 - es), e / 2)) - kQuarterPi);
    };
    double previous = U;
    double p = next(U);
    for (int pass = 1; pass < kMaxPasses && !(std::fabs(p - previous) < kLatitudeTolerance); ++pass)
    {
        previous = p;
        p = next(p);
    }
    phi = p;
}
