// The main window driven as a user would, on the offscreen platform, against
// the shipped catalogue copied into a private user folder.
#include <QMenu>

#include "MainWindowFixture.h"

namespace {

using namespace mainwindowtest;

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
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(MainWindow, TransformsToAUtmGridAndBack)
{
    ChooseDatum("sourceDatumSelect");
    EXPECT_EQ(Text("sourceDatumName"), "WGS 84");
    ChooseGrid("destinationGridSelect");
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
    EXPECT_TRUE(boxes.Texts().empty());
    // echo 5 52 | cs2cs -f %.4f +proj=longlat +datum=WGS84 +to +proj=utm +zone=31 +datum=WGS84
    //   637294.3659  5762926.8129 0.0000
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
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{LoadMessage(IDS_NO_SOURCE_DATUM)});
    EXPECT_EQ(Text("destinationLatitude1"), "000");

    ChooseDatum("sourceDatumSelect");
    boxes.Clear();
    Click("transformButton");
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{LoadMessage(IDS_NO_DESTINATION_DATUM)});
    // The destination is put back to zero: nothing it showed belongs to the source now.
    EXPECT_EQ(Text("destinationLatitude1"), "000");
    EXPECT_EQ(Text("destinationAltitude"), "00.00");

    // The map of a side without datum says so too and opens nothing.
    boxes.Clear();
    Click("destinationMap");
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{LoadMessage(IDS_NO_DESTINATION_DATUM)});
    // The offscreen platform opens no browser, so the address is shown.
    boxes.Clear();
    Click("sourceMap");
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{MessageWith(IDS_MAP_NOT_OPENED,
                                                                  "The map of this position is at:\n"
                                                                  "https://www.google.com/maps?q=10.000000,20.000000")});
}

TEST_F(MainWindow, SwapTwiceRestoresBothSides)
{
    ChooseDatum("sourceDatumSelect");
    ChooseGrid("destinationGridSelect");
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
    ChooseDatum("sourceDatumSelect");
    ChooseGrid("destinationGridSelect");
    TypeSource("48", "51", "24", "2", "21", "3");

    boxes.SetAnswer(false);
    Click("clearButton");
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], "Are you sure you want to reset all fields?");
    EXPECT_EQ(boxes.Buttons()[0], QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(Text("sourceLatitude1"), "48");
    EXPECT_EQ(Text("destinationGridName"), "WGS 84 / UTM zone 31N");

    boxes.SetAnswer(true);
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
    ChooseGrid("sourceGridSelect");
    Type("sourceLatitude1", "5762926.813");
    // Another grid keeps the numbers of a side already in grid form.
    ChooseGrid("sourceGridSelect", kUtm32);
    EXPECT_EQ(Text("sourceGridName"), "WGS 84 / UTM zone 32N");
    EXPECT_EQ(Text("sourceLatitude1"), "5762926.813");
    ChooseDatum("sourceDatumSelect");
    EXPECT_EQ(Text("sourceGridName"), "Geographic ( Longitude / Latitude )");
    EXPECT_EQ(Text("sourceLatitude1"), "000");
    EXPECT_EQ(Label("sourceLatitudeLabel"), "Latitude:");
}

TEST_F(MainWindow, TheStateSurvivesARestart)
{
    ChooseDatum("sourceDatumSelect");
    ChooseGrid("destinationGridSelect");
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
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{LoadMessage(IDS_CONFIGURATION_OPEN_FAILED)});
    // A save that cannot be written says so.
    boxes.Clear();
    window->SaveConfiguration((home / "no" / "such" / "folder.glx").string());
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{LoadMessage(IDS_CONFIGURATION_SAVE_FAILED)});
}

} // namespace

namespace {

TEST_F(MainWindow, RendersAfterAConversion)
{
    ChooseDatum("sourceDatumSelect");
    ChooseGrid("destinationGridSelect");
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

namespace {

TEST_F(MainWindow, SelectButtonsAndManageItemsOpenTheCatalogueDialogs)
{
    CGeolynxDlg plain(app, std::string());
    std::vector<QString> opened;
    auto expectDialog = [&opened](const std::function<void()>& command) {
        auto name = std::make_shared<QString>();
        QTimer::singleShot(0, [name] {
            if (QWidget* modal = QApplication::activeModalWidget())
            {
                *name = QString::fromLatin1(modal->metaObject()->className());
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->reject();
            }
        });
        command();
        opened.push_back(*name);
    };
    expectDialog([&] { plain.SelectGrid(CGeolynxDlg::Source); });
    expectDialog([&] { plain.SelectDatum(CGeolynxDlg::Destination); });
    for (const char* item : {"Manage Grids...", "Manage Datums...", "Manage Ellipsoids...", "Manage Countries..."})
    {
        QAction* action = nullptr;
        for (QAction* a : plain.findChildren<QAction*>())
            if (a->text() == QString::fromLatin1(item))
                action = a;
        ASSERT_NE(action, nullptr) << item;
        expectDialog([action] { action->trigger(); });
    }
    EXPECT_EQ(opened, (std::vector<QString>{"CDialogSelectGrid", "CDialogSelectDatum", "CDialogSelectGrid",
                                            "CDialogSelectDatum", "CDialogSelectEllipsoid", "CDialogSelectCountry"}));
    // Cancelled choices change nothing.
    EXPECT_EQ(plain.SideState(CGeolynxDlg::Source).gridId, 0);
    EXPECT_EQ(plain.SideState(CGeolynxDlg::Destination).datumId, 0);
}

} // namespace

namespace {

// Opens a recent systems' drop-down as a click does: its entries, after
// taking the one at index (none when index is -1).
QStringList PickRecent(QAbstractButton* button, int index)
{
    QStringList texts;
    QTimer::singleShot(0, [&texts, index] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        for (QAction* a : menu->actions())
            texts << a->text();
        if (index >= 0 && index < menu->actions().size())
            menu->actions()[index]->trigger();
        menu->close();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    return texts;
}

QStringList UtmZones(std::initializer_list<int> zones)
{
    QStringList names;
    for (int zone : zones)
        names << QStringLiteral("WGS 84 / UTM zone %1N").arg(zone);
    return names;
}

} // namespace

TEST_F(MainWindow, RecentSystemsAreOneClickAwayOnEitherSideAndKeptAcrossStarts)
{
    // Left by earlier runs: a grid since deleted, eleven UTM zones, lines that are no entries.
    {
        std::ofstream file(home / "recent-systems.txt");
        file << "grid 999999\nnonsense\ngrid -5\ndatum 4258 extra\ndatum 4258\n";
        for (int zone = 1; zone <= 11; ++zone)
            file << "grid " << 32600 + zone << "\n";
    }
    Open();
    auto* sourceGrids = Find<QAbstractButton>("sourceGridRecent");
    EXPECT_EQ(PickRecent(sourceGrids, -1), UtmZones({1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(PickRecent(Find<QAbstractButton>("destinationGridRecent"), 2), UtmZones({1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(Text("destinationGridName"), QStringLiteral("WGS 84 / UTM zone 3N"));
    EXPECT_EQ(Label("destinationLatitudeLabel"), QStringLiteral("Northing:"));
    EXPECT_EQ(PickRecent(Find<QAbstractButton>("sourceDatumRecent"), 0), QStringList{QStringLiteral("ETRS89")});
    EXPECT_EQ(Text("sourceDatumName"), QStringLiteral("ETRS89"));
    // A Select dialog's choice comes first; the eleventh is dropped.
    ChooseGrid("sourceGridSelect", 27700);
    const QStringList expected = QStringList{QStringLiteral("OSGB36 / British National Grid")} +
                                 UtmZones({3, 1, 2, 4, 5, 6, 7, 8});
    EXPECT_EQ(PickRecent(sourceGrids, -1), expected);

    // The next start offers the same; the configuration keeps its 72 bytes.
    window->accept();
    EXPECT_EQ(fs::file_size(configuration), 72u);
    Open();
    EXPECT_EQ(PickRecent(Find<QAbstractButton>("destinationGridRecent"), -1), expected);
    EXPECT_EQ(Text("destinationGridName"), QStringLiteral("WGS 84 / UTM zone 3N"));
    EXPECT_EQ(PickRecent(Find<QAbstractButton>("destinationDatumRecent"), -1),
              QStringList{QStringLiteral("ETRS89")});
}
