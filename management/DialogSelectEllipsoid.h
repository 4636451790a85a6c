#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

class QItemSelection;

namespace Ui {
class CDialogSelectEllipsoid;
}

// Chooses an ellipsoid for a datum and keeps the ellipsoids of the
// catalogue: the list by name, the name, semi-major axis and inverse
// flattening of the one shown, and Add, Modify and Delete. A caller sets
// SelectedEllipsoidId to preselect, runs the dialog and on OK takes it.
class CDialogSelectEllipsoid : public QDialog
{
    Q_OBJECT
public:
    explicit CDialogSelectEllipsoid(QWidget* parent = nullptr);
    ~CDialogSelectEllipsoid() override;

    int SelectedEllipsoidId = 0;
    std::function<void(const QString& url)> openUrl;

    static constexpr const char* kEllipsoidsPage = "https://www.veltrix.example/resources/ellipsoids";

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
    std::unique_ptr<Ui::CDialogSelectEllipsoid> ui;
    int adding = 0;
    int modifying = 0;
    bool opened = false;
    // The list's selection mark: the row last selected or set, which OK and
    // double-click take (-1: none). Focus alone never sets it.
    int mark = -1;

    void FillList();
    void ShowEllipsoid();
    void SelectRow(int id);
    void TakeMarkedRow();
    void StartEditing();
    void EndEditing();
    bool Validate();

    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void OnDoubleClicked();
    void OnAdd();
    void OnModify();
    void OnDelete();
};
