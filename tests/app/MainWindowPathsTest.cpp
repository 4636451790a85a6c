// The paths of the main window a user takes beyond converting: the distance
// dialog, configurations through their file dialogs, closing and starting
// again, the map of a grid side, Enter and the about box. Every dialog and
// message box is the program's own, answered with the mouse.
#include <QGroupBox>

#include "MainWindowFixture.h"

namespace {

using namespace mainwindowtest;

TEST_F(MainWindow, CalculateDistanceShowsTheGeodesicOrSaysWhichSideLacksADatum)
{
    QAction* distance = MenuItem(QStringLiteral("Calculate Distance..."));
    ASSERT_NE(distance, nullptr);
    {
        CDialogScript script;
        script.Then("CDialogDistance", realdialog::PressButton("closeButton"));
        distance->trigger();
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{
                                     "You have to select either a source map grid or map datum to perform translations"});
        EXPECT_TRUE(script.Met().empty());
    }
    ChooseDatum("sourceDatumSelect");
    boxes.Clear();
    {
        CDialogScript script;
        script.Then("CDialogDistance", realdialog::PressButton("closeButton"));
        distance->trigger();
        EXPECT_EQ(boxes.Texts(),
                  std::vector<std::string>{
                      "You have to select either a destination map grid or map datum to perform translations"});
        EXPECT_TRUE(script.Met().empty());
    }

    ChooseDatum("destinationDatumSelect");
    // The destination holds results only: 51 N 5 E gets there by a conversion.
    TypeSource("51", "0", "0", "5", "0", "0");
    Click("transformButton");
    ASSERT_EQ(Text("destinationLatitude1"), QStringLiteral("051"));
    TypeSource("52", "00", "00.00", "4", "00", "00.00");
    boxes.Clear();
    std::map<std::string, QString> shown;
    CDialogScript script;
    script.Then("CDialogDistance", [&shown](QWidget* d) {
        for (const char* name : {"fromLatitude", "fromLongitude", "toLatitude", "toLongitude", "distance", "azimuth",
                                 "reverseAzimuth"})
            if (auto* label = d->findChild<QLabel*>(QLatin1String(name)))
                shown[name] = label->text();
        realdialog::Press(d, "closeButton");
    });
    distance->trigger();
    ASSERT_TRUE(script.Done());
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(shown["fromLatitude"], QString::fromUtf8("N 52\u00b000'00.00\""));
    EXPECT_EQ(shown["fromLongitude"], QString::fromUtf8("E 004\u00b000'00.00\""));
    EXPECT_EQ(shown["toLatitude"], QString::fromUtf8("N 51\u00b000'00.00\""));
    EXPECT_EQ(shown["toLongitude"], QString::fromUtf8("E 005\u00b000'00.00\""));
    // echo '52 4 51 5' | geod +ellps=WGS84 -I +units=m -f %.6f
    //   147.637752  -31.579602  131146.905   (back azimuth -31.58 = 328.42)
    EXPECT_EQ(shown["distance"], QStringLiteral("131.15 Kilometres"));
    EXPECT_EQ(shown["azimuth"], QString::fromUtf8("147.6\u00b0"));
    EXPECT_EQ(shown["reverseAzimuth"], QString::fromUtf8("328.4\u00b0"));
}

TEST_F(MainWindow, MapOfAGridSideGivesTheWgs84AddressOfThePoint)
{
    ChooseGrid("sourceGridSelect", kUtm31);
    Type("sourceLatitude1", QStringLiteral("5762926.813"));
    Type("sourceLongitude1", QStringLiteral("637294.366"));
    // echo '637294.366 5762926.813' | cs2cs -f %.8f +proj=utm +zone=31 +datum=WGS84 +to +proj=longlat +datum=WGS84
    //   5.00000000  52.00000000 0.00000000
    // The offscreen platform opens no browser, so the address comes in a box.
    Click("sourceMap");
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::string>{"No web browser could be opened. The map of this position is at:\n"
                                       "https://www.google.com/maps?q=52.000000,5.000000"});
    // The side itself is left as typed.
    EXPECT_EQ(Text("sourceLatitude1"), QStringLiteral("5762926.813"));
}

TEST_F(MainWindow, ConfigurationsGoThroughTheirFileDialogsWithTheGlxSuffix)
{
    ChooseDatum("sourceDatumSelect");
    ChooseGrid("destinationGridSelect");
    Click("sourceModeDegrees");
    // A minus sign with the letter of its own hemisphere says south twice.
    Type("sourceLatitude1", QStringLiteral("-33.25"));
    Type("sourceLatitudeHemisphere", QStringLiteral("s"));
    Type("sourceLongitude1", QStringLiteral("151.5"));
    Type("sourceAltitude", QStringLiteral("12"));

    realdialog::FileDialogSeen save;
    {
        CDialogScript script;
        script.Then("QFileDialog", realdialog::FillFileDialog(QString::fromStdString((home / "mine").string()), &save));
        MenuItem(QStringLiteral("&Save Configuration..."))->trigger();
        ASSERT_TRUE(script.Done());
    }
    EXPECT_EQ(save.mode, QFileDialog::AcceptSave);
    EXPECT_TRUE(save.nameFilters.contains(QStringLiteral("Configuration Files (*.glx)")));
    // A name typed without a suffix gets ".glx"; one with a suffix keeps it.
    ASSERT_TRUE(fs::exists(home / "mine.glx"));
    EXPECT_FALSE(fs::exists(home / "mine"));
    EXPECT_EQ(fs::file_size(home / "mine.glx"), 72u);
    {
        CDialogScript script;
        script.Then("QFileDialog", realdialog::FillFileDialog(QString::fromStdString((home / "two.glx").string())));
        MenuItem(QStringLiteral("&Save Configuration..."))->trigger();
    }
    EXPECT_TRUE(fs::exists(home / "two.glx"));
    EXPECT_FALSE(fs::exists(home / "two.glx.glx"));

    boxes.SetAnswer(true);
    Click("clearButton");
    ASSERT_EQ(Text("sourceDatumName"), QStringLiteral("No datum selected"));

    realdialog::FileDialogSeen load;
    {
        CDialogScript script;
        script.Then("QFileDialog",
                    realdialog::FillFileDialog(QString::fromStdString((home / "mine.glx").string()), &load));
        MenuItem(QStringLiteral("&Load Configuration..."))->trigger();
        ASSERT_TRUE(script.Done());
    }
    EXPECT_EQ(load.mode, QFileDialog::AcceptOpen);
    EXPECT_EQ(load.fileMode, QFileDialog::ExistingFile);
    // It opens in the folder last used.
    EXPECT_EQ(fs::path(load.directory.toStdString()), fs::canonical(home));
    EXPECT_EQ(Text("sourceLatitude1"), QStringLiteral("33.250000"));
    EXPECT_EQ(Text("sourceLatitudeHemisphere"), QStringLiteral("S"));
    EXPECT_EQ(Text("sourceLongitude1"), QStringLiteral("151.500000"));
    EXPECT_EQ(Text("sourceAltitude"), QStringLiteral("12.00"));
    EXPECT_EQ(Text("sourceDatumName"), QStringLiteral("WGS 84"));
    EXPECT_EQ(Text("destinationGridName"), QStringLiteral("WGS 84 / UTM zone 31N"));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Are you sure you want to reset all fields?"});

    // Cancel loads nothing.
    Type("sourceLatitude1", QStringLiteral("10"));
    {
        CDialogScript script;
        script.Then("QFileDialog", realdialog::FillFileDialog(QString()));
        MenuItem(QStringLiteral("&Load Configuration..."))->trigger();
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(Text("sourceLatitude1"), QStringLiteral("10"));
}

TEST_F(MainWindow, EscapeAndTheCloseBoxKeepTheStateForTheNextStart)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ChooseDatum("sourceDatumSelect");
    Click("sourceModeDegrees");
    Type("sourceLatitude1", QStringLiteral("48.5"));
    QTest::keyClick(Find<QLineEdit>("sourceLatitude1"), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    ASSERT_TRUE(fs::exists(configuration));

    Open();
    EXPECT_EQ(Text("sourceLatitude1"), QStringLiteral("48.500000"));
    EXPECT_EQ(Text("sourceDatumName"), QStringLiteral("WGS 84"));

    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    Type("sourceLatitude1", QStringLiteral("47.25"));
    EXPECT_TRUE(window->close());
    Open();
    EXPECT_EQ(Text("sourceLatitude1"), QStringLiteral("47.250000"));
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(MainWindow, SelectDialogsAcceptedWithOkSetTheSide)
{
    ChooseGrid("sourceGridSelect", 27700);
    EXPECT_EQ(Text("sourceGridName"), QStringLiteral("OSGB36 / British National Grid"));
    EXPECT_EQ(window->SideState(CGeolynxDlg::Source).gridId, 27700);
    // The grid brings its own datum.
    EXPECT_EQ(window->SideState(CGeolynxDlg::Source).datumId, 4277);
    EXPECT_EQ(Text("sourceDatumName"), QStringLiteral("OSGB36"));
    EXPECT_EQ(Label("sourceLatitudeLabel"), QStringLiteral("Northing:"));

    ChooseDatum("destinationDatumSelect", 4258);
    EXPECT_EQ(window->SideState(CGeolynxDlg::Destination).datumId, 4258);
    EXPECT_EQ(Text("destinationDatumName"), QStringLiteral("ETRS89"));
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(MainWindow, EnterInAFieldTransforms)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ChooseDatum("sourceDatumSelect");
    ChooseGrid("destinationGridSelect");
    TypeSource("52", "00", "00.00", "5", "00", "00.00");
    QLineEdit* field = Find<QLineEdit>("sourceLongitude3");
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    // cs2cs +proj=longlat +datum=WGS84 +to +proj=utm +zone=31 +datum=WGS84: 637294.366 5762926.813.
    EXPECT_EQ(Text("destinationLongitude1"), QStringLiteral("637294.366"));
    EXPECT_EQ(Text("destinationLatitude1"), QStringLiteral("5762926.813"));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindow, AboutBoxShowsTheVersionAndClosesWithOk)
{
    QString title;
    QString version;
    QString group;
    CDialogScript script;
    script.Then("CDialogAbout", [&](QWidget* d) {
        title = d->windowTitle();
        if (auto* label = d->findChild<QLabel*>(QStringLiteral("versionText")))
            version = label->text();
        if (auto* box = d->findChild<QGroupBox*>(QStringLiteral("versionGroup")))
            group = box->title();
        realdialog::Press(d, "okButton");
    });
    MenuItem(QStringLiteral("&About..."))->trigger();
    ASSERT_TRUE(script.Done());
    EXPECT_EQ(title, QStringLiteral("About Veltrix Geolynx"));
    EXPECT_EQ(group, QStringLiteral("Version Info"));
    // The project's version, as CMakeLists.txt declares it.
    EXPECT_EQ(version, QStringLiteral("Veltrix Geolynx 3.2.12.208"));
}

} // namespace
