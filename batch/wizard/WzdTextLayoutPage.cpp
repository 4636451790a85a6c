#include "WzdTextLayoutPage.h"

#include <algorithm>

#include "BatchMessages.h"
#include "Messages.h"
#include "TextFileConversion.h"
#include "WzdSheet.h"
#include "ui_WzdTextLayoutPage.h"

namespace {

// The separator list in alphabetical order, each entry with the choice it
// stands for.
struct SeparatorEntry
{
    const char* text;
    int choice;
};
constexpr SeparatorEntry kSeparators[] = {
    {"Autodetect", 0},          {"Comma Separated", 1}, {"Pipe Separated", 3},
    {"Semicolon Separated", 2}, {"Space Separated", 4}, {"Tab Separated", 5},
};

constexpr const char* kFormats[] = {
    "Decimal degrees ( DDD.DDDDDD )",
    "Degrees, minutes ( DDD MM.MMM )",
    "Degrees, minutes, no spaces ( DDDMM.MMM )",
    "Degrees, minutes and seconds ( DDD MM SS.SS )",
    "Degrees, minutes and seconds, no spaces ( DDDMMSS.SS )",
};

void SelectEntry(QComboBox* list, int index)
{
    list->setCurrentIndex(index < list->count() ? index : -1);
}

void Fill(QComboBox* list, const std::vector<std::string>& texts)
{
    list->clear();
    for (const std::string& text : texts)
        list->addItem(QString::fromStdString(text));
}

} // namespace

CWzdTextLayoutPage::CWzdTextLayoutPage(CWzdSheet& sheet)
    : CWzdPage(sheet, "Source File Layout", "Select source file fields and format"),
      ui(std::make_unique<Ui::CWzdTextLayoutPage>())
{
    ui->setupUi(this);
    ui->separatorHint->setVisible(false);
    // Another separator shows its fields at once.
    connect(ui->separatorList, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling)
            SeparatorChosen();
    });
}

CWzdTextLayoutPage::~CWzdTextLayoutPage() = default;

int CWzdTextLayoutPage::nextId() const
{
    return CWzdSheet::PagePreview;
}

void CWzdTextLayoutPage::FirstActivation()
{
    for (const char* format : kFormats)
        ui->formatList->addItem(QString::fromUtf8(format));
    ui->formatList->setCurrentIndex(0);
    // Filling the list is no choice of the user's.
    filling = true;
    for (const SeparatorEntry& entry : kSeparators)
        ui->separatorList->addItem(QString::fromUtf8(entry.text), entry.choice);
    ui->separatorList->setCurrentIndex(0);
    filling = false;
    // Grid coordinates are plain numbers.
    ui->formatList->setEnabled(Settings().sourceGrid == 0);
}

void CWzdTextLayoutPage::OnSetActive()
{
    if (!created)
    {
        created = true;
        FirstActivation();
    }
    BatchSettings& settings = Settings();
    filling = true;
    ui->separatorList->setCurrentIndex(ui->separatorList->findData(settings.SeparatorChoice));
    filling = false;
    FillLists(false);
    SelectEntry(ui->formatList, settings.CoordinateFormat);
    ui->headerCheck->setChecked(settings.header != 0);
    ui->precisionChoice->setValue(settings.precision);
}

void CWzdTextLayoutPage::FillLists(bool keepSelection)
{
    BatchSettings& settings = Settings();
    const int chosen[3] = {ui->longitudeField->currentIndex(), ui->latitudeField->currentIndex(),
                           ui->altitudeField->currentIndex()};
    const FieldLists lists = FillFieldLists(settings);
    separatorUnclear = lists.separatorUnclear;
    ui->separatorHint->setVisible(separatorUnclear);
    filling = true;
    Fill(ui->longitudeField, lists.longitude);
    Fill(ui->latitudeField, lists.latitude);
    Fill(ui->altitudeField, lists.altitude);
    filling = false;

    const std::string key = settings.sourceFile + '\n' + settings.resolvedSeparator;
    if (lists.named.longitude != 0 && key != namedFor)
    {
        // A header that names its columns chooses them, once for each file.
        namedFor = key;
        settings.longitudeColumn = lists.named.longitude;
        settings.latitudeColumn = lists.named.latitude;
        settings.altitudeColumn = lists.named.altitude;
        // The line that names them is a header, not a record.
        settings.header = 1;
        ui->headerCheck->setChecked(true);
        keepSelection = false;
    }
    // A field chosen on the page stays chosen while the new lists have it;
    // else the stored column applies.
    QComboBox* const lists3[3] = {ui->longitudeField, ui->latitudeField, ui->altitudeField};
    const int stored[3] = {settings.longitudeColumn - 1, settings.latitudeColumn - 1, settings.altitudeColumn};
    for (int i = 0; i < 3; ++i)
    {
        const bool keep = keepSelection && chosen[i] >= 0 && chosen[i] < lists3[i]->count();
        SelectEntry(lists3[i], keep ? chosen[i] : stored[i]);
    }
}

void CWzdTextLayoutPage::SeparatorChosen()
{
    const QVariant choice = ui->separatorList->currentData();
    Settings().SeparatorChoice = choice.isValid() ? choice.toInt() : 0;
    FillLists(true);
}

bool CWzdTextLayoutPage::validatePage()
{
    BatchSettings& settings = Settings();
    const QVariant separator = ui->separatorList->currentData();
    if (separatorUnclear && (!separator.isValid() || separator.toInt() == 0))
    {
        MessagePresenter().Show(IDS_BATCH_SEPARATOR_UNCLEAR, kBatchSeparatorUnclearText);
        return false;
    }
    const int longitude = ui->longitudeField->currentIndex() + 1;
    const int latitude = ui->latitudeField->currentIndex() + 1;
    // No altitude entry chosen reads as "N/A".
    const int altitude = std::max(ui->altitudeField->currentIndex(), 0);
    if (!ColumnsUsable(longitude, latitude, altitude))
    {
        MessagePresenter().Show(IDS_BATCH_COLUMNS_UNUSABLE, kBatchColumnsUnusableText);
        return false;
    }
    settings.longitudeColumn = longitude;
    settings.latitudeColumn = latitude;
    settings.altitudeColumn = altitude;
    settings.CoordinateFormat = std::max(ui->formatList->currentIndex(), 0);
    const QVariant choice = ui->separatorList->currentData();
    settings.SeparatorChoice = choice.isValid() ? choice.toInt() : 0;
    settings.header = ui->headerCheck->isChecked() ? 1 : 0;
    // The box's lowest value, shown as "Default", is -1.
    settings.precision = ui->precisionChoice->value();
    return true;
}
