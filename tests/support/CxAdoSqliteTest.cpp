// What only the native SQLite backend does: connection strings with a file,
// the column types by declaration, the Jet provider on SQLite files.

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <string>

#include "CxAdo.h"
#include "ExceptionsLog.h"
#include "ScratchFolder.h"

namespace {

class CxAdoSqlite : public testing::Test
{
protected:
    void Create(const std::string& path, const char* sql)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        char* error = nullptr;
        ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << error;
        sqlite3_close(db);
    }

    std::string Log() const { return CScratchFolder::Read(ExceptionsLogPath()); }

    CScratchFolder scratch;
};

TEST_F(CxAdoSqlite, ValueTypesFollowTheDeclaredColumnType)
{
    const std::string file = scratch.File("types.db");
    Create(file,
           "CREATE TABLE v (i INTEGER, s SMALLINT, t TINYINT, b BIGINT, r REAL, f FLOAT, d DOUBLE, "
           "x TEXT, c VARCHAR(9), dt DATETIME, da DATE, ts TIMESTAMP, bo BOOLEAN, n NUMERIC(10,2), bl BLOB, u);"
           "INSERT INTO v VALUES (2147483647, -32768, -128, 5, 1.5, 2, 3.25, 'x', 'c', '2012-03-07T14:05:30', "
           "'2012-03-07', 2455994.25, 1, 12.5, x'00ff', 4);"
           "INSERT INTO v VALUES (2147483648, 40000, 300, -1, 'abc', NULL, 'not a number', 42, 7, 'not a date', "
           "2455994.5, 1331129100, 0, 'n/a', NULL, 2.5);"
           "INSERT INTO v (u, x) VALUES ('text', x'41');");
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(("Provider=SQLite;Data Source=" + file + ";").c_str()), 0) << ado.LastMessage.str();
    ASSERT_EQ(ado.OpenRecordset("SELECT *, i + 1 AS e FROM v"), 1) << ado.LastMessage.str();
    auto type = [&](const char* f) { return ado.GetFieldValue(f).Type(); };
    EXPECT_EQ(type("i"), CxTypeInt32);
    EXPECT_EQ(type("s"), CxTypeInt16);
    EXPECT_EQ(type("t"), CxTypeInt8);
    EXPECT_EQ(type("b"), CxTypeInt64);
    EXPECT_EQ(type("r"), CxTypeDouble);
    EXPECT_EQ(type("f"), CxTypeDouble) << "an integer stored in a FLOAT column is a double";
    EXPECT_EQ(type("d"), CxTypeDouble);
    EXPECT_EQ(type("x"), CxTypeText);
    EXPECT_EQ(type("c"), CxTypeText);
    EXPECT_EQ(type("dt"), CxTypeDate);
    EXPECT_EQ(type("da"), CxTypeDate);
    EXPECT_EQ(type("ts"), CxTypeDate);
    EXPECT_EQ(type("bo"), CxTypeBoolean);
    EXPECT_EQ(type("n"), CxTypeDecimal);
    EXPECT_EQ(type("bl"), CxTypeBytes);
    EXPECT_EQ(type("u"), CxTypeInt32) << "no declared type: by the stored value";
    EXPECT_EQ(type("e"), CxTypeInt64) << "an expression beyond 32 bits";
    CCxString text;
    ASSERT_EQ(ado.GetFieldString("dt", text), 1);
    EXPECT_EQ(text, "07/03/2012 - 14:05");
    ASSERT_EQ(ado.GetFieldString("da", text), 1);
    EXPECT_EQ(text, "07/03/2012 - 00:00");
    ASSERT_EQ(ado.GetFieldString("ts", text), 1) << "a REAL in a date column is a Julian day number";
    EXPECT_EQ(text, "07/03/2012 - 18:00");
    int n = 0;
    EXPECT_EQ(ado.GetFieldLong("bo", n), 0) << "a boolean is no integer to the getters";
    EXPECT_EQ(ado.LastMessage, "Failed to get field value [bo], invalid type [11].");
    double v = 0.0;
    EXPECT_EQ(ado.GetFieldDouble("n", v), 0);
    EXPECT_EQ(ado.LastMessage, "Failed to get field value [n], invalid type [14].");
    EXPECT_EQ(ado.GetFieldString("bl", text), 0);
    EXPECT_EQ(ado.LastMessage, "Failed to get field value [bl], invalid type [8209].");
    EXPECT_EQ(ado.GetFieldValue("bl").AsBytes(), (std::vector<unsigned char>{0x00, 0xff}));

    // The second row stores what its declared types cannot hold.
    ASSERT_EQ(ado.MoveNext(), 1);
    EXPECT_EQ(type("i"), CxTypeInt64) << "beyond 32 bits";
    EXPECT_EQ(type("s"), CxTypeInt32) << "beyond 16 bits";
    EXPECT_EQ(type("t"), CxTypeInt32) << "beyond 8 bits";
    EXPECT_EQ(type("r"), CxTypeText);
    EXPECT_TRUE(ado.GetFieldValue("f").IsNull());
    EXPECT_EQ(type("d"), CxTypeText);
    EXPECT_EQ(type("x"), CxTypeText) << "TEXT affinity stored 42 as text";
    EXPECT_EQ(ado.GetFieldValue("x").AsText(), "42");
    EXPECT_EQ(type("dt"), CxTypeText) << "a text that is no date stays text";
    ASSERT_EQ(ado.GetFieldString("dt", text), 1);
    EXPECT_EQ(text, "not a date");
    ASSERT_EQ(ado.GetFieldString("da", text), 1);
    EXPECT_EQ(text, "08/03/2012 - 00:00");
    ASSERT_EQ(ado.GetFieldString("ts", text), 1) << "an INTEGER in a date column is Unix seconds";
    EXPECT_EQ(text, "07/03/2012 - 14:05");
    EXPECT_EQ(type("n"), CxTypeText);
    EXPECT_EQ(type("u"), CxTypeDouble);
    ASSERT_EQ(ado.MoveNext(), 1);
    EXPECT_EQ(type("u"), CxTypeText);
    EXPECT_EQ(type("x"), CxTypeBytes) << "a blob in a TEXT column stays bytes";
    EXPECT_EQ(ado.MoveNext(), 0);
}

TEST_F(CxAdoSqlite, FilesMustExistUnlessCreationIsAsked)
{
    const std::string missing = scratch.File("missing.db");
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    const std::string cs = "Provider=SQLite;Data Source=" + missing + ";";
    EXPECT_EQ(ado.Connect(cs.c_str()), -1);
    EXPECT_EQ(ado.LastMessage.str(),
              "ADODB: Failed to connect [" + cs + "],[unable to open database file],[unable to open database file: " +
                  missing + "]");
    EXPECT_FALSE(ado.IsConnected());
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_NE(Log().find("LINE [152]"), std::string::npos);

    const std::string create = "Provider=SQLite;Data Source=" + missing + ";Create=Yes;";
    ASSERT_EQ(ado.Connect(create.c_str()), 0) << ado.LastMessage.str();
    EXPECT_EQ(ado.Execute("CREATE TABLE a (x INTEGER)"), 0);
    EXPECT_TRUE(std::filesystem::exists(missing));

    CCxAdo none;
    ASSERT_EQ(none.Initialize(), 0);
    EXPECT_EQ(none.Connect("Provider=SQLite;"), -1);
    EXPECT_EQ(none.LastMessage, "ADODB: Failed to connect [Provider=SQLite;],[No data source],[the connection string "
                                "names no Data Source file]");

    // A file that is no database fails at Connect, not at the first query.
    const std::string text = scratch.File("notes.txt");
    CScratchFolder::Write(text, "these are not the pages of a database, just plain text......");
    EXPECT_EQ(none.Connect(("Provider=SQLite;Data Source=" + text + ";").c_str()), -1);
    EXPECT_NE(none.LastMessage.str().find("file is not a database"), std::string::npos) << none.LastMessage.str();
}

TEST_F(CxAdoSqlite, JetProviderOpensSqliteFilesAndExplainsAccessFiles)
{
    const std::string file = scratch.File("table.mdb");
    Create(file, "CREATE TABLE tblSites (numId INTEGER PRIMARY KEY, dblE DOUBLE); INSERT INTO tblSites VALUES (1, 5);");
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file + ";").c_str()), 0)
        << ado.LastMessage.str();
    ASSERT_EQ(ado.OpenRecordset("SELECT * FROM tblSites"), 1);
    ASSERT_EQ(ado.SetFieldDouble("dblE", 6.5), 1) << ado.LastMessage.str();
    ado.Disconnect();

    // An Access file (its own page header) with no Access driver installed.
    const std::string access = scratch.File("real.mdb");
    std::string header(2048, '\0');
    header.replace(4, 15, "Standard Jet DB");
    CScratchFolder::Write(access, header);
    const std::string cs = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + access + ";";
    EXPECT_EQ(ado.Connect(cs.c_str()), -1);
    EXPECT_EQ(ado.LastMessage.str(),
              "ADODB: Failed to connect [" + cs +
                  "],[No driver for Access files],[the file is not a SQLite database, and no ODBC driver for Access "
                  "files is installed to open it: " +
                  access + "]");
    EXPECT_EQ(ado.Connect(("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + scratch.File("nope.mdb") + ";").c_str()),
              -1);
    EXPECT_NE(ado.LastMessage.str().find("[File not found]"), std::string::npos) << ado.LastMessage.str();
}

TEST_F(CxAdoSqlite, RowidTableWithoutKeyAndTextKeys)
{
    const std::string file = scratch.File("keys.db");
    Create(file,
           "CREATE TABLE k (strCode TEXT, numPart INTEGER, dblV DOUBLE, PRIMARY KEY (strCode, numPart));"
           "INSERT INTO k VALUES ('A', 1, 0), ('A', 2, 0), ('B', 1, 0);"
           "CREATE TABLE r (dblV DOUBLE); INSERT INTO r VALUES (1), (1);");
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(("Provider=SQLite;Data Source=" + file + ";").c_str()), 0);
    // A composite key: rows that share one key column are still told apart.
    ASSERT_EQ(ado.OpenRecordset("SELECT * FROM k WHERE strCode = 'A' AND numPart = 2"), 1);
    ASSERT_EQ(ado.SetFieldDouble("dblV", 9.0), 1) << ado.LastMessage.str();
    ado.CloseRecordset();
    // Identical rows: told apart only when the query reads their rowid.
    ASSERT_EQ(ado.OpenRecordset("SELECT dblV FROM r"), 1);
    EXPECT_EQ(ado.SetFieldDouble("dblV", 2.0), 0);
    ado.CloseRecordset();
    ASSERT_EQ(ado.OpenRecordset("SELECT rowid, dblV FROM r ORDER BY rowid"), 1);
    ASSERT_EQ(ado.MoveNext(), 1);
    ASSERT_EQ(ado.SetFieldDouble("dblV", 2.0), 1) << ado.LastMessage.str();
    ado.CloseRecordset();
    ASSERT_EQ(ado.OpenRecordset("SELECT group_concat(dblV, ',') AS strAll FROM (SELECT dblV FROM r ORDER BY rowid)"),
              1);
    CCxString all;
    ASSERT_EQ(ado.GetFieldString("strAll", all), 1);
    EXPECT_EQ(all, "1.0,2.0");
    ado.CloseRecordset();
    ASSERT_EQ(ado.OpenRecordset("SELECT numPart, dblV FROM k ORDER BY strCode, numPart"), 1);
    std::string seen;
    do {
        double v = 0.0;
        ado.GetFieldDouble("dblV", v);
        seen += std::to_string(static_cast<int>(v));
    } while (ado.MoveNext() == 1);
    EXPECT_EQ(seen, "090");
}

TEST_F(CxAdoSqlite, ExecuteRunsEveryStatementOfItsText)
{
    const std::string file = scratch.File("many.db");
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(("Provider=SQLite;Data Source=" + file + ";Create=Yes").c_str()), 0);
    ASSERT_EQ(ado.Execute("CREATE TABLE a (x INTEGER); INSERT INTO a VALUES (1); INSERT INTO a VALUES (2);"), 0)
        << ado.LastMessage.str();
    ASSERT_EQ(ado.OpenRecordset("SELECT SUM(x) AS numSum FROM a"), 1);
    int sum = 0;
    EXPECT_EQ(ado.GetFieldLong("numSum", sum), 1);
    EXPECT_EQ(sum, 3);
    ado.CloseRecordset();
    EXPECT_EQ(ado.OpenRecordset("SELECT 1 AS a; SELECT 2 AS b"), -1) << "a query is one statement";
    EXPECT_EQ(ado.OpenRecordset("INSERT INTO a VALUES (3)"), -1) << "a statement with no rows opens no record set";
    EXPECT_FALSE(ado.IsRecordsetOpen());
}

} // namespace
