#pragma once

#include <optional>

// Distance and azimuths between two positions on WGS 84, angles in signed
// decimal degrees (north and east positive).

// The length of the shortest geodesic (Karney's solution of the inverse
// problem, which converges for every pair, nearly antipodal ones included).
// Metres.
double GeodesicDistance(double fromLatitude, double fromLongitude, double toLatitude, double toLongitude);

// The great-circle initial course on a sphere, taken with the geodetic
// latitudes as they stand; degrees in [0, 360).
double InitialAzimuth(double latitude1, double longitude1, double latitude2, double longitude2);

// What the distance dialog shows.
struct DistanceAndAzimuths
{
    double distance = 0; // metres
    // From -> to, degrees in [0, 360); none for coincident positions, which
    // no direction leads from one to the other.
    std::optional<double> forwardAzimuth;
    // To -> from at the to position (the line's onward azimuth there plus
    // 180 degrees); none when forwardAzimuth is none.
    std::optional<double> reverseAzimuth;
};

// The shortest geodesic's length and its azimuths at both ends. Where it is
// not unique (exact antipodes) one of the shortest lines is given.
DistanceAndAzimuths ComputeDistanceAndAzimuths(double fromLatitude, double fromLongitude, double toLatitude,
                                               double toLongitude);
