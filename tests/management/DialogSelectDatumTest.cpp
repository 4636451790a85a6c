#include <QFile>

#include "CatalogueLoaders.h"
#include "CatalogueRows.h"
#include "Messages.h"
#include "DialogSelectDatum.h"
#include "DialogSelectEllipsoid.h"
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
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }

    static QTreeView* List(CDialogSelectDatum& d) { return Find<QTreeView>(&d, "datumList"); }
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

    static void ChooseEllipsoid(CDialogSelectDatum& d, int ellipsoid)
    {
        ClickThrough(&d, "ellipsoidSelectButton", "CDialogSelectEllipsoid", realdialog::PickRow(ellipsoid));
    }

    // A grid file chosen in the real file dialog; an empty path cancels it.
    static void ChooseGridFile(CDialogSelectDatum& d, const std::filesystem::path& file,
                               realdialog::FileDialogSeen* seen = nullptr)
    {
        ClickThrough(&d, "gridFileSelectButton", "QFileDialog",
                     realdialog::FillFileDialog(QString::fromStdString(file.string()), seen));
    }
};

TEST_F(DatumDialogTest, FilterModeShowAllRowReturnsZeroAndIgnoresDoubleClick)
{
    auto d = Open(0, 1);
    QTreeView* list = List(*d);
    EXPECT_EQ(RowCount(list), Count("SELECT COUNT(*) FROM tblDatums") + 1);
    EXPECT_EQ(Cell(list, 0, 1), QStringLiteral(" Show all datums"));
    EXPECT_TRUE(Cell(list, 0, 0).isEmpty());
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
    QTreeView* list = List(*d);
    // Names in natural order without regard to case.
    std::vector<std::string> names = Column("SELECT strDatum FROM tblDatums ORDER BY strDatum");
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return NaturalLess(QString::fromStdString(a), QString::fromStdString(b));
    });
    ASSERT_EQ(static_cast<int>(names.size()), RowCount(list));
    for (int i = 0; i < RowCount(list); ++i)
        ASSERT_EQ(Cell(list, i, 1).toStdString(), names[static_cast<size_t>(i)]);
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
    EXPECT_EQ(boxes.Texts(), MessageTexts({183}));
    EXPECT_EQ(d->CurrentState(), CDialogSelectDatum::Adding);

    boxes.Clear();
    ChooseEllipsoid(*d, 7022);
    EXPECT_EQ(Text(d.get(), "ellipsoidName"),
              QString::fromStdString(Scalar("SELECT strEllipsoid FROM tblEllipsoids WHERE numId = 7022")));
    Click(d.get(), "okButton");
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(Scalar("SELECT strDatum || '|' || numMethod || '|' || numEllipsoid || '|' || numPrime || '|' || dblDeltaX "
                     "|| '|' || dblDeltaY || '|' || dblDeltaZ || '|' || dblRotationX || '|' || dblScaleFactor "
                     "FROM tblDatums WHERE numId = 50001"),
              "Datum d'Essai|1|7022|8901|-87.5|-98.0|121.25|0.0|0.0");
    EXPECT_EQ(d->SelectedDatumId, 50001);
    EXPECT_EQ(SelectedRowId(List(*d)), 50001);
    EXPECT_TRUE(List(*d)->currentIndex().siblingAtColumn(0).data().toString().isEmpty());

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
    ChooseEllipsoid(*d, 7030);
    Click(d.get(), "okButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({137}));
    boxes.Clear();
    Type(d.get(), "datumName", QStringLiteral("Bursa"));
    Choose(Find<QComboBox>(d.get(), "conversionList"), 2);
    EXPECT_FALSE(ReadOnly(*d, "rotationZ"));
    EXPECT_FALSE(ReadOnly(*d, "scaleFactor"));
    Type(d.get(), "rotationZ", QStringLiteral("1-2"));
    Click(d.get(), "okButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({IDS_INVALID_DATUM_ROTATION_Z}));
    boxes.Clear();
    Type(d.get(), "rotationZ", QStringLiteral("0.5"));
    Type(d.get(), "scaleFactor", QString());
    Click(d.get(), "okButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({IDS_INVALID_DATUM_SCALE}));
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
    realdialog::FileDialogSeen seen;
    ChooseGridFile(*d, {}, &seen);
    EXPECT_EQ(seen.directory.toStdString(), std::filesystem::canonical(programRoot / "Data").string());
    EXPECT_EQ(seen.selected, QStringList{QString::fromStdString((programRoot / "Data" / "conus.las").string())});
    EXPECT_TRUE(Text(d.get(), "gridFile").isEmpty());
}

TEST_F(DatumDialogTest, GridFileFromElsewhereIsCopiedIntoDataWithItsPartner)
{
    const std::filesystem::path outside = folder / "download";
    WriteFile(outside / "mygrid.las", "LAS bytes");
    WriteFile(outside / "mygrid.los", "LOS bytes");
    auto d = Open();
    Click(d.get(), "addButton");
    Choose(Find<QComboBox>(d.get(), "conversionList"), 3);
        ChooseGridFile(*d, outside / "mygrid.las");
    EXPECT_EQ(Text(d.get(), "gridFile"), QStringLiteral("mygrid.las"));
    EXPECT_EQ(ReadFile(programRoot / "Data" / "mygrid.las"), "LAS bytes");
    EXPECT_EQ(ReadFile(programRoot / "Data" / "mygrid.los"), "LOS bytes");
    EXPECT_TRUE(boxes.Texts().empty());

    Type(d.get(), "datumName", QStringLiteral("Shifted"));
    ChooseEllipsoid(*d, 7008);
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
        boxes.SetAnswer(false);
    ChooseGridFile(*d, outside / "same.gsb");
    EXPECT_EQ(boxes.Texts(), MessageTexts({IDS_REPLACE_GRID_FILE}));
    EXPECT_EQ(ReadFile(programRoot / "Data" / "same.gsb"), "old");
    EXPECT_TRUE(Text(d.get(), "gridFile").isEmpty());

    boxes.SetAnswer(true);
    ChooseGridFile(*d, outside / "same.gsb");
    EXPECT_EQ(ReadFile(programRoot / "Data" / "same.gsb"), "new");
    EXPECT_EQ(Text(d.get(), "gridFile"), QStringLiteral("same.gsb"));

    // A file chosen inside Data is taken by its name without copying.
    boxes.Clear();
        ChooseGridFile(*d, programRoot / "Data" / "same.gsb");
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_FALSE(std::filesystem::exists(programRoot / "Data" / "same.gsb.part"));
}

TEST_F(DatumDialogTest, ADatumThatGridsUseIsKeptAndAnUnusedOneDeleted)
{
    Sql("INSERT INTO tblDatums (numId, strDatum, numEllipsoid, numPrime, numMethod, strFile, dblDeltaX, dblDeltaY, "
        "dblDeltaZ, dblRotationX, dblRotationY, dblRotationZ, dblScaleFactor) "
        "VALUES (50004, 'Gone', 7030, 8901, 0, '', 0, 0, 0, 0, 0, 0, 0)");
    Sql("INSERT INTO tblGrids (numId, strGrid, numCountry, numDatum, numProjection, numUnits) "
        "VALUES (50001, 'On Gone', 250, 50004, 9807, 9001)");
    auto d = Open(50004);
    EXPECT_EQ(Text(d.get(), "datumName"), QStringLiteral("Gone"));
    boxes.SetAnswer(true);
    // Used by a grid: refused before the question, with the count.
    Click(d.get(), "deleteButton");
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{MessageWith(IDS_DATUM_IN_USE, "1 grid uses")});
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblDatums WHERE numId = 50004"), 1);
    EXPECT_EQ(Text(d.get(), "datumName"), QStringLiteral("Gone"));
    EXPECT_FALSE(DeleteDatum(50004));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblDatums WHERE numId = 50004"), 1);

    // Unused once its grid has gone: asked, then deleted.
    Sql("DELETE FROM tblGrids WHERE numId = 50001");
    boxes.Clear();
    Click(d.get(), "deleteButton");
    EXPECT_EQ(boxes.Texts(), MessageTexts({301}));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblDatums WHERE numId = 50004"), 0);
    EXPECT_TRUE(List(*d)->selectionModel()->selectedRows().isEmpty());
    EXPECT_TRUE(Text(d.get(), "datumName").isEmpty());
    EXPECT_TRUE(Text(d.get(), "ellipsoidName").isEmpty());
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

TEST_F(DatumDialogTest, ModifyThenSaveStoresTheChangedDatum)
{
    Sql("INSERT INTO tblDatums (numId, strDatum, numEllipsoid, numPrime, numMethod, strFile, dblDeltaX, dblDeltaY, "
        "dblDeltaZ, dblRotationX, dblRotationY, dblRotationZ, dblScaleFactor) "
        "VALUES (50005, 'Local', 7030, 8901, 1, '', 1, 2, 3, 0, 0, 0, 0)");
    auto d = Open(50005);
    EXPECT_EQ(Text(d.get(), "translationX"), QStringLiteral("1.000"));
    Click(d.get(), "modifyButton");
    EXPECT_EQ(d->CurrentState(), CDialogSelectDatum::Modifying);
    EXPECT_EQ(Find<QPushButton>(d.get(), "okButton")->text(), QStringLiteral("&Save"));
    Type(d.get(), "datumName", QStringLiteral("Local Two"));
    Type(d.get(), "translationX", QStringLiteral("-87,5"));
    ChooseEllipsoid(*d, 7022);
    Click(d.get(), "okButton");
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(d->CurrentState(), CDialogSelectDatum::Browsing);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(Scalar("SELECT strDatum || '|' || numEllipsoid || '|' || dblDeltaX || '|' || dblDeltaY "
                     "FROM tblDatums WHERE numId = 50005"),
              "Local Two|7022|-87.5|2.0");
    // Still one row, now under its new name and still chosen.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tblDatums WHERE strDatum LIKE 'Local%'"), 1);
    EXPECT_EQ(SelectedRowId(List(*d)), 50005);
    EXPECT_EQ(List(*d)->currentIndex().siblingAtColumn(1).data().toString(), QStringLiteral("Local Two"));
}

TEST_F(DatumDialogTest, DoubleClickInTheDatumAndEllipsoidListsChoosesTheRow)
{
    auto rowOf = [](QTreeView* list, int id) {
        for (int i = 0; i < RowCount(list); ++i)
            if (RowId(list, i) == id)
                return i;
        return -1;
    };
    {
        auto d = Open();
        const int row = rowOf(List(*d), 4258);
        ASSERT_GE(row, 0);
        ClickRow(List(*d), row, true);
        EXPECT_EQ(d->result(), QDialog::Accepted);
        EXPECT_FALSE(d->isVisible());
        EXPECT_EQ(d->SelectedDatumId, 4258);
    }
    {
        CDialogSelectEllipsoid d;
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        auto* list = Find<QTreeView>(&d, "ellipsoidList");
        const int row = rowOf(list, 7019);
        ASSERT_GE(row, 0);
        ClickRow(list, row, true);
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.SelectedEllipsoidId, 7019);
    }
    EXPECT_TRUE(boxes.Texts().empty());
}

} // namespace
