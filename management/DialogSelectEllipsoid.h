#pragma once

#include <QString>
#include <functional>
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
    explicit CDialogSelectEllipsoid(QWidget* parent = nullptr);
    ~CDialogSelectEllipsoid() override;

    int SelectedEllipsoidId = 0;
    std::function<void(const QString& url)> openUrl;

    static constexpr const char* kEllipsoidsPage = "https://www.veltrix.example/resources/ellipsoids";

protected:
    void showEvent(QShowEvent* event) override;

    int SelectedId() const override { return SelectedEllipsoidId; }
    void SetSelectedId(int id) override { SelectedEllipsoidId = id; }
    void ShowSelected() override;
    void RefillList() override;
    bool SaveEdited() override;

private:
    std::unique_ptr<Ui::CDialogSelectEllipsoid> ui;
    bool opened = false;

    bool Validate();
    void OnAdd();
};
