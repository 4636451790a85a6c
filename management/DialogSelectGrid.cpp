#include "DialogSelectGrid.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QUrl>
#include <array>

#include "CatalogueConnection.h"
#include "CatalogueLookups.h"
#include "CatalogueStatements.h"
#include "CxAdo.h"
#include "DialogSelectCountry.h"
#include "DialogSelectDatum.h"
#include "DialogText.h"
#include "CountryImages.h"
#include "Messages.h"
#include "OpenAddress.h"
#include "ListSearch.h"
#include "ui_DialogSelectGrid.h"

using namespace DialogText;

namespace {

// The parameter bits of tblProjections.numFields.
enum : int
{
    FieldFalseNorthing = 0x001,
    FieldFalseEasting = 0x002,
    FieldLatitudeOrigin = 0x004,
    FieldLongitudeOrigin = 0x008,
    FieldParallelNorth = 0x010,
    FieldParallelSouth = 0x020,
    FieldScale = 0x040,
    FieldCenterLatitude = 0x080,
    FieldCenterLongitude = 0x100,
    FieldCentralMeridian = 0x200,
    FieldAzimuth = 0x400,
    FieldRectifiedGrid = 0x800,
};

void SelectItemWithData(QComboBox* list, int data)
{
    const int index = list->findData(data);
    list->setCurrentIndex(index >= 0 ? index : (list->count() > 0 ? 0 : -1));
}

} // namespace

CDialogSelectGrid::CDialogSelectGrid(CCountryImages& application, QWidget* parent)
    : CCatalogueDialog(parent), ui(std::make_unique<Ui::CDialogSelectGrid>()), app(application)
{
    ui->setupUi(this);

    chooseCountry = [this](int& id) {
        CDialogSelectCountry dialog(app, this);
        dialog.SelectedCountryId = id;
        if (dialog.exec() != QDialog::Accepted)
            return false;
        id = dialog.SelectedCountryId;
        return true;
    };
    chooseDatum = [this](int& id, bool filterMode) {
        CDialogSelectDatum dialog(this, filterMode ? 1 : 0);
        dialog.SelectedDatumId = id;
        if (dialog.exec() != QDialog::Accepted)
            return false;
        id = dialog.SelectedDatumId;
        return true;
    };
    openUrl = [](const QString& url) { OpenAddress(url); };

    // 1. The list: full-row selection with grid lines, the flags, three columns.
    CGridList* list = ui->gridList;
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setHeaderLabels({tr("Country or Region"), tr("EPSG"), tr("Grid Name")});
    list->header()->setSectionsClickable(true);
    list->header()->setSortIndicatorShown(false);
    list->header()->setStretchLastSection(false);
    list->setIconSize(QSize(16, 16));
    flags.LoadCountryFlags(app);

    // 2. The filters from the profile.
    datumFilter = ReadPreference("FilterDatum");
    countryFilter = ReadPreference("FilterCountry");
    CCxString name;
    LookupCountryName(countryFilter, name);
    ui->countryFilterName->setText(FromUtf8(name.str()));
    name = "No datum selected";
    LookupDatumName(datumFilter, name);
    ui->datumFilterName->setText(FromUtf8(name.str()));

    // 3 to 5. Units, grids, projections.
    FillUnitList();
    FillGridList();
    FillProjectionList();

    // 6. Images, tool tips (in the form) and the link.
    QStyle* s = style();
    SetFlowIcons(ui->addButton, ui->modifyButton, ui->deleteButton, ui->okButton, ui->cancelButton);
    for (QPushButton* b : {ui->countryFilterSelectButton, ui->datumFilterSelectButton, ui->countrySelectButton,
                           ui->datumSelectButton})
        b->setIcon(s->standardIcon(QStyle::SP_FileDialogContentsView));
    ui->countryFilterResetButton->setIcon(s->standardIcon(QStyle::SP_DialogCancelButton));
    ui->datumFilterResetButton->setIcon(s->standardIcon(QStyle::SP_DialogCancelButton));
    ui->linkButton->setToolTip(QString::fromLatin1(kGridsPage));

    connect(list->header(), &QHeaderView::sectionClicked, this, &CDialogSelectGrid::OnHeaderClicked);
    SetUpFlow(list, ui->okButton, {ui->addButton, ui->modifyButton, ui->deleteButton, list},
              {ui->countrySelectButton, ui->datumSelectButton, ui->projectionList, ui->unitList},
              {ui->gridName, ui->falseNorthing, ui->falseEasting, ui->latitude, ui->longitude, ui->parallelNorth,
               ui->parallelSouth, ui->azimuth, ui->rectifiedGridAngle, ui->scaleFactor});
    connect(ui->projectionList, &QComboBox::activated, this, &CDialogSelectGrid::OnProjectionChosen);
    connect(ui->unitList, &QComboBox::activated, this, &CDialogSelectGrid::OnUnitChosen);
    connect(ui->searchField, &QLineEdit::textChanged, this,
            [this](const QString& text) { NarrowTree(ui->gridList, 2, text); });
    connect(ui->addButton, &QPushButton::clicked, this, &CDialogSelectGrid::OnAdd);
    connect(ui->modifyButton, &QPushButton::clicked, this, [this] { ModifySelected(ui->falseNorthing); });
    connect(ui->deleteButton, &QPushButton::clicked, this,
            [this] { DeleteSelected(IDS_ASK_DELETE_GRID, CatalogueSql::G9); });
    connect(ui->countrySelectButton, &QPushButton::clicked, this, &CDialogSelectGrid::OnSelectCountry);
    connect(ui->datumSelectButton, &QPushButton::clicked, this, &CDialogSelectGrid::OnSelectDatum);
    connect(ui->countryFilterSelectButton, &QPushButton::clicked, this, &CDialogSelectGrid::OnSelectCountryFilter);
    connect(ui->datumFilterSelectButton, &QPushButton::clicked, this, &CDialogSelectGrid::OnSelectDatumFilter);
    connect(ui->countryFilterResetButton, &QPushButton::clicked, this, &CDialogSelectGrid::OnResetCountryFilter);
    connect(ui->datumFilterResetButton, &QPushButton::clicked, this, &CDialogSelectGrid::OnResetDatumFilter);
    connect(ui->okButton, &QPushButton::clicked, this, &CDialogSelectGrid::accept);
    connect(ui->cancelButton, &QPushButton::clicked, this, &CDialogSelectGrid::reject);
    connect(ui->linkButton, &QPushButton::clicked, this, [this] { openUrl(QString::fromLatin1(kGridsPage)); });

    EndEditing();
    // 7. The grid the caller preselected is set only after construction, so
    // showing it waits for the dialog to be shown.
    // 8. The focus on the list.
    list->setFocus();
}

CDialogSelectGrid::~CDialogSelectGrid() = default;

void CDialogSelectGrid::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (columnsSized)
        return;
    columnsSized = true;
    CGridList* list = ui->gridList;
    const int scrollBar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    const double width = list->width() - scrollBar - 5;
    list->setColumnWidth(0, static_cast<int>(width * 0.30));
    list->setColumnWidth(1, static_cast<int>(width * 0.15));
    list->setColumnWidth(2, static_cast<int>(width * 0.55));
    if (SelectedGridId != 0)
    {
        ShowGrid();
        SelectRow(SelectedGridId);
    }
    list->setFocus();
}

QLineEdit* CDialogSelectGrid::NumberFields(int index) const
{
    // In the order of the statements' nine number texts.
    const std::array<QLineEdit*, 9> fields = {ui->scaleFactor,    ui->falseEasting,  ui->falseNorthing,
                                              ui->latitude,       ui->longitude,     ui->parallelNorth,
                                              ui->parallelSouth,  ui->azimuth,       ui->rectifiedGridAngle};
    return fields[static_cast<std::size_t>(index)];
}

void CDialogSelectGrid::FillUnitList()
{
    ui->unitList->clear();
    CCxAdo ado;
    if (OpenCatalogue(ado) && ado.OpenRecordset(CatalogueSql::U1) == 1)
    {
        do
        {
            std::string name;
            int id = 0;
            ado.GetFieldString("strUnit", name);
            ado.GetFieldLong("numId", id);
            ui->unitList->addItem(FromUtf8(name), id);
        } while (ado.MoveNext() == 1);
    }
    if (ui->unitList->count() > 0)
        ui->unitList->setCurrentIndex(0);
}

void CDialogSelectGrid::FillProjectionList()
{
    QComboBox* list = ui->projectionList;
    list->clear();
    CCxAdo ado;
    if (OpenCatalogue(ado) && ado.OpenRecordset(CatalogueSql::P1) == 1)
    {
        do
        {
            std::string name;
            int id = 0;
            ado.GetFieldString("strProjection", name);
            ado.GetFieldLong("numId", id);
            list->addItem(FromUtf8(name), id);
        } while (ado.MoveNext() == 1);
    }
    // A sorted drop-down list.
    list->model()->sort(0);
    if (list->count() > 0)
        list->setCurrentIndex(0);
}

void CDialogSelectGrid::FillGridList()
{
    CGridList* list = ui->gridList;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    list->setUpdatesEnabled(false);
    list->clear();
    mark = -1;

    const std::string sql = ComposeGridListQuery(countryFilter, datumFilter, sortColumn, sortDirection);
    QList<QTreeWidgetItem*> rows;
    CCxAdo ado;
    if (OpenCatalogue(ado) && ado.OpenRecordset(sql.c_str()) == 1)
    {
        int count = 0;
        ado.GetRecordCount(count);
        rows.reserve(count);
        const char* idField = "numId";
        do
        {
            std::string country;
            std::string grid;
            int id = 0;
            int countryOfRow = 0;
            ado.GetFieldString("strCountry", country);
            ado.GetFieldString("strGrid", grid);
            ado.GetFieldLong(idField, id);
            ado.GetFieldLong("numCountry", countryOfRow);
            auto* item = new QTreeWidgetItem({FromUtf8(country), EpsgCell(id), FromUtf8(grid)});
            item->setIcon(0, flags.Icon(CFlagIconList::ImageIndex(app, countryOfRow)));
            item->setData(0, Qt::UserRole, id);
            rows.append(item);
        } while (ado.MoveNext() == 1);
    }
    ado.CloseRecordset();
    ado.Disconnect();
    // Every row goes to the top of the list, so the list reads in the reverse
    // of the statement's order: inserted at once, in that reversed order.
    std::reverse(rows.begin(), rows.end());
    // Names read in natural order without regard to case ("UTM zone 2N"
    // before "29S"); the statement's order stays behind each tie.
    if (sortColumn == 2 || sortColumn == 3)
    {
        const int primary = sortColumn == 2 ? 0 : 2;
        const bool ascending = sortDirection == 1;
        std::stable_sort(rows.begin(), rows.end(), [primary, ascending](QTreeWidgetItem* x, QTreeWidgetItem* y) {
            int c = NaturalCompare(x->text(primary), y->text(primary));
            if (c == 0 && primary == 0)
                c = NaturalCompare(x->text(2), y->text(2));
            return ascending ? c < 0 : c > 0;
        });
    }
    list->insertTopLevelItems(0, rows);
    NarrowTree(list, 2, ui->searchField->text());

    list->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
    // The selection mark on row 0, without selecting it.
    if (list->topLevelItemCount() > 0)
    {
        mark = 0;
        list->selectionModel()->setCurrentIndex(list->model()->index(0, 0), QItemSelectionModel::NoUpdate);
    }
}

void CDialogSelectGrid::ShowGrid()
{
    for (QLineEdit* field : std::initializer_list<QLineEdit*>{ui->scaleFactor, ui->azimuth, ui->rectifiedGridAngle, ui->falseNorthing,
                             ui->falseEasting, ui->latitude, ui->longitude, ui->parallelNorth, ui->parallelSouth,
                             ui->datumName, ui->countryName, ui->gridName})
        field->clear();

    CCxAdo ado;
    if (OpenCatalogue(ado) && ado.OpenRecordset(FormatStatement(CatalogueSql::G5, SelectedGridId).c_str()) == 1)
    {
        auto number = [&ado](const char* field, const char* format) {
            double value = 0.0;
            ado.GetFieldDouble(field, value);
            return Number(format, value);
        };
        ui->scaleFactor->setText(number("dblScale", "%lf"));
        ui->falseNorthing->setText(number("dblFalseNorthing", "%lf"));
        ui->falseEasting->setText(number("dblFalseEasting", "%lf"));
        ui->latitude->setText(number("dblLatitudeOrigin", "%.8lf"));
        ui->longitude->setText(number("dblLongitudeOrigin", "%.8lf"));
        ui->parallelNorth->setText(number("dblParallelNorth", "%.8lf"));
        ui->parallelSouth->setText(number("dblParallelSouth", "%.8lf"));
        ui->azimuth->setText(number("dblAzimuth", "%.8lf"));
        ui->rectifiedGridAngle->setText(number("dblRectifiedGrid", "%.8lf"));
        ado.GetFieldLong("numDatum", SelectedDatumId);
        ado.GetFieldLong("numCountry", countryId);
        ado.GetFieldLong("numProjection", projectionId);
        ado.GetFieldLong("numUnits", unitId);
        std::string name;
        ado.GetFieldString("strGrid", name);
        ado.CloseRecordset();
        ado.Disconnect();

        CCxString text;
        LookupDatumName(SelectedDatumId, text);
        ui->datumName->setText(FromUtf8(text.str()));
        text.Empty();
        LookupCountryName(countryId, text);
        ui->countryName->setText(FromUtf8(text.str()));
        SelectItemWithData(ui->projectionList, projectionId);
        SelectItemWithData(ui->unitList, unitId);
        ui->gridName->setText(FromUtf8(name));
    }
    SetVariableLabels();
}

void CDialogSelectGrid::SetVariableLabels()
{
    int mask = 0;
    LookupProjectionFields(projectionId, mask);
    if (mask & FieldLatitudeOrigin)
        ui->latitudeLabel->setText(tr("Latitude of Origin"));
    if (mask & FieldCenterLatitude)
        ui->latitudeLabel->setText(tr("Center Latitude"));
    if (mask & FieldLongitudeOrigin)
        ui->longitudeLabel->setText(tr("Longitude of Origin"));
    if (mask & FieldCenterLongitude)
        ui->longitudeLabel->setText(tr("Center Longitude"));
    if (mask & FieldCentralMeridian)
        ui->longitudeLabel->setText(tr("Central Meridian"));
}

void CDialogSelectGrid::OnHeaderClicked(int column)
{
    static constexpr int columnToSort[] = {2, 1, 3};
    if (column < 0 || column > 2)
        return;
    const int wanted = columnToSort[column];
    if (wanted == sortColumn)
        sortDirection = sortDirection == 0 ? 1 : 0;
    else
    {
        sortColumn = wanted;
        sortDirection = 1;
    }
    FillGridList();
}

void CDialogSelectGrid::ApplyEditableFields()
{
    int mask = 0;
    LookupProjectionFields(projectionId, mask);
    ui->gridName->setReadOnly(false);
    ui->falseNorthing->setReadOnly(!(mask & FieldFalseNorthing));
    ui->falseEasting->setReadOnly(!(mask & FieldFalseEasting));
    ui->latitude->setReadOnly(!(mask & (FieldLatitudeOrigin | FieldCenterLatitude)));
    ui->longitude->setReadOnly(!(mask & (FieldLongitudeOrigin | FieldCenterLongitude | FieldCentralMeridian)));
    ui->parallelNorth->setReadOnly(!(mask & FieldParallelNorth));
    ui->parallelSouth->setReadOnly(!(mask & FieldParallelSouth));
    ui->scaleFactor->setReadOnly(!(mask & FieldScale));
    ui->azimuth->setReadOnly(!(mask & FieldAzimuth));
    ui->rectifiedGridAngle->setReadOnly(!(mask & FieldRectifiedGrid));
}

void CDialogSelectGrid::OnProjectionChosen(int index)
{
    projectionId = ui->projectionList->itemData(index).toInt();
    SetVariableLabels();
    if (CurrentState() != Browsing)
        ApplyEditableFields();
}

void CDialogSelectGrid::OnUnitChosen(int index)
{
    // The unit the user picks is the unit saved.
    unitId = ui->unitList->itemData(index).toInt();
}

void CDialogSelectGrid::OnAdd()
{
    ui->gridName->clear();
    // The datum goes with its name, so the check on saving tests what the
    // user sees.
    ui->datumName->clear();
    SelectedDatumId = 0;
    for (QLineEdit* field : std::initializer_list<QLineEdit*>{ui->falseNorthing, ui->falseEasting, ui->azimuth, ui->rectifiedGridAngle, ui->latitude,
                             ui->longitude, ui->parallelNorth, ui->parallelSouth})
        field->setText(QStringLiteral("0.0"));
    ui->scaleFactor->setText(QStringLiteral("1.0"));

    projectionId = kDefaultProjection;
    SelectItemWithData(ui->projectionList, projectionId);
    if (ui->projectionList->currentIndex() >= 0)
        projectionId = ui->projectionList->currentData().toInt();
    SelectItemWithData(ui->unitList, unitId);
    SetVariableLabels();

    SelectedGridId = 0;
    StartEditing(Adding);
    ui->gridName->setFocus();
}

void CDialogSelectGrid::OnSelectCountry()
{
    ChooseWithName(chooseCountry, countryId, LookupCountryName, ui->countryName);
}

void CDialogSelectGrid::OnSelectDatum()
{
    ChooseWithName([this](int& id) { return chooseDatum && chooseDatum(id, false); }, SelectedDatumId,
                   LookupDatumName, ui->datumName);
}

void CDialogSelectGrid::OnSelectCountryFilter()
{
    int id = countryFilter;
    if (chooseCountry && chooseCountry(id))
    {
        countryFilter = id;
        WritePreference("FilterCountry", countryFilter);
        CCxString name;
        LookupCountryName(countryFilter, name);
        ui->countryFilterName->setText(FromUtf8(name.str()));
        FillGridList();
    }
}

void CDialogSelectGrid::OnSelectDatumFilter()
{
    int id = 0;
    if (chooseDatum && chooseDatum(id, true))
    {
        datumFilter = id;
        WritePreference("FilterDatum", datumFilter);
        CCxString name;
        LookupDatumName(datumFilter, name);
        ui->datumFilterName->setText(FromUtf8(name.str()));
        FillGridList();
    }
}

void CDialogSelectGrid::OnResetCountryFilter()
{
    countryFilter = 0;
    WritePreference("FilterCountry", 0);
    CCxString name;
    LookupCountryName(0, name);
    ui->countryFilterName->setText(FromUtf8(name.str()));
    FillGridList();
}

void CDialogSelectGrid::OnResetDatumFilter()
{
    datumFilter = 0;
    WritePreference("FilterDatum", 0);
    CCxString name;
    LookupDatumName(0, name);
    ui->datumFilterName->setText(FromUtf8(name.str()));
    FillGridList();
}

bool CDialogSelectGrid::Validate()
{
    if (SelectedDatumId == 0)
    {
        ShowMessage(IDS_GRID_NEEDS_DATUM);
        return false;
    }
    if (countryId == 0)
    {
        ShowMessage(IDS_GRID_NEEDS_COUNTRY);
        return false;
    }
    if (ui->gridName->text().isEmpty())
    {
        ShowMessage(IDS_GRID_NEEDS_NAME);
        return false;
    }
    for (QLineEdit* field : std::initializer_list<QLineEdit*>{ui->scaleFactor, ui->falseNorthing, ui->falseEasting, ui->latitude, ui->longitude,
                             ui->parallelNorth, ui->parallelSouth, ui->azimuth, ui->rectifiedGridAngle})
    {
        if (field->text().isEmpty())
            field->setText(QStringLiteral("0.0"));
    }
    // A text that is no number would make the statement fail without a word;
    // say which field it is and write nothing.
    const std::pair<QLineEdit*, int> checks[] = {
        {ui->falseNorthing, IDS_INVALID_GRID_FALSE_NORTHING},
        {ui->falseEasting, IDS_INVALID_GRID_FALSE_EASTING},
        {ui->latitude, IDS_INVALID_GRID_LATITUDE},
        {ui->longitude, IDS_INVALID_GRID_LONGITUDE},
        {ui->parallelNorth, IDS_INVALID_GRID_PARALLEL_NORTH},
        {ui->parallelSouth, IDS_INVALID_GRID_PARALLEL_SOUTH},
        {ui->azimuth, IDS_INVALID_GRID_AZIMUTH},
        {ui->rectifiedGridAngle, IDS_INVALID_GRID_RECTIFIED_ANGLE},
        {ui->scaleFactor, IDS_INVALID_GRID_SCALE},
    };
    for (const auto& [field, message] : checks)
    {
        if (!IsNumberText(field->text()))
        {
            ShowMessage(message);
            field->setFocus();
            return false;
        }
    }
    return true;
}

namespace {

GridValues CollectValues(const Ui::CDialogSelectGrid& ui, int country, int projection, int datum, int unit)
{
    GridValues v;
    v.name = ToUtf8(ui.gridName->text());
    v.country = country;
    v.projection = projection;
    v.datum = datum;
    v.units = unit;
    v.scale = NumberLiteral(ui.scaleFactor->text());
    v.falseEasting = NumberLiteral(ui.falseEasting->text());
    v.falseNorthing = NumberLiteral(ui.falseNorthing->text());
    v.latitudeOrigin = NumberLiteral(ui.latitude->text());
    v.longitudeOrigin = NumberLiteral(ui.longitude->text());
    v.parallelNorth = NumberLiteral(ui.parallelNorth->text());
    v.parallelSouth = NumberLiteral(ui.parallelSouth->text());
    v.azimuth = NumberLiteral(ui.azimuth->text());
    v.rectifiedGrid = NumberLiteral(ui.rectifiedGridAngle->text());
    return v;
}

} // namespace

// The unit stored is the one the Units box shows: a new grid once kept the
// identifier 0 while the box showed "metre".
void CDialogSelectGrid::TakeShownUnit()
{
    if (ui->unitList->currentIndex() >= 0)
        unitId = ui->unitList->currentData().toInt();
}

void CDialogSelectGrid::Insert()
{
    TakeShownUnit();
    long id = 0;
    if (!NextUserIdentifier(CatalogueSql::G6, id))
        return;
    std::string sql;
    if (FormatGridInsert(id, CollectValues(*ui, countryId, projectionId, SelectedDatumId, unitId), sql))
        RunCatalogueStatement(sql);
}

void CDialogSelectGrid::Update()
{
    TakeShownUnit();
    std::string sql;
    if (FormatGridUpdate(SelectedGridId, CollectValues(*ui, countryId, projectionId, SelectedDatumId, unitId), sql))
        RunCatalogueStatement(sql);
}

bool CDialogSelectGrid::SaveEdited()
{
    if (!Validate())
        return false;
    savedNew = CurrentState() == Adding;
    if (savedNew)
        Insert();
    else
        Update();
    return true;
}

void CDialogSelectGrid::AfterSave()
{
    FillGridList();
    EndEditing();
    int shown = SelectedGridId;
    if (savedNew)
    {
        // The new grid is the one of the largest identifier.
        CCxAdo ado;
        if (OpenCatalogue(ado) && ado.OpenRecordset(CatalogueSql::G4) == 1)
            ado.GetFieldLong("numLast", shown);
        ado.CloseRecordset();
        ado.Disconnect();
    }
    SelectRow(shown);
    TakeMarkedRow();
}

void CDialogSelectGrid::AfterCancel()
{
    // The changes are dropped and the marked grid shown again.
    EndEditing();
    TakeMarkedRow();
}

void CDialogSelectGrid::AfterDelete()
{
    TakeMarkedRow();
}
