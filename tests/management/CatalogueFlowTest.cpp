// The shared flow of the catalogue dialogs when the catalogue itself refuses
// a row: the program's own message box says why, and the row stays on screen
// to correct or cancel instead of the dialog going back to browsing as if it
// had been saved.
#include <QMessageBox>

#include "DialogSelectCountry.h"
#include "DialogSelectEllipsoid.h"
#include "GeolynxApp.h"
#include "ManagementFixture.h"

namespace {

class CatalogueFlowTest : public ManagementTest
{
protected:
    // Presses OK (Save); the text of the box that came, if any, answered
    // by the fixture's box log.
    QString SaveAndAnswer(QWidget* d, bool& boxSeen)
    {
        const size_t before = boxes.Texts().size();
        Click(d, "okButton");
        boxSeen = boxes.Texts().size() > before;
        return boxSeen ? QString::fromStdString(boxes.Texts().back()) : QString();
    }

    CGeolynxApp app;
};

TEST_F(CatalogueFlowTest, ARowTheCatalogueRefusesStaysOnScreenWithTheReason)
{
    Sql("CREATE TRIGGER refuse BEFORE INSERT ON tblEllipsoids BEGIN SELECT RAISE(ABORT, 'no new ellipsoids'); END");
    CDialogSelectEllipsoid d;
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    Click(&d, "addButton");
    Type(&d, "ellipsoidName", QStringLiteral("Refused"));
    Type(&d, "semiMajorAxis", QStringLiteral("6378137,5"));
    Type(&d, "inverseFlattening", QStringLiteral("298.25"));

    bool seen = false;
    const QString reason = SaveAndAnswer(&d, seen);
    ASSERT_TRUE(seen);
    EXPECT_TRUE(reason.contains(QStringLiteral("no new ellipsoids"))) << reason.toStdString();
    EXPECT_EQ(d.CurrentState(), CDialogSelectEllipsoid::Adding);
    EXPECT_EQ(Text(&d, "ellipsoidName"), QStringLiteral("Refused"));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblEllipsoids WHERE strEllipsoid = 'Refused'"), 0);

    // Once the catalogue takes it, the same Save stores the row as typed and
    // shows it as the chosen one.
    Sql("DROP TRIGGER refuse");
    SaveAndAnswer(&d, seen);
    EXPECT_FALSE(seen);
    EXPECT_EQ(d.CurrentState(), CDialogSelectEllipsoid::Browsing);
    EXPECT_EQ(Scalar("SELECT dblAxisA FROM tblEllipsoids WHERE strEllipsoid = 'Refused'"), "6378137.5");
    EXPECT_EQ(std::to_string(d.SelectedEllipsoidId), Scalar("SELECT numId FROM tblEllipsoids WHERE strEllipsoid = 'Refused'"));
    EXPECT_EQ(SelectedRowId(Find<QTreeView>(&d, "ellipsoidList")), d.SelectedEllipsoidId);
}

TEST_F(CatalogueFlowTest, ARenameTheCatalogueRefusesKeepsTheOldNameInTheFile)
{
    Sql("INSERT INTO tblCountries VALUES (50001, 'Old name', '')");
    Sql("CREATE TRIGGER refuse BEFORE UPDATE ON tblCountries BEGIN SELECT RAISE(ABORT, 'no renames'); END");
    CDialogSelectCountry d(app);
    d.SelectedCountryId = 50001;
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    Click(&d, "modifyButton");
    ASSERT_EQ(d.CurrentState(), CDialogSelectCountry::Modifying);
    Type(&d, "countryName", QStringLiteral("New name"));
    bool seen = false;
    EXPECT_TRUE(SaveAndAnswer(&d, seen).contains(QStringLiteral("no renames")));
    EXPECT_TRUE(seen);
    EXPECT_EQ(d.CurrentState(), CDialogSelectCountry::Modifying);
    EXPECT_EQ(Scalar("SELECT strCountry FROM tblCountries WHERE numId = 50001"), "Old name");

    // Cancel drops the edit and shows the stored row again.
    Click(&d, "cancelButton");
    EXPECT_EQ(d.CurrentState(), CDialogSelectCountry::Browsing);
    EXPECT_EQ(Text(&d, "countryName"), QStringLiteral("Old name"));
}

} // namespace
