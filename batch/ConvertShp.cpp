#include "ConvertShp.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "BatchRunControl.h"
#include "DestinationWkt.h"
#include "NumericLocale.h"
#include "OutputFiles.h"
#include "TextCase.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFileCode = 9994;
constexpr std::size_t kHeaderSize = 100;
constexpr std::size_t kCopyBlock = 65536;
// Vertices a block of records holds, roughly, and the bytes after which it is
// cut short whatever its vertices; a record larger than this is a block alone.
constexpr std::size_t kBlockVertices = 65536;
constexpr std::size_t kBlockBytes = std::size_t(4) << 20;
// Records not worth a thread of their own.
constexpr std::size_t kRecordsAShare = 8;

// Every companion an earlier run may have left beside the destination. The
// spatial indexes and the metadata describe the old coordinates, so they are
// never carried over.
// Every file GIS programs keep beside a main file: the index, attributes,
// projection and code page, spatial and attribute indexes (ESRI's, QGIS's,
// MapServer's), the ESRI projection of QGIS, and metadata. A new set leaves
// none of an old set's beside it.
constexpr const char* kCompanions[] = {".shx", ".dbf", ".prj", ".cpg", ".sbn", ".sbx", ".fbn", ".fbx",
                                       ".ain", ".aih", ".atx", ".ixs", ".mxs", ".qix", ".fix", ".qpj",
                                       ".shp.xml"};

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big);

std::uint32_t Swap32(std::uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xff00u) | ((v << 8) & 0xff0000u) | (v << 24);
}

std::uint64_t Swap64(std::uint64_t v)
{
    return (static_cast<std::uint64_t>(Swap32(static_cast<std::uint32_t>(v))) << 32) |
           Swap32(static_cast<std::uint32_t>(v >> 32));
}

std::int32_t BigInt32(const unsigned char* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::little)
        v = Swap32(v);
    return static_cast<std::int32_t>(v);
}

void PutBigInt32(unsigned char* p, std::int32_t value)
{
    std::uint32_t v = static_cast<std::uint32_t>(value);
    if constexpr (std::endian::native == std::endian::little)
        v = Swap32(v);
    std::memcpy(p, &v, 4);
}

std::int32_t LittleInt32(const unsigned char* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big)
        v = Swap32(v);
    return static_cast<std::int32_t>(v);
}

double LittleDouble(const unsigned char* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big)
        v = Swap64(v);
    return std::bit_cast<double>(v);
}

void PutLittleDouble(unsigned char* p, double d)
{
    std::uint64_t v = std::bit_cast<std::uint64_t>(d);
    if constexpr (std::endian::native == std::endian::big)
        v = Swap64(v);
    std::memcpy(p, &v, 8);
}

bool HasZ(int shapeType)
{
    return shapeType == 11 || shapeType == 13 || shapeType == 15 || shapeType == 18 || shapeType == 31;
}

bool KnownShapeType(int t)
{
    switch (t)
    {
    case 0: case 1: case 3: case 5: case 8: case 11: case 13: case 15: case 18:
    case 21: case 23: case 25: case 28: case 31:
        return true;
    default:
        return false;
    }
}

// The path without its ".shp" extension of any case, and whether that
// extension is written in upper case; none without such an extension.
std::optional<std::pair<std::string, bool>> SplitMainName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    if (path.size() < start + 5 || AsciiLower(path.substr(path.size() - 4)) != ".shp")
        return std::nullopt;
    const std::string extension = path.substr(path.size() - 3);
    return std::make_pair(path.substr(0, path.size() - 4), extension == "SHP");
}

std::string Folder(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

std::string FileName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Files in the folder of base named base + extension, the extension in any
// case (as shapefile readers look for them), the name itself exactly.
std::vector<std::string> CompanionsOnDisk(const std::string& base, const char* extension)
{
    std::vector<std::string> found;
    const std::string folder = Folder(base);
    const std::string stem = FileName(base);
    const std::string wanted = AsciiLower(extension);
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    {
        const std::string name = it->path().filename().string();
        if (name.size() == stem.size() + wanted.size() && name.compare(0, stem.size(), stem) == 0 &&
            AsciiLower(name.substr(stem.size())) == wanted)
            found.push_back((folder == "." && base.find('/') == std::string::npos ? std::string() : folder) + name);
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string Bytes(long long n)
{
    return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

} // namespace

// Inline: every converted vertex widens a box.
inline void CConvertShp::Box::Add(double x, double y)
{
    if (empty)
    {
        xmin = xmax = x;
        ymin = ymax = y;
        empty = false;
        return;
    }
    xmin = std::min(xmin, x), xmax = std::max(xmax, x);
    ymin = std::min(ymin, y), ymax = std::max(ymax, y);
}

void CConvertShp::Box::Add(const Box& other)
{
    if (other.empty)
        return;
    Add(other.xmin, other.ymin);
    Add(other.xmax, other.ymax);
}

CConvertShp::CConvertShp(CBatchRunControl& page_) : page(&page_)
{
}

CConvertShp::~CConvertShp()
{
    for (std::FILE* f : {input, indexInput, output, indexOutput})
        if (f != nullptr)
            std::fclose(f);
    if (!committed)
        for (const auto& [temporary, final] : written)
            ::unlink(temporary.c_str());
}

int CConvertShp::Fail(const std::string& why)
{
    if (failure.empty())
        failure = why;
    return -1;
}

int CConvertShp::FailRecord(long long number, long long offset, const std::string& why)
{
    return Fail(FileName(source) + ": record " + std::to_string(number) + " (at byte " + std::to_string(offset) +
                "): " + why);
}

std::optional<std::string> CConvertShp::CompanionName(const std::string& path, const char* extension)
{
    const auto split = SplitMainName(path);
    if (!split)
        return std::nullopt;
    return split->first + (split->second ? AsciiUpper(extension) : AsciiLower(extension));
}

std::optional<std::string> CConvertShp::FindCompanion(const std::string& path, const char* extension)
{
    const auto name = CompanionName(path, extension);
    if (!name)
        return std::nullopt;
    std::error_code error;
    if (fs::is_regular_file(*name, error))
        return name;
    const auto split = SplitMainName(path);
    const auto same = CompanionsOnDisk(split->first, extension);
    for (const auto& candidate : same)
        if (fs::is_regular_file(candidate, error))
            return candidate;
    // A set whose names differ in case as a whole, such as Roads.shp beside
    // ROADS.DBF.
    const std::string folder = Folder(path);
    const std::string wanted = AsciiLower(FileName(split->first) + extension);
    std::vector<std::string> found;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (AsciiLower(it->path().filename().string()) == wanted && it->is_regular_file(error))
            found.push_back(it->path().string());
    std::sort(found.begin(), found.end());
    if (found.empty())
        return std::nullopt;
    return found.front();
}

int CConvertShp::Prepare()
{
    const auto& s = page->Settings();
    source = s.sourceFile;
    destination = s.destinationFile;
    if (!SplitMainName(source))
        return Fail("the source \"" + source + "\" is not named *.shp");
    if (!SplitMainName(destination))
        return Fail("the destination \"" + destination + "\" is not named *.shp");
    std::error_code error;
    if (!fs::is_regular_file(source, error))
        return Fail("the source \"" + source + "\" cannot be read");
    sourceIndex = FindCompanion(source, ".shx");
    sourceAttributes = FindCompanion(source, ".dbf");
    sourceCodePage = FindCompanion(source, ".cpg");

    // Every file of the source set, in any case, is left alone.
    std::vector<std::string> sourceSet = {source};
    const std::string sourceBase = SplitMainName(source)->first;
    for (const char* extension : kCompanions)
    {
        for (const auto& f : CompanionsOnDisk(sourceBase, extension))
            sourceSet.push_back(f);
        if (const auto f = FindCompanion(source, extension))
            sourceSet.push_back(*f);
    }
    std::vector<std::string> touched = {destination};
    const std::string destinationBase = SplitMainName(destination)->first;
    for (const char* extension : kCompanions)
    {
        touched.push_back(*CompanionName(destination, extension));
        for (const auto& f : CompanionsOnDisk(destinationBase, extension))
            touched.push_back(f);
    }
    for (const auto& t : touched)
    {
        for (const auto& f : sourceSet)
            if (t == f || SameFile(t, f))
                return Fail("the destination \"" + t + "\" is a file of the source set");
        if (fs::exists(fs::symlink_status(t, error)) && !fs::is_regular_file(fs::symlink_status(t, error)))
            return Fail("the destination \"" + t + "\" is not a regular file");
        if (const std::string refusal = ReplaceRefusal(t); !refusal.empty())
            return Fail(refusal);
    }
    ClearEarlierLeftovers();
    return 0;
}

void CConvertShp::ClearEarlierLeftovers()
{
    std::vector<std::string> names = {destination};
    for (const char* extension : kCompanions)
        names.push_back(*CompanionName(destination, extension));
    for (const auto& name : names)
        for (const auto& line : ClearLeftovers(name))
            page->Send(BATCH_STATUS, "Leftover of an earlier run that ended: " + line);
}

int CConvertShp::OpenTemporary(const std::string& final, std::FILE*& file)
{
    std::string path, why;
    file = CreateTemporary(final, path, why);
    if (file == nullptr)
        return Fail(why);
    written.emplace_back(path, final);
    return 0;
}

int CConvertShp::CloseOutput(std::FILE*& file, const std::string& name)
{
    const bool failed = std::ferror(file) != 0;
    const bool closeFailed = std::fclose(file) != 0;
    file = nullptr;
    if (failed || closeFailed)
        return Fail("\"" + name + "\" could not be written completely (" + std::strerror(errno) + ")");
    return 0;
}

int CConvertShp::ConvertXY(double& x, double& y)
{
    if (page == nullptr)
        return kConvertRefused;
    const auto& s = page->Settings();
    double z = 0;
    const int result = ConvertCoordinate(page->Context(), page->Loader(), reload, x, y, z, s.sourceDatum,
                                         s.sourceGrid, s.destinationDatum, s.destinationGrid);
    if (result != kConvertRefused)
        reload = false;
    return result;
}

int CConvertShp::ConvertPairs(Share& share, unsigned char* at, long long count, Box& box, unsigned char* z,
                              Box* zRange) const
{
    const auto& s = page->Settings();
    // Taken once: the calls of the loop could change them for all the compiler knows.
    const bool gridSource = s.sourceGrid != 0, gridDestination = s.destinationGrid != 0;
    const CBatchAreaCheck& area = pipeline->Area();
    CConversionContext& context = *share.context;
    for (long long i = 0; i < count; ++i, at += 16)
    {
        double x = LittleDouble(at);
        double y = LittleDouble(at + 8);
        const double x0 = x, y0 = y;
        // Z is kept as it is unless a side's heights are above a geoid.
        double h = z != nullptr ? LittleDouble(z + 8 * i) : 0;
        // The records were loaded once before the first block; a share only
        // converts with them.
        const int result = usable ? ConvertLoadedPoint(context, gridSource, gridDestination, x, y, h) : kConvertRefused;
        if (result == kConvertRefused)
        {
            share.why = "the coordinate systems cannot be used";
            return -1;
        }
        if (result != kConvertDone)
        {
            char where[128];
            std::snprintf(where, sizeof where, "vertex %lld (%.10g, %.10g) cannot be converted: ", i + 1, x0, y0);
            share.why = where + context.engine.Failure();
            return -1;
        }
        if (!share.outside && area.Outside(share.index, x0, y0))
            share.outside = true;
        PutLittleDouble(at, x);
        PutLittleDouble(at + 8, y);
        box.Add(x, y);
        if (z != nullptr)
        {
            PutLittleDouble(z + 8 * i, h);
            zRange->Add(h, h);
        }
    }
    return 0;
}

unsigned char* CConvertShp::HeightsToConvert(int shapeType, unsigned char* content, long long pointsEnd) const
{
    if (!heights || !HasZ(shapeType))
        return nullptr;
    // A PointZ holds its Z after X and Y; the other types a Z range, then
    // the Z values.
    return shapeType == 11 ? content + 20 : content + pointsEnd + 16;
}

// content is a whole record content, shape type included, of length bytes.
int CConvertShp::ConvertContent(Share& share, unsigned char* content, std::size_t length) const
{
    Box& fileBoxOut = share.box;
    const int shapeType = LittleInt32(content);
    const long long size = static_cast<long long>(length);
    Box box, zRange;
    long long pointsEnd = 0;
    switch (shapeType)
    {
    case 0:
        return 0;
    case 1:
    case 11:
    case 21:
    {
        // X, Y and, by type, Z and the measure, which are copied as they are.
        const long long needed = shapeType == 1 ? 20 : 28;
        if (size < needed)
            return Refuse(share, "the point does not fit the record's content length");
        if (ConvertPairs(share, content + 4, 1, box, HeightsToConvert(shapeType, content, 20), &zRange) != 0)
            return -1;
        fileBoxOut.Add(box);
        share.heights.Add(zRange);
        return 0;
    }
    case 8:
    case 18:
    case 28:
    {
        if (size < 40)
            return Refuse(share, "the multipoint header does not fit the record's content length");
        const long long points = LittleInt32(content + 36);
        long long needed = 40 + 16 * points;
        if (HasZ(shapeType))
            needed += 16 + 8 * points;
        if (points < 0 || needed > size)
            return Refuse(share, "the point count " + std::to_string(points) + " does not fit the record");
        pointsEnd = 40 + 16 * points;
        if (ConvertPairs(share, content + 40, points, box, HeightsToConvert(shapeType, content, pointsEnd), &zRange) != 0)
            return -1;
        break;
    }
    case 3:
    case 5:
    case 13:
    case 15:
    case 23:
    case 25:
    case 31:
    {
        if (size < 44)
            return Refuse(share, "the shape header does not fit the record's content length");
        const long long parts = LittleInt32(content + 36);
        const long long points = LittleInt32(content + 40);
        if (parts < 0 || points < 0)
            return Refuse(share, "a negative part or point count");
        // A multipatch holds a part type after each part index.
        const long long pointsAt = 44 + (shapeType == 31 ? 8 : 4) * parts;
        long long needed = pointsAt + 16 * points;
        if (HasZ(shapeType))
            needed += 16 + 8 * points;
        if (needed > size)
            return Refuse(share, std::to_string(parts) + " parts and " + std::to_string(points) +
                                  " points do not fit the record");
        pointsEnd = pointsAt + 16 * points;
        if (ConvertPairs(share, content + pointsAt, points, box, HeightsToConvert(shapeType, content, pointsEnd),
                         &zRange) != 0)
            return -1;
        break;
    }
    default:
        return Refuse(share, "unknown shape type " + std::to_string(shapeType));
    }
    // The record's box from its converted vertices: a box whose corners were
    // converted would miss vertices that bulge out of it.
    if (!box.empty)
    {
        PutLittleDouble(content + 4, box.xmin);
        PutLittleDouble(content + 12, box.ymin);
        PutLittleDouble(content + 20, box.xmax);
        PutLittleDouble(content + 28, box.ymax);
    }
    // The Z range of converted heights, likewise.
    if (!zRange.empty)
    {
        PutLittleDouble(content + pointsEnd, zRange.xmin);
        PutLittleDouble(content + pointsEnd + 8, zRange.xmax);
    }
    fileBoxOut.Add(box);
    share.heights.Add(zRange);
    return 0;
}

int CConvertShp::Refuse(Share& share, const std::string& why)
{
    share.why = why;
    return -1;
}

// The records of the main file, read one after another and converted block by
// block. Bytes the file holds outside its records are copied as they are, so
// every record stays at the offset the index gives it; such a gap is copied
// where it lies when its block is written. Two blocks are held: the next one
// is read, and the one before written, while a block converts.
class CConvertShp::Records final : public CReadAheadFormat
{
public:
    Records(CConvertShp& shp_, long long shxRecords_) : shp(shp_), shxRecords(shxRecords_) {}

    Block Read(std::size_t slot) override;
    void Convert(std::size_t slot, std::size_t share, CConversionContext& context, std::size_t first,
                 std::size_t last) override;
    bool Write(std::size_t slot, BatchTally& tally) override;
    int Percentage() const override { return BatchPercentage(written, shp.inputSize); }

    long long count = 0;
    long long padding = 0;
    long long trailing = 0;
    // Why reading failed, when a block was still to be converted: a failure
    // of that block comes first in the file.
    std::string readFailure;

private:
    // What reading the next record did.
    enum class Step
    {
        Added,     // the record waits for its block
        BlockDone, // the block is to be converted before the input goes on
        End,
        Cancelled,
        Failed,
    };
    Step NextRecord();
    // Finds where record number starts: by the index, or past zero padding.
    Step FindStart(long long number, long long& start);
    Step TakeRecord(long long number, long long start);
    // Keeps n bytes from at to be copied with the block's records.
    Step AddGap(long long at, long long n, bool end);
    // Copies a gap into the output; it is read apart from the stream, which
    // stays where reading the next block left it.
    bool CopyGap(const Gap& g);
    bool WriteBytes(const unsigned char* from, std::size_t n);
    bool Seek(long long at);
    bool ReadBytes(unsigned char* to, std::size_t n);
    bool PlausibleHeader(long long at);
    Block Ending(After after);

    CConvertShp& shp;
    long long shxRecords;
    long long position = static_cast<long long>(kHeaderSize);
    // Where the input stands: a seek empties the stream's buffer, so records
    // that follow each other are read without one.
    long long inputAt = static_cast<long long>(kHeaderSize);
    long long written = 0; // the offset of the last record written
    Slot* reading = nullptr; // the block being read
    unsigned char entry[8] = {};
    std::vector<unsigned char> gap;
};

bool CConvertShp::Records::Seek(long long at)
{
    if (at == inputAt)
        return true;
    if (fseeko(shp.input, at, SEEK_SET) != 0)
        return false;
    inputAt = at;
    return true;
}

bool CConvertShp::Records::ReadBytes(unsigned char* to, std::size_t n)
{
    const std::size_t got = std::fread(to, 1, n, shp.input);
    inputAt += static_cast<long long>(got);
    return got == n;
}

bool CConvertShp::Records::PlausibleHeader(long long at)
{
    unsigned char h[12];
    if (at + 12 > shp.inputSize || !Seek(at) || !ReadBytes(h, sizeof h))
        return false;
    const long long length = 2LL * BigInt32(h + 4);
    return BigInt32(h) > 0 && length >= 4 && length <= shp.inputSize - at - 8 && KnownShapeType(LittleInt32(h + 8));
}

CBatchFormat::Block CConvertShp::Records::Ending(After after)
{
    if (after == After::Failed && !reading->records.empty())
    {
        // The records waiting for their block are converted first: a failure
        // among them is the first in file order.
        readFailure = shp.failure;
        shp.failure.clear();
    }
    if (after == After::Cancelled)
        reading->records.clear(), reading->gaps.clear();
    return Block{reading->records.size(), after};
}

CBatchFormat::Block CConvertShp::Records::Read(std::size_t s)
{
    reading = &shp.slots[s];
    reading->records.clear();
    reading->bytes.clear();
    reading->gaps.clear();
    reading->vertices = 0;
    for (;;)
    {
        const Step step = NextRecord();
        if (step == Step::Added)
            continue;
        After after = After::More;
        if (step == Step::End)
            after = After::End;
        else if (step == Step::Cancelled)
            after = After::Cancelled;
        else if (step == Step::Failed)
            after = After::Failed;
        const bool vertices =
            std::any_of(reading->records.begin(), reading->records.end(),
                        [this](const PendingRecord& r) { return LittleInt32(reading->bytes.data() + r.at) != 0; });
        // The systems are loaded, and checked, once a run, before the first
        // block that may hold a vertex.
        if (after != After::Cancelled && vertices && !shp.pipeline->Loaded())
            shp.usable = shp.pipeline->LoadSystems();
        reading->shares.assign(shp.pipeline->Threads(), Share{});
        for (std::size_t t = 0; t < reading->shares.size(); ++t)
            reading->shares[t].index = t;
        reading->outsideFlags.assign(reading->records.size(), 0);
        return Ending(after);
    }
}

CConvertShp::Records::Step CConvertShp::Records::AddGap(long long at, long long n, bool end)
{
    if (n > 0)
        reading->gaps.push_back(Gap{reading->bytes.size(), at, n});
    return end ? Step::End : Step::Added;
}

bool CConvertShp::Records::CopyGap(const Gap& g)
{
    gap.resize(static_cast<std::size_t>(std::min<long long>(g.length, kCopyBlock)));
    for (long long done = 0; done < g.length;)
    {
        const std::size_t chunk = static_cast<std::size_t>(std::min<long long>(g.length - done, kCopyBlock));
        const ssize_t got = ::pread(::fileno(shp.input), gap.data(), chunk, g.at + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
        {
            shp.failure.clear();
            return shp.Fail(FileName(shp.source) + ": cannot be read") == 0;
        }
        if (!WriteBytes(gap.data(), static_cast<std::size_t>(got)))
            return false;
        done += got;
    }
    return true;
}

bool CConvertShp::Records::WriteBytes(const unsigned char* from, std::size_t n)
{
    // A block without records has no buffer to hand over.
    if (n == 0 || std::fwrite(from, 1, n, shp.output) == n)
        return true;
    shp.failure.clear();
    return shp.Fail("\"" + shp.destination + "\" could not be written completely") == 0;
}

CConvertShp::Records::Step CConvertShp::Records::NextRecord()
{
    if (shp.page->Running() != 1)
        return Step::Cancelled;
    const long long number = count + 1;
    if (shxRecords >= 0 && count == shxRecords)
    {
        // The index names every record: what follows is not part of any.
        trailing = shp.inputSize - position;
        return AddGap(position, trailing, true);
    }
    if (position == shp.inputSize)
    {
        if (shxRecords >= 0 && count < shxRecords)
            return shp.Fail(FileName(shp.source) + ": the index lists " + std::to_string(shxRecords) +
                            " records, the main file ends after " + std::to_string(count)),
                   Step::Failed;
        return Step::End;
    }
    long long start = position;
    const Step found = FindStart(number, start);
    if (found != Step::Added)
        return found;
    if (start > position)
    {
        padding += start - position;
        AddGap(position, start - position, false);
    }
    return TakeRecord(number, start);
}

CConvertShp::Records::Step CConvertShp::Records::FindStart(long long number, long long& start)
{
    if (shxRecords >= 0)
    {
        // The index's entries are read in order, one a record.
        if (std::fread(entry, 1, sizeof entry, shp.indexInput) != sizeof entry)
            return shp.Fail(FileName(*shp.sourceIndex) + ": cannot be read"), Step::Failed;
        start = 2LL * BigInt32(entry);
        if (start < position || start > shp.inputSize - 8)
            return shp.FailRecord(number, position,
                                  "the index gives it the offset " + std::to_string(start) +
                                      ", which is not after the previous record and within the main file"),
                   Step::Failed;
        return Step::Added;
    }
    unsigned char head[4] = {1, 1, 1, 1};
    const long long left = shp.inputSize - position;
    if (left >= 4 && !(Seek(position) && ReadBytes(head, 4)))
        return shp.Fail(FileName(shp.source) + ": cannot be read"), Step::Failed;
    if (left >= 4 && BigInt32(head) != 0)
        return Step::Added;
    // Zero padding, or the end of the file: record numbers start at 1, so a
    // record never begins with four zero bytes.
    long long q = position;
    int c = 0;
    if (!Seek(position))
        return shp.Fail(FileName(shp.source) + ": cannot be read"), Step::Failed;
    while (q < shp.inputSize && (c = std::fgetc(shp.input)) == 0)
        ++q;
    inputAt = q < shp.inputSize ? q + 1 : q;
    if (q == shp.inputSize)
    {
        trailing = shp.inputSize - position;
        return AddGap(position, trailing, true);
    }
    if (c == EOF)
        return shp.Fail(FileName(shp.source) + ": cannot be read"), Step::Failed;
    // The record starts on a 16-bit word at most three bytes before its
    // first non-zero byte.
    start = -1;
    for (long long r = std::max(position, q - 3); r <= q && start < 0; ++r)
        if ((r - position) % 2 == 0 && PlausibleHeader(r))
            start = r;
    if (start < 0)
        return shp.FailRecord(number, position, "the bytes after the zero padding are no record header"), Step::Failed;
    return Step::Added;
}

CConvertShp::Records::Step CConvertShp::Records::TakeRecord(long long number, long long start)
{
    position = start;
    if (!Seek(position))
        return shp.Fail(FileName(shp.source) + ": cannot be read"), Step::Failed;
    unsigned char head[8];
    if (shp.inputSize - position < 8)
        return shp.FailRecord(number, position, "the record header is cut off by the end of the file"), Step::Failed;
    if (!ReadBytes(head, sizeof head))
        return shp.Fail(FileName(shp.source) + ": cannot be read"), Step::Failed;
    const long long words = BigInt32(head + 4);
    const long long length = 2 * words;
    // The content holds at least its shape type and lies within the file.
    if (length < 4 || length > shp.inputSize - position - 8)
        return shp.FailRecord(number, position,
                              "the content length of " + std::to_string(words) +
                                  " words does not hold a shape type or runs past the end of the file"),
               Step::Failed;
    if (shxRecords >= 0 && BigInt32(entry + 4) != words)
        return shp.FailRecord(number, position,
                              "its content length of " + std::to_string(words) + " words differs from the index's " +
                                  std::to_string(BigInt32(entry + 4))),
               Step::Failed;
    // The record waits, with its header, for its block.
    std::vector<unsigned char>& bytes = reading->bytes;
    const std::size_t at = bytes.size() + sizeof head;
    bytes.resize(at + static_cast<std::size_t>(length));
    std::memcpy(bytes.data() + at - sizeof head, head, sizeof head);
    if (!ReadBytes(bytes.data() + at, static_cast<std::size_t>(length)))
        return shp.Fail(FileName(shp.source) + ": cannot be read"), Step::Failed;
    reading->records.push_back(PendingRecord{number, position, at, static_cast<std::size_t>(length)});
    reading->vertices += static_cast<std::size_t>(length) / 16 + 1;
    unsigned char indexEntry[8];
    PutBigInt32(indexEntry, static_cast<std::int32_t>(position / 2));
    PutBigInt32(indexEntry + 4, static_cast<std::int32_t>(words));
    if (std::fwrite(indexEntry, 1, sizeof indexEntry, shp.indexOutput) != sizeof indexEntry)
        return shp.Fail("the index file of \"" + shp.destination + "\" could not be written completely"), Step::Failed;
    position += 8 + length;
    ++count;
    const bool full = reading->vertices >= shp.pipeline->BlockItems() || bytes.size() >= kBlockBytes;
    return full ? Step::BlockDone : Step::Added;
}

void CConvertShp::Records::Convert(std::size_t s, std::size_t t, CConversionContext& context, std::size_t first,
                                   std::size_t last)
{
    // The engine's texts are written with "." whatever the locale.
    CNumericLocale numbers;
    Slot& slot = shp.slots[s];
    Share& share = slot.shares[t];
    share.context = &context;
    // A share stops at its first failure: a later record cannot be the first
    // one that failed.
    if (!share.why.empty())
        return;
    for (std::size_t i = first; i < last; ++i)
    {
        if (shp.ConvertContent(share, slot.bytes.data() + slot.records[i].at, slot.records[i].length) != 0)
        {
            share.failed = i;
            return;
        }
        slot.outsideFlags[i] = share.outside ? 1 : 0;
        share.outside = false;
    }
}

bool CConvertShp::Records::Write(std::size_t s, BatchTally& tally)
{
    const Slot& slot = shp.slots[s];
    // Each share takes its records in increasing order and stops at its
    // first failure, and every record before that one was given to some
    // share: the earliest failure of any share is the first in the file.
    const Share* first = nullptr;
    for (const Share& share : slot.shares)
        if (!share.why.empty() && (first == nullptr || share.failed < first->failed))
            first = &share;
    if (first != nullptr)
    {
        const PendingRecord failed = slot.records[first->failed];
        shp.failure.clear();
        return shp.FailRecord(failed.number, failed.offset, first->why) == 0;
    }
    for (const Share& share : slot.shares)
    {
        shp.fileBox.Add(share.box);
        shp.fileHeights.Add(share.heights);
    }
    for (std::size_t i = 0; i < slot.records.size(); ++i)
    {
        tally.Convert();
        if (slot.outsideFlags[i] != 0)
            tally.outside.Add(slot.records[i].number);
    }
    // The records, with the gaps among them where they lie.
    std::size_t from = 0;
    for (const Gap& g : slot.gaps)
    {
        if (!WriteBytes(slot.bytes.data() + from, g.before - from) || !CopyGap(g))
            return false;
        from = g.before;
    }
    if (!WriteBytes(slot.bytes.data() + from, slot.bytes.size() - from))
        return false;
    if (!slot.records.empty())
        written = slot.records.back().offset;
    return true;
}

int CConvertShp::ConvertRecords(long long inputSize_, long long shxRecords)
{
    page->Send(BATCH_STATUS, "Converting ESRI shapefile, please wait...");
    inputSize = inputSize_;
    fileBox = Box{};
    fileHeights = Box{};
    pipeline = std::make_unique<CBatchPipeline>(*page, kBlockVertices, true);
    heights = page->Settings().sourceGeoid != 0 || page->Settings().destinationGeoid != 0;
    Records records(*this, shxRecords);
    const CBatchFormat::After end = pipeline->Run(records, kRecordsAShare);
    if (end == CBatchFormat::After::Failed)
    {
        if (failure.empty())
            failure = records.readFailure;
        return -1;
    }
    if (end == CBatchFormat::After::Cancelled)
        return 0;
    if (records.padding > 0)
        warnings.push_back(FileName(source) + ": " + Bytes(records.padding) +
                           " of padding between records, copied unchanged");
    if (records.trailing > 0)
        warnings.push_back(FileName(source) + ": " + Bytes(records.trailing) +
                           " after the last record, copied unchanged");
    return WriteHeaders(records.count);
}

int CConvertShp::WriteHeaders(long long count)
{
    // Both headers get the box of the converted vertices; a file without any
    // keeps an empty box of zeros, as shapefile writers leave it.
    unsigned char header[kHeaderSize];
    if (fseeko(input, 0, SEEK_SET) != 0 || std::fread(header, 1, kHeaderSize, input) != kHeaderSize)
        return Fail(FileName(source) + ": cannot be read");
    if (fileBox.empty)
        fileBox = Box{0, 0, 0, 0, false};
    PutLittleDouble(header + 36, fileBox.xmin);
    PutLittleDouble(header + 44, fileBox.ymin);
    PutLittleDouble(header + 52, fileBox.xmax);
    PutLittleDouble(header + 60, fileBox.ymax);
    // Converted heights give the Z range too.
    if (!fileHeights.empty)
    {
        PutLittleDouble(header + 68, fileHeights.xmin);
        PutLittleDouble(header + 76, fileHeights.xmax);
    }
    if (fseeko(output, 0, SEEK_SET) != 0 || std::fwrite(header, 1, kHeaderSize, output) != kHeaderSize)
        return Fail("\"" + destination + "\" could not be written completely");
    PutBigInt32(header + 24, static_cast<std::int32_t>(50 + 4 * count));
    if (fseeko(indexOutput, 0, SEEK_SET) != 0 || std::fwrite(header, 1, kHeaderSize, indexOutput) != kHeaderSize)
        return Fail("the index file of \"" + destination + "\" could not be written completely");
    mainDone = true;
    return 0;
}

std::vector<std::string> CConvertShp::Summary() const
{
    return pipeline ? pipeline->Summary("record", false) : std::vector<std::string>();
}

int CConvertShp::ConvertMainFile()
{
    input = std::fopen(source.c_str(), "rb");
    if (input == nullptr)
        return Fail("\"" + source + "\" cannot be opened: " + std::strerror(errno));
    struct stat st;
    if (::fstat(::fileno(input), &st) != 0)
        return Fail("\"" + source + "\" cannot be read");
    const long long inputSize = st.st_size;
    unsigned char header[kHeaderSize];
    if (inputSize < static_cast<long long>(kHeaderSize) || std::fread(header, 1, kHeaderSize, input) != kHeaderSize)
        return Fail(FileName(source) + ": the 100-byte file header is cut off");
    if (BigInt32(header) != kFileCode)
        return Fail(FileName(source) + ": the file code is " + std::to_string(BigInt32(header)) +
                    ", not 9994: this is no shapefile");

    long long shxRecords = -1;
    if (sourceIndex)
    {
        indexInput = std::fopen(sourceIndex->c_str(), "rb");
        unsigned char shx[kHeaderSize];
        struct stat ist;
        if (indexInput == nullptr || ::fstat(::fileno(indexInput), &ist) != 0)
            return Fail("\"" + *sourceIndex + "\" cannot be opened");
        if (ist.st_size < static_cast<off_t>(kHeaderSize) || std::fread(shx, 1, kHeaderSize, indexInput) != kHeaderSize ||
            BigInt32(shx) != kFileCode)
            return Fail(FileName(*sourceIndex) + ": no index file header (file code 9994)");
        shxRecords = (static_cast<long long>(ist.st_size) - static_cast<long long>(kHeaderSize)) / 8;
    }

    if (OpenTemporary(destination, output) != 0 ||
        OpenTemporary(*CompanionName(destination, ".shx"), indexOutput) != 0)
        return -1;
    // The headers are written again with the box once every record is done.
    if (std::fwrite(header, 1, kHeaderSize, output) != kHeaderSize ||
        std::fwrite(header, 1, kHeaderSize, indexOutput) != kHeaderSize)
        return Fail("\"" + destination + "\" could not be written completely");
    int result = ConvertRecords(inputSize, shxRecords);
    std::fclose(input);
    input = nullptr;
    if (indexInput != nullptr)
        std::fclose(indexInput);
    indexInput = nullptr;
    if (CloseOutput(output, destination) != 0 || CloseOutput(indexOutput, *CompanionName(destination, ".shx")) != 0)
        result = -1;
    return result;
}

int CConvertShp::ConvertIndexFile()
{
    return mainDone || page->Running() != 1 ? 0 : -1;
}

int CConvertShp::CopyWhole(const std::string& from, const std::string& to, const char* what)
{
    input = std::fopen(from.c_str(), "rb");
    if (input == nullptr)
        return Fail("the " + std::string(what) + " \"" + from + "\" cannot be opened");
    if (OpenTemporary(to, output) != 0)
        return -1;
    std::vector<unsigned char> block(kCopyBlock);
    int result = 0;
    for (;;)
    {
        if (page->Running() != 1)
            break;
        const std::size_t got = std::fread(block.data(), 1, block.size(), input);
        if (got > 0 && std::fwrite(block.data(), 1, got, output) != got)
        {
            result = Fail("\"" + to + "\" could not be written completely");
            break;
        }
        if (got < block.size())
        {
            if (std::ferror(input) != 0)
                result = Fail("the " + std::string(what) + " \"" + from + "\" cannot be read");
            break;
        }
    }
    std::fclose(input);
    input = nullptr;
    if (CloseOutput(output, to) != 0)
        result = -1;
    return result;
}

int CConvertShp::CopyAttributeFile()
{
    if (!sourceAttributes)
        return 1;
    return CopyWhole(*sourceAttributes, *CompanionName(destination, ".dbf"), "attribute file");
}

int CConvertShp::CopyCodePageFile()
{
    if (!sourceCodePage)
        return 1;
    return CopyWhole(*sourceCodePage, *CompanionName(destination, ".cpg"), "code page file");
}

int CConvertShp::WriteProjectionFile(const std::string& wkt)
{
    if (wkt.empty())
        return 1;
    const std::string name = *CompanionName(destination, ".prj");
    if (OpenTemporary(name, output) != 0)
        return -1;
    if (std::fwrite(wkt.data(), 1, wkt.size(), output) != wkt.size())
        Fail("\"" + name + "\" could not be written completely");
    return CloseOutput(output, name) != 0 || !failure.empty() ? -1 : 0;
}

int CConvertShp::Commit()
{
    std::vector<std::string> finals;
    for (const auto& w : written)
        finals.push_back(w.second);
    std::vector<std::string> stale;
    const std::string base = SplitMainName(destination)->first;
    for (const char* extension : kCompanions)
        for (const auto& old : CompanionsOnDisk(base, extension))
            if (std::find(finals.begin(), finals.end(), old) == finals.end())
                stale.push_back(old);
    // The companions first, the main file last: until it is renamed, the
    // destination's main file is the old one or none.
    const std::vector<std::pair<std::string, std::string>> order(written.rbegin(), written.rend());
    std::string why;
    if (!ReplaceFiles(order, stale, why))
        return Fail(why);
    committed = true;
    return 0;
}

void ConvertShapefile(CBatchRunControl& run)
{
    ConvertShapefile(run, [](int datumId, int gridId, std::string& wkt, std::string& why) {
        return DestinationWkt(datumId, gridId, wkt, why);
    });
}

void ConvertShapefile(CBatchRunControl& run, const ShapefileWktSource& wktSource)
{
    bool failed = false;
    std::string failure;
    std::vector<std::string> warnings;
    std::vector<std::string> summary;
    {
        CConvertShp shp(run);
        run.SignalStarted();
        failed = shp.Prepare() < 0 || shp.ConvertMainFile() < 0 || shp.ConvertIndexFile() < 0 ||
                 shp.CopyAttributeFile() < 0 || shp.CopyCodePageFile() < 0;
        if (!failed && run.Running() == 1)
        {
            const auto& s = run.Settings();
            std::string wkt, why;
            if (!wktSource || !wktSource(s.destinationDatum, s.destinationGrid, wkt, why))
                wkt.clear();
            failed = shp.WriteProjectionFile(wkt) < 0;
            if (!failed && wkt.empty())
                warnings.push_back("no .prj written" + (why.empty() ? std::string() : ": " + why));
        }
        if (!failed && run.Running() == 1)
            failed = shp.Commit() < 0;
        failure = shp.Failure();
        warnings.insert(warnings.begin(), shp.Warnings().begin(), shp.Warnings().end());
        summary = shp.Summary();
    }
    // Why a run failed, and what a completed one met on its way, go out as
    // status texts before the end notification.
    run.ReportEnd("Shapefile", failed, failure, warnings, summary);
}
