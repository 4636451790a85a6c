// Horizontal shift grids as GeoTIFF files: gdal_translate writes the shipped
// NTv2 grids and a small one made here as GeoTIFF, and the datum grid read
// from each gives the NTv2 file's shifts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "DatumGrid.h"
#include "GridTestFiles.h"
#include "MathConstants.h"

namespace {

bool GdalTranslate(const std::string& options, const std::string& input, const std::string& output)
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

// The largest difference, in degrees, between the forward shifts of two
// grids at random points of the first block's extent; -1 when one grid
// shifts a point the other does not.
double WorstDifference(const CDatumGrid& a, const CDatumGrid& b, int points)
{
    const CDatumSubGrid& s = *a.SubGrids()[0];
    std::mt19937 random(7);
    // NTv2 blocks count longitudes west positive.
    std::uniform_real_distribution<double> lon(-s.lonMax - 0.1, -s.lonMin + 0.1), lat(s.south - 0.1, s.north + 0.1);
    double worst = 0;
    for (int k = 0; k < points; ++k)
    {
        double phiA = lat(random) * kDegToRad, lambdaA = lon(random) * kDegToRad;
        double phiB = phiA, lambdaB = lambdaA;
        const int shiftedA = a.ShiftForward(phiA, lambdaA);
        if (shiftedA != b.ShiftForward(phiB, lambdaB))
            return -1;
        worst = std::max({worst, std::fabs(phiA - phiB) / kDegToRad, std::fabs(lambdaA - lambdaB) / kDegToRad});
    }
    return worst;
}

} // namespace

TEST(GridGeoTiffShiftTest, ShippedNtv2GridsWrittenAsGeoTiffShiftAsTheNtv2Files)
{
    gridtest::TempFolder folder;
    for (const char* name : {"BETA2007.gsb", "ntf_r93.gsb", "nzgd2kgrid0005.gsb", "CHENYX06.gsb"})
    {
        const std::string gsb = std::string("/usr/share/proj/") + name;
        const std::string tif = folder.File(std::string(name).replace(std::string(name).find(".gsb"), 4, ".tif"));
        ASSERT_TRUE(GdalTranslate("-co COMPRESS=DEFLATE -co PREDICTOR=3 -co TILED=YES", gsb, tif))
            << name << " (gdal-bin, proj-data)";
        CDatumGrid ntv2, geotiff;
        ASSERT_EQ(ntv2.LoadFile(gsb), 0) << name;
        ASSERT_EQ(geotiff.LoadFile(tif), 0) << name;
        EXPECT_EQ(geotiff.kind, CDatumGrid::KIND_NTV2);
        const double worst = WorstDifference(ntv2, geotiff, 5000);
        EXPECT_GE(worst, 0) << name << ": a point shifted by one grid only";
        EXPECT_LE(worst, 1e-9) << name;
    }
}

TEST(GridGeoTiffShiftTest, SmallGridGivesItsKnownShiftsAndUnusableFilesAreRefused)
{
    gridtest::TempFolder folder;
    // 3 x 4 nodes from 50 N, 5 E, one degree apart; latitude shift 10 * row
    // + col arc seconds, longitude shift (west positive) 100 + col.
    gridtest::Ntv2Block block;
    block.sLat = 50 * 3600;
    block.eLong = -8 * 3600; // the east edge, west positive
    block.rows = 3;
    block.cols = 4;
    block.latShift = [](int row, int col) { return static_cast<float>(10 * row + col); };
    block.lonShift = [](int, int col) { return static_cast<float>(100 + col); };
    const std::string gsb = folder.File("small.gsb");
    gridtest::WriteBytes(gsb, gridtest::Ntv2Writer().Bytes({block}));
    const std::string tif = folder.File("small.tif");
    ASSERT_TRUE(GdalTranslate("", gsb, tif)) << "(gdal-bin)";
    CDatumGrid grid;
    ASSERT_EQ(grid.LoadFile(tif), 0);

    struct Case
    {
        double lon, lat;
        bool inside;
        double dLat, dLonWest; // arc seconds
    };
    const Case cases[] = {
        {8, 50, true, 0, 100},      // the south-east node, the file's first
        {5, 50, true, 3, 103},      // the south-west node: column 3 from the east
        {5, 52, true, 23, 103},
        {7.5, 51.5, true, 15.5, 100.5},
        {4.99, 51, false, 0, 0},
        {6, 52.01, false, 0, 0},
    };
    for (const Case& c : cases)
    {
        double dLat = -1, dLon = -1;
        EXPECT_EQ(grid.FindShift(c.lon, c.lat, dLat, dLon), c.inside) << c.lon << " " << c.lat;
        if (c.inside)
        {
            EXPECT_NEAR(dLat, c.dLat, 1e-6) << c.lon << " " << c.lat;
            EXPECT_NEAR(dLon, c.dLonWest, 1e-6) << c.lon << " " << c.lat;
        }
    }

    // A geoid grid has no offsets; a grid in another unit is not believed.
    const std::string geoid = folder.File("geoid.tif");
    ASSERT_TRUE(GdalTranslate("", "/usr/share/proj/egm96_15.gtx", geoid));
    const std::string metres = folder.File("metres.tif");
    ASSERT_TRUE(GdalTranslate("-of GTiff -b 1", gsb, metres));
    for (const std::string& bad : {geoid, metres, folder.File("absent.tif")})
    {
        EXPECT_EQ(grid.LoadFile(bad), -1) << bad;
        EXPECT_EQ(grid.Count(), 1) << "a refused file leaves the grid as it was";
    }
}
