#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BatchTestSupport.h"
#include "DatabaseTables.h"

using namespace batchtest;

namespace {

// A user's database as the table page lists it: two tables with awkward
// names, a view, and an index (neither of which is a table to convert).
std::string MakeDatabase(const CTempFolder& folder)
{
    const std::string path = folder / "user.db";
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const char* sql = "CREATE TABLE points (id INTEGER PRIMARY KEY, lat DOUBLE, lon DOUBLE, \"Lat 84\" DOUBLE);"
                      "CREATE TABLE \"Côte \"\"d'Ivoire\"\"\" (\"x\" TEXT, y REAL);"
                      "CREATE VIEW north AS SELECT * FROM points WHERE lat > 0;"
                      "CREATE INDEX points_lat ON points (lat);";
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    return path;
}

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(DatabaseTables, ListTheBaseTablesAndTheColumnsOfOne)
{
    CTempFolder folder;
    const std::string path = MakeDatabase(folder);
    // The native backend and the SQLite ODBC driver answer alike.
    for (const std::string& connection :
         {"Provider=SQLite;Data Source=" + path + ";", "Driver=SQLite3;Database=" + path + ";"})
    {
        SCOPED_TRACE(connection);
        std::vector<std::string> tables{"stale"};
        ASSERT_TRUE(ListDatabaseTables(connection, tables));
        EXPECT_EQ(Sorted(tables), (std::vector<std::string>{"Côte \"d'Ivoire\"", "points"}));

        std::vector<std::string> columns{"stale"};
        ASSERT_TRUE(ListTableColumns(connection, "points", columns));
        EXPECT_EQ(Sorted(columns), (std::vector<std::string>{"Lat 84", "id", "lat", "lon"}));
        ASSERT_TRUE(ListTableColumns(connection, "Côte \"d'Ivoire\"", columns));
        EXPECT_EQ(Sorted(columns), (std::vector<std::string>{"x", "y"}));
        // Names are compared byte for byte: another case is another table.
        ASSERT_TRUE(ListTableColumns(connection, "POINTS", columns));
        EXPECT_TRUE(columns.empty());
    }
}

TEST(DatabaseTables, AnUnreachableDatabaseGivesEmptyListsAndItsReason)
{
    CTempFolder folder;
    std::string reason;
    EXPECT_TRUE(TestDatabaseConnection("Provider=SQLite;Data Source=" + MakeDatabase(folder) + ";", reason));
    EXPECT_TRUE(reason.empty());
    EXPECT_FALSE(TestDatabaseConnection("DSN=GeolynxNoSuchDatabase;", reason));
    EXPECT_FALSE(reason.empty());

    std::vector<std::string> tables{"stale"};
    std::string message;
    EXPECT_FALSE(ListDatabaseTables("DSN=GeolynxNoSuchDatabase;", tables, &message));
    EXPECT_TRUE(tables.empty());
    EXPECT_FALSE(message.empty());

    std::vector<std::string> columns{"stale"};
    message.clear();
    EXPECT_FALSE(
        ListTableColumns("Provider=SQLite;Data Source=" + (folder / "no/such/folder.db") + ";", "t", columns, &message));
    EXPECT_TRUE(columns.empty());
    EXPECT_FALSE(message.empty());
}
