#include "CatalogueUpgrade.h"

#include <cinttypes>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "CatalogueConnection.h"
#include "CxAdo.h"
#include "DatumLink.h"

namespace {

// Shipped identifiers end here; the user's own rows start above.
constexpr int kLastShippedId = 50000;

struct CUpgradedTable
{
    const char* table;
    const char* kind;
    const char* columns;
};
constexpr CUpgradedTable kUpgradedTables[] = {
    {"tblEllipsoids", "ellipsoid", "numId, strEllipsoid, dblAxisA, dblInverseFlattening"},
    {"tblDatums", "datum",
     "numId, strDatum, numEllipsoid, numPrime, numMethod, strFile, dblDeltaX, dblDeltaY, dblDeltaZ, dblRotationX, "
     "dblRotationY, dblRotationZ, dblScaleFactor"},
    {"tblGrids", "grid",
     "numId, strGrid, numCountry, numDatum, numProjection, numUnits, dblFalseEasting, dblFalseNorthing, "
     "dblLatitudeOrigin, dblLongitudeOrigin, dblParallelNorth, dblParallelSouth, dblAzimuth, dblRectifiedGrid, "
     "dblScale"},
};

// Tables a later release added, which a catalogue copied before lacks: made
// as the schema has them and given the shipped rows.
struct CAddedTable
{
    const char* table;
    const char* create;
    const char* columns;
};
constexpr CAddedTable kAddedTables[] = {
    {"tblGeoidModels",
     "CREATE TABLE tblGeoidModels (numId INTEGER NOT NULL PRIMARY KEY, strModel TEXT, strFile TEXT, numDatum "
     "INTEGER, strArea TEXT, dblAccuracy DOUBLE PRECISION)",
     "numId, strModel, strFile, numDatum, strArea, dblAccuracy"},
    {"tblDatumGrids",
     "CREATE TABLE tblDatumGrids (numDatum INTEGER NOT NULL PRIMARY KEY, strFile TEXT, strTransformation TEXT, "
     "dblAccuracy DOUBLE PRECISION)",
     "numDatum, strFile, strTransformation, dblAccuracy"},
};

double AsDouble(const CCxValue& v)
{
    switch (v.Type())
    {
    case CxTypeSingle:
    case CxTypeDouble:
        return v.AsReal();
    case CxTypeText:
    case CxTypeDecimal:
        return std::strtod(v.AsText().c_str(), nullptr);
    case CxTypeEmpty:
    case CxTypeNull:
        return 0;
    default:
        return static_cast<double>(v.AsInteger());
    }
}

// A field as the signature and the SQL literal read it, by its column's kind.
std::string FieldText(const std::string& column, const CCxValue& v)
{
    char buffer[40];
    if (column.starts_with("num"))
        return std::to_string(static_cast<long long>(AsDouble(v)));
    if (column.starts_with("dbl"))
    {
        std::snprintf(buffer, sizeof buffer, "%.17g", AsDouble(v));
        return buffer;
    }
    return v.Type() == CxTypeText ? v.AsText() : std::string();
}

std::string Literal(const std::string& column, const std::string& text)
{
    if (!column.starts_with("str"))
        return text;
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

struct CRow
{
    std::vector<std::string> values;
    std::string signature;
};

// The shipped-range rows of a table: identifier -> values. False when it cannot be read.
bool ReadRows(CCxAdo& ado, const CUpgradedTable& table, std::vector<std::string>& columns, std::map<int, CRow>& rows)
{
    const std::string sql = std::string("SELECT ") + table.columns + " FROM " + table.table +
                            " WHERE numId <= " + std::to_string(kLastShippedId);
    const int opened = ado.OpenRecordset(sql.c_str());
    bool ok = opened >= 0;
    columns.clear();
    for (int i = 0; ok && i < ado.FieldCount(); ++i)
        columns.push_back(ado.FieldName(i));
    for (int more = opened; ok && more == 1; more = ado.MoveNext())
    {
        CRow row;
        for (int i = 0; i < ado.FieldCount(); ++i)
            row.values.push_back(FieldText(columns[static_cast<std::size_t>(i)], ado.FieldAt(i)));
        row.signature = RowSignatureOf(row.values);
        rows[std::stoi(row.values[0])] = std::move(row);
    }
    ado.CloseRecordset();
    return ok;
}

int Release(CCxAdo& ado)
{
    int release = 0;
    if (ado.OpenRecordset("SELECT max(numRelease) AS numRelease FROM tblShipped") == 1)
        ado.GetFieldLong("numRelease", release);
    ado.CloseRecordset();
    return release;
}

bool HasTable(CCxAdo& ado, const char* table)
{
    const bool present = ado.OpenRecordset(("SELECT count(*) FROM " + std::string(table)).c_str()) >= 0;
    ado.CloseRecordset();
    return present;
}

// Every signature some release shipped, by table and identifier.
std::map<std::pair<std::string, int>, std::set<std::string>> ShippedRecord(CCxAdo& shipped)
{
    std::map<std::pair<std::string, int>, std::set<std::string>> record;
    for (int more = shipped.OpenRecordset("SELECT strTable, numId, strSignature FROM tblShipped"); more == 1;
         more = shipped.MoveNext())
    {
        std::string table, signature;
        int id = 0;
        shipped.GetFieldString("strTable", table);
        shipped.GetFieldLong("numId", id);
        shipped.GetFieldString("strSignature", signature);
        record[{table, id}].insert(signature);
    }
    shipped.CloseRecordset();
    return record;
}

std::string UpdateStatement(const CUpgradedTable& table, const std::vector<std::string>& columns, const CRow& row)
{
    std::string sql = std::string("UPDATE ") + table.table + " SET ";
    for (std::size_t i = 1; i < columns.size(); ++i)
        sql += (i > 1 ? ", " : "") + columns[i] + " = " + Literal(columns[i], row.values[i]);
    return sql + " WHERE numId = " + row.values[0];
}

std::string InsertStatement(const CUpgradedTable& table, const CRow& row, const std::vector<std::string>& columns)
{
    std::string sql = std::string("INSERT INTO ") + table.table + " (" + table.columns + ") VALUES (";
    for (std::size_t i = 0; i < columns.size(); ++i)
        sql += (i ? ", " : "") + Literal(columns[i], row.values[i]);
    return sql + ")";
}

// Compares one table's shipped rows with the user's; the statements that bring it up to date.
bool PlanTable(CCxAdo& shipped, CCxAdo& ado, const CUpgradedTable& table,
               const std::map<std::pair<std::string, int>, std::set<std::string>>& record,
               CCatalogueUpgrade& result, std::vector<std::string>& statements)
{
    std::vector<std::string> columns, userColumns;
    std::map<int, CRow> current, user;
    if (!ReadRows(shipped, table, columns, current) || !ReadRows(ado, table, userColumns, user))
        return false;
    for (const auto& [id, row] : current)
    {
        const auto known = record.find({table.table, id});
        const auto mine = user.find(id);
        if (mine == user.end())
        {
            // A row no earlier release shipped is new; one the user deleted stays deleted.
            if (known == record.end() || known->second.size() == 1)
            {
                statements.push_back(InsertStatement(table, row, columns));
                ++result.added;
            }
            continue;
        }
        if (mine->second.signature == row.signature)
            continue;
        if (known != record.end() && known->second.count(mine->second.signature) != 0)
        {
            statements.push_back(UpdateStatement(table, columns, row));
            ++result.updated;
        }
        else
            result.kept.push_back(std::string(table.kind) + " " + std::to_string(id) + " " +
                                  mine->second.values[1]);
    }
    return true;
}

std::vector<const CAddedTable*> MissingTables(CCxAdo& ado);

// The added tables the catalogue lacks, with the shipped rows, in one
// transaction.
bool AddMissingTables(CCxAdo& shipped, CCxAdo& ado)
{
    const std::vector<const CAddedTable*> missing = MissingTables(ado);
    if (missing.empty())
        return true;
    if (ado.BeginTrans() != 0)
        return false;
    bool ok = true;
    for (const CAddedTable* table : missing)
        ok = ok && ado.Execute(table->create) == 0 && CopyShippedRows(shipped, ado, table->table, table->columns);
    if (ok)
        return ado.CommitTrans() == 0;
    ado.RollbackTrans();
    return false;
}

bool Apply(CCxAdo& shipped, CCxAdo& ado, const std::vector<std::string>& statements)
{
    if (ado.BeginTrans() != 0)
        return false;
    bool ok = true;
    for (const std::string& sql : statements)
        ok = ok && ado.Execute(sql.c_str()) == 0;
    // The record of what was shipped becomes this release's.
    ok = ok && ado.Execute("DELETE FROM tblShipped") == 0 &&
         CopyShippedRows(shipped, ado, "tblShipped", "strTable, numId, numRelease, strSignature");
    if (ok)
        return ado.CommitTrans() == 0;
    ado.RollbackTrans();
    return false;
}

std::vector<const CAddedTable*> MissingTables(CCxAdo& ado)
{
    std::vector<const CAddedTable*> missing;
    for (const CAddedTable& table : kAddedTables)
        if (!HasTable(ado, table.table))
            missing.push_back(&table);
    return missing;
}

} // namespace

const char* const kDatumSignatureColumns = kUpgradedTables[1].columns;

std::string CurrentRowSignature(CCxAdo& ado, int id, const char* columns)
{
    std::vector<std::string> values;
    std::string list = columns;
    for (std::size_t at = 0; at < list.size();)
    {
        std::size_t end = list.find(',', at);
        if (end == std::string::npos)
            end = list.size();
        std::string column = list.substr(at, end - at);
        column.erase(0, column.find_first_not_of(' '));
        values.push_back(column == "numId" ? std::to_string(id) : FieldText(column, ado.GetFieldValue(column.c_str())));
        at = end + 1;
    }
    return RowSignatureOf(values);
}

std::string RowSignatureOf(const std::vector<std::string>& values)
{
    std::uint64_t h = 0xcbf29ce484222325ULL;
    bool first = true;
    for (const std::string& value : values)
    {
        if (!first)
            h = (h ^ static_cast<unsigned char>('|')) * 0x100000001b3ULL;
        first = false;
        for (const char c : value)
            h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016" PRIx64, h);
    return buffer;
}

std::vector<std::string> CCatalogueUpgrade::Summary(bool dryRun) const
{
    std::vector<std::string> lines;
    // Adding the record of shipped rows alone changes nothing the user sees.
    if (!needed ||
        (failure.empty() && updated == 0 && added == 0 && kept.empty() && !tablesAdded && !heightTablesAdded))
        return lines;
    if (!failure.empty())
    {
        lines.push_back("the catalogue could not be brought up to date: " + failure);
        return lines;
    }
    lines.push_back(std::string("catalogue ") + (dryRun ? "update (dry run): " : "updated: ") +
                    std::to_string(updated) + " shipped rows " + (dryRun ? "would be " : "") + "brought up to date, " +
                    std::to_string(added) + " new rows " + (dryRun ? "would be " : "") + "added" +
                    (tablesAdded ? ", transformations and areas of use " + std::string(dryRun ? "would be " : "") +
                                       "added"
                                 : std::string()) +
                    (heightTablesAdded ? ", geoid models and datum grids " + std::string(dryRun ? "would be " : "") +
                                             "added"
                                       : std::string()));
    if (!kept.empty())
    {
        std::string line = std::to_string(kept.size()) + " shipped rows you changed " +
                           (dryRun ? "would be kept" : "were kept") + " as they are:";
        for (const std::string& row : kept)
            line += (&row == &kept.front() ? " " : "; ") + row;
        lines.push_back(line);
    }
    return lines;
}

CCatalogueUpgrade UpgradeCatalogue(CCxAdo& ado, bool dryRun)
{
    CCatalogueUpgrade result;
    CCxAdo shipped;
    if (shipped.Initialize() != 0 ||
        shipped.Connect(("Provider=SQLite;Data Source=" + ShippedCatalogueFile() + ";").c_str()) != 0)
    {
        shipped.Shutdown();
        return result;
    }
    const bool hasRecord = HasTable(ado, "tblShipped");
    result.tablesAdded = !HasTable(ado, "tblTransformations") || !HasTable(ado, "tblAreas");
    result.heightTablesAdded = !MissingTables(ado).empty();
    result.needed = result.tablesAdded || result.heightTablesAdded || !hasRecord || Release(ado) < Release(shipped);
    if (result.needed)
    {
        const auto record = ShippedRecord(shipped);
        std::vector<std::string> statements;
        bool ok = true;
        for (const CUpgradedTable& table : kUpgradedTables)
            ok = ok && PlanTable(shipped, ado, table, record, result, statements);
        if (!ok)
            result.failure = "its tables cannot be read";
        else if (!dryRun)
        {
            if (!hasRecord && ado.Execute("CREATE TABLE tblShipped (strTable TEXT NOT NULL, numId INTEGER NOT NULL, "
                                          "numRelease INTEGER NOT NULL, strSignature TEXT NOT NULL, "
                                          "PRIMARY KEY (strTable, numId, numRelease))") != 0)
                result.failure = "the record of shipped rows cannot be added";
            else if (!Apply(shipped, ado, statements) || (result.tablesAdded && !AddLinkTables(ado)) ||
                     !AddMissingTables(shipped, ado))
                result.failure = "writing failed";
            else
                result.done = true;
        }
    }
    shipped.Disconnect();
    shipped.Shutdown();
    return result;
}

CCatalogueUpgrade UpgradeUserCatalogue(bool dryRun)
{
    CCxAdo ado;
    if (!OpenCatalogue(ado))
        return CCatalogueUpgrade();
    CCatalogueUpgrade result = UpgradeCatalogue(ado, dryRun);
    ado.Disconnect();
    ado.Shutdown();
    return result;
}
