#include "ProjectionKrovakModified.h"

#include <cmath>
#include <limits>

namespace {

// The inverse takes the correction at the point it has found and moves the
// Krovak coordinates by it until they stop moving by more than this (metres).
// EPSG's reverse formulas are the first pass: the correction changes by about
// a micrometre per metre, so two or three passes settle.
constexpr double kSettled = 1e-9;
constexpr int kMaxPasses = 20;

} // namespace

void CProjectionKrovakModified::Correction(double Xp, double Yp, double& dX, double& dY)
{
    const double Xr = Xp - kX0;
    const double Yr = Yp - kY0;
    const double Xr2 = Xr * Xr;
    const double Yr2 = Yr * Yr;
    // The real and imaginary parts of powers of Xr + i Yr.
    const double re2 = Xr2 - Yr2;
    const double im2 = 2 * Xr * Yr;
    const double re3 = Xr * (Xr2 - 3 * Yr2);
    const double im3 = Yr * (3 * Xr2 - Yr2);
    const double re4 = Xr2 * Xr2 + Yr2 * Yr2 - 6 * Xr2 * Yr2;
    const double im4 = 4 * Xr * Yr * (Xr2 - Yr2);
    dX = kC[0] + kC[2] * Xr - kC[3] * Yr - kC[5] * im2 + kC[4] * re2 + kC[6] * re3 - kC[7] * im3 + kC[8] * im4 +
         kC[9] * re4;
    dY = kC[1] + kC[2] * Yr + kC[3] * Xr + kC[4] * im2 + kC[5] * re2 + kC[7] * re3 + kC[6] * im3 - kC[9] * im4 +
         kC[8] * re4;
}

void CProjectionKrovakModified::Forward()
{
    CProjectionKrovak::Forward();
    double dX = 0;
    double dY = 0;
    Correction(y - fn, x - fe, dX, dY);
    y -= dX;
    x -= dY;
}

void CProjectionKrovakModified::Inverse()
{
    const double westing = x;
    const double southing = y;
    double Xp = southing - fn;
    double Yp = westing - fe;
    bool settled = false;
    for (int pass = 0; !settled && pass < kMaxPasses; ++pass)
    {
        double dX = 0;
        double dY = 0;
        Correction(Xp, Yp, dX, dY);
        const double nextX = southing - fn + dX;
        const double nextY = westing - fe + dY;
        settled = std::fabs(nextX - Xp) < kSettled && std::fabs(nextY - Yp) < kSettled;
        Xp = nextX;
        Yp = nextY;
    }
    // Far outside Czechia the correction grows faster than the coordinates
    // and no Krovak point carries the grid coordinates given.
    if (!settled)
    {
        RefuseInverse();
        return;
    }
    x = Yp + fe;
    y = Xp + fn;
    CProjectionKrovak::Inverse();
    x = westing;
    y = southing;
}
