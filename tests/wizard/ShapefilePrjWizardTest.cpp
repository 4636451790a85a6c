// The source system page offers the system a shapefile's .prj describes.
#include "WizardFixture.h"

namespace {

using namespace wizardtest;

class ShapefilePrjWizard : public WizardTest
{
};

TEST_F(ShapefilePrjWizard, TheSourceSystemComesFromThePrjOncePerFile)
{
    // A set GDAL writes on the British National Grid.
    const std::string csv = Path("points.csv");
    WriteFile(csv, "id,WKT\n1,\"POINT (450000 350000)\"\n");
    const std::string source = Path("british.shp");
    ASSERT_EQ(std::system(("ogr2ogr -q -f 'ESRI Shapefile' -a_srs EPSG:27700 '" + source + "' '" + csv + "'").c_str()), 0);

    Open();
    Click("shapefileRadio");
    Next();
    Browse("sourceBrowse", source);
    Browse("destinationBrowse", Path("wgs84.shp"));
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageSource);
    EXPECT_EQ(sheet->settings.sourceGrid, 27700);
    EXPECT_EQ(sheet->settings.sourceDatum, 4277);
    EXPECT_EQ(Text("sourceGridName"), "OSGB36 / British National Grid");

    // The user's own choice stands when the page is shown again for the same file.
    ChooseDatum("sourceDatumSelect", kWgs84);
    Next();
    Back();
    ASSERT_EQ(Page(), CWzdSheet::PageSource);
    EXPECT_EQ(sheet->settings.sourceGrid, 0);
    EXPECT_EQ(sheet->settings.sourceDatum, kWgs84);
    EXPECT_TRUE(boxes.Texts().empty());
}

} // namespace
