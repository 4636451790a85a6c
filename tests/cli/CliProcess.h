// geolynx-cli run as a script runs it: a shell command line, what it printed
// on standard output and standard error, and its exit status.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

struct CliRun
{
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadWholeFile(const std::filesystem::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// Runs command with its standard error sent to errFile, which is read back.
inline CliRun RunShellCommand(const std::string& command, const std::filesystem::path& errFile)
{
    CliRun run;
    std::FILE* pipe = ::popen((command + " 2>'" + errFile.string() + "'").c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = ReadWholeFile(errFile);
    return run;
}
