#include "DialogSelectMeridian.h"

#include <cmath>
#include <vector>

#include "CatalogueRows.h"
#include "DialogText.h"
#include "CatalogueModel.h"
#include "ui_DialogSelectMeridian.h"

using namespace DialogText;

CDialogSelectMeridian::CDialogSelectMeridian(QWidget* parent)
    : CCatalogueDialog(parent), ui(std::make_unique<Ui::CDialogSelectMeridian>())
{
    ui->setupUi(this);
    okNeedsRow = true;
    SetUpFormFlow(*ui, {.list = ui->meridianList,
                        .headers = {tr("EPSG"), tr("Meridian"), tr("Longitude")},
                        .columnShares = {0.2, 0.4, 0.4}, .reservedWidth = 4});
    RefillList();
}

CDialogSelectMeridian::~CDialogSelectMeridian() = default;

QString CDialogSelectMeridian::FormatLongitude(double longitude)
{
    const double a = std::fabs(longitude);
    const double d = std::floor(a);
    const double m = std::floor((a - d) * 60.0);
    const double s = ((a - d) - m / 60.0) * 3600.0;
    CCxString text;
    text.Format("%03.0lf\xC2\xB0%02.0lf' %05.02lf\" %s", d, m, s, longitude < 0.0 ? "W" : "E");
    return FromUtf8(text.str());
}

void CDialogSelectMeridian::RefillList()
{
    std::vector<MeridianRow> meridians;
    ListMeridianRows(meridians);
    std::vector<CatalogueListRow> rows;
    rows.reserve(meridians.size());
    for (const MeridianRow& row : meridians)
    {
        CCxString id;
        id.Format("%ld", static_cast<long>(row.id));
        rows.push_back({row.id, {FromUtf8(id.str()), FromUtf8(row.name), FormatLongitude(row.longitude)}});
    }
    ShowRows(std::move(rows));
}
