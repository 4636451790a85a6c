#include "TextNotationField.h"

#include <algorithm>

#include "CatalogueLoaders.h"
#include "FixedText.h"
#include "MapNotation.h"

namespace {

void AppendFixed(std::string& out, double value, int decimals)
{
    char text[340];
    char* end = WriteFixed(text, text + sizeof text, value, decimals);
    if (end != nullptr)
        out.append(text, end);
}

std::string ColumnText(long long column)
{
    return "reference field " + std::to_string(column);
}

// Whether a notation applies to one side; where it is a position notation,
// the side's grid becomes 0 in gridId.
bool SideTakes(int notation, int datumId, int& gridId, const char* role, std::string& why)
{
    if (notation == 0)
        return true;
    const auto n = static_cast<MapNotation>(notation);
    CCfgMapProjection record;
    if (gridId != 0)
        LoadGridRecord(record, gridId);
    else
        LoadDatumRecord(datumId, record);
    const NotationFit fit = NotationApplies(n, gridId, record);
    if (!fit.applies)
    {
        why = std::string(role) + " " + NotationName(n) + ": not offered on this system: " + fit.why;
        return false;
    }
    if (NotationIsGeographic(n))
        gridId = 0;
    return true;
}

} // namespace

bool PrepareNotationSettings(BatchSettings& settings, std::string& why)
{
    const int column = settings.notationColumn;
    if (column == settings.altitudeColumn ||
        (settings.sourceNotation == 0 && (column == settings.longitudeColumn || column == settings.latitudeColumn)))
    {
        why = "the reference field " + std::to_string(column) + " is also a coordinate column";
        return false;
    }
    int sourceGrid = settings.sourceGrid;
    int destinationGrid = settings.destinationGrid;
    if (!SideTakes(settings.sourceNotation, settings.sourceDatum, sourceGrid, "reading", why) ||
        !SideTakes(settings.destinationNotation, settings.destinationDatum, destinationGrid, "writing", why))
        return false;
    settings.sourceGrid = sourceGrid;
    settings.destinationGrid = destinationGrid;
    return true;
}

bool ReadNotationField(const BatchSettings& settings, std::string_view text, const std::vector<TextField>& fields,
                       double& x, double& y, std::string& why)
{
    const auto column = static_cast<std::size_t>(settings.notationColumn);
    if (column > fields.size())
    {
        why = ColumnText(settings.notationColumn) + " is missing";
        return false;
    }
    const TextField& field = fields[column - 1];
    if (!field.wellFormed)
    {
        why = ColumnText(settings.notationColumn) + " is not a reference";
        return false;
    }
    const std::string value = FieldText(text, field);
    std::string reason;
    if (!ParseNotation(static_cast<MapNotation>(settings.sourceNotation), value, x, y, reason))
    {
        why = ColumnText(settings.notationColumn) + ": " + reason;
        return false;
    }
    return true;
}

bool NotationFieldText(const BatchSettings& settings, std::size_t fieldCount, double x, double y,
                       std::string_view separator, int decimals, std::string& field, std::string& why)
{
    if (static_cast<std::size_t>(settings.notationColumn) > fieldCount + 1)
    {
        why = ColumnText(settings.notationColumn) + " lies beyond the line's fields";
        return false;
    }
    field.clear();
    if (settings.destinationNotation == 0)
    {
        AppendFixed(field, x, decimals);
        field += separator.empty() ? ' ' : separator.front();
        AppendFixed(field, y, decimals);
        return true;
    }
    NotationStyle style;
    style.referenceMetres = settings.referenceMetres;
    style.utmZone = settings.utmZone;
    // UTM eastings and northings to the millimetre.
    style.decimals = 3;
    std::string reason;
    if (!FormatNotation(static_cast<MapNotation>(settings.destinationNotation), x, y, style, field, reason))
    {
        why = "no reference: " + reason;
        return false;
    }
    return true;
}

void AppendNotationLine(const BatchSettings& settings, std::string_view text, const std::vector<TextField>& fields,
                        std::string_view separator, const std::string& field, const std::string& altitude,
                        std::string& out)
{
    struct Replacement
    {
        std::size_t column;
        const std::string* value;
    };
    std::vector<Replacement> replacements = {{static_cast<std::size_t>(settings.notationColumn), &field}};
    if (settings.altitudeColumn != 0 && static_cast<std::size_t>(settings.altitudeColumn) <= fields.size())
        replacements.push_back({static_cast<std::size_t>(settings.altitudeColumn), &altitude});
    std::sort(replacements.begin(), replacements.end(),
              [](const Replacement& a, const Replacement& b) { return a.column < b.column; });
    std::size_t copied = 0;
    for (const Replacement& r : replacements)
    {
        if (r.column > fields.size())
        {
            out.append(text.substr(copied));
            copied = text.size();
            out += separator.empty() ? ' ' : separator.front();
            out.append(*r.value);
            continue;
        }
        // Numbers written for a quoted reference take its quotes' place:
        // they are two fields now.
        const TextField& f = fields[r.column - 1];
        const bool whole = f.quoted && r.value == &field && settings.destinationNotation == 0;
        out.append(text.substr(copied, (whole ? f.begin : f.valueBegin) - copied));
        out.append(*r.value);
        copied = whole ? f.end : f.valueEnd;
    }
    out.append(text.substr(std::min(copied, text.size())));
}
