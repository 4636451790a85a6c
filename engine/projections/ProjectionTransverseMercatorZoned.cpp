#include "ProjectionTransverseMercatorZoned.h"

#include <cmath>
#include <limits>

#include "ProjectionFactory.h"

namespace {

constexpr double kZonePrefix = 1e6; // metres a zone number counts in the easting
// A longitude on a zone's western edge belongs to that zone; the division in radians can land a
// rounding error short of the whole number (0.7 mm on the ground for 6 degree zones).
constexpr double kZoneEdge = 1e-9;
// More zones than this (zones of a tenth of a degree) is no zone system.
constexpr double kMaxZones = 3600;

} // namespace

void CProjectionTransverseMercatorZoned::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    zoneWidth = phi1;
    // Whole zones around the globe only; any other width has no zone numbering.
    const double count = kTwoPi / zoneWidth;
    zones = zoneWidth > 0 && count <= kMaxZones && std::fabs(count - std::round(count)) < 1e-9
                ? static_cast<int>(std::round(count))
                : 0;
    zoneRecord = r;
    zoneRecord.projectionId = kTransverseMercator;
    zoneRecord.unitId = 9001;
    zoneRecord.falseEasting = 0;
    zoneRecord.falseNorthing = 0;
    zoneRecord.parallelNorth = 0;
    zoneProjection.reset();
    currentZone = 0;
}

CProjection& CProjectionTransverseMercatorZoned::Zone(int zone)
{
    if (!zoneProjection || zone != currentZone)
    {
        zoneRecord.longitudeOrigin = (lambda0 + (zone - 0.5) * zoneWidth) / kDegToRad;
        zoneProjection = CreateProjection(zoneRecord);
        currentZone = zone;
    }
    return *zoneProjection;
}

void CProjectionTransverseMercatorZoned::Forward()
{
    const double fromInitial = ReducedAngle(lambda - lambda0 - kPi) + kPi; // [0, 2 pi]
    if (zones == 0 || !std::isfinite(fromInitial))
    {
        x = y = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    int zone = static_cast<int>(std::floor(fromInitial / zoneWidth + kZoneEdge)) + 1;
    if (zone > zones) // the closing meridian belongs to the last zone
        zone = zones;
    CProjection& tm = Zone(zone);
    tm.phi = phi;
    tm.lambda = lambda;
    tm.Forward();
    x = zone * kZonePrefix + fe + tm.x;
    y = fn + tm.y;
}

void CProjectionTransverseMercatorZoned::Inverse()
{
    const double zoneNumber = std::floor(x / kZonePrefix);
    if (zones == 0 || !(zoneNumber >= 1 && zoneNumber <= zones))
    {
        phi = lambda = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    const int zone = static_cast<int>(zoneNumber);
    CProjection& tm = Zone(zone);
    tm.x = x - zone * kZonePrefix - fe;
    tm.y = y - fn;
    tm.Inverse();
    phi = tm.phi;
    lambda = tm.lambda;
}
