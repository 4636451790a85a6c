// Each side's height above the ellipsoid or a geoid model: applied by
// Transform, named in the note, exchanged by Swap, kept beside the
// configuration, and refused with the file's name when the model's grid is
// missing.
#include "MainWindowFixture.h"

#include <QComboBox>

#include "ConfigurationRecord.h"
#include "ConversionNote.h"
#include "CoordinateFormat.h"

namespace mainwindowtest {
namespace {

constexpr int kEgm96 = 5773;
constexpr int kEgm2008 = 3855; // shipped as a row; its file is not

class MainWindowHeights : public MainWindow
{
protected:
    QComboBox* Choice(const char* side) const
    {
        return Find<QComboBox>((std::string(side) + "HeightChoice").c_str());
    }
    // As a user picks an entry of the list.
    void Pick(const char* side, int model) const
    {
        QComboBox* choice = Choice(side);
        const int index = choice->findData(model);
        ASSERT_GE(index, 0) << model;
        choice->setCurrentIndex(index);
        emit choice->activated(index);
    }
    int Picked(const char* side) const { return Choice(side)->currentData().toInt(); }
    double Altitude(const char* side) const
    {
        return ReadAltitude(Text((std::string(side) + "Altitude").c_str()).toStdString());
    }
    // Both sides WGS 84 in decimal degrees, the source at 0 N 0 E.
    void SetUpSides()
    {
        ChooseDatum("sourceDatumSelect");
        ChooseDatum("destinationDatumSelect");
        Click("sourceModeDegrees");
        Click("destinationModeDegrees");
    }
};

TEST_F(MainWindowHeights, TheGeoidOfEachSideIsAppliedNamedSwappedAndKept)
{
    SetUpSides();
    EXPECT_EQ(Picked("source"), 0);
    EXPECT_EQ(Choice("destination")->itemText(Choice("destination")->findData(kEgm2008)),
              QStringLiteral("EGM2008 geoid (file missing)"));
    Pick("destination", kEgm96);
    Type("sourceAltitude", QStringLiteral("100"));
    Click("transformButton");
    // EGM96 lies 17.16 m above the ellipsoid at 0 N 0 E.
    EXPECT_NEAR(Altitude("destination"), 100 - 17.16, 0.01);
    const QString note = Find<CConversionNote>("conversionNote")->text();
    EXPECT_TRUE(note.endsWith(
        QStringLiteral("Heights: source above the ellipsoid, destination above EGM96 height (5773).")))
        << note.toStdString();

    // Swap exchanges the height systems with the values: converting back gives the ellipsoidal height.
    Click("swapButton");
    EXPECT_EQ(Picked("source"), kEgm96);
    EXPECT_EQ(Picked("destination"), 0);
    Click("transformButton");
    EXPECT_NEAR(Altitude("destination"), 100, 1e-6);
    // Under Xvfb, the window with a geoid on one side, for a person to look at.
    if (const char* path = std::getenv("GEOLYNX_HEIGHTS_SCREENSHOT"))
        window->grab().save(QString::fromLocal8Bit(path));

    // Closing keeps the choice beside the 72-byte configuration; an older state without it is ellipsoidal.
    Click("exitButton");
    EXPECT_EQ(fs::file_size(configuration), ConfigurationRecord::Size);
    Open();
    EXPECT_EQ(Picked("source"), kEgm96);
    EXPECT_EQ(Picked("destination"), 0);
    window.reset();
    fs::remove(HeightSystems::PathBeside(configuration));
    Open();
    EXPECT_EQ(Picked("source"), 0);
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(MainWindowHeights, AModelWithoutItsFileOrAWrongStateIsRefusedNotTakenAsEllipsoidal)
{
    SetUpSides();
    Type("sourceAltitude", QStringLiteral("100"));
    Click("transformButton");
    EXPECT_NEAR(Altitude("destination"), 100, 1e-6);
    // Another choice: the result shown belongs to the former one.
    Pick("destination", kEgm2008);
    EXPECT_EQ(Altitude("destination"), 0);
    Click("transformButton");
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find("the grid file us_nga_egm08_25.tif of the geoid model EGM2008 height (3855) is "
                                    "missing; put it in "),
              std::string::npos)
        << boxes.Texts()[0];
    EXPECT_EQ(Altitude("destination"), 0);
    boxes.Clear();

    // A saved model the catalogue no longer has stays chosen, and is refused.
    Click("exitButton");
    ASSERT_TRUE((HeightSystems{0, 50077}.Save(configuration)));
    Open();
    EXPECT_EQ(Picked("destination"), 50077);
    EXPECT_EQ(Choice("destination")->currentText(), QStringLiteral("geoid model 50077 (not in the catalogue)"));
    Click("transformButton");
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find("the catalogue has no geoid model 50077"), std::string::npos);
    boxes.Clear();

    // A damaged heights file: the configuration is not taken.
    window.reset();
    std::ofstream(HeightSystems::PathBeside(configuration), std::ios::trunc) << "Geolynx heights 1\nsource -1\n";
    Open();
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find("heights file"), std::string::npos) << boxes.Texts()[0];
    EXPECT_EQ(Picked("destination"), 0);
}

} // namespace
} // namespace mainwindowtest
