// geolynx-cli on datums without a usable link to WGS 84, with what results rest on (--explain), on
// points outside their systems' areas (--strict), and info SYSTEM: the built binary on the shipped
// catalogue in a private folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <sys/wait.h>

#include "CliProcess.h"
#include "ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

class CliLink : public testing::Test
{
protected:
    CliRun Invoke(const std::string& arguments, const std::string& input = std::string()) const
    {
        const fs::path home = scratch.Path();
        const fs::path in = home / "stdin.txt";
        const fs::path err = home / "stderr.txt";
        std::ofstream(in) << input;
        return RunShellCommand(std::string(GEOLYNX_BIN_DIR) + "/geolynx-cli " + arguments + " <" + in.string(), err);
    }

    std::string Write(const char* name, const std::string& text) const
    {
        const fs::path path = fs::path(scratch.Path()) / name;
        std::ofstream(path) << text;
        return path.string();
    }

    CScratchFolder scratch;
};

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST_F(CliLink, DatumsWithoutAUsableLinkAreRefusedUnlessBallpark)
{
    const std::string input = Write("in.txt", "121 24\n");
    const std::string output = (fs::path(scratch.Path()) / "out.txt").string();
    const struct
    {
        const char* arguments;
        const char* datum;
    } cases[] = {
        {"convert --from datum:3821 --to datum:4326 121 24", "datum TWD67 (3821)"},
        {"convert --from datum:4326 --to datum:4120 23 38", "datum Greek (4120)"},
        {"convert --from grid:3828 --to datum:4326 250000 2655032", "datum TWD67 (3821)"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.arguments);
        CliRun r = Invoke(c.arguments);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(Has(r.err, c.datum) && Has(r.err, "--ballpark")) << r.err;
        r = Invoke(std::string(c.arguments) + " --ballpark");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out, "");
        EXPECT_TRUE(Has(r.err, "warning: " + std::string(c.datum))) << r.err;
    }
    EXPECT_TRUE(Has(Invoke("convert --from datum:4326 --to datum:4120 23 38").err,
                    "EPSG:8643, a chain of two operations, not applied"));

    const std::string features = Write("in.geojson", R"({"type": "FeatureCollection", "features": [{"type": )"
                                                     R"("Feature", "properties": {}, "geometry": {"type": )"
                                                     R"("Point", "coordinates": [121, 24]}}]})");
    const std::string layers = (fs::path(scratch.Path()) / "out.gpkg").string();
    for (const auto& [kind, in, out] : {std::tuple{"text", input, output}, std::tuple{"vector", features, layers}})
    {
        SCOPED_TRACE(kind);
        const std::string files = " --from datum:3821 --to 4326 --input " + in + " --output " + out;
        CliRun batch = Invoke(std::string("batch ") + kind + files);
        EXPECT_EQ(batch.status, 2);
        EXPECT_TRUE(Has(batch.err, "TWD67") && Has(batch.err, "--ballpark")) << batch.err;
        EXPECT_FALSE(fs::exists(out));
        batch = Invoke(std::string("batch ") + kind + " --ballpark" + files);
        EXPECT_EQ(batch.status, 0) << batch.err;
        EXPECT_TRUE(fs::exists(out));
        EXPECT_TRUE(Has(batch.err, "accuracy: unknown")) << batch.err;
    }
}

TEST_F(CliLink, OneDatumOnBothSidesIsNeverRefused)
{
    CliRun r = Invoke("convert --explain --from datum:3821 --to 3828 121 24");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "250000.0000 2655032.3030 0.0000\n");
    EXPECT_EQ(r.err, "geolynx-cli: no datum change: both sides on TWD67\n"
                     "geolynx-cli: accuracy: that of the projections alone (no datum change)\n");
    r = Invoke("convert --from 3827 --to 3828 250000 2655032");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

TEST_F(CliLink, ExplainNamesEachLegAndTheAccuracy)
{
    // ETRS89's null leg does not count: DHDN's grid goes to ETRS89 itself.
    CliRun r = Invoke("convert --explain --from datum:4314 --to datum:4258 10 50");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "geolynx-cli: source: DHDN: EPSG:15948 DHDN to ETRS89 (8), grid BETA2007.gsb, 0.9 m\n"
                     "geolynx-cli: destination: ETRS89: EPSG:1149 ETRS89 to WGS 84 (1), 1 m\n"
                     "geolynx-cli: accuracy: 0.9 m\n");
    // The root sum of squares where both legs act; unknown at a point outside a transformation's area.
    r = Invoke("convert --explain --from 28992 --to datum:4277 155000 463000");
    EXPECT_TRUE(Has(r.err, "geolynx-cli: accuracy: unknown (the point lies outside the area of OSGB36's "
                           "transformation)\n")) << r.err;
    r = Invoke("convert --explain --from datum:4289 --to datum:4258", "5 52\n");
    EXPECT_TRUE(Has(r.err, "geolynx-cli: accuracy: 1.414 m\n")) << r.err;
    // A batch summary ends with the same lines.
    const std::string input = Write("in.txt", "10 50\n");
    r = Invoke("batch text --from datum:4314 --to datum:4289 --input " + input + " --output " +
               (fs::path(scratch.Path()) / "out.txt").string());
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(Has(r.err, "source: DHDN: EPSG:15948") && Has(r.err, "\naccuracy: 1.345 m\n")) << r.err;
}

TEST_F(CliLink, PointsOutsideTheirSystemsAreWarnedOrRefused)
{
    // London with latitude and longitude swapped; then on RD New; then five zones from zone 33.
    CliRun r = Invoke("convert --from 4326 --to 27700 51.5 -0.12");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(Has(r.err, "warning: outside the area of use of OSGB36")) << r.err;
    r = Invoke("convert --strict --from 4326 --to 27700 51.5 -0.12");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");

    const std::string lines = "5.3 52.1\n52.1 5.3\n";
    r = Invoke("convert --from 4326 --to 28992", lines);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "geolynx-cli: warning: line 2: outside the area of use of Amersfoort (Netherlands - onshore); "
                     "check the axis order and the systems\n");
    r = Invoke("convert --strict --from 4326 --to 28992", lines);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.ends_with("\n52.1 5.3\n")) << r.out;

    // Norway in UTM zone 33 and Bornholm in zone 32 are quiet; a grid source is located first.
    r = Invoke("convert --from 4326 --to 25833", "10.7 59.9\n5.3 60.4\n30.0 70.0\n-15 45\n");
    EXPECT_EQ(r.err, "geolynx-cli: warning: line 4: outside the area of use of ETRS89 / UTM zone 33N (Europe - 12°E "
                     "to 18°E and ETRS89 by country); check the axis order and the systems\n");
    r = Invoke("convert --from 4326 --to 25832 15 55.1");
    EXPECT_EQ(r.err, "");
    r = Invoke("convert --from 25833 --to 4326", "500000 6650000\n-1200000 5000000\n");
    EXPECT_TRUE(!Has(r.err, "line 1") && Has(r.err, "line 2: outside")) << r.err;
}

TEST_F(CliLink, InfoPrintsWhatTheCatalogueKnows)
{
    CliRun r = Invoke("info 27700");
    EXPECT_EQ(r.status, 0);
    for (const char* line : {"name: OSGB36 / British National Grid\n", "kind: grid\n", "EPSG code: 27700\n",
                             "projection: Transverse Mercator (9807)\n", "longitude of origin: -2 degrees\n",
                             "false easting: 400000 metre\n", "datum: OSGB36 (4277)\n",
                             "ellipsoid: Airy 1830 (a 6377563.396 m, 1/f 299.3249646)\n",
                             "transformation: EPSG:1314 OSGB36 to WGS 84 (6), 2 m\n", "accuracy: 2 m\n",
                             "area of use: UK - Britain and UKCS", "prj: PROJCS[\"British_National_Grid\""})
        EXPECT_TRUE(Has(r.out, line)) << line << "\n" << r.out;
    r = Invoke("info datum:3821");
    EXPECT_TRUE(Has(r.out, "transformation: no transformation to WGS 84 known\n")) << r.out;
    r = Invoke("info grid:999999");
    EXPECT_EQ(r.status, 2);
}

} // namespace

namespace {

TEST_F(CliLink, AnOlderUserCatalogueIsUpdatedOnceAndSaysSo)
{
    // The user's copy, made on first use, as the previous release left it: without the link tables
    // and the record of shipped rows, one shipped row changed and one row of the user's own.
    ASSERT_EQ(Invoke("list units").status, 0);
    const std::string file = scratch.Path() + "/home/data/Veltrix/Geolynx/catalogue.db";
    ASSERT_TRUE(fs::exists(file));
    const std::string sql = "DROP TABLE tblTransformations; DROP TABLE tblAreas; DROP TABLE tblShipped; "
                            "UPDATE tblDatums SET dblDeltaX = 446.0 WHERE numId = 4277; "
                            "INSERT INTO tblDatums VALUES (50001, 'Mine', 7030, 8901, 1, '', 1, 2, 3, 0, 0, 0, 0);";
    ASSERT_EQ(std::system(("sqlite3 '" + file + "' \"" + sql + "\"").c_str()), 0);

    CliRun r = Invoke("catalogue update --dry-run");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "catalogue update (dry run): 0 shipped rows would be brought up to date, 0 new rows would be "
                     "added, transformations and areas of use would be added\n"
                     "1 shipped rows you changed would be kept as they are: datum 4277 OSGB36\n");

    r = Invoke("convert --from datum:4277 --to datum:4326 -1 52");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "geolynx-cli: catalogue updated: 0 shipped rows brought up to date, 0 new rows added, "
                     "transformations and areas of use added\n"
                     "geolynx-cli: 1 shipped rows you changed were kept as they are: datum 4277 OSGB36\n");
    // Said once; the user's rows are as they were.
    r = Invoke("convert --from datum:50001 --to datum:4326 -1 52");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    r = Invoke("info datum:4277");
    EXPECT_TRUE(Has(r.out, "dX 446 m")) << r.out;
    EXPECT_EQ(Invoke("catalogue update").out, "the catalogue is up to date\n");
}

} // namespace
