#include "CliHeights.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

#include "CliCommands.h"
#include "GeoidModels.h"

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

} // namespace

bool SplitCompound(const std::string& text, std::string& horizontal, int& geoidId)
{
    const size_t plus = text.find('+');
    geoidId = 0;
    if (plus == std::string::npos)
    {
        horizontal = text;
        return true;
    }
    const char* begin = text.data() + plus + 1;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(begin, end, geoidId);
    if (ec != std::errc() || stop != end || geoidId <= 0 || plus == 0)
        return false;
    horizontal = text.substr(0, plus);
    return true;
}

int ListGeoids(const std::string& search, std::FILE* out, std::FILE* err)
{
    std::vector<GeoidModelRow> rows;
    std::string message;
    if (!ListGeoidModels(rows, &message))
    {
        std::fprintf(err, "geolynx-cli: %s\n", message.c_str());
        return CLI_ERROR;
    }
    const std::string wanted = Lower(search);
    for (const GeoidModelRow& row : rows)
    {
        if (!wanted.empty() && Lower(row.name).find(wanted) == std::string::npos)
            continue;
        std::fprintf(out, "%d\t%s\t%s\t%d\t%g\t%s\n", row.id, row.name.c_str(), row.file.c_str(), row.datumId,
                     row.accuracy, FindGeoidFile(row.file).empty() ? "missing" : "present");
    }
    return CLI_OK;
}
