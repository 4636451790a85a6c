#include "DialogSelectMeridian.h"

#include <QHeaderView>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <vector>

#include "CatalogueConnection.h"
#include "CatalogueStatements.h"
#include "CxAdo.h"
#include "DialogText.h"
#include "CatalogueDialog.h"
#include "ListSearch.h"
#include "ui_DialogSelectMeridian.h"

using namespace DialogText;

CDialogSelectMeridian::CDialogSelectMeridian(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::CDialogSelectMeridian>())
{
    ui->setupUi(this);
    QTreeWidget* list = ui->meridianList;
    SetUpSelectionList(list, {tr("EPSG"), tr("Meridian"), tr("Longitude")});
    FillList();
    SetFlowIcons(nullptr, nullptr, nullptr, ui->okButton, ui->cancelButton);
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                for (const QModelIndex& index : selected.indexes())
                    mark = index.row();
            });
    connect(list, &QTreeWidget::itemDoubleClicked, this, &CDialogSelectMeridian::accept);
    connect(ui->searchField, &QLineEdit::textChanged, this,
            [this](const QString& text) { NarrowTree(ui->meridianList, 1, text); });
    connect(ui->okButton, &QPushButton::clicked, this, &CDialogSelectMeridian::accept);
    connect(ui->cancelButton, &QPushButton::clicked, this, &CDialogSelectMeridian::reject);
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

void CDialogSelectMeridian::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (opened)
        return;
    opened = true;
    QTreeWidget* list = ui->meridianList;
    const double width = list->width() - 4;
    list->setColumnWidth(0, static_cast<int>(width * 0.2));
    list->setColumnWidth(1, static_cast<int>(width * 0.4));
    list->setColumnWidth(2, static_cast<int>(width * 0.4));
    if (SelectedMeridianId == 0)
        return;
    list->clearSelection();
    for (int i = 0; i < list->topLevelItemCount(); ++i)
    {
        QTreeWidgetItem* item = list->topLevelItem(i);
        if (item->data(0, Qt::UserRole).toInt() == SelectedMeridianId)
        {
            list->setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            list->scrollToItem(item);
            break;
        }
    }
    list->setFocus();
}

void CDialogSelectMeridian::FillList()
{
    struct Row
    {
        int id;
        QString name;
        double longitude;
    };
    std::vector<Row> rows;
    CCxAdo ado;
    if (OpenCatalogue(ado) && ado.OpenRecordset(CatalogueSql::M2) == 1)
    {
        do
        {
            Row row{0, QString(), 0.0};
            std::string name;
            ado.GetFieldLong("numId", row.id);
            ado.GetFieldString("strMeridian", name);
            ado.GetFieldDouble("dblLongitude", row.longitude);
            row.name = FromUtf8(name);
            rows.push_back(row);
        } while (ado.MoveNext() == 1);
    }
    // The statement leaves the order to the database; the list reads by name.
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return NaturalLess(a.name, b.name);
    });
    QTreeWidget* list = ui->meridianList;
    list->clear();
    mark = -1;
    QList<QTreeWidgetItem*> items;
    for (const Row& row : rows)
    {
        CCxString id;
        id.Format("%ld", static_cast<long>(row.id));
        auto* item = new QTreeWidgetItem({FromUtf8(id.str()), row.name, FormatLongitude(row.longitude)});
        item->setData(0, Qt::UserRole, row.id);
        items.append(item);
    }
    list->addTopLevelItems(items);
}

void CDialogSelectMeridian::accept()
{
    const QTreeWidgetItem* marked = ui->meridianList->topLevelItem(mark);
    SelectedMeridianId = marked != nullptr ? marked->data(0, Qt::UserRole).toInt() : 0;
    if (SelectedMeridianId != 0)
        QDialog::accept();
}
