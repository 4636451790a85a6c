// The file page's check box that has a converted text file name its
// coordinate system in a comment line.
#include "WizardFixture.h"

namespace {

using namespace wizardtest;

class DescribeWizard : public WizardTest
{
};

TEST_F(DescribeWizard, TheBoxIsOffUntilTickedAndOnlyTextFilesHaveIt)
{
    // An earlier run's comment after the header: the field lists and the
    // preview pass over it, and the run puts the new one in its place.
    const std::string source = Path("points.csv");
    const std::string destination = Path("converted.csv");
    WriteFile(source, "lon;lat;h;name\n# Veltrix Geolynx: WGS 84 (EPSG:4326)\n5.0;52.0;10;a\n4.5;52.1;0;b\n");
    Open();
    Click("textRadio");
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageFiles);
    auto* box = Find<QCheckBox>("describeCheck");
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isChecked());
    Browse("sourceBrowse", source);
    Browse("destinationBrowse", destination);
    Click("describeCheck");
    EXPECT_TRUE(box->isChecked());
    Next();
    EXPECT_EQ(sheet->settings.describe, 1);
    ChooseSystems();

    ASSERT_EQ(Page(), CWzdSheet::PageLayout);
    EXPECT_EQ(sheet->settings.resolvedSeparator, ";");
    EXPECT_EQ(Find<QComboBox>("longitudeField")->currentText(), "lon");
    // The header names the columns, so it is taken as a header.
    EXPECT_TRUE(Find<QAbstractButton>("headerCheck")->isChecked());
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PagePreview);
    auto* preview = Find<QTreeWidget>("previewList");
    ASSERT_EQ(preview->topLevelItemCount(), 2);
    EXPECT_EQ(preview->topLevelItem(0)->text(0), "5.0");
    Next();
    Finish();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(Status(), "Conversion completed. Press 'Finish' to continue.");
    // cs2cs: 5 52 -> 637294.3659 5762926.8129, 4.5 52.1 -> 602743.3363 5773221.9437.
    EXPECT_EQ(ReadFile(destination), "lon;lat;h;name\n# Veltrix Geolynx: WGS 84 / UTM zone 31N (EPSG:32631)\n"
                                     "637294.37;5762926.81;10.00;a\n602743.34;5773221.94;0.00;b\n");
}

TEST_F(DescribeWizard, TheChoiceIsKeptGoingBackAndDroppedForShapefiles)
{
    const std::string source = Path("points.csv");
    WriteFile(source, "5.0;52.0\n");
    Open();
    Click("textRadio");
    Next();
    Browse("sourceBrowse", source);
    Browse("destinationBrowse", Path("out.csv"));
    Click("describeCheck");
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageSource);
    Back();
    ASSERT_EQ(Page(), CWzdSheet::PageFiles);
    EXPECT_TRUE(Find<QCheckBox>("describeCheck")->isChecked());

    // A shapefile names its system in its .prj: no box, and no flag left
    // over from the text choice.
    Back();
    Click("shapefileRadio");
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageFiles);
    EXPECT_FALSE(Find<QCheckBox>("describeCheck")->isVisible());
    Browse("sourceBrowse", source);
    Browse("destinationBrowse", Path("out.shp"));
    Next();
    EXPECT_EQ(sheet->settings.describe, 0);
}

} // namespace
