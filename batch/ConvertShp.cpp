#include "ConvertShp.h"

#include <bit>
#include <cstring>
#include <filesystem>

#include "BatchRunControl.h"

namespace {

constexpr int kFileCode = 9994;
constexpr std::size_t kHeaderSize = 100;
constexpr std::size_t kCopyBlock = 65536;

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

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

bool HasZ(int shapeType)
{
    return shapeType == 11 || shapeType == 13 || shapeType == 15 || shapeType == 18 || shapeType == 31;
}

} // namespace

CConvertShp::CConvertShp(CBatchRunControl& page_) : page(&page_)
{
}

CConvertShp::~CConvertShp()
{
    CloseFiles();
}

void CConvertShp::CloseFiles()
{
    if (input != nullptr)
        std::fclose(input);
    input = nullptr;
    if (output != nullptr)
        std::fclose(output);
    output = nullptr;
}

std::optional<std::string> CConvertShp::CompanionName(const std::string& path, const char* extension)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    std::string name = path.substr(start);
    auto replaceAll = [&name](const char* from, const char* to) {
        bool any = false;
        for (std::size_t at = name.find(from); at != std::string::npos; at = name.find(from, at + 4))
        {
            name.replace(at, 4, to);
            any = true;
        }
        return any;
    };
    replaceAll(".SHP", ".shp");
    if (!replaceAll(".shp", extension))
        return std::nullopt;
    return path.substr(0, start) + name;
}

int CConvertShp::OpenFiles(const std::string& source, const std::string& destination)
{
    input = std::fopen(source.c_str(), "rb");
    if (input == nullptr)
        return -1;
    output = std::fopen(destination.c_str(), "wb+");
    if (output == nullptr)
    {
        CloseFiles();
        return -1;
    }
    std::fseek(input, 0, SEEK_END);
    inputSize = ftello(input);
    std::fseek(input, 0, SEEK_SET);
    return 0;
}

int CConvertShp::ConvertXY(double& x, double& y)
{
    if (page == nullptr)
        return -1;
    const auto& s = page->Settings();
    double z = 0;
    const int result = ConvertCoordinate(page->Context(), page->Loader(), reload, x, y, z, s.sourceDatum,
                                         s.sourceGrid, s.destinationDatum, s.destinationGrid);
    reload = false;
    return result == 0 ? 0 : -1;
}

int CConvertShp::ConvertPair(unsigned char* at)
{
    double x = LittleDouble(at);
    double y = LittleDouble(at + 8);
    if (ConvertXY(x, y) != 0)
        return -1;
    PutLittleDouble(at, x);
    PutLittleDouble(at + 8, y);
    return 0;
}

int CConvertShp::ConvertHeader()
{
    unsigned char header[kHeaderSize];
    if (std::fread(header, 1, kHeaderSize, input) != kHeaderSize)
        return -1;
    if (BigInt32(header) != kFileCode)
        return -1;
    if (ConvertPair(header + 36) != 0 || ConvertPair(header + 52) != 0)
        return -1;
    return std::fwrite(header, 1, kHeaderSize, output) == kHeaderSize ? 0 : -1;
}

int CConvertShp::ConvertPoint(unsigned char* content, std::size_t length, int shapeType)
{
    // X, Y and, for a PointM, the measure, copied as it is.
    const std::size_t needed = shapeType == 21 ? 28 : 20;
    if (length < needed)
        return -1;
    return ConvertPair(content + 4);
}

int CConvertShp::ConvertPointZ(unsigned char* content, std::size_t length)
{
    // X, Y, Z and, when the content length has room for it, M: Z and M are
    // copied as they are.
    if (length < 28)
        return -1;
    return ConvertPair(content + 4);
}

int CConvertShp::ConvertMultiPoint(unsigned char* content, std::size_t length, int shapeType)
{
    if (length < 40)
        return -1;
    const long long points = LittleInt32(content + 36);
    if (points < 0)
        return -1;
    long long needed = 40 + 16 * points;
    if (HasZ(shapeType))
        needed += 16 + 8 * points;
    if (needed > static_cast<long long>(length))
        return -1;
    if (ConvertPair(content + 4) != 0 || ConvertPair(content + 20) != 0)
        return -1;
    for (long long i = 0; i < points; ++i)
        if (ConvertPair(content + 40 + 16 * i) != 0)
            return -1;
    return 0;
}

int CConvertShp::ConvertPolyShape(unsigned char* content, std::size_t length, int shapeType)
{
    if (length < 44)
        return -1;
    const long long parts = LittleInt32(content + 36);
    const long long points = LittleInt32(content + 40);
    if (parts < 0 || points < 0)
        return -1;
    // A multipatch holds a part type after each part index.
    const long long pointsAt = 44 + (shapeType == 31 ? 8 : 4) * parts;
    long long needed = pointsAt + 16 * points;
    if (HasZ(shapeType))
        needed += 16 + 8 * points;
    if (needed > static_cast<long long>(length))
        return -1;
    if (ConvertPair(content + 4) != 0 || ConvertPair(content + 20) != 0)
        return -1;
    for (long long i = 0; i < points; ++i)
        if (ConvertPair(content + pointsAt + 16 * i) != 0)
            return -1;
    return 0;
}

int CConvertShp::ConvertRecords()
{
    page->Send(BATCH_STATUS, "Converting ESRI shapefile, please wait...");
    int lastPercentage = 0;
    long long position = static_cast<long long>(kHeaderSize);
    long long written = static_cast<long long>(kHeaderSize);
    for (;;)
    {
        if (page->Running() != 1)
            return 0;
        unsigned char head[8];
        const std::size_t got = std::fread(head, 1, sizeof head, input);
        if (got == 0 && std::feof(input))
            return 0;
        if (got != sizeof head)
            return -1;
        position += 8;
        const long long words = BigInt32(head + 4);
        const long long length = 2 * words;
        // The content holds at least its shape type and lies within the file.
        if (length < 4 || length > inputSize - position)
            return -1;
        record.resize(static_cast<std::size_t>(length));
        if (std::fread(record.data(), 1, record.size(), input) != record.size())
            return -1;
        position += length;

        const int percentage = BatchPercentage(written, inputSize);
        if (percentage != lastPercentage)
        {
            page->SendProgress(percentage);
            lastPercentage = percentage;
        }

        const int shapeType = LittleInt32(record.data());
        int result = 0;
        switch (shapeType)
        {
        case 0:
            break;
        case 1:
        case 21:
            result = ConvertPoint(record.data(), record.size(), shapeType);
            break;
        case 11:
            result = ConvertPointZ(record.data(), record.size());
            break;
        case 8:
        case 18:
        case 28:
            result = ConvertMultiPoint(record.data(), record.size(), shapeType);
            break;
        case 3:
        case 5:
        case 13:
        case 15:
        case 23:
        case 25:
        case 31:
            result = ConvertPolyShape(record.data(), record.size(), shapeType);
            break;
        default:
            result = -1;
            break;
        }
        if (result != 0)
            return -1;
        if (std::fwrite(head, 1, sizeof head, output) != sizeof head ||
            std::fwrite(record.data(), 1, record.size(), output) != record.size())
            return -1;
        written += 8 + length;
    }
}

int CConvertShp::ConvertMainFile()
{
    const auto& s = page->Settings();
    if (SameFile(s.sourceFile, s.destinationFile))
        return -1;
    if (OpenFiles(s.sourceFile, s.destinationFile) != 0)
        return -1;
    int result = ConvertHeader();
    if (result == 0)
        result = ConvertRecords();
    const bool failed = std::ferror(input) != 0 || std::ferror(output) != 0;
    std::fclose(input);
    input = nullptr;
    const bool closeFailed = std::fclose(output) != 0;
    output = nullptr;
    return failed || closeFailed ? -1 : result;
}

int CConvertShp::CopyRest()
{
    std::vector<unsigned char> block(kCopyBlock);
    for (;;)
    {
        if (page->Running() != 1)
            return 0;
        const std::size_t got = std::fread(block.data(), 1, block.size(), input);
        if (got > 0 && std::fwrite(block.data(), 1, got, output) != got)
            return -1;
        if (got < block.size())
            return std::ferror(input) != 0 ? -1 : 0;
    }
}

int CConvertShp::ConvertCompanionPair(const char* extension, bool withHeader)
{
    const auto& s = page->Settings();
    const auto source = CompanionName(s.sourceFile, extension);
    const auto destination = CompanionName(s.destinationFile, extension);
    if (!source || !destination)
        return 1;
    std::error_code error;
    if (!std::filesystem::exists(*source, error))
        return 1;
    // Never over the main files or the companion being read.
    if (SameFile(*destination, *source) || SameFile(*destination, s.sourceFile) ||
        SameFile(*destination, s.destinationFile) || *destination == s.destinationFile)
        return -1;
    if (OpenFiles(*source, *destination) != 0)
        return -1;
    int result = withHeader ? ConvertHeader() : 0;
    if (result == 0)
        result = CopyRest();
    const bool failed = std::ferror(output) != 0;
    std::fclose(input);
    input = nullptr;
    const bool closeFailed = std::fclose(output) != 0;
    output = nullptr;
    return failed || closeFailed ? -1 : result;
}

int CConvertShp::ConvertIndexFile()
{
    return ConvertCompanionPair(".shx", true);
}

int CConvertShp::CopyAttributeFile()
{
    return ConvertCompanionPair(".dbf", false);
}

void ConvertShapefile(CBatchRunControl& run)
{
    bool failed = false;
    {
        CConvertShp shp(run);
        run.SignalStarted();
        failed = shp.ConvertMainFile() < 0;
        if (!failed)
            failed = shp.ConvertIndexFile() < 0;
        if (!failed)
            failed = shp.CopyAttributeFile() < 0;
    }
    if (failed)
        run.Post(BATCH_STOPPED, kBatchFailedText);
    else if (run.Running() == 1)
        run.Post(BATCH_COMPLETED, kBatchCompletedText);
    else
        run.Post(BATCH_STOPPED, kBatchAbortedText);
}
