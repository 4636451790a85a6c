// Shapefiles through the built geolynx-cli: the .prj it writes for each kind of
// destination, read back by GDAL, and --from auto on the .prj GDAL writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "../batch/ShapefileTestSupport.h"
#include "ScratchFolder.h"

namespace {

using batchtest::FindPairs;
using batchtest::ReadDouble;

struct CliResult
{
    int status = -1;
    std::string err;
};

std::string Shell(const std::string& command)
{
    std::string out;
    if (std::FILE* pipe = ::popen(command.c_str(), "r"))
    {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

// The PROJ string GDAL reads from a definition, as key -> value, without what
// only says how to reach WGS 84.
std::map<std::string, std::string> GdalProj(const std::string& definition)
{
    std::map<std::string, std::string> keys;
    std::istringstream words(Shell("gdalsrsinfo -o proj4 '" + definition + "' 2>/dev/null"));
    std::string word;
    while (words >> word)
    {
        if (word.rfind("+", 0) != 0 || word == "+no_defs" || word.rfind("+towgs84=", 0) == 0 ||
            word.rfind("+type=", 0) == 0)
            continue;
        const std::size_t equals = word.find('=');
        keys[word.substr(1, equals == std::string::npos ? std::string::npos : equals - 1)] =
            equals == std::string::npos ? "" : word.substr(equals + 1);
    }
    return keys;
}

// Two PROJ strings with the same keys and values; angles a turn apart agree.
void ExpectSameProj(const std::map<std::string, std::string>& ours, const std::map<std::string, std::string>& peer)
{
    ASSERT_FALSE(ours.empty());
    ASSERT_FALSE(peer.empty());
    EXPECT_EQ(ours.size(), peer.size());
    for (const auto& [key, value] : peer)
    {
        const auto it = ours.find(key);
        ASSERT_NE(it, ours.end()) << "+" << key;
        char* end = nullptr;
        const double a = std::strtod(value.c_str(), &end);
        if (end != value.c_str() && *end == '\0')
        {
            double d = std::strtod(it->second.c_str(), nullptr) - a;
            if (key == "alpha" || key == "gamma" || key == "lon_0" || key == "lonc")
                d = std::remainder(d, 360.0);
            EXPECT_NEAR(d, 0, 1e-9) << "+" << key;
        }
        else
            EXPECT_EQ(it->second, value) << "+" << key;
    }
}

class CliShapefile : public testing::Test
{
protected:
    CliResult Cli(const std::string& arguments) const
    {
        const std::string err = scratch.File("stderr.txt");
        CliResult r;
        const int status = std::system((std::string(GEOLYNX_BIN_DIR) + "/geolynx-cli " + arguments + " 2>" + err).c_str());
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.err = CScratchFolder::Read(err);
        return r;
    }

    // A set GDAL writes from GeoJSON in WGS 84, with a .prj saying so.
    std::string GdalSet(const std::string& name, const std::string& features, int epsg = 4326) const
    {
        const std::string json = scratch.File(name + ".geojson");
        CScratchFolder::Write(json, "{\"type\":\"FeatureCollection\",\"features\":[" + features + "]}");
        const std::string shp = scratch.File(name + ".shp");
        EXPECT_EQ(std::system(("ogr2ogr -q -f 'ESRI Shapefile' -s_srs EPSG:4326 -t_srs EPSG:" + std::to_string(epsg) +
                               " '" + shp + "' '" + json + "'")
                                  .c_str()),
                  0);
        return shp;
    }

    CScratchFolder scratch;
};

std::string Point(double lon, double lat)
{
    char text[200];
    std::snprintf(text, sizeof text, "{\"type\":\"Feature\",\"properties\":{\"n\":1},\"geometry\":{\"type\":\"Point\","
                                     "\"coordinates\":[%.10g,%.10g]}}",
                  lon, lat);
    return text;
}

std::string Line(double lon0, double lat0, double lon1, double lat1)
{
    char text[300];
    std::snprintf(text, sizeof text, "{\"type\":\"Feature\",\"properties\":{\"n\":2},\"geometry\":{\"type\":"
                                     "\"LineString\",\"coordinates\":[[%.10g,%.10g],[%.10g,%.10g],[%.10g,%.10g]]}}",
                  lon0, lat0, (lon0 + lon1) / 2, (lat0 + lat1) / 2, lon1, lat1);
    return text;
}

} // namespace

TEST_F(CliShapefile, EveryKindOfDestinationGetsAPrjGdalReadsAsThatSystem)
{
    ASSERT_TRUE(batchtest::HaveTool("ogr2ogr") && batchtest::HaveTool("gdalsrsinfo")) << "GDAL's tools are needed";
    // A user's own grid: transverse Mercator on WGS 84, its .prj composed from the row.
    ASSERT_EQ(Cli("list units >/dev/null").status, 0); // creates the user's catalogue
    const std::string catalogue = scratch.File("home/data/Veltrix/Geolynx/catalogue.db");
    ASSERT_TRUE(std::filesystem::exists(catalogue));
    ASSERT_EQ(std::system(("sqlite3 '" + catalogue +
                           "' \"INSERT INTO tblGrids (numId, strGrid, numCountry, numDatum, numProjection, numUnits, "
                           "dblFalseEasting, dblFalseNorthing, dblLatitudeOrigin, dblLongitudeOrigin, dblParallelNorth, "
                           "dblParallelSouth, dblAzimuth, dblRectifiedGrid, dblScale) VALUES (50001, 'Site grid', 1, "
                           "4326, 9807, 9001, 200000, 10, 0, 10.5, 0, 0, 0, 0, 0.9999)\"")
                              .c_str()),
              0);
    struct Case
    {
        const char* what;
        int grid;
        std::string features;
        std::string reference; // the definition GDAL reads for the destination
    };
    const std::vector<Case> cases = {
        {"transverse Mercator", 32631, Line(2.35, 48.85, 2.36, 48.86) + "," + Line(0.5, 43, 5.5, 51), "EPSG:32631"},
        {"Lambert conformal conic", 2154, Line(2.35, 48.85, 2.36, 48.86) + "," + Line(-1.5, 43.5, 7, 50.5), "EPSG:2154"},
        {"polar stereographic", 3031, Line(166.67, -77.85, 166.68, -77.84) + "," + Line(-60, -70, 100, -80), "EPSG:3031"},
        {"oblique Mercator", 3078, Line(-84.55, 42.73, -84.54, 42.74) + "," + Line(-86.2, 41.8, -83.5, 46), "EPSG:3078"},
        {"geographic", 4258, Line(2.35, 48.85, 2.36, 48.86) + "," + Line(10, 50, 12, 52), "EPSG:4258"},
        {"user-defined grid", 50001, Line(10.4, 50.1, 10.41, 50.11) + "," + Line(9.5, 47.5, 11.5, 54),
         "+proj=tmerc +lat_0=0 +lon_0=10.5 +k=0.9999 +x_0=200000 +y_0=10 +datum=WGS84 +units=m"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const std::string in = GdalSet("in" + std::to_string(c.grid), c.features);
        const std::string out = scratch.File("out" + std::to_string(c.grid) + ".shp");
        const std::string to = (c.grid == 4258 ? "datum:" : "grid:") + std::to_string(c.grid);
        const CliResult r = Cli("batch shapefile --from 4326 --to " + to + " --input '" + in + "' --output '" + out + "'");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err.find("Warning"), std::string::npos) << r.err;
        const std::string prj = out.substr(0, out.size() - 4) + ".prj";
        ASSERT_TRUE(std::filesystem::exists(prj));
        ExpectSameProj(GdalProj(prj), GdalProj(c.reference));

        // GDAL takes our output back to WGS 84 onto the input's vertices.
        const std::string back = scratch.File("back" + std::to_string(c.grid) + ".shp");
        ASSERT_EQ(std::system(("ogr2ogr -q -f 'ESRI Shapefile' -t_srs EPSG:4326 '" + back + "' '" + out + "'").c_str()),
                  0);
        const std::string source = CScratchFolder::Read(in), returned = CScratchFolder::Read(back);
        const auto sourcePairs = FindPairs(source).points, returnedPairs = FindPairs(returned).points;
        ASSERT_EQ(returnedPairs.size(), sourcePairs.size());
        ASSERT_EQ(sourcePairs.size(), 6u);
        for (std::size_t i = 0; i < sourcePairs.size(); ++i)
        {
            const double lat = ReadDouble(source, sourcePairs[i] + 8);
            // 1 mm along the parallel and the meridian.
            EXPECT_NEAR(ReadDouble(returned, returnedPairs[i]), ReadDouble(source, sourcePairs[i]),
                        1e-3 / (111320.0 * std::cos(lat * 0.017453292519943295)));
            EXPECT_NEAR(ReadDouble(returned, returnedPairs[i] + 8), lat, 1e-3 / 110574.0);
        }
    }
}

TEST_F(CliShapefile, FromAutoTakesTheSourceSystemFromThePrj)
{
    ASSERT_TRUE(batchtest::HaveTool("ogr2ogr")) << "GDAL's ogr2ogr is needed";
    const std::string british = GdalSet("british", Line(-1.5, 53, -1.49, 53.01) + "," + Line(-3, 51, 0, 54), 27700);
    const std::string out = scratch.File("wgs84.shp");
    CliResult r = Cli("batch shapefile --from auto --to 4326 --input '" + british + "' --output '" + out + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("--from auto: grid:27700 \"OSGB36 / British National Grid\", matched by name"),
              std::string::npos)
        << r.err;
    const std::string converted = CScratchFolder::Read(out);
    const auto places = FindPairs(converted).points;
    ASSERT_EQ(places.size(), 6u);
    // Within the catalogue's OSGB36 transformation (Helmert, a few metres) of the input.
    EXPECT_NEAR(ReadDouble(converted, places[0]), -1.5, 2e-4);
    EXPECT_NEAR(ReadDouble(converted, places[0] + 8), 53, 2e-4);
    EXPECT_EQ(GdalProj(scratch.File("wgs84.prj")), GdalProj("EPSG:4326"));

    // A system the catalogue lacks, and a set without a .prj: refused, nothing written.
    const std::string ease = GdalSet("ease", Point(5, 52), 6933);
    r = Cli("batch shapefile --from auto --to 4326 --input '" + ease + "' --output '" + scratch.File("a.shp") + "'");
    EXPECT_EQ(r.status, 2); // refused, as a wrong system is
    EXPECT_NE(r.err.find("no catalogue system matches the .prj; give --from"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(scratch.File("a.shp")));
    std::filesystem::remove(scratch.File("british.prj"));
    r = Cli("batch shapefile --from auto --to 4326 --input '" + british + "' --output '" + scratch.File("b.shp") + "'");
    EXPECT_EQ(r.status, 2); // refused, as a wrong system is
    EXPECT_NE(r.err.find("has no .prj to read the source system from"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(scratch.File("b.shp")));
}
