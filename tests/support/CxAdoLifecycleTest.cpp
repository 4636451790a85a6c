// States, flags and precondition texts of CCxAdo, on a native SQLite file.

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <string>

#include "CxAdo.h"
#include "ExceptionsLog.h"
#include "ScratchFolder.h"

namespace {

class CxAdoLifecycle : public testing::Test
{
protected:
    void SetUp() override
    {
        file = scratch.File("life.db");
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                               "CREATE TABLE t (numId INTEGER PRIMARY KEY, dblV DOUBLE);"
                               "INSERT INTO t VALUES (1, 0.5), (2, 1.5);",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
        connection = "Provider=SQLite;Data Source=" + file + ";";
    }

    std::string Log() const { return CScratchFolder::Read(ExceptionsLogPath()); }

    CScratchFolder scratch;
    std::string file;
    std::string connection;
};

TEST_F(CxAdoLifecycle, IdleObjectRefusesEverythingWithItsOwnText)
{
    CCxAdo ado;
    EXPECT_EQ(ado.LastMessage, "");
    EXPECT_FALSE(ado.IsInitialized());
    const char* sql = "SELECT * FROM t";
    EXPECT_EQ(ado.Connect(connection.c_str()), -1);
    EXPECT_EQ(ado.LastMessage.str(), "ADODB: Failed to connect [" + connection + "], initialize first.");
    EXPECT_EQ(ado.Execute(sql), -1);
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to execute query [SELECT * FROM t], not initialized.");
    EXPECT_EQ(ado.OpenRecordset(sql), -1);
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to open recordset [SELECT * FROM t], not initialized.");
    EXPECT_EQ(ado.OpenSchema(SchemaTables), -1);
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to get schema, not initialized.");
    int count = 77;
    EXPECT_EQ(ado.GetRecordCount(count), -1);
    EXPECT_EQ(count, 77);
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to get record count, not initialized.");
    EXPECT_EQ(ado.MoveNext(), -1);
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to move to next record, not initialized.");
    ado.CloseRecordset();
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to close recordset, not initialized.");
    EXPECT_TRUE(ado.GetFieldValue("numId").IsAbsent());
    EXPECT_EQ(ado.LastMessage, "Failed to get field value [numId], not initialized.");
    double d = 9.0;
    EXPECT_EQ(ado.GetFieldDouble("dblV", d), 0);
    EXPECT_EQ(d, 0.0) << "GetFieldDouble clears its out-argument before reading";
    ado.Shutdown();
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to shutdown, not initialized.");
    ado.Disconnect(); // silent
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to shutdown, not initialized.");
    // SetFieldDouble checks nothing first: the engine call fails and is logged.
    EXPECT_EQ(ado.SetFieldDouble("dblV", 1.0), 0);
    EXPECT_EQ(ado.LastMessage.str().rfind("ADODB: Failed to set field value [dblV],[", 0), 0u);
    const std::string log = Log();
    EXPECT_NE(log.find("LINE [1074]"), std::string::npos);
    EXPECT_EQ(log.find("LINE [", log.find("LINE [") + 1), std::string::npos) << "precondition failures are not logged";
}

TEST_F(CxAdoLifecycle, ReadyObjectNeedsAConnection)
{
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    EXPECT_EQ(ado.LastMessage, "ADODB: Successfully initialized.");
    EXPECT_EQ(ado.Initialize(), -1);
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to initialize, already initialized.");
    EXPECT_TRUE(ado.IsInitialized());
    EXPECT_EQ(ado.Execute("DELETE FROM t"), -1);
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to execute query [DELETE FROM t], not connected.");
    EXPECT_EQ(ado.OpenRecordset("SELECT 1"), -1);
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to open recordset [SELECT 1], not connected.");
    EXPECT_EQ(ado.OpenSchema(SchemaColumns), -1);
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to get schema, not connected.");
    int count = 0;
    EXPECT_EQ(ado.GetRecordCount(count), -1);
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to get record count, not connected.");
    EXPECT_EQ(ado.MoveNext(), -1);
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to move to next record, not connected.");
    ado.CloseRecordset();
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to close recordset, not connected.");
    EXPECT_TRUE(ado.GetFieldValue("x").IsAbsent());
    EXPECT_EQ(ado.LastMessage, "Failed to get field value [x], not connected.");
    ado.Shutdown();
    EXPECT_FALSE(ado.IsInitialized());
    EXPECT_EQ(ado.Initialize(), 0) << "Shutdown leads back to Idle";
}

TEST_F(CxAdoLifecycle, ConnectedObjectNeedsARecordSet)
{
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(connection.c_str()), 0);
    EXPECT_EQ(ado.LastMessage.str(), "ADODB: Successfully connected to database [" + connection + "].");
    int count = 0;
    EXPECT_EQ(ado.GetRecordCount(count), -1);
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to get record count, no recordset loaded.");
    EXPECT_EQ(ado.MoveNext(), -1);
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to move to next record, no recordset opened.");
    ado.CloseRecordset();
    EXPECT_EQ(ado.LastMessage, "ADODB: Failed to close recordset, no recordset opened.");
    EXPECT_TRUE(ado.GetFieldValue("numId").IsAbsent());
    EXPECT_EQ(ado.LastMessage, "Failed to get field value [numId], not recorset opened.");
    // Execute needs no record set and leaves an open one alone.
    ASSERT_EQ(ado.OpenRecordset("SELECT * FROM t ORDER BY numId"), 1);
    EXPECT_EQ(ado.Execute("UPDATE t SET dblV = 7 WHERE numId = 2"), 0) << ado.LastMessage.str();
    EXPECT_TRUE(ado.IsRecordsetOpen());
    int id = 0;
    EXPECT_EQ(ado.GetFieldLong("numId", id), 1);
    EXPECT_EQ(id, 1);
    EXPECT_EQ(Log(), "");
}

TEST_F(CxAdoLifecycle, ShutdownAndDestructorReleaseEverything)
{
    {
        CCxAdo ado;
        ASSERT_EQ(ado.Initialize(), 0);
        ASSERT_EQ(ado.Connect(connection.c_str()), 0);
        ASSERT_EQ(ado.OpenRecordset("SELECT * FROM t"), 1);
        ado.Shutdown();
        EXPECT_FALSE(ado.IsInitialized());
        EXPECT_FALSE(ado.IsConnected());
        EXPECT_FALSE(ado.IsRecordsetOpen());
        EXPECT_EQ(ado.OpenRecordset("SELECT * FROM t"), -1);
        EXPECT_EQ(ado.LastMessage, "ADODB: Failed to open recordset [SELECT * FROM t], not initialized.");
        // A fresh start on the same object works.
        ASSERT_EQ(ado.Initialize(), 0);
        ASSERT_EQ(ado.Connect(connection.c_str()), 0);
        ASSERT_EQ(ado.OpenRecordset("SELECT * FROM t"), 1);
        // The destructor disconnects with the record set still open.
    }
    // Nothing holds the file: an exclusive transaction gets it at once.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE; COMMIT;", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

TEST_F(CxAdoLifecycle, LongStatementsAreCutInTheMessage)
{
    CCxAdo ado;
    std::string sql = "SELECT * FROM t WHERE strName = '" + std::string(3000, 'x') + "'";
    EXPECT_EQ(ado.Execute(sql.c_str()), -1);
    EXPECT_EQ(ado.LastMessage.GetLength(), CCxString::FormatLimit);
    EXPECT_EQ(ado.LastMessage.str().rfind("ADODB: Failed to execute query [SELECT * FROM t WHERE strName = 'xxx", 0), 0u);
}

} // namespace
