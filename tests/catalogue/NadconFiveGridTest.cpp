// NAD27 through the NADCON 5 grid: biquadratic interpolation over the 3 x 3
// nodes nearest the point, a GeoTIFF written here as PROJ publishes the grid,
// and the catalogue's NAD27 row with its Helmert outside the grid.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "CatalogueFixture.h"
#include "CatalogueLoaders.h"
#include "ConversionReport.h"
#include "ConvertCoordinate.h"
#include "DatumLink.h"
#include "MathConstants.h"
#include "MessageRecorder.h"
#include "grids/DatumGrid.h"

namespace {

// A polynomial in span{1, x, x^2} x {1, y, y^2} whose node values float holds exactly.
double Quadratics(double x, double y)
{
    return (4 + x / 4 - x * x / 16) * (2 - y / 8 + y * y / 32) + x * y / 64;
}

double At(CDatumSubGrid& block, CDatumSubGrid::Interpolation how, double row, double col)
{
    block.interpolation = how;
    return CDatumGrid::Interpolate(block, block.south + row, block.lonMin + col, CDatumGrid::LATITUDE_SHIFTS);
}

} // namespace

TEST(NadconFiveInterpolation, QuadraticsAreReproducedAndTheWindowIsTheNearestNodes)
{
    // Nodes one degree apart; the cubic field's values at a point are worked by hand from the three nodes
    // NGS's window takes: the nearest node in the middle, held inside the grid at its edges.
    const double nan = std::nan("");
    const struct
    {
        int field; // 0 the quadratics (the expected value is theirs), 1 c^3 + 10 r^3 with a hole at row 5, column 4
        double row, col, expected;
    } cases[] = {
        {0, 0.3, 0.2, nan},    {0, 2.45, 3.55, nan}, {0, 4.9, 3.95, nan}, {0, 0.1, 3.6, nan},
        {1, 0, 0.3, -0.33},    // columns 0-2 at the first column: 3t^2 - 2t
        {1, 0.3, 3.7, 47.71},  // rows 0-2 (10 x -0.33), columns 2-4 at the last: 8 + 10t + 9t^2 at 1.7
        {1, 4.6, 1.4, 980.28}, // rows 3-5 (10 x 97.72), columns 0-2 (3.08)
        {1, 1.6, 1.6, 41.36},  // past halfway the window moves on: rows and columns 1-3, 1 + t + 6t^2 at 0.6
        {1, 3, 4, 334},        {1, 5, 0, 1250}, // nodes keep their values
        {1, 5, 3, 1277},       {1, 4.9, 3, 1205.2}, // the hole carries no weight on column 3
        {1, 4.6, 4, nan},      // ... but does on its own
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.row) + " " + std::to_string(c.col));
        CDatumSubGrid b;
        b.rows = 6, b.cols = 5, b.latInc = b.lonInc = 1, b.south = 24, b.lonMin = -125;
        b.north = b.south + 5, b.lonMax = b.lonMin + 4;
        b.Allocate(30);
        for (int r = 0; r < 6; ++r)
            for (int k = 0; k < 5; ++k)
            {
                const float cubic = r == 5 && k == 4 ? NAN : static_cast<float>(k * k * k + 10 * r * r * r);
                b.StoreNode(c.field == 0 ? static_cast<float>(Quadratics(k, r)) : cubic, 0);
            }
        const double value = At(b, CDatumSubGrid::BIQUADRATIC, c.row, c.col);
        if (c.field == 0)
        {
            EXPECT_NEAR(value, Quadratics(c.col, c.row), 1e-13);
            EXPECT_GT(std::fabs(At(b, CDatumSubGrid::BILINEAR, c.row, c.col) - value), 1e-4) << "bilinear is not";
        }
        else if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(value)) << value;
        else
            EXPECT_NEAR(value, c.expected, 1e-9);
    }
}

TEST(NadconFiveInterpolation, APointInTheJumpWhereTheWindowMovesOnGoesBackToTheHalfwayLine)
{
    // Longitude shifts -1e-5 c^3 arc seconds (west positive) from 100 W: halfway between columns 1 and 2,
    // at 101.5 W, the window's -3e-5 gives way to -3.75e-5 to the east, so the forward image jumps
    // 2.1e-9 degrees east there and a point in the jump has no exact opposite.
    auto block = std::make_unique<CDatumSubGrid>();
    block->rows = 3, block->cols = 5, block->latInc = block->lonInc = 1, block->south = 30, block->lonMin = 100;
    block->north = 32, block->lonMax = 104, block->interpolation = CDatumSubGrid::BIQUADRATIC;
    block->Allocate(15);
    for (int k = 0; k < 15; ++k)
        block->StoreNode(0, static_cast<float>(-1e-5 * std::pow(k % 5, 3)));
    CDatumGrid grid;
    CDatumGrid::SubGridList blocks;
    blocks.push_back(std::move(block));
    grid.Replace(std::move(blocks), CDatumGrid::KIND_NTV2);
    const double degree = kDegToRad;
    double phi = 31 * degree, lambda = (-101.5 + (3 + 3.75) / 2 * 1e-5 / 3600) * degree;
    ASSERT_EQ(grid.ShiftReverse(phi, lambda), 1);
    EXPECT_NEAR(lambda / degree, -101.5, 2.2e-9);
    EXPECT_NEAR(phi / degree, 31, 1e-12);
}

namespace {

// NADCON 5's CONUS grid as PROJ publishes it, small: 24-50 N, 235-295 E (NOAA counts longitudes east
// to 360) one degree apart, offsets in arc seconds from the polynomials below, the longitude offset
// counted as positive says. GDAL writes it from a VRT over raw floats.
double LatOffset(double lon, double lat)
{
    return Quadratics((lon + 95) / 8, (lat - 37) / 4) / 16;
}
double LonOffsetEast(double lon, double lat)
{
    return Quadratics((lat - 37) / 4, (lon + 95) / 8) / 16 - 2;
}

bool WriteNadconFive(const std::filesystem::path& tif, const std::string& method, const std::string& positive)
{
    const int rows = 27, cols = 61;
    std::vector<float> nodes;
    for (int band = 0; band < 2; ++band)
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
            {
                const double lon = -125 + c, lat = 50 - r;
                const double east = LonOffsetEast(lon, lat);
                nodes.push_back(static_cast<float>(band == 0 ? LatOffset(lon, lat) : positive == "west" ? -east : east));
            }
    const std::filesystem::path raw = tif.parent_path() / "nodes.raw", vrt = tif.parent_path() / "nodes.vrt";
    std::ofstream(raw, std::ios::binary)
        .write(reinterpret_cast<const char*>(nodes.data()), static_cast<std::streamsize>(nodes.size() * 4));
    std::ofstream out(vrt);
    out << "<VRTDataset rasterXSize='61' rasterYSize='27'><SRS>EPSG:4267</SRS>"
           "<GeoTransform>234.5, 1, 0, 50.5, 0, -1</GeoTransform><Metadata><MDI key='AREA_OR_POINT'>Point</MDI>"
           "<MDI key='TYPE'>HORIZONTAL_OFFSET</MDI><MDI key='interpolation_method'>"
        << method << "</MDI></Metadata>";
    for (int band = 0; band < 2; ++band)
        out << "<VRTRasterBand dataType='Float32' band='" << band + 1 << "' subClass='VRTRawRasterBand'><Description>"
            << (band == 0 ? "latitude_offset" : "longitude_offset") << "</Description><UnitType>arc-second</UnitType>"
            << (band == 1 ? "<Metadata><MDI key='positive_value'>" + positive + "</MDI></Metadata>" : "")
            << "<SourceFilename relativeToVRT='1'>nodes.raw</SourceFilename><ImageOffset>" << band * rows * cols * 4
            << "</ImageOffset><PixelOffset>4</PixelOffset><LineOffset>" << cols * 4
            << "</LineOffset><ByteOrder>LSB</ByteOrder></VRTRasterBand>";
    out << "</VRTDataset>";
    out.close();
    return std::system(("gdal_translate -q " + vrt.string() + " " + tif.string()).c_str()) == 0;
}

} // namespace

TEST_F(CatalogueTest, Nadcon5GridShiftsNad27InsideItsAreaAndTheHelmertOutside)
{
    CMessageRecorder recorder;
    const std::string file = "us_noaa_nadcon5_nad27_nad83_1986_conus.tif";
    const struct
    {
        double lon, lat;
        bool inside;
    } cases[] = {
        {-100.3, 40.7, true}, {-124.8, 24.1, true},  {-65.2, 49.9, true},   {-95, 37, true},
        {-130, 40, false},    {-80, 52.5, false},    {-110, 20, false},
    };
    // NAD27 10 m up to WGS 84: the code ConvertCoordinate gives, and the point.
    const auto toWgs84 = [](double lon, double lat) {
        CConversionContext context;
        std::array<double, 4> p{0, lon, lat, 10};
        p[0] = ConvertCoordinate(context, true, p[1], p[2], p[3], 4267, 0, 4326, 0);
        return p;
    };
    std::array<double, 4> without[std::size(cases)];
    for (size_t k = 0; k < std::size(cases); ++k)
        without[k] = toWgs84(cases[k].lon, cases[k].lat);
    CConversionReport report;
    ASSERT_TRUE(report.Load(4267, 0, 4326, 0));
    EXPECT_EQ(report.Explain()[3], "exact: NAD27 to NAD83 (7) (grid " + file +
                                       ") is used once its file is placed in the Data folder");

    const std::filesystem::path data = home / "data" / "Veltrix" / "Geolynx" / "Data";
    std::filesystem::create_directories(data);
    // Every variant shifts alike but the one asking for an interpolation not done here.
    for (const char* variant : {"biquadratic east", "biquadratic west", "bicubic east"})
    {
        SCOPED_TRACE(variant);
        const std::string v = variant;
        ASSERT_TRUE(WriteNadconFive(data / file, v.substr(0, v.find(' ')), v.substr(v.find(' ') + 1))) << "(gdal-bin)";
        CDatumLink link;
        ASSERT_TRUE(LoadDatumLink(4267, link));
        EXPECT_EQ(link.Describe(), "NAD27 to NAD83 (7), grid " + file + " (in place), 0.15 m; outside the grid's area "
                                   "EPSG:1175 NAD27 to WGS 84 (6), 7 m");
        ASSERT_TRUE(report.Load(4267, 0, 4326, 0));
        for (size_t k = 0; k < std::size(cases); ++k)
        {
            const auto& c = cases[k];
            SCOPED_TRACE(std::to_string(c.lon) + " " + std::to_string(c.lat));
            const std::array<double, 4> p = toWgs84(c.lon, c.lat);
            if (v.rfind("bicubic", 0) == 0)
            {
                EXPECT_EQ(p[0], kConvertRefused);
                EXPECT_EQ(p[1], c.lon);
                continue;
            }
            ASSERT_EQ(p[0], kConvertDone);
            EXPECT_EQ(report.Explain(true, c.lat, c.lon)[3],
                      c.inside ? "source grid: the point lies inside grid " + file + ": NAD27 to NAD83 (7) is used"
                               : "source grid: the point lies outside the area of grid " + file +
                                     ": EPSG:1175 NAD27 to WGS 84 (6), 7 m is used");
            if (c.inside)
            {
                EXPECT_NEAR(p[1], c.lon + LonOffsetEast(c.lon, c.lat) / 3600, 1e-12);
                EXPECT_NEAR(p[2], c.lat + LatOffset(c.lon, c.lat) / 3600, 1e-12);
                EXPECT_EQ(p[3], 10);
            }
            else
                EXPECT_EQ(p, without[k]) << "bit for bit";
            CConversionContext context;
            double x = p[1], y = p[2], z = p[3];
            ASSERT_EQ(ConvertCoordinate(context, true, x, y, z, 4326, 0, 4267, 0), kConvertDone);
            EXPECT_NEAR(x, c.lon, 1e-9);
            EXPECT_NEAR(y, c.lat, 1e-9);
        }
    }
}
