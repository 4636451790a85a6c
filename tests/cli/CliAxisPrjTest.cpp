// Krovak and Lambert west orientated destinations, whose coordinates run west
// (and, for Krovak, south): the .prj geolynx-cli writes for them makes GDAL
// place the points where the engine put them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "../batch/ShapefileTestSupport.h"
#include "ScratchFolder.h"

namespace {

using batchtest::FindPairs;
using batchtest::ReadDouble;

class CliAxisPrj : public testing::Test
{
protected:
    int Cli(const std::string& arguments, std::string& err) const
    {
        const std::string errFile = scratch.File("stderr.txt");
        const int status =
            std::system((std::string(GEOLYNX_BIN_DIR) + "/geolynx-cli " + arguments + " 2>'" + errFile + "'").c_str());
        err = CScratchFolder::Read(errFile);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    CScratchFolder scratch;
};

} // namespace

TEST_F(CliAxisPrj, GdalTakesTheEnginesCoordinatesBackWithinAMillimetre)
{
    ASSERT_TRUE(batchtest::HaveTool("ogr2ogr")) << "GDAL's ogr2ogr is needed";
    struct Case
    {
        int grid;
        int datum;
        std::vector<std::pair<double, double>> points; // longitude, latitude from Greenwich
    };
    // The Krovak grids from Greenwich and from Ferro; Lambert west
    // orientated without and with a false origin.
    const std::vector<Case> cases = {
        {5513, 4156, {{15, 50}, {18.5, 49.4}, {12.6, 50.9}}},  {2065, 4818, {{15, 50}, {21.9, 48.7}}},
        {2218, 4195, {{-22, 70}, {-25.5, 71.2}}},             {2299, 4194, {{-60, 78}, {-70, 80.5}}},
        {3053, 4658, {{-20, 65}, {-14, 64.2}, {-23.5, 66}}},   {3173, 4753, {{-7, 62}, {-6.4, 61.6}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.grid);
        std::string features;
        for (const auto& [lon, lat] : c.points)
        {
            char text[200];
            std::snprintf(text, sizeof text,
                          "%s{\"type\":\"Feature\",\"properties\":{},\"geometry\":{\"type\":\"Point\","
                          "\"coordinates\":[%.10g,%.10g]}}",
                          features.empty() ? "" : ",", lon, lat);
            features += text;
        }
        const std::string name = std::to_string(c.grid);
        const std::string json = scratch.File("in" + name + ".geojson");
        CScratchFolder::Write(json, "{\"type\":\"FeatureCollection\",\"features\":[" + features + "]}");
        const std::string in = scratch.File("in" + name + ".shp");
        ASSERT_EQ(std::system(("ogr2ogr -q -f 'ESRI Shapefile' '" + in + "' '" + json + "'").c_str()), 0);

        const std::string out = scratch.File("out" + name + ".shp");
        std::string err;
        ASSERT_EQ(Cli("batch shapefile --from datum:" + std::to_string(c.datum) + " --to grid:" + name +
                          " --input '" + in + "' --output '" + out + "'",
                      err),
                  0)
            << err;
        EXPECT_EQ(err.find("Warning"), std::string::npos) << err;
        const std::string prj = CScratchFolder::Read(scratch.File("out" + name + ".prj"));
        ASSERT_NE(prj.find("PROJCS["), std::string::npos) << prj;

        // Back onto the .prj's own geographic system, so no datum shift
        // comes between.
        const std::size_t geographic = prj.find("GEOGCS[");
        std::size_t end = geographic;
        for (int depth = 0; end < prj.size(); ++end)
        {
            depth += prj[end] == '[' ? 1 : prj[end] == ']' ? -1 : 0;
            if (prj[end] == ']' && depth == 0)
                break;
        }
        ASSERT_LT(end, prj.size());
        const std::string target = prj.substr(geographic, end + 1 - geographic);
        const std::string back = scratch.File("back" + name + ".shp");
        ASSERT_EQ(std::system(("ogr2ogr -q -f 'ESRI Shapefile' -t_srs '" + target + "' '" + back + "' '" + out + "'")
                                  .c_str()),
                  0)
            << target;
        const std::string returned = CScratchFolder::Read(back);
        const auto pairs = FindPairs(returned).points;
        ASSERT_EQ(pairs.size(), c.points.size());
        for (std::size_t i = 0; i < pairs.size(); ++i)
        {
            const auto [lon, lat] = c.points[i];
            EXPECT_NEAR(ReadDouble(returned, pairs[i]), lon, 1e-3 / (111320.0 * std::cos(lat * 0.017453292519943295)))
                << i;
            EXPECT_NEAR(ReadDouble(returned, pairs[i] + 8), lat, 1e-3 / 110574.0) << i;
        }
    }
}
