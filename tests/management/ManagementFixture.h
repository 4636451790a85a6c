#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QListView>
#include <QTreeView>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "RealDialogs.h"

// One folder for the whole test program stands in for the user's home, set
// before the application object exists (the profile fixes its folder on
// first use); every test then gets its own copy of the shipped catalogue and
// its own program root with an empty Data folder.
class CQtEnvironment : public ::testing::Environment
{
public:
    static std::filesystem::path Root()
    {
        static const std::filesystem::path root =
            std::filesystem::temp_directory_path() / ("geolynx-management-" + std::to_string(::getpid()));
        return root;
    }

    void SetUp() override
    {
        std::filesystem::remove_all(Root());
        std::filesystem::create_directories(Root() / "etc");
        ::setenv("HOME", Root().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (Root() / "config").c_str(), 1);
        ::setenv("XDG_CONFIG_DIRS", (Root() / "etc").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (Root() / "data").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (Root() / "state").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "management_tests";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QApplication>(argc, argv);
        QApplication::setOrganizationName(QStringLiteral("Veltrix"));
        QApplication::setApplicationName(QStringLiteral("Veltrix Geolynx"));
    }

    void TearDown() override
    {
        application.reset();
        std::error_code ignored;
        std::filesystem::remove_all(Root(), ignored);
    }

private:
    std::unique_ptr<QApplication> application;
};

inline ::testing::Environment* const qtEnvironment = ::testing::AddGlobalTestEnvironment(new CQtEnvironment);

class ManagementTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = CQtEnvironment::Root() / (std::string(info->test_suite_name()) + "." + info->name());
        std::filesystem::remove_all(folder);
        programRoot = folder / "root";
        std::filesystem::create_directories(programRoot / "Data");
        std::filesystem::create_directory_symlink(std::filesystem::path(GEOLYNX_PROGRAM_ROOT) / "Flags",
                                                  programRoot / "Flags");
        catalogueFile = (folder / "catalogue.db").string();
        std::filesystem::copy_file(std::filesystem::path(GEOLYNX_PROGRAM_ROOT) / "catalogue.db", catalogueFile);
        std::filesystem::permissions(catalogueFile, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
        std::filesystem::create_directories(CQtEnvironment::Root() / "config" / "Veltrix");
        std::ofstream out(CQtEnvironment::Root() / "config" / "Veltrix" / "Geolynx.conf");
        out << "ConnectionString = Provider=SQLite;Data Source=" << catalogueFile << ";\n";
        out << "ProgramRoot = " << programRoot.string() << "\n";
        out.close();
        QSettings(QStringLiteral("Veltrix"), QStringLiteral("Veltrix Geolynx")).clear();
    }

    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    void Sql(const std::string& sql)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(catalogueFile.c_str(), &db), SQLITE_OK);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }

    // The first column of every row of a query, as texts ("" for null).
    std::vector<std::string> Column(const std::string& sql)
    {
        std::vector<std::string> out;
        sqlite3* db = nullptr;
        if (sqlite3_open(catalogueFile.c_str(), &db) == SQLITE_OK)
        {
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK)
            {
                while (sqlite3_step(statement) == SQLITE_ROW)
                {
                    const unsigned char* text = sqlite3_column_text(statement, 0);
                    out.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "");
                }
            }
            else
                ADD_FAILURE() << sqlite3_errmsg(db);
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        return out;
    }

    std::string Scalar(const std::string& sql)
    {
        const std::vector<std::string> rows = Column(sql);
        return rows.empty() ? std::string() : rows.front();
    }

    int Count(const std::string& sql) { return std::atoi(Scalar(sql).c_str()); }

    template <typename T>
    static T* Find(QWidget* dialog, const char* name)
    {
        T* widget = dialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    static QString Text(QWidget* dialog, const char* name) { return Find<QLineEdit>(dialog, name)->text(); }

    static void Click(QWidget* dialog, const char* button)
    {
        QPushButton* b = Find<QPushButton>(dialog, button);
        ASSERT_NE(b, nullptr);
        ASSERT_TRUE(b->isEnabled()) << button;
        QTest::mouseClick(b, Qt::LeftButton);
    }

    // Clicks a button that opens a dialog of the given class, which the
    // action answers; fails when no such dialog came.
    static void ClickThrough(QWidget* dialog, const char* button, const char* opened, CDialogScript::Action action)
    {
        CDialogScript script;
        script.Then(opened, std::move(action));
        Click(dialog, button);
        EXPECT_TRUE(script.Done()) << button << " opened no " << opened;
    }

    // Replaces a field's text by typing, as a user would.
    static void Type(QWidget* dialog, const char* field, const QString& text)
    {
        QLineEdit* edit = Find<QLineEdit>(dialog, field);
        ASSERT_NE(edit, nullptr);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        // Qt Test types ASCII only; other characters come in as an input
        // method would commit them.
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 128;
        if (ascii)
            QTest::keyClicks(edit, text);
        else
            edit->insert(text);
    }

    // Picks the item of a drop-down list with the given data by keyboard,
    // as a user's choice (the list reports it activated).
    static void Choose(QComboBox* list, int data)
    {
        const int target = list->findData(data);
        ASSERT_GE(target, 0) << data;
        list->setFocus();
        while (list->currentIndex() > target)
            QTest::keyClick(list, Qt::Key_Up);
        while (list->currentIndex() < target)
            QTest::keyClick(list, Qt::Key_Down);
        ASSERT_EQ(list->currentIndex(), target);
    }

    // A list as the user sees it: the rows of its view's model, after the
    // search and in the order on screen.
    static int RowCount(const QAbstractItemView* list) { return list->model()->rowCount(); }
    static QModelIndex Row(const QAbstractItemView* list, int row, int column = 0)
    {
        return list->model()->index(row, column);
    }
    static QString Cell(const QAbstractItemView* list, int row, int column = 0)
    {
        return Row(list, row, column).data().toString();
    }
    static QIcon RowIcon(const QAbstractItemView* list, int row) { return Row(list, row).data(Qt::DecorationRole).value<QIcon>(); }
    static int RowId(const QAbstractItemView* list, int row) { return Row(list, row).data(Qt::UserRole).toInt(); }

    static int SelectedRowId(const QAbstractItemView* list)
    {
        const QModelIndexList selected = list->selectionModel()->selectedRows();
        return selected.size() == 1 ? selected.front().data(Qt::UserRole).toInt() : -1;
    }

    static void ClickRow(QAbstractItemView* list, int row, bool twice = false)
    {
        const QModelIndex index = Row(list, row);
        list->scrollTo(index);
        const QPoint at = list->visualRect(index).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    static void ClickHeader(QTreeView* list, int section)
    {
        QHeaderView* header = list->header();
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    std::filesystem::path folder;
    std::filesystem::path programRoot;
    std::string catalogueFile;
    // The texts of the program's messages, as its message table gives them.
    static std::vector<std::string> MessageTexts(std::initializer_list<int> ids)
    {
        std::vector<std::string> texts;
        for (int id : ids)
            texts.push_back(LoadMessage(id));
        return texts;
    }

    // The catalogue dialogs' own presenter, its boxes answered with the mouse.
    CMessageBoxLog boxes;
};
