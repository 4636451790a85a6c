#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <set>
#include <thread>

#include "CatalogueConnection.h"
#include "CatalogueFixture.h"
#include "CatalogueLoaders.h"
#include "CatalogueLookups.h"
#include "CatalogueStatements.h"
#include "CountryFlags.h"
#include "DatumLink.h"
#include "ProjectionFactory.h"

namespace fs = std::filesystem;

using CatalogueLoaders = CatalogueTest;
using CatalogueLookups = CatalogueTest;
using CatalogueFirstUse = CatalogueTest;
using CatalogueFlags = CatalogueTest;

TEST_F(CatalogueLoaders, DatumRecordCarriesEllipsoidAndTransformation)
{
    // OSGB36 on the Airy ellipsoid with the seven parameters of the shipped row (EPSG:1314).
    CCfgMapProjection record;
    LoadDatumRecord(4277, record);
    EXPECT_EQ(record.datumId, 4277);
    EXPECT_EQ(record.semiMajorAxis, 6377563.396);
    EXPECT_EQ(record.inverseFlattening, 299.3249646);
    EXPECT_EQ(record.method, METHOD_BURSA_WOLF);
    EXPECT_EQ(record.deltaX, std::stod(Scalar("SELECT dblDeltaX FROM tblDatums WHERE numId = 4277")));
    EXPECT_EQ(record.deltaZ, std::stod(Scalar("SELECT dblDeltaZ FROM tblDatums WHERE numId = 4277")));
    EXPECT_EQ(record.projectionId, 0);
    EXPECT_EQ(record.unitId, 9001);
}

TEST_F(CatalogueLoaders, EmptyFileNameGivesTheDataFolderAndGridDatumsTheirFile)
{
    CCfgMapProjection wgs84;
    LoadDatumRecord(4326, wgs84);
    EXPECT_EQ(wgs84.gridFile, std::string(GEOLYNX_PROGRAM_ROOT) + "/Data/");

    CCfgMapProjection dhdn;
    LoadDatumRecord(4314, dhdn);
    EXPECT_EQ(dhdn.method, METHOD_NTV2);
    EXPECT_EQ(dhdn.gridFile, std::string(GEOLYNX_PROGRAM_ROOT) + "/Data/BETA2007.gsb");
    EXPECT_TRUE(fs::is_regular_file(dhdn.gridFile));
}

TEST_F(CatalogueLoaders, MissingRowsAndAnUnreachableCatalogueLeaveTheRecord)
{
    CCfgMapProjection record;
    record.datumId = 1234;
    record.semiMajorAxis = 1;
    record.projectionId = 77;
    LoadDatumRecord(999999, record);
    LoadGridRecord(record, 999999);
    EXPECT_EQ(record.datumId, 1234);
    EXPECT_EQ(record.semiMajorAxis, 1);
    EXPECT_EQ(record.projectionId, 77);

    UseConnection("DSN=GeolynxNoSuchCatalogue;");
    LoadDatumRecord(4326, record);
    LoadGridRecord(record, 27700);
    EXPECT_EQ(record.datumId, 1234);
    EXPECT_EQ(record.projectionId, 77);
}

TEST_F(CatalogueLoaders, GridRecordTranslatesTheProjectionAndLoadsItsDatum)
{
    CCfgMapProjection record;
    LoadGridRecord(record, 27700);
    EXPECT_EQ(record.projectionId, TranslateProjectionCode(9807));
    EXPECT_EQ(record.projectionId, 160);
    EXPECT_EQ(record.unitId, 9001);
    EXPECT_EQ(record.falseEasting, 400000);
    EXPECT_EQ(record.falseNorthing, -100000);
    EXPECT_EQ(record.latitudeOrigin, 49);
    EXPECT_EQ(record.longitudeOrigin, -2);
    EXPECT_EQ(record.scaleFactor, 0.9996012717);
    // ... and the datum part of the grid's own datum, OSGB36.
    EXPECT_EQ(record.datumId, 4277);
    EXPECT_EQ(record.semiMajorAxis, 6377563.396);
    EXPECT_EQ(record.method, METHOD_BURSA_WOLF);

    // A grid in US survey feet keeps its unit code; a Hotine variant A row becomes identifier 180.
    CCfgMapProjection feet;
    LoadGridRecord(feet, 2227); // NAD83 / California zone 3 (ftUS)
    EXPECT_EQ(feet.unitId, 9003);
    EXPECT_EQ(feet.projectionId, 110);
    CCfgMapProjection hotine;
    LoadGridRecord(hotine, 3168); // Kertau (RSO) / RSO Malaya (m), EPSG method 9812
    EXPECT_EQ(hotine.projectionId, 180);
}

TEST_F(CatalogueLoaders, PrimeMeridianIsAddedToTheLongitudeOfOrigin)
{
    // A grid with longitude of origin 0 on a datum whose meridian lies at L gets L itself.
    Sql("INSERT INTO tblPrimeMeridians (numId, strMeridian, dblLongitude) VALUES (50001, 'Test', 12.25);"
        "INSERT INTO tblDatums (numId, strDatum, numEllipsoid, numPrime, numMethod, strFile) "
        "VALUES (50001, 'On Test', 7030, 50001, 0, '');"
        "INSERT INTO tblGrids (numId, strGrid, numCountry, numDatum, numProjection, numUnits, dblLongitudeOrigin) "
        "VALUES (50001, 'Grid on Test', 1, 50001, 9807, 9001, 0);");
    CCfgMapProjection record;
    LoadGridRecord(record, 50001);
    EXPECT_EQ(record.longitudeOrigin, 12.25);
    EXPECT_EQ(record.datumId, 50001);

    // Shipped: NTF (Paris) / Lambert zone II is defined from Paris, 2.5969213 grads east of Greenwich;
    // S-JTSK (Ferro) / Krovak at 42°30' east of Ferro, 17°40' west of Greenwich.
    CCfgMapProjection lambert;
    LoadGridRecord(lambert, 27572);
    EXPECT_NEAR(lambert.longitudeOrigin, 2.5969213 * 0.9, 1e-12);
    CCfgMapProjection krovak;
    LoadGridRecord(krovak, 2065);
    EXPECT_NEAR(krovak.longitudeOrigin, 42.5 - (17 + 40 / 60.0), 1e-12);
    // A datum loaded alone ignores its meridian: Greenwich longitudes throughout.
    CCfgMapProjection paris;
    LoadDatumRecord(4807, paris);
    EXPECT_EQ(paris.longitudeOrigin, 0);
}

// What the set-up of a run loads: grids with their datums, a datum given its
// national grid, datum links and an area of use, as one text.
std::string SetUpLoads()
{
    std::string text;
    for (const int grid : {27700, 27572, 2065})
    {
        CCfgMapProjection record;
        LoadGridRecord(record, grid);
        text += std::to_string(record.projectionId) + " " + std::to_string(record.longitudeOrigin) + " " +
                std::to_string(record.datumId) + " " + std::to_string(record.deltaX) + ";";
    }
    CCfgMapProjection dhdn;
    LoadDatumRecord(4314, dhdn);
    text += std::to_string(dhdn.method) + " " + dhdn.gridFile + ";";
    for (const int datum : {4277, 4314})
    {
        CDatumLink link;
        LoadDatumLink(datum, link);
        text += link.Describe() + ";";
    }
    CAreaOfUse area;
    LoadAreaOfUse(1, 27700, area);
    return text + area.name + " " + std::to_string(area.north);
}

TEST_F(CatalogueLoaders, ASessionSharesOneConnectionAndLoadsTheSame)
{
    const std::string alone = SetUpLoads();
    EXPECT_NE(alone.find("BETA2007.gsb"), std::string::npos) << alone;
    {
        CCatalogueSession session;
        EXPECT_EQ(SetUpLoads(), alone);
        // While a lookup holds the session's connection, others open their own.
        CCatalogueUse holding;
        ASSERT_TRUE(holding.Open());
        EXPECT_EQ(SetUpLoads(), alone);
        holding.Release();
        CCatalogueUse next;
        EXPECT_TRUE(next.Ado().IsConnected()) << "the session keeps its connection open";
    }
    // A session on an unreachable catalogue leaves the records as they were.
    UseConnection("DSN=GeolynxNoSuchCatalogue;");
    CCatalogueSession session;
    CCfgMapProjection record;
    record.datumId = 1234;
    LoadGridRecord(record, 27700);
    LoadDatumRecord(4326, record);
    EXPECT_EQ(record.datumId, 1234);
}

TEST_F(CatalogueLookups, NamesAndTheirFallbacks)
{
    CCxString text = "before";
    LookupGridName(0, text);
    EXPECT_EQ(text, "Geographic ( Longitude / Latitude )");
    LookupGridName(27700, text);
    EXPECT_EQ(text, "OSGB36 / British National Grid");
    LookupGridName(7, text);
    EXPECT_EQ(text, "Unknown Grid");

    LookupDatumName(0, text);
    EXPECT_EQ(text, "No datum selected");
    LookupDatumName(4326, text);
    EXPECT_EQ(text, "WGS 84");
    LookupDatumName(99999, text);
    EXPECT_EQ(text, "Unknown Datum");

    LookupEllipsoidName(0, text);
    EXPECT_EQ(text, "No ellipsoid selected");
    LookupEllipsoidName(7030, text);
    EXPECT_EQ(text, "WGS 84");
    LookupEllipsoidName(1, text);
    EXPECT_EQ(text, "Unknown Ellipsoid");

    LookupMeridianName(0, text);
    EXPECT_EQ(text, "No meridian selected");
    LookupMeridianName(8903, text);
    EXPECT_EQ(text, "Paris");
    LookupMeridianName(1, text);
    EXPECT_EQ(text, "Unknown Meridian");

    LookupCountryName(0, text);
    EXPECT_EQ(text, "No country selected");
    LookupCountryName(826, text);
    EXPECT_EQ(text, "United Kingdom");
    LookupCountryName(1, text);
    EXPECT_EQ(text, "World");
    LookupCountryName(2, text);
    EXPECT_EQ(text, "Unknown Country");
}

TEST_F(CatalogueLookups, UnreachableCatalogueLeavesTextsAndNoneNeedsNoCatalogue)
{
    UseConnection("DSN=GeolynxNoSuchCatalogue;");
    CCxString text = "kept";
    LookupGridName(27700, text);
    LookupDatumName(4326, text);
    LookupCountryName(826, text);
    LookupGridUnitName(27700, text);
    EXPECT_EQ(text, "kept");
    LookupDatumName(0, text);
    EXPECT_EQ(text, "No datum selected");

    int fields = 99;
    LookupProjectionFields(9807, fields);
    EXPECT_EQ(fields, 0);
    int hasGrids = 0;
    CountryHasGrids(2, hasGrids);
    EXPECT_EQ(hasGrids, 1);
    long id = 7;
    EXPECT_FALSE(NextUserIdentifier(CatalogueSql::G6, id));
    EXPECT_EQ(id, 7);
    EXPECT_EQ(RunCatalogueStatement(FormatStatement(CatalogueSql::G9, 27700)), -1);
}

TEST_F(CatalogueLookups, UnitsFieldsAndCountriesInUse)
{
    CCxString unit = "x";
    LookupGridUnitName(27700, unit);
    EXPECT_EQ(unit, "metre");
    LookupGridUnitName(2227, unit);
    EXPECT_EQ(unit, "US survey foot");
    LookupGridUnitName(0, unit);
    EXPECT_EQ(unit, "");

    int fields = -1;
    LookupProjectionFields(9807, fields);
    EXPECT_EQ(fields, 0x247); // both false origins, latitude, central meridian, scale
    LookupProjectionFields(9812, fields);
    EXPECT_EQ(fields & 0x080, 0x080); // "Center Latitude"
    LookupProjectionFields(340, fields);
    EXPECT_EQ(fields & 0x200, 0x200); // "Central Meridian"
    LookupProjectionFields(0, fields);
    EXPECT_EQ(fields, 0);
    fields = -1;
    LookupProjectionFields(123, fields);
    EXPECT_EQ(fields, 0);

    int hasGrids = -1;
    CountryHasGrids(826, hasGrids);
    EXPECT_EQ(hasGrids, 1);
    CountryHasGrids(8, hasGrids); // Albania's grids name it; Åland (248) has none of its own
    EXPECT_EQ(hasGrids, 1);
    CountryHasGrids(248, hasGrids);
    EXPECT_EQ(hasGrids, 0);
}

TEST_F(CatalogueLookups, UserIdentifiersStartAboveTheShippedOnes)
{
    for (const char* statement : {CatalogueSql::E4, CatalogueSql::D5, CatalogueSql::G6, CatalogueSql::C6})
    {
        long id = 0;
        ASSERT_TRUE(NextUserIdentifier(statement, id)) << statement;
        EXPECT_EQ(id, 50001) << statement;
    }
    std::string sql;
    GridValues grid{"First", 826, 9807, 4277, 9001, "1", "0", "0", "0", "0", "0", "0", "0", "0"};
    ASSERT_TRUE(FormatGridInsert(50001, grid, sql));
    ASSERT_EQ(RunCatalogueStatement(sql), 0);
    grid.name = "Seventh";
    ASSERT_TRUE(FormatGridInsert(50007, grid, sql));
    ASSERT_EQ(RunCatalogueStatement(sql), 0);
    long id = 0;
    ASSERT_TRUE(NextUserIdentifier(CatalogueSql::G6, id));
    EXPECT_EQ(id, 50008);
    // Other tables keep their own count.
    ASSERT_TRUE(NextUserIdentifier(CatalogueSql::C6, id));
    EXPECT_EQ(id, 50001);
}

TEST_F(CatalogueLookups, NamesWithQuotesSaveAndNonNumbersAreNeverSent)
{
    std::string sql;
    ASSERT_TRUE(FormatCountryInsert(50001, {"Pays d'en Haut", ""}, sql));
    ASSERT_EQ(RunCatalogueStatement(sql), 0);
    CCxString name;
    LookupCountryName(50001, name);
    EXPECT_EQ(name, "Pays d'en Haut");
    ASSERT_TRUE(FormatCountryUpdate(384, {"Côte d'Ivoire", "ci.png"}, sql));
    ASSERT_EQ(RunCatalogueStatement(sql), 0);
    LookupCountryName(384, name);
    EXPECT_EQ(name, "Côte d'Ivoire");

    const std::string before = Scalar("SELECT dblAxisA FROM tblEllipsoids WHERE numId = 7030");
    const std::string grids = Scalar("SELECT COUNT(*) FROM tblGrids");
    EXPECT_FALSE(FormatEllipsoidUpdate(7030, {"WGS 84", "6378137; DELETE FROM tblGrids", "298.257223563"}, sql));
    EXPECT_EQ(RunCatalogueStatement(sql), -1);
    EXPECT_EQ(Scalar("SELECT dblAxisA FROM tblEllipsoids WHERE numId = 7030"), before);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM tblGrids"), grids);
}

TEST_F(CatalogueFirstUse, MissingUserCatalogueIsCopiedFromTheShippedOne)
{
    // The default: no connection string configured, the user's catalogue not there yet.
    UseConnection("");
    const fs::path user = home / "data" / "Veltrix" / "Geolynx" / "catalogue.db";
    ASSERT_FALSE(fs::exists(user.parent_path()));
    const std::string shipped = ShippedCatalogueFile();
    const auto shippedTime = fs::last_write_time(shipped);
    const std::string shippedBytes = ReadTextFile(shipped);

    CCxString name;
    LookupDatumName(4326, name);
    EXPECT_EQ(name, "WGS 84");
    ASSERT_TRUE(fs::is_regular_file(user));

    // The user's copy takes changes; the shipped catalogue stays as it was.
    std::string sql;
    ASSERT_TRUE(FormatCountryInsert(50001, {"Mine", ""}, sql));
    EXPECT_EQ(RunCatalogueStatement(sql), 0);
    LookupCountryName(50001, name);
    EXPECT_EQ(name, "Mine");
    EXPECT_EQ(fs::last_write_time(shipped), shippedTime);
    EXPECT_EQ(ReadTextFile(shipped), shippedBytes);

    // A second start finds the user's catalogue and keeps it.
    LookupCountryName(50001, name);
    EXPECT_EQ(name, "Mine");
}

TEST_F(CatalogueFirstUse, TasksRacingAtFirstUseShareOneCatalogue)
{
    UseConnection("");
    std::vector<std::thread> tasks;
    std::vector<std::string> names(6);
    for (size_t i = 0; i < names.size(); ++i)
        tasks.emplace_back([&names, i] {
            CCxString name;
            LookupDatumName(4326, name);
            names[i] = name.str();
        });
    for (std::thread& task : tasks)
        task.join();
    for (const std::string& name : names)
        EXPECT_EQ(name, "WGS 84");
    const fs::path folder = home / "data" / "Veltrix" / "Geolynx";
    // One catalogue and no copies left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    std::string sql;
    ASSERT_TRUE(FormatCountryInsert(50001, {"Mine", ""}, sql));
    EXPECT_EQ(RunCatalogueStatement(sql), 0);
    CCxString name;
    LookupCountryName(50001, name);
    EXPECT_EQ(name, "Mine");
}

TEST_F(CatalogueFirstUse, ConfiguredFileInNewFoldersIsCreatedOnlyForNativeSqlite)
{
    const fs::path configured = home / "new" / "folders" / "geo.db";
    UseConnection("Provider=SQLite;Data Source=" + configured.string() + ";");
    CCxString name;
    LookupGridName(27700, name);
    EXPECT_EQ(name, "OSGB36 / British National Grid");
    EXPECT_TRUE(fs::is_regular_file(configured));
    EXPECT_TRUE(EnsureCatalogueFile("Provider=SQLite;Data Source=" + configured.string() + ";"));
    // Nothing is created for connections the native backend does not open as a file.
    EXPECT_TRUE(EnsureCatalogueFile("DSN=Geolynx;"));
    // Without a shipped catalogue there is nothing to copy, and nothing half-made is left.
    UseConnection("", (home / "no-root").string());
    const fs::path lonely = home / "lonely.db";
    EXPECT_FALSE(EnsureCatalogueFile("Provider=SQLite;Data Source=" + lonely.string() + ";"));
    EXPECT_FALSE(fs::exists(lonely));
    EXPECT_FALSE(fs::exists(home / "no-root"));
}

namespace {

// The image half of the flag list, kept in memory: files that exist load, others fail.
class CRecordingImages : public CFlagImageList
{
public:
    void Reset() override
    {
        ++resets;
        files.clear();
    }
    bool Append(const std::string& pngFile) override
    {
        if (!fs::is_regular_file(pngFile) || refuse.count(fs::path(pngFile).filename().string()) != 0)
            return false;
        files.push_back(pngFile);
        return true;
    }
    int resets = 0;
    std::vector<std::string> files;
    std::set<std::string> refuse;
};

} // namespace

TEST_F(CatalogueFlags, EveryCountryGetsItsFlagOrTheDefaultInNameOrder)
{
    Sql("INSERT INTO tblCountries (numId, strCountry, strFlag) VALUES (50001, 'AAA Flagless', 'missing.png');"
        "INSERT INTO tblCountries (numId, strCountry, strFlag) VALUES (50002, 'AAB Empty', '');");
    CountryImageTable table;
    CRecordingImages images;
    LoadCountryFlags(table, images);
    EXPECT_EQ(images.resets, 1);
    const int countries = std::stoi(Scalar("SELECT COUNT(*) FROM tblCountries"));
    ASSERT_EQ(table.count, countries);
    ASSERT_EQ(static_cast<int>(images.files.size()), countries);
    const std::string flags = std::string(GEOLYNX_PROGRAM_ROOT) + "/Flags/";
    EXPECT_EQ(images.files[static_cast<size_t>(table.ImageIndex(50001))], flags + "world.png");
    EXPECT_EQ(images.files[static_cast<size_t>(table.ImageIndex(50002))], flags + "world.png");
    EXPECT_EQ(images.files[static_cast<size_t>(table.ImageIndex(276))], flags + "de.png");
    EXPECT_EQ(images.files[static_cast<size_t>(table.ImageIndex(1))], flags + "world.png");
    EXPECT_LT(table.ImageIndex(50001), table.ImageIndex(276)); // by name: "AAA..." before "Germany"
    EXPECT_EQ(table.ImageIndex(999999), -1);

    // Loading again starts both halves afresh.
    LoadCountryFlags(table, images);
    EXPECT_EQ(table.count, countries);
    EXPECT_EQ(static_cast<int>(images.files.size()), countries);
}

TEST_F(CatalogueFlags, ACountryWithoutAnyImageTakesNoPosition)
{
    CountryImageTable table;
    CRecordingImages images;
    images.refuse = {"de.png", "world.png"};
    LoadCountryFlags(table, images);
    EXPECT_EQ(table.ImageIndex(276), -1);
    const int fr = table.ImageIndex(250);
    ASSERT_GE(fr, 0);
    EXPECT_EQ(images.files[static_cast<size_t>(fr)], std::string(GEOLYNX_PROGRAM_ROOT) + "/Flags/fr.png");
}

TEST_F(CatalogueFlags, CountriesBeyondTheTableShowNoFlag)
{
    std::string sql = "BEGIN;";
    for (int i = 0; i < 1100; ++i)
        sql += "INSERT INTO tblCountries (numId, strCountry, strFlag) VALUES (" + std::to_string(60000 + i) +
               ", 'Region " + std::to_string(10000 + i) + "', 'de.png');";
    Sql(sql + "COMMIT;");
    CountryImageTable table;
    CRecordingImages images;
    LoadCountryFlags(table, images);
    const int countries = std::stoi(Scalar("SELECT COUNT(*) FROM tblCountries"));
    ASSERT_GT(countries, CountryImageTable::kCapacity);
    EXPECT_EQ(table.count, CountryImageTable::kCapacity);
    EXPECT_EQ(static_cast<int>(images.files.size()), countries);
    // The 1024th by name is in the table, the 1025th is not.
    const int last = std::stoi(Scalar("SELECT numId FROM tblCountries ORDER BY strCountry LIMIT 1 OFFSET 1023"));
    const int first = std::stoi(Scalar("SELECT numId FROM tblCountries ORDER BY strCountry LIMIT 1 OFFSET 1024"));
    EXPECT_EQ(table.ImageIndex(last), 1023);
    EXPECT_EQ(table.ImageIndex(first), -1);
}
