// Text files in the degree formats of the layout page's format list,
// converted through the wizard's pages and checked against PROJ's cs2cs, which
// reads the same angles in its own notation; and the settings of the file
// dialogs the Browse buttons open.
#include "WizardFixture.h"

#include <cstdio>

namespace {

using namespace wizardtest;

using TextFormatWizard = WizardTest;

// cs2cs over positions in its own DMS notation ("4d53'32.10\"E 52d22'15.40\"N").
std::vector<Planar> Cs2csUtm31(const std::vector<std::string>& positions)
{
    return RunCs2cs("+proj=longlat +datum=WGS84 +to +proj=utm +zone=31 +datum=WGS84", positions);
}

// The converted lines after the header: easting and northing in the
// longitude and latitude columns.
std::vector<Planar> ReadConverted(const std::string& path)
{
    std::vector<Planar> points;
    std::istringstream lines(ReadFile(path));
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line))
    {
        Planar p{};
        if (std::sscanf(line.c_str(), "%lf;%lf", &p.easting, &p.northing) == 2)
            points.push_back(p);
        else
            ADD_FAILURE() << line;
    }
    return points;
}

class FormatRun : public TextFormatWizard
{
protected:
    // A "lon;lat" file in one format of the list, through every page to
    // UTM zone 31N on WGS 84.
    std::vector<Planar> Convert(const std::string& body, const QString& format)
    {
        const std::string source = Path("angles.csv");
        const std::string destination = Path("angles-utm.csv");
        WriteFile(source, "lon;lat\n" + body);
        ThroughFilePage("textRadio", source, destination);
        ChooseSystems();
        EXPECT_EQ(Page(), CWzdSheet::PageLayout);
        Choose("formatList", format);
        EXPECT_TRUE(Find<QAbstractButton>("headerCheck")->isChecked());
        EXPECT_EQ(Find<QComboBox>("longitudeField")->currentText(), "lon");
        EXPECT_EQ(Find<QComboBox>("latitudeField")->currentText(), "lat");
        Next();
        EXPECT_EQ(Page(), CWzdSheet::PagePreview);
        Next();
        EXPECT_EQ(Page(), CWzdSheet::PageStart);
        Finish();
        EXPECT_TRUE(WaitForEnd());
        EXPECT_EQ(Status(), "Conversion completed. Press 'Finish' to continue.");
        EXPECT_TRUE(boxes.Texts().empty());
        return ReadConverted(destination);
    }

    // Within the output's two decimals of PROJ's four.
    static void ExpectSame(const std::vector<Planar>& got, const std::vector<Planar>& expected)
    {
        ASSERT_EQ(expected.size(), 2u) << "cs2cs gave no answer";
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i)
        {
            EXPECT_NEAR(got[i].easting, expected[i].easting, 0.0051) << i;
            EXPECT_NEAR(got[i].northing, expected[i].northing, 0.0051) << i;
        }
    }
};

TEST_F(FormatRun, DegreesMinutesAndSecondsWithSpaces)
{
    const std::vector<Planar> got =
        Convert("4 53 32.10;52 22 15.40\n2 17 40.20;48 51 29.90\n", "Degrees, minutes and seconds ( DDD MM SS.SS )");
    ExpectSame(got, Cs2csUtm31({"4d53'32.10\"E 52d22'15.40\"N", "2d17'40.20\"E 48d51'29.90\"N"}));
}

TEST_F(FormatRun, DegreesAndMinutesWithoutSpaces)
{
    // DDDMM.MMM: three-digit degrees where five digits come before the point,
    // two where four do; thousandths of a minute after it.
    const std::vector<Planar> got =
        Convert("00453.535;5222.257\n00217.670;4851.498\n", "Degrees, minutes, no spaces ( DDDMM.MMM )");
    ExpectSame(got, Cs2csUtm31({"4d53.535'E 52d22.257'N", "2d17.670'E 48d51.498'N"}));
}

TEST_F(TextFormatWizard, SaveDialogsOfferSaveModeTheSuffixAndTheCurrentFile)
{
    const std::string source = Path("points.csv");
    WriteFile(source, "5,52\n");
    Open();
    Click("textRadio");
    Next();

    // A destination named without a suffix gets the default one, "txt".
    Browse("destinationBrowse", Path("first"));
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().mode, QFileDialog::AcceptSave);
    EXPECT_EQ(requests.back().fileMode, QFileDialog::AnyFile);
    EXPECT_EQ(requests.back().defaultSuffix, "txt");
    EXPECT_FALSE(requests.back().confirmsOverwrite);
    EXPECT_EQ(Text("destinationFile"), QString::fromStdString(Path("first.txt")));
    // The next time it opens on the file chosen before.
    Browse("destinationBrowse", Path("second.csv"));
    EXPECT_EQ(requests.back().selected, QStringList{QString::fromStdString(Path("first.txt"))});
    EXPECT_EQ(Text("destinationFile"), QString::fromStdString(Path("second.csv")));

    // The source's dialog opens files that exist, on the current one too.
    Browse("sourceBrowse", source);
    EXPECT_EQ(requests.back().mode, QFileDialog::AcceptOpen);
    EXPECT_EQ(requests.back().fileMode, QFileDialog::ExistingFile);
    Browse("sourceBrowse", source);
    EXPECT_EQ(requests.back().selected, QStringList{QString::fromStdString(source)});

    // A shapefile's destination gets ".shp".
    Back();
    Click("shapefileRadio");
    Next();
    Browse("destinationBrowse", Path("roads"));
    EXPECT_EQ(requests.back().mode, QFileDialog::AcceptSave);
    EXPECT_EQ(requests.back().defaultSuffix, "shp");
    EXPECT_EQ(Text("destinationFile"), QString::fromStdString(Path("roads.shp")));
    EXPECT_TRUE(boxes.Texts().empty());
}

} // namespace
