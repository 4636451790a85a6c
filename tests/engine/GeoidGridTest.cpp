// Geoid grids: GTX files written here and NOAA's EGM96 as shipped, and the
// same model as GeoTIFF files that GDAL's gdal_translate writes from the GTX
// in every layout the reader takes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "GeoidGrid.h"
#include "GeoidGridGtx.h"
#include "GridGeoTiff.h"
#include "GridTestFiles.h"

namespace {

const std::string kEgm96 = "/usr/share/proj/egm96_15.gtx";

void PutBig(std::string& out, const void* value, size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(value);
    for (size_t k = size; k-- > 0;)
        out.push_back(static_cast<char>(bytes[k]));
}

// A GTX file: header as given, then rows x cols values (row from the south).
std::string GtxBytes(double south, double west, double latInc, double lonInc, int rows, int cols,
                     const std::vector<float>& values)
{
    std::string out;
    for (double d : {south, west, latInc, lonInc})
        PutBig(out, &d, 8);
    for (int32_t n : {rows, cols})
        PutBig(out, &n, 4);
    for (float v : values)
        PutBig(out, &v, 4);
    return out;
}

// A regional grid, 1 degree spacing, 3 rows from 50 N and 4 columns from
// 5 E: N = row * 10 + col, except one node without a value (GTX's -88.8888).
std::vector<float> RegionalValues()
{
    std::vector<float> v;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            v.push_back(r == 2 && c == 3 ? -88.8888f : static_cast<float>(r * 10 + c));
    return v;
}

bool RunGdalTranslate(const std::string& options, const std::string& input, const std::string& output)
{
    const std::string command = "gdal_translate -q " + options + " " + input + " " + output + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return false;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr)
        std::fputs(line, stderr);
    return pclose(pipe) == 0;
}

} // namespace

TEST(GeoidGridTest, RegionalGtxGivesItsNodesInterpolatedAndRefusesOutsideAndAtNoData)
{
    gridtest::TempFolder folder;
    const std::string path = folder.File("regional.gtx");
    gridtest::WriteBytes(path, GtxBytes(50, 5, 1, 1, 3, 4, RegionalValues()));
    CGeoidGrid grid;
    ASSERT_EQ(grid.LoadFile(path), 0);

    struct Case
    {
        double lon, lat;
        CGeoidGrid::Lookup lookup;
        double n;
    };
    const Case cases[] = {
        {5, 50, CGeoidGrid::LOOKUP_DONE, 0},        // south-west corner node
        {8, 51, CGeoidGrid::LOOKUP_DONE, 13},       // east edge node
        {5.5, 50.5, CGeoidGrid::LOOKUP_DONE, 5.5},  // cell middle: (0 + 1 + 10 + 11) / 4
        {6.25, 51.75, CGeoidGrid::LOOKUP_DONE, 18.75},
        {365.5, 50.5, CGeoidGrid::LOOKUP_DONE, 5.5}, // the same longitude counted to 360
        {4.99, 50.5, CGeoidGrid::LOOKUP_OUTSIDE, 0},
        {6, 52.01, CGeoidGrid::LOOKUP_OUTSIDE, 0},
        {7.5, 51.5, CGeoidGrid::LOOKUP_NO_DATA, 0}, // cell with the node without a value
        {8, 52, CGeoidGrid::LOOKUP_NO_DATA, 0},
        {NAN, 51, CGeoidGrid::LOOKUP_OUTSIDE, 0},
    };
    for (const Case& c : cases)
    {
        double n = -999;
        EXPECT_EQ(grid.Height(c.lon, c.lat, n), c.lookup) << c.lon << " " << c.lat;
        EXPECT_NEAR(n, c.lookup == CGeoidGrid::LOOKUP_DONE ? c.n : -999, 1e-12) << c.lon << " " << c.lat;
    }
}

TEST(GeoidGridTest, MalformedGtxFilesAreRefusedAndLeaveTheGridAlone)
{
    gridtest::TempFolder folder;
    const std::string whole = GtxBytes(50, 5, 1, 1, 3, 4, RegionalValues());
    struct Case
    {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty", ""},
        {"header only", whole.substr(0, 40)},
        {"one value short", whole.substr(0, whole.size() - 4)},
        {"one value more", whole + std::string(4, '\0')},
        {"rows negative", GtxBytes(50, 5, 1, 1, -3, 4, RegionalValues())},
        {"spacing zero", GtxBytes(50, 5, 0, 1, 3, 4, RegionalValues())},
        {"spacing not a number", GtxBytes(50, 5, 1, NAN, 3, 4, RegionalValues())},
        {"edge not finite", GtxBytes(INFINITY, 5, 1, 1, 3, 4, RegionalValues())},
        {"lattice beyond the file", GtxBytes(50, 5, 1, 1, 65536, 65536, RegionalValues())},
    };
    CGeoidGrid grid;
    ASSERT_EQ(grid.LoadFile(kEgm96), 0);
    for (const Case& c : cases)
    {
        const std::string path = folder.File("bad.gtx");
        gridtest::WriteBytes(path, c.bytes);
        EXPECT_EQ(grid.LoadFile(path), -1) << c.what;
        ASSERT_EQ(grid.Images().size(), 1u) << c.what;
        EXPECT_EQ(grid.Images()[0].cols, 1440) << c.what;
    }
    EXPECT_EQ(grid.LoadFile(folder.File("missing.gtx")), -1);
    EXPECT_EQ(grid.LoadFile(folder.path), -1);
}

// EGM96 as shipped, against its own nodes, across the antimeridian and at
// the poles, where a global grid takes its first column again.
TEST(GeoidGridTest, GlobalGtxWrapsLongitudesAndReachesThePoles)
{
    CGeoidGrid grid;
    ASSERT_EQ(grid.LoadFile(kEgm96), 0);
    const CGeoidGrid::Image& image = grid.Images()[0];
    ASSERT_TRUE(image.WrapsLongitude());
    const double westNode = image.At(400, 0);
    const double lastNode = image.At(400, 1439);
    const double lat = image.south + 400 * image.latInc;
    struct Case
    {
        double lon;
        double n;
    };
    const Case cases[] = {
        {-180, westNode}, {180, westNode}, {540, westNode}, {-540, westNode},
        {179.75, lastNode}, {-180.25, lastNode}, {179.875, (westNode + lastNode) / 2},
        {-180.125, (westNode + lastNode) / 2},
    };
    for (const Case& c : cases)
    {
        double n = 0;
        ASSERT_EQ(grid.Height(c.lon, lat, n), CGeoidGrid::LOOKUP_DONE) << c.lon;
        EXPECT_NEAR(n, c.n, 1e-9) << c.lon;
    }
    for (const double pole : {-90.0, 90.0})
    {
        double first = 0, other = 0;
        ASSERT_EQ(grid.Height(0, pole, first), CGeoidGrid::LOOKUP_DONE);
        ASSERT_EQ(grid.Height(123.4, pole, other), CGeoidGrid::LOOKUP_DONE);
        EXPECT_NEAR(first, other, 1e-6) << "the pole has one value";
    }
    double n = 0;
    EXPECT_EQ(grid.Height(0, 90.001, n), CGeoidGrid::LOOKUP_OUTSIDE);
}

// gdal_translate writes EGM96 in the GeoTIFF layouts geoid models are
// published in; every one must give the GTX's heights, the integer one to
// its scale's rounding.
TEST(GeoidGridTest, GeoTiffLayoutsWrittenByGdalGiveTheGtxValues)
{
    gridtest::TempFolder folder;
    struct Case
    {
        const char* name;
        const char* options;
        double tolerance;
    };
    const Case cases[] = {
        {"area.tif", "-of GTiff", 1e-9},
        {"point.tif", "-of GTiff -mo AREA_OR_POINT=Point", 1e-9},
        {"int16.tif", "-ot Int16 -scale -110 90 -11000 9000 -a_scale 0.01 -a_offset 0 -a_nodata none", 0.005 + 1e-9},
        {"uint16.tif", "-ot UInt16 -scale -110 90 0 20000 -a_scale 0.01 -a_offset -110 -a_nodata none", 0.005 + 1e-9},
        {"int32-lzw.tif", "-ot Int32 -scale -110 90 -1100000 900000 -a_scale 0.0001 -a_offset 0 -a_nodata none "
                          "-co COMPRESS=LZW -co PREDICTOR=2", 0.00005 + 1e-9},
        {"tiled-deflate.tif", "-co TILED=YES -co BLOCKXSIZE=256 -co BLOCKYSIZE=128 -co COMPRESS=DEFLATE "
                              "-co PREDICTOR=3", 1e-9},
        {"bands.tif", "-co INTERLEAVE=BAND -co COMPRESS=DEFLATE -co BLOCKYSIZE=7", 1e-9},
    };
    CGeoidGrid gtx;
    ASSERT_EQ(gtx.LoadFile(kEgm96), 0);
    std::mt19937 random(33);
    std::uniform_real_distribution<double> lon(-200, 200), lat(-90, 90);
    for (const Case& c : cases)
    {
        const std::string path = folder.File(c.name);
        ASSERT_TRUE(RunGdalTranslate(c.options, kEgm96, path)) << c.name << " (gdal-bin)";
        CGeoidGrid tiff;
        ASSERT_EQ(tiff.LoadFile(path), 0) << c.name;
        double worst = 0;
        for (int k = 0; k < 2000; ++k)
        {
            const double x = lon(random), y = lat(random);
            double expected = 0, got = 0;
            ASSERT_EQ(gtx.Height(x, y, expected), CGeoidGrid::LOOKUP_DONE);
            ASSERT_EQ(tiff.Height(x, y, got), CGeoidGrid::LOOKUP_DONE) << c.name << " " << x << " " << y;
            worst = std::max(worst, std::fabs(got - expected));
        }
        EXPECT_LE(worst, c.tolerance) << c.name;
    }
}

// Several images in one file (GDAL appends them as further directories): a
// point takes the finest image that covers it, which gives exactly what that
// image alone gives.
TEST(GeoidGridTest, GeoTiffWithSeveralImagesTakesTheFinestCoveringOne)
{
    gridtest::TempFolder folder;
    const std::string parent = "-projwin 0 60 20 40";
    const std::string child = "-projwin 5 55 10 50 -tr 0.125 0.125 -r bilinear";
    const std::string both = folder.File("both.tif"), coarse = folder.File("coarse.tif"),
                      fine = folder.File("fine.tif");
    ASSERT_TRUE(RunGdalTranslate(parent, kEgm96, both));
    ASSERT_TRUE(RunGdalTranslate(child + " -co APPEND_SUBDATASET=YES", kEgm96, both));
    ASSERT_TRUE(RunGdalTranslate(parent, kEgm96, coarse));
    ASSERT_TRUE(RunGdalTranslate(child, kEgm96, fine));
    CGeoidGrid grid, coarseGrid, fineGrid;
    ASSERT_EQ(grid.LoadFile(both), 0);
    ASSERT_EQ(grid.Images().size(), 2u);
    ASSERT_EQ(coarseGrid.LoadFile(coarse), 0);
    ASSERT_EQ(fineGrid.LoadFile(fine), 0);

    std::mt19937 random(2);
    std::uniform_real_distribution<double> lon(-1, 21), lat(39, 61);
    int inFine = 0;
    for (int k = 0; k < 3000; ++k)
    {
        const double x = lon(random), y = lat(random);
        double n = 0, expected = 0;
        const CGeoidGrid::Lookup lookup = grid.Height(x, y, n);
        const bool fineCovers = fineGrid.Height(x, y, expected) == CGeoidGrid::LOOKUP_DONE;
        if (!fineCovers)
        {
            ASSERT_EQ(coarseGrid.Height(x, y, expected), lookup) << x << " " << y;
        }
        inFine += fineCovers ? 1 : 0;
        if (lookup == CGeoidGrid::LOOKUP_DONE)
        {
            EXPECT_EQ(n, expected) << x << " " << y;
        }
    }
    EXPECT_GT(inFine, 100);
}
