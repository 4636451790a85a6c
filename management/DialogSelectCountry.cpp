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
    : QDialog(parent), ui(std::make_unique<Ui::CDialogSelectCountry>()), app(application)
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
    ui->addButton->setIcon(s->standardIcon(QStyle::SP_FileDialogNewFolder));
    ui->modifyButton->setIcon(s->standardIcon(QStyle::SP_FileDialogDetailedView));
    ui->removeButton->setIcon(s->standardIcon(QStyle::SP_TrashIcon));
    ui->browseButton->setIcon(s->standardIcon(QStyle::SP_DirOpenIcon));
    ui->okButton->setIcon(s->standardIcon(QStyle::SP_DialogOkButton));
    ui->cancelButton->setIcon(s->standardIcon(QStyle::SP_DialogCancelButton));

    FillList();

    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CDialogSelectCountry::OnSelectionChanged);
    connect(list, &QListWidget::itemDoubleClicked, this, &CDialogSelectCountry::OnDoubleClicked);
    connect(ui->addButton, &QPushButton::clicked, this, &CDialogSelectCountry::OnAdd);
    connect(ui->modifyButton, &QPushButton::clicked, this, &CDialogSelectCountry::OnModify);
    connect(ui->removeButton, &QPushButton::clicked, this, &CDialogSelectCountry::OnRemove);
    connect(ui->browseButton, &QPushButton::clicked, this, &CDialogSelectCountry::OnBrowse);
    connect(ui->searchField, &QLineEdit::textChanged, this,
            [this](const QString& text) { NarrowList(ui->countryList, text); });
    connect(ui->okButton, &QPushButton::clicked, this, &CDialogSelectCountry::accept);
    connect(ui->cancelButton, &QPushButton::clicked, this, &CDialogSelectCountry::reject);
    EndEditing();
}

CDialogSelectCountry::~CDialogSelectCountry() = default;

CDialogSelectCountry::State CDialogSelectCountry::CurrentState() const
{
    return adding != 0 ? Adding : (modifying != 0 ? Modifying : Browsing);
}

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

void CDialogSelectCountry::SelectRow(int id)
{
    QListWidget* list = ui->countryList;
    QListWidgetItem* match = nullptr;
    for (int i = 0; i < list->count() && match == nullptr; ++i)
    {
        if (list->item(i)->data(Qt::UserRole).toInt() == id)
            match = list->item(i);
    }
    if (match == nullptr)
        list->clearSelection();
    else
    {
        list->setCurrentItem(match, QItemSelectionModel::ClearAndSelect);
        list->scrollToItem(match);
    }
    list->setFocus();
}

void CDialogSelectCountry::TakeMarkedRow()
{
    const QListWidgetItem* marked = ui->countryList->item(mark);
    SelectedCountryId = marked != nullptr ? marked->data(Qt::UserRole).toInt() : 0;
    ShowCountry();
}

void CDialogSelectCountry::OnSelectionChanged(const QItemSelection& selected, const QItemSelection&)
{
    for (const QModelIndex& index : selected.indexes())
    {
        mark = index.row();
        const int id = index.data(Qt::UserRole).toInt();
        if (id != 0)
        {
            SelectedCountryId = id;
            ShowCountry();
        }
    }
}

void CDialogSelectCountry::OnDoubleClicked()
{
    if (CurrentState() != Browsing)
        return;
    TakeMarkedRow();
    QDialog::accept();
}

void CDialogSelectCountry::StartEditing()
{
    ui->countryName->setReadOnly(false);
    ui->addButton->setEnabled(false);
    ui->modifyButton->setEnabled(false);
    ui->removeButton->setEnabled(false);
    ui->countryList->setEnabled(false);
    ui->browseButton->setEnabled(true);
    ui->okButton->setText(tr("&Save"));
    ui->countryName->setFocus();
}

void CDialogSelectCountry::EndEditing()
{
    ui->countryName->setReadOnly(true);
    ui->flagFile->setReadOnly(true);
    ui->countryList->setEnabled(true);
    ui->okButton->setText(tr("OK"));
    ui->addButton->setEnabled(true);
    ui->modifyButton->setEnabled(true);
    ui->removeButton->setEnabled(true);
    ui->browseButton->setEnabled(false);
    adding = 0;
    modifying = 0;
}

void CDialogSelectCountry::OnAdd()
{
    adding = 1;
    ui->countryName->clear();
    ui->flagFile->clear();
    SelectedCountryId = 0;
    StartEditing();
}

void CDialogSelectCountry::OnModify()
{
    if (SelectedCountryId == 0)
        return;
    modifying = 1;
    StartEditing();
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
        if (modifying != 0 && item->data(Qt::UserRole).toInt() == SelectedCountryId)
            continue;
        if (item->text() == name)
            return true;
    }
    return false;
}

void CDialogSelectCountry::accept()
{
    if (CurrentState() == Browsing)
    {
        // OK or Enter with no row chosen keeps the opener's choice.
        if (ui->countryList->selectedItems().isEmpty())
        {
            QDialog::reject();
            return;
        }
        TakeMarkedRow();
        QDialog::accept();
        return;
    }
    const QString name = ui->countryName->text();
    if (name.isEmpty())
    {
        ShowMessage(IDS_COUNTRY_NEEDS_NAME);
        return;
    }
    // Names stay unique on renaming too: two rows of one name could not be
    // told apart in the lists.
    if (NameIsTaken(name))
    {
        ShowMessage(IDS_COUNTRY_EXISTS);
        return;
    }
    CountryValues v;
    v.name = ToUtf8(name);
    v.flag = ToUtf8(ui->flagFile->text());
    std::string sql;
    if (CurrentState() == Adding)
    {
        long id = 0;
        if (NextUserIdentifier(CatalogueSql::C6, id) && FormatCountryInsert(id, v, sql))
            RunCatalogueStatement(sql);
        FillList();
        EndEditing();
        int last = 0;
        CCxAdo ado;
        if (OpenCatalogue(ado) && ado.OpenRecordset(CatalogueSql::C4) == 1)
            ado.GetFieldLong("numLast", last);
        ado.CloseRecordset();
        ado.Disconnect();
        SelectRow(last);
        return;
    }
    if (FormatCountryUpdate(SelectedCountryId, v, sql))
        RunCatalogueStatement(sql);
    FillList();
    EndEditing();
    SelectRow(SelectedCountryId);
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

void CDialogSelectCountry::reject()
{
    if (CurrentState() == Browsing)
    {
        QDialog::reject();
        return;
    }
    EndEditing();
    TakeMarkedRow();
}
