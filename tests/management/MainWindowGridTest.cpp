#include <QRadioButton>

#include "GeolynxApp.h"
#include "GeolynxDlg.h"
#include "ManagementFixture.h"

namespace {

using MainWindowGridTest = ManagementTest;

// A grid the user adds in the grid dialog opened from the window's Select
// button is the window's destination at once and converts there.
TEST_F(MainWindowGridTest, GridAddedInTheDialogConvertsInTheWindow)
{
    CGeolynxApp app;
    CGeolynxDlg window(app, (folder / "current.glx").string());
    // The grid dialog opened from the window's Select button: a new grid,
    // its datum and country chosen in their own dialogs, saved, then chosen.
    auto addGrid = [this](QWidget* dialog) {
        Click(dialog, "addButton");
        ClickThrough(dialog, "datumSelectButton", "CDialogSelectDatum", realdialog::PickRow(4326));
        ClickThrough(dialog, "countrySelectButton", "CDialogSelectCountry", realdialog::PickRow(250));
        Type(dialog, "gridName", QStringLiteral("My UTM 31"));
        Type(dialog, "falseEasting", QStringLiteral("500000"));
        Type(dialog, "longitude", QStringLiteral("3"));
        Type(dialog, "scaleFactor", QStringLiteral("0.9996"));
        Click(dialog, "okButton"); // saves
        Click(dialog, "okButton"); // chooses
    };
    ClickThrough(&window, "sourceDatumSelect", "CDialogSelectDatum", realdialog::PickRow(4326));
    ClickThrough(&window, "destinationGridSelect", "CDialogSelectGrid", addGrid);
    EXPECT_EQ(Text(&window, "destinationGridName"), QStringLiteral("My UTM 31"));
    EXPECT_EQ(window.SideState(CGeolynxDlg::Destination).gridId, 50001);

    const std::pair<const char*, const char*> source[] = {
        {"sourceLatitude1", "52"},  {"sourceLatitude2", "00"},  {"sourceLatitude3", "00.00"},
        {"sourceLongitude1", "5"}, {"sourceLongitude2", "00"}, {"sourceLongitude3", "00.00"}};
    for (const auto& [field, text] : source)
    {
        Find<QLineEdit>(&window, field)->clear();
        QTest::keyClicks(Find<QLineEdit>(&window, field), QString::fromLatin1(text));
    }
    Click(&window, "transformButton");
    EXPECT_TRUE(boxes.Texts().empty());
    // cs2cs +proj=longlat +datum=WGS84 +to +proj=utm +zone=31 +datum=WGS84: 637294.366 5762926.813.
    EXPECT_EQ(Text(&window, "destinationLongitude1"), QStringLiteral("637294.366"));
    EXPECT_EQ(Text(&window, "destinationLatitude1"), QStringLiteral("5762926.813"));
}

} // namespace
