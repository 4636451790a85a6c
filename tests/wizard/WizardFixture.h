#pragma once

// The batch wizard driven as a user would, on the offscreen platform, against
// the shipped catalogue copied into a private user folder. Selection and file
// dialogs are replaced by choosers that hand back what a test set.

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
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BatchRunControl.h"
#include "GeolynxApp.h"
#include "MessageRecorder.h"
#include "ScratchFolder.h"
#include "WzdPage10.h"
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

// A recorder that also notes whether each message was shown on the window's
// thread.
class CThreadRecorder : public CMessageRecorder
{
public:
    void Show(int id, const std::string& text) override
    {
        {
            std::lock_guard<std::mutex> guard(threadLock);
            onWindowThread.push_back(QThread::currentThread() == QCoreApplication::instance()->thread());
        }
        CMessageRecorder::Show(id, text);
    }
    std::vector<bool> OnWindowThread() const
    {
        std::lock_guard<std::mutex> guard(threadLock);
        return onWindowThread;
    }

private:
    mutable std::mutex threadLock;
    std::vector<bool> onWindowThread;
};

struct FileRequest
{
    QString filter;
    QString extension;
    bool save = false;
};

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

class WizardTest : public testing::Test
{
protected:
    void TearDown() override { sheet.reset(); }

    // Opens the wizard with the main window's four identifiers.
    void Open(int sourceGrid = 0, int destinationGrid = 0, int sourceDatum = 0, int destinationDatum = 0)
    {
        sheet = std::make_unique<CWzdSheet>(app, sourceGrid, destinationGrid, sourceDatum, destinationDatum);
        sheet->chooseGrid = [this](int& grid, int& datum) {
            grid = nextGrid;
            datum = nextGridDatum;
            return nextGrid != 0;
        };
        sheet->chooseDatum = [this](int& datum) {
            datum = nextDatum;
            return nextDatum != 0;
        };
        sheet->chooseFile = [this](const QString& filter, const QString& extension, bool save, const QString&) {
            requests.push_back({filter, extension, save});
            if (files.empty())
                return QString();
            const QString path = files.front();
            files.pop_front();
            return path;
        };
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
    // Chooses a file through a Browse button.
    void Browse(const char* button, const std::string& path)
    {
        files.push_back(QString::fromStdString(path));
        Click(button);
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

    // The coordinate system pages: the source on WGS 84 degrees, the
    // destination on UTM zone 31N.
    void ChooseSystems()
    {
        ASSERT_EQ(Page(), CWzdSheet::PageSource);
        nextDatum = kWgs84;
        Click("sourceDatumSelect");
        Next();
        ASSERT_EQ(Page(), CWzdSheet::PageDestination);
        nextGrid = kUtm31;
        nextGridDatum = kWgs84;
        Click("destinationGridSelect");
        Next();
    }

    CScratchFolder scratch;
    fs::path home{scratch.Path()};
    CThreadRecorder messages;
    CGeolynxApp app;
    std::unique_ptr<CWzdSheet> sheet;
    int nextGrid = 0;
    int nextGridDatum = 0;
    int nextDatum = 0;
    std::deque<QString> files;
    std::vector<FileRequest> requests;
};

} // namespace wizardtest
