#include "ProjectionKrovak.h"

#include <cmath>
#include <limits>

namespace {

// Two successive latitudes closer than this end the inverse iteration.
constexpr double kLatitudeTolerance = 1e-14;
constexpr int kMaxPasses = 100;
// Grid points this close to the apex (metres) are the apex, whatever their
// angle.
constexpr double kApexRadius = 1e-6;

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
    // B above 1 stretches the longitudes past a half turn near the far
    // meridian, where two points would share one place on the sphere.
    if (std::fabs(V) > kPi)
    {
        x = y = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    // The latitude T on the cone's sphere and the angle D about its axis,
    // each from two components: arc sines lose half the digits next to the
    // apex, and fold the points beyond it (|D| over 90 degrees) back.
    const double sinT = std::cos(alpha) * std::sin(U) + std::sin(alpha) * std::cos(U) * std::cos(V);
    const double along = std::cos(alpha) * std::cos(U) * std::cos(V) - std::sin(alpha) * std::sin(U);
    const double across = std::cos(U) * std::sin(V);
    const double cosT = std::hypot(along, across);
    const double D = std::atan2(across, along);
    const double theta = n * D;
    // tan(T/2 + pi/4) = (1 + sin T) / cos T; the apex has radius 0.
    const double r = r0 * std::pow(std::tan(phi1 / 2 + kQuarterPi) * cosT / (1 + sinT), n);
    x = fe + r * std::sin(theta);
    y = fn + r * std::cos(theta);
}

void CProjectionKrovak::Inverse()
{
    const double Xp = y - fn;
    const double Yp = x - fe;
    const double r = std::sqrt(Xp * Xp + Yp * Yp);
    const double theta = std::atan2(Yp, Xp);
    // The cone unrolled covers n times a full turn: a grid angle outside it
    // belongs to no point.
    if (r > kApexRadius && std::fabs(theta) > n * kPi)
    {
        phi = lambda = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    const double D = theta / n;
    // k = 1 / tan(T/2 + pi/4), 0 at the apex: sin T and cos T from it keep
    // their digits where T nears 90 degrees.
    const double k = std::pow(r / r0, 1 / n) / std::tan(phi1 / 2 + kQuarterPi);
    const double sinT = (1 - k * k) / (1 + k * k);
    const double cosT = 2 * k / (1 + k * k);
    const double sinU = std::cos(alpha) * sinT - std::sin(alpha) * cosT * std::cos(D);
    const double along = std::cos(alpha) * cosT * std::cos(D) + std::sin(alpha) * sinT;
    const double across = cosT * std::sin(D);
    const double U = std::atan2(sinU, std::hypot(along, across));
    const double V = std::atan2(across, along);
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
    int pass = 1;
    for (; pass < kMaxPasses && !(std::fabs(p - previous) < kLatitudeTolerance); ++pass)
    {
        previous = p;
        p = next(p);
    }
    // A latitude that has not settled is no answer.
    phi = pass < kMaxPasses ? p : std::numeric_limits<double>::quiet_NaN();
}
