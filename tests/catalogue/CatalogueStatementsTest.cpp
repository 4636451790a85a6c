#include <gtest/gtest.h>

#include "CatalogueFixture.h"
#include "CatalogueLookups.h"
#include "CatalogueStatements.h"
#include "CxAdo.h"

TEST(CatalogueStatements, QuotesAreDoubledAndNothingElseChanges)
{
    EXPECT_EQ(QuoteSqlText("Côte d'Ivoire"), "Côte d''Ivoire");
    EXPECT_EQ(QuoteSqlText("''"), "''''");
    EXPECT_EQ(QuoteSqlText("a \"b\" \\c; --d"), "a \"b\" \\c; --d");
    EXPECT_EQ(QuoteSqlText(""), "");
}

TEST(CatalogueStatements, OnlyNumberTextsReadAsNumbers)
{
    for (const char* number : {"0", "-1", "+2.5", "6378137.0", ".5", "5.", " 42 ", "1e-05", "-2.5E+3", "0.0"})
        EXPECT_TRUE(IsSqlNumber(number)) << number;
    for (const char* text : {"", " ", "-", ".", "1,5", "12abc", "nan", "inf", "0x10", "1e", "1e+", "--1", "1 2",
                             "1.2.3", "5); DROP TABLE tblGrids; --"})
        EXPECT_FALSE(IsSqlNumber(text)) << text;
}

TEST(CatalogueStatements, FormattedRowsCarryQuotedTextsAndTrimmedNumbers)
{
    std::string sql;
    ASSERT_TRUE(FormatEllipsoidInsert(50001, {"Hayford's", " 6378388 ", "297"}, sql));
    EXPECT_EQ(sql, "INSERT INTO tblEllipsoids ( numId, strEllipsoid, dblAxisA, dblInverseFlattening ) VALUES ( 50001, "
                   "'Hayford''s', 6378388, 297 )");
    ASSERT_TRUE(FormatCountryUpdate(384, {"Côte d'Ivoire", "ci.png"}, sql));
    EXPECT_EQ(sql, "UPDATE tblCountries SET strCountry = 'Côte d''Ivoire', strFlag = 'ci.png' WHERE ( numId = 384 )");

    GridValues grid{"O'Grid", 826, 9807, 4277, 9001, "0.9996", "400000", "-100000", "49", "-2", "0", "0", "0", "0"};
    ASSERT_TRUE(FormatGridUpdate(50002, grid, sql));
    EXPECT_EQ(sql, "UPDATE tblGrids SET strGrid = 'O''Grid', numCountry = 826, numProjection = 9807, numDatum = 4277, "
                   "numUnits = 9001, dblScale = 0.9996, dblFalseEasting = 400000, dblFalseNorthing = -100000, "
                   "dblLatitudeOrigin = 49, dblLongitudeOrigin = -2, dblParallelNorth = 0, dblParallelSouth = 0, "
                   "dblAzimuth = 0, dblRectifiedGrid = 0 WHERE ( numId = 50002 )");
}

TEST(CatalogueStatements, ANumberThatDoesNotReadAsANumberStopsTheStatement)
{
    std::string sql = "left over";
    EXPECT_FALSE(FormatEllipsoidUpdate(7030, {"WGS 84", "6378137", "298,257"}, sql));
    EXPECT_TRUE(sql.empty());
    DatumValues datum{"D", "", 7030, 8901, 1, "0", "1", "2", "", "0", "0", "0"};
    EXPECT_FALSE(FormatDatumInsert(50001, datum, sql));
    datum.deltaZ = "3";
    EXPECT_TRUE(FormatDatumInsert(50001, datum, sql));
    GridValues grid{"G", 1, 9807, 4326, 9001, "1", "0", "0", "0", "0", "0", "0", "0", "1) --"};
    EXPECT_FALSE(FormatGridInsert(50001, grid, sql));
    EXPECT_EQ(RunCatalogueStatement(sql), -1);
}

TEST(CatalogueStatements, GridListIsComposedFromFilterAndOrder)
{
    const std::string base = "SELECT tblGrids.*, tblDatums.strDatum, tblCountries.strCountry FROM tblDatums INNER "
                             "JOIN (tblCountries INNER JOIN tblGrids ON tblCountries.numId = tblGrids.numCountry) ON "
                             "tblDatums.numId = tblGrids.numDatum";
    EXPECT_EQ(ComposeGridListQuery(0, 0, 0, 1), base);
    EXPECT_EQ(ComposeGridListQuery(276, 4314, 1, 0), base + " WHERE ( numCountry = 276 AND numDatum = 4314 ) ORDER BY "
                                                            "tblGrids.numId ASC");
    EXPECT_EQ(ComposeGridListQuery(276, 0, 2, 1), base + " WHERE ( numCountry = 276 ) ORDER BY tblCountries.strCountry "
                                                         "DESC ,tblGrids.strGrid DESC, tblDatums.strDatum DESC");
    EXPECT_EQ(ComposeGridListQuery(0, 4314, 3, 0), base + " WHERE ( numDatum = 4314 ) ORDER BY tblGrids.strGrid ASC "
                                                          ",tblDatums.strDatum DESC, tblCountries.strCountry DESC");
}

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
