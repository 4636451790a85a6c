#pragma once

// The main window driven as a user would, on the offscreen platform, against
// the shipped catalogue in a private home folder: the program's own message
// boxes, selection dialogs and file dialogs are opened for real and answered
// with the mouse.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "GeolynxApp.h"
#include "GeolynxDlg.h"
#include "RealDialogs.h"
#include "ScratchFolder.h"

namespace mainwindowtest {

namespace fs = std::filesystem;

// Catalogue identifiers of the systems the tests use.
constexpr int kWgs84 = 4326;
constexpr int kUtm31 = 32631;
constexpr int kUtm32 = 32632;

class QtEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QApplication>(argc, argv);
        QApplication::setOrganizationName(QStringLiteral("Veltrix"));
        QApplication::setApplicationName(QStringLiteral("Veltrix Geolynx"));
    }
    void TearDown() override { application.reset(); }

private:
    std::unique_ptr<QApplication> application;
};

inline const auto* const qtEnvironment = testing::AddGlobalTestEnvironment(new QtEnvironment);

class MainWindow : public testing::Test
{
protected:
    void SetUp() override
    {
        home = scratch.Path();
        configuration = (home / "current.glx").string();
        Open();
    }

    void TearDown() override { window.reset(); }

    void Open() { window = std::make_unique<CGeolynxDlg>(app, configuration); }

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

    // A Select button whose catalogue dialog is answered with a row and OK.
    void Choose(const char* button, const char* dialog, int id)
    {
        CDialogScript script;
        script.Then(dialog, realdialog::PickRow(id));
        Click(button);
        EXPECT_TRUE(script.Done()) << button << " opened no " << dialog;
    }
    void ChooseDatum(const char* button, int datum = kWgs84) { Choose(button, "CDialogSelectDatum", datum); }
    void ChooseGrid(const char* button, int grid = kUtm31) { Choose(button, "CDialogSelectGrid", grid); }

    // A menu item by its text, as the menu shows it.
    QAction* MenuItem(const QString& text) const
    {
        for (QAction* a : window->findChildren<QAction*>())
            if (a->text() == text)
                return a;
        ADD_FAILURE() << "no menu item " << text.toStdString();
        return nullptr;
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

    CScratchFolder scratch;
    fs::path home;
    std::string configuration;
    CGeolynxApp app;
    CMessageBoxLog boxes;
    std::unique_ptr<CGeolynxDlg> window;
};

} // namespace mainwindowtest
