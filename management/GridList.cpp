#include "GridList.h"

#include <QPalette>

CGridList::CGridList(QWidget* parent) : QTreeView(parent)
{
    QPalette colours = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    {
        colours.setColor(group, QPalette::Base, RowColour(0));
        colours.setColor(group, QPalette::AlternateBase, RowColour(1));
        // Dark text on the pale rows, whatever the desktop's scheme.
        if (group != QPalette::Disabled)
            colours.setColor(group, QPalette::Text, Qt::black);
    }
    setPalette(colours);
    setAlternatingRowColors(true);
}

QColor CGridList::RowColour(int row)
{
    return row % 2 == 0 ? QColor(253, 241, 249) : QColor(196, 238, 254);
}
