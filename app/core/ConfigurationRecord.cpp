#include "ConfigurationRecord.h"

#include "SideChoices.h"

#include <atomic>
#include <charconv>
#include <string_view>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void PutUint32(unsigned char* out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<unsigned char>(v >> (8 * i));
}

void PutUint64(unsigned char* out, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint32_t GetUint32(const unsigned char* in)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | in[i];
    return v;
}

std::uint64_t GetUint64(const unsigned char* in)
{
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | in[i];
    return v;
}

void PutInt(unsigned char* record, std::size_t offset, std::int32_t v)
{
    PutUint32(record + offset, static_cast<std::uint32_t>(v));
}

void PutDouble(unsigned char* record, std::size_t offset, double v)
{
    PutUint64(record + offset, std::bit_cast<std::uint64_t>(v));
}

std::int32_t GetInt(const unsigned char* record, std::size_t offset)
{
    return static_cast<std::int32_t>(GetUint32(record + offset));
}

double GetDouble(const unsigned char* record, std::size_t offset)
{
    return std::bit_cast<double>(GetUint64(record + offset));
}

bool WriteAll(int fd, const unsigned char* data, std::size_t size)
{
    while (size > 0)
    {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Creates a fresh file beside path that nobody else can have opened; the
// usual permissions apply, as for any file the user saves.
int CreateTemporaryBeside(const std::string& path, std::string& temporary)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        temporary = path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter++);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

std::array<unsigned char, ConfigurationRecord::Size> ConfigurationRecord::ToBytes() const
{
    std::array<unsigned char, Size> bytes{};
    unsigned char* r = bytes.data();
    PutInt(r, 0, sourceDatumId);
    PutInt(r, 4, destinationDatumId);
    PutInt(r, 8, sourceGridId);
    PutInt(r, 12, destinationGridId);
    PutInt(r, 16, sourceDisplayMode);
    PutInt(r, 20, destinationDisplayMode);
    PutDouble(r, 24, sourceLatitude);
    PutDouble(r, 32, sourceLongitude);
    PutDouble(r, 40, sourceAltitude);
    PutDouble(r, 48, destinationLatitude);
    PutDouble(r, 56, destinationLongitude);
    PutDouble(r, 64, destinationAltitude);
    return bytes;
}

std::optional<ConfigurationRecord> ConfigurationRecord::FromBytes(const unsigned char* data, std::size_t size)
{
    if (data == nullptr || size < Size)
        return std::nullopt;
    ConfigurationRecord record;
    record.sourceDatumId = GetInt(data, 0);
    record.destinationDatumId = GetInt(data, 4);
    record.sourceGridId = GetInt(data, 8);
    record.destinationGridId = GetInt(data, 12);
    record.sourceDisplayMode = GetInt(data, 16);
    record.destinationDisplayMode = GetInt(data, 20);
    record.sourceLatitude = GetDouble(data, 24);
    record.sourceLongitude = GetDouble(data, 32);
    record.sourceAltitude = GetDouble(data, 40);
    record.destinationLatitude = GetDouble(data, 48);
    record.destinationLongitude = GetDouble(data, 56);
    record.destinationAltitude = GetDouble(data, 64);
    return record;
}

bool ReplaceFile(const std::string& path, const unsigned char* data, std::size_t size)
{
    if (path.empty())
        return false;
    std::string temporary;
    const int fd = CreateTemporaryBeside(path, temporary);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, data, size);
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

bool ConfigurationRecord::Save(const std::string& path) const
{
    const auto bytes = ToBytes();
    return ReplaceFile(path, bytes.data(), bytes.size());
}

ConfigurationLoadResult ConfigurationRecord::Load(const std::string& path)
{
    // Non-blocking so that a named pipe or a device cannot hold the window;
    // only a regular file is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return ConfigurationLoadResult::CannotOpen;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
    {
        ::close(fd);
        return ConfigurationLoadResult::CannotOpen;
    }

    unsigned char bytes[Size];
    std::size_t got = 0;
    while (got < Size)
    {
        const ssize_t n = ::read(fd, bytes + got, Size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);

    const auto record = FromBytes(bytes, got);
    if (!record)
        return ConfigurationLoadResult::TooShort;
    *this = *record;
    return ConfigurationLoadResult::Loaded;
}

ConfigurationRecord CaptureConfiguration(CoordinateSide& source, CoordinateSide& destination)
{
    ConfigurationRecord record;
    record.destinationLatitude = destination.Read(AxisLatitude);
    record.destinationLongitude = destination.Read(AxisLongitude);
    record.destinationAltitude = ReadAltitude(destination.altitude);
    record.sourceLatitude = source.Read(AxisLatitude);
    record.sourceLongitude = source.Read(AxisLongitude);
    record.sourceAltitude = ReadAltitude(source.altitude);
    record.sourceDatumId = source.datumId;
    record.destinationDatumId = destination.datumId;
    record.sourceGridId = source.gridId;
    record.destinationGridId = destination.gridId;
    record.sourceDisplayMode = source.displayMode;
    record.destinationDisplayMode = destination.displayMode;
    return record;
}

void ApplyConfiguration(const ConfigurationRecord& record, CoordinateSide& source, CoordinateSide& destination)
{
    source.displayMode = record.sourceDisplayMode;
    destination.displayMode = record.destinationDisplayMode;
    source.gridId = record.sourceGridId;
    destination.gridId = record.destinationGridId;
    source.datumId = record.sourceDatumId;
    destination.datumId = record.destinationDatumId;
    source.Write(AxisLatitude, record.sourceLatitude);
    source.Write(AxisLongitude, record.sourceLongitude);
    source.altitude = FormatAltitude(record.sourceAltitude);
    destination.Write(AxisLatitude, record.destinationLatitude);
    destination.Write(AxisLongitude, record.destinationLongitude);
    destination.altitude = FormatAltitude(record.destinationAltitude);
}

std::string HeightSystems::PathBeside(const std::string& configuration)
{
    return SideChoices::PathBeside(configuration);
}

bool HeightSystems::Save(const std::string& configuration) const
{
    const std::string text = std::string(kHeader) + "\nsource " + std::to_string(source) + "\ndestination " +
                             std::to_string(destination) + "\n";
    return ReplaceFile(PathBeside(configuration), reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

bool HeightSystems::Load(const std::string& configuration)
{
    SideChoices choices;
    const bool read = choices.Load(configuration);
    *this = HeightSystems{choices.source.height, choices.destination.height};
    return read;
}
