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
    auto text = [](const std::string& s) { return QString::fromUtf8(s.c_str()); };
    ui->fromLatitude->setText(text(FormatLatitudeDms(fromLatitude)));
    ui->toLatitude->setText(text(FormatLatitudeDms(toLatitude)));
    ui->fromLongitude->setText(text(FormatLongitudeDms(fromLongitude)));
    ui->toLongitude->setText(text(FormatLongitudeDms(toLongitude)));
    const DistanceAndAzimuths result =
        ComputeDistanceAndAzimuths(fromLatitude, fromLongitude, toLatitude, toLongitude);
    ui->distance->setText(text(FormatDistance(result.distance)));
    // Two coincident positions have no direction from one to the other.
    const bool coincident = result.distance == 0;
    for (auto [field, azimuth] : {std::pair{ui->azimuth, result.forwardAzimuth},
                                  std::pair{ui->reverseAzimuth, result.reverseAzimuth}})
        field->setText(coincident ? tr("no azimuth") : text(FormatAzimuth(azimuth)) + QChar(0x00b0));
    ui->closeButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    connect(ui->closeButton, &QPushButton::clicked, this, &QDialog::accept);
}

CDialogDistance::~CDialogDistance() = default;
