#include "DialogSelectGrid.h"

#include <QApplication>
#include <QStyle>
#include <ranges>

#include "CatalogueLookups.h"
#include "CatalogueRows.h"
#include "DialogSelectCountry.h"
#include "DialogSelectDatum.h"
#include "DialogText.h"
#include "CountryImages.h"
#include "Messages.h"
#include "CatalogueModel.h"
#include "LinkSummary.h"
#include "ui_DialogSelectGrid.h"

using namespace DialogText;

namespace {

// The parameter bits of tblProjections.numFields.
enum : int
{
    FieldFalseNorthing = 0x001, FieldFalseEasting = 0x002, FieldLatitudeOrigin = 0x004,
    FieldLongitudeOrigin = 0x008, FieldParallelNorth = 0x010, FieldParallelSouth = 0x020,
    FieldScale = 0x040, FieldCenterLatitude = 0x080, FieldCenterLongitude = 0x100,
    FieldCentralMeridian = 0x200, FieldAzimuth = 0x400, FieldRectifiedGrid = 0x800,
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
    linkSummary = new CLinkSummary(this);
    ui->rightLayout->insertWidget(ui->rightLayout->count() - 1, linkSummary);

    // 1. The list: the flags, three columns, sorted by country first.
    CGridList* list = ui->gridList;
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

    // 3 to 5. Units, projections, and with the flow the grids.
    FillUnitList();
    FillProjectionList();
    QStyle* s = style();
    for (QPushButton* b : {ui->countryFilterSelectButton, ui->datumFilterSelectButton, ui->countrySelectButton,
                           ui->datumSelectButton})
        b->setIcon(s->standardIcon(QStyle::SP_FileDialogContentsView));
    ui->countryFilterResetButton->setIcon(s->standardIcon(QStyle::SP_DialogCancelButton));
    ui->datumFilterResetButton->setIcon(s->standardIcon(QStyle::SP_DialogCancelButton));

    takeMarkAfterEditing = true;
    SetUpFormFlow(*ui, {.list = list,
                        .headers = {tr("Country or Region"), tr("EPSG"), tr("Grid Name")},
                        .searchColumn = 2,
                        .idColumn = 1,
                        .sortColumn = 0,
                        .address = kGridsPage,
                        .addressPurpose = "The page of grid definitions",
                        .editingOnly = {ui->countrySelectButton, ui->datumSelectButton, ui->projectionList,
                                        ui->unitList},
                        .fields = {ui->gridName, ui->falseNorthing, ui->falseEasting, ui->latitude, ui->longitude,
                                   ui->parallelNorth, ui->parallelSouth, ui->azimuth, ui->rectifiedGridAngle,
                                   ui->scaleFactor},
                        .addFocus = ui->gridName,
                        .modifyFocus = ui->falseNorthing,
                        .deleteQuestion = IDS_ASK_DELETE_GRID,
                        .deleteRow = DeleteGrid,
                        .columnShares = {0.30, 0.15, 0.55},
                        .reservedWidth = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list) + 5,
                        .focusList = true});
    RefillList();

    connect(ui->projectionList, &QComboBox::activated, this, &CDialogSelectGrid::OnProjectionChosen);
    // The unit the user picks is the unit saved.
    connect(ui->unitList, &QComboBox::activated, this,
            [this](int index) { unitId = ui->unitList->itemData(index).toInt(); });
    connect(ui->countrySelectButton, &QPushButton::clicked, this,
            [this] { ChooseWithName([this](int& id) { return ChooseCountry(id); }, countryId, LookupCountryName, ui->countryName); });
    connect(ui->datumSelectButton, &QPushButton::clicked, this, [this] {
        ChooseWithName([this](int& id) { return ChooseDatum(id, false); }, SelectedDatumId,
                       LookupDatumName, ui->datumName);
    });
    connect(ui->countryFilterSelectButton, &QPushButton::clicked, this, [this] {
        int id = countryFilter;
        if (ChooseCountry(id))
            SetFilter(countryFilter, id, "FilterCountry", LookupCountryName, ui->countryFilterName);
    });
    connect(ui->datumFilterSelectButton, &QPushButton::clicked, this, [this] {
        int id = 0;
        if (ChooseDatum(id, true))
            SetFilter(datumFilter, id, "FilterDatum", LookupDatumName, ui->datumFilterName);
    });
    connect(ui->countryFilterResetButton, &QPushButton::clicked, this,
            [this] { SetFilter(countryFilter, 0, "FilterCountry", LookupCountryName, ui->countryFilterName); });
    connect(ui->datumFilterResetButton, &QPushButton::clicked, this,
            [this] { SetFilter(datumFilter, 0, "FilterDatum", LookupDatumName, ui->datumFilterName); });

    list->setFocus();
}

CDialogSelectGrid::~CDialogSelectGrid() = default;

namespace {

void FillChoices(QComboBox* list, const std::vector<NamedRow>& rows)
{
    list->clear();
    for (const NamedRow& row : rows)
        list->addItem(FromUtf8(row.name), row.id);
}

} // namespace

void CDialogSelectGrid::FillUnitList()
{
    std::vector<NamedRow> rows;
    ListUnits(rows);
    FillChoices(ui->unitList, rows);
    if (ui->unitList->count() > 0)
        ui->unitList->setCurrentIndex(0);
}

void CDialogSelectGrid::FillProjectionList()
{
    std::vector<NamedRow> rows;
    ListProjections(rows);
    QComboBox* list = ui->projectionList;
    FillChoices(list, rows);
    // A sorted drop-down list.
    list->model()->sort(0);
    if (list->count() > 0)
        list->setCurrentIndex(0);
}

void CDialogSelectGrid::RefillList()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The list sorts the rows itself and keeps its order across refills.
    // Rows alike in the sorted column and the name stay in the reverse of
    // the statement's order (country, then names and datums descending), as
    // the list has always read them.
    std::vector<GridListRow> grids;
    ListGridRows(countryFilter, datumFilter, 2, 1, grids);
    std::vector<CatalogueListRow> rows;
    rows.reserve(grids.size());
    for (const GridListRow& grid : std::ranges::reverse_view(grids))
        rows.push_back({grid.id, {FromUtf8(grid.countryName), EpsgCell(grid.id), FromUtf8(grid.name)},
                        flags.Icon(CFlagIconList::ImageIndex(app, grid.country))});
    ShowRows(std::move(rows));
    QApplication::restoreOverrideCursor();
    // The selection mark on row 0, without selecting it.
    QAbstractItemModel* shown = ui->gridList->model();
    if (shown->rowCount() > 0)
    {
        mark = shown->index(0, 0);
        ui->gridList->selectionModel()->setCurrentIndex(mark, QItemSelectionModel::NoUpdate);
    }
}

void CDialogSelectGrid::ShowSelected()
{
    for (QLineEdit* field : std::initializer_list<QLineEdit*>{ui->scaleFactor, ui->azimuth, ui->rectifiedGridAngle, ui->falseNorthing,
                             ui->falseEasting, ui->latitude, ui->longitude, ui->parallelNorth, ui->parallelSouth,
                             ui->datumName, ui->countryName, ui->gridName})
        field->clear();
    linkSummary->clear();

    GridRow row;
    if (LoadGrid(selectedId, row))
    {
        ShowNumbers({{ui->scaleFactor, "%lf", row.scale},
                     {ui->falseNorthing, "%lf", row.falseNorthing},
                     {ui->falseEasting, "%lf", row.falseEasting},
                     {ui->latitude, "%.8lf", row.latitudeOrigin},
                     {ui->longitude, "%.8lf", row.longitudeOrigin},
                     {ui->parallelNorth, "%.8lf", row.parallelNorth},
                     {ui->parallelSouth, "%.8lf", row.parallelSouth},
                     {ui->azimuth, "%.8lf", row.azimuth},
                     {ui->rectifiedGridAngle, "%.8lf", row.rectifiedGrid}});
        SelectedDatumId = row.datum;
        linkSummary->Show(row.datum, selectedId);
        countryId = row.country;
        projectionId = row.projection;
        unitId = row.units;

        CCxString text;
        LookupDatumName(SelectedDatumId, text);
        ui->datumName->setText(FromUtf8(text.str()));
        text.Empty();
        LookupCountryName(countryId, text);
        ui->countryName->setText(FromUtf8(text.str()));
        SelectItemWithData(ui->projectionList, projectionId);
        SelectItemWithData(ui->unitList, unitId);
        ui->gridName->setText(FromUtf8(row.name));
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
    // Methods whose extra parameter rides in the scale or the north parallel column (EPSG codes).
    ui->scaleFactorLabel->setText(projectionId == 1052   ? tr("Plane Height (m):")
                                  : projectionId == 1051 ? tr("Ellipsoid Scaling:")
                                                         : tr("Scalefactor:"));
    ui->parallelNorthLabel->setText(projectionId == 9824 ? tr("Zone Width:")
                                    : projectionId == 9830 || projectionId == 1028 || projectionId == 1029
                                        ? tr("Standard Parallel:")
                                        : tr("Parallel North:"));
}

int CDialogSelectGrid::SortColumn() const
{
    static constexpr int columnToSort[] = {2, 1, 3};
    const int column = SortedColumn();
    return column >= 0 && column <= 2 ? columnToSort[column] : 0;
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

void CDialogSelectGrid::ClearForAdding()
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

    selectedId = 0;
}

void CDialogSelectGrid::SetFilter(int& filter, int id, const char* preference, void (*lookup)(int, CCxString&),
                                  QLineEdit* name)
{
    filter = id;
    WritePreference(preference, id);
    CCxString text;
    lookup(id, text);
    name->setText(FromUtf8(text.str()));
    RefillList();
}

bool CDialogSelectGrid::Check()
{
    if (SelectedDatumId == 0)
        return Refused(IDS_GRID_NEEDS_DATUM);
    if (countryId == 0)
        return Refused(IDS_GRID_NEEDS_COUNTRY);
    if (ui->gridName->text().isEmpty())
        return Refused(IDS_GRID_NEEDS_NAME);
    // An empty scale factor means none, which is 1.
    if (ui->scaleFactor->text().isEmpty())
        ui->scaleFactor->setText(QStringLiteral("1.0"));
    for (QLineEdit* field : std::initializer_list<QLineEdit*>{ui->falseNorthing, ui->falseEasting, ui->latitude, ui->longitude,
                             ui->parallelNorth, ui->parallelSouth, ui->azimuth, ui->rectifiedGridAngle})
    {
        if (field->text().isEmpty())
            field->setText(QStringLiteral("0.0"));
    }
    // A text that is no number would make the statement fail without a word;
    // say which field it is and write nothing.
    return CheckNumberFields({{ui->falseNorthing, IDS_INVALID_GRID_FALSE_NORTHING},
                              {ui->falseEasting, IDS_INVALID_GRID_FALSE_EASTING},
                              {ui->latitude, IDS_INVALID_GRID_LATITUDE},
                              {ui->longitude, IDS_INVALID_GRID_LONGITUDE},
                              {ui->parallelNorth, IDS_INVALID_GRID_PARALLEL_NORTH},
                              {ui->parallelSouth, IDS_INVALID_GRID_PARALLEL_SOUTH},
                              {ui->azimuth, IDS_INVALID_GRID_AZIMUTH},
                              {ui->rectifiedGridAngle, IDS_INVALID_GRID_RECTIFIED_ANGLE},
                              {ui->scaleFactor, IDS_INVALID_GRID_SCALE}},
                             true) &&
           CheckNumberDomains({
               {ui->latitude, IDS_INVALID_GRID_LATITUDE, domain::Latitude, "It must lie within -90 and 90 degrees."},
               {ui->longitude, IDS_INVALID_GRID_LONGITUDE, domain::Longitude, "It must lie within -360 and 360 degrees."},
               {ui->parallelNorth, IDS_INVALID_GRID_PARALLEL_NORTH, domain::Latitude,
                "It must lie within -90 and 90 degrees."},
               {ui->parallelSouth, IDS_INVALID_GRID_PARALLEL_SOUTH, domain::Latitude,
                "It must lie within -90 and 90 degrees."},
               {ui->scaleFactor, IDS_INVALID_GRID_SCALE, domain::Positive, "It must be greater than 0."},
           }) &&
           CheckParallels();
}

bool CDialogSelectGrid::ChooseCountry(int& id)
{
    return CDialogSelectCountry(app, this).Choose(id);
}

bool CDialogSelectGrid::ChooseDatum(int& id, bool filterMode)
{
    return CDialogSelectDatum(this, filterMode ? 1 : 0).Choose(id);
}

bool CDialogSelectGrid::CheckParallels()
{
    // Two standard parallels on either side of the equator at the same
    // distance leave a conic projection without a cone.
    const double north = LeadingNumber(QString::fromStdString(NumberLiteral(ui->parallelNorth->text())));
    const double south = LeadingNumber(QString::fromStdString(NumberLiteral(ui->parallelSouth->text())));
    if (ui->parallelNorth->isReadOnly() || ui->parallelSouth->isReadOnly() || north == 0 || north + south != 0)
        return true;
    ShowMessageText(LoadMessage(IDS_INVALID_GRID_PARALLEL_SOUTH) +
                    " Standard parallels at the same distance either side of the equator define no projection.");
    ui->parallelSouth->setFocus();
    return false;
}

bool CDialogSelectGrid::StoreRow(int& id, std::string& message)
{
    if (!Check())
        return false;
    // The unit stored is the one the Units box shows: a new grid once kept
    // the identifier 0 while the box showed "metre".
    if (ui->unitList->currentIndex() >= 0)
        unitId = ui->unitList->currentData().toInt();
    GridValues v;
    v.name = ToUtf8(ui->gridName->text());
    v.country = countryId;
    v.projection = projectionId;
    v.datum = SelectedDatumId;
    v.units = unitId;
    TakeNumbers({{&v.scale, ui->scaleFactor}, {&v.falseEasting, ui->falseEasting},
                 {&v.falseNorthing, ui->falseNorthing}, {&v.latitudeOrigin, ui->latitude},
                 {&v.longitudeOrigin, ui->longitude}, {&v.parallelNorth, ui->parallelNorth},
                 {&v.parallelSouth, ui->parallelSouth}, {&v.azimuth, ui->azimuth},
                 {&v.rectifiedGrid, ui->rectifiedGridAngle}});
    return SaveGrid(v, id, &message);
}
