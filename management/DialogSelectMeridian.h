#pragma once

#include <QString>
#include <memory>

#include "CatalogueDialog.h"

namespace Ui {
class CDialogSelectMeridian;
}

// Chooses a prime meridian for a datum from the catalogue's list; prime
// meridians are not edited. A caller sets SelectedMeridianId to preselect,
// runs the dialog and on OK takes it. OK with no row marked keeps the
// dialog open.
class CDialogSelectMeridian : public CCatalogueDialog
{
    Q_OBJECT
public:
    explicit CDialogSelectMeridian(QWidget* parent = nullptr);
    ~CDialogSelectMeridian() override;
    int& SelectedMeridianId = selectedId;

    // A longitude as the list shows it: 002°30' 00.00" E.
    static QString FormatLongitude(double longitude);

protected:
    // Nothing beside the list shows the row.
    void ShowSelected() override {}
    void RefillList() override;

private:
    std::unique_ptr<Ui::CDialogSelectMeridian> ui;
};
