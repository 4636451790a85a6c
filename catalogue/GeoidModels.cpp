#include "GeoidModels.h"

#include <cstdlib>

#include <sys/stat.h>

#include "CatalogueConnection.h"
#include "CatalogueLookups.h"
#include "CatalogueRows.h"
#include "CatalogueStatements.h"
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

constexpr const char* kLastModel = "SELECT MAX(numId) as numRecord FROM tblGeoidModels WHERE numID > 50000";

bool Execute(const std::string& sql, std::string* message)
{
    CCxAdo ado;
    const bool ran = OpenCatalogue(ado) && ado.Execute(sql.c_str()) == 0;
    if (!ran && message != nullptr)
        *message = ado.LastMessage.str();
    Close(ado);
    return ran;
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

std::string GeoidModelProblem(const GeoidModelValues& v)
{
    if (v.name.find_first_not_of(' ') == std::string::npos)
        return "A geoid model needs a name.";
    if (v.file.find_first_not_of(' ') == std::string::npos)
        return "A geoid model needs the name of its grid file (GTX or GeoTIFF).";
    if (v.file.find('/') != std::string::npos)
        return "The grid file is named without a folder: put the file in " + GeoidFolders()[0] + " or in " +
               GeoidFolders()[1] + ".";
    if (v.datumId == 0 || FindDatumRow(v.datumId) != RowPresence::Present)
        return "A geoid model needs the datum its grid is defined on, from the catalogue.";
    if (!IsSqlNumber(v.accuracy) || std::strtod(v.accuracy.c_str(), nullptr) < 0)
        return "The accuracy is the model's stated accuracy in metres: a number, 0 or more.";
    return std::string();
}

bool SaveGeoidModel(const GeoidModelValues& v, int& id, std::string* message)
{
    const std::string problem = GeoidModelProblem(v);
    long target = id;
    if (!problem.empty() || (id == 0 && !NextUserIdentifier(kLastModel, target)))
    {
        if (message != nullptr)
            *message = problem.empty() ? "The catalogue gave no identifier for the new geoid model." : problem;
        return false;
    }
    const std::string values = "'" + QuoteSqlText(v.name) + "', '" + QuoteSqlText(v.file) + "', " +
                               std::to_string(v.datumId) + ", '" + QuoteSqlText(v.area) + "', " + v.accuracy;
    const std::string sql =
        id == 0 ? "INSERT INTO tblGeoidModels (numId, strModel, strFile, numDatum, strArea, dblAccuracy) VALUES (" +
                      std::to_string(target) + ", " + values + ")"
                : "UPDATE tblGeoidModels SET (strModel, strFile, numDatum, strArea, dblAccuracy) = (" + values +
                      ") WHERE numId = " + std::to_string(target);
    if (!Execute(sql, message))
        return false;
    id = static_cast<int>(target);
    return true;
}

bool DeleteGeoidModel(int id)
{
    if (id <= kLastShippedId)
        return false;
    return Execute("DELETE FROM tblGeoidModels WHERE numId = " + std::to_string(id), nullptr);
}
