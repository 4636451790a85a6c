#include "CliCommands.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "BlockScheduler.h"
#include "CatalogueConnection.h"
#include "CatalogueLoaders.h"
#include "CatalogueRows.h"
#include "CatalogueLookups.h"
#include "CatalogueStatements.h"
#include "ConversionReport.h"
#include "CliHeights.h"
#include "ConvertCoordinate.h"
#include "HeightConversion.h"
#include "CxAdo.h"
#include "Geodesic.h"
#include "DistanceText.h"
#include "FixedText.h"
#include "Messages.h"
#include "ConnectionString.h"
#include "NumberText.h"
#include "TextCase.h"

namespace {

bool ParseIdentifier(std::string_view text, int& id)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, id);
    return ec == std::errc() && ptr == end;
}

bool GridExists(int gridId)
{
    CCxString name("Unknown Grid");
    LookupGridName(gridId, name);
    return !(name == "Unknown Grid");
}

bool DatumExists(int datumId)
{
    CCxString name("Unknown Datum");
    LookupDatumName(datumId, name);
    return !(name == "Unknown Datum");
}

CCliSystem GridSystem(int gridId)
{
    CCliSystem system;
    if (gridId == 0 || !GridExists(gridId))
        return system;
    CCfgMapProjection record;
    record.datumId = 0;
    LoadGridRecord(record, gridId);
    system.gridId = gridId;
    system.datumId = record.datumId;
    return system;
}

// Room WriteFixed may take: the widest double in fixed notation with 17
// decimals.
constexpr std::size_t kFixedLimit = 340;

// Writes value as printf's "%.*f" does in the C locale, into room for
// kFixedLimit bytes.
char* WriteNumber(char* out, double value, int decimals)
{
    char* end = WriteFixed(out, out + kFixedLimit, value, decimals);
    return end != nullptr ? end : out;
}

void AppendFixed(std::string& out, double value, int decimals)
{
    char buffer[kFixedLimit];
    out.append(buffer, WriteNumber(buffer, value, decimals));
}

// Writes "X Y Z" and a line feed; needs 3 * kFixedLimit + 3 bytes of room.
char* WriteCoordinate(char* p, const CCliSystem& to, const CCliPrecision& precision, double x, double y, double z)
{
    const int decimals = to.gridId != 0 ? precision.grid : precision.degrees;
    p = WriteNumber(p, x, decimals);
    *p++ = ' ';
    p = WriteNumber(p, y, decimals);
    *p++ = ' ';
    p = WriteNumber(p, z, precision.height);
    *p++ = '\n';
    return p;
}


bool IsSeparator(char c)
{
    return c == ' ' || c == '\t' || c == ',' || c == '\r';
}

bool IsDigitChar(char c)
{
    return c >= '0' && c <= '9';
}

// What ParseCoordinateLine makes of a line.
enum class LineRead
{
    Coordinate,
    NotCoordinate,
    // "12,5 48": a decimal comma, or a comma between two numbers?
    AmbiguousComma,
};

// Reads "X Y [Z]" separated by blanks, tabs or commas; anything else on the
// line makes it not a coordinate. A comma between two digits may be a
// decimal comma: unless commaSeparates says it is a separator, such a line
// is refused rather than guessed. Plain decimals, nearly every number of a
// stream, are read the fast way, which gives from_chars' double; the others
// by the one strict reader.
LineRead ParseCoordinateLine(const char* p, const char* end, bool commaSeparates, double values[3], int& count)
{
    count = 0;
    // Most lines hold no comma at all: nothing to look at closer.
    if (!commaSeparates && std::memchr(p, ',', static_cast<std::size_t>(end - p)) != nullptr)
    {
        // "4.5,52.5" and "12,5,48" are separated by commas alone; "12,5 48"
        // separates by blanks too, and its comma may be a decimal comma.
        const char* first = p;
        const char* last = end;
        while (first < last && IsSeparator(*first))
            ++first;
        while (last > first && IsSeparator(last[-1]))
            --last;
        bool digitCommaDigit = false;
        bool blank = false;
        for (const char* c = first; c < last; ++c)
        {
            blank = blank || *c == ' ' || *c == '\t';
            digitCommaDigit = digitCommaDigit || (c + 2 < last && c[1] == ',' && IsDigitChar(c[0]) && IsDigitChar(c[2]));
        }
        if (digitCommaDigit && blank)
            return LineRead::AmbiguousComma;
    }
    while (true)
    {
        while (p < end && IsSeparator(*p))
            ++p;
        if (p == end)
            return count >= 2 ? LineRead::Coordinate : LineRead::NotCoordinate;
        if (count == 3)
            return LineRead::NotCoordinate;
        double v = 0;
        const char* stop = ReadPlainDecimalPrefix(p, end, false, v);
        if (stop == nullptr || (stop != end && !IsSeparator(*stop)))
        {
            stop = p;
            while (stop < end && !IsSeparator(*stop))
                ++stop;
            if (!ReadStrictNumber(std::string_view(p, static_cast<std::size_t>(stop - p)), '.', true, v))
                return LineRead::NotCoordinate;
        }
        values[count++] = v;
        p = stop;
    }
}

bool CheckSystems(const CCliSystem& from, const CCliSystem& to)
{
    return SystemsKnown(from, to, std::string(), std::string(), stderr);
}


} // namespace

bool SystemsKnown(const CCliSystem& from, const CCliSystem& to, const std::string& fromText,
                  const std::string& toText, std::FILE* err)
{
    const std::pair<const CCliSystem*, const std::string*> sides[] = {{&from, &fromText}, {&to, &toText}};
    for (const auto& [system, text] : sides)
    {
        if (system->datumId != 0 && DatumExists(system->datumId))
            continue;
        const char* option = system == &from ? "--from" : "--to";
        if (text->empty())
            std::fprintf(err, "geolynx-cli: %s: the catalogue has no such grid or datum\n", option);
        else
            std::fprintf(err, "geolynx-cli: %s: the catalogue has no grid or datum \"%s\"\n", option, text->c_str());
        return false;
    }
    return true;
}

std::string CatalogueProblem(const std::string& given)
{
    if (!given.empty())
    {
        // A catalogue named on the command line must be there: a mistyped
        // name would otherwise become a fresh copy of the shipped one.
        const CConnectionString connection(given);
        const std::string file = connection.Get("Data Source");
        if (AsciiLower(connection.Get("Provider")) == "sqlite" && !file.empty() && !std::filesystem::exists(file))
            return "--catalogue: \"" + file + "\" does not exist";
    }
    CCxAdo ado;
    if (!OpenCatalogue(ado))
        return std::string("the catalogue cannot be opened: ") + ado.LastMessage.c_str();
    for (const char* table : {"tblDatums", "tblGrids"})
    {
        if (ado.OpenRecordset((std::string("SELECT count(*) FROM ") + table).c_str()) < 0)
            return std::string("the catalogue cannot be read: ") + ado.LastMessage.c_str();
        ado.CloseRecordset();
    }
    return std::string();
}

bool ResolveSystem(const std::string& text, CCliSystem& system)
{
    std::string horizontal;
    int geoidId = 0;
    if (text.find('+') != std::string::npos)
    {
        if (!SplitCompound(text, horizontal, geoidId) || !ResolveSystem(horizontal, system))
            return false;
        system.geoidId = geoidId;
        return true;
    }
    int id = 0;
    std::string_view view(text);
    if (view.starts_with("grid:"))
    {
        if (!ParseIdentifier(view.substr(5), id))
            return false;
        system = GridSystem(id);
        return true;
    }
    if (view.starts_with("datum:"))
    {
        if (!ParseIdentifier(view.substr(6), id))
            return false;
        system = CCliSystem{id, 0};
        return true;
    }
    // "EPSG:32631" names the system as its bare code does.
    if (view.size() > 5 && AsciiLower(std::string(view.substr(0, 5))) == "epsg:")
        view.remove_prefix(5);
    if (!ParseIdentifier(view, id))
        return false;
    system = GridExists(id) ? GridSystem(id) : CCliSystem{id, 0};
    return true;
}

int ConvertOne(const CCliSystem& from, const CCliSystem& to, const CCliPrecision& precision, double x, double y,
               double z, std::FILE* out)
{
    if (!CheckSystems(from, to))
        return CLI_ERROR;
    auto context = std::make_unique<CConversionContext>();
    CCatalogueRecordLoader loader;
    context->sourceGeoid = from.geoidId;
    context->destinationGeoid = to.geoidId;
    const int result =
        ConvertCoordinate(*context, loader, true, x, y, z, from.datumId, from.gridId, to.datumId, to.gridId);
    if (result == kConvertPointFailed)
        std::fprintf(stderr, "geolynx-cli: not converted: %s\n", context->engine.Failure().c_str());
    if (result != kConvertDone)
        return CLI_ERROR;
    char line[3 * kFixedLimit + 3];
    const auto length = static_cast<std::size_t>(WriteCoordinate(line, to, precision, x, y, z) - line);
    if (std::fwrite(line, 1, length, out) != length)
        return ReportOutputError(errno, stderr);
    return FinishOutput(out, stderr);
}

namespace {

struct CLine
{
    const char* begin;
    const char* end;
};

// Where a line's text lies in the output of the share that converted it.
struct CLineResult
{
    std::size_t share;
    std::size_t at;
    std::size_t length;
    bool bad;
    // Outside the systems' areas of use: where the point lies, for the warning.
    bool outside;
    double latitude;
    double longitude;
    // Why a bad line was left, in its share's reasons.
    std::size_t reason;
};

// A share's output: grows while a block is converted and keeps its room for
// the next block.
struct CStreamShare
{
    std::vector<char> text;
    std::size_t used = 0;
    std::vector<std::string> reasons;

    char* Room(std::size_t bytes)
    {
        if (used + bytes > text.size())
            text.resize(std::max(text.size() * 2, used + bytes));
        return text.data() + used;
    }
    void Append(const char* begin, const char* end)
    {
        const auto length = static_cast<std::size_t>(end - begin);
        char* at = Room(length + 1);
        std::memcpy(at, begin, length);
        at[length] = '\n';
        used += length + 1;
    }
};

// At least this many lines make a share of a block worth another thread.
constexpr std::size_t kLinesAShare = 2048;

} // namespace

int ConvertStream(const CCliSystem& from, const CCliSystem& to, const CCliPrecision& precision, std::FILE* in,
                  std::FILE* out, std::FILE* err, const CConversionReport* report, bool strict,
                  bool commaSeparates)
{
    if (!CheckSystems(from, to))
        return CLI_ERROR;
    // The records are loaded from the catalogue once, at the first line that
    // is a coordinate, and every thread's engine is set up with them; the
    // points are then converted without comparing them again.
    CCatalogueRecordLoader loader;
    auto loaded = std::make_unique<CConversionContext>();
    loaded->sourceGeoid = from.geoidId;
    loaded->destinationGeoid = to.geoidId;
    bool ready = false;
    const bool gridSource = from.gridId != 0;
    const bool gridDestination = to.gridId != 0;
    // Blocks of many lines are cut into shares on every core; the output
    // keeps the input's order.
    CBlockScheduler scheduler(kLinesAShare);
    std::vector<CStreamShare> shares(scheduler.Threads());
    int status = CLI_OK;
    long number = 0;
    std::vector<CLine> lines;
    std::vector<CLineResult> results;
    // Each share's engine that locates source grid points on their datum, for the area check.
    std::vector<std::unique_ptr<CProjections>> locators;
    if (report != nullptr)
        for (std::size_t s = 0; s < shares.size(); ++s)
        {
            locators.push_back(std::make_unique<CProjections>());
            report->SetUpLocator(*locators.back());
        }
    // The first write to out that failed: the run stops there.
    int writeError = 0;

    // A line as read before it is converted.
    struct CParsed
    {
        double v[3];
        LineRead read;
    };
    auto convertLine = [&](std::size_t s, std::size_t i, CParsed& parsed) {
        CStreamShare& share = shares[s];
        CConversionContext& context = scheduler.Context(s);
        const CLine& line = lines[i];
        CLineResult& result = results[i];
        result = CLineResult{s, share.used, 0, false, false, 0, 0, 0};
        double* v = parsed.v;
        const LineRead read = parsed.read;
        if (read == LineRead::Coordinate && report != nullptr &&
            report->Locate(*locators[s], v[0], v[1], result.latitude, result.longitude))
            result.outside = !report->Outside(result.latitude, result.longitude).empty();
        std::string why;
        if (read == LineRead::AmbiguousComma)
            why = "holds a comma between digits, a decimal comma or a separator: write decimal points, or give "
                  "--separator comma";
        else if (read == LineRead::NotCoordinate)
            why = "is not a coordinate";
        else if (strict && result.outside)
            why = "lies outside the area of use of its systems";
        else if (ConvertLoadedPoint(context, gridSource, gridDestination, v[0], v[1], v[2]) != kConvertDone)
            why = "cannot be converted (" +
                  (context.engine.Failure().empty() ? std::string("no reason given") : context.engine.Failure()) +
                  ")";
        if (!why.empty())
        {
            share.Append(line.begin, line.end);
            result.bad = true;
            result.reason = share.reasons.size();
            share.reasons.push_back(std::move(why));
        }
        else
        {
            char* at = share.Room(3 * kFixedLimit + 3);
            share.used += static_cast<std::size_t>(WriteCoordinate(at, to, precision, v[0], v[1], v[2]) - at);
        }
        result.length = share.used - result.at;
    };
    // A few lines are read ahead of their conversion, so that the geoid
    // nodes of their positions are on their way from memory meanwhile.
    constexpr std::size_t kReadAhead = 16;
    auto convert = [&](std::size_t s, std::size_t first, std::size_t last) {
        const CConversionContext& context = scheduler.Context(s);
        const bool prefetch = !gridSource && context.heightModels != nullptr;
        CParsed parsed[kReadAhead];
        for (std::size_t start = first; start < last; start += kReadAhead)
        {
            const std::size_t count = std::min(kReadAhead, last - start);
            for (std::size_t k = 0; k < count; ++k)
            {
                CParsed& p = parsed[k];
                p.v[0] = p.v[1] = p.v[2] = 0;
                int n = 0;
                p.read = ParseCoordinateLine(lines[start + k].begin, lines[start + k].end, commaSeparates, p.v, n);
                if (prefetch && p.read == LineRead::Coordinate)
                    PrefetchHeights(context, p.v[0], p.v[1]);
            }
            for (std::size_t k = 0; k < count; ++k)
                convertLine(s, start + k, parsed[k]);
        }
    };

    auto convertBlock = [&]() {
        if (!ready)
        {
            // A probe of the first coordinate loads the records; the systems
            // are refused, with their message, before anything of the block
            // is written.
            for (const CLine& line : lines)
            {
                double v[3] = {0, 0, 0};
                int n = 0;
                if (ParseCoordinateLine(line.begin, line.end, commaSeparates, v, n) != LineRead::Coordinate)
                    continue;
                if (ConvertCoordinate(*loaded, loader, true, v[0], v[1], v[2], from.datumId, from.gridId, to.datumId,
                                      to.gridId) == kConvertRefused)
                    return false;
                scheduler.Load(*loaded);
                ready = true;
                break;
            }
        }
        for (CStreamShare& share : shares)
        {
            share.used = 0;
            share.reasons.clear();
        }
        results.resize(lines.size());
        scheduler.Run(lines.size(), kLinesAShare, convert);
        // Consecutive lines a share converted lie together in its output and
        // are written at once.
        std::size_t pendingShare = 0, pendingAt = 0, pendingLength = 0;
        auto flush = [&]() {
            if (pendingLength != 0 && writeError == 0 &&
                std::fwrite(shares[pendingShare].text.data() + pendingAt, 1, pendingLength, out) != pendingLength)
                writeError = errno != 0 ? errno : EIO;
            pendingLength = 0;
        };
        for (std::size_t i = 0; i < lines.size(); ++i)
        {
            const CLineResult& result = results[i];
            if (result.outside)
            {
                std::fprintf(err, "geolynx-cli: %s: line %ld: %s; check the axis order and the systems\n",
                             strict ? "not converted" : "warning", number + static_cast<long>(i) + 1,
                             report->Outside(result.latitude, result.longitude).c_str());
                if (strict)
                    status = CLI_BAD_LINES;
            }
            if (result.bad && !(strict && result.outside))
            {
                // Long lines are quoted by their beginning only.
                const CLine& line = lines[i];
                const int shown = static_cast<int>(std::min<std::ptrdiff_t>(line.end - line.begin, 80));
                std::fprintf(err, "geolynx-cli: line %ld %s: %.*s%s\n", number + static_cast<long>(i) + 1,
                             shares[result.share].reasons[result.reason].c_str(), shown, line.begin,
                             line.end - line.begin > shown ? "..." : "");
                status = CLI_BAD_LINES;
            }
            if (pendingLength != 0 && result.share == pendingShare && result.at == pendingAt + pendingLength)
            {
                pendingLength += result.length;
                continue;
            }
            flush();
            pendingShare = result.share;
            pendingAt = result.at;
            pendingLength = result.length;
        }
        flush();
        number += static_cast<long>(lines.size());
        lines.clear();
        return true;
    };

    // Lines are cut from blocks of input; a line longer than the block makes
    // the block grow, so every line is read whole. A quarter of a megabyte
    // (some 10,000 lines) keeps a block's text, lines and output in the
    // processor's cache, and still gives every thread several pieces.
    std::vector<char> block(1 << 18);
    std::size_t held = 0;
    bool more = true;
    while (more)
    {
        const std::size_t n = std::fread(block.data() + held, 1, block.size() - held, in);
        held += n;
        more = n != 0;
        std::size_t start = 0;
        while (start < held)
        {
            const char* begin = block.data() + start;
            const auto* feed = static_cast<const char*>(std::memchr(begin, '\n', held - start));
            if (feed == nullptr)
                break;
            lines.push_back(CLine{begin, feed});
            start = static_cast<std::size_t>(feed - block.data()) + 1;
        }
        if (!more && start < held)
        {
            lines.push_back(CLine{block.data() + start, block.data() + held});
            start = held;
        }
        if (!lines.empty() && !convertBlock())
            return CLI_ERROR;
        if (writeError != 0)
            return ReportOutputError(writeError, err);
        std::memmove(block.data(), block.data() + start, held - start);
        held -= start;
        if (held == block.size())
            block.resize(block.size() * 2);
    }
    const int finished = FinishOutput(out, err);
    return finished != CLI_OK ? finished : status;
}

int ReportOutputError(int error, std::FILE* err)
{
    std::fprintf(err, "geolynx-cli: the output cannot be written: %s\n", std::strerror(error));
    return CLI_ERROR;
}

int FinishOutput(std::FILE* out, std::FILE* err)
{
    errno = 0;
    if (std::fflush(out) != 0 || std::ferror(out) != 0)
        return ReportOutputError(errno != 0 ? errno : EIO, err);
    return CLI_OK;
}

int ListCatalogue(const std::string& kind, int countryId, int datumId, const std::string& search, std::FILE* out,
                  std::FILE* err)
{
    // The rows come from the catalogue's typed lists, the very ones the
    // selection dialogs show.
    using Lister = std::function<bool(std::vector<NamedRow>&, std::string*)>;
    const std::pair<const char*, Lister> listings[] = {
        {"grids", [countryId, datumId](std::vector<NamedRow>& rows, std::string* message) {
             return ListGrids(countryId, datumId, rows, message);
         }},
        {"datums", ListDatums},
        {"ellipsoids", ListEllipsoids},
        {"meridians", ListMeridians},
        {"countries", ListCountries},
        {"units", ListUnits},
        {"projections", ListProjections},
    };
    const Lister* lister = nullptr;
    for (const auto& [name, function] : listings)
        if (kind == name)
            lister = &function;
    if (lister == nullptr)
    {
        std::fprintf(err, "geolynx-cli: nothing to list called \"%s\"\n", kind.c_str());
        return CLI_ERROR;
    }

    std::vector<NamedRow> rows;
    std::string message;
    if (!(*lister)(rows, &message))
    {
        std::fprintf(err, "geolynx-cli: %s\n", message.c_str());
        return CLI_ERROR;
    }
    const std::string wanted = FoldForSearch(search);
    std::string output;
    for (const NamedRow& row : rows)
    {
        if (!wanted.empty() && FoldForSearch(row.name).find(wanted) == std::string::npos)
            continue;
        output += std::to_string(row.id);
        output += '\t';
        output += row.name;
        output += '\n';
    }
    if (std::fputs(output.c_str(), out) == EOF)
        return ReportOutputError(errno, err);
    return FinishOutput(out, err);
}

int PrintDistance(double lat1, double lon1, double lat2, double lon2, std::FILE* out)
{
    const DistanceAndAzimuths d = ComputeDistanceAndAzimuths(lat1, lon1, lat2, lon2);
    std::string line;
    AppendFixed(line, d.distance, 3);
    // Coincident positions have no azimuth: a word, not a number.
    for (const std::optional<double>& azimuth : {d.forwardAzimuth, d.reverseAzimuth})
    {
        line += ' ';
        if (azimuth)
            AppendFixed(line, *azimuth, 6);
        else
            line += kNoAzimuth;
    }
    line += '\n';
    if (std::fputs(line.c_str(), out) == EOF)
        return ReportOutputError(errno, stderr);
    return FinishOutput(out, stderr);
}
