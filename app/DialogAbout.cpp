#include "DialogAbout.h"

#include <QStyle>

#include "OpenAddress.h"
#include "ui_DialogAbout.h"

CDialogAbout::CDialogAbout(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::CDialogAbout>())
{
    ui->setupUi(this);
    setFixedSize(size());
    ui->icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
    ui->versionText->setText(QString::asprintf("Veltrix Geolynx %s", kProductVersion));
    ui->websiteText->setText(QString::fromLatin1(kProductWebsite));
    connect(ui->websiteButton, &QPushButton::clicked, this,
            [] { OpenAddress(QString::fromLatin1(kProductWebsite), "The website of Veltrix Geolynx"); });
    connect(ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
}

CDialogAbout::~CDialogAbout() = default;
