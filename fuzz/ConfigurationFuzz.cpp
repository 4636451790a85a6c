// Feeds arbitrary bytes to the configuration loader as a file and as memory,
// then puts the record into the window's two sides and reads it back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "ConfigurationRecord.h"

namespace {

const std::string& ScratchFile()
{
    static const std::string path = [] {
        const char* folder = std::getenv("TMPDIR");
        return std::string(folder && *folder ? folder : "/tmp") + "/geolynx-configuration-fuzz-" +
               std::to_string(::getpid()) + ".glx";
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto fromMemory = ConfigurationRecord::FromBytes(data, size);

    if (FILE* file = std::fopen(ScratchFile().c_str(), "wb"))
    {
        if (size > 0)
            std::fwrite(data, 1, size, file);
        std::fclose(file);
        ConfigurationRecord fromFile;
        fromFile.sourceDatumId = 12345;
        const ConfigurationLoadResult result = fromFile.Load(ScratchFile());
        std::remove(ScratchFile().c_str());
        if ((result == ConfigurationLoadResult::Loaded) != fromMemory.has_value())
            std::abort();
        if (result == ConfigurationLoadResult::TooShort && fromFile.sourceDatumId != 12345)
            std::abort(); // a refused file must leave the record alone
        if (fromMemory && std::memcmp(fromFile.ToBytes().data(), fromMemory->ToBytes().data(), ConfigurationRecord::Size) != 0)
            std::abort();
    }

    if (!fromMemory)
        return 0;
    // The first 72 bytes come back unchanged.
    if (std::memcmp(fromMemory->ToBytes().data(), data, ConfigurationRecord::Size) != 0)
        std::abort();

    CoordinateSide source, destination;
    ApplyConfiguration(*fromMemory, source, destination);
    const ConfigurationRecord again = CaptureConfiguration(source, destination);
    if (again.sourceDatumId != fromMemory->sourceDatumId || again.destinationGridId != fromMemory->destinationGridId ||
        again.sourceDisplayMode != fromMemory->sourceDisplayMode ||
        again.destinationDisplayMode != fromMemory->destinationDisplayMode)
        std::abort();
    return 0;
}
