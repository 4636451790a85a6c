#include "WzdPreviewPage.h"

#include <QHeaderView>
#include <QStringList>
#include <algorithm>
#include <utility>
#include <QTreeWidgetItem>

#include "ConvertDatabaseTable.h"
#include "CxAdo.h"
#include "Messages.h"
#include "MapNotation.h"
#include "TextFileConversion.h"
#include "WzdBusyCursor.h"
#include "WzdSheet.h"
#include "ui_WzdPreviewPage.h"

CWzdPreviewPage::CWzdPreviewPage(CWzdSheet& sheet)
    : CWzdPage(sheet, "Preview Values", "Preview and check source coordinates"),
      ui(std::make_unique<Ui::CWzdPreviewPage>())
{
    ui->setupUi(this);
}

CWzdPreviewPage::~CWzdPreviewPage() = default;

int CWzdPreviewPage::nextId() const
{
    return CWzdSheet::PageStart;
}

void CWzdPreviewPage::CreateColumns()
{
    QStringList headings;
    if (Settings().notationColumn != 0 && Settings().sourceNotation != 0)
        headings << QString::fromUtf8(NotationTitle(static_cast<MapNotation>(Settings().sourceNotation)));
    else if (Settings().sourceGrid != 0)
        headings << QStringLiteral("Easting") << QStringLiteral("Northing");
    else
        headings << QStringLiteral("Longitude") << QStringLiteral("Latitude");
    const bool table = Settings().ConversionType == CONVERSION_DATABASE;
    if (table ? !Settings().sourceField3.empty() : Settings().altitudeColumn != 0)
        headings << QStringLiteral("Altitude");
    ui->previewList->setColumnCount(static_cast<int>(headings.size()));
    ui->previewList->setHeaderLabels(headings);
    ui->previewList->header()->setStretchLastSection(false);
    // The columns share the list's width less a scroll bar's room, made even.
    int width = ui->previewList->width() - 25;
    if (width % 2 != 0)
        width -= 1;
    const int column = std::max(width, 0) / static_cast<int>(headings.size());
    for (int i = 0; i < headings.size(); ++i)
        ui->previewList->setColumnWidth(i, column);
}

void CWzdPreviewPage::OnSetActive()
{
    // The columns follow the source's system and notation, which Back may
    // have changed.
    CreateColumns();
    const BatchSettings& settings = Settings();
    ui->previewList->clear();
    if (settings.ConversionType == CONVERSION_TEXT && settings.notationColumn != 0 && settings.sourceNotation != 0)
        Show(PreviewReferences(settings));
    else if (settings.ConversionType == CONVERSION_TEXT)
        Show(PreviewTextFile(settings));
    else if (settings.ConversionType == CONVERSION_DATABASE)
    {
        std::vector<std::vector<std::string>> rows;
        {
            CWzdBusyCursor busy;
            rows = settings.sourceField3.empty() ? PreviewDatabaseTable(settings) : PreviewTableHeights(settings);
        }
        Show(rows);
    }
}

std::vector<std::vector<std::string>> CWzdPreviewPage::PreviewReferences(const BatchSettings& settings)
{
    // The reference field in the place of both coordinates, shown once.
    BatchSettings look = settings;
    look.longitudeColumn = settings.notationColumn;
    look.latitudeColumn = settings.notationColumn;
    std::vector<std::vector<std::string>> rows = PreviewTextFile(look);
    for (auto& row : rows)
        if (row.size() > 1)
            row.erase(row.begin() + 1);
    return rows;
}

std::vector<std::vector<std::string>> CWzdPreviewPage::PreviewTableHeights(const BatchSettings& settings)
{
    constexpr std::size_t kRecords = 25;
    std::vector<std::vector<std::string>> rows;
    const std::string sql = "SELECT " + QuoteIdentifier(settings.sourceField1) + "," +
                            QuoteIdentifier(settings.sourceField2) + "," + QuoteIdentifier(settings.sourceField3) +
                            " FROM " + QuoteIdentifier(settings.table);
    CCxAdo ado;
    int opened = -1;
    if (ado.Initialize() == 0 && ado.Connect(settings.connectionString.c_str()) == 0)
        opened = ado.OpenForwardOnly(sql.c_str(), static_cast<int>(kRecords));
    if (opened == -1)
        ShowMessageText(ado.LastMessage.str());
    const int decimals = settings.sourceGrid != 0 ? 2 : 6;
    // A value that is no number shows as an empty cell: the run leaves its
    // record (or its height) unchanged.
    auto cell = [](const CCxValue& value, int places) {
        double number = 0;
        return ReadCoordinateValue(value, number) == CoordinateValue::Number
                   ? QString::number(number, 'f', places).toStdString()
                   : std::string();
    };
    while (opened == 1 && rows.size() < kRecords)
    {
        const CCxValue northing = ado.GetFieldValue(settings.sourceField1.c_str());
        const CCxValue easting = ado.GetFieldValue(settings.sourceField2.c_str());
        const CCxValue height = ado.GetFieldValue(settings.sourceField3.c_str());
        if (northing.IsAbsent() || easting.IsAbsent() || height.IsAbsent())
        {
            ShowMessageText(ado.LastMessage.str());
            break;
        }
        // Each row goes in at the top, as PreviewDatabaseTable gives them.
        std::vector<std::string> row = {cell(easting, decimals), cell(northing, decimals), cell(height, 3)};
        rows.insert(rows.begin(), std::move(row));
        opened = ado.MoveNext();
    }
    ado.CloseRecordset();
    ado.Disconnect();
    ado.Shutdown();
    return rows;
}

void CWzdPreviewPage::Show(const std::vector<std::vector<std::string>>& rows)
{
    const int columns = ui->previewList->columnCount();
    for (const auto& row : rows)
    {
        auto* item = new QTreeWidgetItem(ui->previewList);
        for (int i = 0; i < columns && i < static_cast<int>(row.size()); ++i)
            item->setText(i, QString::fromStdString(row[static_cast<std::size_t>(i)]));
    }
}
