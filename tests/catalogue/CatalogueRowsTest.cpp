#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CatalogueFixture.h"
#include "CatalogueRows.h"

using CatalogueRows = CatalogueTest;

namespace {

bool Holds(const std::vector<NamedRow>& rows, int id, const std::string& name)
{
    return std::any_of(rows.begin(), rows.end(), [&](const NamedRow& r) { return r.id == id && r.name == name; });
}

} // namespace

TEST_F(CatalogueRows, EveryListHoldsTheCataloguesRowsInItsStatementsOrder)
{
    std::vector<NamedRow> rows;
    ASSERT_TRUE(ListDatums(rows));
    EXPECT_EQ(std::to_string(rows.size()), Scalar("SELECT COUNT(*) FROM tblDatums"));
    EXPECT_TRUE(Holds(rows, 4277, "OSGB36"));
    // D3 orders by name.
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(),
                               [](const NamedRow& a, const NamedRow& b) { return a.name < b.name; }));

    ASSERT_TRUE(ListEllipsoids(rows));
    EXPECT_EQ(std::to_string(rows.size()), Scalar("SELECT COUNT(*) FROM tblEllipsoids"));
    EXPECT_TRUE(Holds(rows, 7030, Scalar("SELECT strEllipsoid FROM tblEllipsoids WHERE numId = 7030")));
    ASSERT_TRUE(ListMeridians(rows));
    EXPECT_TRUE(Holds(rows, 8901, "Greenwich"));
    ASSERT_TRUE(ListCountries(rows));
    EXPECT_EQ(std::to_string(rows.size()), Scalar("SELECT COUNT(*) FROM tblCountries"));
    ASSERT_TRUE(ListUnits(rows));
    EXPECT_TRUE(Holds(rows, 9001, Scalar("SELECT strUnit FROM tblUnits WHERE numId = 9001")));
    ASSERT_TRUE(ListProjections(rows));
    EXPECT_EQ(std::to_string(rows.size()), Scalar("SELECT COUNT(*) FROM tblProjections"));

    ASSERT_TRUE(ListGrids(0, 0, rows));
    EXPECT_EQ(std::to_string(rows.size()), Scalar("SELECT COUNT(*) FROM tblGrids"));
    EXPECT_TRUE(Holds(rows, 27700, "OSGB36 / British National Grid"));
    // The filters narrow the grids to one country, one datum, or both.
    ASSERT_TRUE(ListGrids(826, 0, rows));
    EXPECT_EQ(std::to_string(rows.size()), Scalar("SELECT COUNT(*) FROM tblGrids WHERE numCountry = 826"));
    ASSERT_TRUE(ListGrids(826, 4277, rows));
    EXPECT_EQ(std::to_string(rows.size()),
              Scalar("SELECT COUNT(*) FROM tblGrids WHERE numCountry = 826 AND numDatum = 4277"));
    EXPECT_TRUE(Holds(rows, 27700, "OSGB36 / British National Grid"));
}

TEST_F(CatalogueRows, PresenceTellsAbsentRowsFromAnUnreachableCatalogue)
{
    EXPECT_EQ(FindGridRow(27700), RowPresence::Present);
    EXPECT_EQ(FindDatumRow(4277), RowPresence::Present);
    EXPECT_EQ(FindGridRow(999999), RowPresence::Absent);
    EXPECT_EQ(FindDatumRow(-5), RowPresence::Absent);
    Sql("DELETE FROM tblGrids WHERE numId = 27700");
    EXPECT_EQ(FindGridRow(27700), RowPresence::Absent);

    UseConnection("DSN=GeolynxNoSuchCatalogue;");
    EXPECT_EQ(FindGridRow(32631), RowPresence::Unreachable);
    EXPECT_EQ(FindDatumRow(4326), RowPresence::Unreachable);
    std::vector<NamedRow> rows{NamedRow{1, "stale"}};
    std::string message;
    EXPECT_FALSE(ListDatums(rows, &message));
    EXPECT_TRUE(rows.empty());
    EXPECT_FALSE(message.empty());
}
