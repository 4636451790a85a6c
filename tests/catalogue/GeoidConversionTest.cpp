// Heights above a geoid through the conversion, against PROJ's cs2cs with the
// same EGM96 grid (proj-data), and the refusals of models that cannot give a
// height.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "CatalogueFixture.h"
#include "ConvertCoordinate.h"
#include "MessageRecorder.h"

namespace {

struct Point
{
    double x, y, z;
};

// Runs cs2cs over the points (written in the order its source system wants
// them) and reads back three numbers a line.
bool RunCs2cs(const std::string& folder, const std::string& systems, const std::vector<Point>& in,
              std::vector<Point>& out)
{
    const std::string input = folder + "/cs2cs-input.txt";
    {
        std::ofstream file(input);
        file.precision(12);
        for (const Point& p : in)
            file << p.x << " " << p.y << " " << p.z << "\n";
    }
    std::FILE* pipe = popen(("cs2cs -f %.6f " + systems + " < " + input).c_str(), "r");
    if (pipe == nullptr)
        return false;
    out.clear();
    char line[256];
    while (std::fgets(line, sizeof line, pipe) != nullptr)
    {
        Point p{};
        if (std::sscanf(line, "%lf %lf %lf", &p.x, &p.y, &p.z) != 3)
            p = Point{NAN, NAN, NAN};
        out.push_back(p);
    }
    return pclose(pipe) == 0 && out.size() == in.size();
}

// Longitudes, latitudes (degrees) and ellipsoidal heights over the globe,
// with runs of points across the antimeridian and near both poles.
std::vector<Point> GlobePoints(int count)
{
    std::mt19937 random(5773);
    std::uniform_real_distribution<double> lon(-180, 180), sine(-1, 1), height(-200, 4000);
    std::uniform_real_distribution<double> edge(-0.4, 0.4), polar(0, 0.6);
    std::vector<Point> points;
    for (int k = 0; k < count; ++k)
    {
        Point p{lon(random), std::asin(sine(random)) / 0.017453292519943295, height(random)};
        if (k % 20 == 1)
            p.x = 180 + edge(random) - (p.x < 0 ? 360 : 0);
        if (k % 20 == 2)
            p.y = (p.y < 0 ? -90 : 90) + (p.y < 0 ? polar(random) : -polar(random));
        points.push_back(p);
    }
    points.push_back(Point{180, 45, 0});
    points.push_back(Point{-180, -45, 0});
    points.push_back(Point{12, 90, 0});
    points.push_back(Point{-77, -90, 0});
    return points;
}

class GeoidConversionTest : public CatalogueTest
{
protected:
    // Converts every point with one catalogue load; a point not converted
    // fails the test.
    std::vector<Point> Convert(const std::vector<Point>& points, int fromDatum, int fromGrid, int fromGeoid,
                               int toDatum, int toGrid, int toGeoid)
    {
        CConversionContext context;
        context.sourceGeoid = fromGeoid;
        context.destinationGeoid = toGeoid;
        std::vector<Point> out;
        bool reload = true;
        for (const Point& p : points)
        {
            Point q = p;
            const int result = ConvertCoordinate(context, reload, q.x, q.y, q.z, fromDatum, fromGrid, toDatum, toGrid);
            EXPECT_EQ(result, kConvertDone) << p.x << " " << p.y << ": " << context.engine.Failure();
            reload = false;
            out.push_back(q);
        }
        return out;
    }
};

} // namespace

TEST_F(GeoidConversionTest, Egm96HeightsOverTheGlobeAgreeWithCs2cs)
{
    const std::vector<Point> points = GlobePoints(10000);
    std::vector<Point> latLon, proj;
    for (const Point& p : points)
        latLon.push_back(Point{p.y, p.x, p.z});
    ASSERT_TRUE(RunCs2cs(home.string(), "EPSG:4979 EPSG:4326+5773", latLon, proj)) << "cs2cs (proj-bin)";

    const std::vector<Point> ours = Convert(points, 4326, 0, 0, 4326, 0, 5773);
    double worst = 0;
    for (size_t k = 0; k < points.size(); ++k)
    {
        ASSERT_TRUE(std::isfinite(proj[k].z)) << points[k].x << " " << points[k].y;
        worst = std::max(worst, std::fabs(ours[k].z - proj[k].z));
        // The geoid lies within some 110 m of the ellipsoid: a height left
        // alone would show here.
        ASSERT_GT(std::fabs(ours[k].z - points[k].z), 0) << points[k].x << " " << points[k].y;
    }
    std::printf("EGM96 over the globe: worst height difference from cs2cs %.3g m\n", worst);
    EXPECT_LE(worst, 0.001 + 1e-6);
}

TEST_F(GeoidConversionTest, HeightsOnAMapGridOfAnotherDatumAgreeWithCs2csAndGoRoundTrip)
{
    std::mt19937 random(27700);
    std::uniform_real_distribution<double> lon(-5.5, 1.5), lat(50.2, 58.4), height(-50, 1300);
    std::vector<Point> points, latLon, proj;
    for (int k = 0; k < 1000; ++k)
    {
        points.push_back(Point{lon(random), lat(random), height(random)});
        latLon.push_back(Point{points.back().y, points.back().x, points.back().z});
    }
    ASSERT_TRUE(RunCs2cs(home.string(), "EPSG:4979 EPSG:27700+5773", latLon, proj)) << "cs2cs (proj-bin)";

    const std::vector<Point> grid = Convert(points, 4326, 0, 0, 4277, 27700, 5773);
    double worst = 0;
    for (size_t k = 0; k < points.size(); ++k)
        worst = std::max(worst, std::fabs(grid[k].z - proj[k].z));
    std::printf("EPSG:4979 to 27700+5773: worst height difference from cs2cs %.3g m\n", worst);
    EXPECT_LE(worst, 0.001 + 1e-6);

    // 27700+5773 to WGS 84 and back, and WGS 84 to 27700+5773 and back.
    const std::vector<Point> there = Convert(grid, 4277, 27700, 5773, 4326, 0, 0);
    const std::vector<Point> back = Convert(there, 4326, 0, 0, 4277, 27700, 5773);
    const std::vector<Point> returned = Convert(grid, 4277, 27700, 5773, 4326, 0, 0);
    double worstHeight = 0, worstEN = 0, worstDegrees = 0;
    for (size_t k = 0; k < points.size(); ++k)
    {
        worstHeight = std::max({worstHeight, std::fabs(back[k].z - grid[k].z), std::fabs(returned[k].z - points[k].z)});
        worstEN = std::max({worstEN, std::fabs(back[k].x - grid[k].x), std::fabs(back[k].y - grid[k].y)});
        worstDegrees =
            std::max({worstDegrees, std::fabs(returned[k].x - points[k].x), std::fabs(returned[k].y - points[k].y)});
    }
    std::printf("27700+5773 round trips: worst %.3g m in height, %.3g degrees, %.3g m in grid units\n",
                worstHeight, worstDegrees, worstEN);
    EXPECT_LE(worstHeight, 1e-6);
    EXPECT_LE(worstDegrees, 1e-9);
    EXPECT_LE(worstEN, 1e-4); // 1e-9 degrees is some 0.1 mm
}

TEST_F(GeoidConversionTest, ModelsThatCannotGiveAHeightAreRefusedWithTheirReason)
{
    // A regional model of the test's own in the user's Data folder: 2 x 2
    // degrees from 50 N 5 E, one node without a value.
    const std::filesystem::path data = home / "data" / "Veltrix" / "Geolynx" / "Data";
    std::filesystem::create_directories(data);
    {
        std::string bytes;
        auto big = [&bytes](const void* v, size_t n) {
            for (size_t k = n; k-- > 0;)
                bytes.push_back(static_cast<const char*>(v)[k]);
        };
        for (double d : {50.0, 5.0, 1.0, 1.0})
            big(&d, 8);
        for (int32_t n : {3, 3})
            big(&n, 4);
        for (int k = 0; k < 9; ++k)
        {
            const float v = k == 8 ? -88.8888f : 40.0f + k;
            big(&v, 4);
        }
        std::ofstream(data / "regional.gtx", std::ios::binary) << bytes;
    }
    std::ofstream(data / "damaged.gtx", std::ios::binary) << "not a grid";
    Sql("INSERT INTO tblGeoidModels VALUES (900001, 'Test regional', 'regional.gtx', 4326, 'Test', 0.01);"
        "INSERT INTO tblGeoidModels VALUES (900002, 'Test damaged', 'damaged.gtx', 4326, 'Test', 0.01);"
        "INSERT INTO tblGeoidModels VALUES (900003, 'Test no datum', 'regional.gtx', 999999, 'Test', 0.01);");

    struct Case
    {
        const char* what;
        int geoid;
        double lon, lat;
        int result;
        const char* reason; // in the message, or in the engine's failure
    };
    const Case cases[] = {
        {"inside", 900001, 5.5, 50.5, kConvertDone, ""},
        {"missing file", 3855, 5.5, 50.5, kConvertRefused, "us_nga_egm08_25.tif of the geoid model EGM2008 height "
                                                           "(3855) is missing; put it in "},
        {"damaged file", 900002, 5.5, 50.5, kConvertRefused, "damaged.gtx of the geoid model Test damaged (900002) is "
                                                             "empty, damaged"},
        {"no such model", 123, 5.5, 50.5, kConvertRefused, "the catalogue has no geoid model 123"},
        {"no datum", 900003, 5.5, 50.5, kConvertRefused, "no datum 999999"},
        {"outside", 900001, 4.5, 50.5, kConvertPointFailed, "lies outside the geoid model Test regional (900001)"},
        {"no data", 900001, 6.5, 51.5, kConvertPointFailed, "in a cell of the geoid model Test regional (900001) "
                                                            "that has no value"},
    };
    for (const Case& c : cases)
    {
        CMessageRecorder recorder;
        CConversionContext context;
        context.destinationGeoid = c.geoid;
        double x = c.lon, y = c.lat, z = 100;
        EXPECT_EQ(ConvertCoordinate(context, true, x, y, z, 4326, 0, 4326, 0), c.result) << c.what;
        const std::string said = c.result == kConvertRefused && !recorder.Shown().empty()
                                     ? recorder.Shown()[0].second
                                     : context.engine.Failure();
        EXPECT_NE(said.find(c.reason), std::string::npos) << c.what << ": " << said;
        if (c.result == kConvertDone)
            EXPECT_NEAR(z, 100 - (40 + 0.5 * (0 + 1 + 3 + 4) / 2), 1e-9) << c.what;
        else
            EXPECT_EQ(z, 100) << c.what;
    }
}
