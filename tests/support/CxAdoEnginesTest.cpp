// The database layer against real engines: a native SQLite file, the SQLite
// ODBC driver and a private PostgreSQL server through psqlODBC. Every case
// runs on each of the three.

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <map>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CxAdo.h"
#include "ExceptionsLog.h"
#include "PostgresFixture.h"
#include "ScratchFolder.h"

namespace {

enum class Engine { NativeSqlite, SqliteOdbc, Postgres };

std::string EngineName(const testing::TestParamInfo<Engine>& info)
{
    switch (info.param) {
    case Engine::NativeSqlite:
        return "NativeSqlite";
    case Engine::SqliteOdbc:
        return "SqliteOdbc";
    default:
        return "Postgres";
    }
}

int CountLines(const std::string& text, const std::string& needle)
{
    int n = 0;
    for (std::size_t p = text.find(needle); p != std::string::npos; p = text.find(needle, p + 1))
        ++n;
    return n;
}

class CxAdoEngines : public testing::TestWithParam<Engine>
{
protected:
    static std::unique_ptr<CPostgresServer> server;

    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override
    {
        switch (GetParam()) {
        case Engine::NativeSqlite:
            connection = "Provider=SQLite;Data Source=" + scratch.File("points.db") + ";Create=Yes;";
            break;
        case Engine::SqliteOdbc:
            connection = "Driver={SQLite3};Database=" + scratch.File("points.db") + ";";
            break;
        case Engine::Postgres:
            if (!server)
                server = std::make_unique<CPostgresServer>();
            ASSERT_TRUE(server->Running()) << server->Error();
            connection = server->ConnectionString();
            ASSERT_TRUE(server->Psql("DROP SCHEMA public CASCADE; CREATE SCHEMA public;"));
            break;
        }
        Exec("CREATE TABLE tblPoints (numId INTEGER PRIMARY KEY, strName VARCHAR(40), dblX DOUBLE PRECISION, "
             "dblY DOUBLE PRECISION, numSmall SMALLINT, dtWhen TIMESTAMP, numBig BIGINT)");
        Exec("INSERT INTO tblPoints VALUES (1, 'Greenwich', -0.0015, 51.4779, 7, '2012-03-07 14:05:00', 3000000000)");
        Exec("INSERT INTO tblPoints VALUES (2, NULL, NULL, NULL, NULL, NULL, 12)");
        Exec("INSERT INTO tblPoints VALUES (3, 'Paris', 2.3372, 48.8363, -3, '1899-12-29 06:00:00', -5)");
        Exec("CREATE TABLE tblLoose (strName VARCHAR(40), dblX DOUBLE PRECISION, dblY DOUBLE PRECISION)");
        Exec("INSERT INTO tblLoose VALUES ('a', 1.5, 10.25)");
        Exec("INSERT INTO tblLoose VALUES ('b', 2.5, 20.25)");
        Exec("INSERT INTO tblLoose VALUES ('twin', 3.5, 30.25)");
        Exec("INSERT INTO tblLoose VALUES ('twin', 3.5, 30.25)");
        Exec("CREATE VIEW vwNames AS SELECT strName FROM tblPoints");
    }

    void Exec(const std::string& sql)
    {
        CCxAdo ado;
        ASSERT_EQ(ado.Initialize(), 0);
        ASSERT_EQ(ado.Connect(connection.c_str()), 0) << ado.LastMessage.str();
        ASSERT_EQ(ado.Execute(sql.c_str()), 0) << ado.LastMessage.str();
    }

    // Opens a CCxAdo on the engine with the query's result.
    int Open(CCxAdo& ado, const std::string& sql)
    {
        EXPECT_EQ(ado.Initialize(), 0);
        EXPECT_EQ(ado.Connect(connection.c_str()), 0) << ado.LastMessage.str();
        return ado.OpenRecordset(sql.c_str());
    }

    std::string Log() const { return CScratchFolder::Read(ExceptionsLogPath()); }

    CScratchFolder scratch;
    std::string connection;
};

std::unique_ptr<CPostgresServer> CxAdoEngines::server;

TEST_P(CxAdoEngines, WalksRowsCountsThemAndStopsAtTheEnd)
{
    CCxAdo ado;
    ASSERT_EQ(Open(ado, "SELECT numId, strName FROM tblPoints ORDER BY numId"), 1) << ado.LastMessage.str();
    int count = -1;
    ASSERT_EQ(ado.GetRecordCount(count), 0);
    EXPECT_EQ(count, 3);
    std::vector<int> ids;
    do {
        int id = 0;
        ASSERT_EQ(ado.GetFieldLong("numId", id), 1) << ado.LastMessage.str();
        ids.push_back(id);
    } while (ado.MoveNext() == 1);
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(ado.IsRecordsetOpen()) << "the record set stays open after its end";

    // Past the end: the engine refuses, the text names it, the log has the line.
    EXPECT_EQ(ado.MoveNext(), -1);
    EXPECT_EQ(ado.LastMessage.str().rfind("ADODB: Failed to move to next record [", 0), 0u) << ado.LastMessage.str();
    EXPECT_EQ(CountLines(Log(), "LINE [473]"), 1);
    int id = 42;
    EXPECT_EQ(ado.GetFieldLong("numId", id), 0);
    EXPECT_EQ(id, 42);
    EXPECT_EQ(CountLines(Log(), "LINE [575]"), 1);

    // Field names match case-insensitively, as the engine's did.
    CCxAdo again;
    ASSERT_EQ(Open(again, "SELECT numId FROM tblPoints WHERE numId = 3"), 1);
    EXPECT_EQ(again.GetFieldLong("NUMID", id), 1);
    EXPECT_EQ(id, 3);
}

TEST_P(CxAdoEngines, EmptyResultStaysOpenUntilClosedOrDisconnected)
{
    CCxAdo ado;
    const std::string empty = "SELECT * FROM tblPoints WHERE numId = 99";
    ASSERT_EQ(Open(ado, empty), 0) << ado.LastMessage.str();
    EXPECT_TRUE(ado.IsRecordsetOpen());
    int count = -1;
    EXPECT_EQ(ado.GetRecordCount(count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(ado.OpenRecordset(empty.c_str()), -1);
    EXPECT_EQ(ado.LastMessage.str(), "ADODB: Failed to open recordset [" + empty + "], recordset already opened.");
    ado.CloseRecordset();
    EXPECT_FALSE(ado.IsRecordsetOpen());
    EXPECT_EQ(ado.OpenRecordset("SELECT * FROM tblPoints"), 1);
    ado.Disconnect();
    EXPECT_FALSE(ado.IsRecordsetOpen());
    EXPECT_FALSE(ado.IsConnected());
    ASSERT_EQ(ado.Connect(connection.c_str()), 0);
    EXPECT_EQ(ado.OpenRecordset(empty.c_str()), 0);
    EXPECT_EQ(Log(), "") << "no engine error happened";
}

TEST_P(CxAdoEngines, TypedGettersFollowTheConversionTable)
{
    CCxAdo ado;
    ASSERT_EQ(Open(ado, "SELECT * FROM tblPoints ORDER BY numId"), 1) << ado.LastMessage.str();

    CCxString text;
    ASSERT_EQ(ado.GetFieldString("strName", text), 1);
    EXPECT_EQ(text, "Greenwich");
    ASSERT_EQ(ado.GetFieldString("dtWhen", text), 1);
    EXPECT_EQ(text, "07/03/2012 - 14:05");
    double d = -1.0;
    ASSERT_EQ(ado.GetFieldDouble("dtWhen", d), 1);
    EXPECT_NEAR(d, 40975.0 + (14 * 60 + 5) / 1440.0, 1e-9);
    ASSERT_EQ(ado.GetFieldDouble("dblY", d), 1);
    EXPECT_EQ(d, 51.4779);
    ASSERT_EQ(ado.GetFieldDouble("numId", d), 1) << "a 32-bit integer reads as a double";
    EXPECT_EQ(d, 1.0);
    EXPECT_EQ(ado.GetFieldValue("numId").Type(), CxTypeInt32);
    EXPECT_EQ(ado.GetFieldValue("strName").Type(), CxTypeText);
    EXPECT_EQ(ado.GetFieldValue("dblX").Type(), CxTypeDouble);
    EXPECT_EQ(ado.GetFieldValue("dtWhen").Type(), CxTypeDate);
    EXPECT_EQ(ado.GetFieldValue("numSmall").Type(), CxTypeInt16);

    int n = 0;
    ASSERT_EQ(ado.GetFieldLong("numSmall", n), 1);
    EXPECT_EQ(n, 7);
    // A 16-bit integer is no double: type error and 0.0.
    d = 5.0;
    EXPECT_EQ(ado.GetFieldDouble("numSmall", d), 0);
    EXPECT_EQ(d, 0.0);
    EXPECT_EQ(ado.LastMessage.str(), "Failed to get field value [numSmall], invalid type [2].");
    // A double is no integer: type error, out-argument untouched.
    n = 99;
    EXPECT_EQ(ado.GetFieldLong("dblX", n), 0);
    EXPECT_EQ(n, 99);
    EXPECT_EQ(ado.LastMessage.str(), "Failed to get field value [dblX], invalid type [5].");
    text = "kept";
    EXPECT_EQ(ado.GetFieldString("numId", text), 0);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(ado.LastMessage.str(), "Failed to get field value [numId], invalid type [3].");
    // A 64-bit value beyond 32 bits is a type error; 64-bit values that fit are delivered.
    EXPECT_EQ(ado.GetFieldLong("numBig", n), 0);
    EXPECT_EQ(ado.LastMessage.str(), "Failed to get field value [numBig], invalid type [20].");
    EXPECT_EQ(ado.GetFieldDouble("numBig", d), 0);

    // Row 2: nulls read as empty text, 0 and 0.0 with result 1.
    ASSERT_EQ(ado.MoveNext(), 1);
    text = "x";
    EXPECT_EQ(ado.GetFieldString("strName", text), 1);
    EXPECT_EQ(text, "");
    EXPECT_EQ(ado.LastMessage.str(), "Failed to get field value [strName], value is NULL.");
    n = 5;
    EXPECT_EQ(ado.GetFieldLong("numSmall", n), 1);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(ado.LastMessage.str(), "Failed to get field value [numSmall], value is NULL.");
    d = 5.0;
    EXPECT_EQ(ado.GetFieldDouble("dblX", d), 1);
    EXPECT_EQ(d, 0.0);
    EXPECT_TRUE(ado.GetFieldValue("dtWhen").IsNull());
    EXPECT_EQ(ado.GetFieldLong("numBig", n), 1) << "a 64-bit value that fits 32 bits";
    EXPECT_EQ(n, 12);

    // Row 3: negative values and a date before the day-number epoch.
    ASSERT_EQ(ado.MoveNext(), 1);
    EXPECT_EQ(ado.GetFieldLong("numSmall", n), 1);
    EXPECT_EQ(n, -3);
    EXPECT_EQ(ado.GetFieldLong("numBig", n), 1);
    EXPECT_EQ(n, -5);
    EXPECT_EQ(ado.GetFieldString("dtWhen", text), 1);
    EXPECT_EQ(text, "29/12/1899 - 06:00");
    EXPECT_EQ(ado.GetFieldDouble("dtWhen", d), 1);
    EXPECT_DOUBLE_EQ(d, -1.25);
    EXPECT_EQ(Log(), "") << "type errors are no engine errors";
}

TEST_P(CxAdoEngines, AggregatesReadAsIntegers)
{
    // PostgreSQL's COUNT(*) is a 64-bit integer, SQLite's a 32-bit one.
    CCxAdo ado;
    ASSERT_EQ(Open(ado, "SELECT COUNT(*) AS numCount, MAX(numId) AS numLast FROM tblPoints"), 1);
    int n = 0;
    ASSERT_EQ(ado.GetFieldLong("numCount", n), 1) << ado.LastMessage.str();
    EXPECT_EQ(n, 3);
    ASSERT_EQ(ado.GetFieldLong("numLast", n), 1) << ado.LastMessage.str();
    EXPECT_EQ(n, 3);
    ado.CloseRecordset();
    // The MAX over no rows is null, which reads as 0.
    ASSERT_EQ(ado.OpenRecordset("SELECT MAX(numId) AS numRecord FROM tblPoints WHERE numId > 50000"), 1);
    n = 7;
    EXPECT_EQ(ado.GetFieldLong("numRecord", n), 1);
    EXPECT_EQ(n, 0);
}

TEST_P(CxAdoEngines, EngineErrorsNameTheStatementAndAreLoggedOnce)
{
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(connection.c_str()), 0);
    const std::string bad = "INSERT INTO tblNowhere VALUES (1)";
    EXPECT_EQ(ado.Execute(bad.c_str()), -1);
    const std::string m = ado.LastMessage.str();
    const std::string prefix = "ADODB: Failed to execute query [" + bad + "],[";
    ASSERT_EQ(m.rfind(prefix, 0), 0u) << m;
    // prefix, statement, "],[", error text, "],[", description, "]"
    const std::size_t middle = m.find("],[", prefix.size());
    ASSERT_NE(middle, std::string::npos) << m;
    EXPECT_GT(middle, prefix.size()) << "an error text";
    std::string lower = m.substr(middle);
    for (auto& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(lower.find("tblnowhere"), std::string::npos) << "the description names the table: " << m;
    EXPECT_EQ(m.back(), ']');
    if (GetParam() != Engine::NativeSqlite) {
        EXPECT_NE(m.find("SQLSTATE"), std::string::npos) << m;
    }

    const std::string log = Log();
    EXPECT_EQ(CountLines(log, "\n"), 1);
    EXPECT_EQ(log.rfind("EXCEPTION OCCURED: Date [", 0), 0u) << log;
    EXPECT_NE(log.find("] ; FILE [..\\..\\..\\Common\\VisualC\\CxAdo] ; LINE [235] ; EXTRA INFO: [" + m + "]\n"),
              std::string::npos)
        << log;

    EXPECT_EQ(ado.OpenRecordset("SELECT nothing FROM tblPoints"), -1);
    EXPECT_EQ(ado.LastMessage.str().rfind("ADODB: Failed to open recordset: [SELECT nothing FROM tblPoints],[", 0), 0u)
        << ado.LastMessage.str();
    EXPECT_FALSE(ado.IsRecordsetOpen());
    EXPECT_EQ(CountLines(Log(), "LINE [408]"), 1);
    // The failed query left the object usable.
    EXPECT_EQ(ado.OpenRecordset("SELECT * FROM tblPoints"), 1);
    // A field that does not exist: the absent marker, a line 575 entry, and the typed getter fails.
    EXPECT_TRUE(ado.GetFieldValue("dblNoSuchField").IsAbsent());
    EXPECT_EQ(ado.LastMessage.str().rfind("ADODB: Failed to get field value [dblNoSuchField],[", 0), 0u);
    double d = 3.0;
    EXPECT_EQ(ado.GetFieldDouble("dblNoSuchField", d), 0);
    EXPECT_EQ(CountLines(Log(), "LINE [575]"), 2);
}

TEST_P(CxAdoEngines, SchemaListsTablesViewsAndColumns)
{
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(connection.c_str()), 0);
    ASSERT_EQ(ado.OpenSchema(SchemaTables), 1) << ado.LastMessage.str();
    std::map<std::string, std::string> types;
    do {
        CCxString name, type;
        ASSERT_EQ(ado.GetFieldString("TABLE_NAME", name), 1) << ado.LastMessage.str();
        ASSERT_EQ(ado.GetFieldString("TABLE_TYPE", type), 1) << ado.LastMessage.str();
        types[name.str()] = type.str();
    } while (ado.MoveNext() == 1);
    // PostgreSQL folds unquoted names to lower case.
    const bool folded = GetParam() == Engine::Postgres;
    EXPECT_EQ(types[folded ? "tblpoints" : "tblPoints"], "TABLE");
    EXPECT_EQ(types[folded ? "tblloose" : "tblLoose"], "TABLE");
    EXPECT_EQ(types[folded ? "vwnames" : "vwNames"], "VIEW");
    EXPECT_EQ(ado.OpenSchema(SchemaColumns), -1);
    EXPECT_EQ(ado.LastMessage.str(), "ADODB: Failed to get schema, recordset already opened.");
    EXPECT_EQ(ado.SetFieldDouble("TABLE_NAME", 1.0), 0) << "a schema rowset is not written";
    ado.CloseRecordset();

    ASSERT_EQ(ado.OpenSchema(SchemaColumns), 1) << ado.LastMessage.str();
    std::vector<std::string> columns;
    do {
        CCxString table, column;
        ASSERT_EQ(ado.GetFieldString("TABLE_NAME", table), 1);
        ASSERT_EQ(ado.GetFieldString("COLUMN_NAME", column), 1);
        if (table == (folded ? "tblloose" : "tblLoose"))
            columns.push_back(column.str());
    } while (ado.MoveNext() == 1);
    if (folded)
        EXPECT_EQ(columns, (std::vector<std::string>{"strname", "dblx", "dbly"}));
    else
        EXPECT_EQ(columns, (std::vector<std::string>{"strName", "dblX", "dblY"}));
    ado.CloseRecordset();
    EXPECT_EQ(ado.OpenSchema(7), -1);
    EXPECT_EQ(ado.LastMessage.str().rfind("ADODB: Failed to get schema [7],[", 0), 0u) << ado.LastMessage.str();
    EXPECT_EQ(CountLines(Log(), "LINE [345]"), 1);
}

TEST_P(CxAdoEngines, SetFieldDoubleWritesTheCurrentRowByItsKey)
{
    {
        CCxAdo ado;
        ASSERT_EQ(Open(ado, "SELECT * FROM tblPoints ORDER BY numId"), 1);
        ASSERT_EQ(ado.MoveNext(), 1);
        ASSERT_EQ(ado.SetFieldDouble("dblX", 123.456), 1) << ado.LastMessage.str();
        ASSERT_EQ(ado.SetFieldDouble("dblY", -7.25), 1) << ado.LastMessage.str();
        double d = 0.0;
        EXPECT_EQ(ado.GetFieldDouble("dblX", d), 1);
        EXPECT_EQ(d, 123.456) << "the record set shows the written value";
        // Only the key is selected with the target: still one row.
        CCxAdo narrow;
        ASSERT_EQ(Open(narrow, "SELECT numId, dblY FROM tblPoints WHERE numId = 3"), 1);
        ASSERT_EQ(narrow.SetFieldDouble("dblY", 1e-9), 1) << narrow.LastMessage.str();
    }
    CCxAdo check;
    ASSERT_EQ(Open(check, "SELECT numId, dblX, dblY FROM tblPoints ORDER BY numId"), 1);
    std::vector<std::pair<double, double>> values;
    do {
        double x = 0.0, y = 0.0;
        check.GetFieldDouble("dblX", x);
        check.GetFieldDouble("dblY", y);
        values.emplace_back(x, y);
    } while (check.MoveNext() == 1);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0], std::make_pair(-0.0015, 51.4779));
    EXPECT_EQ(values[1], std::make_pair(123.456, -7.25));
    EXPECT_EQ(values[2], std::make_pair(2.3372, 1e-9));
}

TEST_P(CxAdoEngines, SetFieldDoubleWithoutKeyMatchesTheOriginalValuesAndRefusesDuplicates)
{
    {
        CCxAdo ado;
        ASSERT_EQ(Open(ado, "SELECT * FROM tblLoose ORDER BY strName"), 1);
        // Row "a": unique by its values; two fields written in turn.
        ASSERT_EQ(ado.SetFieldDouble("dblX", 100.125), 1) << ado.LastMessage.str();
        ASSERT_EQ(ado.SetFieldDouble("dblY", 200.5), 1) << ado.LastMessage.str();
        ASSERT_EQ(ado.MoveNext(), 1);
        ASSERT_EQ(ado.MoveNext(), 1);
        // Row "twin" has an identical twin: refused, nothing written.
        EXPECT_EQ(ado.SetFieldDouble("dblX", -1.0), 0);
        EXPECT_EQ(ado.LastMessage.str().rfind("ADODB: Failed to set field value [dblX],[Row not identified],[", 0), 0u)
            << ado.LastMessage.str();
        EXPECT_NE(ado.LastMessage.str().find("2 rows"), std::string::npos) << ado.LastMessage.str();
        EXPECT_EQ(CountLines(Log(), "LINE [1074]"), 1);
        double d = 0.0;
        EXPECT_EQ(ado.GetFieldDouble("dblX", d), 1);
        EXPECT_EQ(d, 3.5) << "the refused value does not show in the record set";
        // A computed field has no column to write to.
        ado.CloseRecordset();
        ASSERT_EQ(ado.OpenRecordset("SELECT dblX * 2 AS dblTwice FROM tblLoose"), 1);
        EXPECT_EQ(ado.SetFieldDouble("dblTwice", 1.0), 0);
        EXPECT_EQ(CountLines(Log(), "LINE [1074]"), 2);
    }
    CCxAdo check;
    ASSERT_EQ(Open(check, "SELECT strName, dblX, dblY FROM tblLoose ORDER BY strName, dblX"), 1);
    std::vector<std::string> rows;
    do {
        CCxString name;
        double x = 0.0, y = 0.0;
        check.GetFieldString("strName", name);
        check.GetFieldDouble("dblX", x);
        check.GetFieldDouble("dblY", y);
        rows.push_back(name.str() + " " + std::to_string(x) + " " + std::to_string(y));
    } while (check.MoveNext() == 1);
    EXPECT_EQ(rows, (std::vector<std::string>{"a 100.125000 200.500000", "b 2.500000 20.250000",
                                              "twin 3.500000 30.250000", "twin 3.500000 30.250000"}));
}

TEST_P(CxAdoEngines, SetFieldDoubleRefusesARowChangedSinceItWasRead)
{
    CCxAdo reader;
    ASSERT_EQ(Open(reader, "SELECT * FROM tblLoose WHERE strName = 'b'"), 1);
    Exec("UPDATE tblLoose SET dblY = 99 WHERE strName = 'b'");
    // Matched by its original values the row is gone: nothing is written.
    EXPECT_EQ(reader.SetFieldDouble("dblX", 0.0), 0);
    EXPECT_NE(reader.LastMessage.str().find("0 rows"), std::string::npos) << reader.LastMessage.str();
    CCxAdo check;
    ASSERT_EQ(Open(check, "SELECT dblX FROM tblLoose WHERE strName = 'b'"), 1);
    double x = 0.0;
    check.GetFieldDouble("dblX", x);
    EXPECT_EQ(x, 2.5);
}

TEST_P(CxAdoEngines, TwoThreadsQueryAndUpdateAtOnce)
{
    for (int i = 0; i < 20; ++i)
        Exec("INSERT INTO tblPoints (numId, strName, dblX, dblY) VALUES (" + std::to_string(100 + i) + ", 't', 0, 0)");
    std::atomic<int> failures{0};
    std::vector<std::string> messages(2);
    auto work = [&](int thread) {
        for (int round = 0; round < 4; ++round) {
            CCxAdo ado;
            if (ado.Initialize() != 0 || ado.Connect(connection.c_str()) != 0) {
                ++failures;
                messages[thread] = ado.LastMessage.str();
                return;
            }
            // Each thread owns the even or the odd rows.
            const std::string sql = "SELECT numId, dblX FROM tblPoints WHERE numId >= 100 AND numId % 2 = " +
                                    std::to_string(thread) + " ORDER BY numId";
            if (ado.OpenRecordset(sql.c_str()) != 1) {
                ++failures;
                messages[thread] = ado.LastMessage.str();
                return;
            }
            do {
                double x = 0.0;
                if (ado.GetFieldDouble("dblX", x) != 1 || ado.SetFieldDouble("dblX", x + 1.0) != 1) {
                    ++failures;
                    messages[thread] = ado.LastMessage.str();
                    return;
                }
            } while (ado.MoveNext() == 1);
            ado.CloseRecordset();
            ado.Disconnect();
            ado.Shutdown();
        }
    };
    std::thread a(work, 0), b(work, 1);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0) << messages[0] << " | " << messages[1];
    CCxAdo check;
    ASSERT_EQ(Open(check, "SELECT COUNT(*) AS numDone FROM tblPoints WHERE numId >= 100 AND dblX = 4"), 1);
    int done = 0;
    check.GetFieldLong("numDone", done);
    EXPECT_EQ(done, 20);
    EXPECT_EQ(Log(), "");
}

TEST_P(CxAdoEngines, TextsTravelAsUtf8BothWays)
{
    const std::string name = "Z\xc3\xbcrich \xe2\x80\x93 \xce\x95\xce\xbb\xce\xbb\xce\xac\xce\xb4\xce\xb1";
    Exec("INSERT INTO tblPoints (numId, strName) VALUES (9, '" + name + "')");
    CCxAdo ado;
    ASSERT_EQ(Open(ado, "SELECT strName FROM tblPoints WHERE strName = '" + name + "'"), 1) << ado.LastMessage.str();
    CCxString text;
    ASSERT_EQ(ado.GetFieldString("strName", text), 1);
    EXPECT_EQ(text.str(), name);

    // A text longer than one read of the driver comes whole.
    std::string longText;
    for (int i = 0; longText.size() < 10000; ++i)
        longText += std::to_string(i) + (i % 7 == 0 ? "\xc3\xa9" : " ");
    Exec("CREATE TABLE tblNotes (numId INTEGER PRIMARY KEY, strNote TEXT)");
    Exec("INSERT INTO tblNotes VALUES (1, '" + longText + "')");
    CCxAdo notes;
    ASSERT_EQ(Open(notes, "SELECT strNote FROM tblNotes"), 1) << notes.LastMessage.str();
    ASSERT_EQ(notes.GetFieldString("strNote", text), 1);
    EXPECT_EQ(text.GetLength(), longText.size());
    EXPECT_TRUE(text.str() == longText);
}

TEST_P(CxAdoEngines, ConnectTwiceKeepsTheFirstConnection)
{
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(connection.c_str()), 0);
    EXPECT_EQ(ado.Connect(connection.c_str()), -1);
    const std::string shown = GetParam() == Engine::Postgres
                                  ? connection.substr(0, connection.find("Pwd=") + 4) + "***;"
                                  : connection;
    EXPECT_EQ(ado.LastMessage.str(), "ADODB: Failed to connect [" + shown + "], already connected.");
    EXPECT_EQ(ado.LastMessage.str().find("s3cret"), std::string::npos);
    EXPECT_EQ(ado.OpenRecordset("SELECT * FROM tblPoints"), 1);
}

INSTANTIATE_TEST_SUITE_P(AllEngines, CxAdoEngines,
                         testing::Values(Engine::NativeSqlite, Engine::SqliteOdbc, Engine::Postgres), EngineName);

} // namespace
