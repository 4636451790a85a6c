#include "WzdPage06.h"

#include <algorithm>

#include "TextFileConversion.h"
#include "WzdSheet.h"
#include "ui_WzdPage06.h"

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

void Fill(QComboBox* list, const std::vector<std::string>& texts)
{
    list->clear();
    for (const std::string& text : texts)
        list->addItem(QString::fromStdString(text));
}

} // namespace

CWzdPage06::CWzdPage06(CWzdSheet& sheet)
    : CWzdPage(sheet, "Source File Layout", "Select source file fields and format"),
      ui(std::make_unique<Ui::CWzdPage06>())
{
    ui->setupUi(this);
}

CWzdPage06::~CWzdPage06() = default;

int CWzdPage06::nextId() const
{
    return CWzdSheet::PagePreview;
}

void CWzdPage06::FirstActivation()
{
    for (const char* format : kFormats)
        ui->formatList->addItem(QString::fromUtf8(format));
    ui->formatList->setCurrentIndex(0);
    for (const SeparatorEntry& entry : kSeparators)
        ui->separatorList->addItem(QString::fromUtf8(entry.text), entry.choice);
    ui->separatorList->setCurrentIndex(0);
    // Grid coordinates are plain numbers.
    ui->formatList->setEnabled(Settings().sourceGrid == 0);
}

void CWzdPage06::OnSetActive()
{
    if (!created)
    {
        created = true;
        FirstActivation();
    }
    BatchSettings& settings = Settings();
    // The lists are built with the separator stored now; another choice
    // takes effect at the next activation.
    const FieldLists lists = FillFieldLists(settings);
    Fill(ui->longitudeField, lists.longitude);
    Fill(ui->latitudeField, lists.latitude);
    Fill(ui->altitudeField, lists.altitude);

    auto select = [](QComboBox* list, int index) { list->setCurrentIndex(index < list->count() ? index : -1); };
    select(ui->formatList, settings.CoordinateFormat);
    select(ui->longitudeField, settings.longitudeColumn - 1);
    select(ui->latitudeField, settings.latitudeColumn - 1);
    select(ui->altitudeField, settings.altitudeColumn);
    ui->separatorList->setCurrentIndex(ui->separatorList->findData(settings.SeparatorChoice));
    ui->headerCheck->setChecked(settings.header != 0);
}

bool CWzdPage06::validatePage()
{
    BatchSettings& settings = Settings();
    settings.longitudeColumn = ui->longitudeField->currentIndex() + 1;
    settings.latitudeColumn = ui->latitudeField->currentIndex() + 1;
    // No altitude entry chosen reads as "N/A".
    settings.altitudeColumn = std::max(ui->altitudeField->currentIndex(), 0);
    settings.CoordinateFormat = std::max(ui->formatList->currentIndex(), 0);
    const QVariant choice = ui->separatorList->currentData();
    settings.SeparatorChoice = choice.isValid() ? choice.toInt() : 0;
    settings.header = ui->headerCheck->isChecked() ? 1 : 0;
    return true;
}
