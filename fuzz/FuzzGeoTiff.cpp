// libFuzzer target: arbitrary bytes as a GeoTIFF geoid grid. libtiff reads
// a file, so the bytes are written to one of this process's own first.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "FuzzGeoidLookups.h"
#include "GeoidGrid.h"
#include "GridGeoTiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/geolynx-fuzz-geotiff-" + std::to_string(::getpid()) + ".tif";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    std::fclose(file);
    if (!written)
        return 0;
    std::vector<CGeoTiffImage> images;
    std::string why;
    if (ReadGeoTiffImages(path, images, why))
    {
        for (const CGeoTiffImage& image : images)
            if (image.values.size() != static_cast<size_t>(image.cols) * image.rows * image.samples)
                __builtin_trap();
    }
    else if (why.empty() || !images.empty())
    {
        // A refusal says why and hands back nothing.
        __builtin_trap();
    }
    CGeoidGrid grid;
    if (grid.LoadFile(path) == 0)
        ExerciseGeoidLookups(grid);
    else if (!grid.Empty())
        __builtin_trap();
    return 0;
}
