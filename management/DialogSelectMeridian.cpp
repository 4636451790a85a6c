#include "DialogSelectMeridian.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "CatalogueRows.h"
#include "DialogText.h"
#include "ListSearch.h"
#include "ui_DialogSelectMeridian.h"

using namespace DialogText;

CDialogSelectMeridian::CDialogSelectMeridian(QWidget* parent)
    : CCatalogueDialog(parent), ui(std::make_unique<Ui::CDialogSelectMeridian>())
{
    ui->setupUi(this);
    SetUpSelectionList(ui->meridianList, {tr("EPSG"), tr("Meridian"), tr("Longitude")});
    okNeedsRow = true;
    SetUpFormFlow(*ui, {.list = ui->meridianList, .columnShares = {0.2, 0.4, 0.4}, .reservedWidth = 4});
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
    std::vector<MeridianRow> rows;
    ListMeridianRows(rows);
    // The statement leaves the order to the database; the list reads by name.
    std::stable_sort(rows.begin(), rows.end(), [](const MeridianRow& a, const MeridianRow& b) {
        return NaturalLess(FromUtf8(a.name), FromUtf8(b.name));
    });
    QTreeWidget* list = ui->meridianList;
    list->clear();
    mark = -1;
    QList<QTreeWidgetItem*> items;
    for (const MeridianRow& row : rows)
    {
        CCxString id;
        id.Format("%ld", static_cast<long>(row.id));
        auto* item = new QTreeWidgetItem({FromUtf8(id.str()), FromUtf8(row.name), FormatLongitude(row.longitude)});
        item->setData(0, Qt::UserRole, row.id);
        items.append(item);
    }
    list->addTopLevelItems(items);
}
