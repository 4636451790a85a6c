// The user's own geoid models in the catalogue, and a catalogue copied before
// the geoid and datum grid tables existed.
#include <string>
#include <utility>
#include <vector>

#include "CatalogueFixture.h"
#include "CatalogueUpgrade.h"
#include "GeoidModels.h"

namespace {

TEST_F(CatalogueTest, UsersGeoidModelsAreCheckedSavedAndDeleted)
{
    // Each case spoils one value of a model; nullptr: saved.
    const std::pair<GeoidModelValues, const char*> cases[] = {
        {{" ", "nz.tif", 4167, "", "0.05"}, "A geoid model needs a name"},
        {{"NZ", "", 4167, "", "0.05"}, "A geoid model needs the name of its grid"},
        {{"NZ", "../nz.tif", 4167, "", "0.05"}, "The grid file is named without"},
        {{"NZ", "nz.tif", 0, "", "0.05"}, "A geoid model needs the datum"},
        {{"NZ", "nz.tif", 99999, "", "0.05"}, "A geoid model needs the datum"},
        {{"NZ", "nz.tif", 4167, "", "5 cm"}, "The accuracy is"},
        {{"NZ", "nz.tif", 4167, "", "-1"}, "The accuracy is"},
        {{"Côte d'Ivoire height", "ci.tif", 4167, "Côte d'Ivoire", "0.05"}, nullptr},
    };
    for (const auto& [values, refusal] : cases)
    {
        int id = 0;
        std::string message;
        EXPECT_EQ(SaveGeoidModel(values, id, &message), refusal == nullptr) << values.name << ": " << message;
        GeoidModelRow row;
        if (refusal != nullptr)
            EXPECT_TRUE(message.starts_with(refusal) && id == 0) << values.name << ": " << message;
        else
        {
            EXPECT_TRUE(FindGeoidModel(id, row)) << values.name;
            EXPECT_EQ(row.name + row.area, values.name + values.area);
        }
    }

    // New models take the identifiers above the shipped ones; a modified one keeps its own.
    int id = 0;
    ASSERT_TRUE(SaveGeoidModel({"NZVD2016 height", "nz_linz_nzgeoid2016.tif", 4167, "New Zealand", "0.05"}, id));
    EXPECT_EQ(id, 50002);
    ASSERT_TRUE(SaveGeoidModel({"NZVD2016 height", "nzgeoid2016.gtx", 4167, "New Zealand", "0.1"}, id));
    GeoidModelRow row;
    ASSERT_TRUE(FindGeoidModel(id, row));
    EXPECT_EQ(row.file + " " + std::to_string(row.datumId), "nzgeoid2016.gtx 4167");
    EXPECT_DOUBLE_EQ(row.accuracy, 0.1);

    // The shipped models stay; the user's go.
    EXPECT_FALSE(DeleteGeoidModel(5773));
    EXPECT_TRUE(FindGeoidModel(5773, row));
    EXPECT_TRUE(DeleteGeoidModel(id));
    EXPECT_FALSE(FindGeoidModel(id, row));
}

TEST_F(CatalogueTest, OlderCatalogueGetsTheGeoidModelAndDatumGridTables)
{
    const std::string models = Scalar("SELECT count(*) FROM tblGeoidModels");
    const std::string grids = Scalar("SELECT count(*) FROM tblDatumGrids");
    ASSERT_NE(models, "0");
    Sql("DROP TABLE tblGeoidModels; DROP TABLE tblDatumGrids");

    const CCatalogueUpgrade dry = UpgradeUserCatalogue(true);
    EXPECT_TRUE(dry.heightTablesAdded);
    EXPECT_EQ(Scalar("SELECT count(*) FROM sqlite_master WHERE name = 'tblGeoidModels'"), "0");
    const std::vector<std::string> summary = dry.Summary(true);
    ASSERT_FALSE(summary.empty());
    EXPECT_NE(summary[0].find("geoid models and datum grids would be added"), std::string::npos) << summary[0];

    const CCatalogueUpgrade done = UpgradeUserCatalogue(false);
    EXPECT_TRUE(done.done) << done.failure;
    EXPECT_EQ(Scalar("SELECT count(*) FROM tblGeoidModels"), models);
    EXPECT_EQ(Scalar("SELECT count(*) FROM tblDatumGrids"), grids);
    EXPECT_EQ(Scalar("SELECT strFile FROM tblDatumGrids WHERE numDatum = 4277"), "uk_os_OSTN15_NTv2_OSGBtoETRS.tif");
    // The table is the user's now: a model added to it is kept.
    int id = 0;
    ASSERT_TRUE(SaveGeoidModel({"Mine", "mine.gtx", 4326, "", "1"}, id));
    EXPECT_FALSE(UpgradeUserCatalogue(false).heightTablesAdded);
    EXPECT_EQ(Scalar("SELECT strModel FROM tblGeoidModels WHERE numId = " + std::to_string(id)), "Mine");
}

} // namespace
