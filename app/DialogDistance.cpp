#include "DialogDistance.h"

#include <QStyle>

#include "DistanceText.h"
#include "Geodesic.h"
#include "ui_DialogDistance.h"

CDialogDistance::CDialogDistance(double fromLatitude, double fromLongitude, double toLatitude, double toLongitude,
                                 QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::CDialogDistance>())
{
    ui->setupUi(this);
    setFixedSize(size());
    auto text = [](const std::string& s) { return QString::fromStdString(s); };
    ui->fromLatitude->setText(text(FormatLatitudeDms(fromLatitude)));
    ui->toLatitude->setText(text(FormatLatitudeDms(toLatitude)));
    ui->fromLongitude->setText(text(FormatLongitudeDms(fromLongitude)));
    ui->toLongitude->setText(text(FormatLongitudeDms(toLongitude)));
    const DistanceAndAzimuths result =
        ComputeDistanceAndAzimuths(fromLatitude, fromLongitude, toLatitude, toLongitude);
    ui->distance->setText(text(FormatDistance(result.distance)));
    ui->azimuth->setText(text(FormatAzimuth(result.forwardAzimuth)));
    ui->reverseAzimuth->setText(text(FormatAzimuth(result.reverseAzimuth)));
    ui->closeButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    connect(ui->closeButton, &QPushButton::clicked, this, &QDialog::accept);
}

CDialogDistance::~CDialogDistance() = default;
