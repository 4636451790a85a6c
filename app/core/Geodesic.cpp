#include "Geodesic.h"

#include <cmath>

#include <GeographicLib/Geodesic.hpp>

namespace {

// WGS 84.
constexpr double a = 6378137.0;
constexpr double f = 1 / 298.257223563;
constexpr double k = 0.017453292519943295;

const GeographicLib::Geodesic& Wgs84()
{
    static const GeographicLib::Geodesic geodesic(a, f);
    return geodesic;
}

double ToFullCircle(double degrees)
{
    if (degrees < 0)
        degrees += 360;
    // A course a hair below zero lands on 360 itself once added; +0.0 also
    // turns a negative zero into zero.
    if (degrees >= 360)
        degrees -= 360;
    return degrees + 0.0;
}

} // namespace

double GeodesicDistance(double fromLatitude, double fromLongitude, double toLatitude, double toLongitude)
{
    double s12 = 0;
    Wgs84().Inverse(fromLatitude, fromLongitude, toLatitude, toLongitude, s12);
    return s12;
}

double InitialAzimuth(double latitude1, double longitude1, double latitude2, double longitude2)
{
    const double phi1 = latitude1 * k, phi2 = latitude2 * k;
    const double deltaLambda = longitude2 * k - longitude1 * k;
    const double theta = std::atan2(std::sin(deltaLambda) * std::cos(phi2),
                                    std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(deltaLambda)) /
                         k;
    return ToFullCircle(theta);
}

DistanceAndAzimuths ComputeDistanceAndAzimuths(double fromLatitude, double fromLongitude, double toLatitude,
                                               double toLongitude)
{
    double s12 = 0, azi1 = 0, azi2 = 0;
    Wgs84().Inverse(fromLatitude, fromLongitude, toLatitude, toLongitude, s12, azi1, azi2);
    DistanceAndAzimuths result;
    result.distance = s12;
    // Both azimuths of one line: a second solution from the to position could
    // take another of two equally short lines near the antipode. Coincident
    // positions (the same pole under two longitudes too) have none; a position
    // that is not a number gives no distance either.
    if (s12 > 0)
    {
        result.forwardAzimuth = ToFullCircle(azi1);
        result.reverseAzimuth = ToFullCircle(azi2 + 180);
    }
    return result;
}
