// The main window driven as a user would, on the offscreen platform, against
// the shipped catalogue copied into a private user folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "GeolynxApp.h"
#include "GeolynxDlg.h"
#include "MessageRecorder.h"

namespace fs = std::filesystem;

namespace {

class QtEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { application.reset(); }

private:
    std::unique_ptr<QApplication> application;
};

const auto* const qtEnvironment = testing::AddGlobalTestEnvironment(new QtEnvironment);

class MainWindow : public testing::Test
{
protected:
    void SetUp() override
    {
        home = fs::temp_directory_path() / ("geolynx-window-" + std::to_string(::getpid()) + "-" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(home);
        fs::create_directories(home);
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
            ::setenv(name, (home / name).c_str(), 1);
        ::setenv("XDG_CONFIG_DIRS", (home / "etc").c_str(), 1);
        configuration = (home / "current.glx").string();
        Open();
    }

    void TearDown() override
    {
        window.reset();
        fs::remove_all(home);
    }

    void Open()
    {
        window = std::make_unique<CGeolynxDlg>(app, configuration);
        // Destination is a UTM grid on WGS 84, source WGS 84 geographic,
        // unless a test chooses otherwise.
        window->chooseGrid = [this](int& grid, int& datum) {
            grid = nextGrid;
            datum = nextGridDatum;
            return nextGrid != 0;
        };
        window->chooseDatum = [this](int& datum) {
            datum = nextDatum;
            return nextDatum != 0;
        };
        window->openUrl = [this](const QString& url) { opened = url; };
    }

    QString Text(const char* name) const { return Find<QLineEdit>(name)->text(); }
    QString Label(const char* name) const { return Find<QLabel>(name)->text(); }
    void Type(const char* name, const QString& text) const
    {
        QLineEdit* edit = Find<QLineEdit>(name);
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    void Click(const char* name) const { QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton); }

    template <class T>
    T* Find(const char* name) const
    {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void TypeSource(const char* lat, const char* latMin, const char* latSec, const char* lon, const char* lonMin,
                    const char* lonSec)
    {
        Type("sourceLatitude1", lat);
        Type("sourceLatitude2", latMin);
        Type("sourceLatitude3", latSec);
        Type("sourceLongitude1", lon);
        Type("sourceLongitude2", lonMin);
        Type("sourceLongitude3", lonSec);
    }

    fs::path home;
    std::string configuration;
    CGeolynxApp app;
    std::unique_ptr<CGeolynxDlg> window;
    int nextGrid = 32631;
    int nextGridDatum = 4326;
    int nextDatum = 4326;
    QString opened;
    CMessageRecorder messages;
};

TEST_F(MainWindow, FirstStartShowsTheInitialState)
{
    EXPECT_EQ(window->windowTitle(), "Veltrix Geolynx");
    for (const char* side : {"source", "destination"})
    {
        const std::string p = side;
        EXPECT_EQ(Text((p + "Latitude1").c_str()), "000");
        EXPECT_EQ(Text((p + "Latitude2").c_str()), "00");
        EXPECT_EQ(Text((p + "Latitude3").c_str()), "000");
        EXPECT_EQ(Text((p + "LatitudeHemisphere").c_str()), "N");
        EXPECT_EQ(Text((p + "LongitudeHemisphere").c_str()), "E");
        EXPECT_EQ(Text((p + "Altitude").c_str()), "0.0");
        EXPECT_EQ(Text((p + "GridName").c_str()), "None");
        EXPECT_EQ(Text((p + "DatumName").c_str()), "None");
        EXPECT_TRUE(Find<QRadioButton>((p + "ModeDegreesMinutesSeconds").c_str())->isChecked());
        EXPECT_TRUE(Find<QLabel>((p + "Note").c_str())->isHidden());
        EXPECT_TRUE(Find<QLineEdit>((p + "Latitude3").c_str())->isVisibleTo(window.get()));
    }
    EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(MainWindow, TransformsToAUtmGridAndBack)
{
    Click("sourceDatumSelect");
    EXPECT_EQ(Text("sourceDatumName"), "WGS 84");
    Click("destinationGridSelect");
    EXPECT_EQ(Text("destinationGridName"), "WGS 84 / UTM zone 31N");
    EXPECT_EQ(Label("destinationLatitudeLabel"), "Northing:");
    EXPECT_EQ(Text("destinationLatitude1"), "000.000");
    EXPECT_FALSE(Find<QLabel>("destinationNote")->isHidden());
    EXPECT_TRUE(Find<QLineEdit>("destinationLatitude2")->isHidden());
    // Both unit labels of a grid side show the grid's unit.
    EXPECT_EQ(Label("destinationLatitudeUnit"), "metre");
    EXPECT_EQ(Label("destinationLongitudeUnit"), "metre");

    TypeSource("52", "00", "00.00", "5", "00", "00.00");
    Click("transformButton");
    EXPECT_TRUE(messages.Shown().empty());
    EXPECT_EQ(Text("destinationLongitude1"), "637294.366");
    EXPECT_EQ(Text("destinationLatitude1"), "5762926.813");
    EXPECT_EQ(Text("destinationAltitude"), "00.00");

    Click("swapButton");
    EXPECT_EQ(Text("sourceGridName"), "WGS 84 / UTM zone 31N");
    EXPECT_EQ(Text("destinationGridName"), "Geographic ( Longitude / Latitude )");
    Click("transformButton");
    EXPECT_EQ(Text("destinationLatitude1"), "052");
    EXPECT_EQ(Text("destinationLatitude2"), "00");
    EXPECT_EQ(Text("destinationLatitude3"), "0.00");
    EXPECT_EQ(Text("destinationLongitude1"), "005");
    EXPECT_EQ(Text("destinationLongitudeHemisphere"), "E");
}

TEST_F(MainWindow, ConversionWithoutADatumShowsItsMessageAndChangesNothing)
{
    TypeSource("10", "0", "0", "20", "0", "0");
    Click("transformButton");
    EXPECT_EQ(messages.Ids(), std::vector<int>{108});
    EXPECT_EQ(Text("destinationLatitude1"), "000");

    Click("sourceDatumSelect");
    messages.Clear();
    Click("transformButton");
    EXPECT_EQ(messages.Ids(), std::vector<int>{109});
    EXPECT_EQ(Text("destinationLatitude1"), "000");
    EXPECT_EQ(Text("destinationAltitude"), "0.0");

    // The map of a side without datum says so too and opens nothing.
    messages.Clear();
    Click("destinationMap");
    EXPECT_EQ(messages.Ids(), std::vector<int>{109});
    EXPECT_TRUE(opened.isEmpty());
    Click("sourceMap");
    EXPECT_EQ(opened, "https://www.google.com/maps?q=10.000000,20.000000");
}

TEST_F(MainWindow, SwapTwiceRestoresBothSides)
{
    Click("sourceDatumSelect");
    Click("destinationGridSelect");
    TypeSource("48", "51", "24.00", "2", "21", "03.00");
    Type("sourceAltitude", "35.5");
    Click("transformButton");
    const QString easting = Text("destinationLongitude1");
    const QString northing = Text("destinationLatitude1");

    Click("swapButton");
    EXPECT_EQ(Text("sourceLongitude1"), easting);
    EXPECT_EQ(Text("destinationLatitude1"), "048");
    EXPECT_EQ(Text("destinationAltitude"), "35.50");
    Click("swapButton");
    EXPECT_EQ(Text("sourceLatitude1"), "048");
    EXPECT_EQ(Text("sourceLatitude2"), "51");
    EXPECT_EQ(Text("sourceLatitude3"), "24.00");
    EXPECT_EQ(Text("sourceLongitude3"), "3.00");
    EXPECT_EQ(Text("destinationLatitude1"), northing);
    EXPECT_EQ(Text("destinationGridName"), "WGS 84 / UTM zone 31N");
    EXPECT_EQ(Text("sourceDatumName"), "WGS 84");
}

TEST_F(MainWindow, ClearAsksFirst)
{
    Click("sourceDatumSelect");
    Click("destinationGridSelect");
    TypeSource("48", "51", "24", "2", "21", "3");

    messages.SetAnswer(false);
    Click("clearButton");
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].second, "Are you sure you want to reset all fields?");
    EXPECT_EQ(Text("sourceLatitude1"), "48");
    EXPECT_EQ(Text("destinationGridName"), "WGS 84 / UTM zone 31N");

    messages.SetAnswer(true);
    Click("clearButton");
    EXPECT_EQ(Text("sourceLatitude1"), "000");
    EXPECT_EQ(Text("sourceLatitude3"), "0.00");
    EXPECT_EQ(Text("destinationAltitude"), "00.00");
    EXPECT_EQ(Text("destinationGridName"), "Geographic ( Longitude / Latitude )");
    EXPECT_EQ(Text("sourceDatumName"), "No datum selected");
    EXPECT_EQ(Label("destinationLatitudeLabel"), "Latitude:");
    EXPECT_TRUE(Find<QRadioButton>("destinationModeDegreesMinutesSeconds")->isChecked());
}

TEST_F(MainWindow, ModeRadiosReexpressTheSameAngle)
{
    TypeSource("052", "30", "00.00", "4", "0", "0");
    Type("sourceLatitudeHemisphere", "s");
    Click("sourceModeDegrees");
    EXPECT_EQ(Text("sourceLatitude1"), "52.500000");
    EXPECT_EQ(Text("sourceLatitudeHemisphere"), "S");
    EXPECT_TRUE(Find<QLineEdit>("sourceLatitude2")->isHidden());
    EXPECT_FALSE(Find<QLineEdit>("sourceLatitudeHemisphere")->isHidden());
    EXPECT_TRUE(Find<QRadioButton>("sourceModeDegrees")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>("sourceModeDegreesMinutesSeconds")->isChecked());
    Click("sourceModeDegreesMinutes");
    EXPECT_EQ(Text("sourceLatitude1"), "052");
    EXPECT_EQ(Text("sourceLatitude2"), "30.00000");
    EXPECT_EQ(Find<QLineEdit>("sourceLatitude2")->width(), 80);
}

TEST_F(MainWindow, ChoosingADatumLeavesGridForm)
{
    Click("sourceGridSelect");
    Type("sourceLatitude1", "5762926.813");
    // Another grid keeps the numbers of a side already in grid form.
    nextGrid = 32632;
    Click("sourceGridSelect");
    EXPECT_EQ(Text("sourceLatitude1"), "5762926.813");
    Click("sourceDatumSelect");
    EXPECT_EQ(Text("sourceGridName"), "Geographic ( Longitude / Latitude )");
    EXPECT_EQ(Text("sourceLatitude1"), "000");
    EXPECT_EQ(Label("sourceLatitudeLabel"), "Latitude:");
}

TEST_F(MainWindow, TheStateSurvivesARestart)
{
    Click("sourceDatumSelect");
    Click("destinationGridSelect");
    Click("sourceModeDegrees");
    Type("sourceLatitude1", "-33.25");
    Type("sourceLongitude1", "151.5");
    Type("sourceAltitude", "12");
    Click("exitButton");
    ASSERT_TRUE(fs::exists(configuration));
    EXPECT_EQ(fs::file_size(configuration), 72u);

    Open();
    EXPECT_EQ(Text("sourceLatitude1"), "33.250000");
    EXPECT_EQ(Text("sourceLatitudeHemisphere"), "S");
    EXPECT_EQ(Text("sourceAltitude"), "12.00");
    EXPECT_EQ(Text("sourceDatumName"), "WGS 84");
    EXPECT_EQ(Text("destinationGridName"), "WGS 84 / UTM zone 31N");
    EXPECT_EQ(Label("destinationLongitudeLabel"), "Easting:");
    EXPECT_TRUE(Find<QRadioButton>("sourceModeDegrees")->isChecked());

    // A configuration that cannot be loaded says so, the current one never.
    window->LoadConfiguration((home / "missing.glx").string());
    EXPECT_EQ(messages.Ids(), std::vector<int>{150});
    // A save that cannot be written says so.
    messages.Clear();
    window->SaveConfiguration((home / "no" / "such" / "folder.glx").string());
    EXPECT_EQ(messages.Ids(), std::vector<int>{151});
}

} // namespace

namespace {

TEST_F(MainWindow, RendersAfterAConversion)
{
    Click("sourceDatumSelect");
    Click("destinationGridSelect");
    TypeSource("52", "22", "15.40", "4", "53", "32.10");
    Click("transformButton");
    window->show();
    QApplication::processEvents();
    const QImage image = window->grab().toImage();
    // The whole form shows, below the menu bar.
    EXPECT_GE(window->width(), 700);
    EXPECT_GE(window->height(), 320);
    ASSERT_EQ(image.size(), window->size());
    // Something was drawn: the picture is not one flat colour.
    int distinct = 0;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height() && distinct == 0; y += 7)
        for (int x = 0; x < image.width(); x += 7)
            distinct += image.pixel(x, y) != first ? 1 : 0;
    EXPECT_GT(distinct, 0);
    // Kept beside the test program for the documentation's screenshot.
    EXPECT_TRUE(image.save(QString::fromLatin1(GEOLYNX_BIN_DIR "/main-window.png")));
}

} // namespace
