#include "Paths.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// An XDG variable counts only when it holds an absolute path.
std::string XdgVariable(const char* name)
{
    const char* v = std::getenv(name);
    if (v == nullptr || v[0] != '/')
        return std::string();
    return v;
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return home;
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr)
        return found->pw_dir;
    return "/";
}

std::string XdgHome(const char* variable, const char* fallbackBelowHome)
{
    std::string v = XdgVariable(variable);
    if (!v.empty())
        return v;
    return (fs::path(HomeFolder()) / fallbackBelowHome).string();
}

} // namespace

std::string ExecutableFolder()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return fs::current_path(ec).string();
    return exe.parent_path().string();
}

std::string DefaultProgramRoot()
{
    return (fs::path(ExecutableFolder()) / ".." / "share" / "geolynx").lexically_normal().string();
}

std::string UserConfigHome()
{
    return XdgHome("XDG_CONFIG_HOME", ".config");
}

std::string UserDataHome()
{
    return XdgHome("XDG_DATA_HOME", ".local/share");
}

std::string UserStateHome()
{
    return XdgHome("XDG_STATE_HOME", ".local/state");
}

std::string MachineConfigDirs()
{
    const char* v = std::getenv("XDG_CONFIG_DIRS");
    if (v == nullptr || v[0] == '\0')
        return "/etc/xdg";
    return v;
}

std::string UserDataFolder()
{
    return (fs::path(UserDataHome()) / "Veltrix" / "Geolynx").string();
}

std::string UserStateFolder()
{
    return (fs::path(UserStateHome()) / "Veltrix" / "Geolynx").string();
}

std::string DefaultCatalogueFile()
{
    return (fs::path(UserDataFolder()) / "catalogue.db").string();
}

std::string DefaultConnectionString()
{
    return "Provider=SQLite;Data Source=" + DefaultCatalogueFile() + ";";
}

bool EnsureFolder(const std::string& folder)
{
    if (folder.empty())
        return false;
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return true;
    fs::path built;
    for (const auto& part : fs::path(folder)) {
        built /= part;
        if (built.empty() || fs::is_directory(built, ec))
            continue;
        if (::mkdir(built.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return fs::is_directory(folder, ec);
}
