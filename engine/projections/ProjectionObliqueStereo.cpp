#include "ProjectionObliqueStereo.h"

#include <cmath>

void CProjectionObliqueStereo::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    if (k0 == 0)
        k0 = 1;
    const double s0 = std::sin(phi0);
    const double w = 1 - e2 * s0 * s0;
    const double nu0 = a / std::sqrt(w);
    const double rho0 = nu0 * (1 - e2) / w;
    R = std::sqrt(rho0 * nu0);
    n = std::sqrt(1 + e2 * std::pow(std::cos(phi0), 4) / (1 - e2));
    chi0 = std::atan(std::tan(phi0) * std::sqrt(rho0 / nu0));
    c = std::log(std::tan(kQuarterPi + chi0 / 2)) -
        n * (std::log(std::tan(kQuarterPi + phi0 / 2)) - (e / 2) * std::log((1 + e * s0) / (1 - e * s0)));
    // At a pole both logarithms above are infinite. The limit there: n = 1,
    // chi0 = phi0, and c the eccentricity's term alone, in the pole's sign.
    polar = std::fabs(phi0) >= kHalfPi - 1e-12;
    if (polar)
    {
        phi0 = std::copysign(kHalfPi, phi0);
        n = 1;
        chi0 = phi0;
        c = std::copysign((e / 2) * std::log((1 + e) / (1 - e)), phi0);
        R = a / std::sqrt(1 - e2);
    }
}

void CProjectionObliqueStereo::Forward()
{
    const double es = e * std::sin(phi);
    const double chi =
        2 * std::atan(std::exp(n * (std::log(std::tan(kQuarterPi + phi / 2)) - (e / 2) * std::log((1 + es) / (1 - es))) +
                               c)) -
        kHalfPi;
    const double delta = n * LongitudeFromOrigin();
    const double sh1 = std::sin((chi - chi0) / 2);
    const double sh2 = std::sin(delta / 2);
    const double h = sh1 * sh1 + std::cos(chi0) * std::cos(chi) * sh2 * sh2;
    // The antipode of the origin lies at infinity; n above 1 stretches the
    // longitudes past a half turn next to the far meridian, where two points
    // would share one place on the sphere.
    if (!(h < 1) || std::fabs(delta) > kPi)
    {
        RefuseForward();
        return;
    }
    const double sigma = 2 * std::atan(std::sqrt(h) / std::sqrt(1 - h));
    // At the origin itself both offsets are 0/0; the origin is the false origin.
    if (sigma == 0)
    {
        x = fe;
        y = fn;
        return;
    }
    const double rho = 2 * R * k0 * std::tan(sigma / 2);
    if (polar)
    {
        // Seen from a pole the offsets are those of the polar stereographic;
        // the oblique formula divides by cos(chi0) = 0 there.
        const double s = phi0 > 0 ? 1.0 : -1.0;
        x = fe + rho * std::sin(delta);
        y = fn - s * rho * std::cos(delta);
        return;
    }
    x = fe + rho * std::cos(chi) * std::sin(delta) / std::sin(sigma);
    y = fn + rho * (std::sin(chi) - std::sin(chi0) * std::cos(sigma)) / (std::cos(chi0) * std::sin(sigma));
}

void CProjectionObliqueStereo::Inverse()
{
    const double dx = x - fe;
    const double dy = y - fn;
    const double rho = std::sqrt(dx * dx + dy * dy);
    // The false origin has no direction; it is the origin.
    if (rho == 0)
    {
        phi = phi0;
        lambda = lambda0;
        return;
    }
    const double sigma = 2 * std::atan2(rho, 2 * R * k0);
    const double chi = std::asin(std::cos(sigma) * std::sin(chi0) + std::sin(sigma) * std::cos(chi0) * dy / rho);
    if (polar)
        lambda = std::atan2(dx, phi0 > 0 ? -dy : dy) + lambda0;
    else
        lambda = std::atan2(std::sin(sigma) * dx / rho, std::cos(sigma) * std::cos(chi0) -
                                                            std::sin(sigma) * std::sin(chi0) * dy / rho) /
                     n +
                 lambda0;
    const double psi = (std::log(std::tan(kQuarterPi + chi / 2)) - c) / n;
    double p = 2 * std::atan(std::exp(psi)) - kHalfPi;
    for (int i = 0; i < 5; ++i)
    {
        const double es = e * std::sin(p);
        p = 2 * std::atan(std::exp(psi + (e / 2) * std::log((1 + es) / (1 - es)))) - kHalfPi;
    }
    phi = p;
}
