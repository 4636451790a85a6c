#include <gtest/gtest.h>

#include "CatalogueFixture.h"
#include "CatalogueLookups.h"
#include "CatalogueStatements.h"
#include "CxAdo.h"

// Every statement the program sends, run through the database layer on one connection.
void RunEveryStatement(const std::string& connection)
{
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(connection.c_str()), 0) << ado.LastMessage.c_str();

    using namespace CatalogueSql;
    const std::vector<std::pair<const char*, long>> selects = {
        {U1, 0},  {U2, 27700}, {P1, 0},    {P2, 9807},  {E1, 7030}, {E2, 0},     {E3, 7030}, {E4, 0},
        {M1, 8901}, {M2, 0},   {D1, 4326}, {D2, 4277},  {D3, 0},    {D4, 4277},  {D5, 0},    {G1, 27700},
        {G2, 27700}, {G4, 0},  {G5, 27700}, {G6, 0},    {C1, 826},  {C2, 0},     {C3, 0},    {C4, 0},
        {C5, 826},  {C6, 0},   {C10, 826}};
    for (const auto& [statement, id] : selects)
    {
        EXPECT_EQ(ado.OpenRecordset(FormatStatement(statement, id).c_str()), 1) << statement << ": "
                                                                                 << ado.LastMessage.c_str();
        ado.CloseRecordset();
    }
    for (int column = 0; column <= 3; ++column)
        for (int direction = 0; direction <= 1; ++direction)
        {
            EXPECT_EQ(ado.OpenRecordset(ComposeGridListQuery(826, 4277, column, direction).c_str()), 1)
                << ado.LastMessage.c_str();
            ado.CloseRecordset();
        }

    std::string sql;
    const auto run = [&](bool formatted) {
        ASSERT_TRUE(formatted);
        EXPECT_EQ(ado.Execute(sql.c_str()), 0) << sql << ": " << ado.LastMessage.c_str();
    };
    run(FormatEllipsoidInsert(50001, {"Ellipsoid d'essai", "6378000.5", "300"}, sql));
    run(FormatEllipsoidUpdate(50001, {"Ellipsoid d''essai", "6378001", "0"}, sql));
    DatumValues datum{"Datum d'essai", "BETA2007.gsb", 50001, 8901, 5, "0", "0", "0", "0", "0", "0", "0"};
    run(FormatDatumInsert(50001, datum, sql));
    datum.deltaX = "-1.5e2";
    run(FormatDatumUpdate(50001, datum, sql));
    run(FormatCountryInsert(50001, {"Côte d'essai", ""}, sql));
    run(FormatCountryUpdate(50001, {"Côte d'essai", "ci.png"}, sql));
    GridValues grid{"Grid d'essai", 50001, 9807, 50001, 9001, "1", "500000", "0", "0", "3", "0", "0", "0", "0"};
    run(FormatGridInsert(50001, grid, sql));
    grid.scale = "0.9996";
    run(FormatGridUpdate(50001, grid, sql));

    EXPECT_EQ(ado.OpenRecordset(FormatStatement(G3_COUNTRY, 50001).insert(0, std::string(G3_SELECT) + G3_FROM).c_str()),
              1);
    CCxString name;
    EXPECT_EQ(ado.GetFieldString("strGrid", name), 1);
    EXPECT_EQ(name, "Grid d'essai");
    double scale = 0;
    EXPECT_EQ(ado.GetFieldDouble("dblScale", scale), 1);
    EXPECT_EQ(scale, 0.9996);
    ado.CloseRecordset();

    for (const char* statement : {G9, C9, D8, E7})
        EXPECT_EQ(ado.Execute(FormatStatement(statement, 50001).c_str()), 0) << statement;
    EXPECT_EQ(ado.OpenRecordset(FormatStatement(G5, 50001).c_str()), 0);
    ado.Disconnect();
    ado.Shutdown();
}

using CatalogueStatementsOnSqlite = CatalogueTest;

TEST_F(CatalogueStatementsOnSqlite, EveryStatementRunsUnchanged)
{
    RunEveryStatement("Provider=SQLite;Data Source=" + catalogueFile + ";");
}
