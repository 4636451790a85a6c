#pragma once

#include <memory>

#include "Projection.h"

// Transverse Mercator Zoned Grid System, EPSG method 9824: one Transverse
// Mercator a zone, zone Z of width W (parallelNorth) counted from the initial
// longitude (longitudeOrigin), its central meridian at the middle of the zone,
// and the zone number written into the easting as Z times a million metres.
class CProjectionTransverseMercatorZoned : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double zoneWidth = 0; // radians
    int zones = 0;

private:
    // The zone's own Transverse Mercator, made again when the zone changes.
    CProjection& Zone(int zone);

    CCfgMapProjection zoneRecord;
    std::unique_ptr<CProjection> zoneProjection;
    int currentZone = 0;
};
