// The height system of each side on the coordinate system pages: heights
// above the ellipsoid or above a geoid model, checked against cs2cs; a model
// whose file is missing refused on its page. Tables: DatabaseWizardTest.
#include "WizardFixture.h"

#include <QSpinBox>
#include <algorithm>

namespace {

using namespace wizardtest;

struct HeightCase
{
    const char* what;
    int type; // the conversion type's radio below
    int sourceGeoid;
    int destinationGeoid;
    const char* refusal; // what the destination page says, or nullptr
    const char* cs2cs;   // the same conversion for cs2cs
};

TEST_F(WizardTest, HeightSystemsOnTheSystemPages)
{
    const std::vector<std::string> points = {"5.0 52.0 100", "-70.5 -33.4 500", "151.2 -33.9 0"};
    const std::string source = Path("heights.csv");
    std::string text = "lon;lat;h\n";
    for (const std::string& point : points)
    {
        std::string line = point;
        std::replace(line.begin(), line.end(), ' ', ';');
        text += line + "\n";
    }
    WriteFile(source, text);
    const std::vector<HeightCase> cases = {
        {"ellipsoid to EGM96", CONVERSION_TEXT, 0, 5773, nullptr, "EPSG:4979 EPSG:4326+5773"},
        {"EGM96 to ellipsoid", CONVERSION_TEXT, 5773, 0, nullptr, "EPSG:4326+5773 EPSG:4979"},
        {"EGM2008 without its file", CONVERSION_TEXT, 0, 3855, "us_nga_egm08_25.tif", nullptr},
        {"shapefile Z above EGM96", CONVERSION_SHAPEFILE, 0, 5773, nullptr, nullptr},
    };
    for (const HeightCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        sheet.reset();
        boxes.Clear();
        const bool textFile = c.type == CONVERSION_TEXT;
        const std::string destination = Path(textFile ? "out.csv" : "out.shp");
        fs::remove(destination);
        // The pages before the run look at a shapefile's name only.
        const std::string input = textFile ? source : Path("heights.shp");
        WriteFile(Path("heights.shp"), "");
        ThroughFilePage(textFile ? "textRadio" : "shapefileRadio", input, destination);
        ASSERT_EQ(Page(), CWzdSheet::PageSource);
        auto* sourceHeights = Find<QComboBox>("sourceHeightList");
        EXPECT_EQ(sourceHeights->currentText(), "the ellipsoid");
        EXPECT_TRUE(sourceHeights->isEnabled());
        EXPECT_GE(sourceHeights->findText("the geoid: EGM96 height (5773)"), 0);
        EXPECT_GE(sourceHeights->findText("the geoid: EGM2008 height (3855), file us_nga_egm08_25.tif missing"), 0);
        sourceHeights->setCurrentIndex(sourceHeights->findData(c.sourceGeoid));
        ChooseDatum("sourceDatumSelect", kWgs84);
        Next();
        ASSERT_EQ(Page(), CWzdSheet::PageDestination);
        auto* destinationHeights = Find<QComboBox>("destinationHeightList");
        destinationHeights->setCurrentIndex(destinationHeights->findData(c.destinationGeoid));
        ChooseDatum("destinationDatumSelect", kWgs84);
        Next();
        if (c.refusal != nullptr)
        {
            EXPECT_EQ(Page(), CWzdSheet::PageDestination);
            ASSERT_EQ(boxes.Texts().size(), 1u);
            EXPECT_NE(boxes.Texts()[0].find(c.refusal), std::string::npos) << boxes.Texts()[0];
            EXPECT_NE(boxes.Texts()[0].find("/Data"), std::string::npos) << boxes.Texts()[0];
            continue;
        }
        EXPECT_EQ(sheet->settings.sourceGeoid, c.sourceGeoid);
        EXPECT_EQ(sheet->settings.destinationGeoid, c.destinationGeoid);
        if (!textFile)
            continue;
        ASSERT_EQ(Page(), CWzdSheet::PageLayout);
        Find<QSpinBox>("precisionChoice")->setValue(6);
        Next();
        RunToCompletion();
        const std::vector<double> expected = Cs2csHeights(c.cs2cs, points);
        ASSERT_EQ(expected.size(), points.size());
        std::istringstream written(ReadFile(destination));
        std::string line;
        std::getline(written, line); // the header
        for (double height : expected)
        {
            ASSERT_TRUE(std::getline(written, line));
            EXPECT_NEAR(std::stod(line.substr(line.rfind(';') + 1)), height, 1e-3) << line;
        }
    }
}

} // namespace
