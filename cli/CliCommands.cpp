#include "CliCommands.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cctype>
#include <charconv>
#include <condition_variable>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include <string.h>

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

// The common line of a stream, two or three plain decimals between blanks,
// read from p on without first finding its end: the line feed (or the end)
// it stops at, or nullptr for any other line, which ParseCoordinateLine
// reads. Both read such a line alike.
const char* ReadPlainLine(const char* p, const char* end, double values[3])
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    for (int count = 0;; ++count)
    {
        while (p < end && blank(*p))
            ++p;
        if (p == end || *p == '\n')
            return count >= 2 ? p : nullptr;
        if (count == 3)
            return nullptr;
        p = ReadPlainDecimalPrefix(p, end, false, values[count]);
        if (p == nullptr || (p != end && !blank(*p) && *p != '\n'))
            return nullptr;
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

// What a line's reader is told besides its output: where the point lies when
// it is outside the systems' areas of use, and why a line was left as it was.
struct CStreamNote
{
    std::size_t line; // in its block, from 0
    CLine text;
    bool outside;
    double latitude;
    double longitude;
    std::string why; // empty: converted
};

// A block of whole input lines, converted by one worker into its output and
// notes, which are written when every earlier block has been.
struct CStreamBlock
{
    std::vector<char> text;
    std::size_t held = 0;
    unsigned long ticket = 0;
    std::vector<CLine> lines;
    std::vector<char> output;
    std::size_t used = 0;
    std::vector<CStreamNote> notes;

    char* Room(std::size_t bytes)
    {
        if (used + bytes > output.size())
            output.resize(std::max(output.size() * 2, used + bytes));
        return output.data() + used;
    }
    void Append(const CLine& line)
    {
        const auto length = static_cast<std::size_t>(line.end - line.begin);
        char* at = Room(length + 1);
        std::memcpy(at, line.begin, length);
        at[length] = '\n';
        used += length + 1;
    }
    // Cuts the text into lines, as Convert does; the last one may lack its
    // line feed.
    void Cut()
    {
        lines.clear();
        const char* p = text.data();
        const char* end = p + held;
        while (p < end)
        {
            const auto* feed = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            lines.push_back(CLine{p, feed != nullptr ? feed : end});
            p = feed != nullptr ? feed + 1 : end;
        }
    }
};

// A line as read before it is converted.
struct CParsedLine
{
    double v[3];
    LineRead read;
};

// Bytes of input a block starts with: some 10,000 lines, small enough for a
// block's text and output to stay in the processor's cache, and a hundredth
// of a million-line stream, so that the last block keeps one worker alone
// only briefly.
constexpr std::size_t kBlockBytes = 1 << 18;
// A few lines are read ahead of their conversion, so that the geoid nodes of
// their positions are on their way from memory meanwhile.
constexpr std::size_t kReadAhead = 16;

// The stream on every core: each worker takes the next block of input (the
// reading is one at a time, in order), converts it with an engine of its own
// and writes it when the block before it is written. Reading and writing
// thus overlap the other workers' conversion, and the output keeps the
// input's order.
class CStream
{
public:
    CStream(const CCliSystem& from_, const CCliSystem& to_, const CCliPrecision& precision_, std::FILE* in_,
            std::FILE* out_, std::FILE* err_, const CConversionReport* report_, bool strict_, bool commaSeparates_)
        : from(from_), to(to_), precision(precision_), in(in_), out(out_), err(err_), report(report_),
          strict(strict_), commaSeparates(commaSeparates_), scheduler(1)
    {
        loaded.sourceGeoid = from.geoidId;
        loaded.destinationGeoid = to.geoidId;
        // Each worker's engine that locates source grid points on their datum, for the area check.
        if (report != nullptr)
            for (std::size_t s = 0; s < scheduler.Threads(); ++s)
            {
                locators.push_back(std::make_unique<CProjections>());
                report->SetUpLocator(*locators.back());
            }
    }

    int Run();

private:
    bool Take(CStreamBlock& block);
    bool Read(CStreamBlock& block);
    bool Load(const CStreamBlock& block);
    void Convert(std::size_t share, CStreamBlock& block);
    void ConvertLine(std::size_t share, CStreamBlock& block, std::size_t i, CParsedLine& parsed);
    void Write(CStreamBlock& block);
    void Work(std::size_t share);

    const CCliSystem& from;
    const CCliSystem& to;
    const CCliPrecision& precision;
    std::FILE* in;
    std::FILE* out;
    std::FILE* err;
    const CConversionReport* report;
    const bool strict;
    const bool commaSeparates;
    CBlockScheduler scheduler;
    // The records are loaded from the catalogue once, at the first line that
    // is a coordinate, and every worker's engine is set up with them.
    CCatalogueRecordLoader loader;
    CConversionContext loaded;
    std::vector<std::unique_ptr<CProjections>> locators;

    // Reading, under inputMutex: the part of a line the last block ended
    // with, and a block read ahead of the workers.
    std::mutex inputMutex;
    std::vector<char> carry;
    bool inputDone = false;
    unsigned long nextTicket = 0;
    std::unique_ptr<CStreamBlock> pending;

    // Writing, under outputMutex, one block after the other.
    std::mutex outputMutex;
    std::condition_variable written;
    unsigned long nextWrite = 0;
    long number = 0; // lines written
    int status = CLI_OK;
    // The first write that failed: the run stops there.
    int writeError = 0;
    // A worker stopped (a failed write, an exception): the others stop too.
    std::atomic<bool> stopped{false};
};

// The next block, in input order, for a worker; false at the end.
bool CStream::Take(CStreamBlock& block)
{
    std::lock_guard<std::mutex> lock(inputMutex);
    if (stopped)
        return false;
    if (pending)
    {
        std::swap(block, *pending);
        pending.reset();
        return true;
    }
    return Read(block);
}

// Reads whole lines into block; a line longer than the block makes it grow,
// so every line is read whole. Under inputMutex or before the workers start.
bool CStream::Read(CStreamBlock& block)
{
    if (inputDone)
    {
        block.held = 0;
        return false;
    }
    if (block.text.size() < std::max(kBlockBytes, 2 * carry.size()))
        block.text.resize(std::max(kBlockBytes, 2 * carry.size()));
    std::copy(carry.begin(), carry.end(), block.text.begin());
    block.held = carry.size();
    carry.clear();
    for (;;)
    {
        block.held += std::fread(block.text.data() + block.held, 1, block.text.size() - block.held, in);
        if (block.held < block.text.size())
        {
            inputDone = true;
            break;
        }
        const auto* feed = static_cast<const char*>(memrchr(block.text.data(), '\n', block.held));
        if (feed != nullptr)
        {
            const char* end = block.text.data() + block.held;
            carry.assign(feed + 1, end);
            block.held -= static_cast<std::size_t>(end - (feed + 1));
            break;
        }
        block.text.resize(block.text.size() * 2);
    }
    block.ticket = nextTicket++;
    return block.held != 0;
}

// Loads the records with the block's first coordinate and sets every engine
// up with them; false when the systems are refused (the conversion has said
// why). Nothing to do for a block without coordinates.
bool CStream::Load(const CStreamBlock& block)
{
    for (const CLine& line : block.lines)
    {
        double v[3] = {0, 0, 0};
        int n = 0;
        if (ParseCoordinateLine(line.begin, line.end, commaSeparates, v, n) != LineRead::Coordinate)
            continue;
        if (ConvertCoordinate(loaded, loader, true, v[0], v[1], v[2], from.datumId, from.gridId, to.datumId,
                              to.gridId) == kConvertRefused)
            return false;
        scheduler.Load(loaded);
        return true;
    }
    return true;
}

void CStream::ConvertLine(std::size_t share, CStreamBlock& block, std::size_t i, CParsedLine& parsed)
{
    double* v = parsed.v;
    bool outside = false;
    double latitude = 0, longitude = 0;
    if (parsed.read == LineRead::Coordinate && report != nullptr &&
        report->Locate(*locators[share], v[0], v[1], latitude, longitude))
        outside = !report->Outside(latitude, longitude).empty();
    std::string why;
    if (parsed.read == LineRead::AmbiguousComma)
        why = "holds a comma between digits, a decimal comma or a separator: write decimal points, or give "
              "--separator comma";
    else if (parsed.read == LineRead::NotCoordinate)
        why = "is not a coordinate";
    else if (strict && outside)
        why = "lies outside the area of use of its systems";
    else
    {
        CConversionContext& context = scheduler.Context(share);
        if (ConvertLoadedPoint(context, from.gridId != 0, to.gridId != 0, v[0], v[1], v[2]) != kConvertDone)
            why = "cannot be converted (" +
                  (context.engine.Failure().empty() ? std::string("no reason given") : context.engine.Failure()) +
                  ")";
    }
    const CLine& line = block.lines[i];
    if (why.empty())
    {
        char* at = block.Room(3 * kFixedLimit + 3);
        block.used += static_cast<std::size_t>(WriteCoordinate(at, to, precision, v[0], v[1], v[2]) - at);
    }
    else
        block.Append(line);
    if (outside || !why.empty())
        block.notes.push_back(CStreamNote{i, line, outside, latitude, longitude, std::move(why)});
}

void CStream::Convert(std::size_t share, CStreamBlock& block)
{
    block.used = 0;
    block.notes.clear();
    block.lines.clear();
    const bool prefetch = from.gridId == 0 && scheduler.Context(share).heightModels != nullptr;
    CParsedLine parsed[kReadAhead];
    const char* p = block.text.data();
    const char* const end = p + block.held;
    while (p < end)
    {
        const std::size_t first = block.lines.size();
        std::size_t ahead = 0;
        for (; ahead < kReadAhead && p < end; ++ahead)
        {
            CParsedLine& line = parsed[ahead];
            line.v[0] = line.v[1] = line.v[2] = 0;
            line.read = LineRead::Coordinate;
            const char* stop = ReadPlainLine(p, end, line.v);
            if (stop == nullptr)
            {
                const auto* feed = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
                stop = feed != nullptr ? feed : end;
                line.v[0] = line.v[1] = line.v[2] = 0;
                int n = 0;
                line.read = ParseCoordinateLine(p, stop, commaSeparates, line.v, n);
            }
            block.lines.push_back(CLine{p, stop});
            p = stop < end ? stop + 1 : end;
            if (prefetch && line.read == LineRead::Coordinate)
                PrefetchHeights(scheduler.Context(share), line.v[0], line.v[1]);
        }
        for (std::size_t k = 0; k < ahead; ++k)
            ConvertLine(share, block, first + k, parsed[k]);
    }
}

// Writes the block's notes and output once every earlier block is written.
void CStream::Write(CStreamBlock& block)
{
    std::unique_lock<std::mutex> lock(outputMutex);
    written.wait(lock, [&] { return nextWrite == block.ticket || stopped; });
    if (nextWrite != block.ticket)
        return;
    for (const CStreamNote& note : block.notes)
    {
        const long line = number + static_cast<long>(note.line) + 1;
        if (note.outside)
        {
            std::fprintf(err, "geolynx-cli: %s: line %ld: %s; check the axis order and the systems\n",
                         strict ? "not converted" : "warning", line,
                         report->Outside(note.latitude, note.longitude).c_str());
            if (strict)
                status = CLI_BAD_LINES;
        }
        if (!note.why.empty() && !(strict && note.outside))
        {
            // Long lines are quoted by their beginning only.
            const std::ptrdiff_t length = note.text.end - note.text.begin;
            const int shown = static_cast<int>(std::min<std::ptrdiff_t>(length, 80));
            std::fprintf(err, "geolynx-cli: line %ld %s: %.*s%s\n", line, note.why.c_str(), shown, note.text.begin,
                         length > shown ? "..." : "");
            status = CLI_BAD_LINES;
        }
    }
    if (block.used != 0 && std::fwrite(block.output.data(), 1, block.used, out) != block.used)
    {
        writeError = errno != 0 ? errno : EIO;
        stopped = true;
    }
    number += static_cast<long>(block.lines.size());
    ++nextWrite;
    lock.unlock();
    written.notify_all();
}

void CStream::Work(std::size_t share)
{
    CStreamBlock block;
    try
    {
        while (Take(block))
        {
            Convert(share, block);
            Write(block);
        }
    }
    catch (...)
    {
        // The others must not wait for this worker's block.
        {
            std::lock_guard<std::mutex> lock(outputMutex);
            stopped = true;
        }
        written.notify_all();
        throw;
    }
}

int CStream::Run()
{
    // Blocks are converted on this thread until one holds a coordinate: its
    // first loads the records, and systems that are refused are refused, with
    // their message, before anything of that block is written.
    auto first = std::make_unique<CStreamBlock>();
    while (Read(*first))
    {
        first->Cut();
        const bool coordinates =
            std::any_of(first->lines.begin(), first->lines.end(), [&](const CLine& line) {
                double v[3];
                int n = 0;
                return ParseCoordinateLine(line.begin, line.end, commaSeparates, v, n) == LineRead::Coordinate;
            });
        if (coordinates)
        {
            if (!Load(*first))
                return CLI_ERROR;
            break;
        }
        Convert(0, *first);
        Write(*first);
        if (writeError != 0)
            return ReportOutputError(writeError, err);
    }
    if (first->held != 0 && nextWrite == first->ticket)
    {
        if (inputDone)
        {
            // One block: not worth another thread.
            Convert(0, *first);
            Write(*first);
        }
        else
        {
            pending = std::move(first);
            scheduler.Run(scheduler.Threads(), 1, [this](std::size_t share, std::size_t, std::size_t) { Work(share); });
        }
    }
    if (writeError != 0)
        return ReportOutputError(writeError, err);
    const int finished = FinishOutput(out, err);
    return finished != CLI_OK ? finished : status;
}

} // namespace

int ConvertStream(const CCliSystem& from, const CCliSystem& to, const CCliPrecision& precision, std::FILE* in,
                  std::FILE* out, std::FILE* err, const CConversionReport* report, bool strict,
                  bool commaSeparates)
{
    if (!CheckSystems(from, to))
        return CLI_ERROR;
    auto stream = std::make_unique<CStream>(from, to, precision, in, out, err, report, strict, commaSeparates);
    return stream->Run();
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
