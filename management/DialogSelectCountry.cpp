#include "DialogSelectCountry.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QListView>
#include <QStyle>

#include "CatalogueConnection.h"
#include "CatalogueModel.h"
#include "CatalogueLookups.h"
#include "DialogText.h"
#include "CountryImages.h"
#include "Messages.h"
#include "CatalogueRows.h"
#include "ui_DialogSelectCountry.h"

using namespace DialogText;

CDialogSelectCountry::CDialogSelectCountry(CCountryImages& application, QWidget* parent)
    : CCatalogueDialog(parent), ui(std::make_unique<Ui::CDialogSelectCountry>()), app(application)
{
    ui->setupUi(this);

    QListView* list = ui->countryList;
    list->setViewMode(QListView::ListMode);
    list->setIconSize(QSize(16, 16));
    list->setUniformItemSizes(true);
    ui->browseButton->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));

    zeroRowIsAChoice = true;
    takeMarkAfterEditing = true;
    SetUpFormFlow(*ui, {.list = list,
                        .searchColumn = 0,
                        .idColumn = -1,
                        .editingOnly = {ui->browseButton},
                        // The flag comes by its Browse button.
                        .fields = {ui->countryName},
                        .addFocus = ui->countryName,
                        .modifyFocus = ui->countryName,
                        .deleteQuestion = IDS_ASK_DELETE_COUNTRY,
                        .deleteRow = DeleteCountry,
                        .focusList = true});
    RefillList();
    connect(ui->browseButton, &QPushButton::clicked, this, &CDialogSelectCountry::OnBrowse);
}

CDialogSelectCountry::~CDialogSelectCountry() = default;

void CDialogSelectCountry::RefillList()
{
    flags.LoadCountryFlags(app);
    std::vector<NamedRow> countries;
    ListCountries(countries);
    std::vector<CatalogueListRow> rows;
    rows.reserve(countries.size() + 1);
    rows.push_back({0, {tr(" All Countries")}});
    // The image by the country's identifier, not by its position: a country
    // whose flag could not be loaded has no image, and the positions of the
    // others would shift.
    for (const NamedRow& row : countries)
        rows.push_back({row.id, {FromUtf8(row.name)}, flags.Icon(CFlagIconList::ImageIndex(app, row.id))});
    ShowRows(std::move(rows));
}

void CDialogSelectCountry::ShowSelected()
{
    CountryRow row;
    if (!LoadCountry(selectedId, row))
        return;
    ui->countryName->setText(FromUtf8(row.name));
    ui->flagFile->setText(FromUtf8(row.flag));
}

void CDialogSelectCountry::ClearForAdding()
{
    ui->countryName->clear();
    ui->flagFile->clear();
    selectedId = 0;
}

void CDialogSelectCountry::OnBrowse()
{
    const QString chosen = QFileDialog::getOpenFileName(
        this, tr("Flag image"), QString::fromStdString(FlagFolder()) + ui->flagFile->text(),
        tr("PNG Image Files (*.png)"), nullptr, QFileDialog::ReadOnly | QFileDialog::DontUseNativeDialog);
    if (!chosen.isEmpty())
        ui->flagFile->setText(QFileInfo(chosen).fileName());
}

bool CDialogSelectCountry::NameIsTaken(const QString& name) const
{
    // Byte for byte against every row, " All Countries" included, except the
    // row of the country being renamed.
    const CCatalogueModel& rows = Rows();
    for (int i = 0; i < rows.rowCount(); ++i)
    {
        const QModelIndex row = rows.index(i, 0);
        if (CurrentState() == Modifying && row.data(Qt::UserRole).toInt() == SelectedCountryId)
            continue;
        if (row.data().toString() == name)
            return true;
    }
    return false;
}

bool CDialogSelectCountry::Check()
{
    const QString name = ui->countryName->text();
    if (name.isEmpty())
        return Refused(IDS_COUNTRY_NEEDS_NAME);
    // Names stay unique on renaming too: two rows of one name could not be
    // told apart in the lists.
    return !NameIsTaken(name) || Refused(IDS_COUNTRY_EXISTS);
}

bool CDialogSelectCountry::StoreRow(int& id, std::string& message)
{
    CountryValues v;
    v.name = ToUtf8(ui->countryName->text());
    v.flag = ToUtf8(ui->flagFile->text());
    return Check() && SaveCountry(v, id, &message);
}

bool CDialogSelectCountry::MayDelete()
{
    TakeMarkedRow();
    if (selectedId == 0)
        return false;
    int hasGrids = 1;
    CountryHasGrids(selectedId, hasGrids);
    return hasGrids != 1 || Refused(IDS_COUNTRY_HAS_GRIDS);
}
