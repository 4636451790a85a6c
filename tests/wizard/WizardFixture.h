#pragma once

// The batch wizard driven as a user would, on the offscreen platform, against
// the shipped catalogue copied into a private user folder. The wizard's own
// selection dialogs, file dialogs and message boxes open for real and are
// answered with the mouse.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTreeWidget>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BatchMessages.h"
#include "BatchRunControl.h"
#include "GeolynxApp.h"
#include "RealDialogs.h"
#include "ScratchFolder.h"
#include "WzdStartPage.h"
#include "WzdSheet.h"

// QStrings in failure messages as text.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace wizardtest {

namespace fs = std::filesystem;

// Catalogue identifiers of the systems the tests use.
constexpr int kWgs84 = 4326;
constexpr int kUtm31 = 32631;

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

struct Planar
{
    double easting;
    double northing;
};

// PROJ's cs2cs over the given input lines, "-f %.4f" and the given
// arguments; the first two numbers of each output line.
inline std::vector<Planar> RunCs2cs(const std::string& arguments, const std::vector<std::string>& lines)
{
    const std::string input = (fs::temp_directory_path() / ("geolynx-cs2cs-" + std::to_string(::getpid()))).string();
    {
        std::ofstream out(input);
        for (const std::string& line : lines)
            out << line << "\n";
    }
    std::vector<Planar> out;
    const std::string command = "cs2cs -f %.4f " + arguments + " < " + input;
    if (FILE* pipe = ::popen(command.c_str(), "r"))
    {
        Planar p{};
        double height = 0;
        while (std::fscanf(pipe, "%lf %lf %lf", &p.easting, &p.northing, &height) == 3)
            out.push_back(p);
        ::pclose(pipe);
    }
    fs::remove(input);
    return out;
}

// cs2cs's heights for "lon lat h" lines, given in the authority's order.
inline std::vector<double> Cs2csHeights(const std::string& systems, const std::vector<std::string>& lines)
{
    std::string input;
    for (const std::string& line : lines)
    {
        std::istringstream in(line);
        std::string lon, lat, h;
        in >> lon >> lat >> h;
        input += lat + " " + lon + " " + h + "\\n";
    }
    std::vector<double> heights;
    const std::string command = "printf '" + input + "' | cs2cs -f %.6f " + systems;
    if (FILE* pipe = ::popen(command.c_str(), "r"))
    {
        double lat = 0, lon = 0, h = 0;
        while (std::fscanf(pipe, "%lf %lf %lf", &lat, &lon, &h) == 3)
            heights.push_back(h);
        ::pclose(pipe);
    }
    return heights;
}

class WizardTest : public testing::Test
{
protected:
    void TearDown() override { sheet.reset(); }

    // Opens the wizard with the main window's four identifiers.
    void Open(int sourceGrid = 0, int destinationGrid = 0, int sourceDatum = 0, int destinationDatum = 0)
    {
        sheet = std::make_unique<CWzdSheet>(app, sourceGrid, destinationGrid, sourceDatum, destinationDatum);
        sheet->show();
    }

    std::string Path(const std::string& name) const { return (home / name).string(); }

    template <class T>
    T* Find(const char* name) const
    {
        T* widget = sheet->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString Text(const char* name) const { return Find<QLineEdit>(name)->text(); }
    QString Label(const char* name) const { return Find<QLabel>(name)->text(); }
    void Click(const char* name) const
    {
        QAbstractButton* button = Find<QAbstractButton>(name);
        // Check boxes and radio buttons answer on their indicator and text,
        // not across the whole width a layout gives them.
        if (qobject_cast<QCheckBox*>(button) != nullptr || qobject_cast<QRadioButton*>(button) != nullptr)
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
        else
            QTest::mouseClick(button, Qt::LeftButton);
    }
    void Choose(const char* list, const QString& entry) const
    {
        QComboBox* combo = Find<QComboBox>(list);
        const int index = combo->findText(entry);
        ASSERT_GE(index, 0) << entry.toStdString() << " in " << list;
        combo->setCurrentIndex(index);
    }
    QStringList Entries(const char* list) const
    {
        QStringList entries;
        QComboBox* combo = Find<QComboBox>(list);
        for (int i = 0; i < combo->count(); ++i)
            entries << combo->itemText(i);
        return entries;
    }
    // Chooses a file through a Browse button and its real file dialog, and
    // keeps what the dialog offered.
    void Browse(const char* button, const std::string& path)
    {
        realdialog::FileDialogSeen seen;
        CDialogScript script;
        script.Then("QFileDialog", realdialog::FillFileDialog(QString::fromStdString(path), &seen));
        Click(button);
        EXPECT_TRUE(script.Done()) << button << " opened no file dialog";
        requests.push_back(seen);
    }
    // A Select button of a coordinate system page, answered in the
    // catalogue's own dialog with a row and OK.
    void ChooseDatum(const char* button, int datum)
    {
        CDialogScript script;
        script.Then("CDialogSelectDatum", realdialog::PickRow(datum));
        Click(button);
        EXPECT_TRUE(script.Done()) << button;
    }
    void ChooseGrid(const char* button, int grid)
    {
        CDialogScript script;
        script.Then("CDialogSelectGrid", realdialog::PickRow(grid));
        Click(button);
        EXPECT_TRUE(script.Done()) << button;
    }
    // The texts of the program's messages, as its message table gives them;
    // the text-file messages keep theirs beside their numbers.
    static std::vector<std::string> MessageTexts(std::initializer_list<int> ids)
    {
        std::vector<std::string> texts;
        for (int id : ids)
        {
            switch (id)
            {
            case IDS_BATCH_SEPARATOR_UNCLEAR:
                texts.emplace_back(kBatchSeparatorUnclearText);
                break;
            case IDS_BATCH_COLUMNS_UNUSABLE:
                texts.emplace_back(kBatchColumnsUnusableText);
                break;
            case IDS_BATCH_ASK_REPLACE:
                texts.emplace_back(kBatchAskReplaceText);
                break;
            default:
                texts.push_back(LoadMessage(id));
            }
            EXPECT_FALSE(texts.back().empty()) << "no text for message " << id;
        }
        return texts;
    }

    QAbstractButton* Button(QWizard::WizardButton which) const { return sheet->button(which); }
    bool Shown(QWizard::WizardButton which) const
    {
        return Button(which)->isVisible() && Button(which)->isEnabled();
    }
    void Next() const { QTest::mouseClick(Button(QWizard::NextButton), Qt::LeftButton); }
    void Back() const { QTest::mouseClick(Button(QWizard::BackButton), Qt::LeftButton); }
    void Finish() const { QTest::mouseClick(Button(QWizard::FinishButton), Qt::LeftButton); }
    int Page() const { return sheet->currentId(); }

    QString Status() const { return Label("statusText"); }
    int Progress() const { return Find<QProgressBar>("progressBar")->value(); }
    bool CancelEnabled() const { return Find<QPushButton>("cancelButton")->isEnabled(); }
    // Lets the window's thread handle the worker's notices until the run
    // has ended.
    bool WaitForEnd(int timeout = 60000) const
    {
        return QTest::qWaitFor(
            [this] {
                if (sheet->StartPage().RunControl().Running() != 0)
                    return false;
                const QString status = Status();
                return status.startsWith(QLatin1String("Conversion completed")) ||
                       status.startsWith(QLatin1String("Conversion aborted")) ||
                       status.startsWith(QLatin1String("Conversion failed"));
            },
            timeout);
    }

    // From the preview page: the run, to its completed end.
    void RunToCompletion()
    {
        Next();
        Finish();
        ASSERT_TRUE(WaitForEnd());
        EXPECT_TRUE(Status().startsWith("Conversion completed")) << Status().toStdString();
    }

    // From the type page over the file page, with a file chosen on each side
    // through the Browse buttons; ends on the source system page.
    void ThroughFilePage(const char* typeRadio, const std::string& source, const std::string& destination)
    {
        Open();
        Click(typeRadio);
        Next();
        Browse("sourceBrowse", source);
        Browse("destinationBrowse", destination);
        Next();
    }

    // The coordinate system pages: the source on WGS 84 degrees, the
    // destination on UTM zone 31N, each side's heights above these geoid
    // models (0: the ellipsoid), which every conversion type offers.
    void ChooseSystems(int sourceGeoid = 0, int destinationGeoid = 0)
    {
        ASSERT_EQ(Page(), CWzdSheet::PageSource);
        ChooseDatum("sourceDatumSelect", kWgs84);
        auto* heights = Find<QComboBox>("sourceHeightList");
        heights->setCurrentIndex(heights->findData(sourceGeoid));
        Next();
        ASSERT_EQ(Page(), CWzdSheet::PageDestination);
        ChooseGrid("destinationGridSelect", kUtm31);
        heights = Find<QComboBox>("destinationHeightList");
        heights->setCurrentIndex(heights->findData(destinationGeoid));
        EXPECT_TRUE(heights->isEnabled());
        Next();
    }

    CScratchFolder scratch;
    fs::path home{scratch.Path()};
    CMessageBoxLog boxes;
    CGeolynxApp app;
    std::unique_ptr<CWzdSheet> sheet;
    std::vector<realdialog::FileDialogSeen> requests;
};

} // namespace wizardtest
