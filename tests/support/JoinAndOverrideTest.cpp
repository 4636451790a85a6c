#include <gtest/gtest.h>

#include "CxAdo.h"
#include "ScratchFolder.h"
#include "Settings.h"

// SQLite names a joined table's key "numId:1" when it expands "t.*"; callers
// ask for the table's own column name and must get it.
TEST(SqliteJoins, ExpandedColumnsKeepTheirTablesNames)
{
    CScratchFolder scratch;
    const std::string file = scratch.File("join.db");
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(("Provider=SQLite;Data Source=" + file + ";Create=Yes;").c_str()), 0) << ado.LastMessage;
    ASSERT_EQ(ado.Execute("CREATE TABLE tblA ( numId INTEGER PRIMARY KEY, strA TEXT, numB INTEGER, numC INTEGER )"), 0);
    ASSERT_EQ(ado.Execute("CREATE TABLE tblB ( numId INTEGER PRIMARY KEY, strB TEXT )"), 0);
    ASSERT_EQ(ado.Execute("CREATE TABLE tblC ( numId INTEGER PRIMARY KEY, strC TEXT )"), 0);
    ASSERT_EQ(ado.Execute("INSERT INTO tblA VALUES ( 7, 'seven', 3, 5 )"), 0);
    ASSERT_EQ(ado.Execute("INSERT INTO tblB VALUES ( 3, 'three' )"), 0);
    ASSERT_EQ(ado.Execute("INSERT INTO tblC VALUES ( 5, 'five' )"), 0);

    // The grid list's shape: a join nested in parentheses.
    const char* from = " FROM tblB INNER JOIN (tblC INNER JOIN tblA ON tblC.numId = tblA.numC) ON tblB.numId = tblA.numB";
    ASSERT_EQ(ado.OpenRecordset((std::string("SELECT tblA.*, tblB.strB, tblC.strC") + from).c_str()), 1)
        << ado.LastMessage;
    int id = 0;
    EXPECT_EQ(ado.GetFieldLong("numId", id), 1);
    EXPECT_EQ(id, 7);
    ado.CloseRecordset();

    // Where another column has the name, SQLite's own name stays, so neither
    // key is mistaken for the other.
    ASSERT_EQ(ado.OpenRecordset((std::string("SELECT tblA.*, tblB.*") + from).c_str()), 1);
    EXPECT_EQ(ado.GetFieldLong("numId", id), 1);
    EXPECT_EQ(id, 3);
    EXPECT_EQ(ado.GetFieldLong("numId:1", id), 1);
    EXPECT_EQ(id, 7);
}

TEST(Settings, AnOverrideWinsOverEveryFile)
{
    CScratchFolder scratch;
    CScratchFolder::Write(scratch.Path() + "/home/config/Veltrix/Geolynx.conf", "ProgramRoot = /from/the/file\n");
    CCxString value;
    ASSERT_EQ(ReadSetting("ProgramRoot", value), 0);
    EXPECT_EQ(value, "/from/the/file");
    OverrideSetting("ProgramRoot", "/given/on/the/command/line");
    ReadProgramRoot(value);
    EXPECT_EQ(value, "/given/on/the/command/line");
    OverrideSetting("ProgramRoot", "");
    ReadProgramRoot(value);
    EXPECT_EQ(value, "/from/the/file");
}
