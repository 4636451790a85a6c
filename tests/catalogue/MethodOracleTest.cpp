#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <typeinfo>

#include "CatalogueFixture.h"
#include "CatalogueLoaders.h"
#include "ConvertCoordinate.h"
#include "LengthUnits.h"
#include "MathConstants.h"
#include "MessageRecorder.h"
#include "ProjectionFactory.h"

namespace {

// One row of tests/catalogue/data/method_oracle.tsv (tools/catalogue/method_oracle.py): PROJ's
// easting and northing, in the grid's unit, of a point inside the grid's area of use.
struct OracleRow
{
    int grid = 0;
    double lat = 0;
    double lon = 0;
    double easting = 0;
    double northing = 0;
};

std::vector<OracleRow> OracleRows()
{
    std::ifstream in(std::string(GEOLYNX_SOURCE_DIR) + "/tests/catalogue/data/method_oracle.tsv");
    std::vector<OracleRow> rows;
    std::string line;
    while (std::getline(in, line))
    {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        OracleRow r;
        fields >> r.grid >> r.lat >> r.lon >> r.easting >> r.northing;
        if (fields)
            rows.push_back(r);
    }
    return rows;
}

constexpr double kToleranceMetres = 0.001;
// PROJ's labrd and EPSG's closed form of the Laborde grid (which reproduces the guidance note's worked
// example) part by up to 1.6 mm in the northing towards the east coast of Madagascar.
constexpr double kLabordeToleranceMetres = 0.002;

} // namespace

using MethodOracle = CatalogueTest;

// Every shipped grid of the methods the table covers, forward from the point to PROJ's grid
// coordinates and inverse from those back to the point, within a millimetre on the ground.
TEST_F(MethodOracle, EveryShippedGridOfTheNewMethodsAgreesWithProj)
{
    const std::vector<OracleRow> rows = OracleRows();
    ASSERT_GE(rows.size(), 200u);
    std::map<int, int> pointsPerGrid;
    for (const OracleRow& row : rows)
    {
        CCfgMapProjection record;
        LoadGridRecord(record, row.grid);
        const std::unique_ptr<CProjection> p = CreateProjection(record);
        ASSERT_NE(typeid(*p), typeid(CProjection)) << "EPSG:" << row.grid << " has no class";
        const double metres = FromUnits(record.unitId, 1.0);
        const std::string where = "EPSG:" + std::to_string(row.grid) + " at " + std::to_string(row.lat) + ", " +
                                  std::to_string(row.lon);

        const double tolerance = record.projectionId == kLabordeObliqueMercator ? kLabordeToleranceMetres
                                                                                : kToleranceMetres;
        p->phi = row.lat * kDegToRad;
        p->lambda = row.lon * kDegToRad;
        p->Forward();
        EXPECT_NEAR(p->x / metres, row.easting, tolerance / metres) << where;
        EXPECT_NEAR(p->y / metres, row.northing, tolerance / metres) << where;

        p->x = row.easting * metres;
        p->y = row.northing * metres;
        p->Inverse();
        const double north = (p->phi / kDegToRad - row.lat) * kDegToRad * record.semiMajorAxis;
        const double east = std::remainder(p->lambda / kDegToRad - row.lon, 360.0) * kDegToRad *
                            record.semiMajorAxis * std::cos(row.lat * kDegToRad);
        EXPECT_NEAR(north, 0, tolerance) << where;
        EXPECT_NEAR(east, 0, tolerance) << where;
        ++pointsPerGrid[row.grid];
    }
    // Every grid of these methods in the catalogue has its rows.
    const std::string shipped = Scalar("SELECT COUNT(*) FROM tblGrids WHERE numProjection IN "
                                       "(1024, 1027, 1028, 1041, 1042, 1043, 1051, 1052, 1078, 9811, 9813, 9824, 9828, 9830)");
    EXPECT_EQ(std::to_string(pointsPerGrid.size()), shipped);
}

// Whole conversions from WGS 84, datum leg included, against cs2cs EPSG:4326 EPSG:n (its default
// operation): the web map grid at 5 E 52 N, the Czech grid at a point in Prague and the Laborde
// grid of Madagascar (longitudes from Paris) near Antananarivo.
TEST_F(MethodOracle, ConversionsFromWgs84AgreeWithCs2cs)
{
    struct Case
    {
        int grid, datum;
        double lon, lat, easting, northing;
    };
    const Case cases[] = {
        {3857, 4326, 5, 52, 556597.4540, 6800125.4544},
        {5514, 4156, 14.42, 50.08, -743011.7235, -1043823.1814},
        {29701, 4810, 47.5, -18.9, 511938.1521, 799812.4595},
        // cs2cs EPSG:4326 EPSG:5228, then method_oracle.py's Krovak Modified (PROJ 9.1 has none).
        {5516, 5228, 14.42, 50.08, -5743011.7452, -6043823.1561},
    };
    CMessageRecorder recorder;
    CConversionContext context;
    for (const Case& c : cases)
    {
        double x = c.lon, y = c.lat, z = 0;
        ASSERT_EQ(ConvertCoordinate(context, true, x, y, z, 4326, 0, c.datum, c.grid), 0) << c.grid;
        EXPECT_NEAR(x, c.easting, kToleranceMetres) << c.grid;
        EXPECT_NEAR(y, c.northing, kToleranceMetres) << c.grid;
    }
    EXPECT_TRUE(recorder.Shown().empty());
}
