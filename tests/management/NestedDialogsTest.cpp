#include <QListView>
#include <QTimer>
#include <functional>

#include "DialogSelectCountry.h"
#include "DialogSelectDatum.h"
#include "DialogSelectEllipsoid.h"
#include "DialogSelectGrid.h"
#include "DialogSelectMeridian.h"
#include "GeolynxApp.h"
#include "ManagementFixture.h"

namespace {

// The Select buttons run the real nested dialogs modally; these tests answer
// them from inside their event loop, as a user would.
class NestedDialogsTest : public ManagementTest
{
protected:
    // Runs act on the next modal dialog of type T once it is shown.
    template <typename T>
    void WhenShown(std::function<void(T&)> act)
    {
        auto* timer = new QTimer;
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, [timer, act, this] {
            if (T* dialog = qobject_cast<T*>(QApplication::activeModalWidget()); dialog != nullptr)
            {
                timer->stop();
                timer->deleteLater();
                ++answered;
                act(*dialog);
            }
        });
        timer->start();
    }

    static void ChooseRow(QTreeView* list, int id)
    {
        for (int i = 0; i < RowCount(list); ++i)
        {
            if (RowId(list, i) == id)
            {
                ClickRow(list, i);
                return;
            }
        }
        ADD_FAILURE() << "no row " << id;
    }

    CGeolynxApp app;
    int answered = 0;
};

TEST_F(NestedDialogsTest, GridFiltersComeFromTheCountryDialogAndTheDatumDialogInFilterMode)
{
    CDialogSelectGrid grid(app);
    grid.show();
    int filterMode = -1;
    QString firstRow;
    WhenShown<CDialogSelectDatum>([&](CDialogSelectDatum& d) {
        filterMode = d.FilterMode();
        QTreeView* list = d.findChild<QTreeView*>(QStringLiteral("datumList"));
        firstRow = Cell(list, 0, 1);
        ChooseRow(list, 4171);
        Click(&d, "okButton");
    });
    Click(&grid, "datumFilterSelectButton");
    EXPECT_EQ(answered, 1);
    EXPECT_EQ(filterMode, 1);
    EXPECT_EQ(firstRow, QStringLiteral(" Show all datums"));
    EXPECT_EQ(grid.DatumFilter(), 4171);

    WhenShown<CDialogSelectCountry>([&](CDialogSelectCountry& d) {
        QListView* list = d.findChild<QListView*>(QStringLiteral("countryList"));
        for (int i = 0; i < RowCount(list); ++i)
        {
            if (RowId(list, i) == 250)
            {
                list->scrollTo(Row(list, i));
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(Row(list, i)).center());
            }
        }
        Click(&d, "okButton");
    });
    Click(&grid, "countryFilterSelectButton");
    EXPECT_EQ(answered, 2);
    EXPECT_EQ(grid.CountryFilter(), 250);
    EXPECT_EQ(RowCount(grid.findChild<QTreeView*>(QStringLiteral("gridList"))),
              Count("SELECT COUNT(*) FROM tblGrids WHERE numCountry = 250 AND numDatum = 4171"));

    // Cancelling the nested dialog changes nothing.
    WhenShown<CDialogSelectDatum>([](CDialogSelectDatum& d) { Click(&d, "cancelButton"); });
    Click(&grid, "datumFilterSelectButton");
    EXPECT_EQ(grid.DatumFilter(), 4171);
}

TEST_F(NestedDialogsTest, DatumTakesItsEllipsoidAndPrimeMeridianFromTheirDialogs)
{
    CDialogSelectDatum datum;
    datum.show();
    Click(&datum, "addButton");
    WhenShown<CDialogSelectEllipsoid>([](CDialogSelectEllipsoid& d) {
        ChooseRow(d.findChild<QTreeView*>(QStringLiteral("ellipsoidList")), 7030);
        Click(&d, "okButton");
    });
    Click(&datum, "ellipsoidSelectButton");
    EXPECT_EQ(datum.EllipsoidId(), 7030);
    EXPECT_EQ(Text(&datum, "ellipsoidName"), QStringLiteral("WGS 84"));

    int preselected = 0;
    WhenShown<CDialogSelectMeridian>([&preselected](CDialogSelectMeridian& d) {
        QTreeView* list = d.findChild<QTreeView*>(QStringLiteral("meridianList"));
        preselected = SelectedRowId(list);
        ChooseRow(list, 8903);
        Click(&d, "okButton");
    });
    Click(&datum, "meridianSelectButton");
    EXPECT_EQ(preselected, 8901);
    EXPECT_EQ(datum.MeridianId(), 8903);
    EXPECT_EQ(Text(&datum, "meridianName"), QStringLiteral("Paris"));

    Type(&datum, "datumName", QStringLiteral("Paris based"));
    Click(&datum, "okButton");
    EXPECT_EQ(Scalar("SELECT numEllipsoid || '|' || numPrime FROM tblDatums WHERE numId = 50001"), "7030|8903");
}

} // namespace
