// libFuzzer target: arbitrary bytes as a NADCON pair. The first four bytes
// say where the latitude-shift file ends and the longitude-shift file begins.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "DatumGridNadcon.h"
#include "FuzzGridLookups.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6)
        return 0;
    uint32_t split;
    std::memcpy(&split, data, 4);
    data += 4;
    size -= 4;
    const size_t latitudeBytes = 1 + split % (size - 1);
    std::FILE* las = fmemopen(const_cast<uint8_t*>(data), latitudeBytes, "rb");
    std::FILE* los = fmemopen(const_cast<uint8_t*>(data + latitudeBytes), size - latitudeBytes, "rb");
    if (las && los)
    {
        CDatumGrid grid;
        const int result = CDatumGridNadcon(grid).Read(las, los);
        if (result == 0)
        {
            if (grid.kind != CDatumGrid::KIND_NADCON || grid.Count() != 1)
                __builtin_trap();
            ExerciseLookups(grid);
        }
        else if (grid.kind != CDatumGrid::KIND_NONE || grid.Count() != 0)
        {
            __builtin_trap();
        }
    }
    if (las)
        std::fclose(las);
    if (los)
        std::fclose(los);
    return 0;
}
