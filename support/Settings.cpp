#include "Settings.h"

#include <cctype>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "Paths.h"
#include "TextCase.h"

namespace {

// The registry's value buffer held 1024 bytes; a longer value did not read.
constexpr std::size_t valueLimit = 1024;

bool ReadFromFile(const std::string& file, const char* name, CCxString& value)
{
    std::ifstream in(file);
    if (!in)
        return false;
    std::string line;
    bool found = false;
    std::string last;
    while (std::getline(in, line)) {
        const std::string t = Trim(line);
        if (t.empty() || t[0] == '#' || t[0] == ';')
            continue;
        const std::size_t eq = t.find('=');
        if (eq == std::string::npos || Trim(t.substr(0, eq)) != name)
            continue;
        // The first line that sets the key holds.
        last = Trim(t.substr(eq + 1));
        found = true;
        break;
    }
    if (!found || last.empty() || last.size() > valueLimit)
        return false;
    value = last;
    return true;
}

std::mutex overridesLock;
std::map<std::string, std::string> overrides;

bool ReadOverride(const char* name, CCxString& value)
{
    std::lock_guard<std::mutex> guard(overridesLock);
    const auto it = overrides.find(name);
    if (it == overrides.end())
        return false;
    value = it->second;
    return true;
}

} // namespace

void OverrideSetting(const char* name, const std::string& value)
{
    std::lock_guard<std::mutex> guard(overridesLock);
    if (value.empty())
        overrides.erase(name);
    else
        overrides[name] = value;
}

int ReadSetting(const char* name, CCxString& value)
{
    if (ReadOverride(name, value))
        return 0;
    std::stringstream dirs(MachineConfigDirs());
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty() || dir[0] != '/')
            continue;
        if (ReadFromFile(dir + "/Veltrix/Geolynx.conf", name, value))
            return 0;
    }
    if (ReadFromFile(UserConfigHome() + "/Veltrix/Geolynx.conf", name, value))
        return 0;
    return -1;
}

void ReadConnectionString(CCxString& value)
{
    if (ReadSetting("ConnectionString", value) != 0)
        value = DefaultConnectionString();
}

void ReadProgramRoot(CCxString& value)
{
    if (ReadSetting("ProgramRoot", value) != 0)
        value = DefaultProgramRoot();
}
