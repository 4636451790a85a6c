#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "FlagIconList.h"

struct CCountryImages;
class QItemSelection;
class QLineEdit;

namespace Ui {
class CDialogSelectGrid;
}

// Chooses a map grid for a conversion and keeps the grids of the catalogue:
// a list of every grid (filtered by country and datum, sorted by a header
// click), the fields of the grid shown, and Add, Modify and Delete. A caller
// sets SelectedGridId to the grid to preselect, runs the dialog and, when it
// ends with OK, takes SelectedGridId and SelectedDatumId.
class CDialogSelectGrid : public QDialog
{
    Q_OBJECT
public:
    explicit CDialogSelectGrid(CCountryImages& app, QWidget* parent = nullptr);
    ~CDialogSelectGrid() override;

    int SelectedGridId = 0;
    int SelectedDatumId = 0;

    // The choosers of the Select buttons, given the current identifier; true
    // with the chosen one. The defaults run the country and datum dialogs;
    // tests replace them so no nested modal dialog blocks.
    std::function<bool(int& countryId)> chooseCountry;
    std::function<bool(int& datumId, bool filterMode)> chooseDatum;
    // Opens the link button's address; the default hands it to the desktop.
    std::function<void(const QString& url)> openUrl;

    static constexpr const char* kGridsPage = "https://www.veltrix.example/resources/grids";
    // A new grid's projection: Transverse Mercator.
    static constexpr int kDefaultProjection = 9807;

    enum State
    {
        Browsing,
        Adding,
        Modifying
    };
    State CurrentState() const;
    int SortColumn() const { return sortColumn; }
    int SortDirection() const { return sortDirection; }
    int CountryFilter() const { return countryFilter; }
    int DatumFilter() const { return datumFilter; }
    int CountryId() const { return countryId; }
    int ProjectionId() const { return projectionId; }
    int UnitId() const { return unitId; }

public slots:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::CDialogSelectGrid> ui;
    CCountryImages& app;
    CFlagIconList flags;
    int countryId = 0;
    int projectionId = 0;
    int unitId = 0;
    int sortColumn = 2;
    int sortDirection = 1;
    int countryFilter = 0;
    int datumFilter = 0;
    int adding = 0;
    int modifying = 0;
    bool columnsSized = false;
    // The list's selection mark: the row last selected or set, which OK and
    // double-click take (-1: none). Focus alone never sets it.
    int mark = -1;

    void FillUnitList();
    void FillProjectionList();
    void FillGridList();
    void ShowGrid();
    void SetVariableLabels();
    void SelectRow(int id);
    void TakeMarkedRow();
    void ApplyEditableFields();
    void StartEditing();
    void EndEditing();
    bool Validate();
    void TakeShownUnit();
    void Insert();
    void Update();

    void OnHeaderClicked(int column);
    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void OnDoubleClicked();
    void OnProjectionChosen(int index);
    void OnUnitChosen(int index);
    void OnAdd();
    void OnModify();
    void OnDelete();
    void OnSelectCountry();
    void OnSelectDatum();
    void OnSelectCountryFilter();
    void OnSelectDatumFilter();
    void OnResetCountryFilter();
    void OnResetDatumFilter();

    QLineEdit* NumberFields(int index) const;
};
