// libFuzzer target: arbitrary bytes as an NTv2 file.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "DatumGridNTv2.h"
#include "FuzzGridLookups.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!stream)
        return 0;
    CDatumGrid grid;
    const int result = CDatumGridNTv2(grid).Read(stream);
    std::fclose(stream);
    if (result == 0)
    {
        if (grid.kind != CDatumGrid::KIND_NTV2 || grid.Count() <= 0)
            __builtin_trap();
        ExerciseLookups(grid);
    }
    else if (grid.kind != CDatumGrid::KIND_NONE || grid.Count() != 0)
    {
        // A refused file must leave the grid as it was.
        __builtin_trap();
    }
    return 0;
}
