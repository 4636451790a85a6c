#include "WzdSystemPage.h"

#include <algorithm>

#include "BatchSettings.h"
#include "CatalogueLookups.h"
#include "GeoidModels.h"
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
    ui->heightList->setObjectName(prefix + QLatin1String("HeightList"));
    connect(ui->gridSelect, &QPushButton::clicked, this, &CWzdSystemPage::SelectGrid);
    connect(ui->datumSelect, &QPushButton::clicked, this, &CWzdSystemPage::SelectDatum);
}

CWzdSystemPage::~CWzdSystemPage() = default;

void CWzdSystemPage::OnSetActive()
{
    Refresh();
    FillHeights();
}

void CWzdSystemPage::FillHeights()
{
    QComboBox* list = ui->heightList;
    list->clear();
    list->addItem(QStringLiteral("the ellipsoid"), 0);
    const bool table = Settings().ConversionType == CONVERSION_DATABASE;
    list->setToolTip(table ? QStringLiteral("A table's heights are converted in the height fields of the table page")
                           : QString());
    std::vector<GeoidModelRow> rows;
    std::string message;
    ListGeoidModels(rows, &message);
    for (const GeoidModelRow& row : rows)
    {
        QString text = QStringLiteral("the geoid: %1 (%2)").arg(QString::fromStdString(row.name)).arg(row.id);
        if (FindGeoidFile(row.file).empty())
            text += QStringLiteral(", file %1 missing").arg(QString::fromStdString(row.file));
        list->addItem(text, row.id);
    }
    list->setCurrentIndex(std::max(list->findData(GeoidId()), 0));
}

bool CWzdSystemPage::GeoidUsable(int id) const
{
    GeoidModelRow row;
    if (!FindGeoidModel(id, row))
    {
        ShowMessage(IDS_GEOID_MODEL_UNUSABLE, "the catalogue has no geoid model " + std::to_string(id));
        return false;
    }
    if (!FindGeoidFile(row.file).empty())
        return true;
    const std::vector<std::string> folders = GeoidFolders();
    std::string where;
    for (const std::string& folder : folders)
        where += (where.empty() ? "" : " or in ") + folder;
    ShowMessage(IDS_GEOID_MODEL_UNUSABLE, "the grid file " + row.file + " of the geoid model " + row.name + " (" +
                                              std::to_string(id) + ") is missing; put it in " + where);
    return false;
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
    const int geoid = ui->heightList->currentData().toInt();
    if (geoid != 0 && !GeoidUsable(geoid))
        return false;
    GeoidId() = geoid;
    return true;
}
