#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QSortFilterProxyModel>
#include <QStringList>
#include <vector>

// One row of a catalogue list: its identifier, the texts of its cells and
// the image shown before the first cell (a flag), if any.
struct CatalogueListRow
{
    int id = 0;
    QStringList cells;
    QIcon icon{};
};

// The rows of one catalogue table as a list shows them. The identifier is
// the Qt::UserRole data of every cell.
class CCatalogueModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    CCatalogueModel(const QStringList& headers, QObject* parent);

    // Replaces every row at once.
    void SetRows(std::vector<CatalogueListRow> rows);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList headers;
    std::vector<CatalogueListRow> rows;
};

// Search and order of a catalogue list: the rows whose name matches the
// search text (MatchesSearch), in natural order of the sorted column with
// the name as tie-break. The row of identifier 0 (" All Countries") stays
// first in either direction; the EPSG column orders by identifier, so the
// users' rows, which show no code, come after the shipped ones.
class CCatalogueProxy : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    // idColumn: the EPSG column, -1 for none.
    CCatalogueProxy(int nameColumn, int idColumn, QObject* parent);

    void SetSearch(const QString& text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    int nameColumn;
    int idColumn;
    QString search;
};
