#include <gtest/gtest.h>

#include "CatalogueStatements.h"

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
    EXPECT_TRUE(sql.empty());
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

