#include "Choosers.h"

#include "DialogSelectDatum.h"
#include "DialogSelectGrid.h"

bool ChooseGridInDialog(CCountryImages& images, QWidget* parent, int& gridId, int& datumId)
{
    CDialogSelectGrid dialog(images, parent);
    dialog.SelectedGridId = gridId;
    if (dialog.exec() != QDialog::Accepted || dialog.SelectedGridId == 0)
        return false;
    gridId = dialog.SelectedGridId;
    datumId = dialog.SelectedDatumId;
    return true;
}

bool ChooseDatumInDialog(QWidget* parent, int& datumId)
{
    CDialogSelectDatum dialog(parent);
    dialog.SelectedDatumId = datumId;
    if (dialog.exec() != QDialog::Accepted || dialog.SelectedDatumId == 0)
        return false;
    datumId = dialog.SelectedDatumId;
    return true;
}
