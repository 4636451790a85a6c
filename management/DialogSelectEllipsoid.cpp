#include "DialogSelectEllipsoid.h"

#include <QDesktopServices>
#include <QHeaderView>
#include <QStyle>
#include <QUrl>
#include <algorithm>
#include <vector>

#include "CatalogueConnection.h"
#include "CatalogueLookups.h"
#include "CatalogueStatements.h"
#include "CxAdo.h"
#include "DialogText.h"
#include "Messages.h"
#include "OpenAddress.h"
#include "CatalogueRows.h"
#include "ListSearch.h"
#include "ui_DialogSelectEllipsoid.h"

using namespace DialogText;

CDialogSelectEllipsoid::CDialogSelectEllipsoid(QWidget* parent)
    : CCatalogueDialog(parent), ui(std::make_unique<Ui::CDialogSelectEllipsoid>())
{
    ui->setupUi(this);
    openUrl = [](const QString& url) { OpenAddress(url); };

    QTreeWidget* list = ui->ellipsoidList;
    SetUpSelectionList(list, {tr("EPSG"), tr("Ellipsoid")});
    RefillList();

    SetFlowIcons(ui->addButton, ui->modifyButton, ui->deleteButton, ui->okButton, ui->cancelButton);
    ui->linkButton->setToolTip(QString::fromLatin1(kEllipsoidsPage));

    SetUpFlow(list, ui->okButton, {ui->addButton, ui->modifyButton, ui->deleteButton, list}, {},
              {ui->ellipsoidName, ui->semiMajorAxis, ui->inverseFlattening});
    connect(ui->searchField, &QLineEdit::textChanged, this,
            [this](const QString& text) { NarrowTree(ui->ellipsoidList, 1, text); });
    connect(ui->addButton, &QPushButton::clicked, this, &CDialogSelectEllipsoid::OnAdd);
    connect(ui->modifyButton, &QPushButton::clicked, this, [this] { ModifySelected(ui->semiMajorAxis); });
    connect(ui->deleteButton, &QPushButton::clicked, this,
            [this] { DeleteSelected(IDS_ASK_DELETE_ELLIPSOID, CatalogueSql::E7); });
    connect(ui->okButton, &QPushButton::clicked, this, &CDialogSelectEllipsoid::accept);
    connect(ui->cancelButton, &QPushButton::clicked, this, &CDialogSelectEllipsoid::reject);
    connect(ui->linkButton, &QPushButton::clicked, this,
            [this] { openUrl(QString::fromLatin1(kEllipsoidsPage)); });
    EndEditing();
}

CDialogSelectEllipsoid::~CDialogSelectEllipsoid() = default;

void CDialogSelectEllipsoid::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (opened)
        return;
    opened = true;
    QTreeWidget* list = ui->ellipsoidList;
    list->setColumnWidth(0, static_cast<int>(list->width() * 0.2));
    list->setColumnWidth(1, static_cast<int>(list->width() * 0.8));
    if (SelectedEllipsoidId != 0)
        SelectRow(SelectedEllipsoidId);
}

void CDialogSelectEllipsoid::RefillList()
{
    std::vector<NamedRow> rows;
    ListEllipsoids(rows);
    // The statement leaves the order to the database; the list reads by name.
    std::stable_sort(rows.begin(), rows.end(), [](const NamedRow& a, const NamedRow& b) {
        return NaturalLess(FromUtf8(a.name), FromUtf8(b.name));
    });
    QTreeWidget* list = ui->ellipsoidList;
    list->clear();
    mark = -1;
    QList<QTreeWidgetItem*> items;
    for (const NamedRow& row : rows)
    {
        auto* item = new QTreeWidgetItem({EpsgCell(row.id), FromUtf8(row.name)});
        item->setData(0, Qt::UserRole, row.id);
        items.append(item);
    }
    list->addTopLevelItems(items);
    NarrowTree(list, 1, ui->searchField->text());
}

void CDialogSelectEllipsoid::ShowSelected()
{
    ui->ellipsoidName->clear();
    ui->semiMajorAxis->clear();
    ui->inverseFlattening->clear();
    CCxAdo ado;
    if (!OpenCatalogue(ado) ||
        ado.OpenRecordset(FormatStatement(CatalogueSql::E3, SelectedEllipsoidId).c_str()) != 1)
        return;
    std::string name;
    double a = 0.0;
    double inverseFlattening = 0.0;
    ado.GetFieldString("strEllipsoid", name);
    ado.GetFieldDouble("dblAxisA", a);
    ado.GetFieldDouble("dblInverseFlattening", inverseFlattening);
    ui->ellipsoidName->setText(FromUtf8(name));
    ui->semiMajorAxis->setText(Number("%.3lf", a));
    ui->inverseFlattening->setText(Number("%3.14lf", inverseFlattening));
}

void CDialogSelectEllipsoid::OnAdd()
{
    ui->ellipsoidName->clear();
    ui->semiMajorAxis->clear();
    ui->inverseFlattening->clear();
    StartEditing(Adding);
    ui->ellipsoidName->setFocus();
}

bool CDialogSelectEllipsoid::Validate()
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
    else if (!IsNumberText(flattening) || LeadingNumber(QString::fromStdString(NumberLiteral(flattening))) == 0.0)
        message = IDS_INVALID_ELLIPSOID_FLATTENING;
    if (message != 0)
    {
        ShowMessage(message);
        return false;
    }
    return true;
}

bool CDialogSelectEllipsoid::SaveEdited()
{
    if (!Validate())
        return false;
    EllipsoidValues v;
    v.name = ToUtf8(ui->ellipsoidName->text());
    v.axisA = NumberLiteral(ui->semiMajorAxis->text());
    v.inverseFlattening = NumberLiteral(ui->inverseFlattening->text());
    std::string sql;
    if (CurrentState() == Adding)
    {
        long id = 0;
        if (NextUserIdentifier(CatalogueSql::E4, id) && FormatEllipsoidInsert(id, v, sql) &&
            RunCatalogueStatement(sql) == 0)
            SelectedEllipsoidId = static_cast<int>(id);
    }
    else if (FormatEllipsoidUpdate(SelectedEllipsoidId, v, sql))
        RunCatalogueStatement(sql);
    return true;
}
