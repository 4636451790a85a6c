#include "ExceptionsLog.h"

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "Paths.h"

std::string ExceptionsLogPath()
{
    return UserStateFolder() + "/exceptions.txt";
}

void LogException(int line, const char* text)
{
    if (!EnsureFolder(UserStateFolder()))
        return;
    const int file = ::open(ExceptionsLogPath().c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (file < 0)
        return;
    const std::time_t now = std::time(nullptr);
    char date[64] = "";
    if (ctime_r(&now, date) != nullptr) {
        std::string d(date);
        while (!d.empty() && (d.back() == '\n' || d.back() == '\r'))
            d.pop_back();
        std::snprintf(date, sizeof date, "%s", d.c_str());
    }
    // The entry is built first and appended in one write, so two threads
    // logging at once never interleave inside a line.
    std::string entry = "EXCEPTION OCCURED: Date [";
    entry += date;
    entry += "] ; FILE [..\\..\\..\\Common\\VisualC\\CxAdo] ; LINE [" + std::to_string(line) + "] ; EXTRA INFO: [";
    entry += text != nullptr ? text : "";
    entry += "]\n";
    const ssize_t written = ::write(file, entry.data(), entry.size());
    (void)written; // a log that cannot be written is left alone
    ::close(file);
}
