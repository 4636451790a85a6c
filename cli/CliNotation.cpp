#include "CliNotation.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <memory>

#include "CatalogueLoaders.h"
#include "ConvertCoordinate.h"
#include "FixedText.h"
#include "MapNotation.h"
#include "TextNotationField.h"

namespace {

const std::vector<std::string> kNames = {"mgrs", "usng", "utm", "bng", "irish"};

// One side of a conversion with its notation: the system the engine sees
// (a position notation moves a grid side onto its datum) and how its point
// is read or written.
struct CNotationSide
{
    CCliSystem system;
    MapNotation notation = MapNotation::None;
};

// Checks a notation against a side's system; the side the engine is to use
// for it in side. False, after saying why on err.
bool PrepareSide(const std::string& name, const CCliSystem& system, const char* option, CNotationSide& side,
                 std::FILE* err)
{
    side.system = system;
    side.notation = MapNotation::None;
    if (name.empty())
        return true;
    if (!NotationFromName(name, side.notation))
    {
        std::fprintf(err, "geolynx-cli: %s: \"%s\" is not mgrs, usng, utm, bng or irish\n", option, name.c_str());
        return false;
    }
    CCfgMapProjection record;
    if (system.gridId != 0)
        LoadGridRecord(record, system.gridId);
    else
        LoadDatumRecord(system.datumId, record);
    const NotationFit fit = NotationApplies(side.notation, system.gridId, record);
    if (!fit.applies)
    {
        std::fprintf(err, "geolynx-cli: %s %s: not offered on this system: %s\n", option, name.c_str(),
                     fit.why.c_str());
        return false;
    }
    if (NotationIsGeographic(side.notation))
        side.system.gridId = 0;
    return true;
}

void AppendNumber(std::string& out, double value, int decimals)
{
    char text[340];
    char* end = WriteFixed(text, text + sizeof text, value, decimals);
    if (end != nullptr)
        out.append(text, end);
}

// Reads "X Y [Z]" as numbers.
bool ReadNumbers(std::string_view line, double v[3], int& count)
{
    count = 0;
    std::size_t i = 0;
    while (i < line.size())
    {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == ',' || line[i] == '\r'))
            ++i;
        if (i == line.size())
            break;
        std::size_t end = i;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != ',' && line[end] != '\r')
            ++end;
        if (count == 3)
            return false;
        const char* first = line.data() + i + (line[i] == '+' ? 1 : 0);
        const auto [stop, ec] = std::from_chars(first, line.data() + end, v[count]);
        if (ec != std::errc() || stop != line.data() + end || !std::isfinite(v[count]))
            return false;
        ++count;
        i = end;
    }
    return count >= 2;
}

class CNotationConverter
{
public:
    CNotationConverter(const CNotationSide& source, const CNotationSide& destination, const CCliPrecision& precision,
                       const CCliNotation& options)
        : from(source), to(destination), decimals(precision), style()
    {
        style.referenceMetres = options.referenceMetres;
        style.utmZone = options.utmZone;
        style.decimals = precision.grid;
    }

    // Converts one coordinate text into out (no line end). kConvertRefused
    // when the systems cannot be used; kConvertPointFailed, with why, when
    // this text or point cannot.
    int Convert(std::string_view text, std::string& out, std::string& why)
    {
        double v[3] = {0, 0, 0};
        int count = 2;
        if (from.notation != MapNotation::None)
        {
            std::string_view reference = text;
            while (!reference.empty() && (reference.back() == '\r' || reference.back() == ' '))
                reference.remove_suffix(1);
            if (!ParseNotation(from.notation, reference, v[0], v[1], why))
                return kConvertPointFailed;
        }
        else if (!ReadNumbers(text, v, count))
        {
            why = "not a coordinate";
            return kConvertPointFailed;
        }
        const int result = ConvertCoordinate(context, loader, first, v[0], v[1], v[2], from.system.datumId,
                                             from.system.gridId, to.system.datumId, to.system.gridId);
        first = false;
        if (result == kConvertPointFailed)
            why = context.engine.Failure();
        if (result != kConvertDone)
            return result;
        out.clear();
        if (to.notation != MapNotation::None)
        {
            if (!FormatNotation(to.notation, v[0], v[1], style, out, why))
                return kConvertPointFailed;
            // A height given stays with the point, after a tab.
            if (count == 3)
            {
                out += '\t';
                AppendNumber(out, v[2], decimals.height);
            }
            return kConvertDone;
        }
        const int places = to.system.gridId != 0 ? decimals.grid : decimals.degrees;
        AppendNumber(out, v[0], places);
        out += ' ';
        AppendNumber(out, v[1], places);
        out += ' ';
        AppendNumber(out, v[2], decimals.height);
        return kConvertDone;
    }

private:
    CNotationSide from;
    CNotationSide to;
    CCliPrecision decimals;
    NotationStyle style;
    CCatalogueRecordLoader loader;
    std::unique_ptr<CConversionContext> keep = std::make_unique<CConversionContext>();
    CConversionContext& context = *keep;
    bool first = true;
};

void AddSharedOptions(CLI::App* command, CCliNotation& notation)
{
    command->add_option("--notation", notation.from,
                        "read the coordinate as a reference: mgrs, usng, utm (zone and hemisphere, easting, "
                        "northing), bng (British National Grid, on 27700) or irish (Irish Grid, on 29901, 29902 "
                        "and 29903); mgrs, usng and utm are the WGS 84 grid, offered on WGS 84 and on datums on "
                        "GRS 1980")
        ->check(CLI::IsMember(kNames));
    command->add_option("--to-notation", notation.to, "write the result as mgrs, usng, utm, bng or irish")
        ->check(CLI::IsMember(kNames));
    command->add_option("--reference-precision", notation.referenceMetres,
                        "side of the square a written reference names, in metres: 1, 10, 100, 1000, 10000 or "
                        "100000 (default 1)")
        ->check(CLI::IsMember({1, 10, 100, 1000, 10000, 100000}));
    command->add_option("--utm-zone", notation.utmZone,
                        "write UTM in this zone (1 to 60) instead of the point's own")
        ->check(CLI::Range(1, 60));
}

} // namespace

void AddConvertNotationOptions(CLI::App* convert, CCliNotation& notation)
{
    AddSharedOptions(convert, notation);
    // With --notation the coordinate's words are the reference: they are
    // kept here, and the numbers the positional would have read stay unused.
    // An unquoted reference is up to five words ("UPS N 2000000 2000000"),
    // one quoted word; numbers stay two or three.
    CLI::Option* reading = convert->get_option("--notation");
    auto numbers = std::make_shared<int>(0);
    CLI::Option* coordinate = convert->get_option("coordinate");
    coordinate->description(coordinate->get_description() +
                            "; with --notation, the reference instead, quoted or as up to five words");
    coordinate->expected(1, 5)
        ->transform(
            [&notation, reading, numbers](std::string value) {
                if (reading->count() == 0)
                {
                    if (++*numbers > 3)
                        throw CLI::ValidationError("coordinate: give X Y [Z], at most three numbers");
                    return value;
                }
                notation.texts.push_back(value);
                return std::string("0");
            },
            "", "");
}

void AddBatchNotationOptions(CLI::App* text, CCliNotation& notation, int& column)
{
    AddSharedOptions(text, notation);
    text->add_option("--notation-column", column,
                     "field holding the coordinate as a reference: read with --notation (in place of the x "
                     "and y columns), written with --to-notation (a field one past the last is added)")
        ->check(CLI::PositiveNumber);
}

int ConvertWithNotation(const CCliSystem& from, const CCliSystem& to, const CCliPrecision& precision,
                        const CCliNotation& notation, const std::vector<double>& numbers, std::FILE* in,
                        std::FILE* out, std::FILE* err)
{
    CNotationSide source, destination;
    if (!PrepareSide(notation.from, from, "--notation", source, err) ||
        !PrepareSide(notation.to, to, "--to-notation", destination, err))
        return CLI_ERROR;
    CNotationConverter converter(source, destination, precision, notation);
    std::string written, why;
    const bool one = notation.from.empty() ? !numbers.empty() : !notation.texts.empty();
    if (one)
    {
        std::string text;
        for (const std::string& word : notation.texts)
            text += (text.empty() ? "" : " ") + word;
        for (double value : numbers)
        {
            char shortest[32];
            const auto written = std::to_chars(shortest, shortest + sizeof shortest, value);
            text += text.empty() ? "" : " ";
            text.append(shortest, written.ptr);
        }
        const int result = converter.Convert(text, written, why);
        if (result == kConvertPointFailed)
            std::fprintf(err, "geolynx-cli: \"%s\" not converted: %s\n", text.c_str(), why.c_str());
        if (result != kConvertDone)
            return CLI_ERROR;
        std::fprintf(out, "%s\n", written.c_str());
        return CLI_OK;
    }
    int status = CLI_OK;
    long number = 0;
    char* line = nullptr;
    std::size_t room = 0;
    ssize_t length = 0;
    while ((length = ::getline(&line, &room, in)) >= 0)
    {
        ++number;
        std::string_view text(line, static_cast<std::size_t>(length));
        if (!text.empty() && text.back() == '\n')
            text.remove_suffix(1);
        const int result = converter.Convert(text, written, why);
        if (result == kConvertRefused)
        {
            status = CLI_ERROR;
            break;
        }
        if (result == kConvertPointFailed)
        {
            std::fprintf(err, "geolynx-cli: line %ld not converted: %s\n", number, why.c_str());
            std::fprintf(out, "%.*s\n", static_cast<int>(text.size()), text.data());
            status = CLI_BAD_LINES;
            continue;
        }
        std::fprintf(out, "%s\n", written.c_str());
    }
    std::free(line);
    return status;
}

bool ApplyBatchNotation(const CCliNotation& notation, int column, BatchSettings& settings, std::FILE* err)
{
    if (column == 0)
    {
        if (notation.Active())
            std::fprintf(err, "geolynx-cli: --notation and --to-notation need --notation-column\n");
        return !notation.Active();
    }
    if (!notation.Active())
    {
        std::fprintf(err, "geolynx-cli: --notation-column needs --notation or --to-notation\n");
        return false;
    }
    MapNotation source = MapNotation::None, destination = MapNotation::None;
    NotationFromName(notation.from, source);
    NotationFromName(notation.to, destination);
    settings.notationColumn = column;
    settings.sourceNotation = static_cast<int>(source);
    settings.destinationNotation = static_cast<int>(destination);
    settings.referenceMetres = notation.referenceMetres;
    settings.utmZone = notation.utmZone;
    std::string why;
    if (!PrepareNotationSettings(settings, why))
    {
        std::fprintf(err, "geolynx-cli: --notation-column %d: %s\n", column, why.c_str());
        return false;
    }
    return true;
}
