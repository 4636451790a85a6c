#include "DatumGridNadcon.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "GridFile.h"

namespace {

// The header follows a 56-character identification and an 8-character
// program name.
constexpr int64_t kHeaderOffset = 64;
constexpr size_t kHeaderBytes = 28; // NC, NR, NZ, XMIN, DX, YMIN, DY

struct Header
{
    int32_t nc = 0, nr = 0;
    float xMin = 0, dx = 0, yMin = 0, dy = 0;
};

uint32_t Word(const unsigned char* b)
{
    return uint32_t(b[3]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | uint32_t(b[0]);
}

float Float(const unsigned char* b)
{
    const uint32_t w = Word(b);
    float f;
    std::memcpy(&f, &w, sizeof f);
    return f;
}

bool ReadHeader(CGridFile& file, Header& h)
{
    unsigned char b[kHeaderBytes];
    if (!file.Seek(kHeaderOffset) || !file.Read(b, sizeof b))
        return false;
    h.nc = static_cast<int32_t>(Word(b));
    h.nr = static_cast<int32_t>(Word(b + 4));
    h.xMin = Float(b + 12);
    h.dx = Float(b + 16);
    h.yMin = Float(b + 20);
    h.dy = Float(b + 24);
    if (h.nc <= 0 || h.nr <= 0)
        return false;
    // A header record and NR data records of NC + 1 words each, counted by
    // division: the product of two large counts overflows 64 bits.
    const int64_t words = file.Size() / 4;
    const int64_t columns = int64_t(h.nc) + 1, rows = int64_t(h.nr) + 1;
    return columns <= words && rows <= words / columns;
}

std::string ReplaceFirst(const std::string& path, const char* from, const char* to)
{
    const size_t at = path.find(from);
    if (at == std::string::npos)
        return std::string();
    std::string result = path;
    result.replace(at, std::strlen(from), to);
    return result;
}

std::string PairName(const std::string& path, const char* from, const char* to,
                     const char* fromUpper, const char* toUpper)
{
    std::string name = ReplaceFirst(path, from, to);
    if (name.empty())
        name = ReplaceFirst(path, fromUpper, toUpper);
    return name.empty() ? path : name;
}

} // namespace

CDatumGridNadcon::CDatumGridNadcon(CDatumGrid& target) : grid(target)
{
}

std::string CDatumGridNadcon::LatitudeFileName(const std::string& path)
{
    return PairName(path, ".los", ".las", ".LOS", ".LAS");
}

std::string CDatumGridNadcon::LongitudeFileName(const std::string& path)
{
    return PairName(path, ".las", ".los", ".LAS", ".LOS");
}

int CDatumGridNadcon::Read(const std::string& path)
{
    CGridFile latitudeFile(LatitudeFileName(path));
    CGridFile longitudeFile(LongitudeFileName(path));
    return Read(latitudeFile, longitudeFile);
}

int CDatumGridNadcon::Read(std::FILE* latitudeStream, std::FILE* longitudeStream)
{
    CGridFile latitudeFile(latitudeStream);
    CGridFile longitudeFile(longitudeStream);
    return Read(latitudeFile, longitudeFile);
}

int CDatumGridNadcon::Refuse(const std::string& reason)
{
    why = reason;
    return -1;
}

int CDatumGridNadcon::Read(CGridFile& latitudeFile, CGridFile& longitudeFile)
{
    why.clear();
    if (!latitudeFile.IsOpen() || !longitudeFile.IsOpen())
        return -1;
    Header h, other;
    if (!ReadHeader(latitudeFile, h) || !ReadHeader(longitudeFile, other))
        return Refuse("a header of the .las/.los pair is damaged or names more nodes than the file holds");
    // The pair describes one lattice; two sizes would interleave unrelated nodes.
    if (other.nc != h.nc || other.nr != h.nr)
        return Refuse("the .las and .los files describe different lattices");
    if (!std::isfinite(h.xMin) || !std::isfinite(h.yMin) || !(h.dx > 0) || !(h.dy > 0) ||
        !std::isfinite(h.dx) || !std::isfinite(h.dy))
        return Refuse("the grid's origin or spacing is unusable");
    // The header check bounds NR x NC by the file size, well inside 32 bits.
    const int64_t lattice = int64_t(h.nr) * h.nc;
    if (lattice > INT32_MAX)
        return Refuse("the grid has too many nodes");

    auto block = std::make_unique<CDatumSubGrid>();
    block->cols = h.nc;
    block->rows = h.nr;
    block->lonMin = h.xMin;
    block->lonInc = h.dx;
    block->south = h.yMin;
    block->latInc = h.dy;
    block->lonMax = double(h.xMin) + double(h.nc - 1) * double(h.dx);
    block->north = double(h.yMin) + double(h.nr - 1) * double(h.dy);
    block->Allocate(static_cast<int>(lattice));

    // Each data record opens with a word that carries no shift.
    const int64_t firstValue = int64_t(h.nc) * 4 + 8;
    if (!latitudeFile.Seek(firstValue) || !longitudeFile.Seek(firstValue))
        return Refuse("the file is truncated before its first record");
    std::vector<unsigned char> latRow((size_t(h.nc) + 1) * 4), lonRow((size_t(h.nc) + 1) * 4);
    for (int32_t row = 0; row < h.nr; ++row)
    {
        // The last record has no successor whose leading word could follow.
        const size_t bytes = size_t(h.nc) * 4 + (row + 1 < h.nr ? 4 : 0);
        if (!latitudeFile.Read(latRow.data(), bytes) || !longitudeFile.Read(lonRow.data(), bytes))
            return Refuse("the file is truncated at row " + std::to_string(row + 1) + " of " + std::to_string(h.nr));
        for (int32_t col = 0; col < h.nc; ++col)
            block->StoreNode(Float(&latRow[size_t(col) * 4]), Float(&lonRow[size_t(col) * 4]));
    }

    CDatumGrid::SubGridList blocks;
    blocks.push_back(std::move(block));
    grid.Replace(std::move(blocks), CDatumGrid::KIND_NADCON);
    return 0;
}
