// The catalogue dialogs with the program's own presenter: Delete and the
// grid file question are real Yes/No message boxes, pressed with the mouse,
// and the catalogue file tells what happened. Numbers are typed into the real
// number boxes.
#include <QListView>
#include <QMessageBox>
#include <QTimer>
#include <set>

#include "AcceleratorCheck.h"
#include "CatalogueLookups.h"
#include "Messages.h"
#include "DialogSelectCountry.h"
#include "DialogSelectDatum.h"
#include "DialogSelectEllipsoid.h"
#include "DialogSelectGrid.h"
#include "DialogSelectMeridian.h"
#include "GeolynxApp.h"
#include "GuiMessagePresenter.h"
#include "ListSearch.h"
#include "ManagementFixture.h"

namespace {

class RealAnswersTest : public ManagementTest
{
protected:
    template <class Dialog>
    static void Show(Dialog& d)
    {
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    }

    // Clicks a button that asks, answers with the given button, and returns
    // the question's text (empty when no box came).
    QString ClickAndAnswer(QWidget* d, const char* button, QMessageBox::StandardButton answer)
    {
        boxes.Clear();
        boxes.SetAnswer(answer == QMessageBox::Yes);
        Click(d, button);
        EXPECT_EQ(boxes.Texts().size(), 1u) << button;
        if (boxes.Texts().empty())
            return QString();
        if (answer == QMessageBox::Yes || answer == QMessageBox::No)
        {
            EXPECT_EQ(boxes.Buttons().front(), QMessageBox::Yes | QMessageBox::No);
        }
        else
        {
            EXPECT_EQ(boxes.Buttons().front(), QMessageBox::Ok);
        }
        return QString::fromStdString(boxes.Texts().front());
    }

    CGeolynxApp app;
};

TEST_F(RealAnswersTest, DeleteAsksAndNoKeepsTheRowWhileYesRemovesIt)
{
    {
        CDialogSelectGrid d(app);
        d.SelectedGridId = 27700;
        Show(d);
        EXPECT_EQ(ClickAndAnswer(&d, "deleteButton", QMessageBox::No),
                  QStringLiteral("Are you sure you want to delete this grid ?\nYou cannot undo this action."));
        EXPECT_EQ(Count("SELECT COUNT(*) FROM tblGrids WHERE numId = 27700"), 1);
        ClickAndAnswer(&d, "deleteButton", QMessageBox::Yes);
        EXPECT_EQ(Count("SELECT COUNT(*) FROM tblGrids WHERE numId = 27700"), 0);
    }
    {
        CDialogSelectDatum d;
        d.SelectedDatumId = 4277;
        Show(d);
        ClickAndAnswer(&d, "deleteButton", QMessageBox::No);
        EXPECT_EQ(Count("SELECT COUNT(*) FROM tblDatums WHERE numId = 4277"), 1);
        ClickAndAnswer(&d, "deleteButton", QMessageBox::Yes);
        EXPECT_EQ(Count("SELECT COUNT(*) FROM tblDatums WHERE numId = 4277"), 0);
    }
    {
        // An ellipsoid no datum uses.
        CDialogSelectEllipsoid d;
        d.SelectedEllipsoidId = 7014;
        Show(d);
        ClickAndAnswer(&d, "deleteButton", QMessageBox::No);
        EXPECT_EQ(Count("SELECT COUNT(*) FROM tblEllipsoids WHERE numId = 7014"), 1);
        ClickAndAnswer(&d, "deleteButton", QMessageBox::Yes);
        EXPECT_EQ(Count("SELECT COUNT(*) FROM tblEllipsoids WHERE numId = 7014"), 0);
    }
    {
        Sql("INSERT INTO tblCountries (numId, strCountry, strFlag) VALUES (50001, 'Nowhere', 'world.png')");
        CDialogSelectCountry d(app);
        d.SelectedCountryId = 50001;
        Show(d);
        ClickAndAnswer(&d, "removeButton", QMessageBox::No);
        EXPECT_EQ(Count("SELECT COUNT(*) FROM tblCountries WHERE numId = 50001"), 1);
        ClickAndAnswer(&d, "removeButton", QMessageBox::Yes);
        EXPECT_EQ(Count("SELECT COUNT(*) FROM tblCountries WHERE numId = 50001"), 0);
    }
}

TEST_F(RealAnswersTest, ReplacingAGridFileIsAnsweredInItsBox)
{
    std::filesystem::create_directories(folder / "download");
    std::ofstream(folder / "download" / "same.gsb") << "new";
    std::ofstream(programRoot / "Data" / "same.gsb") << "old";
    auto read = [this] {
        std::ifstream in(programRoot / "Data" / "same.gsb");
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const QString download = QString::fromStdString((folder / "download" / "same.gsb").string());
    CDialogSelectDatum d;
    Show(d);
    Click(&d, "addButton");
    Choose(Find<QComboBox>(&d, "conversionList"), 5);
    {
        CDialogScript files;
        files.Then("QFileDialog", realdialog::FillFileDialog(download));
        EXPECT_TRUE(ClickAndAnswer(&d, "gridFileSelectButton", QMessageBox::No).contains(QStringLiteral("replace")));
        EXPECT_TRUE(files.Done());
    }
    EXPECT_EQ(read(), "old");
    EXPECT_TRUE(Text(&d, "gridFile").isEmpty());
    {
        CDialogScript files;
        files.Then("QFileDialog", realdialog::FillFileDialog(download));
        ClickAndAnswer(&d, "gridFileSelectButton", QMessageBox::Yes);
        EXPECT_TRUE(files.Done());
    }
    EXPECT_EQ(read(), "new");
    EXPECT_EQ(Text(&d, "gridFile"), QStringLiteral("same.gsb"));
}

TEST_F(RealAnswersTest, NumbersAreStoredAsTypedWithAPointOrAComma)
{
    CDialogSelectGrid d(app);
    Show(d);
    Click(&d, "addButton");
    ClickThrough(&d, "datumSelectButton", "CDialogSelectDatum", realdialog::PickRow(4326));
    ClickThrough(&d, "countrySelectButton", "CDialogSelectCountry", realdialog::PickRow(250));
    Type(&d, "gridName", QStringLiteral("Typed"));
    Type(&d, "falseEasting", QStringLiteral("3,5"));
    Type(&d, "falseNorthing", QStringLiteral("-12.5e3"));
    Type(&d, "scaleFactor", QStringLiteral("0,9996"));
    Type(&d, "longitude", QStringLiteral("12,5"));
    EXPECT_EQ(Text(&d, "falseNorthing"), QStringLiteral("-12.5e3"));
    const QString shownUnit = Find<QComboBox>(&d, "unitList")->currentText();
    Click(&d, "okButton");
    EXPECT_EQ(Scalar("SELECT dblFalseEasting FROM tblGrids WHERE strGrid = 'Typed'"), "3.5");
    EXPECT_EQ(Scalar("SELECT dblFalseNorthing FROM tblGrids WHERE strGrid = 'Typed'"), "-12500.0");
    EXPECT_EQ(Scalar("SELECT dblScale FROM tblGrids WHERE strGrid = 'Typed'"), "0.9996");
    EXPECT_EQ(Scalar("SELECT dblLongitudeOrigin FROM tblGrids WHERE strGrid = 'Typed'"), "12.5");
    // The unit stored is the one the Units box showed.
    EXPECT_FALSE(shownUnit.isEmpty());
    EXPECT_EQ(Scalar("SELECT tblUnits.strUnit FROM tblGrids JOIN tblUnits ON tblUnits.numId = tblGrids.numUnits "
                     "WHERE strGrid = 'Typed'"),
              shownUnit.toStdString());
    EXPECT_NE(Scalar("SELECT numUnits FROM tblGrids WHERE strGrid = 'Typed'"), "0");

    // Text that is no number as a whole is named, and nothing is stored.
    Click(&d, "modifyButton");
    Type(&d, "falseNorthing", QStringLiteral("ab1,2e5x"));
    EXPECT_EQ(Text(&d, "falseNorthing"), QStringLiteral("ab1,2e5x"));
    EXPECT_EQ(ClickAndAnswer(&d, "okButton", QMessageBox::Ok), QStringLiteral("Invalid field value: False Northing."));
    EXPECT_EQ(d.CurrentState(), CDialogSelectGrid::Modifying);
    EXPECT_EQ(Scalar("SELECT dblFalseNorthing FROM tblGrids WHERE strGrid = 'Typed'"), "-12500.0");
    Type(&d, "falseNorthing", QStringLiteral("1,2,3"));
    EXPECT_EQ(ClickAndAnswer(&d, "okButton", QMessageBox::Ok), QStringLiteral("Invalid field value: False Northing."));
}

TEST_F(RealAnswersTest, EllipsoidAndDatumNumbersTakeADecimalComma)
{
    {
        CDialogSelectEllipsoid d;
        Show(d);
        Click(&d, "addButton");
        Type(&d, "ellipsoidName", QStringLiteral("Comma"));
        Type(&d, "semiMajorAxis", QStringLiteral("6378137,5"));
        Type(&d, "inverseFlattening", QStringLiteral("298,25"));
        Click(&d, "okButton");
        EXPECT_EQ(Scalar("SELECT dblAxisA FROM tblEllipsoids WHERE strEllipsoid = 'Comma'"), "6378137.5");
        EXPECT_EQ(Scalar("SELECT dblInverseFlattening FROM tblEllipsoids WHERE strEllipsoid = 'Comma'"), "298.25");

        Click(&d, "modifyButton");
        Type(&d, "semiMajorAxis", QStringLiteral("6378137.5m"));
        EXPECT_EQ(ClickAndAnswer(&d, "okButton", QMessageBox::Ok), QStringLiteral("Invalid field value: Semi major axis."));
        EXPECT_EQ(Scalar("SELECT dblAxisA FROM tblEllipsoids WHERE strEllipsoid = 'Comma'"), "6378137.5");
    }
    {
        CDialogSelectDatum d;
        Show(d);
        Click(&d, "addButton");
        Type(&d, "datumName", QStringLiteral("Shifted"));
        ClickThrough(&d, "ellipsoidSelectButton", "CDialogSelectEllipsoid", realdialog::PickRow(7030));
        EXPECT_EQ(Text(&d, "ellipsoidName"), QStringLiteral("WGS 84"));
        Choose(Find<QComboBox>(&d, "conversionList"), 2);
        for (const char* field : {"translationX", "translationY", "translationZ", "rotationX", "rotationY", "rotationZ"})
            Type(&d, field, QStringLiteral("0"));
        Type(&d, "translationX", QStringLiteral("12,5"));
        Type(&d, "rotationZ", QStringLiteral("-1.5e-1"));
        Type(&d, "scaleFactor", QStringLiteral("3,5"));
        Click(&d, "okButton");
        EXPECT_EQ(Scalar("SELECT dblDeltaX FROM tblDatums WHERE strDatum = 'Shifted'"), "12.5");
        EXPECT_EQ(Scalar("SELECT dblRotationZ FROM tblDatums WHERE strDatum = 'Shifted'"), "-0.15");
        EXPECT_EQ(Scalar("SELECT dblScaleFactor FROM tblDatums WHERE strDatum = 'Shifted'"), "3.5");
    }
}

TEST_F(RealAnswersTest, OkWithNoRowChosenKeepsTheOpenersChoice)
{
    {
        CDialogSelectGrid d(app);
        Show(d);
        ASSERT_TRUE(Find<QTreeView>(&d, "gridList")->selectionModel()->selectedRows().isEmpty());
        Click(&d, "okButton");
        EXPECT_NE(d.result(), QDialog::Accepted);
        EXPECT_EQ(d.SelectedGridId, 0);
    }
    {
        CDialogSelectDatum d;
        Show(d);
        QTest::keyClick(Find<QTreeView>(&d, "datumList"), Qt::Key_Return);
        Click(&d, "okButton");
        EXPECT_NE(d.result(), QDialog::Accepted);
        EXPECT_EQ(d.SelectedDatumId, 0);
    }
    {
        // A preselected row is the choice and OK keeps it.
        CDialogSelectEllipsoid d;
        d.SelectedEllipsoidId = 7030;
        Show(d);
        Click(&d, "okButton");
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_EQ(d.SelectedEllipsoidId, 7030);
    }
}

TEST_F(RealAnswersTest, SearchNarrowsEachListByNameOrEpsgCode)
{
    CDialogSelectGrid d(app);
    Show(d);
    auto* list = Find<QTreeView>(&d, "gridList");
    auto visible = [list] {
        std::vector<int> rows;
        for (int i = 0; i < RowCount(list); ++i)
            if (!list->isRowHidden(i, QModelIndex()))
                rows.push_back(i);
        return rows;
    };
    Type(&d, "searchField", QStringLiteral("british nat"));
    auto rows = visible();
    ASSERT_FALSE(rows.empty());
    for (int row : rows)
        EXPECT_TRUE(Cell(list, row, 2).contains(QStringLiteral("British Nat"), Qt::CaseInsensitive))
            << Cell(list, row, 2).toStdString();
    EXPECT_EQ(static_cast<int>(rows.size()),
              Count("SELECT COUNT(*) FROM tblGrids WHERE strGrid LIKE '%british nat%'"));

    Type(&d, "searchField", QStringLiteral("3263"));
    rows = visible();
    ASSERT_FALSE(rows.empty());
    for (int row : rows)
        EXPECT_TRUE(Cell(list, row, 1).startsWith(QStringLiteral("3263")) ||
                    Cell(list, row, 2).contains(QStringLiteral("3263")))
            << Cell(list, row, 1).toStdString();
    EXPECT_EQ(static_cast<int>(rows.size()),
              Count("SELECT COUNT(*) FROM tblGrids WHERE (CAST(numId AS TEXT) LIKE '3263%' AND numId <= 50000) OR "
                    "strGrid LIKE '%3263%'"));

    // A chosen row the search hides is no longer chosen: OK keeps the opener's choice.
    Type(&d, "searchField", QStringLiteral("OSGB36 / British National Grid"));
    rows = visible();
    ASSERT_EQ(rows.size(), 1u);
    ClickRow(list, rows.front());
    EXPECT_EQ(d.SelectedGridId, 27700);
    Type(&d, "searchField", QStringLiteral("no grid is called this"));
    EXPECT_TRUE(visible().empty());
    EXPECT_TRUE(list->selectionModel()->selectedRows().isEmpty());
    Type(&d, "searchField", QString());
    EXPECT_EQ(static_cast<int>(visible().size()), RowCount(list));

    // The other lists narrow the same way.
    CDialogSelectDatum datums;
    Show(datums);
    Type(&datums, "searchField", QStringLiteral("osgb"));
    auto* datumList = Find<QTreeView>(&datums, "datumList");
    int shown = 0;
    for (int i = 0; i < RowCount(datumList); ++i)
        if (!datumList->isRowHidden(i, QModelIndex()))
        {
            ++shown;
            EXPECT_TRUE(Cell(datumList, i, 1).contains(QStringLiteral("OSGB")));
        }
    EXPECT_EQ(shown, Count("SELECT COUNT(*) FROM tblDatums WHERE strDatum LIKE '%osgb%'"));

    CDialogSelectCountry countries(app);
    Show(countries);
    Type(&countries, "searchField", QStringLiteral("KINGDOM"));
    auto* countryList = Find<QListView>(&countries, "countryList");
    shown = 0;
    for (int i = 0; i < RowCount(countryList); ++i)
        shown += countryList->isRowHidden(i) ? 0 : 1;
    EXPECT_EQ(shown, Count("SELECT COUNT(*) FROM tblCountries WHERE strCountry LIKE '%kingdom%'"));
    EXPECT_GT(shown, 0);
}

TEST_F(RealAnswersTest, ListsSortNaturallyWithoutRegardToCase)
{
    EXPECT_LT(NaturalCompare(QStringLiteral("WGS 84 / UTM zone 2N"), QStringLiteral("WGS 84 / UTM zone 29S")), 0);
    EXPECT_LT(NaturalCompare(QStringLiteral("abc"), QStringLiteral("ABD")), 0);
    EXPECT_LT(NaturalCompare(QStringLiteral("zone 9"), QStringLiteral("Zone 10")), 0);
    EXPECT_LT(NaturalCompare(QStringLiteral("x 007"), QStringLiteral("x 8")), 0);
    EXPECT_LT(NaturalCompare(QStringLiteral("Grid"), QStringLiteral("Grid 1")), 0);
    EXPECT_GT(NaturalCompare(QStringLiteral("zone 100"), QStringLiteral("zone 99")), 0);
    EXPECT_EQ(NaturalCompare(QStringLiteral("same"), QStringLiteral("same")), 0);

    CDialogSelectGrid d(app);
    Show(d);
    auto* list = Find<QTreeView>(&d, "gridList");
    ClickHeader(list, 2);
    ASSERT_EQ(d.SortColumn(), 3);
    int two = -1;
    int twentyNine = -1;
    for (int i = 0; i < RowCount(list); ++i)
    {
        if (i > 0)
        {
            ASSERT_LE(NaturalCompare(Cell(list, i - 1, 2), Cell(list, i, 2)), 0) << i;
        }
        if (Cell(list, i, 2) == QStringLiteral("WGS 84 / UTM zone 2N"))
            two = i;
        if (Cell(list, i, 2) == QStringLiteral("WGS 84 / UTM zone 29S"))
            twentyNine = i;
    }
    ASSERT_GE(two, 0);
    ASSERT_GE(twentyNine, 0);
    EXPECT_LT(two, twentyNine);
}

TEST_F(RealAnswersTest, EveryAcceleratorOfEachDialogHasOneOwner)
{
    CDialogSelectGrid grid(app);
    EXPECT_EQ(AcceleratorFaults(&grid), std::vector<std::string>{});
    CDialogSelectDatum datum;
    EXPECT_EQ(AcceleratorFaults(&datum), std::vector<std::string>{});
    CDialogSelectCountry country(app);
    EXPECT_EQ(AcceleratorFaults(&country), std::vector<std::string>{});
    CDialogSelectEllipsoid ellipsoid;
    EXPECT_EQ(AcceleratorFaults(&ellipsoid), std::vector<std::string>{});
    CDialogSelectMeridian meridian;
    EXPECT_EQ(AcceleratorFaults(&meridian), std::vector<std::string>{});
    // While editing as well, when the captions change.
    Show(grid);
    Click(&grid, "addButton");
    EXPECT_EQ(AcceleratorFaults(&grid), std::vector<std::string>{});

    // Screen readers tell every button apart, and each label names its field.
    for (QDialog* dialog : std::initializer_list<QDialog*>{&grid, &datum, &country, &ellipsoid, &meridian})
    {
        const std::string name = dialog->objectName().toStdString();
        std::set<QString> names;
        for (const QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
        {
            const QString spoken =
                b->accessibleName().isEmpty() ? QString(b->text()).remove(QLatin1Char('&')) : b->accessibleName();
            EXPECT_TRUE(names.insert(spoken).second) << name << ": " << spoken.toStdString();
        }
        for (const QLabel* label : dialog->findChildren<QLabel*>())
        {
            const bool names = label->objectName().endsWith(QLatin1String("Label"));
            EXPECT_TRUE(!names || label->buddy() != nullptr) << name << ": " << label->objectName().toStdString();
        }
        EXPECT_FALSE(dialog->findChild<QLineEdit*>(QStringLiteral("searchField"))->accessibleName().isEmpty()) << name;
    }
    EXPECT_EQ(grid.findChild<QPushButton*>(QStringLiteral("datumSelectButton"))->accessibleName(),
              QStringLiteral("Datum: Select"));
}

} // namespace

namespace {

// Deleting rows that other rows use, as a user would: the refusal names how
// many use it, and the catalogue keeps both.
TEST_F(RealAnswersTest, RowsOtherRowsUseAreKeptWithTheirCount)
{
    const struct
    {
        bool datum; // else ellipsoid
        int id;
        const char* users; // the statement that counts them
        const char* noun;
    } cases[] = {
        {true, 4289, "SELECT COUNT(*) FROM tblGrids WHERE numDatum = 4289", "grid"},   // Amersfoort: RD New
        {true, 4326, "SELECT COUNT(*) FROM tblGrids WHERE numDatum = 4326", "grid"},   // WGS 84
        {false, 7001, "SELECT COUNT(*) FROM tblDatums WHERE numEllipsoid = 7001", "datum"}, // Airy 1830
        {false, 7030, "SELECT COUNT(*) FROM tblDatums WHERE numEllipsoid = 7030", "datum"}, // WGS 84
    };
    for (const auto& c : cases)
    {
        const int users = Count(c.users);
        ASSERT_GT(users, 0) << c.id;
        const std::string who = std::to_string(users) + " " + c.noun + (users == 1 ? " uses" : "s use");
        QString text;
        if (c.datum)
        {
            CDialogSelectDatum d;
            d.SelectedDatumId = c.id;
            Show(d);
            text = ClickAndAnswer(&d, "deleteButton", QMessageBox::Ok);
        }
        else
        {
            CDialogSelectEllipsoid d;
            d.SelectedEllipsoidId = c.id;
            Show(d);
            text = ClickAndAnswer(&d, "deleteButton", QMessageBox::Ok);
        }
        EXPECT_EQ(text.toStdString(), MessageWith(c.datum ? IDS_DATUM_IN_USE : IDS_ELLIPSOID_IN_USE, who)) << c.id;
        EXPECT_EQ(Count(c.datum ? "SELECT COUNT(*) FROM tblDatums WHERE numId = " + std::to_string(c.id)
                                : "SELECT COUNT(*) FROM tblEllipsoids WHERE numId = " + std::to_string(c.id)),
                  1)
            << c.id;
        EXPECT_EQ(Count(c.users), users) << c.id;
    }
    // RD New still converts, with its datum's name.
    CCxString name;
    LookupDatumName(4289, name);
    EXPECT_STREQ(name.c_str(), "Amersfoort");
}

// Numbers outside their domain are refused naming the field, and nothing is stored.
TEST_F(RealAnswersTest, ImpossibleParametersAreRefusedByName)
{
    const struct
    {
        const char* field;
        const char* text;
        const char* message; // empty: stored
    } ellipsoid[] = {
        {"inverseFlattening", "-5", "Invalid field value: Inverse flatenning. It must be 0 for a sphere or greater than 1."},
        {"inverseFlattening", "0,5", "Invalid field value: Inverse flatenning. It must be 0 for a sphere or greater than 1."},
        {"semiMajorAxis", "-6378137", "Invalid field value: Semi major axis. It must be greater than 0."},
        {"inverseFlattening", "0", ""}, // a sphere
        {"inverseFlattening", "298.25", ""},
    };
    CDialogSelectEllipsoid e;
    Show(e);
    for (const auto& c : ellipsoid)
    {
        Click(&e, "addButton");
        Type(&e, "ellipsoidName", QStringLiteral("Domain %1 %2").arg(QLatin1String(c.field), QLatin1String(c.text)));
        Type(&e, "semiMajorAxis", QStringLiteral("6378137"));
        Type(&e, "inverseFlattening", QStringLiteral("298"));
        Type(&e, c.field, QString::fromLatin1(c.text));
        const std::string stored = "SELECT COUNT(*) FROM tblEllipsoids WHERE strEllipsoid LIKE 'Domain " +
                                   std::string(c.field) + " " + c.text + "'";
        if (*c.message != 0)
        {
            EXPECT_EQ(ClickAndAnswer(&e, "okButton", QMessageBox::Ok).toStdString(), c.message) << c.text;
            EXPECT_EQ(Count(stored), 0) << c.text;
            Click(&e, "cancelButton");
        }
        else
        {
            boxes.Clear();
            Click(&e, "okButton");
            EXPECT_TRUE(boxes.Texts().empty()) << c.text;
            EXPECT_EQ(Count(stored), 1) << c.text;
        }
    }

    // Each on a grid whose projection uses the field: Oblique Stereographic
    // (RD New) for the scale, Lambert 2SP (Lambert-93) for the rest.
    const struct
    {
        int id;
        const char* field;
        const char* text;
        const char* message;
    } grid[] = {
        {28992, "scaleFactor", "0", "Invalid field value: Scalefactor. It must be greater than 0."},
        {28992, "scaleFactor", "-0.9996", "Invalid field value: Scalefactor. It must be greater than 0."},
        {2154, "latitude", "90.5", "Invalid field value: Latitude. It must lie within -90 and 90 degrees."},
        {2154, "longitude", "-361", "Invalid field value: Longitude. It must lie within -360 and 360 degrees."},
        {2154, "parallelNorth", "91", "Invalid field value: Parallel North. It must lie within -90 and 90 degrees."},
        {2154, "parallelSouth", "-95", "Invalid field value: Parallel South. It must lie within -90 and 90 degrees."},
        {2154, "parallelSouth", "-49", "Invalid field value: Parallel South. Standard parallels at the same "
                                       "distance either side of the equator define no projection."},
    };
    const char* const stored = "SELECT group_concat(dblScale || dblLatitudeOrigin || dblLongitudeOrigin || "
                               "dblParallelNorth || dblParallelSouth) FROM tblGrids WHERE numId IN (28992, 2154)";
    const std::string before = Scalar(stored);
    for (const auto& c : grid)
    {
        CDialogSelectGrid g(app);
        g.SelectedGridId = c.id;
        Show(g);
        Click(&g, "modifyButton");
        ASSERT_FALSE(Find<QLineEdit>(&g, c.field)->isReadOnly()) << c.id << " " << c.field;
        Type(&g, c.field, QString::fromLatin1(c.text));
        EXPECT_EQ(ClickAndAnswer(&g, "okButton", QMessageBox::Ok).toStdString(), c.message) << c.field << c.text;
        EXPECT_EQ(g.CurrentState(), CDialogSelectGrid::Modifying);
        Click(&g, "cancelButton");
    }
    EXPECT_EQ(Scalar(stored), before);
    // A shipped Lambert grid whose unused scale holds 0 still saves.
    {
        CDialogSelectGrid g(app);
        g.SelectedGridId = 2154;
        Show(g);
        Click(&g, "modifyButton");
        boxes.Clear();
        Click(&g, "okButton");
        EXPECT_TRUE(boxes.Texts().empty());
        EXPECT_EQ(g.CurrentState(), CDialogSelectGrid::Browsing);
    }
}

// Select dialogs opened to choose: OK without a row says so and stays; a
// search down to one row and Enter takes it.
TEST_F(RealAnswersTest, ChoosingNeedsARowAndASingleMatchIsOne)
{
    CDialogSelectDatum d;
    int chosen = 0;
    QTimer::singleShot(0, &d, [&] {
        QTreeView* list = Find<QTreeView>(&d, "datumList");
        list->clearSelection();
        EXPECT_EQ(ClickAndAnswer(&d, "okButton", QMessageBox::Ok).toStdString(), LoadMessage(IDS_NO_ROW_CHOSEN));
        EXPECT_TRUE(d.isVisible());
        // Narrowed to one row, Enter in the search field chooses it.
        QLineEdit* search = Find<QLineEdit>(&d, "searchField");
        search->setFocus();
        QTest::keyClicks(search, QStringLiteral("Amersfoort"));
        boxes.Clear();
        QTest::keyClick(search, Qt::Key_Return);
        EXPECT_TRUE(boxes.Texts().empty());
    });
    ASSERT_TRUE(d.Choose(chosen));
    EXPECT_EQ(chosen, 4289);
}

} // namespace
