#include <QFileInfo>
#include <QListView>

#include "DialogSelectCountry.h"
#include "GeolynxApp.h"
#include "ListSearch.h"
#include "ManagementFixture.h"

namespace {

class CountryDialogTest : public ManagementTest
{
protected:
    CGeolynxApp app;

    std::unique_ptr<CDialogSelectCountry> Open(int preselect = 0)
    {
        auto dialog = std::make_unique<CDialogSelectCountry>(app);
        dialog->SelectedCountryId = preselect;
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }

    static QListView* List(CDialogSelectCountry& d) { return Find<QListView>(&d, "countryList"); }

    static int SelectedId(CDialogSelectCountry& d)
    {
        return SelectedRowId(List(d));
    }

    void AddCountry(CDialogSelectCountry& d, const QString& name)
    {
        Click(&d, "addButton");
        Type(&d, "countryName", name);
        Click(&d, "okButton");
    }
};

TEST_F(CountryDialogTest, OkAtOnceReturnsZeroAndTheListStartsWithAllCountries)
{
    auto d = Open();
    QListView* list = List(*d);
    ASSERT_EQ(RowCount(list), Count("SELECT COUNT(*) FROM tblCountries") + 1);
    EXPECT_EQ(Cell(list, 0), QStringLiteral(" All Countries"));
    EXPECT_TRUE(RowIcon(list, 0).isNull());
    // Names in natural order without regard to case.
    std::vector<std::string> names = Column("SELECT strCountry FROM tblCountries ORDER BY strCountry");
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return NaturalLess(QString::fromStdString(a), QString::fromStdString(b));
    });
    for (int i = 1; i < RowCount(list); ++i)
    {
        ASSERT_EQ(Cell(list, i).toStdString(), names[static_cast<size_t>(i - 1)]);
        ASSERT_FALSE(RowIcon(list, i).isNull()) << i;
    }
    // The application's table holds the countries in the flags' order.
    EXPECT_EQ(app.countryImageCount, static_cast<int>(names.size()));
    EXPECT_EQ(std::to_string(app.countryImageTable[0]),
              Scalar("SELECT numId FROM tblCountries ORDER BY strCountry LIMIT 1"));
    // With no row chosen, OK keeps the opener's choice.
    Click(d.get(), "okButton");
    EXPECT_NE(d->result(), QDialog::Accepted);
    EXPECT_EQ(d->SelectedCountryId, 0);
}

TEST_F(CountryDialogTest, PreselectedCountryIsShownAndDoubleClickOnAllCountriesReturnsZero)
{
    auto d = Open(250);
    EXPECT_EQ(SelectedId(*d), 250);
    EXPECT_EQ(Text(d.get(), "countryName"), QStringLiteral("France"));
    EXPECT_EQ(Text(d.get(), "flagFile"), QStringLiteral("fr.png"));
    QListView* list = List(*d);
    list->scrollTo(Row(list, 0));
    const QPoint at = list->visualRect(Row(list, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(d->SelectedCountryId, 0);
}

TEST_F(CountryDialogTest, NewCountriesAreUniqueByExactNameAndGet50001)
{
    auto d = Open();
    AddCountry(*d, QStringLiteral("France"));
    EXPECT_EQ(boxes.Texts(), MessageTexts({402}));
    EXPECT_EQ(d->CurrentState(), CDialogSelectCountry::Adding);
    boxes.Clear();
    Type(d.get(), "countryName", QStringLiteral(" All Countries"));
    Click(d.get(), "okButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({402}));
    boxes.Clear();
    Type(d.get(), "countryName", QString());
    Click(d.get(), "okButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({400}));
    boxes.Clear();
    Type(d.get(), "countryName", QStringLiteral("FRANCE"));
    Click(d.get(), "okButton");
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(Scalar("SELECT strCountry FROM tblCountries WHERE numId = 50001"), "FRANCE");
    EXPECT_EQ(d->SelectedCountryId, 50001);
    EXPECT_EQ(SelectedId(*d), 50001);
    EXPECT_EQ(d->CurrentState(), CDialogSelectCountry::Browsing);

    // A name with a quote saves as typed.
    AddCountry(*d, QStringLiteral("Côte d'Azur"));
    EXPECT_EQ(Scalar("SELECT strCountry FROM tblCountries WHERE numId = 50002"), "Côte d'Azur");
    EXPECT_EQ(SelectedId(*d), 50002);
}

TEST_F(CountryDialogTest, RenamingKeepsNamesUniqueButMayKeepItsOwn)
{
    auto d = Open(250);
    Click(d.get(), "modifyButton");
    EXPECT_EQ(d->CurrentState(), CDialogSelectCountry::Modifying);
    Type(d.get(), "countryName", QStringLiteral("Germany"));
    Click(d.get(), "okButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({402}));
    EXPECT_EQ(Scalar("SELECT strCountry FROM tblCountries WHERE numId = 250"), "France");
    boxes.Clear();

    Type(d.get(), "countryName", QStringLiteral("France"));
    realdialog::FileDialogSeen seen;
    ClickThrough(d.get(), "browseButton", "QFileDialog",
                 realdialog::FillFileDialog(QString::fromStdString((programRoot / "Flags" / "de.png").string()), &seen));
    // The dialog starts on the country's own flag.
    ASSERT_EQ(seen.selected.size(), 1);
    EXPECT_EQ(QFileInfo(seen.selected.front()).fileName(), QStringLiteral("fr.png"));
    EXPECT_TRUE(seen.nameFilters.contains(QStringLiteral("PNG Image Files (*.png)")));
    EXPECT_EQ(Text(d.get(), "flagFile"), QStringLiteral("de.png"));
    Click(d.get(), "okButton");
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(Scalar("SELECT strCountry || '|' || strFlag FROM tblCountries WHERE numId = 250"), "France|de.png");
    EXPECT_EQ(SelectedId(*d), 250);
}

TEST_F(CountryDialogTest, CountryUsedByAGridCannotBeRemoved)
{
    auto d = Open(250);
    ASSERT_GT(Count("SELECT COUNT(*) FROM tblGrids WHERE numCountry = 250"), 0);
    boxes.SetAnswer(true);
    Click(d.get(), "removeButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({305}));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblCountries WHERE numId = 250"), 1);
}

TEST_F(CountryDialogTest, UnusedCountryIsRemovedOnYesOnly)
{
    Sql("INSERT INTO tblCountries (numId, strCountry, strFlag) VALUES (50001, 'Atlantis', '')");
    auto d = Open(50001);
    // A country without a flag file gets the default flag.
    EXPECT_FALSE(List(*d)->selectionModel()->selectedRows().front().data(Qt::DecorationRole).value<QIcon>().isNull());
    boxes.SetAnswer(false);
    Click(d.get(), "removeButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({304}));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblCountries WHERE numId = 50001"), 1);
    boxes.SetAnswer(true);
    Click(d.get(), "removeButton");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblCountries WHERE numId = 50001"), 0);
    EXPECT_EQ(RowCount(List(*d)), Count("SELECT COUNT(*) FROM tblCountries") + 1);
}

TEST_F(CountryDialogTest, CancelWhileAddingDropsTheEntry)
{
    auto d = Open(250);
    Click(d.get(), "addButton");
    EXPECT_TRUE(Find<QPushButton>(d.get(), "browseButton")->isEnabled());
    EXPECT_FALSE(List(*d)->isEnabled());
    Type(d.get(), "countryName", QStringLiteral("Never"));
    Click(d.get(), "cancelButton");
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(Text(d.get(), "countryName"), QStringLiteral("France"));
    EXPECT_FALSE(Find<QPushButton>(d.get(), "browseButton")->isEnabled());
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblCountries WHERE strCountry = 'Never'"), 0);
}

} // namespace
