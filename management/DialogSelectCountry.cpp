#include "DialogSelectCountry.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QListWidget>
#include <QStyle>

#include "CatalogueConnection.h"
#include "CatalogueLookups.h"
#include "CatalogueStatements.h"
#include "CxAdo.h"
#include "DialogText.h"
#include "CountryImages.h"
#include "Messages.h"
#include "CatalogueRows.h"
#include "ListSearch.h"
#include "ui_DialogSelectCountry.h"

using namespace DialogText;

CDialogSelectCountry::CDialogSelectCountry(CCountryImages& application, QWidget* parent)
    : CCatalogueDialog(parent), ui(std::make_unique<Ui::CDialogSelectCountry>()), app(application)
{
    ui->setupUi(this);
    chooseFlagFile = [this](const QString& start) {
        return QFileDialog::getOpenFileName(this, tr("Flag image"), start, tr("PNG Image Files (*.png)"), nullptr,
                                            QFileDialog::ReadOnly | QFileDialog::DontUseNativeDialog);
    };

    QListWidget* list = ui->countryList;
    list->setViewMode(QListView::ListMode);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setIconSize(QSize(16, 16));
    list->setUniformItemSizes(true);

    QStyle* s = style();
    SetFlowIcons(ui->addButton, ui->modifyButton, ui->removeButton, ui->okButton, ui->cancelButton);
    ui->browseButton->setIcon(s->standardIcon(QStyle::SP_DirOpenIcon));

    FillList();

    SetUpFlow(list, ui->okButton, {ui->addButton, ui->modifyButton, ui->removeButton, list}, {ui->browseButton},
              {ui->countryName, ui->flagFile});
    zeroRowIsAChoice = true;
    connect(ui->addButton, &QPushButton::clicked, this, &CDialogSelectCountry::OnAdd);
    connect(ui->modifyButton, &QPushButton::clicked, this, [this] { ModifySelected(ui->countryName); });
    connect(ui->removeButton, &QPushButton::clicked, this, &CDialogSelectCountry::OnRemove);
    connect(ui->browseButton, &QPushButton::clicked, this, &CDialogSelectCountry::OnBrowse);
    connect(ui->searchField, &QLineEdit::textChanged, this,
            [this](const QString& text) { NarrowList(ui->countryList, text); });
    connect(ui->okButton, &QPushButton::clicked, this, &CDialogSelectCountry::accept);
    connect(ui->cancelButton, &QPushButton::clicked, this, &CDialogSelectCountry::reject);
    EndEditing();
}

CDialogSelectCountry::~CDialogSelectCountry() = default;

void CDialogSelectCountry::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (opened)
        return;
    opened = true;
    if (SelectedCountryId != 0)
        SelectRow(SelectedCountryId);
    ui->countryList->setFocus();
}

void CDialogSelectCountry::FillList()
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
    std::stable_sort(rows.begin(), rows.end(), [](const NamedRow& a, const NamedRow& b) {
        return NaturalLess(FromUtf8(a.name), FromUtf8(b.name));
    });
    for (const NamedRow& row : rows)
    {
        // The image by the country's identifier, not by its position: a
        // country whose flag could not be loaded has no image, and the
        // positions of the others would shift.
        auto* item = new QListWidgetItem(flags.Icon(CFlagIconList::ImageIndex(app, row.id)), FromUtf8(row.name));
        item->setData(Qt::UserRole, row.id);
        list->addItem(item);
    }
    NarrowList(list, ui->searchField->text());
    list->setUpdatesEnabled(true);
}

void CDialogSelectCountry::ShowCountry()
{
    CCxAdo ado;
    if (OpenCatalogue(ado) && ado.OpenRecordset(FormatStatement(CatalogueSql::C5, SelectedCountryId).c_str()) == 1)
    {
        std::string name;
        std::string flag;
        ado.GetFieldString("strCountry", name);
        ado.GetFieldString("strFlag", flag);
        ui->countryName->setText(FromUtf8(name));
        ui->flagFile->setText(FromUtf8(flag));
    }
}

void CDialogSelectCountry::OpenFields()
{
    // The flag comes by its Browse button.
    ui->countryName->setReadOnly(false);
}

void CDialogSelectCountry::OnAdd()
{
    ui->countryName->clear();
    ui->flagFile->clear();
    SelectedCountryId = 0;
    StartEditing(Adding);
    ui->countryName->setFocus();
}

void CDialogSelectCountry::OnBrowse()
{
    if (!chooseFlagFile)
        return;
    const QString chosen = chooseFlagFile(QString::fromStdString(FlagFolder()) + ui->flagFile->text());
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

bool CDialogSelectCountry::SaveEdited()
{
    const QString name = ui->countryName->text();
    if (name.isEmpty())
    {
        ShowMessage(IDS_COUNTRY_NEEDS_NAME);
        return false;
    }
    // Names stay unique on renaming too: two rows of one name could not be
    // told apart in the lists.
    if (NameIsTaken(name))
    {
        ShowMessage(IDS_COUNTRY_EXISTS);
        return false;
    }
    CountryValues v;
    v.name = ToUtf8(name);
    v.flag = ToUtf8(ui->flagFile->text());
    std::string sql;
    savedNew = CurrentState() == Adding;
    if (savedNew)
    {
        long id = 0;
        if (NextUserIdentifier(CatalogueSql::C6, id) && FormatCountryInsert(id, v, sql))
            RunCatalogueStatement(sql);
    }
    else if (FormatCountryUpdate(SelectedCountryId, v, sql))
        RunCatalogueStatement(sql);
    return true;
}

void CDialogSelectCountry::AfterSave()
{
    FillList();
    EndEditing();
    int shown = SelectedCountryId;
    if (savedNew)
    {
        shown = 0;
        CCxAdo ado;
        if (OpenCatalogue(ado) && ado.OpenRecordset(CatalogueSql::C4) == 1)
            ado.GetFieldLong("numLast", shown);
        ado.CloseRecordset();
        ado.Disconnect();
    }
    SelectRow(shown);
}

void CDialogSelectCountry::AfterCancel()
{
    EndEditing();
    TakeMarkedRow();
}

void CDialogSelectCountry::OnRemove()
{
    TakeMarkedRow();
    if (SelectedCountryId == 0)
        return;
    int hasGrids = 1;
    CountryHasGrids(SelectedCountryId, hasGrids);
    if (hasGrids == 1)
    {
        ShowMessage(IDS_COUNTRY_HAS_GRIDS);
        return;
    }
    if (!AskMessage(IDS_ASK_DELETE_COUNTRY))
        return;
    RunCatalogueStatement(FormatStatement(CatalogueSql::C9, SelectedCountryId));
    FillList();
}
