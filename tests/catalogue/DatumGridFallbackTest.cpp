// A datum whose national grid comes from tblDatumGrids (ED50 and the Spanish
// grid): points inside the grid take its shift, points outside its area the
// datum's Helmert parameters, and a point whose cell has no value is refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

#include "../engine/GridTestFiles.h"
#include "CatalogueFixture.h"
#include "CatalogueLoaders.h"
#include "ConversionReport.h"
#include "ConvertCoordinate.h"
#include "DatumLink.h"
#include "MessageRecorder.h"

TEST_F(CatalogueTest, DatumGridFallsBackToTheHelmertOutsideItsArea)
{
    CMessageRecorder recorder;
    struct Case
    {
        double lon, lat;
        const char* what; // "grid", "helmert" or "refused"
    };
    const Case cases[] = {
        {-7.2, 42.3, "grid"},     {-3.5, 40.5, "refused"}, {-2.5, 39.5, "refused"},
        {13.0, 52.0, "helmert"},  {-15.5, 28.0, "helmert"}, {-3.0, 44.2, "helmert"},
        // On the node beside the one without a value: that node carries no weight.
        {-2.0, 40.0, "grid"},
    };
    // Without the file every point takes the Helmert: these are the results the points outside keep.
    double without[std::size(cases)][3];
    for (size_t k = 0; k < std::size(cases); ++k)
    {
        CConversionContext context;
        double x = cases[k].lon, y = cases[k].lat, z = 10;
        ASSERT_EQ(ConvertCoordinate(context, true, x, y, z, 4230, 0, 4326, 0), kConvertDone);
        without[k][0] = x, without[k][1] = y, without[k][2] = z;
    }

    // 36..44 N, 10 W..3 E at 1 degree, 1" north and 2" east everywhere but the node at 40 N 3 W.
    gridtest::Ntv2Block block;
    block.sLat = 36 * 3600;
    block.eLong = -3 * 3600;
    block.rows = 9;
    block.cols = 14;
    const float nothing = std::numeric_limits<float>::quiet_NaN();
    block.latShift = [&](int row, int col) { return row == 4 && col == 6 ? nothing : 1.0f; };
    block.lonShift = [&](int row, int col) { return row == 4 && col == 6 ? nothing : -2.0f; };
    const std::filesystem::path data = home / "data" / "Veltrix" / "Geolynx" / "Data";
    std::filesystem::create_directories(data);
    const std::string gsb = (home / "sped.gsb").string();
    gridtest::WriteBytes(gsb, gridtest::Ntv2Writer().Bytes({block}));
    ASSERT_EQ(std::system(("gdal_translate -q " + gsb + " " + (data / "es_ign_SPED2ETV2.tif").string()).c_str()), 0)
        << "(gdal-bin)";

    CDatumLink link;
    ASSERT_TRUE(LoadDatumLink(4230, link));
    EXPECT_EQ(link.Describe(), "ED50 to ETRS89 (12), grid es_ign_SPED2ETV2.tif (in place), 0.2 m; outside the "
                               "grid's area EPSG:1784 ED50 to WGS 84 (30), 2 m");
    CConversionReport report;
    ASSERT_TRUE(report.Load(4230, 0, 4326, 0));
    EXPECT_EQ(report.Explain()[2], "accuracy: 2 m") << "without a point, the worse of grid and Helmert";
    for (size_t k = 0; k < std::size(cases); ++k)
    {
        const Case& c = cases[k];
        SCOPED_TRACE(std::to_string(c.lon) + " " + std::to_string(c.lat));
        const std::string what = c.what;
        CConversionContext context;
        double x = c.lon, y = c.lat, z = 10;
        ASSERT_EQ(ConvertCoordinate(context, true, x, y, z, 4230, 0, 4326, 0),
                  what == "refused" ? kConvertPointFailed : kConvertDone);
        EXPECT_EQ(context.engine.FellBackOutsideGrid(), what == "helmert");
        // --explain and the result line say which the point takes; the Helmert's stated area is Turkey's.
        const std::vector<std::string> lines = report.Explain(true, c.lat, c.lon);
        EXPECT_EQ(lines[3], what == "helmert" ? "source grid: the point lies outside the area of grid "
                                                "es_ign_SPED2ETV2.tif: EPSG:1784 ED50 to WGS 84 (30), 2 m is used"
                                              : "source grid: the point lies inside grid es_ign_SPED2ETV2.tif: "
                                                "ED50 to ETRS89 (12) is used");
        EXPECT_EQ(lines[2], what == "helmert"
                                ? "accuracy: unknown (the point lies outside the area of ED50's transformation)"
                                : "accuracy: 0.2 m");
        if (what == "refused")
        {
            EXPECT_EQ(x, c.lon);
            EXPECT_NE(context.engine.Failure().find("has no value"), std::string::npos) << context.engine.Failure();
            continue;
        }
        const bool grid = what == "grid";
        EXPECT_NEAR(x, grid ? c.lon + 2.0 / 3600 : without[k][0], 1e-12);
        EXPECT_NEAR(y, grid ? c.lat + 1.0 / 3600 : without[k][1], 1e-12);
        EXPECT_NEAR(z, grid ? 10 : without[k][2], 1e-9);
        // The way back inverts the grid inside and the Helmert outside; beside the node without a value
        // its iterates step into that node's cells and are refused.
        const bool besideHole = c.lon == -2.0;
        ASSERT_EQ(ConvertCoordinate(context, true, x, y, z, 4326, 0, 4230, 0),
                  besideHole ? kConvertPointFailed : kConvertDone);
        if (besideHole)
            continue;
        EXPECT_NEAR(x, c.lon, 1e-9);
        EXPECT_NEAR(y, c.lat, 1e-9);
        EXPECT_NEAR(z, 10, 1e-6);
    }
}

// A grid the user placed that cannot serve says why: a refused file before any point is converted, a point
// whose way back through the grid does not settle, or whose cell has no value, in the point's failure.
TEST_F(CatalogueTest, AShiftGridThatCannotServeSaysWhy)
{
    const std::filesystem::path root = home / "root", data = home / "data" / "Veltrix" / "Geolynx" / "Data";
    std::filesystem::create_directories(root / "Data");
    std::filesystem::create_directories(data);
    UseConnection("Provider=SQLite;Data Source=" + catalogueFile + ";", root.string());
    using Shift = float (*)(int row, int col);
    const Shift holed = [](int row, int col) { return row == 4 && col == 6 ? NAN : -2.0f; };
    // 0 and 2 degrees by turns: the way back swings without end.
    const Shift steep = [](int, int col) { return col % 2 == 0 ? 0.0f : -7200.0f; };
    struct Case
    {
        Shift lonShift; // of ED50's grid (1" north, 36..44 N, 10 W..3 E); none: a truncated DHDN grid
        const char* gdalOptions;
        int from, to;
        double lon, lat;
        int result;
        const char* says; // in the message shown, or in the point's failure
    };
    const Case cases[] = {
        {nullptr, "", 4314, 4326, 0.5, 0.5, kConvertRefused,
         "BETA2007.gsb is refused: the file is truncated: sub-grid 1 of 1 needs 400 node records, the file holds "
         "394. No coordinate"},
        {holed, "-mo interpolation_method=bicubic", 4230, 4326, -7.2, 42.3, kConvertRefused,
         "es_ign_SPED2ETV2.tif is refused: the grid asks for bicubic interpolation, which is not done here. No "
         "coordinate is converted with this datum until the file can be used."},
        {steep, "", 4326, 4230, -5.3, 40.2, kConvertPointFailed,
         "es_ign_SPED2ETV2.tif: the grid's shift changes too fast there for the way back to settle"},
        {holed, "", 4230, 4326, -3.5, 40.5, kConvertPointFailed, "es_ign_SPED2ETV2.tif that has no value"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.says);
        gridtest::Ntv2Block block;
        block.rows = block.cols = 20;
        const std::string gsb = (home / "grid.gsb").string();
        if (c.lonShift != nullptr)
        {
            block.sLat = 36 * 3600, block.eLong = -3 * 3600, block.rows = 9, block.cols = 14;
            block.latShift = [](int row, int col) { return row == 4 && col == 6 ? NAN : 1.0f; };
            block.lonShift = c.lonShift;
        }
        const std::string whole = gridtest::Ntv2Writer().Bytes({block});
        gridtest::WriteBytes(c.lonShift ? gsb : (root / "Data" / "BETA2007.gsb").string(),
                             whole.substr(0, whole.size() - (c.lonShift ? 0 : 100)));
        const std::string tif = (data / "es_ign_SPED2ETV2.tif").string();
        const std::string translate = "gdal_translate -q " + std::string(c.gdalOptions) + " " + gsb + " " + tif;
        ASSERT_TRUE(c.lonShift == nullptr || std::system(translate.c_str()) == 0) << "(gdal-bin)";
        CMessageRecorder recorder;
        CConversionContext context;
        double x = c.lon, y = c.lat, z = 10;
        ASSERT_EQ(ConvertCoordinate(context, true, x, y, z, c.from, 0, c.to, 0), c.result);
        EXPECT_EQ(x, c.lon);
        EXPECT_EQ(y, c.lat);
        if (c.result == kConvertPointFailed)
        {
            EXPECT_TRUE(recorder.Shown().empty());
            EXPECT_NE(context.engine.Failure().find(c.says), std::string::npos) << context.engine.Failure();
            continue;
        }
        ASSERT_EQ(recorder.Ids(), std::vector<int>{IDS_GRID_FILE_REFUSED});
        EXPECT_NE(recorder.Shown()[0].second.find(c.says), std::string::npos) << recorder.Shown()[0].second;
        if (c.from != 4230)
            continue;
        // --explain does not call a refused grid used.
        CConversionReport report;
        ASSERT_TRUE(report.Load(c.from, 0, c.to, 0));
        EXPECT_EQ(report.Explain(true, c.lat, c.lon)[3], "source grid: grid es_ign_SPED2ETV2.tif is refused: the grid "
                                                         "asks for bicubic interpolation, which is not done here; no "
                                                         "point is converted");
    }
}
