#include <QFile>

#include "CatalogueLoaders.h"
#include "DialogSelectDatum.h"
#include "ListSearch.h"
#include "ManagementFixture.h"

namespace {

class DatumDialogTest : public ManagementTest
{
protected:
    std::unique_ptr<CDialogSelectDatum> Open(int preselect = 0, int filterMode = 0)
    {
        auto dialog = std::make_unique<CDialogSelectDatum>(nullptr, filterMode);
        dialog->SelectedDatumId = preselect;
        dialog->chooseEllipsoid = [this](int& id) {
            id = nextEllipsoid;
            return nextEllipsoid != 0;
        };
        dialog->chooseGridFile = [this](const QString& start) {
            gridFileStart = start;
            return nextGridFile;
        };
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }

    static QTreeWidget* List(CDialogSelectDatum& d) { return Find<QTreeWidget>(&d, "datumList"); }
    static bool ReadOnly(CDialogSelectDatum& d, const char* name) { return Find<QLineEdit>(&d, name)->isReadOnly(); }

    static void WriteFile(const std::filesystem::path& path, const std::string& bytes)
    {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    static std::string ReadFile(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    int nextEllipsoid = 0;
    QString nextGridFile;
    QString gridFileStart;
};

TEST_F(DatumDialogTest, FilterModeShowAllRowReturnsZeroAndIgnoresDoubleClick)
{
    auto d = Open(0, 1);
    QTreeWidget* list = List(*d);
    EXPECT_EQ(list->topLevelItemCount(), Count("SELECT COUNT(*) FROM tblDatums") + 1);
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral(" Show all datums"));
    EXPECT_TRUE(list->topLevelItem(0)->text(0).isEmpty());
    ClickRow(list, 0, true);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->SelectedDatumId, 0);
    Click(d.get(), "okButton");
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(d->SelectedDatumId, 0);
}

TEST_F(DatumDialogTest, ListIsByNameAndPreselectedDatumIsShown)
{
    auto d = Open(4267);
    QTreeWidget* list = List(*d);
    // Names in natural order without regard to case.
    std::vector<std::string> names = Column("SELECT strDatum FROM tblDatums ORDER BY strDatum");
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return NaturalLess(QString::fromStdString(a), QString::fromStdString(b));
    });
    ASSERT_EQ(static_cast<int>(names.size()), list->topLevelItemCount());
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        ASSERT_EQ(list->topLevelItem(i)->text(1).toStdString(), names[static_cast<size_t>(i)]);
    EXPECT_EQ(SelectedRowId(list), 4267);
    EXPECT_EQ(Text(d.get(), "datumName"), QStringLiteral("NAD27"));
    EXPECT_EQ(Text(d.get(), "ellipsoidName"),
              QString::fromStdString(Scalar("SELECT strEllipsoid FROM tblEllipsoids WHERE numId = 7008")));
    EXPECT_EQ(Text(d.get(), "meridianName"), QStringLiteral("Greenwich"));
    const std::string dx = Scalar("SELECT printf('%.3f', dblDeltaX) FROM tblDatums WHERE numId = 4267");
    EXPECT_EQ(Text(d.get(), "translationX").toStdString(), dx);
    EXPECT_EQ(d->Method(), 1);
    EXPECT_EQ(Find<QComboBox>(d.get(), "conversionList")->currentText(), QStringLiteral("Molodensky"));
    // A Molodensky datum opens with its translations writable (never saved
    // while browsing), its rotations not.
    EXPECT_FALSE(ReadOnly(*d, "translationX"));
    EXPECT_TRUE(ReadOnly(*d, "rotationX"));
    Click(d.get(), "okButton");
    EXPECT_EQ(d->SelectedDatumId, 4267);
}

TEST_F(DatumDialogTest, NewMolodenskyDatumSavesItsTranslations)
{
    auto d = Open(4326);
    Click(d.get(), "addButton");
    EXPECT_EQ(d->CurrentState(), CDialogSelectDatum::Adding);
    EXPECT_EQ(d->MeridianId(), 8901);
    EXPECT_EQ(Text(d.get(), "meridianName"), QStringLiteral("Greenwich"));
    EXPECT_EQ(d->EllipsoidId(), 0);
    EXPECT_TRUE(Text(d.get(), "ellipsoidName").isEmpty());
    for (const char* field : {"translationX", "translationY", "translationZ", "rotationX", "rotationY", "rotationZ",
                              "scaleFactor"})
        EXPECT_EQ(Text(d.get(), field), QStringLiteral("0.000")) << field;

    Choose(Find<QComboBox>(d.get(), "conversionList"), 1);
    EXPECT_EQ(d->Method(), 1);
    EXPECT_FALSE(ReadOnly(*d, "translationX"));
    EXPECT_TRUE(ReadOnly(*d, "rotationX"));
    EXPECT_TRUE(ReadOnly(*d, "scaleFactor"));
    Type(d.get(), "datumName", QStringLiteral("Datum d'Essai"));
    Type(d.get(), "translationX", QStringLiteral("-87.5"));
    Type(d.get(), "translationY", QStringLiteral("-98"));
    Type(d.get(), "translationZ", QStringLiteral("121.25"));

    Click(d.get(), "okButton");
    EXPECT_EQ(messages.Ids(), std::vector<int>{183});
    EXPECT_EQ(d->CurrentState(), CDialogSelectDatum::Adding);

    messages.Clear();
    nextEllipsoid = 7022;
    Click(d.get(), "ellipsoidSelectButton");
    EXPECT_EQ(Text(d.get(), "ellipsoidName"),
              QString::fromStdString(Scalar("SELECT strEllipsoid FROM tblEllipsoids WHERE numId = 7022")));
    Click(d.get(), "okButton");
    EXPECT_TRUE(messages.Ids().empty());
    EXPECT_EQ(Scalar("SELECT strDatum || '|' || numMethod || '|' || numEllipsoid || '|' || numPrime || '|' || dblDeltaX "
                     "|| '|' || dblDeltaY || '|' || dblDeltaZ || '|' || dblRotationX || '|' || dblScaleFactor "
                     "FROM tblDatums WHERE numId = 50001"),
              "Datum d'Essai|1|7022|8901|-87.5|-98.0|121.25|0.0|0.0");
    EXPECT_EQ(d->SelectedDatumId, 50001);
    EXPECT_EQ(SelectedRowId(List(*d)), 50001);
    EXPECT_TRUE(List(*d)->currentItem()->text(0).isEmpty());

    // The loader reads the saved translations back.
    CCfgMapProjection record;
    LoadDatumRecord(50001, record);
    EXPECT_EQ(record.datumId, 50001);
    EXPECT_DOUBLE_EQ(record.deltaX, -87.5);
    EXPECT_DOUBLE_EQ(record.deltaZ, 121.25);
}

TEST_F(DatumDialogTest, NameAndNumbersAreCheckedBeforeSaving)
{
    auto d = Open(4326);
    Click(d.get(), "addButton");
    nextEllipsoid = 7030;
    Click(d.get(), "ellipsoidSelectButton");
    Click(d.get(), "okButton");
    EXPECT_EQ(messages.Ids(), std::vector<int>{137});
    messages.Clear();
    Type(d.get(), "datumName", QStringLiteral("Bursa"));
    Choose(Find<QComboBox>(d.get(), "conversionList"), 2);
    EXPECT_FALSE(ReadOnly(*d, "rotationZ"));
    EXPECT_FALSE(ReadOnly(*d, "scaleFactor"));
    Type(d.get(), "rotationZ", QStringLiteral("1-2"));
    Click(d.get(), "okButton");
    EXPECT_EQ(messages.Ids(), std::vector<int>{IDS_INVALID_DATUM_ROTATION_Z});
    messages.Clear();
    Type(d.get(), "rotationZ", QStringLiteral("0.5"));
    Type(d.get(), "scaleFactor", QString());
    Click(d.get(), "okButton");
    EXPECT_EQ(messages.Ids(), std::vector<int>{IDS_INVALID_DATUM_SCALE});
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblDatums WHERE numId > 50000"), 0);
    Type(d.get(), "scaleFactor", QStringLiteral("-1.5"));
    Click(d.get(), "okButton");
    EXPECT_EQ(Scalar("SELECT dblRotationZ || '|' || dblScaleFactor FROM tblDatums WHERE numId = 50001"), "0.5|-1.5");
}

TEST_F(DatumDialogTest, NtV2WhileAddingEnablesTheGridFileOnly)
{
    auto d = Open();
    Click(d.get(), "addButton");
    QPushButton* select = Find<QPushButton>(d.get(), "gridFileSelectButton");
    EXPECT_FALSE(select->isEnabled());
    Choose(Find<QComboBox>(d.get(), "conversionList"), 5);
    EXPECT_TRUE(select->isEnabled());
    EXPECT_TRUE(ReadOnly(*d, "translationX"));
    EXPECT_TRUE(ReadOnly(*d, "gridFile"));
    // An empty grid file starts the file dialog on conus.las in Data.
    nextGridFile.clear();
    Click(d.get(), "gridFileSelectButton");
    EXPECT_EQ(gridFileStart, QString::fromStdString((programRoot / "Data" / "conus.las").string()));
}

TEST_F(DatumDialogTest, GridFileFromElsewhereIsCopiedIntoDataWithItsPartner)
{
    const std::filesystem::path outside = folder / "download";
    WriteFile(outside / "mygrid.las", "LAS bytes");
    WriteFile(outside / "mygrid.los", "LOS bytes");
    auto d = Open();
    Click(d.get(), "addButton");
    Choose(Find<QComboBox>(d.get(), "conversionList"), 3);
    nextGridFile = QString::fromStdString((outside / "mygrid.las").string());
    Click(d.get(), "gridFileSelectButton");
    EXPECT_EQ(Text(d.get(), "gridFile"), QStringLiteral("mygrid.las"));
    EXPECT_EQ(ReadFile(programRoot / "Data" / "mygrid.las"), "LAS bytes");
    EXPECT_EQ(ReadFile(programRoot / "Data" / "mygrid.los"), "LOS bytes");
    EXPECT_TRUE(messages.Ids().empty());

    Type(d.get(), "datumName", QStringLiteral("Shifted"));
    nextEllipsoid = 7008;
    Click(d.get(), "ellipsoidSelectButton");
    Click(d.get(), "okButton");
    CCfgMapProjection record;
    LoadDatumRecord(50001, record);
    EXPECT_TRUE(std::filesystem::exists(record.gridFile)) << record.gridFile;
}

TEST_F(DatumDialogTest, ReplacingAGridFileInDataIsAskedFirst)
{
    const std::filesystem::path outside = folder / "download";
    WriteFile(outside / "same.gsb", "new");
    WriteFile(programRoot / "Data" / "same.gsb", "old");
    auto d = Open();
    Click(d.get(), "addButton");
    Choose(Find<QComboBox>(d.get(), "conversionList"), 5);
    nextGridFile = QString::fromStdString((outside / "same.gsb").string());
    messages.SetAnswer(false);
    Click(d.get(), "gridFileSelectButton");
    EXPECT_EQ(messages.Ids(), std::vector<int>{IDS_REPLACE_GRID_FILE});
    EXPECT_EQ(ReadFile(programRoot / "Data" / "same.gsb"), "old");
    EXPECT_TRUE(Text(d.get(), "gridFile").isEmpty());

    messages.SetAnswer(true);
    Click(d.get(), "gridFileSelectButton");
    EXPECT_EQ(ReadFile(programRoot / "Data" / "same.gsb"), "new");
    EXPECT_EQ(Text(d.get(), "gridFile"), QStringLiteral("same.gsb"));

    // A file chosen inside Data is taken by its name without copying.
    messages.Clear();
    nextGridFile = QString::fromStdString((programRoot / "Data" / "same.gsb").string());
    Click(d.get(), "gridFileSelectButton");
    EXPECT_TRUE(messages.Ids().empty());
    EXPECT_FALSE(std::filesystem::exists(programRoot / "Data" / "same.gsb.part"));
}

TEST_F(DatumDialogTest, DeletingADatumLeavesNoSelectionAndKeepsItsGrids)
{
    Sql("INSERT INTO tblDatums (numId, strDatum, numEllipsoid, numPrime, numMethod, strFile, dblDeltaX, dblDeltaY, "
        "dblDeltaZ, dblRotationX, dblRotationY, dblRotationZ, dblScaleFactor) "
        "VALUES (50004, 'Gone', 7030, 8901, 0, '', 0, 0, 0, 0, 0, 0, 0)");
    Sql("INSERT INTO tblGrids (numId, strGrid, numCountry, numDatum, numProjection, numUnits) "
        "VALUES (50001, 'On Gone', 250, 50004, 9807, 9001)");
    auto d = Open(50004);
    EXPECT_EQ(Text(d.get(), "datumName"), QStringLiteral("Gone"));
    messages.SetAnswer(true);
    Click(d.get(), "deleteButton");
    EXPECT_EQ(messages.Ids(), std::vector<int>{301});
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblDatums WHERE numId = 50004"), 0);
    EXPECT_TRUE(List(*d)->selectedItems().isEmpty());
    EXPECT_TRUE(Text(d.get(), "datumName").isEmpty());
    EXPECT_TRUE(Text(d.get(), "ellipsoidName").isEmpty());
    EXPECT_EQ(Scalar("SELECT numDatum FROM tblGrids WHERE numId = 50001"), "50004");
}

TEST_F(DatumDialogTest, CancelWhileModifyingShowsTheStoredDatumAgain)
{
    auto d = Open(4267);
    const QString stored = Text(d.get(), "translationY");
    Click(d.get(), "modifyButton");
    EXPECT_EQ(d->CurrentState(), CDialogSelectDatum::Modifying);
    EXPECT_FALSE(List(*d)->isEnabled());
    Type(d.get(), "translationY", QStringLiteral("999"));
    Type(d.get(), "datumName", QStringLiteral("Changed"));
    Click(d.get(), "cancelButton");
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->CurrentState(), CDialogSelectDatum::Browsing);
    EXPECT_EQ(Text(d.get(), "translationY"), stored);
    EXPECT_EQ(Text(d.get(), "datumName"), QStringLiteral("NAD27"));
    EXPECT_EQ(Scalar("SELECT strDatum FROM tblDatums WHERE numId = 4267"), "NAD27");
    Click(d.get(), "cancelButton");
    EXPECT_EQ(d->result(), QDialog::Rejected);
}

} // namespace
