#pragma once

#include <string>
#include <string_view>

// MGRS and USNG references of the WGS 84 grid: GeographicLib's MGRS and
// UTMUPS do the lettering and the projections; this class adds what a
// reference read off a map must also satisfy before it is taken: letters that
// exist, and digits inside the grid zone its zone and band letter name.
class CMilitaryGridReference
{
public:
    // Writes latitude and longitude (degrees) with digits per axis (0 to 5),
    // as "31UFT3729462926" or, grouped, "31U FT 37294 62926". UPS beyond 84 N
    // and 80 S.
    static bool Format(double latitude, double longitude, int digits, bool grouped, std::string& text,
                       std::string& why);
    // Reads a reference, grouped or not, into the centre of its square.
    static bool Parse(std::string_view text, double& latitude, double& longitude, std::string& why);

    // The grid zone designation's longitudes, Norway's 32V and Svalbard's
    // 31X to 37X included; false for the zones that do not exist (32X, 34X,
    // 36X).
    static bool ZoneLongitudes(int zone, char band, double& west, double& east);
    // The latitude band's limits; false for a letter that is no band.
    static bool BandLatitudes(char band, double& south, double& north);
};
