#include "WzdSystemPage.h"

#include "CatalogueLookups.h"
#include "Messages.h"
#include "WzdSheet.h"
#include "ui_WzdSystemPage.h"

CWzdSystemPage::CWzdSystemPage(CWzdSheet& sheet, const Texts& texts)
    : CWzdPage(sheet, texts.caption, texts.headerTitle), ui(std::make_unique<Ui::CWzdSystemPage>()),
      missingMessage(texts.missingMessage)
{
    ui->setupUi(this);
    ui->gridText->setText(QString::fromUtf8(texts.gridText));
    ui->datumText->setText(QString::fromUtf8(texts.datumText));
    const QString prefix = QString::fromLatin1(texts.namePrefix);
    ui->gridName->setObjectName(prefix + QLatin1String("GridName"));
    ui->datumName->setObjectName(prefix + QLatin1String("DatumName"));
    ui->gridSelect->setObjectName(prefix + QLatin1String("GridSelect"));
    ui->datumSelect->setObjectName(prefix + QLatin1String("DatumSelect"));
    connect(ui->gridSelect, &QPushButton::clicked, this, &CWzdSystemPage::SelectGrid);
    connect(ui->datumSelect, &QPushButton::clicked, this, &CWzdSystemPage::SelectDatum);
}

CWzdSystemPage::~CWzdSystemPage() = default;

void CWzdSystemPage::OnSetActive()
{
    Refresh();
}

void CWzdSystemPage::Refresh()
{
    CCxString grid;
    CCxString datum;
    LookupGridName(GridId(), grid);
    LookupDatumName(DatumId(), datum);
    ui->gridName->setText(QString::fromStdString(grid.str()));
    ui->datumName->setText(QString::fromStdString(datum.str()));
}

void CWzdSystemPage::SelectGrid()
{
    int gridId = GridId();
    int datumId = DatumId();
    if (!Sheet().ChooseGrid(gridId, datumId))
        return;
    GridId() = gridId;
    DatumId() = datumId;
    Refresh();
}

void CWzdSystemPage::SelectDatum()
{
    int datumId = DatumId();
    if (!Sheet().ChooseDatum(datumId))
        return;
    GridId() = 0;
    DatumId() = datumId;
    Refresh();
}

bool CWzdSystemPage::validatePage()
{
    if (GridId() == 0 && DatumId() == 0)
    {
        ShowMessage(missingMessage);
        return false;
    }
    return true;
}
