#pragma once

// A temporary folder that stands for the user's home: HOME and every XDG
// folder variable point into it while the object lives, so no test reads or
// writes the real home folder. Removed, and the variables restored, at the end.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>

class CScratchFolder
{
public:
    CScratchFolder()
    {
        char name[] = "/tmp/geolynx-test-XXXXXX";
        root = ::mkdtemp(name) != nullptr ? name : "/tmp";
        Set("HOME", root + "/home");
        Set("XDG_CONFIG_HOME", root + "/home/config");
        Set("XDG_DATA_HOME", root + "/home/data");
        Set("XDG_STATE_HOME", root + "/home/state");
        Set("XDG_CONFIG_DIRS", root + "/etc");
        std::filesystem::create_directories(root + "/home");
    }

    ~CScratchFolder()
    {
        for (const auto& [name, value] : saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        std::error_code ec;
        if (root != "/tmp")
            std::filesystem::remove_all(root, ec);
    }

    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    const std::string& Path() const { return root; }
    std::string File(const std::string& name) const { return root + "/" + name; }

    void Set(const std::string& name, const std::string& value)
    {
        if (saved.find(name) == saved.end()) {
            const char* old = std::getenv(name.c_str());
            saved[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        }
        ::setenv(name.c_str(), value.c_str(), 1);
    }

    void Unset(const std::string& name)
    {
        Set(name, "");
        ::unsetenv(name.c_str());
    }

    static void Write(const std::string& path, const std::string& text)
    {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream out(path, std::ios::binary);
        out << text;
    }

    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    std::string root;
    std::map<std::string, std::optional<std::string>> saved;
};
