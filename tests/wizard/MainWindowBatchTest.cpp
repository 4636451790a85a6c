// The main window's Batch... button and Batch Conversion... menu item open
// the wizard modally with the window's four identifiers.
#include "WizardFixture.h"

#include <QAction>
#include <QTimer>

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
    window.chooseGrid = [](int& grid, int& datum) {
        grid = kUtm31;
        datum = kWgs84;
        return true;
    };
    window.chooseDatum = [](int& datum) {
        datum = kWgs84;
        return true;
    };
    window.show();
    QTest::mouseClick(window.findChild<QPushButton*>("sourceDatumSelect"), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QPushButton*>("destinationGridSelect"), Qt::LeftButton);

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
    EXPECT_TRUE(messages.Shown().empty());
    window.close();
}

} // namespace
