#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "CatalogueDialog.h"

#include "FlagIconList.h"

struct CCountryImages;
class QLineEdit;

namespace Ui {
class CDialogSelectGrid;
}
class CLinkSummary;

// Chooses a map grid for a conversion and keeps the grids of the catalogue:
// a list of every grid (filtered by country and datum, sorted by a header
// click), the fields of the grid shown, and Add, Modify and Delete. A caller
// sets SelectedGridId to the grid to preselect, runs the dialog and, when it
// ends with OK, takes SelectedGridId and SelectedDatumId.
class CDialogSelectGrid : public CCatalogueDialog
{
    Q_OBJECT
public:
    int& SelectedGridId = selectedId;
    int SelectedDatumId = 0;

    explicit CDialogSelectGrid(CCountryImages& app, QWidget* parent = nullptr);
    ~CDialogSelectGrid() override;

    static constexpr const char* kGridsPage = "https://www.veltrix.example/resources/grids";
    // A new grid's projection: Transverse Mercator.
    static constexpr int kDefaultProjection = 9807;

    // The sorted header as the list statement numbers its orders: 2 the
    // country, 1 the EPSG code, 3 the name; direction 1 ascending, 0
    // descending.
    int SortColumn() const;
    int SortDirection() const { return SortedAscending() ? 1 : 0; }
    int CountryFilter() const { return countryFilter; }
    int DatumFilter() const { return datumFilter; }
    int ProjectionId() const { return projectionId; }
    int UnitId() const { return unitId; }

protected:
    // The grids by the filters and the sort column.
    void RefillList() override;
    void ClearForAdding() override;
    void OpenFields() override { ApplyEditableFields(); }
    void ShowSelected() override;
    bool StoreRow(int& id, std::string& message) override;

private:
    // The selected row's transformation, accuracy and area of use.
    CLinkSummary* linkSummary = nullptr;
    // The nested dialogs of the Select buttons, given the current
    // identifier; true with the chosen one.
    bool ChooseCountry(int& id);
    bool ChooseDatum(int& id, bool filterMode);
    std::unique_ptr<Ui::CDialogSelectGrid> ui;
    CCountryImages& app;
    CFlagIconList flags;
    int countryId = 0;
    int projectionId = 0;
    int unitId = 0;
    int countryFilter = 0;
    int datumFilter = 0;

    void FillUnitList();
    void FillProjectionList();
    void SetVariableLabels();
    void ApplyEditableFields();
    bool CheckParallels();
    bool Check();
    // Keeps a filter in the profile, shows its name and lists the grids anew.
    void SetFilter(int& filter, int id, const char* preference, void (*lookup)(int, CCxString&), QLineEdit* name);

    void OnProjectionChosen(int index);
};
