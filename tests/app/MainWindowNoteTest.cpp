// The line under the two sides: how the result was obtained, and the warnings when a datum has no
// usable transformation or the point lies outside its systems.
#include "MainWindowFixture.h"

#include "ConversionNote.h"

namespace mainwindowtest {
namespace {

class MainWindowNote : public MainWindow
{
protected:
    CConversionNote* Note() const { return Find<CConversionNote>("conversionNote"); }

    // Signed degrees: the hemisphere letters follow the signs.
    void Transform(const char* latitude, const char* longitude)
    {
        const auto type = [this](const char* field, const char* value, const char* positive, const char* negative) {
            const bool minus = value[0] == '-';
            Type((std::string("source") + field + "1").c_str(), QString::fromLatin1(value + (minus ? 1 : 0)));
            Type((std::string("source") + field + "Hemisphere").c_str(), QString::fromLatin1(minus ? negative : positive));
        };
        type("Latitude", latitude, "N", "S");
        type("Longitude", longitude, "E", "W");
        Click("transformButton");
    }
};

TEST_F(MainWindowNote, SaysHowEachResultWasObtainedAndWarnsOfPointsOutside)
{
    ChooseDatum("sourceDatumSelect", kWgs84);
    Choose("destinationGridSelect", "CDialogSelectGrid", 27700);
    Click("sourceModeDegrees");
    const struct
    {
        const char* latitude;
        const char* longitude;
        const char* text;
        bool warns;
    } cases[] = {
        {"51.5", "-0.12",
         "source: WGS 84: WGS 84 itself\n"
         "destination: OSGB36 / British National Grid: EPSG:1314 OSGB36 to WGS 84 (6), 2 m\n"
         "accuracy: 2 m\n"
         "exact: OSGB36 to ETRS89 (OSTN15) (grid uk_os_OSTN15_NTv2_OSGBtoETRS.tif) is used once its file is placed "
         "in the Data folder",
         false},
        // London with latitude and longitude swapped.
        {"-0.12", "51.5",
         "source: WGS 84: WGS 84 itself\n"
         "destination: OSGB36 / British National Grid: EPSG:1314 OSGB36 to WGS 84 (6), 2 m\n"
         "accuracy: unknown (the point lies outside the area of OSGB36's transformation)\n"
         "exact: OSGB36 to ETRS89 (OSTN15) (grid uk_os_OSTN15_NTv2_OSGBtoETRS.tif) is used once its file is placed "
         "in the Data folder\n"
         "Warning: the point lies outside the area of use of OSGB36 (UK - Britain and UKCS 49°45'N to 61°N, 9°W to "
         "2°E). Check the axis order and the systems.",
         true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.latitude);
        Transform(c.latitude, c.longitude);
        EXPECT_EQ(Note()->text().toStdString(), c.text);
        EXPECT_EQ(Note()->Warns(), c.warns);
    }
    // Under Xvfb, the window as it shows the warning, for a person to look at.
    if (const char* path = std::getenv("GEOLYNX_NOTE_SCREENSHOT"))
        window->grab().save(QString::fromLocal8Bit(path));
    // Another system: the note spoke of the last result and goes.
    ChooseDatum("destinationDatumSelect", kWgs84);
    EXPECT_EQ(Note()->text(), QString());
}

TEST_F(MainWindowNote, ConvertsAcrossAnUnlinkedDatumButSaysSo)
{
    ChooseDatum("sourceDatumSelect", 3821);
    ChooseDatum("destinationDatumSelect", kWgs84);
    Click("sourceModeDegrees");
    Transform("24", "121");
    EXPECT_NE(Text("destinationLatitude1"), QString());
    EXPECT_TRUE(Note()->Warns());
    EXPECT_TRUE(Note()->text().contains(QStringLiteral(
        "Warning: datum TWD67 (3821) has no usable transformation to WGS 84 (EPSG has none): the result may be "
        "hundreds of metres off.")))
        << Note()->text().toStdString();
}

} // namespace
} // namespace mainwindowtest

#include "CatalogueUpgradeNotice.h"

namespace mainwindowtest {
namespace {

TEST_F(MainWindowNote, AnOlderCatalogueIsUpdatedOnStartAndTheWindowSaysSo)
{
    // A fresh copy is up to date: nothing to say.
    UpgradeCatalogueAndSaySo();
    EXPECT_TRUE(boxes.Texts().empty());
    // Make the user's copy the previous release's, with a row changed.
    const std::string file = (home / "home/data/Veltrix/Geolynx/catalogue.db").string();
    ASSERT_TRUE(fs::exists(file));
    const std::string sql = "DROP TABLE tblTransformations; DROP TABLE tblAreas; DROP TABLE tblShipped; "
                            "UPDATE tblDatums SET dblDeltaX = 446.0 WHERE numId = 4277;";
    ASSERT_EQ(std::system(("sqlite3 '" + file + "' \"" + sql + "\"").c_str()), 0);

    UpgradeCatalogueAndSaySo();
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0],
              "The catalogue was brought up to date with this version: catalogue updated: 0 shipped rows brought up "
              "to date, 0 new rows added, transformations and areas of use added\n"
              "1 shipped rows you changed were kept as they are: datum 4277 OSGB36");
    // Said once.
    UpgradeCatalogueAndSaySo();
    EXPECT_EQ(boxes.Texts().size(), 1u);
}

} // namespace
} // namespace mainwindowtest
