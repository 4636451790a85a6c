// Transactions, forward-only record sets and prepared statements of the
// database layer, on native SQLite, SQLite through ODBC and PostgreSQL.

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <string>
#include <vector>

#include "CxAdo.h"
#include "ExceptionsLog.h"
#include "PostgresFixture.h"
#include "ScratchFolder.h"

namespace {

class CxAdoTransactions : public testing::Test
{
protected:
    static void SetUpTestSuite() { server = new CPostgresServer(); }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }

    // A file with table t (id, v) holding ids 1 to rows, and its connection
    // strings: native, then through the SQLite ODBC driver.
    std::vector<std::string> Connections(int rows)
    {
        const std::string file = scratch.File("t" + std::to_string(++files) + ".db");
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        const std::string sql = "CREATE TABLE t (id INTEGER PRIMARY KEY, v DOUBLE); "
                                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                                std::to_string(rows) + ") INSERT INTO t SELECT i, NULL FROM n;";
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        std::vector<std::string> connections = {"Provider=SQLite;Data Source=" + file + ";Default Timeout=1;",
                                                "Driver=SQLite3;Database=" + file + ";"};
        if (server->Running() && server->Psql("DROP TABLE IF EXISTS t; CREATE TABLE t (id integer PRIMARY KEY, v "
                                              "double precision); INSERT INTO t SELECT i, NULL FROM "
                                              "generate_series(1, " +
                                              std::to_string(rows) + ") AS i;"))
            connections.push_back(server->ConnectionString());
        return connections;
    }

    static long long Count(const std::string& connection, const char* where)
    {
        CCxAdo ado;
        long value = -1;
        if (ado.Initialize() == 0 && ado.Connect(connection.c_str()) == 0 &&
            ado.OpenRecordset((std::string("SELECT CAST(count(*) AS integer) AS n FROM t WHERE ") + where).c_str()) == 1)
            ado.GetFieldLong("n", value);
        return value;
    }

    CScratchFolder scratch;
    int files = 0;
    static CPostgresServer* server;
};

CPostgresServer* CxAdoTransactions::server = nullptr;

} // namespace

TEST_F(CxAdoTransactions, CommitKeepsAndRollbackGivesUpTheStatementsBetween)
{
    for (const auto& connection : Connections(3))
    {
        SCOPED_TRACE(connection);
        CCxAdo ado;
        ASSERT_EQ(ado.Initialize(), 0);
        EXPECT_EQ(ado.BeginTrans(), -1);
        EXPECT_EQ(ado.LastMessage.str(), "ADODB: Failed to begin transaction, not connected.");
        ASSERT_EQ(ado.Connect(connection.c_str()), 0) << ado.LastMessage.str();
        ASSERT_EQ(ado.Execute("UPDATE t SET v = NULL"), 0); // the SQLite file serves two connections
        EXPECT_EQ(ado.CommitTrans(), -1);
        EXPECT_EQ(ado.LastMessage.str(), "ADODB: Failed to commit transaction, no transaction open.");

        ASSERT_EQ(ado.BeginTrans(), 0) << ado.LastMessage.str();
        EXPECT_TRUE(ado.InTransaction());
        EXPECT_EQ(ado.BeginTrans(), -1);
        EXPECT_EQ(ado.LastMessage.str(), "ADODB: Failed to begin transaction, transaction already open.");
        ASSERT_EQ(ado.Execute("UPDATE t SET v = 1 WHERE id = 1"), 0) << ado.LastMessage.str();
        ASSERT_EQ(ado.Execute("UPDATE t SET v = 2 WHERE id = 2"), 0);
        ASSERT_EQ(ado.RollbackTrans(), 0) << ado.LastMessage.str();
        EXPECT_FALSE(ado.InTransaction());
        EXPECT_EQ(Count(connection, "v IS NOT NULL"), 0);

        ASSERT_EQ(ado.BeginTrans(), 0);
        ASSERT_EQ(ado.Execute("UPDATE t SET v = 1 WHERE id = 1"), 0);
        ASSERT_EQ(ado.Execute("UPDATE t SET v = 2 WHERE id = 2"), 0);
        ASSERT_EQ(ado.CommitTrans(), 0) << ado.LastMessage.str();
        EXPECT_EQ(Count(connection, "v IS NOT NULL"), 2);

        // Outside a transaction every statement is saved at once again.
        ASSERT_EQ(ado.Execute("UPDATE t SET v = 3 WHERE id = 3"), 0);
        EXPECT_EQ(Count(connection, "v = 3"), 1);

        // Work left open when the connection closes is given up.
        ASSERT_EQ(ado.BeginTrans(), 0);
        ASSERT_EQ(ado.Execute("UPDATE t SET v = NULL"), 0);
        ado.Disconnect();
        EXPECT_EQ(Count(connection, "v IS NULL"), 0);
    }
}

TEST_F(CxAdoTransactions, AFailedCommitIsLoggedAndLeavesTheTransactionToRollBack)
{
    const std::string connection = Connections(2)[0];
    const std::string file = scratch.File("t" + std::to_string(files) + ".db");
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(connection.c_str()), 0);
    ASSERT_EQ(ado.BeginTrans(), 0);
    ASSERT_EQ(ado.Execute("UPDATE t SET v = 1"), 0);
    // A reader in the middle of its query keeps the writer from committing.
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &reader), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(reader, "SELECT * FROM t", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(ado.CommitTrans(), -1);
    EXPECT_EQ(ado.LastMessage.str().rfind("ADODB: Failed to commit transaction [database is locked],[another "
                                          "connection holds a lock on the database file; gave up after waiting 1 s]",
                                          0),
              0u)
        << ado.LastMessage.str();
    EXPECT_NE(CScratchFolder::Read(ExceptionsLogPath()).find("LINE [630]"), std::string::npos);
    EXPECT_TRUE(ado.InTransaction());
    sqlite3_finalize(st);
    sqlite3_close(reader);
    EXPECT_EQ(ado.RollbackTrans(), 0) << ado.LastMessage.str();
    EXPECT_EQ(Count(connection, "v IS NULL"), 2);
}

TEST_F(CxAdoTransactions, ForwardOnlyRecordSetsReadEveryRowBlockByBlock)
{
    for (const auto& connection : Connections(1000))
    {
        SCOPED_TRACE(connection);
        CCxAdo ado;
        ASSERT_EQ(ado.Initialize(), 0);
        ASSERT_EQ(ado.Connect(connection.c_str()), 0);
        for (const bool byKey : {false, true})
        {
            const int opened = byKey ? ado.OpenForwardOnlyByKey("SELECT v, id FROM t", {"id"}, {1}, 64)
                                     : ado.OpenForwardOnly("SELECT v, id FROM t ORDER BY id", 64);
            ASSERT_EQ(opened, 1) << ado.LastMessage.str();
            int count = 0;
            EXPECT_EQ(ado.GetRecordCount(count), -1);
            EXPECT_EQ(ado.LastMessage.str(), "ADODB: Failed to get record count, the recordset is forward-only.");
            EXPECT_EQ(ado.SetFieldDouble("v", 1.0), 0);
            ASSERT_EQ(ado.FieldCount(), 2);
            EXPECT_EQ(ado.FieldName(1), "id");
            int expected = 1;
            int next = 1;
            for (; next == 1; next = ado.MoveNext())
            {
                int id = 0;
                ASSERT_EQ(ado.GetFieldLong("id", id), 1);
                ASSERT_EQ(id, expected++);
                EXPECT_EQ(ado.FieldAt(1).AsInteger(), id);
            }
            EXPECT_EQ(next, 0);
            EXPECT_EQ(expected, 1001);
            EXPECT_EQ(ado.MoveNext(), -1) << "past the end";
            ado.CloseRecordset();
        }
        EXPECT_EQ(ado.OpenForwardOnly("SELECT * FROM t WHERE id < 0"), 0);
        ado.CloseRecordset();
        EXPECT_EQ(ado.OpenForwardOnly("SELECT * FROM nowhere"), -1);
        EXPECT_EQ(ado.LastMessage.str().rfind("ADODB: Failed to open recordset: [SELECT * FROM nowhere],[", 0), 0u);
    }
}

TEST_F(CxAdoTransactions, AKeyedRecordSetOnSqliteLetsOthersWriteBetweenBlocks)
{
    const std::string connection = Connections(500)[0];
    const std::string file = scratch.File("t" + std::to_string(files) + ".db");
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(connection.c_str()), 0);
    ASSERT_EQ(ado.OpenForwardOnlyByKey("SELECT rowid, * FROM t", {"rowid"}, {0}, 100), 1);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    // Another program writes and commits while the record set is open ...
    EXPECT_EQ(sqlite3_exec(other, "UPDATE t SET v = -1 WHERE id = 400", nullptr, nullptr, nullptr), SQLITE_OK);
    // ... and this one writes in a transaction of its own.
    ASSERT_EQ(ado.BeginTrans(), 0) << ado.LastMessage.str();
    ASSERT_EQ(ado.Execute("UPDATE t SET v = 1 WHERE id = 1"), 0);
    ASSERT_EQ(ado.CommitTrans(), 0) << ado.LastMessage.str();
    int rows = 1;
    while (ado.MoveNext() == 1)
        ++rows;
    EXPECT_EQ(rows, 500);
    sqlite3_close(other);
}

TEST_F(CxAdoTransactions, PreparedStatementsRunManyRowsAndCountTheRowsChanged)
{
    for (const auto& connection : Connections(10))
    {
        SCOPED_TRACE(connection);
        CCxAdo ado;
        ASSERT_EQ(ado.Initialize(), 0);
        std::vector<long long> changed;
        EXPECT_EQ(ado.ExecutePrepared({}, true, changed), -1);
        ASSERT_EQ(ado.Connect(connection.c_str()), 0);
        EXPECT_EQ(ado.ExecutePrepared({}, true, changed), -1);
        EXPECT_EQ(ado.LastMessage.str(), "ADODB: Failed to execute prepared statement, no statement prepared.");
        ASSERT_EQ(ado.PrepareStatement("UPDATE t SET v = ? WHERE id >= ? AND id <= ?"), 0) << ado.LastMessage.str();
        auto row = [](double v, int from, int to) {
            return std::vector<CCxValue>{CCxValue::Double(v), CCxValue::Integer(CxTypeInt32, from),
                                         CCxValue::Integer(CxTypeInt32, to)};
        };
        ASSERT_EQ(ado.BeginTrans(), 0);
        ASSERT_EQ(ado.ExecutePrepared({row(1.5, 1, 1), row(2.5, 20, 30), row(3.5, 2, 3)}, true, changed), 0)
            << ado.LastMessage.str();
        EXPECT_EQ(changed, (std::vector<long long>{1, 0, 2}));
        // As one parameter array where the driver offers it: the total.
        std::vector<std::vector<CCxValue>> many;
        for (int id = 4; id <= 10; ++id)
            many.push_back(row(id + 0.25, id, id));
        ASSERT_EQ(ado.ExecutePrepared(many, false, changed), 0) << ado.LastMessage.str();
        EXPECT_EQ(changed, (std::vector<long long>{7}));
        ASSERT_EQ(ado.CommitTrans(), 0);
        EXPECT_EQ(Count(connection, "v = id + 0.25"), 7);
        EXPECT_EQ(Count(connection, "v IS NULL"), 0);

        // A value the column refuses fails the run with the layer's message.
        ASSERT_EQ(ado.PrepareStatement("UPDATE t SET id = ? WHERE id = ?"), 0);
        EXPECT_EQ(ado.ExecutePrepared({{CCxValue::Integer(CxTypeInt32, 2), CCxValue::Integer(CxTypeInt32, 1)}}, true,
                                      changed),
                  -1);
        EXPECT_EQ(ado.LastMessage.str().rfind("ADODB: Failed to execute prepared statement [UPDATE t SET id = ? "
                                              "WHERE id = ?],[",
                                              0),
                  0u)
            << ado.LastMessage.str();
    }
}
