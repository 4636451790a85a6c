#pragma once

#include <QLabel>

// Under a catalogue dialog's fields: the selected datum's transformation to WGS 84, its accuracy
// and the area of use of the row, as the catalogue states them.
class CLinkSummary : public QLabel
{
public:
    explicit CLinkSummary(QWidget* parent);

    // A datum row (gridId 0) or a grid row on its datum; nothing for a row not in the catalogue.
    void Show(int datumId, int gridId = 0);
};
