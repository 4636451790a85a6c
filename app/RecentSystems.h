#pragma once

#include <string>
#include <vector>

// The grids and the datums last chosen on either side of the window, newest
// first, ten of each, kept in a small text file ("grid 32631", "datum 4326",
// one a line) beside the window's configuration.
class CRecentSystems
{
public:
    enum Kind
    {
        Grids,
        Datums
    };
    static constexpr std::size_t kKept = 10;

    // An empty path keeps the lists for this run only.
    explicit CRecentSystems(std::string path);

    // Puts id first in its list (once), drops what falls beyond kKept and
    // writes the file.
    void Add(Kind kind, int id);
    const std::vector<int>& List(Kind kind) const { return lists[kind]; }

private:
    // Lines that are not "grid N" or "datum N" with N > 0 are passed over.
    void Load();
    void Save() const;

    std::string path;
    std::vector<int> lists[2];
};
