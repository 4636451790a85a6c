// libFuzzer target: arbitrary bytes as the .prj of a shapefile, read by the
// WKT parser and reduced to the values matching compares.
#include <cstddef>
#include <cstdint>
#include <string>

#include "PrjMatch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CWktNode root;
    const bool parsed = ParseWkt(text, root);
    CPrjSystem system;
    if (DescribeWkt(text, system))
    {
        // A description is only made of a text that parses, and it is its own match.
        if (!parsed || !SameSystem(system, system))
            __builtin_trap();
    }
    return 0;
}
