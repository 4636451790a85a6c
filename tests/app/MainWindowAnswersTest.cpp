// The main window with the program's own presenter: its questions and
// messages are real message boxes, answered by pressing their buttons, and
// numbers are typed into the real line edits.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QStyleOptionFrame>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include "AcceleratorCheck.h"
#include "ConfigurationRecord.h"
#include "DialogAbout.h"
#include "DialogDistance.h"
#include "DialogSelectEllipsoid.h"
#include "DialogSelectGrid.h"
#include "GeolynxApp.h"
#include "GeolynxDlg.h"
#include "GuiMessagePresenter.h"
#include "MessageBoxAnswerer.h"
#include "RealDialogs.h"
#include "ScratchFolder.h"

namespace {

class RealAnswers : public testing::Test
{
protected:
    void SetUp() override
    {
        SetMessagePresenter(&presenter);
        window = std::make_unique<CGeolynxDlg>(app, std::string());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    void TearDown() override
    {
        window.reset();
        SetMessagePresenter(nullptr);
    }

    template <class T>
    T* Find(const char* name) const
    {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString Text(const char* name) const { return Find<QLineEdit>(name)->text(); }
    void Type(const char* name, const QString& text) const
    {
        QLineEdit* edit = Find<QLineEdit>(name);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    void Click(const char* name) const { QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton); }
    // A Select button whose catalogue dialog is answered with a row and OK.
    void Choose(const char* button, const char* dialog, int id)
    {
        CDialogScript script;
        script.Then(dialog, realdialog::PickRow(id));
        Click(button);
        EXPECT_TRUE(script.Done()) << button << " opened no " << dialog;
    }

    // WGS 84 degrees in "dd.dddd" on the source, UTM zone 31N on the destination.
    void GeographicToUtm()
    {
        Choose("sourceDatumSelect", "CDialogSelectDatum", 4326);
        Choose("destinationGridSelect", "CDialogSelectGrid", 32631);
        Click("sourceModeDegrees");
    }

    // What Transform writes for a typed latitude and longitude.
    std::pair<QString, QString> Converted(const QString& latitude, const QString& longitude)
    {
        Type("sourceLatitude1", latitude);
        Type("sourceLongitude1", longitude);
        Click("transformButton");
        return {Text("destinationLatitude1"), Text("destinationLongitude1")};
    }

    CScratchFolder scratch;
    CGeolynxApp app;
    CGuiMessagePresenter presenter;
    std::unique_ptr<CGeolynxDlg> window;
};

TEST_F(RealAnswers, ClearAsksWithYesAndNoAndDoesWhatTheAnswerSays)
{
    GeographicToUtm();
    Type("sourceLatitude1", QStringLiteral("48.5"));
    {
        CMessageBoxAnswerer no(QMessageBox::No);
        Click("clearButton");
        ASSERT_TRUE(no.Seen());
        EXPECT_EQ(no.Text(), QStringLiteral("Are you sure you want to reset all fields?"));
        EXPECT_EQ(no.Caption(), QStringLiteral("Veltrix Geolynx"));
        EXPECT_EQ(no.Buttons(), QMessageBox::Yes | QMessageBox::No);
    }
    EXPECT_EQ(Text("sourceLatitude1"), QStringLiteral("48.5"));
    EXPECT_EQ(Text("destinationGridName"), QStringLiteral("WGS 84 / UTM zone 31N"));

    {
        CMessageBoxAnswerer yes(QMessageBox::Yes);
        Click("clearButton");
        ASSERT_TRUE(yes.Seen());
    }
    EXPECT_EQ(Text("sourceLatitude1"), QStringLiteral("000"));
    EXPECT_EQ(Text("destinationGridName"), QStringLiteral("Geographic ( Longitude / Latitude )"));
    EXPECT_EQ(window->SideState(CGeolynxDlg::Source).datumId, 0);
}

TEST_F(RealAnswers, DecimalCommaReadsAsTheDecimalPointAndNothingIsDropped)
{
    GeographicToUtm();
    const auto withPoint = Converted(QStringLiteral("52.5"), QStringLiteral("4.5"));
    // echo 4.5 52.5 | cs2cs -f %.4f +proj=longlat +datum=WGS84 +to +proj=utm +zone=31 +datum=WGS84
    //   601821.6030  5817709.5264 0.0000
    EXPECT_EQ(withPoint.first, QStringLiteral("5817709.526"));
    const auto withComma = Converted(QStringLiteral("52,5"), QStringLiteral("4,5"));
    EXPECT_EQ(withComma, withPoint);
    // What the user typed stays as typed.
    EXPECT_EQ(Text("sourceLatitude1"), QStringLiteral("52,5"));
    const auto exponent = Converted(QStringLiteral("5.25e1"), QStringLiteral("+45e-1"));
    EXPECT_EQ(exponent, withPoint);

    // Grid form reads the same way: an easting typed with an exponent.
    window->Swap();
    Type("sourceLongitude1", QStringLiteral("-12.5e3"));
    Type("sourceLatitude1", QStringLiteral("5817709,526"));
    Click("transformButton");
    const QString west = Text("destinationLongitude1");
    Type("sourceLongitude1", QStringLiteral("-12500"));
    Click("transformButton");
    EXPECT_EQ(Text("destinationLongitude1"), west);
    EXPECT_EQ(Text("sourceLongitude1"), QStringLiteral("-12500"));
}

TEST_F(RealAnswers, TextThatIsNoNumberIsNamedAndNothingIsConverted)
{
    GeographicToUtm();
    Converted(QStringLiteral("52.5"), QStringLiteral("4.5"));
    const QString northing = Text("destinationLatitude1");
    const QString easting = Text("destinationLongitude1");

    for (const char* typed : {"ab1,2e5x", "52,5,0", "1.5,3", "12 m", "", "ab1"})
    {
        Type("sourceLatitude1", QString::fromLatin1(typed));
        CMessageBoxAnswerer ok(QMessageBox::Ok);
        Click("transformButton");
        ASSERT_TRUE(ok.Seen()) << typed;
        EXPECT_TRUE(ok.Text().contains(QStringLiteral("Source Latitude"))) << ok.Text().toStdString();
        EXPECT_EQ(Text("destinationLatitude1"), northing) << typed;
        EXPECT_EQ(Text("destinationLongitude1"), easting) << typed;
        EXPECT_EQ(Text("sourceLatitude1"), QString::fromLatin1(typed));
    }

    // The altitude and the minutes of a degrees-minutes side are named too.
    Type("sourceLatitude1", QStringLiteral("52"));
    Type("sourceAltitude", QStringLiteral("10 m"));
    {
        CMessageBoxAnswerer ok(QMessageBox::Ok);
        Click("transformButton");
        ASSERT_TRUE(ok.Seen());
        EXPECT_TRUE(ok.Text().contains(QStringLiteral("Source Altitude"))) << ok.Text().toStdString();
    }
    Type("sourceAltitude", QStringLiteral("10,5"));
    Click("sourceModeDegreesMinutes");
    Type("sourceLatitude2", QStringLiteral("3O"));
    {
        CMessageBoxAnswerer ok(QMessageBox::Ok);
        Click("transformButton");
        ASSERT_TRUE(ok.Seen());
        EXPECT_TRUE(ok.Text().contains(QStringLiteral("Source Latitude minutes"))) << ok.Text().toStdString();
    }
    // A mode change would rewrite the bad field as its leading number: refused as well.
    {
        CMessageBoxAnswerer ok(QMessageBox::Ok);
        Click("sourceModeDegreesMinutesSeconds");
        ASSERT_TRUE(ok.Seen());
    }
    EXPECT_EQ(Text("sourceLatitude2"), QStringLiteral("3O"));
    EXPECT_EQ(window->SideState(CGeolynxDlg::Source).displayMode, ModeDegreesMinutes);
    EXPECT_EQ(Text("destinationLatitude1"), northing);
}

TEST_F(RealAnswers, APointThatCannotBeConvertedIsExplainedAndClearsTheOtherSide)
{
    GeographicToUtm();
    Converted(QStringLiteral("52.5"), QStringLiteral("4.5"));
    const QString northing = Text("destinationLatitude1");
    // A latitude beyond the pole is refused before any conversion, and the
    // result of the last one stays.
    Type("sourceLatitude1", QStringLiteral("95"));
    {
        CMessageBoxAnswerer ok(QMessageBox::Ok);
        Click("transformButton");
        ASSERT_TRUE(ok.Seen());
        EXPECT_EQ(ok.Text(), QStringLiteral("Invalid field value: Source Latitude: a latitude is at most 90 "
                                            "degrees.\nNothing has been converted."));
    }
    EXPECT_EQ(Text("destinationLatitude1"), northing);

    // A grid point far outside any projection's reach fails in the
    // conversion: the old result does not stay beside it.
    Type("sourceLatitude1", QStringLiteral("52.5"));
    window->Swap();
    ASSERT_EQ(Text("destinationLatitude1"), QStringLiteral("52.500000"));
    Type("sourceLatitude1", QStringLiteral("1e30"));
    {
        CMessageBoxAnswerer ok(QMessageBox::Ok);
        Click("transformButton");
        ASSERT_TRUE(ok.Seen());
        EXPECT_TRUE(ok.Text().startsWith(QStringLiteral("This coordinate cannot be converted: ")))
            << ok.Text().toStdString();
    }
    EXPECT_EQ(Text("destinationLatitude1"), QStringLiteral("0.000000"));
    EXPECT_EQ(Text("destinationLongitude1"), QStringLiteral("0.000000"));
}

TEST_F(RealAnswers, AFileThatIsNoConfigurationIsRefusedAndTheStateKept)
{
    GeographicToUtm();
    Type("sourceLatitude1", QStringLiteral("52.5"));
    const CoordinateSide before = window->SideState(CGeolynxDlg::Source);

    ConfigurationRecord good;
    good.sourceDatumId = 4277;
    good.sourceGridId = 27700;
    good.sourceDisplayMode = ModeGrid;
    good.destinationDatumId = 4326;
    good.destinationDisplayMode = ModeDegrees;
    good.sourceLatitude = 100000;
    good.sourceLongitude = 400000;

    auto write = [this](const std::string& name, const std::string& bytes) {
        const std::string path = scratch.File(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    };
    auto bytesOf = [](const ConfigurationRecord& r) {
        const auto b = r.ToBytes();
        return std::string(b.begin(), b.end());
    };
    ConfigurationRecord unknownGrid = good;
    unknownGrid.sourceGridId = 999999;
    ConfigurationRecord unknownDatum = good;
    unknownDatum.destinationDatumId = 123456;
    ConfigurationRecord infinite = good;
    infinite.destinationLongitude = std::nan("");
    ConfigurationRecord badMode = good;
    badMode.destinationDisplayMode = 7;
    std::string text(80, 'x');
    std::memcpy(text.data(), "Veltrix Geolynx is a coordinate converter; this file is just text ........", 72);

    for (const auto& [name, bytes] :
         std::vector<std::pair<std::string, std::string>>{{"text.glx", text},
                                                          {"grid.glx", bytesOf(unknownGrid)},
                                                          {"datum.glx", bytesOf(unknownDatum)},
                                                          {"nan.glx", bytesOf(infinite)},
                                                          {"mode.glx", bytesOf(badMode)},
                                                          {"short.glx", bytesOf(good).substr(0, 40)},
                                                          {"empty.glx", std::string()},
                                                          {"long.glx", bytesOf(good) + "12345678"}})
    {
        CMessageBoxAnswerer ok(QMessageBox::Ok);
        window->LoadConfiguration(write(name, bytes));
        ASSERT_TRUE(ok.Seen()) << name;
        EXPECT_TRUE(ok.Text().startsWith(QStringLiteral("This is not a configuration file"))) << name;
        const CoordinateSide& now = window->SideState(CGeolynxDlg::Source);
        EXPECT_EQ(now.gridId, before.gridId) << name;
        EXPECT_EQ(now.datumId, before.datumId) << name;
        EXPECT_EQ(now.latitude.first, before.latitude.first) << name;
        EXPECT_EQ(Text("sourceDatumName"), QStringLiteral("WGS 84")) << name;
    }

    window->LoadConfiguration(write("good.glx", bytesOf(good)));
    EXPECT_EQ(window->SideState(CGeolynxDlg::Source).gridId, 27700);
    EXPECT_EQ(Text("sourceGridName"), QStringLiteral("OSGB36 / British National Grid"));
    EXPECT_EQ(Text("sourceLatitude1"), QStringLiteral("100000.000"));
}

TEST_F(RealAnswers, TheWindowWidensAndItsNamesShowWhole)
{
    Choose("sourceGridSelect", "CDialogSelectGrid", 27700);
    Choose("destinationGridSelect", "CDialogSelectGrid", 32631);
    EXPECT_LT(window->minimumWidth(), window->maximumWidth());

    window->resize(1000, window->height());
    QTest::qWait(20);
    EXPECT_EQ(window->width(), 1000);
    for (const char* name : {"sourceGridName", "sourceDatumName", "destinationGridName", "destinationDatumName"})
    {
        QLineEdit* edit = Find<QLineEdit>(name);
        EXPECT_EQ(edit->toolTip(), edit->text()) << name;
        // The room for text inside the frame and its margins.
        QStyleOptionFrame option;
        option.initFrom(edit);
        const QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
        EXPECT_LE(edit->fontMetrics().horizontalAdvance(edit->text()), room.width() - 4)
            << name << " " << edit->text().toStdString();
    }
    EXPECT_EQ(Text("sourceGridName"), QStringLiteral("OSGB36 / British National Grid"));

    // The buttons beside the names move with them and stay inside the window.
    const QWidget* select = Find<QPushButton>("destinationDatumSelect");
    const QPoint right = select->mapTo(window.get(), QPoint(select->width(), 0));
    EXPECT_GT(right.x(), 900);
    EXPECT_LT(right.x(), 1000);
    const QWidget* exit = Find<QPushButton>("exitButton");
    EXPECT_GT(exit->mapTo(window.get(), QPoint(exit->width(), 0)).x(), 950);

    // "Destination Datum:" ends before its box begins.
    const QLabel* label = Find<QLabel>("destinationDatumLabel");
    EXPECT_LT(label->x() + label->fontMetrics().horizontalAdvance(label->text()) + 4,
              Find<QLineEdit>("destinationDatumName")->x());
}

TEST_F(RealAnswers, EveryAcceleratorOfTheWindowsHasOneOwner)
{
    EXPECT_EQ(AcceleratorFaults(window.get()), std::vector<std::string>{});
    // In every form of the two sides.
    Choose("sourceGridSelect", "CDialogSelectGrid", 27700);
    EXPECT_EQ(AcceleratorFaults(window.get()), std::vector<std::string>{});

    CDialogAbout about;
    EXPECT_EQ(AcceleratorFaults(&about), std::vector<std::string>{});
    CDialogDistance distance(52, 4, 51, 5);
    EXPECT_EQ(AcceleratorFaults(&distance), std::vector<std::string>{});

    // The two that once collided: Alt+T is Transform's alone, the Tools menu has Alt+O.
    EXPECT_EQ(AcceleratorOf(Find<QPushButton>("transformButton")->text()), QChar(u't'));
    EXPECT_EQ(AcceleratorOf(Find<QPushButton>("swapButton")->text()), QChar(u'w'));
}

TEST_F(RealAnswers, DistanceDialogShowsTheGeodesicAzimuths)
{
    CDialogDistance distance(52, 4, 51, 5);
    EXPECT_EQ(distance.findChild<QLabel*>(QStringLiteral("distance"))->text(), QStringLiteral("131.15 Kilometres"));
    EXPECT_EQ(distance.findChild<QLabel*>(QStringLiteral("azimuth"))->text(), QString::fromUtf8("147.6\u00b0"));
    EXPECT_EQ(distance.findChild<QLabel*>(QStringLiteral("reverseAzimuth"))->text(), QString::fromUtf8("328.4\u00b0"));
    // Coincident points have no direction between them.
    CDialogDistance same(52.5, 4.5, 52.5, 4.5);
    EXPECT_EQ(same.findChild<QLabel*>(QStringLiteral("distance"))->text(), QStringLiteral("  0 Metres"));
    for (const char* name : {"azimuth", "reverseAzimuth"})
        EXPECT_EQ(same.findChild<QLabel*>(QLatin1String(name))->text(), QStringLiteral("no azimuth")) << name;
    EXPECT_EQ(same.findChild<QLabel*>(QStringLiteral("fromLatitude"))->text(), QString::fromUtf8("N 52\u00b030'00.00\""));
}

TEST_F(RealAnswers, MapWithoutABrowserShowsTheAddress)
{
    GeographicToUtm();
    Type("sourceLatitude1", QStringLiteral("52.5"));
    Type("sourceLongitude1", QStringLiteral("4.5"));
    // No program on the search path can open the address.
    const std::string empty = scratch.File("nothing");
    std::filesystem::create_directories(empty);
    scratch.Set("PATH", empty);
    scratch.Set("BROWSER", "");
    CMessageBoxAnswerer ok(QMessageBox::Ok);
    Click("sourceMap");
    ASSERT_TRUE(ok.Seen());
    EXPECT_TRUE(ok.Text().contains(QStringLiteral("https://www.google.com/maps?q=52.500000,4.500000")))
        << ok.Text().toStdString();
}

} // namespace

namespace {

// The pictures of the README, taken when GEOLYNX_SCREENSHOT_DIR names a
// folder, under a real display:
//   GEOLYNX_SCREENSHOT_DIR=docs QT_QPA_PLATFORM=xcb xvfb-run -a build/bin/app_tests --gtest_filter='*Screenshots*'
TEST_F(RealAnswers, ScreenshotsOfTheWindowAndTheGridDialog)
{
    const char* folder = std::getenv("GEOLYNX_SCREENSHOT_DIR");
    if (folder == nullptr || *folder == '\0')
        GTEST_SKIP() << "GEOLYNX_SCREENSHOT_DIR names no folder";
    const QString dir = QString::fromLocal8Bit(folder) + QLatin1Char('/');

    Choose("sourceGridSelect", "CDialogSelectGrid", 27700);
    Choose("destinationGridSelect", "CDialogSelectGrid", 32631);
    Type("sourceLatitude1", QStringLiteral("174567,25"));
    Type("sourceLongitude1", QStringLiteral("529981.5"));
    Type("sourceAltitude", QStringLiteral("12,5"));
    Click("transformButton");
    window->resize(1000, window->height());
    QTest::qWait(200);
    EXPECT_TRUE(window->grab().save(dir + QStringLiteral("main-window.png")));

    CDialogSelectGrid grid(app, window.get());
    grid.SelectedGridId = 27700;
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    auto* search = grid.findChild<QLineEdit*>(QStringLiteral("searchField"));
    ASSERT_NE(search, nullptr);
    QTest::keyClicks(search, QStringLiteral("british"));
    QTest::qWait(200);
    EXPECT_TRUE(grid.grab().save(dir + QStringLiteral("grid-dialog.png")));
    grid.close();

    CDialogSelectEllipsoid ellipsoid(window.get());
    ellipsoid.SelectedEllipsoidId = 7030;
    ellipsoid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ellipsoid));
    QTest::qWait(100);
    EXPECT_TRUE(ellipsoid.grab().save(dir + QStringLiteral("ellipsoid-dialog.png")));
    ellipsoid.close();

    // The question of Clear, as the user sees it.
    QTimer::singleShot(300, [dir] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        {
            box->grab().save(dir + QStringLiteral("clear-question.png"));
            box->button(QMessageBox::No)->click();
        }
    });
    Click("clearButton");
}

// The whole screen with the window as the program opens it, taken when
// GEOLYNX_SCREEN_PICTURE names a file, under a real display, for instance:
//   GEOLYNX_SCREEN_PICTURE=/tmp/screen.png QT_SCALE_FACTOR=2 QT_QPA_PLATFORM=xcb
//   xvfb-run -a -s "-screen 0 1280x800x24" build/bin/app_tests --gtest_filter='*WholeScreen*'
TEST_F(RealAnswers, PictureOfTheWholeScreen)
{
    const char* file = std::getenv("GEOLYNX_SCREEN_PICTURE");
    if (file == nullptr || *file == '\0')
        GTEST_SKIP() << "GEOLYNX_SCREEN_PICTURE names no file";
    window.reset();
    window = std::make_unique<CGeolynxDlg>(app, std::string());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    GeographicToUtm();
    Converted(QStringLiteral("52.5"), QStringLiteral("4.5"));
    QTest::qWait(300);
    EXPECT_TRUE(window->screen()->grabWindow(0).save(QString::fromLocal8Bit(file)));
    // With the drop-down of recent grids open, beside "-menu" in the name.
    QString menuFile = QString::fromLocal8Bit(file);
    menuFile.insert(menuFile.lastIndexOf(QLatin1Char('.')), QStringLiteral("-menu"));
    QTimer::singleShot(300, [this, menuFile] {
        EXPECT_TRUE(window->screen()->grabWindow(0).save(menuFile));
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    });
    Click("destinationGridRecent");
}

} // namespace

namespace {

// One typed source coordinate: the form's button, the latitude and longitude
// texts (three numbers and the letter each), and either a piece of the
// refusal or the decimal degrees it must convert like.
struct TypedCase
{
    const char* mode;
    std::array<const char*, 4> latitude;
    std::array<const char*, 4> longitude;
    const char* refusal; // empty: converted
    double sameAsLatitude;
    double sameAsLongitude;
};

const char* const kLatitudeFields[] = {"sourceLatitude1", "sourceLatitude2", "sourceLatitude3",
                                       "sourceLatitudeHemisphere"};
const char* const kLongitudeFields[] = {"sourceLongitude1", "sourceLongitude2", "sourceLongitude3",
                                        "sourceLongitudeHemisphere"};

} // namespace

TEST_F(RealAnswers, SignsLettersMinutesAndSecondsAreReadRightOrRefusedByName)
{
    const TypedCase cases[] = {
        // A minus sign against the letter says two things: refused, naming the field.
        {"sourceModeDegreesMinutesSeconds", {"-52", "30", "30", "N"}, {"4", "0", "0", "E"},
         "Source Latitude degrees: a minus sign means S, but the hemisphere says N", 0, 0},
        {"sourceModeDegrees", {"52.5", "", "", "N"}, {"-4.5", "", "", "E"},
         "Source Longitude: a minus sign means W, but the hemisphere says E", 0, 0},
        // With its own letter it says one thing once more, for the whole value.
        {"sourceModeDegrees", {"-52.5", "", "", "S"}, {"4.5", "", "", "E"}, "", -52.5, 4.5},
        {"sourceModeDegreesMinutesSeconds", {"-52", "30", "30", "s"}, {"4", "30", "0", "w"}, "",
         -(52 + 30.0 / 60 + 30.0 / 3600), -4.5},
        {"sourceModeDegreesMinutes", {"-0", "30", "", "S"}, {"4", "30", "", "E"}, "", -0.5, 4.5},
        // Letters: only the axis's own, in either case.
        {"sourceModeDegrees", {"52.5", "", "", "x"}, {"4.5", "", "", "E"},
         "Source Latitude hemisphere: the hemisphere must be N or S", 0, 0},
        {"sourceModeDegrees", {"52.5", "", "", "5"}, {"4.5", "", "", "E"}, "must be N or S", 0, 0},
        {"sourceModeDegrees", {"52.5", "", "", "N"}, {"4.5", "", "", "N"},
         "Source Longitude hemisphere: the hemisphere must be E or W", 0, 0},
        {"sourceModeDegrees", {"52.5", "", "", "n"}, {"4.5", "", "", "e"}, "", 52.5, 4.5},
        // Minutes and seconds below 60.
        {"sourceModeDegreesMinutesSeconds", {"52", "75", "30", "N"}, {"4", "0", "0", "E"},
         "Source Latitude minutes: minutes must be at least 0 and below 60", 0, 0},
        {"sourceModeDegreesMinutesSeconds", {"52", "30", "60", "N"}, {"4", "0", "0", "E"},
         "Source Latitude seconds: seconds must be", 0, 0},
        {"sourceModeDegreesMinutes", {"52", "30", "", "N"}, {"4", "60", "", "E"},
         "Source Longitude minutes: minutes must be", 0, 0},
        {"sourceModeDegreesMinutesSeconds", {"52", "59", "59.99", "N"}, {"4", "0", "0", "E"}, "",
         52 + 59.0 / 60 + 59.99 / 3600, 4},
        {"sourceModeDegreesMinutesSeconds", {"90", "0", "1", "N"}, {"4", "0", "0", "E"},
         "a latitude is at most 90 degrees", 0, 0},
    };
    GeographicToUtm();
    for (const TypedCase& c : cases)
    {
        const std::string label = std::string(c.mode) + " " + c.latitude[0] + " " + c.latitude[3] + " / " +
                                  c.longitude[0] + " " + c.longitude[3];
        // The last row's texts made readable, then the reference: decimal
        // degrees with their letters.
        for (int i = 0; i < 4; ++i)
            for (const char* const* fields : {kLatitudeFields, kLongitudeFields})
                if (Find<QLineEdit>(fields[i])->isVisible())
                    Type(fields[i], i < 3 ? QStringLiteral("1") : fields == kLatitudeFields ? QStringLiteral("N")
                                                                                              : QStringLiteral("E"));
        Click("sourceModeDegrees");
        Type("sourceLatitudeHemisphere", c.sameAsLatitude < 0 ? QStringLiteral("S") : QStringLiteral("N"));
        Type("sourceLongitudeHemisphere", c.sameAsLongitude < 0 ? QStringLiteral("W") : QStringLiteral("E"));
        Converted(QString::number(std::fabs(c.sameAsLatitude), 'f', 9),
                  QString::number(std::fabs(c.sameAsLongitude), 'f', 9));
        const QString northing = Text("destinationLatitude1");
        const QString easting = Text("destinationLongitude1");

        Click(c.mode);
        for (int i = 0; i < 4; ++i)
        {
            if (Find<QLineEdit>(kLatitudeFields[i])->isVisible())
                Type(kLatitudeFields[i], QString::fromUtf8(c.latitude[static_cast<std::size_t>(i)]));
            if (Find<QLineEdit>(kLongitudeFields[i])->isVisible())
                Type(kLongitudeFields[i], QString::fromUtf8(c.longitude[static_cast<std::size_t>(i)]));
        }
        CMessageBoxAnswerer ok(QMessageBox::Ok);
        Click("transformButton");
        if (*c.refusal != 0)
        {
            ASSERT_TRUE(ok.Seen()) << label;
            EXPECT_TRUE(ok.Text().contains(QString::fromUtf8(c.refusal))) << label << ": " << ok.Text().toStdString();
            EXPECT_TRUE(ok.Text().endsWith(QStringLiteral("Nothing has been converted."))) << label;
        }
        else
        {
            EXPECT_FALSE(ok.Seen()) << label << ": " << ok.Text().toStdString();
        }
        // A refusal leaves the last result; a reading converts as its decimal reference.
        EXPECT_EQ(Text("destinationLatitude1"), northing) << label;
        EXPECT_EQ(Text("destinationLongitude1"), easting) << label;
    }
}

TEST_F(RealAnswers, ResultsGoWhenTheirSystemsChange)
{
    struct Change
    {
        const char* button;
        const char* dialog;
        int id;
    };
    const Change changes[] = {
        {"destinationGridSelect", "CDialogSelectGrid", 32632},
        {"sourceDatumSelect", "CDialogSelectDatum", 4277},
        {"destinationDatumSelect", "CDialogSelectDatum", 4326},
        {"sourceGridSelect", "CDialogSelectGrid", 32631},
    };
    for (const Change& change : changes)
    {
        SCOPED_TRACE(change.button);
        GeographicToUtm();
        Click("sourceModeDegrees");
        Converted(QStringLiteral("52.5"), QStringLiteral("4.5"));
        ASSERT_EQ(Text("destinationLatitude1"), QStringLiteral("5817709.526"));
        Choose(change.button, change.dialog, change.id);
        EXPECT_EQ(Text("destinationLatitude1").toDouble(), 0.0) << Text("destinationLatitude1").toStdString();
        EXPECT_EQ(Text("destinationLongitude1").toDouble(), 0.0);
        EXPECT_EQ(Text("destinationAltitude").toDouble(), 0.0);
    }
    // Choosing the system a side already has keeps its result.
    GeographicToUtm();
    Converted(QStringLiteral("52.5"), QStringLiteral("4.5"));
    Choose("destinationGridSelect", "CDialogSelectGrid", 32631);
    EXPECT_EQ(Text("destinationLatitude1"), QStringLiteral("5817709.526"));
}

TEST_F(RealAnswers, KeysNamesAndFormsAUserExpects)
{
    // Ctrl+Q closes a window; F1 opens the About box.
    {
        CGeolynxDlg other(app, std::string());
        other.show();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        QTest::keyClick(&other, Qt::Key_Q, Qt::ControlModifier);
        EXPECT_FALSE(other.isVisible());
    }
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    {
        CDialogScript script;
        script.Then("CDialogAbout", realdialog::PressButton("okButton"));
        QTest::keyClick(window.get(), Qt::Key_F1);
        EXPECT_TRUE(script.Done());
    }
    // Every field a screen reader reaches has a name of its own.
    const struct
    {
        const char* mode;
        const char* field;
        const char* name;
    } names[] = {
        {"sourceModeDegreesMinutesSeconds", "sourceLatitude1", "Source latitude degrees"},
        {"sourceModeDegreesMinutesSeconds", "sourceLatitude2", "Source latitude minutes"},
        {"sourceModeDegreesMinutesSeconds", "sourceLongitude3", "Source longitude seconds"},
        {"sourceModeDegreesMinutesSeconds", "sourceLatitudeHemisphere", "Source latitude hemisphere"},
        {"sourceModeDegrees", "sourceLatitude1", "Source latitude"},
        {"destinationModeDegreesMinutes", "destinationLongitude2", "Destination longitude minutes"},
        {"destinationModeDegreesMinutes", "destinationAltitude", "Destination altitude"},
        {"destinationModeDegreesMinutes", "sourceDatumName", "Source datum"},
    };
    for (const auto& n : names)
    {
        Click(n.mode);
        EXPECT_EQ(Find<QLineEdit>(n.field)->accessibleName(), QString::fromLatin1(n.name)) << n.field;
    }
    for (const char* side : {"source", "destination"})
        for (auto [label, field] : {std::pair{"GridLabel", "GridName"}, std::pair{"DatumLabel", "DatumName"},
                                    std::pair{"LatitudeLabel", "Latitude1"}, std::pair{"LongitudeLabel", "Longitude1"},
                                    std::pair{"AltitudeLabel", "Altitude"}})
        {
            const QByteArray l = QByteArray(side) + label, f = QByteArray(side) + field;
            EXPECT_EQ(Find<QLabel>(l.constData())->buddy(), Find<QLineEdit>(f.constData())) << l.constData();
        }
    // One button for each geographic form of the table, in its order.
    int buttons = 0;
    for (const DisplayForm& form : DisplayForms())
    {
        if (*form.buttonName == 0)
            continue;
        ++buttons;
        const QString name = QStringLiteral("source") + QLatin1String(form.buttonName);
        auto* radio = Find<QRadioButton>(name.toLatin1().constData());
        ASSERT_NE(radio, nullptr);
        QTest::mouseClick(radio, Qt::LeftButton);
        EXPECT_EQ(window->SideState(CGeolynxDlg::Source).displayMode, form.mode);
        int shown = 0;
        for (const char* field : {"sourceLatitude1", "sourceLatitude2", "sourceLatitude3"})
            shown += Find<QLineEdit>(field)->isVisible();
        EXPECT_EQ(shown, form.fieldCount) << form.buttonText;
    }
    EXPECT_EQ(buttons, 3);
}

TEST_F(RealAnswers, CopyPutsEachSideOnTheClipboardAsShown)
{
    GeographicToUtm();
    Converted(QStringLiteral("52.5"), QStringLiteral("4.5"));
    const struct
    {
        const char* mode; // nullptr: keep the form
        const char* button;
        const char* text;
    } cases[] = {
        {nullptr, "sourceCopy", "52.5 N, 4.5 E"},
        {nullptr, "destinationCopy", "5817709.526, 601821.603"},
        {"sourceModeDegreesMinutesSeconds", "sourceCopy", "052 30 0.00 N, 004 30 0.00 E"},
        {"sourceModeDegreesMinutes", "sourceCopy", "052 30.00000 N, 004 30.00000 E"},
    };
    for (const auto& c : cases)
    {
        if (c.mode != nullptr)
            Click(c.mode);
        QGuiApplication::clipboard()->clear();
        Click(c.button);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromLatin1(c.text)) << c.button;
    }
    // The buttons sit inside their groups, left of Map.
    for (const char* side : {"source", "destination"})
    {
        const QByteArray copy = QByteArray(side) + "Copy", map = QByteArray(side) + "Map";
        const QWidget* c = Find<QAbstractButton>(copy.constData());
        const QWidget* m = Find<QPushButton>(map.constData());
        EXPECT_LT(c->geometry().right(), m->geometry().left()) << side;
        EXPECT_TRUE(c->isVisible());
    }
}

TEST_F(RealAnswers, PasteFillsTheSourceFromTextOrSaysWhyNot)
{
    GeographicToUtm();
    Click("sourceModeDegreesMinutesSeconds");
    const struct
    {
        const char* text;
        const char* latitude; // the fields after the paste: degrees and letter
        const char* longitude;
        const char* refusal;  // a piece of the message; empty: read
    } cases[] = {
        {"51.5072, -0.1276", "051 30 25.92 N", "000 07 39.36 W", ""},
        {"4 30 0 E 52 30 30 N", "052 30 30.00 N", "004 30 0.00 E", ""},
        {"52 75 N 4 E", "052 30 30.00 N", "004 30 0.00 E", "the latitude: minutes must be"},
        {"nothing here", "052 30 30.00 N", "004 30 0.00 E", "not two values"},
    };
    for (const auto& c : cases)
    {
        QGuiApplication::clipboard()->setText(QString::fromUtf8(c.text));
        CMessageBoxAnswerer ok(QMessageBox::Ok);
        Click("sourcePaste");
        EXPECT_EQ(ok.Seen(), *c.refusal != 0) << c.text;
        if (*c.refusal != 0)
        {
            EXPECT_TRUE(ok.Text().startsWith(QStringLiteral("The clipboard holds no coordinate")));
            EXPECT_TRUE(ok.Text().contains(QString::fromLatin1(c.refusal))) << ok.Text().toStdString();
        }
        const QString latitude = Text("sourceLatitude1") + " " + Text("sourceLatitude2") + " " +
                                 Text("sourceLatitude3") + " " + Text("sourceLatitudeHemisphere");
        const QString longitude = Text("sourceLongitude1") + " " + Text("sourceLongitude2") + " " +
                                  Text("sourceLongitude3") + " " + Text("sourceLongitudeHemisphere");
        EXPECT_EQ(latitude, QString::fromLatin1(c.latitude)) << c.text;
        EXPECT_EQ(longitude, QString::fromLatin1(c.longitude)) << c.text;
    }
    // A grid side takes easting then northing.
    Choose("sourceGridSelect", "CDialogSelectGrid", 32631);
    QGuiApplication::clipboard()->setText(QStringLiteral("601821.603, 5817709.526"));
    Click("sourcePaste");
    EXPECT_EQ(Text("sourceLatitude1"), QStringLiteral("5817709.526"));
    EXPECT_EQ(Text("sourceLongitude1"), QStringLiteral("601821.603"));
}

TEST_F(RealAnswers, ResultsAreReadOnlyAndCtrlCCtrlVWorkOnTheirSides)
{
    GeographicToUtm();
    Converted(QStringLiteral("52.5"), QStringLiteral("4.5"));
    const QString source = QStringLiteral("52.5 N, 4.5 E");
    const QString result = QStringLiteral("5817709.526, 601821.603");
    // Typing into a result changes nothing.
    Type("destinationLatitude1", QStringLiteral("17"));
    EXPECT_EQ(Text("destinationLatitude1"), QStringLiteral("5817709.526"));
    for (const char* field : {"destinationLatitude1", "destinationLongitude1", "destinationAltitude"})
        EXPECT_TRUE(Find<QLineEdit>(field)->isReadOnly()) << field;
    EXPECT_FALSE(Find<QLineEdit>("sourceLatitude1")->isReadOnly());

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    // Ctrl+C with the focus in a widget: the side it belongs to; a selection is copied alone.
    const struct
    {
        const char* focus;
        bool selectAll;
        QString copied;
    } copies[] = {
        {"sourceLongitude1", false, source},
        {"destinationLatitude1", false, result},
        {"sourceMap", false, source},
        {"transformButton", false, result},
        {"sourceLongitude1", true, QStringLiteral("4.5")},
    };
    for (const auto& c : copies)
    {
        QWidget* focus = Find<QWidget>(c.focus);
        focus->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(focus))
            c.selectAll ? edit->selectAll() : edit->deselect();
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(focus, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), c.copied) << c.focus;
    }
    // Ctrl+V: a whole coordinate fills the source from anywhere; a lone number goes into its field.
    const struct
    {
        const char* focus;
        const char* clipboard;
        const char* latitude;
        const char* longitude;
    } pastes[] = {
        {"sourceLongitude1", "51.5, -0.25", "51.500000", "0.250000"},
        {"destinationLatitude1", "48.25 N 2.5 E", "48.250000", "2.500000"},
        {"swapButton", "10 20", "10.000000", "20.000000"},
        {"sourceLongitude1", "7", "10.000000", "7"},
    };
    for (const auto& p : pastes)
    {
        QWidget* focus = Find<QWidget>(p.focus);
        focus->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(focus); edit != nullptr && !edit->isReadOnly())
            edit->clear();
        QGuiApplication::clipboard()->setText(QString::fromLatin1(p.clipboard));
        QTest::keyClick(focus, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(Text("sourceLatitude1"), QString::fromLatin1(p.latitude)) << p.clipboard;
        EXPECT_EQ(Text("sourceLongitude1"), QString::fromLatin1(p.longitude)) << p.clipboard;
    }
    // The Copy button's menu adds the name of the system.
    Click("sourceModeDegrees");
    Converted(QStringLiteral("52.5"), QStringLiteral("4.5"));
    for (auto [action, text] : {std::pair{"sourceCopyWithName", "WGS 84: 52.5 N, 4.5 E"},
                                std::pair{"destinationCopyWithName", "WGS 84 / UTM zone 31N: 5817709.526, 601821.603"}})
    {
        Find<QAction>(action)->trigger();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromLatin1(text)) << action;
    }
}

TEST_F(RealAnswers, EveryButtonHasANameOfItsOwnAndTheWindowFitsSmallScreens)
{
    std::set<QString> names;
    for (const QAbstractButton* b : window->findChildren<QAbstractButton*>())
    {
        if (b->objectName().startsWith(QLatin1String("qt_")))
            continue; // Qt's own, such as the menu bar's overflow arrow
        EXPECT_FALSE(b->accessibleName().isEmpty()) << b->objectName().toStdString();
        EXPECT_TRUE(names.insert(b->accessibleName()).second) << b->accessibleName().toStdString();
    }
    EXPECT_TRUE(names.count(QStringLiteral("Select destination datum")));
    // 1280 x 800 at a scale of 2, less a panel; 1024 x 700 at 1.
    for (const QSize screen : {QSize(640, 370), QSize(1024, 670)})
    {
        EXPECT_LE(window->minimumWidth(), screen.width());
        EXPECT_LE(window->minimumHeight(), screen.height());
        window->resize(screen);
        QTest::qWait(20);
        const QRect inside = window->rect();
        for (const char* button : {"transformButton", "batchButton", "swapButton", "clearButton", "exitButton"})
        {
            const QWidget* b = Find<QWidget>(button);
            EXPECT_TRUE(inside.contains(QRect(b->mapTo(window.get(), QPoint(0, 0)), b->size()))) << button;
        }
        // The sides scroll up and down (one above the other when narrow) to every control they hold.
        auto* scroll = window->findChild<QScrollArea*>();
        ASSERT_NE(scroll, nullptr);
        EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0) << screen.width();
        EXPECT_EQ(Find<QWidget>("destinationGroup")->y() > Find<QWidget>("sourceGroup")->y(), screen.width() < 700);
        for (const char* far : {"destinationMap", "sourceModeDegrees", "destinationAltitudeLabel", "sourceMap"})
        {
            QWidget* w = Find<QWidget>(far);
            scroll->ensureWidgetVisible(w);
            const QRect shown(w->mapTo(scroll->viewport(), QPoint(0, 0)), w->size());
            EXPECT_TRUE(scroll->viewport()->rect().contains(shown))
                << far << " at " << screen.width() << " " << shown.x() << "," << shown.y() << " in "
                << scroll->viewport()->width() << "x" << scroll->viewport()->height();
        }
    }
}
