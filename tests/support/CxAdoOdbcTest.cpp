// What only the ODBC backend does: PostgreSQL's own types through psqlODBC,
// driver-manager failures, and passwords kept out of messages and the log.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "AdoBackend.h"
#include "CxAdo.h"
#include "ExceptionsLog.h"
#include "PostgresFixture.h"
#include "ScratchFolder.h"

// psqlODBC keeps a few hundred bytes per statement whose result has a
// computed column (its column-source lookup); the allocation is the driver's
// own, so the leak checker of the sanitizer build passes over it.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:psqlodbca.so\nleak:psqlodbcw.so\n";
}

namespace {

TEST(CxAdoOdbc, PostgresTypesMapAsTheOdbcProviderMapsThem)
{
    CScratchFolder scratch;
    CPostgresServer server;
    ASSERT_TRUE(server.Running()) << server.Error();
    ASSERT_TRUE(server.Psql("CREATE TABLE tblTypes (numId integer PRIMARY KEY, fltS real, dblD double precision, "
                            "decN numeric(10,3), bolB boolean, datD date, tsT timestamp, strV varchar(20), "
                            "strT text, numB bigint, numS smallint);"
                            "INSERT INTO tblTypes VALUES (1, 1.5, 2.25, 12.345, true, '2012-03-07', "
                            "'2012-03-07 14:05:59', 'v', 'long text', 9000000000, -2);"));
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    // psqlODBC reports booleans as characters unless told otherwise.
    ASSERT_EQ(ado.Connect((server.ConnectionString() + "BoolsAsChar=0;").c_str()), 0) << ado.LastMessage.str();
    ASSERT_EQ(ado.OpenRecordset("SELECT * FROM tblTypes"), 1) << ado.LastMessage.str();
    auto type = [&](const char* f) { return ado.GetFieldValue(f).Type(); };
    EXPECT_EQ(type("numId"), CxTypeInt32);
    EXPECT_EQ(type("fltS"), CxTypeSingle);
    EXPECT_EQ(type("dblD"), CxTypeDouble);
    EXPECT_EQ(type("decN"), CxTypeDecimal);
    EXPECT_EQ(type("bolB"), CxTypeBoolean);
    EXPECT_EQ(type("datD"), CxTypeDate);
    EXPECT_EQ(type("tsT"), CxTypeDate);
    EXPECT_EQ(type("strV"), CxTypeText);
    EXPECT_EQ(type("strT"), CxTypeText);
    EXPECT_EQ(type("numB"), CxTypeInt64);
    EXPECT_EQ(type("numS"), CxTypeInt16);
    double d = 0.0;
    ASSERT_EQ(ado.GetFieldDouble("fltS", d), 1) << "a single is widened";
    EXPECT_EQ(d, 1.5);
    EXPECT_EQ(ado.GetFieldDouble("decN", d), 0);
    EXPECT_EQ(ado.LastMessage, "Failed to get field value [decN], invalid type [14].");
    EXPECT_EQ(ado.GetFieldValue("decN").AsText(), "12.345");
    CCxString text;
    ASSERT_EQ(ado.GetFieldString("tsT", text), 1);
    EXPECT_EQ(text, "07/03/2012 - 14:05") << "minutes are not rounded up by the seconds";
    ASSERT_EQ(ado.GetFieldString("datD", text), 1);
    EXPECT_EQ(text, "07/03/2012 - 00:00");
    ASSERT_EQ(ado.GetFieldString("strT", text), 1);
    EXPECT_EQ(text, "long text");
    int n = 0;
    EXPECT_EQ(ado.GetFieldLong("bolB", n), 0);
    EXPECT_EQ(ado.LastMessage, "Failed to get field value [bolB], invalid type [11].");
    EXPECT_EQ(ado.GetFieldLong("numB", n), 0);
    // A single column is matched on its own type when the key is not read.
    ado.CloseRecordset();
    ASSERT_EQ(ado.OpenRecordset("SELECT fltS, strV, bolB, datD FROM tblTypes"), 1);
    ASSERT_EQ(ado.SetFieldDouble("fltS", 3.0), 1) << ado.LastMessage.str();
    ado.CloseRecordset();
    ASSERT_EQ(ado.OpenRecordset("SELECT fltS FROM tblTypes"), 1);
    EXPECT_EQ(ado.GetFieldDouble("fltS", d), 1);
    EXPECT_EQ(d, 3.0);
}

TEST(CxAdoOdbc, FailedConnectionsNameTheCauseButNeverThePassword)
{
    CScratchFolder scratch;
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    const std::string unknown = "Driver={No Such Driver};Server=x;Uid=me;Pwd=hunter2;";
    EXPECT_EQ(ado.Connect(unknown.c_str()), -1);
    const std::string m = ado.LastMessage.str();
    EXPECT_EQ(m.rfind("ADODB: Failed to connect [Driver={No Such Driver};Server=x;Uid=me;Pwd=***;],[SQLSTATE 01000],[", 0),
              0u)
        << m;
    EXPECT_EQ(m.find("hunter2"), std::string::npos);

    // A server that is not there: psqlODBC's diagnostic, the password masked in the log too.
    const std::string down =
        "Driver={PostgreSQL ANSI};Server=127.0.0.1;Port=1;Database=x;Uid=postgres;Password={pa;ss};";
    EXPECT_EQ(ado.Connect(down.c_str()), -1);
    EXPECT_EQ(ado.LastMessage.str().rfind(
                  "ADODB: Failed to connect [Driver={PostgreSQL ANSI};Server=127.0.0.1;Port=1;Database=x;Uid=postgres;"
                  "Password=***;],[SQLSTATE 08001],[",
                  0),
              0u)
        << ado.LastMessage.str();
    EXPECT_FALSE(ado.IsConnected());
    const std::string log = CScratchFolder::Read(ExceptionsLogPath());
    EXPECT_NE(log.find("LINE [152]"), std::string::npos);
    EXPECT_EQ(log.find("hunter2"), std::string::npos) << log;
    EXPECT_EQ(log.find("pa;ss"), std::string::npos) << log;
    EXPECT_NE(log.find("Pwd=***;"), std::string::npos) << log;

    // A successful connection's text masks it as well.
    CPostgresServer server;
    ASSERT_TRUE(server.Running()) << server.Error();
    ASSERT_EQ(ado.Connect(server.ConnectionString().c_str()), 0) << ado.LastMessage.str();
    EXPECT_EQ(ado.LastMessage.str().find("s3cret"), std::string::npos);
    EXPECT_NE(ado.LastMessage.str().find("Pwd=***;].", 0), std::string::npos) << ado.LastMessage.str();
}

TEST(CxAdoOdbc, SqliteDriverReportsTypesAndSourcesOfColumns)
{
    CScratchFolder scratch;
    const std::string cs = "Driver={SQLite3};Database=" + scratch.File("odbc.db") + ";";
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(cs.c_str()), 0) << ado.LastMessage.str();
    ASSERT_EQ(ado.Execute("CREATE TABLE g (strName TEXT, dblE DOUBLE, dblN DOUBLE)"), 0);
    ASSERT_EQ(ado.Execute("INSERT INTO g VALUES ('one', 1, 2)"), 0);
    ASSERT_EQ(ado.Execute("INSERT INTO g VALUES ('two', 3, 4)"), 0);
    // Batch conversion reads the table whole and writes two fields per row.
    ASSERT_EQ(ado.OpenRecordset("SELECT * FROM g"), 1);
    do {
        double e = 0.0, n = 0.0;
        ASSERT_EQ(ado.GetFieldDouble("dblE", e), 1) << ado.LastMessage.str();
        ASSERT_EQ(ado.GetFieldDouble("dblN", n), 1) << ado.LastMessage.str();
        ASSERT_EQ(ado.SetFieldDouble("dblE", n * 10), 1) << ado.LastMessage.str();
        ASSERT_EQ(ado.SetFieldDouble("dblN", e * 10), 1) << ado.LastMessage.str();
    } while (ado.MoveNext() == 1);
    ado.CloseRecordset();
    ASSERT_EQ(ado.OpenRecordset("SELECT strName || ':' || dblE || ':' || dblN AS strRow FROM g ORDER BY strName"), 1);
    CCxString row;
    ado.GetFieldString("strRow", row);
    EXPECT_EQ(row, "one:20.0:10.0");
    ado.MoveNext();
    ado.GetFieldString("strRow", row);
    EXPECT_EQ(row, "two:40.0:30.0");
}

} // namespace

namespace {

// Drivers that do not say where a column comes from fall back on the query
// text; only a plain one-table query names its table.
TEST(CxAdoOdbc, OneTableQueriesNameTheirTable)
{
    struct Case {
        const char* sql;
        const char* schema;
        const char* table;
    } found[] = {
        {"SELECT * FROM tblPoints", "", "tblPoints"},
        {"select a,b from Sites where a > 1 order by b", "", "Sites"},
        {"SELECT x FROM public.sites;", "public", "sites"},
        {"SELECT x FROM \"My \"\"Odd\"\" Table\" WHERE x IN (SELECT y FROM other)", "", "My \"Odd\" Table"},
        {"SELECT [Easting] FROM [Survey Points]", "", "Survey Points"},
        {"SELECT `e` FROM `db`.`pts`", "db", "pts"},
    };
    for (const auto& c : found) {
        std::string schema = "?", table = "?";
        ASSERT_TRUE(SingleSourceTable(c.sql, schema, table)) << c.sql;
        EXPECT_EQ(schema, c.schema) << c.sql;
        EXPECT_EQ(table, c.table) << c.sql;
    }
    for (const char* sql : {"SELECT * FROM a, b", "SELECT * FROM a JOIN b ON a.x = b.x", "SELECT * FROM (SELECT 1)",
                            "SELECT 1", "UPDATE a SET x = 1", "SELECT * FROM a GROUP BY x", "SELECT * FROM a b"}) {
        std::string schema, table;
        EXPECT_FALSE(SingleSourceTable(sql, schema, table)) << sql;
    }
}

} // namespace
