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

    int SelectedCountryId = 0;

    // Given the flag file to start on, the PNG file the user chose; empty
    // when cancelled. The default is the platform's file-open dialog.
    std::function<QString(const QString& startPath)> chooseFlagFile;

protected:
    void showEvent(QShowEvent* event) override;

    int SelectedId() const override { return SelectedCountryId; }
    void SetSelectedId(int id) override { SelectedCountryId = id; }
    void ShowSelected() override { ShowCountry(); }
    void RefillList() override { FillList(); }
    bool SaveEdited() override;
    void OpenFields() override;
    void AfterSave() override;
    void AfterCancel() override;

private:
    std::unique_ptr<Ui::CDialogSelectCountry> ui;
    CCountryImages& app;
    CFlagIconList flags;
    bool opened = false;
    // Whether the row just saved is a new one, which is then found by C4.
    bool savedNew = false;

    void FillList();
    void ShowCountry();
    bool NameIsTaken(const QString& name) const;

    void OnAdd();
    void OnRemove();
    void OnBrowse();
};
