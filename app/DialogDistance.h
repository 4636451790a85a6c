#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CDialogDistance;
}

// Shows two WGS 84 positions, the distance between them and the azimuths
// there and back.
class CDialogDistance : public QDialog
{
    Q_OBJECT
public:
    CDialogDistance(double fromLatitude, double fromLongitude, double toLatitude, double toLongitude,
                    QWidget* parent = nullptr);
    ~CDialogDistance() override;

private:
    std::unique_ptr<Ui::CDialogDistance> ui;
};
