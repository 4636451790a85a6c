// The main window's Batch... button and Batch Conversion... menu item open
// the wizard modally with the window's four identifiers.
#include "WizardFixture.h"

#include <QAction>
#include <QTimer>
#include <tuple>

#include "DialogSelectDatum.h"
#include "DialogSelectGrid.h"
#include "GeolynxDlg.h"

namespace {

using namespace wizardtest;

using MainWindowBatch = WizardTest;

// Waits, inside the wizard's own modal loop, for it to show; notes its
// settings and closes it.
struct WizardSeen
{
    bool seen = false;
    bool modal = false;
    QString title;
    BatchSettings settings;
};

void WatchForWizard(WizardSeen& seen)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, &seen] {
        for (QWidget* widget : QApplication::topLevelWidgets())
        {
            auto* wizard = qobject_cast<CWzdSheet*>(widget);
            if (wizard == nullptr || !wizard->isVisible())
                continue;
            seen.seen = true;
            seen.modal = QApplication::activeModalWidget() == wizard;
            seen.title = wizard->windowTitle();
            seen.settings = wizard->settings;
            wizard->reject();
            timer->deleteLater();
            return;
        }
    });
    timer->start(10);
}

TEST_F(MainWindowBatch, ButtonAndMenuItemOpenTheWizardWithTheWindowsIdentifiers)
{
    CGeolynxDlg window(app, std::string());
    window.show();
    for (const auto& [button, dialog, id] : {std::tuple{"sourceDatumSelect", "CDialogSelectDatum", kWgs84},
                                             std::tuple{"destinationGridSelect", "CDialogSelectGrid", kUtm31}})
    {
        CDialogScript script;
        script.Then(dialog, realdialog::PickRow(id));
        QTest::mouseClick(window.findChild<QPushButton*>(button), Qt::LeftButton);
        EXPECT_TRUE(script.Done()) << button;
    }

    auto* button = window.findChild<QPushButton*>("batchButton");
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isEnabled());
    WizardSeen seen;
    WatchForWizard(seen);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(seen.seen);
    EXPECT_TRUE(seen.modal);
    EXPECT_EQ(seen.title, "Batch Conversion Wizard");
    EXPECT_EQ(seen.settings.sourceGrid, 0);
    EXPECT_EQ(seen.settings.sourceDatum, kWgs84);
    EXPECT_EQ(seen.settings.destinationGrid, kUtm31);
    EXPECT_EQ(seen.settings.destinationDatum, kWgs84);

    QAction* item = nullptr;
    for (QAction* action : window.findChildren<QAction*>())
        if (action->text() == "Batch Conversion...")
            item = action;
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isEnabled());
    // Swapped sides come in swapped.
    QTest::mouseClick(window.findChild<QPushButton*>("swapButton"), Qt::LeftButton);
    WizardSeen again;
    WatchForWizard(again);
    item->trigger();
    ASSERT_TRUE(again.seen);
    EXPECT_EQ(again.settings.sourceGrid, kUtm31);
    EXPECT_EQ(again.settings.sourceDatum, kWgs84);
    EXPECT_EQ(again.settings.destinationGrid, 0);
    EXPECT_EQ(again.settings.destinationDatum, kWgs84);
    EXPECT_TRUE(boxes.Texts().empty());
    window.close();
}

// Accepts the first visible dialog of type T as it stands, noting the
// identifier it was opened with.
template <class T, class Read>
void AcceptWhenShown(int& preselected, Read read)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, &preselected, read] {
        for (QWidget* widget : QApplication::topLevelWidgets())
        {
            auto* dialog = qobject_cast<T*>(widget);
            if (dialog == nullptr || !dialog->isVisible())
                continue;
            preselected = read(*dialog);
            dialog->accept();
            timer->deleteLater();
            return;
        }
    });
    timer->start(10);
}

TEST_F(MainWindowBatch, SystemPagesChooseThroughTheCatalogueDialogs)
{
    const std::string source = Path("points.csv");
    WriteFile(source, "5,52\n");
    sheet = std::make_unique<CWzdSheet>(app, kUtm31, 0, kWgs84, 0);
    sheet->show();
    Next();
    Browse("sourceBrowse", source);
    Browse("destinationBrowse", Path("out.csv"));
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageSource);

    // The grid dialog opens on the current grid; confirmed, the grid and its
    // datum are stored.
    int preselected = -1;
    AcceptWhenShown<CDialogSelectGrid>(preselected, [](CDialogSelectGrid& d) { return d.SelectedGridId; });
    Click("sourceGridSelect");
    EXPECT_EQ(preselected, kUtm31);
    EXPECT_EQ(sheet->settings.sourceGrid, kUtm31);
    EXPECT_EQ(sheet->settings.sourceDatum, kWgs84);

    // The datum dialog likewise; a datum clears the grid.
    preselected = -1;
    AcceptWhenShown<CDialogSelectDatum>(preselected, [](CDialogSelectDatum& d) { return d.SelectedDatumId; });
    Click("sourceDatumSelect");
    EXPECT_EQ(preselected, kWgs84);
    EXPECT_EQ(sheet->settings.sourceGrid, 0);
    EXPECT_EQ(sheet->settings.sourceDatum, kWgs84);
    EXPECT_EQ(Text("sourceGridName"), "Geographic ( Longitude / Latitude )");
    EXPECT_EQ(Text("sourceDatumName"), "WGS 84");
    EXPECT_TRUE(boxes.Texts().empty());
}

} // namespace
