#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class CDialogSelectMeridian;
}

// Chooses a prime meridian for a datum from the catalogue's list; prime
// meridians are not edited. A caller sets SelectedMeridianId to preselect,
// runs the dialog and on OK takes it. OK with no row marked keeps the
// dialog open.
class CDialogSelectMeridian : public QDialog
{
    Q_OBJECT
public:
    explicit CDialogSelectMeridian(QWidget* parent = nullptr);
    ~CDialogSelectMeridian() override;

    int SelectedMeridianId = 0;

    // A longitude as the list shows it: 002°30' 00.00" E.
    static QString FormatLongitude(double longitude);

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::CDialogSelectMeridian> ui;
    bool opened = false;
    // The list's selection mark: the row last selected or set, which OK and
    // double-click take (-1: none). Focus alone never sets it.
    int mark = -1;

    void FillList();
};
