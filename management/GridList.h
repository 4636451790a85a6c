#pragma once

#include <QTreeWidget>

// The grid dialog's list: report rows whose cell backgrounds alternate by
// row index between a pale rose (even rows) and a pale blue (odd rows).
class CGridList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit CGridList(QWidget* parent = nullptr);

    static QColor RowColour(int row);

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
