#include <QCommandLinkButton>

#include "CatalogueLoaders.h"
#include "ConvertCoordinate.h"
#include "DialogSelectGrid.h"
#include "GeolynxApp.h"
#include "GridList.h"
#include "ListSearch.h"
#include "ManagementFixture.h"

namespace {

class GridDialogTest : public ManagementTest
{
protected:
    CGeolynxApp app;

    std::unique_ptr<CDialogSelectGrid> Open(int preselect = 0)
    {
        auto dialog = std::make_unique<CDialogSelectGrid>(app);
        dialog->SelectedGridId = preselect;
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }

    static CGridList* List(CDialogSelectGrid& d) { return Find<CGridList>(&d, "gridList"); }

    // A grid as the dialog's Add and Save make it, with the datum and
    // country the choosers hand over.
    void AddGrid(CDialogSelectGrid& d, const QString& name, int datum, int country)
    {
        Click(&d, "addButton");
        ChooseDatum(d, "datumSelectButton", datum);
        ClickThrough(&d, "countrySelectButton", "CDialogSelectCountry", realdialog::PickRow(country));
        Type(&d, "gridName", name);
    }

    // A datum chosen in the real datum dialog; the filter's dialog lists
    // " Show all datums" first, the editor's does not.
    void ChooseDatum(CDialogSelectGrid& d, const char* button, int datum)
    {
        QString first;
        ClickThrough(&d, button, "CDialogSelectDatum", [&first, datum](QWidget* dialog) {
            if (auto* list = dialog->findChild<QTreeView*>(QStringLiteral("datumList")); list && RowCount(list) > 0)
                first = Cell(list, 0, 1);
            realdialog::PickRow(datum)(dialog);
        });
        EXPECT_EQ(first == QStringLiteral(" Show all datums"), std::string(button) == "datumFilterSelectButton") << button;
    }
};

TEST_F(GridDialogTest, OkAtOnceReturnsTheFirstRowWithItsDatum)
{
    auto d = Open();
    CGridList* list = List(*d);
    ASSERT_EQ(RowCount(list), Count("SELECT COUNT(*) FROM tblGrids"));
    const int first = RowId(list, 0);
    // OK with no row chosen keeps the opener's choice; the first row once
    // chosen is returned.
    ClickRow(list, 0);
    Click(d.get(), "okButton");
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(d->SelectedGridId, first);
    EXPECT_NE(first, 0);
    EXPECT_EQ(std::to_string(d->SelectedDatumId),
              Scalar("SELECT numDatum FROM tblGrids WHERE numId = " + std::to_string(first)));
}

TEST_F(GridDialogTest, DefaultSortReadsCountriesThenGridNamesAscending)
{
    auto d = Open();
    CGridList* list = List(*d);
    EXPECT_EQ(d->SortColumn(), 2);
    EXPECT_EQ(d->SortDirection(), 1);
    const std::vector<std::string> sqlCountries = Column(
        "SELECT tblCountries.strCountry FROM tblGrids JOIN tblCountries ON tblCountries.numId = tblGrids.numCountry "
        "JOIN tblDatums ON tblDatums.numId = tblGrids.numDatum ORDER BY tblCountries.strCountry, tblGrids.strGrid");
    const std::vector<std::string> sqlGrids = Column(
        "SELECT tblGrids.strGrid FROM tblGrids JOIN tblCountries ON tblCountries.numId = tblGrids.numCountry "
        "JOIN tblDatums ON tblDatums.numId = tblGrids.numDatum ORDER BY tblCountries.strCountry, tblGrids.strGrid");
    // Countries, then names, in natural order without regard to case.
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 0; i < sqlCountries.size() && i < sqlGrids.size(); ++i)
        pairs.emplace_back(sqlCountries[i], sqlGrids[i]);
    std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) {
        const int c = NaturalCompare(QString::fromStdString(a.first), QString::fromStdString(b.first));
        return c != 0 ? c < 0 : NaturalLess(QString::fromStdString(a.second), QString::fromStdString(b.second));
    });
    std::vector<std::string> countries;
    std::vector<std::string> grids;
    for (const auto& [country, grid] : pairs)
    {
        countries.push_back(country);
        grids.push_back(grid);
    }
    ASSERT_EQ(static_cast<int>(countries.size()), RowCount(list));
    for (int i = 0; i < RowCount(list); ++i)
    {
        ASSERT_EQ(Cell(list, i, 0).toStdString(), countries[static_cast<size_t>(i)]) << i;
        ASSERT_EQ(Cell(list, i, 2).toStdString(), grids[static_cast<size_t>(i)]) << i;
    }
    // Rows carry their country's flag.
    EXPECT_FALSE(RowIcon(list, 0).isNull());
    EXPECT_GT(app.countryImageCount, 0);
}

TEST_F(GridDialogTest, EpsgHeaderSortsByIdentifierAndTogglesAndUserGridsShowNoCode)
{
    Sql("INSERT INTO tblGrids (numId, strGrid, numCountry, numDatum, numProjection, numUnits) "
        "VALUES (50003, 'Mine', 250, 4326, 9807, 9001)");
    auto d = Open();
    CGridList* list = List(*d);
    const int n = RowCount(list);
    ClickHeader(list, 1);
    EXPECT_EQ(d->SortColumn(), 1);
    EXPECT_EQ(d->SortDirection(), 1);
    for (int i = 1; i < n; ++i)
        ASSERT_LT(RowId(list, i - 1), RowId(list, i)) << i;
    EXPECT_EQ(RowId(list, n - 1), 50003);
    EXPECT_TRUE(Cell(list, n - 1, 1).isEmpty());
    EXPECT_EQ(Cell(list, 0, 1), QString::number(RowId(list, 0)));

    ClickHeader(list, 1);
    EXPECT_EQ(d->SortDirection(), 0);
    for (int i = 1; i < n; ++i)
        ASSERT_GT(RowId(list, i - 1), RowId(list, i)) << i;

    // Another column starts over in direction 1: names ascending on screen.
    ClickHeader(list, 2);
    EXPECT_EQ(d->SortColumn(), 3);
    EXPECT_EQ(d->SortDirection(), 1);
    for (int i = 1; i < n; ++i)
        ASSERT_LE(NaturalCompare(Cell(list, i - 1, 2), Cell(list, i, 2)), 0);
}

TEST_F(GridDialogTest, FirstUserGridGetsIdentifier50001AndIsShownAfterSaving)
{
    auto d = Open();
    AddGrid(*d, QStringLiteral("Île d'Essai"), 4326, 250);
    EXPECT_EQ(d->CurrentState(), CDialogSelectGrid::Adding);
    EXPECT_EQ(Find<QPushButton>(d.get(), "okButton")->text(), QStringLiteral("&Save"));
    EXPECT_FALSE(List(*d)->isEnabled());
    Click(d.get(), "okButton");

    EXPECT_EQ(Scalar("SELECT strGrid FROM tblGrids WHERE numId = 50001"), "Île d'Essai");
    EXPECT_EQ(Scalar("SELECT numProjection FROM tblGrids WHERE numId = 50001"), "9807");
    EXPECT_EQ(d->CurrentState(), CDialogSelectGrid::Browsing);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->SelectedGridId, 50001);
    EXPECT_EQ(SelectedRowId(List(*d)), 50001);
    EXPECT_EQ(Text(d.get(), "gridName"), QStringLiteral("Île d'Essai"));
    EXPECT_EQ(Find<QPushButton>(d.get(), "okButton")->text(), QStringLiteral("OK"));

    // The next one follows the largest user identifier.
    Sql("UPDATE tblGrids SET numId = 50007 WHERE numId = 50001");
    AddGrid(*d, QStringLiteral("Second"), 4326, 250);
    Click(d.get(), "okButton");
    EXPECT_EQ(Scalar("SELECT strGrid FROM tblGrids WHERE numId = 50008"), "Second");
}

TEST_F(GridDialogTest, AddClearsTheDatumSoSavingWithoutOneShows170AndStaysAdding)
{
    auto d = Open(32631);
    EXPECT_EQ(d->SelectedDatumId, 4326);
    Click(d.get(), "addButton");
    EXPECT_EQ(d->SelectedDatumId, 0);
    EXPECT_TRUE(Text(d.get(), "datumName").isEmpty());
    EXPECT_EQ(Text(d.get(), "scaleFactor"), QStringLiteral("1.0"));
    EXPECT_EQ(Text(d.get(), "falseEasting"), QStringLiteral("0.0"));
    Type(d.get(), "gridName", QStringLiteral("No datum"));
    Click(d.get(), "okButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({170}));
    EXPECT_EQ(d->CurrentState(), CDialogSelectGrid::Adding);
    EXPECT_EQ(Find<QPushButton>(d.get(), "okButton")->text(), QStringLiteral("&Save"));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblGrids WHERE numId > 50000"), 0);

    boxes.Clear();
    ChooseDatum(*d, "datumSelectButton", 4326);
    Type(d.get(), "gridName", QString());
    Click(d.get(), "okButton");
    // The country stays the one of the grid shown before (World), so the name is next.
    EXPECT_EQ(boxes.Texts(), MessageTexts({172}));
}

TEST_F(GridDialogTest, GridWithoutCountryShows171)
{
    auto d = Open();
    Click(d.get(), "addButton");
    ChooseDatum(*d, "datumSelectButton", 4326);
    Type(d.get(), "gridName", QStringLiteral("Nowhere"));
    Click(d.get(), "okButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({171}));
}

TEST_F(GridDialogTest, NumbersAreCheckedBeforeTheyGoIntoSql)
{
    auto d = Open();
    AddGrid(*d, QStringLiteral("Checked"), 4326, 250);
    // The numeric field lets two points through; the check refuses them.
    Type(d.get(), "falseEasting", QStringLiteral("1.2.3"));
    EXPECT_EQ(Text(d.get(), "falseEasting"), QStringLiteral("1.2.3"));
    Click(d.get(), "okButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({IDS_INVALID_GRID_FALSE_EASTING}));
    EXPECT_NE(boxes.Texts().front().find("False Easting"), std::string::npos);
    EXPECT_EQ(d->CurrentState(), CDialogSelectGrid::Adding);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblGrids WHERE numId > 50000"), 0);

    // The azimuth field is a plain one, so letters get in; after the fix an
    // emptied field saves as 0.0.
    boxes.Clear();
    Type(d.get(), "falseEasting", QStringLiteral("400000"));
    Find<QLineEdit>(d.get(), "azimuth")->setReadOnly(false);
    Type(d.get(), "azimuth", QStringLiteral("north"));
    Click(d.get(), "okButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({IDS_INVALID_GRID_AZIMUTH}));
    boxes.Clear();
    Type(d.get(), "azimuth", QString());
    Type(d.get(), "scaleFactor", QString());
    Click(d.get(), "okButton");
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(Scalar("SELECT dblAzimuth FROM tblGrids WHERE numId = 50001"), "0.0");
    // An empty scale factor is none, which is 1; 0 would be refused.
    EXPECT_EQ(Scalar("SELECT dblScale FROM tblGrids WHERE numId = 50001"), "1.0");
    EXPECT_EQ(Scalar("SELECT dblFalseEasting FROM tblGrids WHERE numId = 50001"), "400000.0");
}

TEST_F(GridDialogTest, CancelWhileModifyingRestoresTheStoredValues)
{
    auto d = Open(32631);
    EXPECT_EQ(SelectedRowId(List(*d)), 32631);
    EXPECT_EQ(Text(d.get(), "falseEasting"), QStringLiteral("500000.000000"));
    EXPECT_EQ(Text(d.get(), "longitude"), QStringLiteral("3.00000000"));
    EXPECT_EQ(Find<QLabel>(d.get(), "longitudeLabel")->text(), QStringLiteral("Central Meridian"));
    Click(d.get(), "modifyButton");
    EXPECT_EQ(d->CurrentState(), CDialogSelectGrid::Modifying);
    EXPECT_FALSE(Find<QLineEdit>(d.get(), "falseEasting")->isReadOnly());
    // Transverse Mercator uses no standard parallel.
    EXPECT_TRUE(Find<QLineEdit>(d.get(), "parallelNorth")->isReadOnly());
    Type(d.get(), "falseEasting", QStringLiteral("123"));
    Click(d.get(), "cancelButton");
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->CurrentState(), CDialogSelectGrid::Browsing);
    EXPECT_EQ(Text(d.get(), "falseEasting"), QStringLiteral("500000.000000"));
    EXPECT_TRUE(Find<QLineEdit>(d.get(), "falseEasting")->isReadOnly());
    EXPECT_EQ(Scalar("SELECT dblFalseEasting FROM tblGrids WHERE numId = 32631"), "500000.0");
}

TEST_F(GridDialogTest, ModifyingSavesTheChosenUnitAndProjectionParameters)
{
    auto d = Open(32631);
    Click(d.get(), "modifyButton");
    Choose(Find<QComboBox>(d.get(), "unitList"), 9002);
    EXPECT_EQ(d->UnitId(), 9002);
    Choose(Find<QComboBox>(d.get(), "projectionList"), 9802);
    EXPECT_EQ(d->ProjectionId(), 9802);
    EXPECT_FALSE(Find<QLineEdit>(d.get(), "parallelNorth")->isReadOnly());
    EXPECT_TRUE(Find<QLineEdit>(d.get(), "scaleFactor")->isReadOnly());
    EXPECT_EQ(Find<QLabel>(d.get(), "longitudeLabel")->text(), QStringLiteral("Longitude of Origin"));
    Type(d.get(), "parallelNorth", QStringLiteral("45.5"));
    Click(d.get(), "okButton");
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(Scalar("SELECT numUnits FROM tblGrids WHERE numId = 32631"), "9002");
    EXPECT_EQ(Scalar("SELECT numProjection FROM tblGrids WHERE numId = 32631"), "9802");
    EXPECT_EQ(Scalar("SELECT dblParallelNorth FROM tblGrids WHERE numId = 32631"), "45.5");
    EXPECT_EQ(d->SelectedGridId, 32631);
    EXPECT_EQ(SelectedRowId(List(*d)), 32631);
}

TEST_F(GridDialogTest, BothFiltersRestrictTheListAndPersistThroughTheProfile)
{
    const std::string datum = Scalar("SELECT numDatum FROM tblGrids WHERE numCountry = 250 GROUP BY numDatum "
                                     "ORDER BY COUNT(*) DESC LIMIT 1");
    const int expected = Count("SELECT COUNT(*) FROM tblGrids WHERE numCountry = 250 AND numDatum = " + datum);
    ASSERT_GT(expected, 0);
    ASSERT_LT(expected, Count("SELECT COUNT(*) FROM tblGrids WHERE numCountry = 250"));
    {
        auto d = Open();
        ClickThrough(d.get(), "countryFilterSelectButton", "CDialogSelectCountry", realdialog::PickRow(250));
        ChooseDatum(*d, "datumFilterSelectButton", std::atoi(datum.c_str()));
        EXPECT_EQ(RowCount(List(*d)), expected);
        EXPECT_EQ(Text(d.get(), "countryFilterName"), QStringLiteral("France"));
        Click(d.get(), "cancelButton");
    }
    auto again = Open();
    EXPECT_EQ(again->CountryFilter(), 250);
    EXPECT_EQ(again->DatumFilter(), std::atoi(datum.c_str()));
    EXPECT_EQ(RowCount(List(*again)), expected);
    for (int i = 0; i < expected; ++i)
        ASSERT_EQ(Cell(again->findChild<CGridList*>(), i, 0), QStringLiteral("France"));

    Click(again.get(), "countryFilterResetButton");
    EXPECT_EQ(Text(again.get(), "countryFilterName"), QStringLiteral("No country selected"));
    EXPECT_EQ(RowCount(List(*again)), Count("SELECT COUNT(*) FROM tblGrids WHERE numDatum = " + datum));
    Click(again.get(), "datumFilterResetButton");
    EXPECT_EQ(Text(again.get(), "datumFilterName"), QStringLiteral("No datum selected"));
    EXPECT_EQ(RowCount(List(*again)), Count("SELECT COUNT(*) FROM tblGrids"));
    auto third = Open();
    EXPECT_EQ(third->CountryFilter(), 0);
    EXPECT_EQ(third->DatumFilter(), 0);
}

TEST_F(GridDialogTest, DeleteAsksAndRemovesOnlyOnYes)
{
    Sql("INSERT INTO tblGrids (numId, strGrid, numCountry, numDatum, numProjection, numUnits) "
        "VALUES (50002, 'Doomed', 250, 4326, 9807, 9001)");
    auto d = Open(50002);
    boxes.SetAnswer(false);
    Click(d.get(), "deleteButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({302}));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblGrids WHERE numId = 50002"), 1);
    boxes.SetAnswer(true);
    Click(d.get(), "deleteButton");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblGrids WHERE numId = 50002"), 0);
    // The mark is back on the first row, which is then shown.
    EXPECT_EQ(d->SelectedGridId, RowId(List(*d), 0));
}

TEST_F(GridDialogTest, DoubleClickChoosesTheRowAndLinkOpensTheGridsPage)
{
    auto d = Open();
    // The offscreen platform opens no browser, so the address comes in a box.
    QTest::mouseClick(Find<QCommandLinkButton>(d.get(), "linkButton"), Qt::LeftButton);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{MessageWith(IDS_MAP_NOT_OPENED, std::string("The page of grid definitions is at:\n") +
                                                                                     CDialogSelectGrid::kGridsPage)});
    boxes.Clear();

    CGridList* list = List(*d);
    const int row = 5;
    const int id = RowId(list, row);
    ClickRow(list, row, true);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->SelectedGridId, id);
}

// A grid entered in the dialog converts through the catalogue at once, as the
// shipped grid with the same parameters does.
TEST_F(GridDialogTest, AddedGridConvertsLikeTheShippedOne)
{
    auto d = Open();
    AddGrid(*d, QStringLiteral("My UTM 31"), 4326, 250);
    Type(d.get(), "falseEasting", QStringLiteral("500000"));
    Type(d.get(), "longitude", QStringLiteral("3"));
    Type(d.get(), "scaleFactor", QStringLiteral("0.9996"));
    Click(d.get(), "okButton");
    ASSERT_EQ(d->SelectedGridId, 50001);
    Click(d.get(), "okButton");
    ASSERT_EQ(d->SelectedGridId, 50001);
    ASSERT_EQ(d->SelectedDatumId, 4326);

    auto convert = [this](int gridId, double& e, double& n) {
        double x = 2.2945, y = 48.8584, z = 0.0;
        CCatalogueRecordLoader loader;
        const int rc = ConvertCoordinate(app.conversion, loader, true, x, y, z, 4326, 0, 4326, gridId);
        e = x;
        n = y;
        return rc;
    };
    double e1 = 0, n1 = 0, e2 = 0, n2 = 0;
    ASSERT_EQ(convert(50001, e1, n1), 0);
    ASSERT_EQ(convert(32631, e2, n2), 0);
    EXPECT_NEAR(e1, e2, 1e-6);
    EXPECT_NEAR(n1, n2, 1e-6);
    // cs2cs +proj=longlat +datum=WGS84 +to +proj=utm +zone=31 +datum=WGS84: 448252.001 5411954.910.
    EXPECT_NEAR(e1, 448252.001, 0.001);
    EXPECT_NEAR(n1, 5411954.910, 0.001);
}

} // namespace

TEST_F(GridDialogTest, MethodsWithAnExtraParameterNameItsColumn)
{
    // Colombia Urban keeps its plane height, Michigan its ellipsoid scaling and the zoned
    // Transverse Mercator its zone width in columns the labels otherwise call something else.
    struct Case
    {
        int grid;
        const char* label;
        const char* expected;
    };
    const Case cases[] = {
        {6247, "scaleFactorLabel", "Plane Height (m):"}, {6201, "scaleFactorLabel", "Ellipsoid Scaling:"},
        {32600, "parallelNorthLabel", "Zone Width:"},     {2985, "parallelNorthLabel", "Standard Parallel:"},
        {32631, "scaleFactorLabel", "Scalefactor:"},      {32631, "parallelNorthLabel", "Parallel North:"},
    };
    for (const Case& c : cases)
    {
        auto d = Open(c.grid);
        EXPECT_EQ(SelectedRowId(List(*d)), c.grid);
        EXPECT_EQ(Find<QLabel>(d.get(), c.label)->text(), QString::fromUtf8(c.expected)) << c.grid;
    }
}
