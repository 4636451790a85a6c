// The geoid models dialog: a user's model added with its datum, refused
// until it is complete, told whether its grid file is in place, changed and
// deleted; the shipped models kept.
#include "DialogGeoidModels.h"
#include "ManagementFixture.h"

#include <QLabel>

namespace {

class GeoidModelsDialogTest : public ManagementTest
{
protected:
    std::unique_ptr<CDialogGeoidModels> Open()
    {
        auto dialog = std::make_unique<CDialogGeoidModels>();
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
    static QString FileState(QWidget* d) { return Find<QLabel>(d, "geoidModelFileState")->text(); }
};

TEST_F(GeoidModelsDialogTest, AUsersModelIsAddedChangedAndDeletedAndTheShippedOnesStay)
{
    auto d = Open();
    auto* list = Find<QTreeView>(d.get(), "geoidModelList");
    const int shipped = RowCount(list);
    EXPECT_EQ(shipped, Count("SELECT COUNT(*) FROM tblGeoidModels"));

    Click(d.get(), "addButton");
    Type(d.get(), "geoidModelName", QStringLiteral("NZVD2016 height"));
    Type(d.get(), "geoidModelFile", QStringLiteral("nz_linz_nzgeoid2016.tif"));
    EXPECT_TRUE(FileState(d.get()).startsWith(QStringLiteral("Missing: put the file in "))) << FileState(d.get()).toStdString();
    Type(d.get(), "geoidModelAccuracy", QStringLiteral("0.05"));
    // Without its datum the model is refused, and the dialog stays on it.
    Click(d.get(), "okButton");
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_TRUE(boxes.Texts()[0].starts_with("A geoid model needs the datum")) << boxes.Texts()[0];
    EXPECT_EQ(d->CurrentState(), CCatalogueDialog::Adding);
    boxes.Clear();
    ClickThrough(d.get(), "datumSelectButton", "CDialogSelectDatum", realdialog::PickRow(4167));
    EXPECT_EQ(Text(d.get(), "geoidModelDatumName"), QStringLiteral("NZGD2000"));
    Click(d.get(), "okButton");
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(d->CurrentState(), CCatalogueDialog::Browsing);
    EXPECT_EQ(RowCount(list), shipped + 1);
    EXPECT_EQ(Scalar("SELECT strFile || ' ' || numDatum || ' ' || dblAccuracy FROM tblGeoidModels WHERE numId = 50001"),
              "nz_linz_nzgeoid2016.tif 4167 0.05");

    // A file in the program's Data folder is found.
    std::ofstream(programRoot / "Data" / "nzgeoid.gtx") << "x";
    Click(d.get(), "modifyButton");
    Type(d.get(), "geoidModelFile", QStringLiteral("nzgeoid.gtx"));
    EXPECT_TRUE(FileState(d.get()).startsWith(QStringLiteral("Found: "))) << FileState(d.get()).toStdString();
    Click(d.get(), "okButton");
    EXPECT_EQ(Scalar("SELECT strFile FROM tblGeoidModels WHERE numId = 50001"), "nzgeoid.gtx");
    // Under Xvfb, the dialog with a user's model, for a person to look at.
    if (const char* path = std::getenv("GEOLYNX_GEOID_DIALOG_SCREENSHOT"))
        d->grab().save(QString::fromLocal8Bit(path));

    boxes.SetAnswer(true);
    Click(d.get(), "deleteButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({IDS_ASK_DELETE_GEOID_MODEL}));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblGeoidModels WHERE numId = 50001"), 0);

    // A shipped model is kept, with a word why.
    boxes.Clear();
    for (int row = 0; row < RowCount(list); ++row)
        if (RowId(list, row) == 5773)
            ClickRow(list, row);
    Click(d.get(), "deleteButton");
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find("shipped with the program"), std::string::npos);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblGeoidModels WHERE numId = 5773"), 1);
}

} // namespace
