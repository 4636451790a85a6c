#include "OutputFiles.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMarker = ".geolynx-";
constexpr std::string_view kAside = "old-";

std::string FolderOf(const std::string& path)
{
    const fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

std::string NameOf(const std::string& path)
{
    return fs::path(path).filename().string();
}

// "<folder>/.<name>.geolynx-<pid>-<infix>XXXXXX", for mkstemp.
std::string Pattern(const std::string& destination, std::string_view infix)
{
    return (fs::path(FolderOf(destination)) /
            ("." + NameOf(destination) + std::string(kMarker) + std::to_string(::getpid()) + "-" +
             std::string(infix) + "XXXXXX"))
        .string();
}

// The process's file creation mask, read without changing it: umask() can
// only be read by setting it, which other threads would see.
mode_t CreationMask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("Umask:"))
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 022;
}

bool Exists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

bool ProcessGone(long pid)
{
    return pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

std::string Reason(int error)
{
    return std::strerror(error);
}

// An old file moved aside: where it was and where it is.
struct Aside
{
    std::string original;
    std::string moved;
};

// Moves path to a fresh name of its own beside it; false with why.
bool MoveAside(const std::string& path, std::vector<Aside>& asides, std::string& why)
{
    std::string moved = Pattern(path, kAside);
    const int fd = ::mkstemp(moved.data());
    if (fd < 0)
    {
        why = "the old \"" + path + "\" cannot be set aside: " + Reason(errno);
        return false;
    }
    ::close(fd);
    if (std::rename(path.c_str(), moved.c_str()) != 0)
    {
        const int error = errno;
        ::unlink(moved.c_str());
        why = "the old \"" + path + "\" cannot be replaced: " + Reason(error);
        return false;
    }
    asides.push_back(Aside{path, moved});
    return true;
}

// Undoes a replacement that failed: the new files in place removed, the old
// ones put back. What cannot be put back is added to why.
void Undo(const std::vector<std::string>& placed, const std::vector<Aside>& asides, std::string& why)
{
    for (const auto& p : placed)
        ::unlink(p.c_str());
    for (auto it = asides.rbegin(); it != asides.rend(); ++it)
        if (std::rename(it->moved.c_str(), it->original.c_str()) != 0)
            why += "; the old \"" + it->original + "\" could not be put back and is kept as \"" + it->moved +
                   "\": " + Reason(errno);
}

} // namespace

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

std::FILE* CreateTemporary(const std::string& destination, std::string& path, std::string& why)
{
    path = Pattern(destination, "");
    const int fd = ::mkstemp(path.data());
    if (fd < 0)
    {
        why = "\"" + destination + "\" cannot be written: no temporary file beside it (" + Reason(errno) + ")";
        path.clear();
        return nullptr;
    }
    struct stat info;
    const mode_t mode =
        ::stat(destination.c_str(), &info) == 0 ? (info.st_mode & 07777) : (0666 & ~CreationMask());
    (void)::fchmod(fd, mode);
    std::FILE* file = ::fdopen(fd, "wb+");
    if (file == nullptr)
    {
        why = "\"" + destination + "\" cannot be written: " + Reason(errno);
        ::close(fd);
        ::unlink(path.c_str());
        path.clear();
    }
    return file;
}

std::string ReplaceRefusal(const std::string& destination)
{
    struct stat info;
    if (::lstat(destination.c_str(), &info) != 0)
        return std::string();
    if (!S_ISREG(info.st_mode))
        return "\"" + destination + "\" is not a regular file";
    // Root may write any file; the mode still says whether it is meant to.
    const bool writable = ::access(destination.c_str(), W_OK) == 0;
    const int error = errno;
    if ((info.st_mode & S_IWUSR) == 0 || (!writable && (error == EACCES || error == EROFS)))
        return "\"" + destination + "\" is read-only; it is not replaced";
    // An immutable file, say.
    if (!writable)
        return "\"" + destination + "\" cannot be replaced: " + Reason(error);
    return std::string();
}

std::vector<std::string> ClearLeftovers(const std::string& destination)
{
    std::vector<std::string> done;
    const std::string prefix = "." + NameOf(destination) + std::string(kMarker);
    std::error_code error;
    std::vector<fs::path> found;
    for (fs::directory_iterator it(FolderOf(destination), error), end; !error && it != end; it.increment(error))
        if (it->path().filename().string().starts_with(prefix))
            found.push_back(it->path());
    std::sort(found.begin(), found.end());
    for (const auto& path : found)
    {
        const std::string name = path.filename().string();
        const std::string_view rest = std::string_view(name).substr(prefix.size());
        const std::size_t dash = rest.find('-');
        if (dash == 0 || dash == std::string_view::npos ||
            rest.substr(0, dash).find_first_not_of("0123456789") != std::string_view::npos || dash > 9)
            continue;
        const long pid = std::strtol(std::string(rest.substr(0, dash)).c_str(), nullptr, 10);
        if (!ProcessGone(pid))
            continue;
        const std::string text = path.string();
        const bool aside = rest.substr(dash + 1).starts_with(kAside);
        if (aside && !Exists(destination))
        {
            if (std::rename(text.c_str(), destination.c_str()) == 0)
                done.push_back("put back \"" + destination + "\" from \"" + text + "\", left by process " +
                               std::to_string(pid));
            continue;
        }
        if (::unlink(text.c_str()) == 0)
            done.push_back("removed \"" + text + "\", left by process " + std::to_string(pid));
    }
    return done;
}

bool ReplaceFiles(const std::vector<std::pair<std::string, std::string>>& files,
                  const std::vector<std::string>& stale, std::string& why)
{
    for (const auto& [temporary, final] : files)
        if (const std::string refusal = ReplaceRefusal(final); !refusal.empty())
            return why = refusal, false;
    for (const auto& s : stale)
        if (const std::string refusal = ReplaceRefusal(s); !refusal.empty())
            return why = refusal, false;
    // One file replaced by one rename is replaced whole or not at all.
    if (files.size() == 1 && stale.empty())
    {
        if (std::rename(files[0].first.c_str(), files[0].second.c_str()) == 0)
            return true;
        why = "\"" + files[0].second + "\" cannot be replaced: " + Reason(errno);
        return false;
    }
    std::vector<Aside> asides;
    std::vector<std::string> placed;
    auto setAside = [&](const std::string& path) { return !Exists(path) || MoveAside(path, asides, why); };
    bool ok = true;
    for (const auto& s : stale)
        ok = ok && setAside(s);
    for (const auto& f : files)
        ok = ok && setAside(f.second);
    for (std::size_t i = 0; ok && i < files.size(); ++i)
    {
        if (std::rename(files[i].first.c_str(), files[i].second.c_str()) != 0)
        {
            why = "\"" + files[i].second + "\" cannot be written: " + Reason(errno);
            ok = false;
        }
        else
            placed.push_back(files[i].second);
    }
    if (!ok)
    {
        Undo(placed, asides, why);
        return false;
    }
    for (const auto& a : asides)
        ::unlink(a.moved.c_str());
    return true;
}
