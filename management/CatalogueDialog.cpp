#include "CatalogueDialog.h"

#include <QAbstractItemView>
#include <QItemSelection>
#include <QLineEdit>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

#include "CatalogueLookups.h"
#include "CatalogueStatements.h"
#include "Messages.h"

CCatalogueDialog::CCatalogueDialog(QWidget* parent) : QDialog(parent)
{
}

void CCatalogueDialog::SetUpFlow(QAbstractItemView* list, QPushButton* ok, std::vector<QWidget*> browsingOnly,
                                 std::vector<QWidget*> editingOnly, std::vector<QLineEdit*> propertyFields)
{
    rows = list;
    okButton = ok;
    browsing = std::move(browsingOnly);
    editing = std::move(editingOnly);
    fields = std::move(propertyFields);
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection&) { OnSelectionChanged(selected); });
    connect(list, &QAbstractItemView::doubleClicked, this, [this] { OnDoubleClicked(); });
}

void CCatalogueDialog::OpenFields()
{
    for (QLineEdit* field : fields)
        field->setReadOnly(false);
}

void CCatalogueDialog::CloseFields()
{
    for (QLineEdit* field : fields)
        field->setReadOnly(true);
}

void CCatalogueDialog::AfterSave()
{
    RefillList();
    EndEditing();
    SelectRow(SelectedId());
}

void CCatalogueDialog::AfterCancel()
{
    EndEditing();
    SelectRow(SelectedId());
}

void CCatalogueDialog::AfterDelete()
{
    SelectRow(SelectedId());
}

void CCatalogueDialog::StartEditing(State newState)
{
    state = newState;
    for (QWidget* w : editing)
        w->setEnabled(true);
    for (QWidget* w : browsing)
        w->setEnabled(false);
    OpenFields();
    okButton->setText(tr("&Save"));
}

void CCatalogueDialog::ModifySelected(QWidget* firstField)
{
    if (SelectedId() == 0)
        return;
    StartEditing(Modifying);
    firstField->setFocus();
}

void CCatalogueDialog::EndEditing()
{
    CloseFields();
    for (QWidget* w : editing)
        w->setEnabled(false);
    for (QWidget* w : browsing)
        w->setEnabled(true);
    okButton->setText(tr("OK"));
    state = Browsing;
}

void CCatalogueDialog::DeleteSelected(int questionId, const char* statement)
{
    if (SelectedId() == 0)
        return;
    if (!AskMessage(questionId))
        return;
    RunCatalogueStatement(FormatStatement(statement, SelectedId()));
    RefillList();
    AfterDelete();
}

int CCatalogueDialog::RowId(int row) const
{
    if (row < 0 || row >= rows->model()->rowCount())
        return 0;
    return rows->model()->index(row, 0).data(Qt::UserRole).toInt();
}

bool CCatalogueDialog::RowChosen() const
{
    return rows->selectionModel()->hasSelection();
}

void CCatalogueDialog::SelectRow(int id)
{
    rows->setFocus();
    const QAbstractItemModel* model = rows->model();
    int match = -1;
    for (int row = 0; row < model->rowCount() && match < 0; ++row)
        if (RowId(row) == id)
            match = row;
    if (match < 0)
        rows->clearSelection();
    else
    {
        const QModelIndex index = model->index(match, 0);
        rows->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
        rows->scrollTo(index);
    }
    ShowSelected();
}

void CCatalogueDialog::TakeMarkedRow()
{
    SetSelectedId(RowId(mark));
    ShowSelected();
}

void CCatalogueDialog::OnSelectionChanged(const QItemSelection& selected)
{
    for (const QModelIndex& index : selected.indexes())
    {
        if (index.column() != 0)
            continue;
        mark = index.row();
        const int id = index.data(Qt::UserRole).toInt();
        if (id != 0)
        {
            SetSelectedId(id);
            ShowSelected();
        }
    }
}

void CCatalogueDialog::OnDoubleClicked()
{
    if (state != Browsing)
        return;
    TakeMarkedRow();
    if (SelectedId() != 0 || zeroRowIsAChoice)
        QDialog::accept();
}

void CCatalogueDialog::accept()
{
    if (state == Browsing)
    {
        if (!RowChosen())
        {
            QDialog::reject();
            return;
        }
        TakeMarkedRow();
        QDialog::accept();
        return;
    }
    if (SaveEdited())
        AfterSave();
}

void CCatalogueDialog::reject()
{
    if (state == Browsing)
    {
        QDialog::reject();
        return;
    }
    AfterCancel();
}

void SetUpSelectionList(QTreeWidget* list, const QStringList& headers)
{
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setHeaderLabels(headers);
    list->header()->setSectionsClickable(false);
    list->header()->setStretchLastSection(false);
}

void SetFlowIcons(QPushButton* add, QPushButton* modify, QPushButton* remove, QPushButton* ok, QPushButton* cancel)
{
    const std::pair<QPushButton*, QStyle::StandardPixmap> icons[] = {
        {add, QStyle::SP_FileDialogNewFolder}, {modify, QStyle::SP_FileDialogDetailedView},
        {remove, QStyle::SP_TrashIcon},        {ok, QStyle::SP_DialogOkButton},
        {cancel, QStyle::SP_DialogCancelButton},
    };
    for (const auto& [button, pixmap] : icons)
        if (button != nullptr)
            button->setIcon(button->style()->standardIcon(pixmap));
}

void ChooseWithName(const std::function<bool(int&)>& chooser, int& id, void (*lookup)(int, CCxString&),
                    QLineEdit* nameField)
{
    int chosen = id;
    if (!chooser || !chooser(chosen))
        return;
    id = chosen;
    CCxString name;
    lookup(id, name);
    nameField->setText(QString::fromStdString(name.str()));
}
