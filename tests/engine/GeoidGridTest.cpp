// Geoid grids: GTX files written here and NOAA's EGM96 as shipped, and the
// same model as GeoTIFF files that GDAL's gdal_translate writes from the GTX
// in every layout the reader takes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
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

// A polynomial in span{1, x, x^2} x {1, y, y^2} whose values at whole x and y float holds exactly.
double Quadratics(double x, double y)
{
    return (4 + x / 4 - x * x / 16) * (2 - y / 8 + y * y / 32) + x * y / 64;
}

// A geoid model as PROJ publishes NOAA's: float32, PixelIsPoint, no-data -88.8888, the method in the
// image's interpolation_method item (none when empty); gdal_translate writes it from a VRT over raw floats.
bool WriteGeoid(const std::string& tif, const std::string& method, double west, double south, double lonInc,
                double latInc, int cols, int rows, const std::function<float(int row, int col)>& node)
{
    std::vector<float> nodes;
    for (int r = rows - 1; r >= 0; --r)
        for (int c = 0; c < cols; ++c)
            nodes.push_back(node(r, c));
    std::ofstream(tif + ".raw", std::ios::binary)
        .write(reinterpret_cast<const char*>(nodes.data()), static_cast<std::streamsize>(nodes.size() * 4));
    std::ofstream vrt(tif + ".vrt");
    vrt << "<VRTDataset rasterXSize='" << cols << "' rasterYSize='" << rows << "'><SRS>EPSG:4326</SRS><GeoTransform>"
        << west - lonInc / 2 << "," << lonInc << ",0," << south + (rows - 0.5) * latInc << ",0," << -latInc
        << "</GeoTransform><Metadata><MDI key='AREA_OR_POINT'>Point</MDI>"
        << (method.empty() ? "" : "<MDI key='interpolation_method'>" + method + "</MDI>")
        << "</Metadata><VRTRasterBand dataType='Float32' band='1' subClass='VRTRawRasterBand'>"
           "<Description>geoid_undulation</Description><NoDataValue>-88.8888</NoDataValue><SourceFilename>"
        << tif << ".raw</SourceFilename><ImageOffset>0</ImageOffset><PixelOffset>4</PixelOffset><LineOffset>"
        << cols * 4 << "</LineOffset><ByteOrder>LSB</ByteOrder></VRTRasterBand></VRTDataset>";
    vrt.close();
    return RunGdalTranslate("", tif + ".vrt", tif);
}

} // namespace

// NOAA's models are biquadratic over the 3 x 3 nodes nearest the point (held inside the grid at its
// edges, taken across the seam of a global one); a file that says nothing is bilinear, another method
// is refused. Nodes 0.5 degrees apart from 5 E, 0.25 from 50 N, a hole at column 3, row 2.
TEST(GeoidGridTest, GeoTiffInterpolationMethodIsHonoured)
{
    gridtest::TempFolder folder;
    const auto regional = [](int r, int c) { return r == 2 && c == 3 ? -88.8888f : static_cast<float>(Quadratics(c, r)); };
    const struct
    {
        double col, row;
        bool holeBiquadratic, holeBilinear; // whether the hole carries weight
    } points[] = {
        {0.3, 0.2, false, false}, {0.05, 5.9, false, false}, {7.7, 0.45, false, false}, {7.95, 5.55, false, false},
        {5.5, 4.5, false, false}, {6.2, 3.8, false, false},  {3, 0.9, true, false},     {2, 1.6, false, false},
        {4.4, 2.3, true, false},  {2.6, 2.3, true, true},    {3, 2, true, true},        {1.5, 4.5, false, false},
    };
    for (const std::string method : {"biquadratic", "BiQuadratic", "", "bilinear"})
    {
        SCOPED_TRACE("method '" + method + "'");
        const std::string path = folder.File("regional.tif");
        ASSERT_TRUE(WriteGeoid(path, method, 5, 50, 0.5, 0.25, 9, 7, regional)) << "(gdal-bin)";
        CGeoidGrid grid;
        ASSERT_EQ(grid.LoadFile(path), 0);
        const bool biquadratic = method.size() == 11;
        for (const auto& p : points)
        {
            const int c = static_cast<int>(p.col), r = static_cast<int>(p.row);
            const double fx = p.col - c, fy = p.row - r;
            const double bilinear = (1 - fy) * ((1 - fx) * Quadratics(c, r) + fx * Quadratics(c + 1, r)) +
                                    fy * ((1 - fx) * Quadratics(c, r + 1) + fx * Quadratics(c + 1, r + 1));
            double n = -999;
            const CGeoidGrid::Lookup lookup = grid.Height(5 + p.col / 2, 50 + p.row / 4, n);
            SCOPED_TRACE(std::to_string(p.col) + " " + std::to_string(p.row));
            if (biquadratic ? p.holeBiquadratic : p.holeBilinear)
                EXPECT_EQ(lookup, CGeoidGrid::LOOKUP_NO_DATA);
            else if (biquadratic)
                EXPECT_NEAR(n, Quadratics(p.col, p.row), 1e-12) << "bilinear gives " << bilinear;
            else
                EXPECT_NEAR(n, bilinear, 1e-12);
        }
    }
    std::string why;
    CGeoidGrid grid;
    ASSERT_TRUE(WriteGeoid(folder.File("bicubic.tif"), "bicubic", 5, 50, 0.5, 0.25, 9, 7, regional));
    EXPECT_EQ(grid.LoadFile(folder.File("bicubic.tif"), &why), -1);
    EXPECT_NE(why.find("bicubic interpolation"), std::string::npos) << why;

    // A global model 30 degrees apart: the same nodes with the seam at 180, at 0, and with a last column
    // repeating the first give the same heights everywhere.
    CGeoidGrid grids[3];
    const double wests[3] = {-180, 0, -180};
    for (int k = 0; k < 3; ++k)
    {
        const std::string path = folder.File("global" + std::to_string(k) + ".tif");
        const auto node = [&](int r, int c) { return static_cast<float>(std::fmod(wests[k] / 30 + c + 24, 12) * 3 + r * r); };
        ASSERT_TRUE(WriteGeoid(path, "biquadratic", wests[k], -90, 30, 30, k == 2 ? 13 : 12, 7, node));
        ASSERT_EQ(grids[k].LoadFile(path), 0);
    }
    std::mt19937 random(33);
    std::uniform_real_distribution<double> lon(-200, 200), lat(-90, 90);
    for (int k = 0; k < 500; ++k)
    {
        const double x = lon(random), y = lat(random);
        double n[3] = {0, 0, 0};
        for (int g = 0; g < 3; ++g)
            ASSERT_EQ(grids[g].Height(x, y, n[g]), CGeoidGrid::LOOKUP_DONE) << x << " " << y;
        EXPECT_NEAR(n[1], n[0], 1e-12) << x << " " << y;
        EXPECT_NEAR(n[2], n[0], 1e-12) << x << " " << y;
    }
}

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
