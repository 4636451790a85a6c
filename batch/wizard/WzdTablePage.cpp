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
    fieldLists = {ui->sourceField1,      ui->sourceField2, ui->destinationField1,
                  ui->destinationField2, ui->sourceField3, ui->destinationField3};
    connect(ui->tableList, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0)
            return;
        table = ui->tableList->itemText(index);
        FillColumnLists();
    });
    for (std::size_t i = 0; i < fieldLists.size(); ++i)
        connect(fieldLists[i], &QComboBox::currentIndexChanged, this, [this, i](int index) {
            // A height list's first entry is no field.
            const bool none = index < 0 || (i >= kHeightSource && index == 0);
            fields[i] = none ? QString() : fieldLists[i]->itemText(index);
        });
}

CWzdTablePage::~CWzdTablePage() = default;

int CWzdTablePage::nextId() const
{
    return CWzdSheet::PagePreview;
}

void CWzdTablePage::OnSetActive()
{
    // The labels follow the systems, which Back may have changed; the lists
    // and choices stay unless the connection changed.
    ShowLabels();
    const std::string& connection = Settings().connectionString;
    if (filled && connection == filledFrom)
        return;
    filled = true;
    filledFrom = connection;
    ui->precisionChoice->setValue(Settings().precision);
    table.clear();
    fields = {};
    for (QComboBox* list : fieldLists)
        list->clear();
    FillTableList();
}

void CWzdTablePage::ShowLabels()
{
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
    // The height is optional: none until a field is chosen.
    for (QComboBox* list : {ui->sourceField3, ui->destinationField3})
    {
        const QSignalBlocker quiet(list);
        list->insertItem(0, QStringLiteral("(none)"));
        list->setCurrentIndex(0);
    }
}

bool CWzdTablePage::validatePage()
{
    if (table.isEmpty())
    {
        ShowMessage(IDS_BATCH_NO_TABLE);
        return false;
    }
    if (std::any_of(fields.begin(), fields.begin() + kHeightSource, [](const QString& f) { return f.isEmpty(); }))
    {
        ShowMessage(IDS_BATCH_NO_FIELDS);
        return false;
    }
    if (!HeightFieldsUsable())
        return false;
    BatchSettings& settings = Settings();
    settings.table = table.toStdString();
    settings.sourceField1 = fields[0].toStdString();
    settings.sourceField2 = fields[1].toStdString();
    settings.destinationField1 = fields[2].toStdString();
    settings.destinationField2 = fields[3].toStdString();
    settings.sourceField3 = fields[kHeightSource].toStdString();
    settings.destinationField3 = fields[kHeightDestination].toStdString();
    // The box's lowest value, shown as "Default", is -1.
    settings.precision = ui->precisionChoice->value();
    return true;
}

bool CWzdTablePage::HeightFieldsUsable() const
{
    const QString& source = fields[kHeightSource];
    const QString& destination = fields[kHeightDestination];
    // The converter takes a height only with both fields; one alone would be
    // left unconverted without a word.
    if (source.isEmpty() != destination.isEmpty())
    {
        ShowMessageText("Choose both height fields, the one read and the one that receives the converted "
                        "height, or neither.");
        return false;
    }
    const BatchSettings& settings = Settings();
    const bool sourceGeoid = settings.sourceGeoid != 0;
    const bool destinationGeoid = settings.destinationGeoid != 0;
    if (source.isEmpty() && (sourceGeoid || destinationGeoid))
    {
        const char* side = sourceGeoid && destinationGeoid ? "Both sides' heights are"
                           : sourceGeoid                    ? "The source heights are"
                                                            : "The destination heights are";
        ShowMessageText(std::string(side) +
                        " above a geoid model, and a table's heights are converted in its height fields. Choose "
                        "the source and the destination height field, or go Back and choose heights above the "
                        "ellipsoid.");
        return false;
    }
    if (!destination.isEmpty() && (destination == fields[2] || destination == fields[3]))
    {
        ShowMessageText("The destination height field \"" + destination.toStdString() +
                        "\" also receives the latitude or longitude; choose a field of its own.");
        return false;
    }
    return true;
}
