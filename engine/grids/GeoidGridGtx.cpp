#include "GeoidGridGtx.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "GridFile.h"

namespace {

constexpr int64_t kHeaderSize = 40;
constexpr float kGtxNoData = -88.8888f;

uint32_t BigWord(const unsigned char* b)
{
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
}

double BigDouble(const unsigned char* b)
{
    const uint64_t w = uint64_t(BigWord(b)) << 32 | BigWord(b + 4);
    double d;
    std::memcpy(&d, &w, sizeof d);
    return d;
}

float BigFloat(const unsigned char* b)
{
    const uint32_t w = BigWord(b);
    float f;
    std::memcpy(&f, &w, sizeof f);
    return f;
}

} // namespace

CGeoidGridGtx::CGeoidGridGtx(CGeoidGrid& target) : grid(target)
{
}

int CGeoidGridGtx::Read(const std::string& path)
{
    CGridFile file(path);
    return Read(file);
}

int CGeoidGridGtx::Read(std::FILE* stream)
{
    CGridFile file(stream);
    return Read(file);
}

int CGeoidGridGtx::Read(CGridFile& file)
{
    unsigned char header[kHeaderSize];
    if (!file.IsOpen() || !file.Read(header, sizeof header))
        return -1;
    CGeoidGrid::Image image;
    image.south = BigDouble(header);
    image.west = BigDouble(header + 8);
    image.latInc = BigDouble(header + 16);
    image.lonInc = BigDouble(header + 24);
    const auto rows = static_cast<int32_t>(BigWord(header + 32));
    const auto cols = static_cast<int32_t>(BigWord(header + 36));
    if (rows <= 0 || cols <= 0 || !(image.latInc > 0) || !(image.lonInc > 0))
        return -1;
    // The lattice must be the rest of the file, no more and no less: a
    // header that claims more would be believed beyond the bytes there are.
    const int64_t nodes = int64_t(rows) * cols;
    if (nodes != file.Remaining() / 4 || file.Remaining() % 4 != 0)
        return -1;
    image.rows = rows;
    image.cols = cols;
    image.values.resize(static_cast<size_t>(nodes));

    unsigned char chunk[4096 * 4];
    int64_t done = 0;
    while (done < nodes)
    {
        const int64_t n = nodes - done < 4096 ? nodes - done : 4096;
        if (!file.Read(chunk, static_cast<size_t>(n * 4)))
            return -1;
        for (int64_t k = 0; k < n; ++k)
        {
            const float v = BigFloat(chunk + 4 * k);
            image.values[static_cast<size_t>(done + k)] =
                std::isfinite(v) && v != kGtxNoData ? v : std::nanf("");
        }
        done += n;
    }
    std::vector<CGeoidGrid::Image> images;
    images.push_back(std::move(image));
    return grid.Replace(std::move(images)) ? 0 : -1;
}
