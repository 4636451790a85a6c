#pragma once

// Distance and azimuths between two positions on WGS 84, angles in signed
// decimal degrees (north and east positive).

// Vincenty's inverse formula. Where it cannot give an answer, nearly antipodal
// points whose longitude iteration has not settled within 101 passes and two
// distinct points on the equator (where cos^2(alpha) is zero), Karney's
// geodesic gives the distance instead. Metres.
double GeodesicDistance(double fromLatitude, double fromLongitude, double toLatitude, double toLongitude);

// The great-circle initial course on a sphere, taken with the geodetic
// latitudes as they stand; degrees in [0, 360).
double InitialAzimuth(double latitude1, double longitude1, double latitude2, double longitude2);

// What the distance dialog shows.
struct DistanceAndAzimuths
{
    double distance = 0;       // metres
    double forwardAzimuth = 0; // from -> to, degrees in [0, 360)
    double reverseAzimuth = 0; // to -> from, at the to position
    bool fromKarney = false;   // Vincenty could not answer; all three are Karney's
};

// Vincenty's distance with the azimuths of the same geodesic (the reverse one
// at the to position, pointing back); where Vincenty has no answer the
// distance and both azimuths come from Karney's geodesic. Coincident
// positions give 0 for all three.
DistanceAndAzimuths ComputeDistanceAndAzimuths(double fromLatitude, double fromLongitude, double toLatitude,
                                               double toLongitude);
