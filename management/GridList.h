#pragma once

#include <QTreeView>

// The grid dialog's list: report rows whose backgrounds alternate by their
// place on screen between a pale rose (even rows) and a pale blue (odd
// rows), so a narrowed list alternates as well.
class CGridList : public QTreeView
{
    Q_OBJECT
public:
    explicit CGridList(QWidget* parent = nullptr);

    static QColor RowColour(int row);
};
