#include "SideChoices.h"

#include <cerrno>
#include <charconv>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ConfigurationRecord.h"
#include "MapNotation.h"

namespace {

// One line of the file: its key and where its value goes, with the values
// it may take.
struct Key
{
    const char* name;
    std::int32_t SideChoices::Side::*value;
    bool (*valid)(std::int32_t);
};

bool AnyModel(std::int32_t) { return true; }
bool Precision(std::int32_t metres)
{
    int digits = 0;
    return ReferenceDigits(metres, digits);
}
bool Zone(std::int32_t zone) { return zone >= 0 && zone <= 60; }

constexpr Key kKeys[] = {
    {"height", &SideChoices::Side::height, AnyModel},
    {"precision", &SideChoices::Side::precision, Precision},
    {"zone", &SideChoices::Side::zone, Zone},
};

enum class Beside
{
    Missing,
    Read,
    Unreadable,
};

// The whole file, when it is a regular file that can be read; a named pipe
// in its place cannot hold the window.
Beside ReadBeside(const std::string& path, std::string& text)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? Beside::Missing : Beside::Unreadable;
    struct stat status;
    char buffer[512];
    ssize_t got = -1;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        do
            got = ::read(fd, buffer, sizeof buffer);
        while (got < 0 && errno == EINTR);
    ::close(fd);
    if (got < 0)
        return Beside::Unreadable;
    text.assign(buffer, static_cast<std::size_t>(got));
    return Beside::Read;
}

// Reads exactly the lines Save writes: "-5773", "+5773", a space more, a
// line more or another order is no such file.
class Lines
{
public:
    explicit Lines(std::string_view text) : rest(text) {}

    bool Take(std::string_view expected)
    {
        if (!rest.starts_with(expected))
            return false;
        rest.remove_prefix(expected.size());
        return true;
    }
    bool Number(std::int32_t& value)
    {
        if (rest.empty() || rest.front() < '0' || rest.front() > '9')
            return false;
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
        rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
        return error == std::errc();
    }
    bool Done() const { return rest.empty(); }

private:
    std::string_view rest;
};

bool ParseHeights(Lines& lines, SideChoices& choices)
{
    return lines.Take("\nsource ") && lines.Number(choices.source.height) && lines.Take("\ndestination ") &&
           lines.Number(choices.destination.height) && lines.Take("\n") && lines.Done();
}

bool ParseChoices(Lines& lines, SideChoices& choices)
{
    for (auto [prefix, side] : {std::pair{"source", &choices.source}, {"destination", &choices.destination}})
        for (const Key& key : kKeys)
        {
            std::int32_t& value = side->*key.value;
            if (!(lines.Take("\n") && lines.Take(prefix) && lines.Take(" ") && lines.Take(key.name) &&
                  lines.Take(" ") && lines.Number(value) && key.valid(value)))
                return false;
        }
    return lines.Take("\n") && lines.Done();
}

} // namespace

std::string SideChoices::PathBeside(const std::string& configuration)
{
    return configuration + ".heights";
}

bool SideChoices::Save(const std::string& configuration) const
{
    std::string text = kHeader;
    for (auto [prefix, side] : {std::pair{"source", &source}, {"destination", &destination}})
        for (const Key& key : kKeys)
            text += std::string("\n") + prefix + " " + key.name + " " + std::to_string(side->*key.value);
    text += "\n";
    return ReplaceFile(PathBeside(configuration), reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

bool SideChoices::Load(const std::string& configuration)
{
    *this = SideChoices{};
    std::string text;
    const Beside file = ReadBeside(PathBeside(configuration), text);
    if (file != Beside::Read)
        return file == Beside::Missing;
    SideChoices loaded;
    Lines lines(text);
    const bool read = lines.Take(kHeader) ? ParseChoices(lines, loaded)
                                          : lines.Take(HeightSystems::kHeader) && ParseHeights(lines, loaded);
    if (read)
        *this = loaded;
    return read;
}
