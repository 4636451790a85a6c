#include "CatalogueDialog.h"

#include <QAbstractItemView>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QHeaderView>
#include <QItemSelection>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeView>
#include <algorithm>

#include "CatalogueModel.h"
#include "CatalogueRows.h"
#include "DialogText.h"
#include "ListSearch.h"
#include "Messages.h"
#include "OpenAddress.h"

using namespace DialogText;

CCatalogueDialog::CCatalogueDialog(QWidget* parent) : QDialog(parent) {}

bool CCatalogueDialog::Choose(int& id)
{
    choosing = true;
    selectedId = id;
    if (exec() != QDialog::Accepted)
        return false;
    id = selectedId;
    return true;
}

namespace {

// A label's or button's text as a name: "S&elect..." is "Select".
QString PlainName(QString text)
{
    return text.remove(QLatin1Char('&')).remove(QLatin1String("...")).remove(QLatin1Char(':')).trimmed();
}

void NameLabelledRows(QWidget* dialog)
{
    // Label, field, buttons: the label names the field (its buddy) and, with
    // their own texts, the buttons of its row ("Datum: Select").
    for (QGridLayout* grid : dialog->findChildren<QGridLayout*>())
        for (int row = 0; row < grid->rowCount(); ++row)
        {
            QLayoutItem* first = grid->itemAtPosition(row, 0);
            auto* label = first != nullptr ? qobject_cast<QLabel*>(first->widget()) : nullptr;
            if (label == nullptr)
                continue;
            for (int column = 1; column < grid->columnCount(); ++column)
            {
                QLayoutItem* item = grid->itemAtPosition(row, column);
                QWidget* w = item != nullptr ? item->widget() : nullptr;
                if (w == nullptr || qobject_cast<QLabel*>(w) != nullptr)
                    continue;
                if (auto* button = qobject_cast<QAbstractButton*>(w))
                    button->setAccessibleName(PlainName(label->text()) + QStringLiteral(": ") +
                                              PlainName(button->text()));
                else if (label->buddy() == nullptr)
                    label->setBuddy(w);
            }
        }
}

} // namespace

void CCatalogueDialog::SetUpModel()
{
    rows = new CCatalogueModel(flow.headers, this);
    proxy = new CCatalogueProxy(flow.searchColumn, flow.idColumn, this);
    proxy->setSourceModel(rows);
    QAbstractItemView* list = flow.list;
    list->setModel(proxy);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The proxy's rows are the rows on screen, so the colours alternate
    // after a search too.
    list->setAlternatingRowColors(true);
    const int sortColumn = flow.sortColumn >= 0 ? flow.sortColumn : flow.searchColumn;
    if (auto* tree = qobject_cast<QTreeView*>(list))
    {
        tree->setRootIsDecorated(false);
        tree->setItemsExpandable(false);
        // Rows of one height let the view skip measuring thousands of rows.
        tree->setUniformRowHeights(true);
        tree->setAllColumnsShowFocus(true);
        tree->header()->setStretchLastSection(true);
        tree->header()->setSortIndicator(sortColumn, Qt::AscendingOrder);
        tree->setSortingEnabled(true);
    }
    else
        proxy->sort(sortColumn, Qt::AscendingOrder);
}

void CCatalogueDialog::SetUpFlow(const Flow& widgets)
{
    flow = widgets;
    SetUpModel();
    NameLabelledRows(this);
    // The search field and the list are named after the list's group.
    if (auto* group = qobject_cast<QGroupBox*>(widgets.list->parentWidget()))
    {
        widgets.list->setAccessibleName(PlainName(group->title()));
        widgets.search->setAccessibleName(tr("Search %1").arg(PlainName(group->title())));
    }
    QAbstractItemView* list = flow.list;
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection&) { OnSelectionChanged(selected); });
    connect(list, &QAbstractItemView::doubleClicked, this, [this] { OnDoubleClicked(); });
    connect(flow.search, &QLineEdit::textChanged, this, [this] { NarrowToSearch(); });

    const std::pair<QPushButton*, QStyle::StandardPixmap> icons[] = {
        {flow.add, QStyle::SP_FileDialogNewFolder}, {flow.modify, QStyle::SP_FileDialogDetailedView},
        {flow.remove, QStyle::SP_TrashIcon},        {flow.ok, QStyle::SP_DialogOkButton},
        {flow.cancel, QStyle::SP_DialogCancelButton},
    };
    for (const auto& [button, pixmap] : icons)
        if (button != nullptr)
            button->setIcon(button->style()->standardIcon(pixmap));
    connect(flow.ok, &QPushButton::clicked, this, &CCatalogueDialog::accept);
    connect(flow.cancel, &QPushButton::clicked, this, &CCatalogueDialog::reject);
    if (flow.link != nullptr)
    {
        flow.link->setToolTip(QString::fromLatin1(flow.address));
        connect(flow.link, &QPushButton::clicked, this,
                [this] { OpenAddress(QString::fromLatin1(flow.address), flow.addressPurpose); });
    }
    // A list that is only browsed stops here.
    if (flow.add == nullptr)
        return;
    connect(flow.add, &QPushButton::clicked, this, &CCatalogueDialog::OnAdd);
    connect(flow.modify, &QPushButton::clicked, this, &CCatalogueDialog::OnModify);
    connect(flow.remove, &QPushButton::clicked, this, &CCatalogueDialog::OnDelete);
    EndEditing();
}

void CCatalogueDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (shown)
        return;
    shown = true;
    if (auto* tree = qobject_cast<QTreeView*>(flow.list))
    {
        // Each header keeps room for its text and the sort arrow; the last
        // column takes what is left, so the list never scrolls sideways.
        const double width = tree->width() - flow.reservedWidth;
        for (std::size_t column = 0; column + 1 < flow.columnShares.size(); ++column)
        {
            const int c = static_cast<int>(column);
            tree->setColumnWidth(c, std::max(static_cast<int>(width * flow.columnShares[column]),
                                             tree->header()->sectionSizeHint(c)));
        }
    }
    // The caller's row is set only after construction.
    if (selectedId != 0)
        SelectRow(selectedId);
    if (flow.focusList)
        flow.list->setFocus();
    FirstShown();
}

bool CCatalogueDialog::Refused(int messageId)
{
    ShowMessage(messageId);
    return false;
}

bool CCatalogueDialog::StoreRow(int& /*id*/, std::string& message)
{
    message = "This list is not edited here.";
    return false;
}

void CCatalogueDialog::OpenFields()
{
    for (QLineEdit* field : flow.fields)
        field->setReadOnly(false);
}

void CCatalogueDialog::CloseFields()
{
    for (QLineEdit* field : flow.fields)
        field->setReadOnly(true);
}

void CCatalogueDialog::StartEditing(State newState)
{
    state = newState;
    for (QWidget* w : flow.editingOnly)
        w->setEnabled(true);
    for (QWidget* w : {static_cast<QWidget*>(flow.add), static_cast<QWidget*>(flow.modify),
                       static_cast<QWidget*>(flow.remove), static_cast<QWidget*>(flow.list)})
        w->setEnabled(false);
    OpenFields();
    flow.ok->setText(tr("&Save"));
}

void CCatalogueDialog::EndEditing()
{
    CloseFields();
    for (QWidget* w : flow.editingOnly)
        w->setEnabled(false);
    for (QWidget* w : {static_cast<QWidget*>(flow.add), static_cast<QWidget*>(flow.modify),
                       static_cast<QWidget*>(flow.remove), static_cast<QWidget*>(flow.list)})
        w->setEnabled(true);
    flow.ok->setText(tr("OK"));
    state = Browsing;
}

void CCatalogueDialog::OnAdd()
{
    ClearForAdding();
    StartEditing(Adding);
    flow.addFocus->setFocus();
}

void CCatalogueDialog::OnModify()
{
    if (selectedId == 0)
        return;
    StartEditing(Modifying);
    flow.modifyFocus->setFocus();
}

void CCatalogueDialog::OnDelete()
{
    if (!MayDelete() || selectedId == 0 || InUse())
        return;
    if (!AskMessage(flow.deleteQuestion))
        return;
    flow.deleteRow(selectedId);
    RefillList();
    ShowAgain();
}

bool CCatalogueDialog::InUse()
{
    if (flow.countUsers == nullptr)
        return false;
    const int users = flow.countUsers(selectedId);
    if (users == 0)
        return false;
    std::string who;
    if (users < 0)
        who = "rows that cannot be counted now may use";
    else
        who = std::to_string(users) + " " + flow.userNoun + (users == 1 ? " uses" : "s use");
    std::string text = LoadMessage(flow.inUseMessage);
    const std::size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, who);
    MessagePresenter().Show(flow.inUseMessage, text);
    return true;
}

void CCatalogueDialog::AfterSave()
{
    RefillList();
    EndEditing();
    SelectRow(selectedId);
    if (takeMarkAfterEditing)
        TakeMarkedRow();
}

void CCatalogueDialog::ShowAgain()
{
    if (takeMarkAfterEditing)
        TakeMarkedRow();
    else
        SelectRow(selectedId);
}

int CCatalogueDialog::RowId(int row) const
{
    const QAbstractItemModel* model = flow.list->model();
    if (row < 0 || row >= model->rowCount())
        return 0;
    return model->index(row, 0).data(Qt::UserRole).toInt();
}

void CCatalogueDialog::SelectSingleVisibleRow()
{
    if (proxy->rowCount() == 1 && RowId(0) != 0)
        flow.list->setCurrentIndex(proxy->index(0, 0));
}

bool CCatalogueDialog::RowChosen() const
{
    return flow.list->selectionModel()->hasSelection();
}

void CCatalogueDialog::SelectRow(int id)
{
    QAbstractItemView* list = flow.list;
    list->setFocus();
    int match = -1;
    for (int row = 0; row < proxy->rowCount() && match < 0; ++row)
        if (RowId(row) == id)
            match = row;
    if (match < 0)
        list->clearSelection();
    else
    {
        const QModelIndex index = proxy->index(match, 0);
        list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
        list->scrollTo(index);
    }
    ShowSelected();
}

void CCatalogueDialog::TakeMarkedRow()
{
    selectedId = mark.isValid() ? mark.data(Qt::UserRole).toInt() : 0;
    ShowSelected();
}

void CCatalogueDialog::NarrowToSearch()
{
    if (flow.search == nullptr)
        return;
    proxy->SetSearch(flow.search->text());
    // The narrowed list starts at its top, or shows the chosen row if the
    // search kept it.
    const QModelIndexList chosen = flow.list->selectionModel()->selectedRows();
    if (chosen.isEmpty())
        flow.list->scrollToTop();
    else
        flow.list->scrollTo(chosen.front());
}

void CCatalogueDialog::ShowRows(std::vector<CatalogueListRow> newRows)
{
    rows->SetRows(std::move(newRows));
}

void CCatalogueDialog::ShowNamedRows(std::vector<NamedRow> named, const QString& zeroRowName)
{
    std::vector<CatalogueListRow> list;
    list.reserve(named.size() + 1);
    if (!zeroRowName.isEmpty())
        list.push_back({0, {QString(), zeroRowName}});
    for (const NamedRow& row : named)
        list.push_back({static_cast<int>(row.id), {EpsgCell(row.id), FromUtf8(row.name)}});
    ShowRows(std::move(list));
}

int CCatalogueDialog::SortedColumn() const
{
    return proxy->sortColumn();
}

bool CCatalogueDialog::SortedAscending() const
{
    return proxy->sortOrder() == Qt::AscendingOrder;
}

void CCatalogueDialog::OnSelectionChanged(const QItemSelection& selected)
{
    for (const QModelIndex& index : selected.indexes())
    {
        if (index.column() != 0)
            continue;
        mark = index;
        const int id = index.data(Qt::UserRole).toInt();
        if (id != 0)
        {
            selectedId = id;
            ShowSelected();
        }
    }
}

void CCatalogueDialog::OnDoubleClicked()
{
    if (state != Browsing)
        return;
    TakeMarkedRow();
    if (selectedId != 0 || zeroRowIsAChoice)
        QDialog::accept();
}

void CCatalogueDialog::accept()
{
    if (state == Browsing)
    {
        // A search down to one row has chosen it (Enter in the search field ends here too).
        if (!RowChosen())
            SelectSingleVisibleRow();
        if (!RowChosen())
        {
            // Choosing for the window: closing as OK would look like a choice.
            if (choosing)
                ShowMessage(IDS_NO_ROW_CHOSEN);
            else if (!okNeedsRow)
                QDialog::reject();
            return;
        }
        TakeMarkedRow();
        QDialog::accept();
        return;
    }
    int id = state == Adding ? 0 : selectedId;
    std::string message;
    // A refused row is still on screen to correct or cancel.
    if (!StoreRow(id, message))
    {
        if (!message.empty())
            ShowMessageText(message);
        return;
    }
    selectedId = id;
    AfterSave();
}

void CCatalogueDialog::reject()
{
    if (state == Browsing)
    {
        QDialog::reject();
        return;
    }
    EndEditing();
    ShowAgain();
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

bool CheckNumberFields(std::initializer_list<std::pair<QLineEdit*, int>> checks, bool focus)
{
    for (const auto& [field, message] : checks)
    {
        if (!IsNumberText(field->text()))
        {
            ShowMessage(message);
            if (focus)
                field->setFocus();
            return false;
        }
    }
    return true;
}

bool CheckNumberDomains(std::initializer_list<NumberDomain> domains)
{
    for (const NumberDomain& d : domains)
    {
        // A field the row's kind does not use keeps what it holds.
        if (d.field->isReadOnly())
            continue;
        const double value = LeadingNumber(QString::fromStdString(NumberLiteral(d.field->text())));
        if (d.holds(value))
            continue;
        ShowMessageText(LoadMessage(d.message) + " " + d.rule);
        d.field->setFocus();
        return false;
    }
    return true;
}

namespace domain {
bool Positive(double v)
{
    return v > 0;
}
bool Latitude(double v)
{
    return v >= -90 && v <= 90;
}
bool Longitude(double v)
{
    return v >= -360 && v <= 360;
}
bool InverseFlattening(double v)
{
    return v == 0 || v > 1;
}
} // namespace domain

void ShowNumbers(std::initializer_list<ShownNumber> numbers)
{
    for (const ShownNumber& shown : numbers)
        shown.field->setText(Number(shown.format, shown.value));
}

void TakeNumbers(std::initializer_list<std::pair<std::string*, const QLineEdit*>> numbers)
{
    for (const auto& [literal, field] : numbers)
        *literal = NumberLiteral(field->text());
}
