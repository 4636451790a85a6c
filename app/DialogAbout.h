#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CDialogAbout;
}

// The about box: version line, web site line and a button that opens it.
class CDialogAbout : public QDialog
{
    Q_OBJECT
public:
    explicit CDialogAbout(QWidget* parent = nullptr);
    ~CDialogAbout() override;

private:
    std::unique_ptr<Ui::CDialogAbout> ui;
};

// The version the about box shows.
inline constexpr const char* kProductVersion = "3.2.12.208";
// The product's web page, opened by "Visit Website...".
inline constexpr const char* kProductWebsite = "https://www.veltrix.example/geolynx";
