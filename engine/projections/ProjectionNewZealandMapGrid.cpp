#include "ProjectionNewZealandMapGrid.h"

#include <array>
#include <cmath>
#include <complex>
#include <limits>

namespace {

using Complex = std::complex<double>;

// Latitude differences are counted in units of 1e5 arc seconds.
constexpr double kLatitudeUnit = 1e5 / 3600 * kDegToRad;

// Isometric latitude difference from the latitude difference.
constexpr std::array<double, 10> kA = {0.6399175073, -0.1358797613, 0.063294409, -0.02526853, 0.0117879,
                                       -0.0055161,   0.0026906,     -0.001333,   0.00067,     -0.00034};
// Grid (northing + i easting) / a from isometric latitude + i longitude.
const std::array<Complex, 6> kB = {Complex(0.7557853228, 0.0),         Complex(0.249204646, 0.003371507),
                                   Complex(-0.001541739, 0.041058560),  Complex(-0.10162907, 0.01727609),
                                   Complex(-0.26623489, -0.36249218),   Complex(-0.6870983, -1.1651967)};
// Start of the inverse: the reversion of the series above.
const std::array<Complex, 6> kC = {Complex(1.3231270439, 0.0),         Complex(-0.577245789, -0.007809598),
                                   Complex(0.508307513, -0.112208952), Complex(-0.15094762, 0.18200602),
                                   Complex(1.01418179, 1.64497696),    Complex(1.9660549, 2.5127645)};
// Latitude difference from the isometric latitude difference.
constexpr std::array<double, 9> kD = {1.5627014243, 0.5185406398, -0.03333098, -0.1052906, -0.0368594,
                                      0.007317,     0.01220,      0.00394,     -0.0013};

constexpr int kNewtonPasses = 3;
// The series hold over New Zealand; this far from the origin (radians of
// latitude, longitude) they no longer describe the grid.
constexpr double kReach = 0.35;

template <class T, std::size_t N>
T Power(const std::array<T, N>& c, T z)
{
    T sum = 0;
    T zn = 1;
    for (const T& coefficient : c)
    {
        zn *= z;
        sum += coefficient * zn;
    }
    return sum;
}

} // namespace

void CProjectionNewZealandMapGrid::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
}

void CProjectionNewZealandMapGrid::Forward()
{
    const double dl = LongitudeFromOrigin();
    if (!(std::fabs(phi - phi0) < kReach && std::fabs(dl) < kReach))
    {
        x = y = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    const double psi = Power(kA, (phi - phi0) / kLatitudeUnit);
    const Complex zeta = Power(kB, Complex(psi, dl));
    y = fn + a * zeta.real();
    x = fe + a * zeta.imag();
}

void CProjectionNewZealandMapGrid::Inverse()
{
    const Complex zeta((y - fn) / a, (x - fe) / a);
    Complex z = Power(kC, zeta);
    for (int pass = 0; pass < kNewtonPasses; ++pass)
    {
        Complex numerator = zeta;
        Complex denominator = 0;
        Complex zn = 1; // z to the power n - 1
        for (std::size_t n = 1; n <= kB.size(); ++n)
        {
            denominator += static_cast<double>(n) * kB[n - 1] * zn;
            zn *= z;
            numerator += static_cast<double>(n - 1) * kB[n - 1] * zn;
        }
        z = numerator / denominator;
    }
    if (!(std::fabs(z.real()) < kReach && std::fabs(z.imag()) < kReach))
    {
        phi = lambda = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    phi = phi0 + Power(kD, z.real()) * kLatitudeUnit;
    lambda = lambda0 + z.imag();
}
