#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "CatalogueDialog.h"

class QLineEdit;

namespace Ui {
class CDialogSelectDatum;
}
class CLinkSummary;
class CDatumAccuracyFields;

// Chooses a geodetic datum and keeps the datums of the catalogue: the list
// by name, the datum's ellipsoid, prime meridian and transformation to
// WGS 84, and Add, Modify and Delete. In filter mode the list starts with
// " Show all datums", which stands for datum 0. A caller sets
// SelectedDatumId to preselect, runs the dialog and on OK takes it.
class CDialogSelectDatum : public CCatalogueDialog
{
    Q_OBJECT
public:
    explicit CDialogSelectDatum(QWidget* parent = nullptr, int filterMode = 0);
    ~CDialogSelectDatum() override;

    int& SelectedDatumId = selectedId;
    int FilterMode() const { return filterMode; }

    int EllipsoidId() const { return ellipsoidId; }
    int MeridianId() const { return meridianId; }
    int Method() const { return method; }

    static constexpr const char* kDatumsPage = "https://www.veltrix.example/resources/datums";
    static constexpr int kGreenwich = 8901;

protected:
    void ShowSelected() override;
    void RefillList() override;
    bool StoreRow(int& id, std::string& message) override;
    // The method rule, once the caller's datum is shown.
    void FirstShown() override { ApplyMethodRule(true); }
    void ClearForAdding() override;
    void OpenFields() override;
    void CloseFields() override;

private:
    // The selected row's transformation, accuracy and area of use.
    CLinkSummary* linkSummary = nullptr;
    // The accuracy of a user's parameters, or that the datum coincides with WGS 84.
    CDatumAccuracyFields* accuracyFields = nullptr;
    // A user's row is being added or modified: its statement may be edited.
    bool editingUserRow = false;
    bool adding = false;
    std::unique_ptr<Ui::CDialogSelectDatum> ui;
    int filterMode = 0;
    int ellipsoidId = 0;
    int meridianId = 0;
    int method = 0;

    void ApplyMethodRule(bool resetFirst);
    bool Check();
    void OnSelectGridFile();
    // The nested dialogs of the Select buttons; true with the chosen identifier.
    bool ChooseEllipsoid(int& id);
    bool ChooseMeridian(int& id);
};
