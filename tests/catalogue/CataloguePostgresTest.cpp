// The shipped catalogue on the private PostgreSQL server of the database layer's tests.

#include <gtest/gtest.h>

#include "CatalogueFixture.h"
#include "CatalogueLoaders.h"
#include "CatalogueLookups.h"
#include "CatalogueStatements.h"
#include "PostgresFixture.h"

void RunEveryStatement(const std::string& connection);

namespace {

// One server for the suite, loaded once with the shipped catalogue's SQL text as it stands.
CPostgresServer& Server()
{
    static CPostgresServer server("catalogue");
    static const bool loaded = [] {
        if (!server.Running())
            return false;
        std::string sql;
        for (const std::string& file : CatalogueSqlFiles())
            sql += ReadTextFile(file) + "\n";
        return server.Psql(sql);
    }();
    EXPECT_TRUE(loaded) << server.Error();
    return server;
}

void ExpectSameRecord(const CCfgMapProjection& a, const CCfgMapProjection& b, int id)
{
    EXPECT_TRUE(a.IsSameDefinition(b)) << id;
    EXPECT_EQ(a.gridFile, b.gridFile) << id;
    EXPECT_EQ(a.datumId, b.datumId) << id;
    EXPECT_EQ(a.longitudeOrigin, b.longitudeOrigin) << id;
}

} // namespace

using CatalogueOnPostgres = CatalogueTest;

TEST_F(CatalogueOnPostgres, EveryStatementRunsUnchanged)
{
    CPostgresServer& server = Server();
    ASSERT_TRUE(server.Running()) << server.Error();
    RunEveryStatement(server.ConnectionString());
}

TEST_F(CatalogueOnPostgres, LoadersFillTheSameRecordsAsOnSqlite)
{
    CPostgresServer& server = Server();
    ASSERT_TRUE(server.Running()) << server.Error();
    const std::vector<int> grids = {27700, 32631, 2227, 27572, 2065, 2056, 3031, 3035, 31468, 2154, 3168, 5513};
    const std::vector<int> datums = {4326, 4277, 4314, 4275, 4807, 4230, 4818};

    std::vector<CCfgMapProjection> onSqlite;
    for (int id : grids)
    {
        onSqlite.emplace_back();
        LoadGridRecord(onSqlite.back(), id);
        ASSERT_NE(onSqlite.back().projectionId, 0) << id;
    }
    for (int id : datums)
    {
        onSqlite.emplace_back();
        LoadDatumRecord(id, onSqlite.back());
    }
    CCxString sqliteName, sqliteUnit;
    LookupGridName(2227, sqliteName);
    LookupGridUnitName(2227, sqliteUnit);

    UseConnection(server.ConnectionString());
    size_t i = 0;
    for (int id : grids)
    {
        CCfgMapProjection record;
        LoadGridRecord(record, id);
        ExpectSameRecord(record, onSqlite[i++], id);
    }
    for (int id : datums)
    {
        CCfgMapProjection record;
        LoadDatumRecord(id, record);
        ExpectSameRecord(record, onSqlite[i++], id);
    }
    CCxString name, unit;
    LookupGridName(2227, name);
    LookupGridUnitName(2227, unit);
    EXPECT_EQ(name, sqliteName);
    EXPECT_EQ(unit, sqliteUnit);
    int fields = 0;
    LookupProjectionFields(9812, fields);
    EXPECT_EQ(fields, 0xDC3);
    int hasGrids = -1;
    CountryHasGrids(248, hasGrids);
    EXPECT_EQ(hasGrids, 0);
    long next = 0;
    ASSERT_TRUE(NextUserIdentifier(CatalogueSql::D5, next));
    EXPECT_EQ(next, 50001);

    // A quoted name saves on PostgreSQL too.
    std::string sql;
    ASSERT_TRUE(FormatCountryUpdate(384, {"Côte d'Ivoire", "ci.png"}, sql));
    ASSERT_EQ(RunCatalogueStatement(sql), 0);
    LookupCountryName(384, name);
    EXPECT_EQ(name, "Côte d'Ivoire");
}
