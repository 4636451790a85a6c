#pragma once

// Helpers of the equal-area and world projection tests: records, one-call
// forward and inverse in degrees, and PROJ's cs2cs as an independent oracle.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "ProjectionFactory.h"

namespace worldtest {

inline constexpr double kWgs84A = 6378137.0;
inline constexpr double kWgs84InvF = 298.257223563;

struct Params
{
    int id = 0;
    double invF = kWgs84InvF; // 0: the sphere of radius a
    double lat0 = 0;
    double lon0 = 0;
    double parallelNorth = 0;
    double parallelSouth = 0;
    double fe = 0;
    double fn = 0;
};

inline CCfgMapProjection Record(const Params& p)
{
    CCfgMapProjection r;
    r.projectionId = p.id;
    r.semiMajorAxis = kWgs84A;
    r.inverseFlattening = p.invF;
    r.latitudeOrigin = p.lat0;
    r.longitudeOrigin = p.lon0;
    r.parallelNorth = p.parallelNorth;
    r.parallelSouth = p.parallelSouth;
    r.falseEasting = p.fe;
    r.falseNorthing = p.fn;
    return r;
}

inline std::unique_ptr<CProjection> Make(const Params& p)
{
    return CreateProjection(Record(p));
}

// Forward of (lat, lon) in degrees; returns (x, y) in metres.
inline std::pair<double, double> Fwd(CProjection& p, double lat, double lon)
{
    p.phi = lat * kDegToRad;
    p.lambda = lon * kDegToRad;
    p.Forward();
    return {p.x, p.y};
}

// Inverse of (x, y) in metres; returns (lat, lon) in degrees.
inline std::pair<double, double> Inv(CProjection& p, double x, double y)
{
    p.x = x;
    p.y = y;
    p.Inverse();
    return {p.phi / kDegToRad, p.lambda / kDegToRad};
}

struct LonLat
{
    double lon;
    double lat;
};

// A regular lattice of points, both ends included.
inline std::vector<LonLat> Lattice(double lon1, double lon2, double dLon, double lat1, double lat2, double dLat)
{
    std::vector<LonLat> points;
    for (double lat = lat1; lat <= lat2 + 1e-9; lat += dLat)
        for (double lon = lon1; lon <= lon2 + 1e-9; lon += dLon)
            points.push_back({lon, lat});
    return points;
}

// Projects points with PROJ's cs2cs from geographic coordinates on the given
// ellipsoid definition (e.g. "+ellps=WGS84") to the projection definition
// (which carries the same ellipsoid). A missing or failing cs2cs fails the
// calling test; points PROJ refuses come back as not-a-number.
inline std::vector<std::pair<double, double>> Cs2cs(const std::string& ellipsoid, const std::string& projection,
                                                    const std::vector<LonLat>& points)
{
    std::vector<std::pair<double, double>> result;
    char inputName[] = "/tmp/geolynx-cs2cs-XXXXXX";
    const int fd = mkstemp(inputName);
    if (fd < 0)
    {
        ADD_FAILURE() << "cannot create a temporary file for cs2cs";
        return result;
    }
    close(fd);
    {
        std::ofstream in(inputName);
        in.precision(17);
        for (const LonLat& p : points)
            in << p.lon << ' ' << p.lat << '\n';
    }
    const std::string command = "cs2cs -f %.10f +proj=longlat " + ellipsoid + " +no_defs +to " + projection +
                                " +no_defs < " + inputName + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
    {
        std::remove(inputName);
        ADD_FAILURE() << "cannot run cs2cs";
        return result;
    }
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr)
    {
        std::istringstream fields(line);
        std::string xs;
        std::string ys;
        fields >> xs >> ys;
        const auto number = [](const std::string& s) {
            char* end = nullptr;
            const double v = std::strtod(s.c_str(), &end);
            return end != s.c_str() && *end == '\0' ? v : std::nan("");
        };
        result.emplace_back(number(xs), number(ys));
    }
    const int status = pclose(pipe);
    std::remove(inputName);
    if (status != 0 || result.size() != points.size())
    {
        ADD_FAILURE() << "cs2cs (PROJ's proj-bin) is missing or failed: status " << status << ", "
                      << result.size() << " of " << points.size() << " points answered";
        result.clear();
    }
    return result;
}

} // namespace worldtest
