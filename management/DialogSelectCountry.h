#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "FlagIconList.h"

struct CCountryImages;
class QItemSelection;

namespace Ui {
class CDialogSelectCountry;
}

// Chooses a country or region for a grid (or the grid list's filter) and
// keeps the countries of the catalogue with their flags. The list starts with
// " All Countries", which stands for country 0. A caller sets
// SelectedCountryId to preselect, runs the dialog and on OK takes it.
class CDialogSelectCountry : public QDialog
{
    Q_OBJECT
public:
    explicit CDialogSelectCountry(CCountryImages& app, QWidget* parent = nullptr);
    ~CDialogSelectCountry() override;

    int SelectedCountryId = 0;

    // Given the flag file to start on, the PNG file the user chose; empty
    // when cancelled. The default is the platform's file-open dialog.
    std::function<QString(const QString& startPath)> chooseFlagFile;

    enum State
    {
        Browsing,
        Adding,
        Modifying
    };
    State CurrentState() const;

public slots:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::CDialogSelectCountry> ui;
    CCountryImages& app;
    CFlagIconList flags;
    int adding = 0;
    int modifying = 0;
    bool opened = false;
    // The list's selection mark: the row last selected or set, which OK and
    // double-click take (-1: none). Focus alone never sets it.
    int mark = -1;

    void FillList();
    void ShowCountry();
    void SelectRow(int id);
    void TakeMarkedRow();
    void StartEditing();
    void EndEditing();
    bool NameIsTaken(const QString& name) const;

    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void OnDoubleClicked();
    void OnAdd();
    void OnModify();
    void OnRemove();
    void OnBrowse();
};
