// Hostile text: names with quotes, semicolons, SQL keywords and format
// directives go through every management statement and come back unchanged,
// and a table conversion works on table and column names with blanks and
// quotes, on the native SQLite backend and through ODBC.

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cmath>
#include <string>
#include <vector>

#include "../batch/BatchTestSupport.h"
#include "../catalogue/CatalogueFixture.h"
#include "CatalogueLookups.h"
#include "CatalogueStatements.h"
#include "ConvertDatabaseTable.h"
#include "CxAdo.h"
#include "MessageRecorder.h"
#include "PostgresFixture.h"

namespace {

// Each would end the literal, start a second statement, comment out the rest
// or read as a format directive if it reached SQL or printf unquoted.
const std::vector<std::string> kHostile = {
    "O'Brien's \"grid\"",
    "x'; DROP TABLE tblDatums; --",
    "'); DELETE FROM tblGrids WHERE ('1'='1",
    "SELECT * FROM tblUnits; UPDATE tblEllipsoids SET strEllipsoid = 'gone'",
    "%s %ld %n %% %999999d",
    "back\\slash \\' and ''doubled''",
    "Côte d'Ivoire ; -- /* comment */",
    "   leading and trailing blanks   ",
};

std::string ScalarIn(const std::string& file, const std::string& sql)
{
    sqlite3* db = nullptr;
    std::string out = "<none>";
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            out = text != nullptr ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(st, 0))) : "";
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

// Row counts of every catalogue table: nothing but the statement's own row may change.
std::vector<std::string> Counts(const std::string& file)
{
    std::vector<std::string> counts;
    for (const char* table : {"tblUnits", "tblProjections", "tblEllipsoids", "tblPrimeMeridians", "tblDatums",
                              "tblCountries", "tblGrids"})
        counts.push_back(ScalarIn(file, std::string("SELECT COUNT(*) FROM ") + table));
    return counts;
}

class HostileNames : public CatalogueTest
{
protected:
    long NextId(const char* maxStatement)
    {
        long id = 0;
        EXPECT_TRUE(NextUserIdentifier(maxStatement, id));
        return id;
    }
    std::string Name(void (*lookup)(int, CCxString&), long id)
    {
        CCxString name("<unchanged>");
        lookup(static_cast<int>(id), name);
        return name.str();
    }
};

} // namespace

TEST_F(HostileNames, EllipsoidStatementsKeepTheNameAsTyped)
{
    const auto before = Counts(catalogueFile);
    for (std::size_t i = 0; i < kHostile.size(); ++i)
    {
        SCOPED_TRACE(kHostile[i]);
        const long id = NextId(CatalogueSql::E4);
        std::string sql;
        ASSERT_TRUE(FormatEllipsoidInsert(id, {kHostile[i], "6378137", "298.257223563"}, sql));
        ASSERT_EQ(RunCatalogueStatement(sql), 0);
        EXPECT_EQ(Name(LookupEllipsoidName, id), kHostile[i]);
        const std::string renamed = kHostile[(i + 1) % kHostile.size()];
        ASSERT_TRUE(FormatEllipsoidUpdate(id, {renamed, "6378388", "297"}, sql));
        ASSERT_EQ(RunCatalogueStatement(sql), 0);
        EXPECT_EQ(Name(LookupEllipsoidName, id), renamed);
        EXPECT_EQ(ScalarIn(catalogueFile, "SELECT dblAxisA FROM tblEllipsoids WHERE numId = " + std::to_string(id)),
                  "6378388.0");
        ASSERT_EQ(RunCatalogueStatement(FormatStatement(CatalogueSql::E7, id)), 0);
        EXPECT_EQ(Name(LookupEllipsoidName, id), "Unknown Ellipsoid");
    }
    EXPECT_EQ(Counts(catalogueFile), before);
}

TEST_F(HostileNames, DatumStatementsKeepNameAndFileAsTyped)
{
    const auto before = Counts(catalogueFile);
    for (std::size_t i = 0; i < kHostile.size(); ++i)
    {
        SCOPED_TRACE(kHostile[i]);
        const long id = NextId(CatalogueSql::D5);
        const std::string file = kHostile[(i + 3) % kHostile.size()] + ".gsb";
        DatumValues values{kHostile[i], file, 7030, 8901, 2, "0.219", "0", "0", "4.5", "0", "0", "0.554"};
        std::string sql;
        ASSERT_TRUE(FormatDatumInsert(id, values, sql));
        ASSERT_EQ(RunCatalogueStatement(sql), 0);
        EXPECT_EQ(Name(LookupDatumName, id), kHostile[i]);
        EXPECT_EQ(ScalarIn(catalogueFile, "SELECT strFile FROM tblDatums WHERE numId = " + std::to_string(id)), file);
        values.name = kHostile[(i + 1) % kHostile.size()];
        values.file = kHostile[i];
        ASSERT_TRUE(FormatDatumUpdate(id, values, sql));
        ASSERT_EQ(RunCatalogueStatement(sql), 0);
        EXPECT_EQ(Name(LookupDatumName, id), values.name);
        EXPECT_EQ(ScalarIn(catalogueFile, "SELECT strFile FROM tblDatums WHERE numId = " + std::to_string(id)),
                  kHostile[i]);
        ASSERT_EQ(RunCatalogueStatement(FormatStatement(CatalogueSql::D8, id)), 0);
        EXPECT_EQ(Name(LookupDatumName, id), "Unknown Datum");
    }
    EXPECT_EQ(Counts(catalogueFile), before);
}

TEST_F(HostileNames, GridStatementsKeepTheNameAsTyped)
{
    const auto before = Counts(catalogueFile);
    for (std::size_t i = 0; i < kHostile.size(); ++i)
    {
        SCOPED_TRACE(kHostile[i]);
        const long id = NextId(CatalogueSql::G6);
        GridValues values{kHostile[i], 0, 9807, 4326, 9001, "0.9996", "500000", "0", "0", "3", "0", "0", "0", "0"};
        std::string sql;
        ASSERT_TRUE(FormatGridInsert(id, values, sql));
        ASSERT_EQ(RunCatalogueStatement(sql), 0);
        EXPECT_EQ(Name(LookupGridName, id), kHostile[i]);
        values.name = kHostile[(i + 1) % kHostile.size()];
        ASSERT_TRUE(FormatGridUpdate(id, values, sql));
        ASSERT_EQ(RunCatalogueStatement(sql), 0);
        EXPECT_EQ(Name(LookupGridName, id), values.name);
        ASSERT_EQ(RunCatalogueStatement(FormatStatement(CatalogueSql::G9, id)), 0);
        EXPECT_EQ(Name(LookupGridName, id), "Unknown Grid");
    }
    EXPECT_EQ(Counts(catalogueFile), before);
}

TEST_F(HostileNames, CountryStatementsKeepNameAndFlagAsTyped)
{
    const auto before = Counts(catalogueFile);
    for (std::size_t i = 0; i < kHostile.size(); ++i)
    {
        SCOPED_TRACE(kHostile[i]);
        const long id = NextId(CatalogueSql::C6);
        CountryValues values{kHostile[i], kHostile[(i + 2) % kHostile.size()]};
        std::string sql;
        ASSERT_TRUE(FormatCountryInsert(id, values, sql));
        ASSERT_EQ(RunCatalogueStatement(sql), 0);
        EXPECT_EQ(Name(LookupCountryName, id), kHostile[i]);
        EXPECT_EQ(ScalarIn(catalogueFile, "SELECT strFlag FROM tblCountries WHERE numId = " + std::to_string(id)),
                  values.flag);
        values = {kHostile[(i + 1) % kHostile.size()], kHostile[i]};
        ASSERT_TRUE(FormatCountryUpdate(id, values, sql));
        ASSERT_EQ(RunCatalogueStatement(sql), 0);
        EXPECT_EQ(Name(LookupCountryName, id), values.name);
        EXPECT_EQ(ScalarIn(catalogueFile, "SELECT strFlag FROM tblCountries WHERE numId = " + std::to_string(id)),
                  kHostile[i]);
        int hasGrids = -1;
        CountryHasGrids(static_cast<int>(id), hasGrids);
        EXPECT_EQ(hasGrids, 0);
        ASSERT_EQ(RunCatalogueStatement(FormatStatement(CatalogueSql::C9, id)), 0);
        EXPECT_EQ(Name(LookupCountryName, id), "Unknown Country");
    }
    EXPECT_EQ(Counts(catalogueFile), before);
}

TEST_F(HostileNames, NumberTextsThatCarrySqlAreNeverSent)
{
    const auto before = Counts(catalogueFile);
    std::string sql = "untouched";
    EXPECT_FALSE(FormatEllipsoidInsert(60000, {"e", "1); DROP TABLE tblDatums; --", "298"}, sql));
    EXPECT_TRUE(sql.empty());
    EXPECT_EQ(RunCatalogueStatement(sql), -1);
    EXPECT_FALSE(FormatGridUpdate(1, {"g", 0, 1, 4326, 9001, "1", "0 OR 1=1", "0", "0", "0", "0", "0", "0", "0"}, sql));
    EXPECT_EQ(RunCatalogueStatement(sql), -1);
    EXPECT_EQ(Counts(catalogueFile), before);
}

// --- table conversion ---------------------------------------------------------

namespace {

using namespace batchtest;

struct HostileTable
{
    std::string table;
    std::string north, east, northOut, eastOut;
    bool keyed;
};

std::string Quoted(const std::string& name)
{
    std::string q = "\"";
    for (const char c : name)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

class HostileTableNames : public ::testing::TestWithParam<bool> // true: through ODBC's SQLite driver
{
};

} // namespace

TEST_P(HostileTableNames, ConvertEveryRecordIntoTheNamedColumns)
{
    ASSERT_TRUE(HaveTool("cs2cs")) << "PROJ's cs2cs is needed as the oracle";
    const std::vector<HostileTable> tables = {
        {"my \"odd\" table; DROP TABLE x; --", "north ing", "east \"x\"", "out'lat", "select", true},
        {"from where", "order by", "'; --", "lat \"\" out", " lon out ", false},
    };
    for (const HostileTable& t : tables)
    {
        SCOPED_TRACE(t.table);
        CTempFolder folder;
        const std::string path = folder / "hostile.db";
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        std::string create = "CREATE TABLE " + Quoted(t.table) + " (" + (t.keyed ? "id INTEGER PRIMARY KEY, " : "") +
                             Quoted(t.north) + " DOUBLE, " + Quoted(t.east) + " DOUBLE, " + Quoted(t.northOut) +
                             " DOUBLE, " + Quoted(t.eastOut) + " DOUBLE, \"x\" TEXT)";
        ASSERT_EQ(sqlite3_exec(db, create.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << create;
        std::vector<Point3> points;
        for (int i = 0; i < 12; ++i)
        {
            points.push_back({0.5 + 0.37 * i, 40.25 + 0.81 * i, 0});
            const std::string insert = "INSERT INTO " + Quoted(t.table) + " (" + Quoted(t.north) + ", " +
                                       Quoted(t.east) + ", \"x\") VALUES (" + std::to_string(points.back().y) + ", " +
                                       std::to_string(points.back().x) + ", 'it''s; row " + std::to_string(i) +
                                       "')";
            ASSERT_EQ(sqlite3_exec(db, insert.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
            points.back().x = std::stod(std::to_string(points.back().x));
            points.back().y = std::stod(std::to_string(points.back().y));
        }

        BatchSettings s;
        s.ConversionType = CONVERSION_DATABASE;
        s.sourceDatum = WGS84;
        s.destinationDatum = WGS84;
        s.destinationGrid = UTM31N;
        s.connectionString = GetParam() ? "Driver=SQLite3;Database=" + path + ";" : "Provider=SQLite;Data Source=" + path + ";";
        s.table = t.table;
        s.sourceField1 = t.north;
        s.sourceField2 = t.east;
        s.destinationField1 = t.northOut;
        s.destinationField2 = t.eastOut;
        CMessageRecorder recorder;
        CRun run(s);
        run(ConvertDatabaseTable);
        ExpectOneEnd(run.sink, BATCH_COMPLETED, kBatchCompletedText);
        EXPECT_TRUE(recorder.Shown().empty()) << recorder.Shown().front().second;

        const auto expected = Cs2cs(kWgs84Proj, kUtm31Proj, points, folder);
        ASSERT_EQ(expected.size(), points.size());
        const std::string select = "SELECT " + Quoted(t.northOut) + ", " + Quoted(t.eastOut) + ", \"x\" FROM " +
                                   Quoted(t.table) + " ORDER BY rowid";
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, select.c_str(), -1, &st, nullptr), SQLITE_OK);
        std::size_t row = 0;
        while (sqlite3_step(st) == SQLITE_ROW && row < expected.size())
        {
            // Stored with three decimals.
            EXPECT_NEAR(sqlite3_column_double(st, 0), expected[row].y, 0.0006) << row;
            EXPECT_NEAR(sqlite3_column_double(st, 1), expected[row].x, 0.0006) << row;
            EXPECT_EQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 2)),
                      "it's; row " + std::to_string(row));
            ++row;
        }
        EXPECT_EQ(row, points.size());
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
}

INSTANTIATE_TEST_SUITE_P(Backend, HostileTableNames, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Odbc" : "Native"; });

// The same names on PostgreSQL through psqlODBC, with and without a primary key.
TEST(HostileTableNamesOnPostgres, ConvertEveryRecordIntoTheNamedColumns)
{
    ASSERT_TRUE(HaveTool("cs2cs")) << "PROJ's cs2cs is needed as the oracle";
    static CPostgresServer server;
    ASSERT_TRUE(server.Running()) << server.Error();
    const std::vector<HostileTable> tables = {
        {"my \"odd\" table; DROP TABLE x; --", "north ing", "east \"x\"", "out'lat", "select", true},
        {"from where", "order by", "'; --", "lat \"\" out", " lon out ", false},
    };
    for (const HostileTable& t : tables)
    {
        SCOPED_TRACE(t.table);
        std::string sql = "CREATE TABLE " + Quoted(t.table) + " (" + (t.keyed ? "id integer PRIMARY KEY, " : "id integer, ") +
                          Quoted(t.north) + " double precision, " + Quoted(t.east) + " double precision, " +
                          Quoted(t.northOut) + " double precision, " + Quoted(t.eastOut) +
                          " double precision, \"x\" text);\n";
        std::vector<Point3> points;
        for (int i = 0; i < 12; ++i)
        {
            points.push_back({0.5 + 0.25 * i, 40.25 + 0.5 * i, 0});
            char row[64];
            std::snprintf(row, sizeof row, "%d, %.2f, %.2f", i, points.back().y, points.back().x);
            sql += "INSERT INTO " + Quoted(t.table) + " (id, " + Quoted(t.north) + ", " + Quoted(t.east) +
                   ", \"x\") VALUES (" + row + ", 'it''s; row " + std::to_string(i) + "');\n";
        }
        ASSERT_TRUE(server.Psql(sql));

        BatchSettings s;
        s.ConversionType = CONVERSION_DATABASE;
        s.sourceDatum = WGS84;
        s.destinationDatum = WGS84;
        s.destinationGrid = UTM31N;
        s.connectionString = server.ConnectionString();
        s.table = t.table;
        s.sourceField1 = t.north;
        s.sourceField2 = t.east;
        s.destinationField1 = t.northOut;
        s.destinationField2 = t.eastOut;
        CMessageRecorder recorder;
        CRun run(s);
        run(ConvertDatabaseTable);
        ExpectOneEnd(run.sink, BATCH_COMPLETED, kBatchCompletedText);
        EXPECT_TRUE(recorder.Shown().empty()) << recorder.Shown().front().second;

        CTempFolder folder;
        const auto expected = Cs2cs(kWgs84Proj, kUtm31Proj, points, folder);
        ASSERT_EQ(expected.size(), points.size());
        CCxAdo ado;
        ASSERT_EQ(ado.Initialize(), 0);
        ASSERT_EQ(ado.Connect(server.ConnectionString().c_str()), 0) << ado.LastMessage.str();
        ASSERT_EQ(ado.OpenRecordset(("SELECT * FROM " + Quoted(t.table) + " ORDER BY id").c_str()), 1);
        int rows = 0;
        do
        {
            int id = -1;
            double north = 0, east = 0;
            std::string x;
            ASSERT_EQ(ado.GetFieldLong("id", id), 1);
            ASSERT_EQ(ado.GetFieldDouble(t.northOut.c_str(), north), 1);
            ASSERT_EQ(ado.GetFieldDouble(t.eastOut.c_str(), east), 1);
            ASSERT_EQ(ado.GetFieldString("x", x), 1);
            EXPECT_NEAR(north, expected[id].y, 0.0006) << id;
            EXPECT_NEAR(east, expected[id].x, 0.0006) << id;
            EXPECT_EQ(x, "it's; row " + std::to_string(id));
            ++rows;
        } while (ado.MoveNext() == 1);
        EXPECT_EQ(rows, 12);
    }
}
