#include "Choosers.h"

#include "DialogSelectDatum.h"
#include "DialogSelectGrid.h"

bool ChooseGridInDialog(CCountryImages& images, QWidget* parent, int& gridId, int& datumId)
{
    CDialogSelectGrid dialog(images, parent);
    int chosen = gridId;
    if (!dialog.Choose(chosen) || chosen == 0)
        return false;
    gridId = dialog.SelectedGridId;
    datumId = dialog.SelectedDatumId;
    return true;
}

bool ChooseDatumInDialog(QWidget* parent, int& datumId)
{
    CDialogSelectDatum dialog(parent);
    int chosen = datumId;
    if (!dialog.Choose(chosen) || chosen == 0)
        return false;
    datumId = dialog.SelectedDatumId;
    return true;
}
