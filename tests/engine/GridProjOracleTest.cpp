#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DatumGrid.h"
#include "GridTestFiles.h"

// Forward shifts in Debian's proj-data NTv2 grids against PROJ's cs2cs with
// the same file. Both the grids and cs2cs come from the packages the setup
// installs; without them these tests fail rather than pass unchecked.

namespace {

constexpr double kDeg = 0.017453292519943295;
constexpr double kToleranceArcSeconds = 1e-5;
constexpr int kPoints = 300;

struct Point
{
    double lon, lat;
};

// Points spread over the first block, kept half a cell inside its edges so
// that the edge rules of the two programs do not decide.
std::vector<Point> PointsInside(const CDatumSubGrid& s)
{
    std::vector<Point> points;
    uint64_t state = 0x9E3779B97F4A7C15ull;
    auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    const double latLow = s.south + s.latInc / 2, latHigh = s.north - s.latInc / 2;
    // West-positive block longitudes, east-positive points.
    const double lonLow = -(s.lonMax - s.lonInc / 2), lonHigh = -(s.lonMin + s.lonInc / 2);
    for (int k = 0; k < kPoints; ++k)
        points.push_back({lonLow + next() * (lonHigh - lonLow), latLow + next() * (latHigh - latLow)});
    return points;
}

bool RunCs2cs(const std::string& grid, const std::vector<Point>& in, std::vector<Point>& out, std::string& why)
{
    gridtest::TempFolder tmp;
    const std::string input = tmp.File("points.txt");
    {
        std::ofstream f(input);
        f.precision(17);
        for (const Point& p : in)
            f << p.lon << ' ' << p.lat << '\n';
    }
    const std::string command = "cs2cs -f %.12f +proj=longlat +ellps=GRS80 +nadgrids=" + grid +
                                " +to +proj=longlat +datum=WGS84 < " + input + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
    {
        why = "cannot start cs2cs";
        return false;
    }
    char line[512];
    while (std::fgets(line, sizeof line, pipe))
    {
        Point p;
        if (std::sscanf(line, "%lf %lf", &p.lon, &p.lat) != 2)
        {
            why += line;
            continue;
        }
        out.push_back(p);
    }
    const int status = pclose(pipe);
    if (status != 0)
        why += "cs2cs exited with status " + std::to_string(status);
    return status == 0 && out.size() == in.size();
}

void CompareWithCs2cs(const std::string& name)
{
    const std::string path = "/usr/share/proj/" + name;
    ASSERT_TRUE(std::filesystem::exists(path)) << path << " is missing: install proj-data";

    CDatumGrid grid;
    ASSERT_EQ(grid.LoadFile(path), 0);
    ASSERT_EQ(grid.kind, CDatumGrid::KIND_NTV2);
    ASSERT_GE(grid.Count(), 1);
    const std::vector<Point> points = PointsInside(*grid.SubGrids()[0]);

    std::vector<Point> proj;
    std::string why;
    ASSERT_TRUE(RunCs2cs(path, points, proj, why)) << "cs2cs (proj-bin) did not answer: " << why;

    double worst = 0, largestShift = 0;
    for (size_t k = 0; k < points.size(); ++k)
    {
        double phi = points[k].lat * kDeg, lambda = points[k].lon * kDeg;
        ASSERT_EQ(grid.ShiftForward(phi, lambda), 1) << points[k].lon << " " << points[k].lat;
        const double dLat = (phi / kDeg - proj[k].lat) * 3600;
        const double dLon = (lambda / kDeg - proj[k].lon) * 3600;
        EXPECT_LE(std::fabs(dLat), kToleranceArcSeconds) << "at " << points[k].lon << " " << points[k].lat;
        EXPECT_LE(std::fabs(dLon), kToleranceArcSeconds) << "at " << points[k].lon << " " << points[k].lat;
        worst = std::max({worst, std::fabs(dLat), std::fabs(dLon)});
        largestShift = std::max(largestShift, std::hypot(proj[k].lat - points[k].lat, proj[k].lon - points[k].lon));
    }
    // A cs2cs that applied no grid would agree only with a grid of zeros.
    EXPECT_GT(largestShift * 3600, 0.1);
    ::testing::Test::RecordProperty("worst_difference_arcsec", std::to_string(worst));
    std::printf("%s: worst difference from cs2cs %.3g arc seconds\n", name.c_str(), worst);
}

} // namespace

TEST(GridProjOracle, Beta2007AgreesWithCs2cs)
{
    CompareWithCs2cs("BETA2007.gsb");
}

TEST(GridProjOracle, NtfR93AgreesWithCs2cs)
{
    CompareWithCs2cs("ntf_r93.gsb");
}

TEST(GridProjOracle, Nzgd2000AgreesWithCs2cs)
{
    CompareWithCs2cs("nzgd2kgrid0005.gsb");
}
