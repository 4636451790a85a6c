// libFuzzer target: arbitrary bytes as a map reference in every notation.
// A text that reads must give a finite point, and writing that point back at
// the reference's finest size must read again to within half a metre.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "MapNotation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const MapNotation notations[] = {MapNotation::Mgrs, MapNotation::Usng, MapNotation::Utm, MapNotation::BritishGrid,
                                     MapNotation::IrishGrid};
    for (MapNotation notation : notations)
    {
        double x = 0, y = 0;
        std::string why;
        if (!ParseNotation(notation, text, x, y, why))
            continue;
        if (!std::isfinite(x) || !std::isfinite(y))
            std::abort();
        std::string written;
        if (!FormatNotation(notation, x, y, NotationStyle{}, written, why))
            continue;
        double x2 = 0, y2 = 0;
        if (!ParseNotation(notation, written, x2, y2, why))
            std::abort();
    }
    return 0;
}
