#include "RecentSystems.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const char* const kWords[] = {"grid", "datum"};

} // namespace

CRecentSystems::CRecentSystems(std::string file) : path(std::move(file))
{
    Load();
}

void CRecentSystems::Load()
{
    if (path.empty())
        return;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
    {
        std::istringstream words(line);
        std::string word;
        int id = 0;
        std::string rest;
        if (!(words >> word >> id) || id <= 0 || (words >> rest))
            continue;
        for (int kind : {Grids, Datums})
        {
            std::vector<int>& list = lists[kind];
            if (word == kWords[kind] && list.size() < kKept && std::find(list.begin(), list.end(), id) == list.end())
                list.push_back(id);
        }
    }
}

void CRecentSystems::Add(Kind kind, int id)
{
    if (id <= 0)
        return;
    std::vector<int>& list = lists[kind];
    list.erase(std::remove(list.begin(), list.end(), id), list.end());
    list.insert(list.begin(), id);
    if (list.size() > kKept)
        list.resize(kKept);
    Save();
}

void CRecentSystems::Save() const
{
    if (path.empty())
        return;
    // Written aside and renamed: a failed write leaves the last good list.
    const std::string written = path + ".new";
    {
        std::ofstream out(written, std::ios::trunc);
        for (int kind : {Grids, Datums})
            for (int id : lists[kind])
                out << kWords[kind] << ' ' << id << '\n';
        out.flush();
        if (!out)
        {
            out.close();
            std::error_code ignored;
            std::filesystem::remove(written, ignored);
            return;
        }
    }
    std::error_code error;
    std::filesystem::rename(written, path, error);
}
