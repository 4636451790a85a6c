#include "LinkSummary.h"

#include <QStringList>

#include "DatumLink.h"

CLinkSummary::CLinkSummary(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("linkSummary"));
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void CLinkSummary::Show(int datumId, int gridId)
{
    clear();
    CDatumLink link;
    if (datumId == 0 || !LoadDatumLink(datumId, link))
        return;
    QStringList lines;
    lines << tr("Transformation to WGS 84: %1").arg(QString::fromStdString(link.Describe()));
    lines << tr("Accuracy: %1")
                 .arg(link.Unusable()  ? tr("unknown (no usable transformation)")
                      : link.accuracy ? QString::fromStdString(FormatAccuracy(*link.accuracy))
                                      : tr("unknown"));
    CAreaOfUse area;
    if (LoadAreaOfUse(gridId != 0 ? 1 : 0, gridId != 0 ? gridId : datumId, area))
        lines << tr("Area of use: %1 (%2° to %3° N, %4° to %5° E)")
                     .arg(QString::fromStdString(area.name))
                     .arg(area.south)
                     .arg(area.north)
                     .arg(area.west)
                     .arg(area.east);
    setText(lines.join(QLatin1Char('\n')));
}
