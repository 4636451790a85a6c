#include "WzdTablePage.h"

#include <QComboBox>
#include <QStringList>
#include <algorithm>

#include "BatchMessages.h"
#include "DatabaseTables.h"
#include "Messages.h"
#include "WzdBusyCursor.h"
#include "WzdSheet.h"
#include "ui_WzdTablePage.h"

namespace {

// The lists keep their entries in alphabetical order.
void FillSorted(QComboBox* list, QStringList entries, const char* prompt)
{
    std::sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItems(entries);
    list->setCurrentIndex(-1);
    list->setPlaceholderText(QString::fromUtf8(prompt));
}

} // namespace

CWzdTablePage::CWzdTablePage(CWzdSheet& sheet)
    : CWzdPage(sheet, "Select database source and target fields", "Select database table and fields"),
      ui(std::make_unique<Ui::CWzdTablePage>())
{
    ui->setupUi(this);
    fieldLists = {ui->sourceField1, ui->sourceField2, ui->destinationField1, ui->destinationField2};
    connect(ui->tableList, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0)
            return;
        table = ui->tableList->itemText(index);
        FillColumnLists();
    });
    for (std::size_t i = 0; i < fieldLists.size(); ++i)
        connect(fieldLists[i], &QComboBox::currentIndexChanged, this, [this, i](int index) {
            fields[i] = index < 0 ? QString() : fieldLists[i]->itemText(index);
        });
}

CWzdTablePage::~CWzdTablePage() = default;

int CWzdTablePage::nextId() const
{
    return CWzdSheet::PagePreview;
}

void CWzdTablePage::OnSetActive()
{
    if (created)
        return;
    created = true;
    ui->precisionChoice->setValue(Settings().precision);
    const bool sourceGrid = Settings().sourceGrid != 0;
    const bool destinationGrid = Settings().destinationGrid != 0;
    ui->sourceField1Label->setText(sourceGrid ? QStringLiteral("Source Northing Field:")
                                              : QStringLiteral("Source Latitude Field:"));
    ui->sourceField2Label->setText(sourceGrid ? QStringLiteral("Source Easting Field:")
                                              : QStringLiteral("Source Longitude Field:"));
    ui->destinationField1Label->setText(destinationGrid ? QStringLiteral("Destination Northing Field:")
                                                        : QStringLiteral("Destination Latitude Field:"));
    ui->destinationField2Label->setText(destinationGrid ? QStringLiteral("Destination Easting Field:")
                                                        : QStringLiteral("Destination Longitude Field:"));
    FillTableList();
}

namespace {

QStringList ToQt(const std::vector<std::string>& names)
{
    QStringList list;
    for (const std::string& name : names)
        list << QString::fromStdString(name);
    return list;
}

} // namespace

void CWzdTablePage::FillTableList()
{
    CWzdBusyCursor busy;
    std::vector<std::string> tables;
    ListDatabaseTables(Settings().connectionString, tables);
    FillSorted(ui->tableList, ToQt(tables), "Select Table...");
}

void CWzdTablePage::FillColumnLists()
{
    // Names chosen from another table's lists no longer apply.
    fields = {};
    for (QComboBox* list : fieldLists)
    {
        const QSignalBlocker quiet(list);
        list->clear();
    }
    CWzdBusyCursor busy;
    std::vector<std::string> columns;
    ListTableColumns(Settings().connectionString, table.toStdString(), columns);
    for (QComboBox* list : fieldLists)
        FillSorted(list, ToQt(columns), "Select Field...");
}

bool CWzdTablePage::validatePage()
{
    if (table.isEmpty())
    {
        ShowMessage(IDS_BATCH_NO_TABLE);
        return false;
    }
    if (std::any_of(fields.begin(), fields.end(), [](const QString& f) { return f.isEmpty(); }))
    {
        ShowMessage(IDS_BATCH_NO_FIELDS);
        return false;
    }
    BatchSettings& settings = Settings();
    settings.table = table.toStdString();
    settings.sourceField1 = fields[0].toStdString();
    settings.sourceField2 = fields[1].toStdString();
    settings.destinationField1 = fields[2].toStdString();
    settings.destinationField2 = fields[3].toStdString();
    // The box's lowest value, shown as "Default", is -1.
    settings.precision = ui->precisionChoice->value();
    return true;
}
