#include "CliCommands.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "CatalogueConnection.h"
#include "CatalogueLoaders.h"
#include "CatalogueRows.h"
#include "CatalogueLookups.h"
#include "CatalogueStatements.h"
#include "ConvertCoordinate.h"
#include "CxAdo.h"
#include "Geodesic.h"
#include "Messages.h"

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

// Writes value with the given decimals, as printf's "%.*f" writes it in the
// C locale. Most values are far from a rounding tie, and those are written
// from one scaled integer; the others, and every value out of that range,
// take the exact library conversion.
char* WriteFixed(char* out, double value, int decimals)
{
    static constexpr double kPowers[] = {1,    1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,
                                         1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17};
    char buffer[64];
    if (decimals >= 0 && decimals <= 17 && std::isfinite(value))
    {
        const double scaled = std::fabs(value) * kPowers[decimals];
        const double whole = std::floor(scaled);
        // The product carries at most half an ulp of error; a fraction that
        // far from one half rounds the same way as the exact decimal.
        if (scaled < 9.0e15 && std::fabs(scaled - whole - 0.5) > scaled * 4e-16 + 1e-300)
        {
            auto digits = static_cast<unsigned long long>(whole) + (scaled - whole > 0.5 ? 1 : 0);
            char* end = buffer + sizeof buffer;
            char* p = end;
            for (int i = 0; i < decimals; ++i)
            {
                *--p = static_cast<char>('0' + digits % 10);
                digits /= 10;
            }
            if (decimals > 0)
                *--p = '.';
            do
            {
                *--p = static_cast<char>('0' + digits % 10);
                digits /= 10;
            } while (digits != 0);
            if (std::signbit(value))
                *--p = '-';
            const auto length = static_cast<std::size_t>(end - p);
            std::memcpy(out, p, length);
            return out + length;
        }
    }
    const auto [ptr, ec] = std::to_chars(out, out + kFixedLimit, value, std::chars_format::fixed, decimals);
    if (ec == std::errc())
        return ptr;
    std::memcpy(out, "nan", 3);
    return out + 3;
}

void AppendFixed(std::string& out, double value, int decimals)
{
    char buffer[kFixedLimit];
    out.append(buffer, WriteFixed(buffer, value, decimals));
}

// Writes "X Y Z" and a line feed; needs 3 * kFixedLimit + 3 bytes of room.
char* WriteCoordinate(char* p, const CCliSystem& to, const CCliPrecision& precision, double x, double y, double z)
{
    const int decimals = to.gridId != 0 ? precision.grid : precision.degrees;
    p = WriteFixed(p, x, decimals);
    *p++ = ' ';
    p = WriteFixed(p, y, decimals);
    *p++ = ' ';
    p = WriteFixed(p, z, precision.height);
    *p++ = '\n';
    return p;
}


bool IsSeparator(char c)
{
    return c == ' ' || c == '\t' || c == ',' || c == '\r';
}

// Reads "X Y [Z]" separated by blanks, tabs or commas; anything else on the
// line makes it not a coordinate.
bool ParseCoordinateLine(const char* p, const char* end, double values[3], int& count)
{
    count = 0;
    while (true)
    {
        while (p < end && IsSeparator(*p))
            ++p;
        if (p == end)
            return count >= 2;
        if (count == 3)
            return false;
        if (*p == '+')
            ++p;
        double v = 0;
        const auto [next, ec] = std::from_chars(p, end, v, std::chars_format::general);
        if (ec != std::errc() || next == p || !std::isfinite(v))
            return false;
        if (next < end && !IsSeparator(*next))
            return false;
        values[count++] = v;
        p = next;
    }
}

bool CheckSystems(const CCliSystem& from, const CCliSystem& to)
{
    if (from.datumId == 0 || !DatumExists(from.datumId))
    {
        ShowMessage(IDS_NO_SOURCE_DATUM);
        return false;
    }
    if (to.datumId == 0 || !DatumExists(to.datumId))
    {
        ShowMessage(IDS_NO_DESTINATION_DATUM);
        return false;
    }
    return true;
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

} // namespace

bool ResolveSystem(const std::string& text, CCliSystem& system)
{
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
    if (!ParseIdentifier(view, id))
        return false;
    system = GridExists(id) ? GridSystem(id) : CCliSystem{id, 0};
    return true;
}

int ConvertOne(const CCliSystem& from, const CCliSystem& to, const CCliPrecision& precision, double x, double y,
               double z, std::FILE* out)
{
    // The conversion itself refuses a system the catalogue lacks, with its message.
    auto context = std::make_unique<CConversionContext>();
    CCatalogueRecordLoader loader;
    const int result =
        ConvertCoordinate(*context, loader, true, x, y, z, from.datumId, from.gridId, to.datumId, to.gridId);
    if (result == kConvertPointFailed)
        std::fprintf(stderr, "geolynx-cli: not converted: %s\n", context->engine.Failure().c_str());
    if (result != kConvertDone)
        return CLI_ERROR;
    char line[3 * kFixedLimit + 3];
    std::fwrite(line, 1, static_cast<std::size_t>(WriteCoordinate(line, to, precision, x, y, z) - line), out);
    return CLI_OK;
}

namespace {

// Hands out each record the catalogue gave once, so the workers of a stream
// share one catalogue load.
class CSharedRecordLoader : public CRecordLoader
{
public:
    void LoadGridRecord(int gridId, CCfgMapProjection& record) override { Load(true, gridId, record); }
    void LoadDatumRecord(int datumId, CCfgMapProjection& record) override { Load(false, datumId, record); }

private:
    void Load(bool grid, int id, CCfgMapProjection& record)
    {
        std::lock_guard<std::mutex> guard(mutex);
        for (const Entry& e : entries)
            if (e.grid == grid && e.id == id)
            {
                record = e.record;
                return;
            }
        if (grid)
            catalogue.LoadGridRecord(id, record);
        else
            catalogue.LoadDatumRecord(id, record);
        entries.push_back(Entry{grid, id, record});
    }

    struct Entry
    {
        bool grid;
        int id;
        CCfgMapProjection record;
    };
    std::mutex mutex;
    std::vector<Entry> entries;
    CCatalogueRecordLoader catalogue;
};

// One worker's share of a block: its own engine, its output and the
// positions (within the block's lines) of the lines that were not
// coordinates.
struct CStreamWorker
{
    std::unique_ptr<CConversionContext> context = std::make_unique<CConversionContext>();
    bool loaded = false;
    std::vector<char> output;
    std::vector<std::size_t> bad;
    bool failed = false;
};

struct CLine
{
    const char* begin;
    const char* end;
};

void ConvertLines(CStreamWorker& worker, CRecordLoader& loader, const CCliSystem& from, const CCliSystem& to,
                  const CCliPrecision& precision, const CLine* lines, std::size_t first, std::size_t count)
{
    worker.output.clear();
    worker.bad.clear();
    for (std::size_t i = first; i < first + count; ++i)
    {
        const CLine& line = lines[i];
        double v[3] = {0, 0, 0};
        int n = 0;
        const std::size_t at = worker.output.size();
        if (!ParseCoordinateLine(line.begin, line.end, v, n))
        {
            worker.output.insert(worker.output.end(), line.begin, line.end);
            worker.output.push_back('\n');
            worker.bad.push_back(i);
            continue;
        }
        const int result = ConvertCoordinate(*worker.context, loader, !worker.loaded, v[0], v[1], v[2], from.datumId,
                                             from.gridId, to.datumId, to.gridId);
        if (result == kConvertRefused)
        {
            worker.failed = true;
            return;
        }
        worker.loaded = true;
        if (result == kConvertPointFailed)
        {
            worker.output.insert(worker.output.end(), line.begin, line.end);
            worker.output.push_back('\n');
            worker.bad.push_back(i);
            continue;
        }
        worker.output.resize(at + 3 * kFixedLimit + 3);
        char* end = WriteCoordinate(worker.output.data() + at, to, precision, v[0], v[1], v[2]);
        worker.output.resize(static_cast<std::size_t>(end - worker.output.data()));
    }
}

} // namespace

int ConvertStream(const CCliSystem& from, const CCliSystem& to, const CCliPrecision& precision, std::FILE* in,
                  std::FILE* out, std::FILE* err)
{
    if (!CheckSystems(from, to))
        return CLI_ERROR;
    CSharedRecordLoader loader;
    // Blocks of many lines are cut into one share a core; the output keeps
    // the input's order.
    const unsigned cores = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    std::vector<CStreamWorker> workers(cores);
    constexpr std::size_t kLinesPerWorker = 2048;
    int status = CLI_OK;
    long number = 0;
    std::vector<CLine> lines;

    auto convertBlock = [&]() {
        const std::size_t total = lines.size();
        const std::size_t shares =
            std::max<std::size_t>(1, std::min<std::size_t>(workers.size(), total / kLinesPerWorker));
        const std::size_t each = (total + shares - 1) / shares;
        std::vector<std::thread> threads;
        for (std::size_t w = 1; w < shares; ++w)
        {
            const std::size_t first = std::min(total, w * each);
            threads.emplace_back(ConvertLines, std::ref(workers[w]), std::ref(loader), std::cref(from), std::cref(to),
                                 std::cref(precision), lines.data(), first, std::min(each, total - first));
        }
        ConvertLines(workers[0], loader, from, to, precision, lines.data(), 0, std::min(each, total));
        for (std::thread& t : threads)
            t.join();
        for (std::size_t w = 0; w < shares; ++w)
        {
            CStreamWorker& worker = workers[w];
            if (worker.failed)
                return false;
            for (const std::size_t i : worker.bad)
            {
                // Long lines are quoted by their beginning only.
                const CLine& line = lines[i];
                const int shown = static_cast<int>(std::min<std::ptrdiff_t>(line.end - line.begin, 80));
                std::fprintf(err, "geolynx-cli: line %ld is not a coordinate: %.*s%s\n",
                             number + static_cast<long>(i) + 1, shown, line.begin,
                             line.end - line.begin > shown ? "..." : "");
                status = CLI_BAD_LINES;
            }
            if (!worker.output.empty())
                std::fwrite(worker.output.data(), 1, worker.output.size(), out);
        }
        number += static_cast<long>(total);
        lines.clear();
        return true;
    };

    // Lines are cut from large blocks of input; a line longer than the block
    // makes the block grow, so every line is read whole.
    std::vector<char> block(1 << 20);
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
        std::memmove(block.data(), block.data() + start, held - start);
        held -= start;
        if (held == block.size())
            block.resize(block.size() * 2);
    }
    std::fflush(out);
    return status;
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
    const std::string wanted = Lower(search);
    std::string output;
    for (const NamedRow& row : rows)
    {
        if (!wanted.empty() && Lower(row.name).find(wanted) == std::string::npos)
            continue;
        output += std::to_string(row.id);
        output += '\t';
        output += row.name;
        output += '\n';
    }
    std::fputs(output.c_str(), out);
    return CLI_OK;
}

int PrintDistance(double lat1, double lon1, double lat2, double lon2, std::FILE* out)
{
    const DistanceAndAzimuths d = ComputeDistanceAndAzimuths(lat1, lon1, lat2, lon2);
    std::string line;
    AppendFixed(line, d.distance, 3);
    line += ' ';
    AppendFixed(line, d.forwardAzimuth, 6);
    line += ' ';
    AppendFixed(line, d.reverseAzimuth, 6);
    line += '\n';
    std::fputs(line.c_str(), out);
    return CLI_OK;
}
