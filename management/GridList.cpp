#include "GridList.h"

#include <QPainter>

CGridList::CGridList(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    // Rows of one height let the view skip measuring thousands of rows.
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
}

QColor CGridList::RowColour(int row)
{
    return row % 2 == 0 ? QColor(253, 241, 249) : QColor(196, 238, 254);
}

void CGridList::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->fillRect(option.rect, RowColour(index.row()));
    QTreeWidget::drawRow(painter, option, index);
}
