#include "DatumGridNTv2.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "GridFile.h"

namespace {

constexpr int64_t kRecordSize = 16;
constexpr int kHeaderRecords = 11;

// NTv2 pads labels and texts with blanks; some writers use NULs.
std::string Trimmed(const unsigned char* bytes, size_t count)
{
    size_t begin = 0, end = count;
    auto blank = [](unsigned char c) { return c == ' ' || c == '\0' || c == '\t'; };
    while (begin < end && blank(bytes[begin]))
        ++begin;
    while (end > begin && blank(bytes[end - 1]))
        --end;
    return std::string(reinterpret_cast<const char*>(bytes + begin), end - begin);
}

bool SameText(const std::string& text, const char* expected)
{
    const size_t n = std::strlen(expected);
    if (text.size() != n)
        return false;
    for (size_t k = 0; k < n; ++k)
        if (std::toupper(static_cast<unsigned char>(text[k])) !=
            std::toupper(static_cast<unsigned char>(expected[k])))
            return false;
    return true;
}

uint32_t Word(const unsigned char* b, bool bigEndian)
{
    if (bigEndian)
        return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
    return uint32_t(b[3]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | uint32_t(b[0]);
}

float Float(const unsigned char* b, bool bigEndian)
{
    const uint32_t w = Word(b, bigEndian);
    float f;
    std::memcpy(&f, &w, sizeof f);
    return f;
}

double Double(const unsigned char* b, bool bigEndian)
{
    uint64_t w = 0;
    for (int k = 0; k < 8; ++k)
        w |= uint64_t(b[bigEndian ? k : 7 - k]) << (8 * (7 - k));
    double d;
    std::memcpy(&d, &w, sizeof d);
    return d;
}

} // namespace

CDatumGridNTv2::CDatumGridNTv2(CDatumGrid& target) : grid(target)
{
}

int CDatumGridNTv2::Read(const std::string& path)
{
    CGridFile file(path);
    return Read(file);
}

int CDatumGridNTv2::Read(std::FILE* stream)
{
    CGridFile file(stream);
    return Read(file);
}

bool CDatumGridNTv2::ReadRecord(CGridFile& file, const char* label, unsigned char value[8])
{
    unsigned char record[kRecordSize];
    if (!file.Read(record, sizeof record))
        return false;
    std::memcpy(value, record + 8, 8);
    return SameText(Trimmed(record, 8), label);
}

bool CDatumGridNTv2::ReadInteger(CGridFile& file, const char* label, int32_t& value)
{
    unsigned char v[8];
    if (!ReadRecord(file, label, v))
        return false;
    value = static_cast<int32_t>(Word(v, bigEndian));
    return true;
}

bool CDatumGridNTv2::ReadDouble(CGridFile& file, const char* label, double& value)
{
    unsigned char v[8];
    if (!ReadRecord(file, label, v))
        return false;
    value = Double(v, bigEndian);
    return std::isfinite(value);
}

bool CDatumGridNTv2::ReadText(CGridFile& file, const char* label, std::string& value)
{
    unsigned char v[8];
    if (!ReadRecord(file, label, v))
        return false;
    value = Trimmed(v, 8);
    return true;
}

int CDatumGridNTv2::Refuse(const std::string& reason)
{
    why = reason;
    return -1;
}

bool CDatumGridNTv2::RefuseBlock(const std::string& reason)
{
    why = reason;
    return false;
}

int CDatumGridNTv2::Read(CGridFile& file)
{
    why.clear();
    if (!file.IsOpen() || file.Size() == 0)
        return -1;
    if (file.Size() < kHeaderRecords * kRecordSize)
        return Refuse("the file is shorter than an NTv2 header");

    // NUM_OREC is 11 in every NTv2 file; its byte order tells the file's.
    unsigned char v[8];
    if (!ReadRecord(file, "NUM_OREC", v))
        return Refuse("the file is not an NTv2 grid: it does not open with NUM_OREC");
    if (Word(v, false) == kHeaderRecords)
        bigEndian = false;
    else if (Word(v, true) == kHeaderRecords)
        bigEndian = true;
    else
        return Refuse("the file is not an NTv2 grid: NUM_OREC is not 11");

    int32_t subRecords = 0, fileCount = 0;
    std::string gsType, text;
    double number = 0;
    if (!ReadInteger(file, "NUM_SREC", subRecords) || !ReadInteger(file, "NUM_FILE", fileCount) ||
        !ReadText(file, "GS_TYPE", gsType) || !ReadText(file, "VERSION", text) ||
        !ReadText(file, "SYSTEM_F", text) || !ReadText(file, "SYSTEM_T", text) ||
        !ReadDouble(file, "MAJOR_F", number) || !ReadDouble(file, "MINOR_F", number) ||
        !ReadDouble(file, "MAJOR_T", number) || !ReadDouble(file, "MINOR_T", number))
        return Refuse("the file's header records are damaged or out of order");
    // Shifts are applied as arc seconds; a file in other units would be
    // misread by orders of magnitude.
    if (!SameText(gsType, "SECONDS"))
        return Refuse("the shifts are not in arc seconds (GS_TYPE is not SECONDS)");
    // Each block needs at least its header and one node record; this bounds
    // the list before it is built.
    if (fileCount <= 0)
        return Refuse("the file names no sub-grid (NUM_FILE " + std::to_string(fileCount) + ")");
    if (fileCount > file.Remaining() / ((kHeaderRecords + 1) * kRecordSize))
        return Refuse("the file is truncated: it names " + std::to_string(fileCount) +
                      " sub-grids but is too short for them");
    subGridCount = fileCount;

    CDatumGrid::SubGridList blocks;
    blocks.reserve(static_cast<size_t>(subGridCount));
    for (int k = 0; k < subGridCount; ++k)
    {
        auto block = std::make_unique<CDatumSubGrid>();
        if (!ReadSubGrid(file, *block, k + 1))
            return -1;
        blocks.push_back(std::move(block));
    }
    grid.Replace(std::move(blocks), CDatumGrid::KIND_NTV2);
    return 0;
}

bool CDatumGridNTv2::ReadSubGrid(CGridFile& file, CDatumSubGrid& block, int index)
{
    const std::string which = "sub-grid " + std::to_string(index) + " of " + std::to_string(subGridCount);
    std::string text;
    double sLat, nLat, eLong, wLong, latInc, longInc;
    int32_t gsCount = 0;
    if (!ReadText(file, "SUB_NAME", text) || !ReadText(file, "PARENT", text) ||
        !ReadText(file, "CREATED", text) || !ReadText(file, "UPDATED", text) ||
        !ReadDouble(file, "S_LAT", sLat) || !ReadDouble(file, "N_LAT", nLat) ||
        !ReadDouble(file, "E_LONG", eLong) || !ReadDouble(file, "W_LONG", wLong) ||
        !ReadDouble(file, "LAT_INC", latInc) || !ReadDouble(file, "LONG_INC", longInc) ||
        !ReadInteger(file, "GS_COUNT", gsCount))
        return RefuseBlock(file.Remaining() <= 0 ? "the file is truncated before " + which
                                                 : "the header of " + which + " is damaged");

    block.south = sLat / 3600;
    block.north = nLat / 3600;
    block.lonMin = eLong / 3600;
    block.lonMax = wLong / 3600;
    block.latInc = latInc / 3600;
    block.lonInc = longInc / 3600;
    if (!(block.latInc > 0) || !(block.lonInc > 0))
        return RefuseBlock("the spacing of " + which + " is not positive");

    const long long rows = CDatumSubGrid::NodesAlong((block.north - block.south) / block.latInc);
    const long long cols = CDatumSubGrid::NodesAlong((block.lonMax - block.lonMin) / block.lonInc);
    if (rows <= 0 || cols <= 0 || gsCount <= 0)
        return RefuseBlock("the extent of " + which + " holds no node");
    // Some producers write more node records than the lattice needs; those
    // are passed over. Fewer would leave nodes undefined.
    const long long lattice = rows * cols;
    if (lattice > gsCount)
        return RefuseBlock(which + " has " + std::to_string(gsCount) + " node records for " +
                           std::to_string(lattice) + " nodes");
    if (gsCount > file.Remaining() / kRecordSize)
        return RefuseBlock("the file is truncated: " + which + " needs " + std::to_string(gsCount) +
                           " node records, the file holds " + std::to_string(file.Remaining() / kRecordSize));
    block.rows = static_cast<int>(rows);
    block.cols = static_cast<int>(cols);

    block.Allocate(static_cast<int>(lattice));
    unsigned char chunk[256 * kRecordSize];
    long long left = lattice;
    while (left > 0)
    {
        const long long n = left < 256 ? left : 256;
        if (!file.Read(chunk, static_cast<size_t>(n * kRecordSize)))
            return RefuseBlock("the node records of " + which + " cannot be read");
        for (long long r = 0; r < n; ++r)
        {
            const unsigned char* node = chunk + r * kRecordSize;
            // The two accuracies that follow are not used.
            block.StoreNode(Float(node, bigEndian), Float(node + 4, bigEndian));
        }
        left -= n;
    }
    if (!file.Seek(file.Position() + (gsCount - lattice) * kRecordSize))
        return RefuseBlock("the file is truncated after " + which);
    return true;
}
