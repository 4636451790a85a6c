#include "WzdTextLayoutPage.h"

#include <algorithm>

#include "BatchMessages.h"
#include "Messages.h"
#include "MapNotation.h"
#include "TextFileConversion.h"
#include "TextNotationField.h"
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
    {"Autodetect", SEPARATOR_AUTODETECT},
    {"Comma Separated", SEPARATOR_COMMA},
    {"Pipe Separated", SEPARATOR_PIPE},
    {"Semicolon Separated", SEPARATOR_SEMICOLON},
    {"Space Separated", SEPARATOR_SPACE},
    {"Tab Separated", SEPARATOR_TAB},
};

constexpr const char* kFormats[] = {
    "Decimal degrees ( DDD.DDDDDD )",
    "Degrees, minutes ( DDD MM.MMM )",
    "Degrees, minutes, no spaces ( DDDMM.MMM )",
    "Degrees, minutes and seconds ( DDD MM SS.SS )",
    "Degrees, minutes and seconds, no spaces ( DDDMMSS.SS )",
};

// The sides of a written reference's square.
constexpr int kReferenceMetres[] = {1, 10, 100, 1000, 10000, 100000};
constexpr MapNotation kNotations[] = {MapNotation::Mgrs, MapNotation::Usng, MapNotation::Utm,
                                      MapNotation::BritishGrid, MapNotation::IrishGrid};

// A list's entry of the given data, or its first.
void SelectData(QComboBox* list, int data)
{
    list->setCurrentIndex(std::max(list->findData(data), 0));
}

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
    for (int metres : kReferenceMetres)
        ui->referenceList->addItem(metres < 1000 ? QStringLiteral("%1 m").arg(metres)
                                                 : QStringLiteral("%1 km").arg(metres / 1000),
                                   metres);
    for (QComboBox* list : {ui->sourceNotationList, ui->destinationNotationList})
        connect(list, &QComboBox::currentIndexChanged, this, [this] {
            if (!filling)
                NotationChosen();
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
    ui->headerCheck->setChecked(settings.header == HEADER_FIRST_LINE);
    ui->precisionChoice->setValue(settings.precision);
    FillNotations();
}

void CWzdTextLayoutPage::FillNotations()
{
    const BatchSettings& settings = Settings();
    filling = true;
    for (const bool source : {true, false})
    {
        QComboBox* list = source ? ui->sourceNotationList : ui->destinationNotationList;
        list->clear();
        list->addItem(source ? QStringLiteral("Numbers in the coordinate fields") : QStringLiteral("Numbers"), 0);
        QStringList refused;
        for (MapNotation notation : kNotations)
        {
            // A side's system takes a notation when the batch would take it
            // there, whatever the other side and the columns.
            BatchSettings probe = settings;
            probe.notationColumn = 1 << 20;
            probe.sourceNotation = source ? static_cast<int>(notation) : 0;
            probe.destinationNotation = source ? 0 : static_cast<int>(notation);
            std::string why;
            const QString title = QString::fromUtf8(NotationTitle(notation));
            if (PrepareNotationSettings(probe, why))
                list->addItem(title, static_cast<int>(notation));
            else
                refused << title + QStringLiteral(": ") + QString::fromStdString(why);
        }
        list->setToolTip(refused.isEmpty() ? QString()
                                           : QStringLiteral("Not offered on this side's system:\n") +
                                                 refused.join(QLatin1Char('\n')));
        SelectData(list, source ? settings.sourceNotation : settings.destinationNotation);
    }
    SelectData(ui->referenceList, settings.referenceMetres);
    ui->utmZoneChoice->setValue(settings.utmZone);
    filling = false;
    NotationChosen();
}

void CWzdTextLayoutPage::FillNotationFields(const std::vector<std::string>& fields)
{
    const int chosen = ui->notationFieldList->currentData().toInt();
    ui->notationFieldList->clear();
    for (std::size_t i = 0; i < fields.size(); ++i)
        ui->notationFieldList->addItem(QString::fromStdString(fields[i]), static_cast<int>(i + 1));
    ui->notationFieldList->addItem(QStringLiteral("A new last field"), static_cast<int>(fields.size() + 1));
    const int stored = Settings().notationColumn;
    const int appended = static_cast<int>(fields.size() + 1);
    SelectData(ui->notationFieldList, chosen != 0 ? chosen : stored != 0 ? stored : appended);
}

void CWzdTextLayoutPage::NotationChosen()
{
    const int source = ui->sourceNotationList->currentData().toInt();
    const int destination = ui->destinationNotationList->currentData().toInt();
    const bool reference = destination != 0 && destination != static_cast<int>(MapNotation::Utm);
    ui->notationFieldList->setEnabled(source != 0 || destination != 0);
    ui->referenceList->setEnabled(reference);
    ui->utmZoneChoice->setEnabled(destination == static_cast<int>(MapNotation::Utm));
    // A reference read as the coordinate takes the place of its fields.
    ui->longitudeField->setEnabled(source == 0);
    ui->latitudeField->setEnabled(source == 0);
    ui->formatList->setEnabled(source == 0 && Settings().sourceGrid == 0);
}

bool CWzdTextLayoutPage::TakeNotations(BatchSettings& settings, std::string& why) const
{
    settings.sourceNotation = ui->sourceNotationList->currentData().toInt();
    settings.destinationNotation = ui->destinationNotationList->currentData().toInt();
    const bool used = settings.sourceNotation != 0 || settings.destinationNotation != 0;
    settings.notationColumn = used ? ui->notationFieldList->currentData().toInt() : 0;
    settings.referenceMetres = ui->referenceList->currentData().toInt();
    settings.utmZone = ui->utmZoneChoice->value();
    BatchSettings prepared = settings;
    return !used || PrepareNotationSettings(prepared, why);
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
    FillNotationFields(lists.latitude);
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
        settings.header = HEADER_FIRST_LINE;
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
    Settings().SeparatorChoice = choice.isValid() ? choice.toInt() : SEPARATOR_AUTODETECT;
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
    // Coordinate fields a reference replaces are not read.
    const bool fieldsRead = ui->sourceNotationList->currentData().toInt() == 0;
    if (!ColumnsUsable(fieldsRead ? longitude : 1, fieldsRead ? latitude : 2,
                       fieldsRead || altitude == 0 ? altitude : 3))
    {
        MessagePresenter().Show(IDS_BATCH_COLUMNS_UNUSABLE, kBatchColumnsUnusableText);
        return false;
    }
    // The choices are stored once all of them hold.
    BatchSettings chosen = settings;
    chosen.longitudeColumn = longitude;
    chosen.latitudeColumn = latitude;
    chosen.altitudeColumn = altitude;
    std::string why;
    if (!TakeNotations(chosen, why))
    {
        ShowMessageText("The map reference cannot be used: " + why + ".");
        return false;
    }
    settings = chosen;
    settings.CoordinateFormat = std::max(ui->formatList->currentIndex(), 0);
    const QVariant choice = ui->separatorList->currentData();
    settings.SeparatorChoice = choice.isValid() ? choice.toInt() : SEPARATOR_AUTODETECT;
    settings.header = ui->headerCheck->isChecked() ? HEADER_FIRST_LINE : HEADER_NONE;
    // The box's lowest value, shown as "Default", is -1.
    settings.precision = ui->precisionChoice->value();
    return true;
}
