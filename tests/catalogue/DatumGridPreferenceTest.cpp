// A datum with a national grid in tblDatumGrids: converted through the grid
// when its GeoTIFF file is in the user's Data folder, through its Helmert
// parameters otherwise.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "../engine/GridTestFiles.h"
#include "CatalogueFixture.h"
#include "CatalogueLoaders.h"
#include "ConvertCoordinate.h"
#include "DatumLink.h"
#include "MessageRecorder.h"

TEST_F(CatalogueTest, DatumGridIsPreferredWhenItsFileIsInPlace)
{
    CMessageRecorder recorder;
    // The link describes what the engine uses: the Helmert, and the grid once its file is in place.
    CDatumLink link;
    ASSERT_TRUE(LoadDatumLink(4277, link));
    EXPECT_EQ(link.Describe(), "EPSG:1314 OSGB36 to WGS 84 (6), 2 m");
    EXPECT_EQ(link.gridAdvice, "OSGB36 to ETRS89 (OSTN15) (grid uk_os_OSTN15_NTv2_OSGBtoETRS.tif) is used once its "
                               "file is placed in the Data folder");
    CCfgMapProjection helmert;
    LoadDatumRecord(4277, helmert);
    ASSERT_EQ(helmert.datumId, 4277);
    EXPECT_EQ(helmert.method, METHOD_BURSA_WOLF);
    double x = -1, y = 52, z = 0;
    CConversionContext before;
    ASSERT_EQ(ConvertCoordinate(before, true, x, y, z, 4277, 0, 4326, 0), kConvertDone);
    EXPECT_GT(std::fabs(x + 1), 1e-4) << "the Helmert moves the point by some 100 m";

    // A grid over Great Britain under OSTN15's file name: 1" north, 2" east.
    gridtest::Ntv2Block block;
    block.sLat = 49 * 3600;
    block.eLong = -2 * 3600;
    block.rows = 13;
    block.cols = 12;
    block.latShift = [](int, int) { return 1.0f; };
    block.lonShift = [](int, int) { return -2.0f; };
    const std::filesystem::path data = home / "data" / "Veltrix" / "Geolynx" / "Data";
    std::filesystem::create_directories(data);
    const std::string gsb = (home / "ostn.gsb").string();
    gridtest::WriteBytes(gsb, gridtest::Ntv2Writer().Bytes({block}));
    const std::string tif = (data / "uk_os_OSTN15_NTv2_OSGBtoETRS.tif").string();
    ASSERT_EQ(std::system(("gdal_translate -q " + gsb + " " + tif).c_str()), 0) << "(gdal-bin)";

    CCfgMapProjection grid;
    LoadDatumRecord(4277, grid);
    EXPECT_EQ(grid.method, METHOD_NTV2);
    EXPECT_EQ(grid.gridFile, tif);
    ASSERT_TRUE(LoadDatumLink(4277, link));
    EXPECT_EQ(link.Describe(), "OSGB36 to ETRS89 (OSTN15), grid uk_os_OSTN15_NTv2_OSGBtoETRS.tif (in place), 0.1 m; "
                               "outside the grid's area EPSG:1314 OSGB36 to WGS 84 (6), 2 m");
    EXPECT_EQ(link.gridAdvice, "");

    struct Case
    {
        double lon, lat;
        int result;
    };
    const Case cases[] = {{-1, 52, kConvertDone}, {-8.5, 60.5, kConvertDone}, {5, 52, kConvertDone}};
    for (const Case& c : cases)
    {
        CConversionContext context;
        x = c.lon;
        y = c.lat;
        z = 10;
        ASSERT_EQ(ConvertCoordinate(context, true, x, y, z, 4277, 0, 4326, 0), c.result) << c.lon;
        if (c.lon == 5)
        {
            // Outside the grid the point takes the Helmert.
            EXPECT_TRUE(context.engine.FellBackOutsideGrid());
            EXPECT_GT(std::fabs(x - 5), 1e-4);
            continue;
        }
        EXPECT_NEAR(x, c.lon + 2.0 / 3600, 1e-10) << c.lon;
        EXPECT_NEAR(y, c.lat + 1.0 / 3600, 1e-10) << c.lon;
        EXPECT_EQ(z, 10);
    }
}
