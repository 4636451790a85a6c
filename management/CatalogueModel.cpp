#include "CatalogueModel.h"

#include "ListSearch.h"

CCatalogueModel::CCatalogueModel(const QStringList& headerTexts, QObject* parent)
    : QAbstractTableModel(parent), headers(headerTexts)
{
}

void CCatalogueModel::SetRows(std::vector<CatalogueListRow> newRows)
{
    beginResetModel();
    rows = std::move(newRows);
    endResetModel();
}

int CCatalogueModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

int CCatalogueModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(headers.size());
}

QVariant CCatalogueModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const CatalogueListRow& row = rows[static_cast<std::size_t>(index.row())];
    switch (role)
    {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: // the whole text of a cell cut short on screen
        return index.column() < row.cells.size() ? row.cells[index.column()] : QString();
    case Qt::UserRole:
        return row.id;
    case Qt::DecorationRole:
        return index.column() == 0 && !row.icon.isNull() ? QVariant(row.icon) : QVariant();
    default:
        return {};
    }
}

QVariant CCatalogueModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= headers.size())
        return {};
    return headers[section];
}

CCatalogueProxy::CCatalogueProxy(int name, int id, QObject* parent)
    : QSortFilterProxyModel(parent), nameColumn(name), idColumn(id)
{
}

void CCatalogueProxy::SetSearch(const QString& text)
{
    if (text == search)
        return;
    search = text;
    invalidateRowsFilter();
}

bool CCatalogueProxy::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    const QModelIndex name = sourceModel()->index(sourceRow, nameColumn, sourceParent);
    return MatchesSearch(name.data().toString(), name.data(Qt::UserRole).toInt(), search);
}

bool CCatalogueProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const int leftId = left.data(Qt::UserRole).toInt();
    const int rightId = right.data(Qt::UserRole).toInt();
    // The proxy reverses the comparison for a descending order; the row of
    // identifier 0 answers so that it comes first either way.
    const bool ascending = sortOrder() == Qt::AscendingOrder;
    if (leftId == 0 || rightId == 0)
        return leftId == rightId ? false : (leftId == 0) == ascending;
    if (left.column() == idColumn)
        return leftId < rightId;
    int c = NaturalCompare(left.data().toString(), right.data().toString());
    if (c == 0 && left.column() != nameColumn)
        c = NaturalCompare(left.siblingAtColumn(nameColumn).data().toString(),
                           right.siblingAtColumn(nameColumn).data().toString());
    return c < 0;
}
