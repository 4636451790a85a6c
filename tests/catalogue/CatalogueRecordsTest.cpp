#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CatalogueFixture.h"
#include "CatalogueRows.h"

// Whole rows through the catalogue module: what the dialogs load, save and
// delete, on a real SQLite copy of the shipped catalogue.
using CatalogueRecords = CatalogueTest;

TEST_F(CatalogueRecords, LoadReadsWholeShippedRowsAndLeavesMissingOnesUntouched)
{
    EllipsoidRow airy;
    ASSERT_TRUE(LoadEllipsoid(7001, airy));
    EXPECT_EQ(airy.name, Scalar("SELECT strEllipsoid FROM tblEllipsoids WHERE numId = 7001"));
    EXPECT_DOUBLE_EQ(airy.axisA, 6377563.396);
    EXPECT_NEAR(airy.inverseFlattening, 299.3249646, 1e-7);

    DatumRow osgb;
    ASSERT_TRUE(LoadDatum(4277, osgb));
    EXPECT_EQ(osgb.name, "OSGB36");
    EXPECT_EQ(osgb.ellipsoid, 7001);
    EXPECT_EQ(osgb.ellipsoidName, airy.name);
    EXPECT_EQ(osgb.prime, 8901);
    EXPECT_EQ(osgb.meridianName, "Greenwich");
    EXPECT_EQ(std::to_string(osgb.method), Scalar("SELECT numMethod FROM tblDatums WHERE numId = 4277"));

    GridRow bng;
    ASSERT_TRUE(LoadGrid(27700, bng));
    EXPECT_EQ(bng.name, "OSGB36 / British National Grid");
    EXPECT_EQ(bng.datum, 4277);
    EXPECT_EQ(bng.country, 826);
    EXPECT_EQ(bng.projection, 9807);
    EXPECT_EQ(bng.units, 9001);
    EXPECT_DOUBLE_EQ(bng.falseEasting, 400000.0);
    EXPECT_DOUBLE_EQ(bng.falseNorthing, -100000.0);
    EXPECT_DOUBLE_EQ(bng.latitudeOrigin, 49.0);
    EXPECT_DOUBLE_EQ(bng.longitudeOrigin, -2.0);
    EXPECT_NEAR(bng.scale, 0.9996012717, 1e-10);

    CountryRow uk;
    ASSERT_TRUE(LoadCountry(826, uk));
    EXPECT_EQ(uk.name, Scalar("SELECT strCountry FROM tblCountries WHERE numId = 826"));
    EXPECT_EQ(uk.flag, Scalar("SELECT strFlag FROM tblCountries WHERE numId = 826"));

    // No row, or no catalogue: false, and the row is as it was.
    EXPECT_FALSE(LoadGrid(999999, bng));
    EXPECT_EQ(bng.name, "OSGB36 / British National Grid");
    UseConnection("DSN=GeolynxNoSuchCatalogue;");
    EXPECT_FALSE(LoadEllipsoid(7001, airy));
    EXPECT_EQ(airy.axisA, 6377563.396);
}

TEST_F(CatalogueRecords, ListsGiveMeridianLongitudesAndGridCountries)
{
    std::vector<MeridianRow> meridians;
    ASSERT_TRUE(ListMeridianRows(meridians));
    EXPECT_EQ(std::to_string(meridians.size()), Scalar("SELECT COUNT(*) FROM tblPrimeMeridians"));
    const auto paris = std::find_if(meridians.begin(), meridians.end(), [](const MeridianRow& m) { return m.id == 8903; });
    ASSERT_NE(paris, meridians.end());
    EXPECT_EQ(paris->name, "Paris");
    EXPECT_NEAR(paris->longitude, 2.33722917, 1e-8);

    std::vector<GridListRow> grids;
    ASSERT_TRUE(ListGridRows(826, 0, 1, 0, grids));
    EXPECT_EQ(std::to_string(grids.size()), Scalar("SELECT COUNT(*) FROM tblGrids WHERE numCountry = 826"));
    // Sort column 1 is the identifier, ascending.
    EXPECT_TRUE(std::is_sorted(grids.begin(), grids.end(),
                               [](const GridListRow& a, const GridListRow& b) { return a.id < b.id; }));
    for (const GridListRow& grid : grids)
    {
        EXPECT_EQ(grid.country, 826);
        EXPECT_EQ(grid.countryName, Scalar("SELECT strCountry FROM tblCountries WHERE numId = 826"));
    }
    ASSERT_TRUE(ListGridRows(0, 0, 1, 1, grids));
    EXPECT_EQ(std::to_string(grids.size()), Scalar("SELECT COUNT(*) FROM tblGrids"));
    EXPECT_TRUE(std::is_sorted(grids.begin(), grids.end(),
                               [](const GridListRow& a, const GridListRow& b) { return a.id > b.id; }));

    UseConnection("DSN=GeolynxNoSuchCatalogue;");
    std::string message;
    EXPECT_FALSE(ListMeridianRows(meridians, &message));
    EXPECT_TRUE(meridians.empty());
    EXPECT_FALSE(message.empty());
}

TEST_F(CatalogueRecords, SaveAddsUserRowsAboveTheShippedOnesAndRewritesThemAsTyped)
{
    EllipsoidValues ellipsoid{"Côte d'Ivoire test", "6378137.5", "298.25"};
    int first = 0;
    ASSERT_TRUE(SaveEllipsoid(ellipsoid, first));
    EXPECT_EQ(first, 50001);
    int second = 0;
    ASSERT_TRUE(SaveEllipsoid(ellipsoid, second));
    EXPECT_EQ(second, 50002);
    EllipsoidRow read;
    ASSERT_TRUE(LoadEllipsoid(first, read));
    EXPECT_EQ(read.name, "Côte d'Ivoire test");
    EXPECT_DOUBLE_EQ(read.axisA, 6378137.5);

    ellipsoid.axisA = "-12.5e3";
    int id = first;
    ASSERT_TRUE(SaveEllipsoid(ellipsoid, id));
    EXPECT_EQ(id, first); // a rewrite keeps its identifier
    ASSERT_TRUE(LoadEllipsoid(first, read));
    EXPECT_DOUBLE_EQ(read.axisA, -12500.0);

    // A number text that is no number is never sent: nothing changes.
    ellipsoid.axisA = "3,5";
    std::string message;
    EXPECT_FALSE(SaveEllipsoid(ellipsoid, id, &message));
    EXPECT_FALSE(message.empty());
    ASSERT_TRUE(LoadEllipsoid(first, read));
    EXPECT_DOUBLE_EQ(read.axisA, -12500.0);
    int unsaved = 0;
    EXPECT_FALSE(SaveEllipsoid(ellipsoid, unsaved));
    EXPECT_EQ(unsaved, 0);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM tblEllipsoids WHERE numId > 50000"), "2");

    DatumValues datum{"Test datum", "conus.las", first, 8901, 2, "1.5", "1", "2", "3", "0.1", "0.2", "0.3"};
    int datumId = 0;
    ASSERT_TRUE(SaveDatum(datum, datumId));
    DatumRow datumRow;
    ASSERT_TRUE(LoadDatum(datumId, datumRow));
    EXPECT_EQ(datumRow.file, "conus.las");
    EXPECT_EQ(datumRow.ellipsoid, first);
    EXPECT_EQ(datumRow.ellipsoidName, "Côte d'Ivoire test");
    EXPECT_EQ(datumRow.method, 2);
    EXPECT_DOUBLE_EQ(datumRow.scaleFactor, 1.5);
    EXPECT_DOUBLE_EQ(datumRow.deltaZ, 3.0);
    EXPECT_DOUBLE_EQ(datumRow.rotationZ, 0.3);

    GridValues grid{"Test grid", 826, 9807, datumId, 9001, "0.9996", "500000", "0", "0", "3", "0", "0", "0", "0"};
    int gridId = 0;
    ASSERT_TRUE(SaveGrid(grid, gridId));
    EXPECT_GT(gridId, 50000);
    GridRow gridRow;
    ASSERT_TRUE(LoadGrid(gridId, gridRow));
    EXPECT_EQ(gridRow.units, 9001);
    EXPECT_EQ(gridRow.datum, datumId);
    EXPECT_DOUBLE_EQ(gridRow.falseEasting, 500000.0);
    EXPECT_DOUBLE_EQ(gridRow.longitudeOrigin, 3.0);

    CountryValues country{"Test land", "tl.png"};
    int countryId = 0;
    ASSERT_TRUE(SaveCountry(country, countryId));
    country.name = "Renamed land";
    ASSERT_TRUE(SaveCountry(country, countryId));
    CountryRow countryRow;
    ASSERT_TRUE(LoadCountry(countryId, countryRow));
    EXPECT_EQ(countryRow.name, "Renamed land");
    EXPECT_EQ(countryRow.flag, "tl.png");
}

TEST_F(CatalogueRecords, DeleteRemovesTheRowFromTheFileAndAnUnreachableCatalogueSaysSo)
{
    int id = 0;
    ASSERT_TRUE(SaveCountry(CountryValues{"Gone soon", ""}, id));
    ASSERT_EQ(Scalar("SELECT COUNT(*) FROM tblCountries WHERE numId = " + std::to_string(id)), "1");
    EXPECT_TRUE(DeleteCountry(id));
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM tblCountries WHERE numId = " + std::to_string(id)), "0");

    EXPECT_TRUE(DeleteGrid(27700));
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM tblGrids WHERE numId = 27700"), "0");
    EXPECT_TRUE(DeleteDatum(4277));
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM tblDatums WHERE numId = 4277"), "0");
    // Airy 1830 is still the ellipsoid of other datums: kept. One no datum uses goes.
    EXPECT_FALSE(DeleteEllipsoid(7001));
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM tblEllipsoids WHERE numId = 7001"), "1");
    EXPECT_TRUE(DeleteEllipsoid(7014));
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM tblEllipsoids WHERE numId = 7014"), "0");

    UseConnection("DSN=GeolynxNoSuchCatalogue;");
    EXPECT_FALSE(DeleteGrid(32631));
    int unsaved = 0;
    std::string message;
    EXPECT_FALSE(SaveCountry(CountryValues{"Nowhere", ""}, unsaved, &message));
    EXPECT_EQ(unsaved, 0);
    EXPECT_FALSE(message.empty());
}
