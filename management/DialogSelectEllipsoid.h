#pragma once

#include <memory>

#include "CatalogueDialog.h"

namespace Ui {
class CDialogSelectEllipsoid;
}

// Chooses an ellipsoid for a datum and keeps the ellipsoids of the
// catalogue: the list by name, the name, semi-major axis and inverse
// flattening of the one shown, and Add, Modify and Delete. A caller sets
// SelectedEllipsoidId to preselect, runs the dialog and on OK takes it.
class CDialogSelectEllipsoid : public CCatalogueDialog
{
    Q_OBJECT
public:
    int& SelectedEllipsoidId = selectedId;

    explicit CDialogSelectEllipsoid(QWidget* parent = nullptr);
    ~CDialogSelectEllipsoid() override;

    static constexpr const char* kEllipsoidsPage = "https://www.veltrix.example/resources/ellipsoids";

protected:
    void RefillList() override;
    // The name, axis and flattening of the row, or empty fields for a new one.
    void ShowSelected() override;
    void ClearForAdding() override;
    bool StoreRow(int& id, std::string& message) override;

private:
    std::unique_ptr<Ui::CDialogSelectEllipsoid> ui;

    bool Check();
};
