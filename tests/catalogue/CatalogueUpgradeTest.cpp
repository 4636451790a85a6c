// A user's catalogue copied by the previous release is brought up to the shipped one: shipped rows
// the user never touched take this release's values, rows the user changed or added stay, and the
// transformations and areas are added.
#include <cstdio>
#include <filesystem>

#include "CatalogueFixture.h"
#include "CatalogueUpgrade.h"
#include "DatumLink.h"

namespace fs = std::filesystem;

namespace {

class CatalogueUpgradeTest : public CatalogueTest
{
protected:
    // A program root whose shipped catalogue is a later release: ED50 (4230) has new parameters and
    // a datum 49999 is new.
    std::string NewerRelease()
    {
        const fs::path root = home / "root";
        fs::create_directories(root);
        const fs::path file = root / "catalogue.db";
        fs::copy_file(std::string(GEOLYNX_PROGRAM_ROOT) + "/catalogue.db", file);
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db,
                               "UPDATE tblDatums SET dblDeltaX = -87.5 WHERE numId = 4230;"
                               "INSERT INTO tblDatums VALUES (49999, 'New datum', 7030, 8901, 1, '', 1, 2, 3, 0, 0, "
                               "0, 0);"
                               "INSERT INTO tblShipped SELECT 'tblDatums', 49999, max(numRelease) + 1, 'new' "
                               "FROM tblShipped;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
        return root.string();
    }
};

TEST_F(CatalogueUpgradeTest, OlderCatalogueIsBroughtUpToDateKeepingTheUsersRows)
{
    const std::string before = Scalar("SELECT dblDeltaX FROM tblDatums WHERE numId = 4230");
    Sql("UPDATE tblDatums SET dblDeltaX = 446.0 WHERE numId = 4277");
    Sql("INSERT INTO tblDatums VALUES (50001, 'Mine', 7030, 8901, 1, '', 1, 2, 3, 0, 0, 0, 0)");
    UseConnection("Provider=SQLite;Data Source=" + catalogueFile + ";", NewerRelease());

    const CCatalogueUpgrade dry = UpgradeUserCatalogue(true);
    EXPECT_TRUE(dry.needed);
    EXPECT_FALSE(dry.done);
    EXPECT_EQ(dry.updated, 1);
    EXPECT_EQ(dry.added, 1);
    EXPECT_TRUE(dry.tablesAdded);
    EXPECT_EQ(dry.kept, std::vector<std::string>{"datum 4277 OSGB36"});
    EXPECT_EQ(Scalar("SELECT dblDeltaX FROM tblDatums WHERE numId = 4230"), before);
    EXPECT_EQ(Scalar("SELECT count(*) FROM sqlite_master WHERE name = 'tblShipped'"), "0");
    const std::vector<std::string> summary = dry.Summary(true);
    ASSERT_EQ(summary.size(), 2u);
    EXPECT_EQ(summary[1], "1 shipped rows you changed would be kept as they are: datum 4277 OSGB36");

    const CCatalogueUpgrade done = UpgradeUserCatalogue(false);
    EXPECT_TRUE(done.done) << done.failure;
    EXPECT_EQ(done.updated, 1);
    EXPECT_EQ(Scalar("SELECT dblDeltaX FROM tblDatums WHERE numId = 4230"), "-87.5");
    EXPECT_EQ(Scalar("SELECT strDatum FROM tblDatums WHERE numId = 49999"), "New datum");
    EXPECT_EQ(Scalar("SELECT dblDeltaX FROM tblDatums WHERE numId = 4277"), "446.0");
    EXPECT_EQ(Scalar("SELECT strDatum FROM tblDatums WHERE numId = 50001"), "Mine");
    EXPECT_EQ(Scalar("SELECT strCode FROM tblTransformations WHERE numDatum = 4277"), "EPSG:1314");
    EXPECT_EQ(Scalar("SELECT max(numRelease) FROM tblShipped"),
              std::to_string(std::stoi(Scalar("SELECT max(numRelease) FROM tblShipped WHERE numId < 49999")) + 1));

    // Once up to date, nothing more is done or said.
    const CCatalogueUpgrade again = UpgradeUserCatalogue(false);
    EXPECT_FALSE(again.needed);
    EXPECT_TRUE(again.Summary(false).empty());
}

TEST_F(CatalogueUpgradeTest, TheGeneratorsRecordHoldsEveryShippedRowsSignature)
{
    // The generator writes the signatures, the program computes them: both must agree on every
    // shipped row, or a user's untouched row would be taken for a changed one.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2((std::string(GEOLYNX_PROGRAM_ROOT) + "/catalogue.db").c_str(), &db,
                              SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    int rows = 0, missing = 0;
    for (const char* table : {"tblEllipsoids", "tblDatums", "tblGrids"})
    {
        sqlite3_stmt* statement = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, (std::string("SELECT * FROM ") + table).c_str(), -1, &statement, nullptr),
                  SQLITE_OK);
        while (sqlite3_step(statement) == SQLITE_ROW)
        {
            std::vector<std::string> values;
            for (int i = 0; i < sqlite3_column_count(statement); ++i)
            {
                const std::string column = sqlite3_column_name(statement, i);
                char buffer[40];
                if (column.starts_with("dbl"))
                    std::snprintf(buffer, sizeof buffer, "%.17g", sqlite3_column_double(statement, i));
                else if (column.starts_with("num"))
                    std::snprintf(buffer, sizeof buffer, "%lld", sqlite3_column_int64(statement, i));
                values.push_back(column.starts_with("str") && sqlite3_column_text(statement, i) != nullptr
                                     ? reinterpret_cast<const char*>(sqlite3_column_text(statement, i))
                                     : std::string(column.starts_with("str") ? "" : buffer));
            }
            sqlite3_stmt* lookup = nullptr;
            sqlite3_prepare_v2(db, "SELECT count(*) FROM tblShipped WHERE strTable = ? AND numId = ? AND "
                                   "strSignature = ?", -1, &lookup, nullptr);
            sqlite3_bind_text(lookup, 1, table, -1, SQLITE_STATIC);
            sqlite3_bind_int64(lookup, 2, sqlite3_column_int64(statement, 0));
            const std::string signature = RowSignatureOf(values);
            sqlite3_bind_text(lookup, 3, signature.c_str(), -1, SQLITE_STATIC);
            missing += sqlite3_step(lookup) == SQLITE_ROW && sqlite3_column_int(lookup, 0) == 1 ? 0 : 1;
            sqlite3_finalize(lookup);
            ++rows;
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    EXPECT_GT(rows, 5000);
    EXPECT_EQ(missing, 0);
}

} // namespace
