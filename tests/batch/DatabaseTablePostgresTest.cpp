// Table conversion on PostgreSQL through psqlODBC, on a private server.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "BatchTestSupport.h"
#include "ConvertDatabaseTable.h"
#include "CxAdo.h"
#include "MessageRecorder.h"
#include "PostgresFixture.h"

using namespace batchtest;

namespace {

class PostgresTable : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { server = new CPostgresServer(); }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(server->Running()) << server->Error(); }

    static BatchSettings Settings(const std::string& table)
    {
        BatchSettings s;
        s.ConversionType = CONVERSION_DATABASE;
        s.sourceDatum = WGS84;
        s.destinationDatum = WGS84;
        s.destinationGrid = UTM31N;
        s.connectionString = server->ConnectionString();
        s.table = table;
        s.sourceField1 = "lat";
        s.sourceField2 = "lon";
        s.destinationField1 = "north";
        s.destinationField2 = "east";
        return s;
    }

    // One column of the table as text in the order of "by"; "NULL" for NULL.
    static std::vector<std::string> Column(const std::string& table, const std::string& column, const std::string& by)
    {
        std::vector<std::string> values;
        CCxAdo ado;
        if (ado.Initialize() != 0 || ado.Connect(server->ConnectionString().c_str()) != 0)
            return values;
        const std::string sql = "SELECT CAST(" + column + " AS text) AS v FROM " + table + " ORDER BY " + by;
        if (ado.OpenRecordset(sql.c_str()) != 1)
            return values;
        do
        {
            const CCxValue v = ado.GetFieldValue("v");
            values.push_back(v.IsNull() ? "NULL" : v.AsText());
        } while (ado.MoveNext() == 1);
        return values;
    }

    static std::vector<Point3> Points(int count)
    {
        std::vector<Point3> points;
        for (int i = 0; i < count; ++i)
            points.push_back({0.1 + std::fmod(i * 0.618033988749, 5.8), 38.0 + std::fmod(i * 0.414213562373, 22.0), 0});
        return points;
    }

    static CPostgresServer* server;
};

CPostgresServer* PostgresTable::server = nullptr;

} // namespace

TEST_F(PostgresTable, ManyBlocksOfNumericBigintAndTextColumnsConvertLikeCs2cs)
{
    ASSERT_TRUE(HaveTool("cs2cs")) << "PROJ's cs2cs is needed as the oracle";
    const int records = 3000; // 100 blocks of 30
    auto points = Points(records);
    // The values as the table keeps them.
    for (auto& p : points)
    {
        p.x = std::round(p.x * 1e10) / 1e10;
        p.y = std::round(p.y * 1e10) / 1e10;
    }
    std::string sql = "CREATE TABLE typed (id bigint PRIMARY KEY, lat numeric(14,10), lon text, "
                      "north double precision, east numeric(12,3));\nINSERT INTO typed VALUES\n";
    for (int i = 0; i < records; ++i)
    {
        char row[160];
        std::snprintf(row, sizeof row, "%s(%lld, %.10f, '%.10f', NULL, NULL)", i > 0 ? ",\n" : "",
                      5000000000LL + i, points[i].y, points[i].x);
        sql += row;
    }
    sql += ";\nINSERT INTO typed VALUES (1, NULL, '4', NULL, NULL), (2, 52, '', NULL, NULL), "
           "(3, 52, 'four', NULL, NULL), (4, 95, '4', NULL, NULL);";
    ASSERT_TRUE(server->Psql(sql));

    CMessageRecorder recorder;
    CRun r(Settings("typed"));
    r(ConvertDatabaseTable);
    EXPECT_TRUE(recorder.Shown().empty()) << recorder.Shown()[0].second;
    ExpectOneEnd(r.sink, BATCH_COMPLETED,
                 std::string(kBatchCompletedText) +
                     " 4 records were not converted and left unchanged (2 with an empty source field, 1 with a "
                     "source field that is not a number, 1 that cannot be converted between the two systems; first: "
                     "id 1, id 2, id 3, id 4).");

    CTempFolder folder;
    const auto expected = Cs2cs(kWgs84Proj, kUtm31Proj, points, folder);
    ASSERT_EQ(expected.size(), points.size());
    const auto north = Column("typed", "north", "id"), east = Column("typed", "east", "id");
    ASSERT_EQ(north.size(), static_cast<std::size_t>(records + 4));
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(north[i], "NULL") << "record " << i + 1 << " was written";
        EXPECT_EQ(east[i], "NULL");
    }
    for (int i = 0; i < records; ++i)
    {
        EXPECT_NEAR(std::atof(north[i + 4].c_str()), expected[i].y, 0.0005 + 1e-9) << i;
        EXPECT_NEAR(std::atof(east[i + 4].c_str()), expected[i].x, 0.0005 + 1e-9) << i;
        // Three decimals, as stored; the numeric column shows them all.
        ASSERT_EQ(east[i + 4].size() - east[i + 4].find('.'), 4u) << east[i + 4];
    }
}

TEST_F(PostgresTable, WithoutAKeyRecordsAreFoundByAllTheirValuesAndRepeatedOnesAreRefused)
{
    ASSERT_TRUE(server->Psql("CREATE TABLE loose (name text, lat double precision, lon double precision, "
                             "north double precision, east double precision);\n"
                             "INSERT INTO loose VALUES ('a', 52, 4, NULL, NULL), (NULL, 52, 4, NULL, NULL), "
                             "('b', 52, 4, NULL, NULL), ('c', 51.5, 2.25, 7, NULL);"));
    CMessageRecorder recorder;
    CRun r(Settings("loose"));
    r(ConvertDatabaseTable);
    EXPECT_TRUE(recorder.Shown().empty()) << recorder.Shown()[0].second;
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
    for (const auto& v : Column("loose", "north", "name NULLS FIRST"))
        EXPECT_NE(v, "NULL");
    EXPECT_EQ(Column("loose", "east", "name NULLS FIRST")[0], Column("loose", "east", "name NULLS FIRST")[1]);

    // Two records alike: nothing is written, and the message says why.
    ASSERT_TRUE(server->Psql("CREATE TABLE twins (lat double precision, lon double precision, north double "
                             "precision, east double precision);\n"
                             "INSERT INTO twins VALUES (50, 3, NULL, NULL), (52, 4, NULL, NULL), (52, 4, NULL, NULL);"));
    CMessageRecorder refused;
    CRun twins(Settings("twins"));
    twins(ConvertDatabaseTable);
    ExpectOneEnd(twins.sink, BATCH_STOPPED, kBatchFailedText);
    ASSERT_EQ(refused.Shown().size(), 1u);
    EXPECT_NE(refused.Shown()[0].second.find("has no primary key, and 1 of its records repeat another record"),
              std::string::npos)
        << refused.Shown()[0].second;
    for (const auto& v : Column("twins", "north", "lat"))
        EXPECT_EQ(v, "NULL");
}

TEST_F(PostgresTable, DestinationFieldsThatWouldLoseTheValueAreRefused)
{
    ASSERT_TRUE(server->Psql("CREATE TABLE narrow (id integer PRIMARY KEY, lat double precision, lon double "
                             "precision, n_int integer, n_real real, n_two numeric(12,2), n_ok double precision);\n"
                             "INSERT INTO narrow VALUES (1, 52, 4, NULL, NULL, NULL, NULL);"));
    const std::pair<const char*, const char*> cases[] = {
        {"n_int", "whole numbers only"},
        {"n_real", "single-precision"},
        {"n_two", "keeps 2 decimals and the values have 3"},
    };
    for (const auto& [field, said] : cases)
    {
        SCOPED_TRACE(field);
        CMessageRecorder recorder;
        BatchSettings s = Settings("narrow");
        s.destinationField1 = "n_ok";
        s.destinationField2 = field;
        CRun r(s);
        r(ConvertDatabaseTable);
        ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchFailedText);
        ASSERT_EQ(recorder.Shown().size(), 1u);
        EXPECT_NE(recorder.Shown()[0].second.find(said), std::string::npos) << recorder.Shown()[0].second;
        EXPECT_EQ(Column("narrow", "n_ok", "id")[0], "NULL");
    }
}

TEST_F(PostgresTable, AKeyOfManyColumnsOfManyTypesNamesEachRecord)
{
    // Twenty key columns: a block of 300 records takes two UPDATEs (272 and 28
    // rows), each within what the client library accepts.
    std::string extra, extraKey, extraValues;
    for (int i = 1; i <= 15; ++i)
    {
        extra += ", x" + std::to_string(i) + " integer";
        extraKey += ", x" + std::to_string(i);
        extraValues += ", " + std::to_string(i);
    }
    ASSERT_TRUE(server->Psql(
        "CREATE TABLE wide (a smallint, b integer, c bigint, d numeric(12,3), e double precision" + extra +
        ", lat double precision, lon double precision, north double precision, east double precision, "
        "PRIMARY KEY (a, b, c, d, e" + extraKey + "));\n"
        "INSERT INTO wide SELECT n % 7, n, 5000000000 + n, n / 8.0, n * 0.5" + extraValues +
        ", 40 + n * 0.0006, 1 + n * 0.00016, NULL, NULL FROM generate_series(0, 29999) AS n;"));
    CMessageRecorder recorder;
    CRun r(Settings("wide"));
    r(ConvertDatabaseTable);
    EXPECT_TRUE(recorder.Shown().empty()) << recorder.Shown()[0].second;
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
    ASSERT_TRUE(server->Psql("DO $$ BEGIN IF (SELECT count(*) FROM wide WHERE north IS NULL OR east IS NULL) > 0 THEN "
                             "RAISE EXCEPTION 'records not converted'; END IF; END $$;"));
    // Spot checks against cs2cs, the first and last records.
    CTempFolder folder;
    const auto expected = Cs2cs(kWgs84Proj, kUtm31Proj, {{1.0, 40.0, 0}, {1 + 29999 * 0.00016, 40 + 29999 * 0.0006, 0}},
                                folder);
    ASSERT_EQ(expected.size(), 2u);
    const auto north = Column("wide", "north", "b"), east = Column("wide", "east", "b");
    EXPECT_NEAR(std::atof(north.front().c_str()), expected[0].y, 0.0005 + 1e-6);
    EXPECT_NEAR(std::atof(east.front().c_str()), expected[0].x, 0.0005 + 1e-6);
    EXPECT_NEAR(std::atof(north.back().c_str()), expected[1].y, 0.0005 + 1e-6);
    EXPECT_NEAR(std::atof(east.back().c_str()), expected[1].x, 0.0005 + 1e-6);
}

TEST_F(PostgresTable, KeysOfTextAndUuidNameEachRecord)
{
    ASSERT_TRUE(server->Psql(
        "CREATE TABLE coded (code text PRIMARY KEY, lat double precision, lon double precision, north double "
        "precision, east double precision);\n"
        "INSERT INTO coded SELECT 'c''' || n, 40 + n * 0.01, 1 + n * 0.002, NULL, NULL FROM generate_series(0, 499) n;\n"
        "CREATE TABLE tagged (tag uuid PRIMARY KEY, lat double precision, lon double precision, north double "
        "precision, east double precision);\n"
        "INSERT INTO tagged SELECT md5(n::text)::uuid, 40 + n * 0.01, 1 + n * 0.002, NULL, NULL "
        "FROM generate_series(0, 499) n;"));
    for (const char* table : {"coded", "tagged"})
    {
        SCOPED_TRACE(table);
        CMessageRecorder recorder;
        CRun r(Settings(table));
        r(ConvertDatabaseTable);
        EXPECT_TRUE(recorder.Shown().empty()) << recorder.Shown()[0].second;
        ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
        for (const auto& v : Column(table, "north", "lat"))
            ASSERT_NE(v, "NULL");
        // Records of one position hold one converted value, whatever their key.
        EXPECT_EQ(Column(table, "east", "lat").back(), Column("coded", "east", "lat").back());
    }
}
