#include "ProjectionPseudoMercator.h"

#include <cmath>
#include <limits>

namespace {

// Closer to a pole than this the northing grows past any grid; the pole
// itself has none.
constexpr double kPoleMargin = 1e-10;

} // namespace

void CProjectionPseudoMercator::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
}

void CProjectionPseudoMercator::Forward()
{
    if (!(std::fabs(phi) < kHalfPi - kPoleMargin))
    {
        x = y = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    x = fe + a * LongitudeFromOrigin();
    y = fn + a * std::log(std::tan(kQuarterPi + phi / 2));
}

void CProjectionPseudoMercator::Inverse()
{
    phi = kHalfPi - 2 * std::atan(std::exp(-(y - fn) / a));
    lambda = (x - fe) / a + lambda0;
}
