#include "DialogSelectEllipsoid.h"
#include "DialogSelectMeridian.h"
#include "ManagementFixture.h"

namespace {

class EllipsoidDialogTest : public ManagementTest
{
protected:
    std::unique_ptr<CDialogSelectEllipsoid> Open(int preselect = 0)
    {
        auto dialog = std::make_unique<CDialogSelectEllipsoid>();
        dialog->SelectedEllipsoidId = preselect;
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }

    static QTreeView* List(QWidget* d, const char* name = "ellipsoidList") { return Find<QTreeView>(d, name); }

    void Enter(CDialogSelectEllipsoid& d, const QString& name, const QString& axis, const QString& flattening)
    {
        Type(&d, "ellipsoidName", name);
        // Set directly: the numeric fields would not let a letter be typed.
        Find<QLineEdit>(&d, "semiMajorAxis")->setText(axis);
        Find<QLineEdit>(&d, "inverseFlattening")->setText(flattening);
        Click(&d, "okButton");
    }
};

TEST_F(EllipsoidDialogTest, ListReadsByNameWithCodesForShippedRowsOnly)
{
    Sql("INSERT INTO tblEllipsoids VALUES (50002, 'AAA mine', 6378000, 300)");
    auto d = Open();
    QTreeView* list = List(d.get());
    ASSERT_EQ(RowCount(list), Count("SELECT COUNT(*) FROM tblEllipsoids"));
    for (int i = 1; i < RowCount(list); ++i)
        ASSERT_LE(Cell(list, i - 1, 1).toLower(), Cell(list, i, 1).toLower());
    const int row = [&] {
        for (int i = 0; i < RowCount(list); ++i)
            if (RowId(list, i) == 50002)
                return i;
        return -1;
    }();
    ASSERT_GE(row, 0);
    EXPECT_TRUE(Cell(list, row, 0).isEmpty());
    EXPECT_EQ(Cell(list, row == 0 ? 1 : 0, 0), QString::number(RowId(list, row == 0 ? 1 : 0)));
}

TEST_F(EllipsoidDialogTest, MissingAndZeroFieldsAreRefusedFirstFailureFirst)
{
    auto d = Open(7030);
    Click(d.get(), "addButton");
    EXPECT_TRUE(Text(d.get(), "ellipsoidName").isEmpty());
    EXPECT_EQ(d->SelectedEllipsoidId, 7030);
    const struct
    {
        const char* name;
        const char* axis;
        const char* flattening;
        int message;
    } cases[] = {
        {"", "6378137", "298.25", 137},     {"E", "", "298.25", 134},         {"E", "6378137", "", 135},
        {"E", "0", "298.25", 138},          {"E", "x6378137", "298.25", 138}, {"E", "6378137", "x0.0", 139},
        {"E", "6378137abc", "298.25", 138}, {"E", "6378137", "1e", 139},
    };
    for (const auto& c : cases)
    {
        boxes.Clear();
        Enter(*d, QString::fromUtf8(c.name), QString::fromUtf8(c.axis), QString::fromUtf8(c.flattening));
        EXPECT_EQ(boxes.Texts(), MessageTexts({c.message})) << c.name << "|" << c.axis << "|" << c.flattening;
        EXPECT_EQ(d->CurrentState(), CDialogSelectEllipsoid::Adding);
    }
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblEllipsoids WHERE numId > 50000"), 0);
}

TEST_F(EllipsoidDialogTest, SavedEllipsoidShowsItsPrintfTexts)
{
    auto d = Open();
    Click(d.get(), "addButton");
    boxes.Clear();
    Enter(*d, QStringLiteral("Test's sphere"), QStringLiteral("6378137"), QStringLiteral("298.25"));
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(d->SelectedEllipsoidId, 50001);
    EXPECT_EQ(SelectedRowId(List(d.get())), 50001);
    EXPECT_EQ(Text(d.get(), "semiMajorAxis"), QStringLiteral("6378137.000"));
    EXPECT_EQ(Text(d.get(), "inverseFlattening"), QStringLiteral("298.25000000000000"));
    EXPECT_EQ(Scalar("SELECT strEllipsoid FROM tblEllipsoids WHERE numId = 50001"), "Test's sphere");

    Click(d.get(), "modifyButton");
    Type(d.get(), "semiMajorAxis", QStringLiteral("6378160"));
    Click(d.get(), "okButton");
    EXPECT_EQ(Scalar("SELECT dblAxisA FROM tblEllipsoids WHERE numId = 50001"), "6378160.0");
    EXPECT_EQ(Text(d.get(), "semiMajorAxis"), QStringLiteral("6378160.000"));
}

TEST_F(EllipsoidDialogTest, CancelRestoresAndDeleteEmptiesTheFields)
{
    Sql("INSERT INTO tblEllipsoids VALUES (50003, 'Spare', 6378000, 300)");
    auto d = Open(50003);
    Click(d.get(), "modifyButton");
    Type(d.get(), "semiMajorAxis", QStringLiteral("1"));
    Click(d.get(), "cancelButton");
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(Text(d.get(), "semiMajorAxis"), QStringLiteral("6378000.000"));
    boxes.SetAnswer(true);
    Click(d.get(), "deleteButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({300}));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblEllipsoids WHERE numId = 50003"), 0);
    EXPECT_TRUE(Text(d.get(), "ellipsoidName").isEmpty());
    EXPECT_TRUE(List(d.get())->selectionModel()->selectedRows().isEmpty());
}

TEST(MeridianLongitudeText, DegreesMinutesSecondsWithHemisphere)
{
    EXPECT_EQ(CDialogSelectMeridian::FormatLongitude(2.5), QStringLiteral("002°30' 00.00\" E"));
    EXPECT_EQ(CDialogSelectMeridian::FormatLongitude(-9.131906111), QStringLiteral("009°07' 54.86\" W"));
    EXPECT_EQ(CDialogSelectMeridian::FormatLongitude(0.0), QStringLiteral("000°00' 00.00\" E"));
    EXPECT_EQ(CDialogSelectMeridian::FormatLongitude(-74.0809166666667), QStringLiteral("074°04' 51.30\" W"));
}

using MeridianDialogTest = ManagementTest;

TEST_F(MeridianDialogTest, ListShowsEveryMeridianAndOkNeedsAMarkedRow)
{
    Sql("INSERT INTO tblPrimeMeridians VALUES (50001, 'Half past two', 2.5)");
    CDialogSelectMeridian d;
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    QTreeView* list = Find<QTreeView>(&d, "meridianList");
    ASSERT_EQ(RowCount(list), Count("SELECT COUNT(*) FROM tblPrimeMeridians"));
    int half = -1;
    for (int i = 0; i < RowCount(list); ++i)
        if (RowId(list, i) == 50001)
            half = i;
    ASSERT_GE(half, 0);
    EXPECT_EQ(Cell(list, half, 0), QStringLiteral("50001"));
    EXPECT_EQ(Cell(list, half, 2), QStringLiteral("002°30' 00.00\" E"));

    Click(&d, "okButton");
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);

    const QPoint at = list->visualRect(Row(list, half)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    Click(&d, "okButton");
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.SelectedMeridianId, 50001);
}

TEST_F(MeridianDialogTest, PreselectedMeridianIsMarked)
{
    CDialogSelectMeridian d;
    d.SelectedMeridianId = 8902;
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_EQ(SelectedRowId(Find<QTreeView>(&d, "meridianList")), 8902);
    Click(&d, "okButton");
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.SelectedMeridianId, 8902);
}

} // namespace
