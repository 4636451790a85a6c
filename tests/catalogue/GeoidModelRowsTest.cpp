// The user's own geoid models in the catalogue, and a catalogue copied before
// the geoid and datum grid tables existed.
#include <string>
#include <vector>

#include "CatalogueFixture.h"
#include "CatalogueUpgrade.h"
#include "GeoidModels.h"

namespace {

TEST_F(CatalogueTest, UsersGeoidModelsAreCheckedSavedAndDeleted)
{
    const GeoidModelValues good{"NZVD2016 height", "nz_linz_nzgeoid2016.tif", 4167, "New Zealand", "0.05"};
    struct Case
    {
        const char* what;
        GeoidModelValues values;
        const char* refusalStart; // nullptr: saved
    };
    auto with = [&good](auto change) {
        GeoidModelValues v = good;
        change(v);
        return v;
    };
    const Case cases[] = {
        {"no name", with([](GeoidModelValues& v) { v.name = "  "; }), "A geoid model needs a name"},
        {"no file", with([](GeoidModelValues& v) { v.file.clear(); }), "A geoid model needs the name of its grid"},
        {"file in a folder", with([](GeoidModelValues& v) { v.file = "../x.gtx"; }), "The grid file is named without"},
        {"no datum", with([](GeoidModelValues& v) { v.datumId = 0; }), "A geoid model needs the datum"},
        {"unknown datum", with([](GeoidModelValues& v) { v.datumId = 99999; }), "A geoid model needs the datum"},
        {"accuracy text", with([](GeoidModelValues& v) { v.accuracy = "5 cm"; }), "The accuracy is"},
        {"negative accuracy", with([](GeoidModelValues& v) { v.accuracy = "-1"; }), "The accuracy is"},
        {"quote in the name", with([](GeoidModelValues& v) { v.name = "Côte d'Ivoire height"; }), nullptr},
    };
    for (const Case& c : cases)
    {
        int id = 0;
        std::string message;
        const bool saved = SaveGeoidModel(c.values, id, &message);
        EXPECT_EQ(saved, c.refusalStart == nullptr) << c.what << ": " << message;
        if (c.refusalStart != nullptr)
        {
            EXPECT_TRUE(message.starts_with(c.refusalStart)) << c.what << ": " << message;
            EXPECT_EQ(id, 0) << c.what;
            continue;
        }
        GeoidModelRow row;
        ASSERT_TRUE(FindGeoidModel(id, row)) << c.what;
        EXPECT_EQ(row.name, c.values.name);
    }

    // New models take the identifiers above the shipped ones; a modified one keeps its own.
    int id = 0;
    ASSERT_TRUE(SaveGeoidModel(good, id));
    EXPECT_EQ(id, 50002);
    GeoidModelValues changed = good;
    changed.file = "nzgeoid2016.gtx";
    changed.accuracy = "0.1";
    ASSERT_TRUE(SaveGeoidModel(changed, id));
    GeoidModelRow row;
    ASSERT_TRUE(FindGeoidModel(id, row));
    EXPECT_EQ(row.file, "nzgeoid2016.gtx");
    EXPECT_EQ(row.datumId, 4167);
    EXPECT_EQ(row.area, "New Zealand");
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
