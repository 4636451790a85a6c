#include "WzdTypePage.h"

#include "WzdSheet.h"
#include "ui_WzdTypePage.h"

CWzdTypePage::CWzdTypePage(CWzdSheet& sheet)
    : CWzdPage(sheet, "Select the type of conversion you want to perform",
               "Select the type of conversion you want to perform"),
      ui(std::make_unique<Ui::CWzdTypePage>())
{
    ui->setupUi(this);
    // A click sets the type at once.
    connect(ui->textRadio, &QRadioButton::clicked, this, [this] { Settings().ConversionType = CONVERSION_TEXT; });
    connect(ui->shapefileRadio, &QRadioButton::clicked, this,
            [this] { Settings().ConversionType = CONVERSION_SHAPEFILE; });
    connect(ui->vectorRadio, &QRadioButton::clicked, this, [this] { Settings().ConversionType = CONVERSION_VECTOR; });
    connect(ui->databaseRadio, &QRadioButton::clicked, this,
            [this] { Settings().ConversionType = CONVERSION_DATABASE; });
}

CWzdTypePage::~CWzdTypePage() = default;

void CWzdTypePage::OnSetActive()
{
    switch (Settings().ConversionType)
    {
    case CONVERSION_SHAPEFILE:
        ui->shapefileRadio->setChecked(true);
        break;
    case CONVERSION_DATABASE:
        ui->databaseRadio->setChecked(true);
        break;
    case CONVERSION_VECTOR:
        ui->vectorRadio->setChecked(true);
        break;
    default:
        ui->textRadio->setChecked(true);
        break;
    }
}

int CWzdTypePage::nextId() const
{
    switch (Settings().ConversionType)
    {
    case CONVERSION_DATABASE:
        return CWzdSheet::PageDataSource;
    case CONVERSION_VECTOR:
        return CWzdSheet::PageVectorFiles;
    default:
        return CWzdSheet::PageFiles;
    }
}
