#include "DialogSelectCountry.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QListWidget>
#include <QStyle>

#include "CatalogueConnection.h"
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

    QListWidget* list = ui->countryList;
    list->setViewMode(QListView::ListMode);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setIconSize(QSize(16, 16));
    list->setUniformItemSizes(true);
    ui->browseButton->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));

    zeroRowIsAChoice = true;
    takeMarkAfterEditing = true;
    SetUpFormFlow(*ui, {.list = list,
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
    QListWidget* list = ui->countryList;
    list->setUpdatesEnabled(false);
    list->clear();
    mark = -1;
    flags.LoadCountryFlags(app);
    auto* all = new QListWidgetItem(tr(" All Countries"));
    all->setData(Qt::UserRole, 0);
    list->addItem(all);
    std::vector<NamedRow> rows;
    ListCountries(rows);
    SortByName(rows);
    for (const NamedRow& row : rows)
    {
        // The image by the country's identifier, not by its position: a
        // country whose flag could not be loaded has no image, and the
        // positions of the others would shift.
        auto* item = new QListWidgetItem(flags.Icon(CFlagIconList::ImageIndex(app, row.id)), FromUtf8(row.name));
        item->setData(Qt::UserRole, row.id);
        list->addItem(item);
    }
    NarrowToSearch();
    list->setUpdatesEnabled(true);
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
    const QListWidget* list = ui->countryList;
    for (int i = 0; i < list->count(); ++i)
    {
        const QListWidgetItem* item = list->item(i);
        if (CurrentState() == Modifying && item->data(Qt::UserRole).toInt() == SelectedCountryId)
            continue;
        if (item->text() == name)
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
