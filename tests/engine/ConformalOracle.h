#pragma once

// Shared helpers of the conformal projection tests: building a projection
// through the factory, degree/DMS input, and PROJ's cs2cs as an independent
// oracle. cs2cs must be installed: a missing or failing cs2cs fails the test.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "CfgMapProjection.h"
#include "Projection.h"
#include "ProjectionFactory.h"

namespace conformal {

using Pair = std::array<double, 2>;

inline double Dms(double d, double m = 0, double s = 0)
{
    const double sign = (d < 0 || (d == 0 && (m < 0 || s < 0))) ? -1 : 1;
    return sign * (std::fabs(d) + std::fabs(m) / 60 + std::fabs(s) / 3600);
}

inline CCfgMapProjection Record(int projectionId, double a, double rf)
{
    CCfgMapProjection r;
    r.projectionId = projectionId;
    r.semiMajorAxis = a;
    r.inverseFlattening = rf;
    return r;
}

// Forward of one point given in degrees; returns x, y in metres.
inline Pair Fwd(CProjection& p, double latDeg, double lonDeg)
{
    p.phi = latDeg * kDegToRad;
    p.lambda = lonDeg * kDegToRad;
    p.Forward();
    return {p.x, p.y};
}

// Inverse of one point in metres; returns latitude, longitude in degrees.
inline Pair Inv(CProjection& p, double x, double y)
{
    p.x = x;
    p.y = y;
    p.Inverse();
    return {p.phi / kDegToRad, p.lambda / kDegToRad};
}

inline std::string Num(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

inline std::string EllipsoidArgs(const CCfgMapProjection& r)
{
    if (r.inverseFlattening == 0)
        return " +R=" + Num(r.semiMajorAxis);
    return " +a=" + Num(r.semiMajorAxis) + " +rf=" + Num(r.inverseFlattening);
}

// Runs cs2cs from one CRS to another over the given pairs (in the first CRS's
// axis order) and returns the transformed pairs. Any failure of the tool is a
// test failure and yields an empty result.
inline std::vector<Pair> Cs2cs(const std::string& from, const std::string& to, const std::vector<Pair>& in)
{
    char path[] = "/tmp/geolynx-cs2cs-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
    {
        ADD_FAILURE() << "cannot create a temporary file for cs2cs";
        return {};
    }
    {
        std::ostringstream text;
        text.precision(17);
        for (const Pair& p : in)
            text << p[0] << ' ' << p[1] << '\n';
        const std::string s = text.str();
        const ssize_t written = write(fd, s.data(), s.size());
        close(fd);
        if (written != static_cast<ssize_t>(s.size()))
        {
            std::remove(path);
            ADD_FAILURE() << "cannot write the cs2cs input";
            return {};
        }
    }
    const std::string command = "cs2cs -f %.12f " + from + " +to " + to + " < " + path + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
    {
        std::remove(path);
        ADD_FAILURE() << "cannot start cs2cs";
        return {};
    }
    std::string output;
    char buf[4096];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, pipe)) > 0)
        output.append(buf, got);
    const int status = pclose(pipe);
    std::remove(path);
    if (status != 0)
    {
        ADD_FAILURE() << "cs2cs failed (is proj-bin installed?): " << command;
        return {};
    }
    std::vector<Pair> out;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line))
    {
        std::istringstream fields(line);
        std::string f0;
        std::string f1;
        fields >> f0 >> f1;
        char* end0 = nullptr;
        char* end1 = nullptr;
        const double v0 = std::strtod(f0.c_str(), &end0);
        const double v1 = std::strtod(f1.c_str(), &end1);
        const bool ok = !f0.empty() && !f1.empty() && *end0 == '\0' && *end1 == '\0';
        out.push_back(ok ? Pair{v0, v1} : Pair{NAN, NAN});
    }
    if (out.size() != in.size())
    {
        ADD_FAILURE() << "cs2cs returned " << out.size() << " lines for " << in.size() << " points";
        return {};
    }
    return out;
}

// A rectangle of geographic points (degrees), nLat x nLon of them.
struct Domain
{
    double latMin;
    double latMax;
    double lonMin;
    double lonMax;
    int nLat = 20;
    int nLon = 15;
};

inline std::vector<Pair> LatLonPoints(const Domain& d)
{
    std::vector<Pair> pts;
    for (int i = 0; i < d.nLat; ++i)
        for (int j = 0; j < d.nLon; ++j)
        {
            const double lat = d.latMin + (d.latMax - d.latMin) * i / (d.nLat - 1);
            const double lon = d.lonMin + (d.lonMax - d.lonMin) * j / (d.nLon - 1);
            pts.push_back({lat, lon});
        }
    return pts;
}

// Difference of two longitudes in degrees, reduced to -180..180.
inline double LongitudeDifference(double a, double b)
{
    return std::remainder(a - b, 360.0);
}

struct CrossCheckResult
{
    double forwardMetres = 0;  // largest distance of our forward from PROJ's
    double inverseMetres = 0;  // largest ground distance of our inverse from PROJ's
    double roundTripDegrees = 0;
    size_t points = 0;
};

// Projects a grid of points with our class and with cs2cs given the same
// definition as a +proj string (without the ellipsoid, which is appended),
// then inverts our grid coordinates with both. The largest differences are
// printed so they can be quoted, and checked against the tolerance.
inline CrossCheckResult CrossCheck(const CCfgMapProjection& r, const std::string& projString, const Domain& d,
                                   double toleranceMetres, double roundTripDegrees = 1e-9)
{
    CrossCheckResult res;
    auto p = CreateProjection(r);
    const std::vector<Pair> geo = LatLonPoints(d);
    std::vector<Pair> lonLat;
    std::vector<Pair> ours;
    for (const Pair& g : geo)
    {
        lonLat.push_back({g[1], g[0]});
        ours.push_back(Fwd(*p, g[0], g[1]));
    }
    const std::string geog = "+proj=longlat" + EllipsoidArgs(r) + " +no_defs +type=crs";
    const std::string proj = projString + EllipsoidArgs(r) + " +no_defs +type=crs";
    const std::vector<Pair> theirs = Cs2cs(geog, proj, lonLat);
    const std::vector<Pair> back = Cs2cs(proj, geog, ours);
    if (theirs.size() != geo.size() || back.size() != geo.size())
    {
        ADD_FAILURE() << "no oracle results";
        return res;
    }
    const double a = r.semiMajorAxis;
    for (size_t i = 0; i < geo.size(); ++i)
    {
        const double df = std::hypot(ours[i][0] - theirs[i][0], ours[i][1] - theirs[i][1]);
        EXPECT_LE(df, toleranceMetres) << "forward at lat " << geo[i][0] << " lon " << geo[i][1] << ": ours "
                                       << ours[i][0] << ", " << ours[i][1] << " PROJ " << theirs[i][0] << ", "
                                       << theirs[i][1];
        res.forwardMetres = std::max(res.forwardMetres, std::isnan(df) ? INFINITY : df);

        const Pair mine = Inv(*p, ours[i][0], ours[i][1]);
        const double dLat = (mine[0] - back[i][1]) * kDegToRad * a;
        const double dLon = LongitudeDifference(mine[1], back[i][0]) * kDegToRad * a * std::cos(geo[i][0] * kDegToRad);
        const double di = std::hypot(dLat, dLon);
        EXPECT_LE(di, toleranceMetres) << "inverse at lat " << geo[i][0] << " lon " << geo[i][1];
        res.inverseMetres = std::max(res.inverseMetres, std::isnan(di) ? INFINITY : di);

        const double rt = std::max(std::fabs(mine[0] - geo[i][0]), std::fabs(LongitudeDifference(mine[1], geo[i][1])));
        EXPECT_LE(rt, roundTripDegrees) << "round trip at lat " << geo[i][0] << " lon " << geo[i][1];
        res.roundTripDegrees = std::max(res.roundTripDegrees, std::isnan(rt) ? INFINITY : rt);
    }
    res.points = geo.size();
    std::printf("[ oracle   ] %s over lat %g..%g lon %g..%g (%zu points): forward %.3g m, inverse %.3g m, "
                "round trip %.3g deg\n",
                projString.c_str(), d.latMin, d.latMax, d.lonMin, d.lonMax, res.points, res.forwardMetres,
                res.inverseMetres, res.roundTripDegrees);
    return res;
}

} // namespace conformal
