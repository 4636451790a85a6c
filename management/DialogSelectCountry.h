#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "CatalogueDialog.h"

#include "FlagIconList.h"

struct CCountryImages;

namespace Ui {
class CDialogSelectCountry;
}

// Chooses a country or region for a grid (or the grid list's filter) and
// keeps the countries of the catalogue with their flags. The list starts with
// " All Countries", which stands for country 0. A caller sets
// SelectedCountryId to preselect, runs the dialog and on OK takes it.
class CDialogSelectCountry : public CCatalogueDialog
{
    Q_OBJECT
public:
    explicit CDialogSelectCountry(CCountryImages& app, QWidget* parent = nullptr);
    ~CDialogSelectCountry() override;

    int& SelectedCountryId = selectedId;

protected:
    void RefillList() override;
    void ShowSelected() override;
    void ClearForAdding() override;
    // Unique names, checked against the list.
    bool StoreRow(int& id, std::string& message) override;
    // A country that grids still name stays.
    bool MayDelete() override;

private:
    std::unique_ptr<Ui::CDialogSelectCountry> ui;
    CCountryImages& app;
    CFlagIconList flags;

    bool Check();
    bool NameIsTaken(const QString& name) const;
    void OnBrowse();
};
