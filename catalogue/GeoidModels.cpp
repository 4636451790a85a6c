#include "GeoidModels.h"

#include <sys/stat.h>

#include "CatalogueConnection.h"
#include "CxAdo.h"
#include "Paths.h"

namespace {

constexpr const char* kListModels =
    "SELECT numId, strModel, strFile, numDatum, strArea, dblAccuracy FROM tblGeoidModels ORDER BY numId";

// 1 with rows read, 0 when the catalogue has no such table, -1 when it
// cannot be reached.
int ReadModels(CCxAdo& ado, std::vector<GeoidModelRow>& rows)
{
    const int opened = ado.OpenRecordset(kListModels);
    if (opened < 0)
        return 0;
    rows.clear();
    if (opened == 0)
        return 1;
    do
    {
        GeoidModelRow row;
        if (ado.GetFieldLong("numId", row.id) != 1)
            continue;
        ado.GetFieldString("strModel", row.name);
        ado.GetFieldString("strFile", row.file);
        ado.GetFieldLong("numDatum", row.datumId);
        ado.GetFieldString("strArea", row.area);
        ado.GetFieldDouble("dblAccuracy", row.accuracy);
        rows.push_back(row);
    } while (ado.MoveNext() == 1);
    ado.CloseRecordset();
    return 1;
}

void Close(CCxAdo& ado)
{
    ado.Disconnect();
    ado.Shutdown();
}

bool IsFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

bool ListGeoidModels(std::vector<GeoidModelRow>& rows, std::string* message)
{
    {
        CCxAdo ado;
        if (!OpenCatalogue(ado))
        {
            if (message != nullptr)
                *message = ado.LastMessage;
            return false;
        }
        const int read = ReadModels(ado, rows);
        Close(ado);
        if (read == 1)
            return true;
    }
    CCxAdo shipped;
    const std::string connection = "Provider=SQLite;Data Source=" + ShippedCatalogueFile() + ";";
    if (shipped.Initialize() != 0 || shipped.Connect(connection.c_str()) != 0 || ReadModels(shipped, rows) != 1)
    {
        if (message != nullptr)
            *message = "no catalogue holds the geoid models";
        Close(shipped);
        return false;
    }
    Close(shipped);
    return true;
}

bool FindGeoidModel(int id, GeoidModelRow& row)
{
    std::vector<GeoidModelRow> rows;
    if (!ListGeoidModels(rows))
        return false;
    for (const GeoidModelRow& candidate : rows)
        if (candidate.id == id)
        {
            row = candidate;
            return true;
        }
    return false;
}

std::vector<std::string> GeoidFolders()
{
    return {GridFolder(), UserDataFolder() + "/Data/"};
}

std::string FindGeoidFile(const std::string& file)
{
    // A name with a folder in it would reach outside the grid folders.
    if (file.empty() || file.find('/') != std::string::npos)
        return {};
    for (const std::string& folder : GeoidFolders())
        if (IsFile(folder + file))
            return folder + file;
    return {};
}
