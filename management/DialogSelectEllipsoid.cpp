#include "DialogSelectEllipsoid.h"

#include <vector>

#include "CatalogueRows.h"
#include "DialogText.h"
#include "Messages.h"
#include "ui_DialogSelectEllipsoid.h"

using namespace DialogText;

CDialogSelectEllipsoid::CDialogSelectEllipsoid(QWidget* parent)
    : CCatalogueDialog(parent), ui(std::make_unique<Ui::CDialogSelectEllipsoid>())
{
    ui->setupUi(this);
    SetUpFormFlow(*ui, {.list = ui->ellipsoidList,
                        .headers = {tr("EPSG"), tr("Ellipsoid")},
                        .address = kEllipsoidsPage,
                        .addressPurpose = "The page of ellipsoid definitions",
                        .fields = {ui->ellipsoidName, ui->semiMajorAxis, ui->inverseFlattening},
                        .addFocus = ui->ellipsoidName, .modifyFocus = ui->semiMajorAxis,
                        .deleteQuestion = IDS_ASK_DELETE_ELLIPSOID, .deleteRow = DeleteEllipsoid,
                        .countUsers = DatumsUsingEllipsoid, .inUseMessage = IDS_ELLIPSOID_IN_USE, .userNoun = "datum",
                        .columnShares = {0.2, 0.8}});
    RefillList();
}

CDialogSelectEllipsoid::~CDialogSelectEllipsoid() = default;

void CDialogSelectEllipsoid::RefillList()
{
    std::vector<NamedRow> rows;
    ListEllipsoids(rows);
    ShowNamedRows(std::move(rows));
}

void CDialogSelectEllipsoid::ShowSelected()
{
    ClearForAdding();
    EllipsoidRow row;
    if (!LoadEllipsoid(selectedId, row))
        return;
    ui->ellipsoidName->setText(FromUtf8(row.name));
    ShowNumbers({{ui->semiMajorAxis, "%.3lf", row.axisA}, {ui->inverseFlattening, "%3.14lf", row.inverseFlattening}});
}

void CDialogSelectEllipsoid::ClearForAdding()
{
    ui->ellipsoidName->clear();
    ui->semiMajorAxis->clear();
    ui->inverseFlattening->clear();
}

bool CDialogSelectEllipsoid::Check()
{
    const QString axis = ui->semiMajorAxis->text();
    const QString flattening = ui->inverseFlattening->text();
    int message = 0;
    if (ui->ellipsoidName->text().isEmpty())
        message = IDS_MISSING_NAME;
    else if (axis.isEmpty())
        message = IDS_MISSING_ELLIPSOID_AXIS;
    else if (flattening.isEmpty())
        message = IDS_MISSING_ELLIPSOID_FLATTENING;
    // A text that reads as 0, or that is no number as a whole ("12abc"), is
    // refused naming its field.
    else if (!IsNumberText(axis) || LeadingNumber(QString::fromStdString(NumberLiteral(axis))) == 0.0)
        message = IDS_INVALID_ELLIPSOID_AXIS;
    else if (!IsNumberText(flattening))
        message = IDS_INVALID_ELLIPSOID_FLATTENING;
    if (message != 0)
        return Refused(message);
    return CheckNumberDomains({
        {ui->semiMajorAxis, IDS_INVALID_ELLIPSOID_AXIS, domain::Positive, "It must be greater than 0."},
        {ui->inverseFlattening, IDS_INVALID_ELLIPSOID_FLATTENING, domain::InverseFlattening,
         "It must be 0 for a sphere or greater than 1."},
    });
}

bool CDialogSelectEllipsoid::StoreRow(int& id, std::string& message)
{
    if (!Check())
        return false;
    EllipsoidValues v;
    v.name = ToUtf8(ui->ellipsoidName->text());
    TakeNumbers({{&v.axisA, ui->semiMajorAxis}, {&v.inverseFlattening, ui->inverseFlattening}});
    return SaveEllipsoid(v, id, &message);
}
