#pragma once

#include <string>
#include <string_view>

// A position as its UTM zone and hemisphere with easting and northing,
// "31N 637294.366 5762926.813", or UPS beyond 84 N and 80 S,
// "UPS N 2000000.000 2000000.000"; GeographicLib's UTMUPS projects.
class CUtmZoneCoordinate
{
public:
    // zone 0 takes the standard zone of the point (Norway and Svalbard
    // included); 1 to 60 fixes it, as far as the zone's grid reaches.
    static bool Format(double latitude, double longitude, int zone, int decimals, std::string& text,
                       std::string& why);
    // Reads "ZZH E N" (H: N or S; blanks between zone and letter allowed) or
    // "UPS H E N" (also "H E N").
    static bool Parse(std::string_view text, double& latitude, double& longitude, std::string& why);
};
