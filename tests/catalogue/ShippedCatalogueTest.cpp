#include <gtest/gtest.h>

#include <cmath>

#include "CatalogueFixture.h"
#include "LengthUnits.h"
#include "ProjectionFactory.h"

using ShippedCatalogue = CatalogueTest;

TEST_F(ShippedCatalogue, EveryReferenceFindsItsRow)
{
    const std::vector<std::pair<const char*, const char*>> orphans = {
        {"grid without datum", "SELECT COUNT(*) FROM tblGrids WHERE numDatum NOT IN (SELECT numId FROM tblDatums)"},
        {"grid without country",
         "SELECT COUNT(*) FROM tblGrids WHERE numCountry NOT IN (SELECT numId FROM tblCountries)"},
        {"grid without projection",
         "SELECT COUNT(*) FROM tblGrids WHERE numProjection NOT IN (SELECT numId FROM tblProjections)"},
        {"grid without unit", "SELECT COUNT(*) FROM tblGrids WHERE numUnits NOT IN (SELECT numId FROM tblUnits)"},
        {"datum without ellipsoid",
         "SELECT COUNT(*) FROM tblDatums WHERE numEllipsoid NOT IN (SELECT numId FROM tblEllipsoids)"},
        {"datum without meridian",
         "SELECT COUNT(*) FROM tblDatums WHERE numPrime NOT IN (SELECT numId FROM tblPrimeMeridians)"},
        {"shipped identifier in the users' range",
         "SELECT (SELECT COUNT(*) FROM tblGrids WHERE numId > 50000) + (SELECT COUNT(*) FROM tblDatums WHERE numId > "
         "50000) + (SELECT COUNT(*) FROM tblEllipsoids WHERE numId > 50000) + (SELECT COUNT(*) FROM tblCountries "
         "WHERE numId > 50000) + (SELECT COUNT(*) FROM tblGrids WHERE numId <= 0)"},
        {"duplicate country name", "SELECT COUNT(*) - COUNT(DISTINCT strCountry) FROM tblCountries"},
        {"grid file not shipped", "SELECT COUNT(*) FROM tblDatums WHERE (numMethod >= 3) <> (strFile <> '')"},
    };
    for (const auto& [what, sql] : orphans)
        EXPECT_EQ(Scalar(sql), "0") << what;

    EXPECT_GE(std::stoi(Scalar("SELECT COUNT(*) FROM tblGrids")), 4000);
    EXPECT_GE(std::stoi(Scalar("SELECT COUNT(*) FROM tblDatums WHERE numMethod <> 0")), 300);
    EXPECT_EQ(Scalar("SELECT strCountry || '|' || strFlag FROM tblCountries WHERE numId = 1"), "World|world.png");
}

TEST_F(ShippedCatalogue, EveryShippedProjectionAndUnitIsOneTheEngineKnows)
{
    // Each projection code translates to an identifier of the engine's table, each unit has a factor.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(catalogueFile.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT numId FROM tblProjections", -1, &statement, nullptr), SQLITE_OK);
    int projections = 0;
    while (sqlite3_step(statement) == SQLITE_ROW)
    {
        const int code = sqlite3_column_int(statement, 0);
        const int id = TranslateProjectionCode(code);
        EXPECT_TRUE(id >= 100 && id <= 400) << code;
        ++projections;
    }
    sqlite3_finalize(statement);
    EXPECT_EQ(projections, 51);
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT numId FROM tblUnits", -1, &statement, nullptr), SQLITE_OK);
    while (sqlite3_step(statement) == SQLITE_ROW)
    {
        const int unit = sqlite3_column_int(statement, 0);
        EXPECT_TRUE(unit == 9001 || FromUnits(unit, 1.0) != 1.0) << unit;
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

TEST_F(ShippedCatalogue, EpsgValuesArriveInTheEnginesUnits)
{
    // Clarke 1866 given by its semi-minor axis 6356583.8 m: 1/f = a / (a - b).
    EXPECT_NEAR(std::stod(Scalar("SELECT dblInverseFlattening FROM tblEllipsoids WHERE numId = 7008")),
                6378206.4 / (6378206.4 - 6356583.8), 1e-9);
    // A sphere has 1/f 0; Clarke 1858 is given in Clarke's feet (a = 20926348 ft).
    EXPECT_EQ(Scalar("SELECT dblInverseFlattening FROM tblEllipsoids WHERE numId = 7048"), "0.0");
    EXPECT_NEAR(std::stod(Scalar("SELECT dblAxisA FROM tblEllipsoids WHERE numId = 7007")), 20926348 * 0.3047972654,
                1e-3);
    // Paris in grads, Ferro in sexagesimal degrees.
    EXPECT_NEAR(std::stod(Scalar("SELECT dblLongitude FROM tblPrimeMeridians WHERE numId = 8903")), 2.5969213 * 0.9,
                1e-12);
    EXPECT_NEAR(std::stod(Scalar("SELECT dblLongitude FROM tblPrimeMeridians WHERE numId = 8909")), -(17 + 40 / 60.0),
                1e-12);
    // NTF reaches WGS 84 through the French grid, DHDN and NZGD 1949 through theirs.
    EXPECT_EQ(Scalar("SELECT numMethod || strFile FROM tblDatums WHERE numId = 4275"), "5ntf_r93.gsb");
    EXPECT_EQ(Scalar("SELECT numMethod || strFile FROM tblDatums WHERE numId = 4314"), "5BETA2007.gsb");
    EXPECT_EQ(Scalar("SELECT numMethod || strFile FROM tblDatums WHERE numId = 4272"), "5nzgd2kgrid0005.gsb");
    // Lambert 2SP: false origin into the origin columns, the parallels into the two parallels.
    EXPECT_EQ(Scalar("SELECT dblLatitudeOrigin || ' ' || dblLongitudeOrigin || ' ' || dblParallelNorth || ' ' || "
                     "dblParallelSouth || ' ' || dblFalseEasting || ' ' || dblFalseNorthing FROM tblGrids WHERE numId "
                     "= 2154"),
              "46.5 3.0 49.0 44.0 700000.0 6600000.0");
    // A grid in US survey feet keeps its false easting in feet: California zone 3, 2 000 000 ftUS.
    EXPECT_EQ(Scalar("SELECT numUnits || ' ' || dblFalseEasting FROM tblGrids WHERE numId = 2227"),
              "9003 6561666.667");
}

TEST_F(ShippedCatalogue, SevenParameterRowsKeepPositionVectorSignsAndReverseCoordinateFrameOnes)
{
    // Each Bursa-Wolf row against the EPSG transformation it came from (same source, same
    // translations): position vector rotations as published, coordinate frame ones negated.
    sqlite3* proj = nullptr;
    ASSERT_EQ(sqlite3_open_v2("/usr/share/proj/proj.db", &proj, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(catalogueFile.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* rows = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT numId, dblDeltaX, dblDeltaY, dblDeltaZ, dblRotationX, dblRotationY, "
                                     "dblRotationZ FROM tblDatums WHERE numMethod = 2", -1, &rows, nullptr),
              SQLITE_OK);
    int positionVector = 0, coordinateFrame = 0;
    while (sqlite3_step(rows) == SQLITE_ROW)
    {
        const int id = sqlite3_column_int(rows, 0);
        sqlite3_stmt* epsg = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(proj,
                                     "SELECT method_code, rx, ry, rz, rotation_uom_code FROM "
                                     "helmert_transformation_table WHERE auth_name = 'EPSG' AND deprecated = 0 AND "
                                     "source_crs_code = ?1 AND target_crs_code = '4326' AND abs(tx - ?2) < 1e-9 AND "
                                     "abs(ty - ?3) < 1e-9 AND abs(tz - ?4) < 1e-9 AND method_code IN ('9606', '9607') "
                                     "AND translation_uom_code = '9001'",
                                     -1, &epsg, nullptr),
                  SQLITE_OK);
        sqlite3_bind_text(epsg, 1, std::to_string(id).c_str(), -1, SQLITE_TRANSIENT);
        for (int i = 1; i <= 3; ++i)
            sqlite3_bind_double(epsg, i + 1, sqlite3_column_double(rows, i));
        if (sqlite3_step(epsg) == SQLITE_ROW && std::string(reinterpret_cast<const char*>(
                                                    sqlite3_column_text(epsg, 4))) == "9104")
        {
            const bool frame = std::string(reinterpret_cast<const char*>(sqlite3_column_text(epsg, 0))) == "9607";
            for (int i = 0; i < 3; ++i)
            {
                const double published = sqlite3_column_double(epsg, i + 1);
                EXPECT_EQ(sqlite3_column_double(rows, i + 4), frame ? -published : published) << id;
            }
            ++(frame ? coordinateFrame : positionVector);
        }
        sqlite3_finalize(epsg);
    }
    sqlite3_finalize(rows);
    sqlite3_close(db);
    sqlite3_close(proj);
    EXPECT_GT(positionVector, 20);
    EXPECT_GT(coordinateFrame, 20);
}
