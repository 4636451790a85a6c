#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

// The shipped catalogue's SQL text, in the order the build runs it.
inline std::vector<std::string> CatalogueSqlFiles()
{
    const std::string dir = std::string(GEOLYNX_SOURCE_DIR) + "/data/catalogue/";
    std::vector<std::string> files;
    for (const char* part : {"schema", "tblUnits", "tblProjections", "tblEllipsoids", "tblPrimeMeridians",
                             "tblDatums", "tblCountries", "tblGrids", "tblGeoidModels",
                             "tblDatumGrids"})
        files.push_back(dir + part + ".sql");
    return files;
}

inline std::string ReadTextFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Creates a SQLite file from the shipped SQL text with the SQLite library itself, so the test does
// not depend on the layer under test to build its own input.
inline bool BuildCatalogueFile(const std::string& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
    {
        sqlite3_close(db);
        return false;
    }
    bool ok = true;
    for (const std::string& file : CatalogueSqlFiles())
    {
        char* error = nullptr;
        if (sqlite3_exec(db, ReadTextFile(file).c_str(), nullptr, nullptr, &error) != SQLITE_OK)
        {
            ADD_FAILURE() << file << ": " << (error != nullptr ? error : "?");
            ok = false;
        }
        sqlite3_free(error);
    }
    sqlite3_close(db);
    return ok;
}

// Every test gets its own folder standing in for the user's home: the settings files, the user's
// catalogue and the state folder all live there, so no test touches the machine's real ones. The
// settings name a copy of the shipped catalogue and the build's program root.
class CatalogueTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        templateDir = std::filesystem::temp_directory_path() / ("geolynx-catalogue-" + std::to_string(::getpid()));
        std::filesystem::create_directories(templateDir);
        templateFile = (templateDir / "template.db").string();
        ASSERT_TRUE(BuildCatalogueFile(templateFile));
    }

    static void TearDownTestSuite()
    {
        std::error_code ignored;
        std::filesystem::remove_all(templateDir, ignored);
    }

    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        home = templateDir / (std::string(info->test_suite_name()) + "." + info->name());
        std::filesystem::remove_all(home);
        std::filesystem::create_directories(home / "etc");
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        {
            const char* value = std::getenv(name);
            saved[name] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
        }
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        ::setenv("XDG_CONFIG_DIRS", (home / "etc").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);

        catalogueFile = (home / "catalogue.db").string();
        std::filesystem::copy_file(templateFile, catalogueFile);
        UseConnection("Provider=SQLite;Data Source=" + catalogueFile + ";");
    }

    void TearDown() override
    {
        for (const auto& [name, value] : saved)
        {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }

    // Rewrites the user's settings file; an empty connection leaves the key out.
    void UseConnection(const std::string& connection, const std::string& programRoot = GEOLYNX_PROGRAM_ROOT)
    {
        std::filesystem::create_directories(home / "config" / "Veltrix");
        std::ofstream out(home / "config" / "Veltrix" / "Geolynx.conf");
        if (!connection.empty())
            out << "ConnectionString = " << connection << "\n";
        out << "ProgramRoot = " << programRoot << "\n";
    }

    // Runs SQL on the test's catalogue file directly.
    void Sql(const std::string& sql)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(catalogueFile.c_str(), &db), SQLITE_OK);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }

    // The first column of the first row of a query on the test's catalogue, as text.
    std::string Scalar(const std::string& sql)
    {
        sqlite3* db = nullptr;
        std::string out;
        if (sqlite3_open(catalogueFile.c_str(), &db) == SQLITE_OK)
        {
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
                sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0) != nullptr)
                out = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        return out;
    }

    static inline std::filesystem::path templateDir;
    static inline std::string templateFile;
    std::filesystem::path home;
    std::string catalogueFile;
    std::map<std::string, std::optional<std::string>> saved;
};
