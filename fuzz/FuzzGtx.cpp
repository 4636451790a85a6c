// libFuzzer target: arbitrary bytes as a GTX geoid grid.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "FuzzGeoidLookups.h"
#include "GeoidGridGtx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!stream)
        return 0;
    CGeoidGrid grid;
    const int result = CGeoidGridGtx(grid).Read(stream);
    std::fclose(stream);
    if (result == 0)
    {
        if (grid.Empty())
            __builtin_trap();
        ExerciseGeoidLookups(grid);
    }
    else if (!grid.Empty())
    {
        // A refused file must leave the grid as it was.
        __builtin_trap();
    }
    return 0;
}
