#pragma once

class CProjection;

// Snyder's ellipsoid series (USGS Professional Paper 1395, chapter 3) over a
// projection's ellipsoid fields. Angles in radians, lengths in metres.

// Meridian distance from the equator divided by a.
double MeridianDistance(const CProjection& p, double phi);
// Latitude whose meridian distance is m metres.
double FootpointLatitude(const CProjection& p, double m);
// Authalic function q; divides by e, so call it on ellipsoids only.
double AuthalicQ(const CProjection& p, double phi);
// Latitude of an authalic latitude beta.
double LatitudeFromAuthalic(const CProjection& p, double beta);
