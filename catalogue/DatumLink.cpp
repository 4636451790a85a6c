#include "DatumLink.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "CatalogueConnection.h"
#include "CatalogueLoaders.h"
#include "CatalogueStatements.h"
#include "CatalogueUpgrade.h"
#include "CxAdo.h"
#include "DatumGrids.h"
#include "grids/DatumGrid.h"
#include "GeoidModels.h"

namespace {

constexpr const char* kLinkColumns =
    "numKind, strCode, strName, dblAccuracy, strNote, dblSouth, dblNorth, dblWest, dblEast, numTarget";
constexpr const char* kAreaColumns = "strArea, dblSouth, dblNorth, dblWest, dblEast";

// The two tables and their columns, in the order the shipped catalogue's rows are copied.
struct CLinkTable
{
    const char* name;
    const char* columns;
};
constexpr CLinkTable kLinkTables[] = {
    {"tblTransformations",
     "numDatum, numKind, strCode, strName, dblAccuracy, strNote, dblSouth, dblNorth, dblWest, dblEast, numTarget"},
    {"tblAreas", "numKind, numId, strArea, dblSouth, dblNorth, dblWest, dblEast"},
};

double FieldDouble(CCxAdo& ado, const char* field)
{
    double value = 0;
    ado.GetFieldDouble(field, value);
    return value;
}

int FieldLong(CCxAdo& ado, const char* field)
{
    int value = 0;
    ado.GetFieldLong(field, value);
    return value;
}

std::string FieldText(CCxAdo& ado, const char* field)
{
    std::string value;
    ado.GetFieldString(field, value);
    return value;
}

bool FieldIsNull(CCxAdo& ado, const char* field)
{
    const CCxValue value = ado.GetFieldValue(field);
    return value.IsAbsent() || value.IsNull();
}

void ReadBox(CCxAdo& ado, CAreaOfUse& area)
{
    area.known = !FieldIsNull(ado, "dblSouth");
    area.south = FieldDouble(ado, "dblSouth");
    area.north = FieldDouble(ado, "dblNorth");
    area.west = FieldDouble(ado, "dblWest");
    area.east = FieldDouble(ado, "dblEast");
}

// Opens a statement on the link tables; a catalogue that lacks them gets them first.
int OpenLinkStatement(CCxAdo& ado, const std::string& sql)
{
    const int opened = ado.OpenRecordset(sql.c_str());
    if (opened >= 0)
        return opened;
    ado.CloseRecordset();
    if (!AddLinkTables(ado))
        return -1;
    return ado.OpenRecordset(sql.c_str());
}

// A value as an SQL literal both SQLite and PostgreSQL read back unchanged.
std::string Literal(const CCxValue& value)
{
    char buffer[40];
    switch (value.Type())
    {
    case CxTypeEmpty:
    case CxTypeNull:
        return "NULL";
    case CxTypeSingle:
    case CxTypeDouble:
        std::snprintf(buffer, sizeof buffer, "%.17g", value.AsReal());
        return buffer;
    case CxTypeText:
    {
        std::string quoted = "'";
        for (const char c : value.AsText())
            quoted += c == '\'' ? std::string("''") : std::string(1, c);
        return quoted + "'";
    }
    case CxTypeDecimal:
        return value.AsText();
    default:
        return std::to_string(value.AsInteger());
    }
}

bool CopyTable(CCxAdo& shipped, CCxAdo& ado, const CLinkTable& table)
{
    if (shipped.OpenRecordset(
            ("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = '" + std::string(table.name) + "'")
                .c_str()) != 1)
        return false;
    const std::string create = FieldText(shipped, "sql");
    shipped.CloseRecordset();
    return ado.Execute(create.c_str()) == 0 && CopyShippedRows(shipped, ado, table.name, table.columns);
}

constexpr int kLastShippedDatum = 50000;

// What a datum row whose parameters the user set says of its link.
CDatumLink UserParameters(const CDatumLink& row)
{
    CDatumLink link;
    link.datumId = row.datumId;
    link.datumName = row.datumName;
    link.method = row.method;
    link.gridFile = row.gridFile;
    link.zeroParameters = row.zeroParameters;
    link.kind = row.method != 0 ? kLinkUser : kLinkNone;
    return link;
}

// The datum's national grid, as PreferDatumGrid chooses it for the engine.
void DescribeDatumGrid(CDatumLink& link)
{
    DatumGridRow row;
    if (!FindDatumGrid(link.datumId, row))
        return;
    if (FindGeoidFile(row.file).empty())
    {
        link.gridAdvice = row.transformation + " (grid " + row.file + ") is used once its file is placed in the "
                          "Data folder";
        return;
    }
    // PreferDatumGrid keeps a Helmert row's parameters for the points outside the grid.
    if (link.method == METHOD_MOLODENSKY || link.method == METHOD_BURSA_WOLF)
        link.outsideGrid = std::make_shared<const CDatumLink>(link);
    link.gridPath = FindGeoidFile(row.file);
    link.kind = kLinkCarried;
    link.method = METHOD_NTV2;
    link.gridFile = row.file + " (in place)";
    link.code.clear();
    link.name = row.transformation;
    link.accuracy = row.accuracy;
    link.note.clear();
}

} // namespace

bool CopyShippedRows(CCxAdo& shipped, CCxAdo& ado, const char* table, const char* columns)
{
    const int opened = shipped.OpenRecordset(("SELECT " + std::string(columns) + " FROM " + table).c_str());
    const std::string insert = "INSERT INTO " + std::string(table) + " (" + columns + ") VALUES (";
    bool ok = opened >= 0;
    for (int more = opened; ok && more == 1; more = shipped.MoveNext())
    {
        std::string sql = insert;
        for (int i = 0; i < shipped.FieldCount(); ++i)
            sql += (i ? ", " : "") + Literal(shipped.FieldAt(i));
        ok = ado.Execute((sql + ")").c_str()) == 0;
    }
    shipped.CloseRecordset();
    return ok;
}

bool CAreaOfUse::Contains(double latitude, double longitude, double margin) const
{
    if (!known)
        return true;
    if (latitude < south - margin || latitude > north + margin)
        return false;
    // Longitudes measured eastwards from the box's west edge, so that a box across the antimeridian
    // needs no case of its own.
    const double width = east >= west ? east - west : east + 360.0 - west;
    if (width + 2 * margin >= 360.0)
        return true;
    const double offset = std::fmod(longitude - (west - margin) + 720.0, 360.0);
    return offset <= width + 2 * margin;
}

bool CDatumLink::Null() const
{
    if (kind == kLinkPivot || kind == kLinkNull)
        return true;
    return method == 1 && zeroParameters;
}

std::string FormatAccuracy(double metres)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g m", metres);
    return buffer;
}

std::string CDatumLink::Describe() const
{
    const std::string accuracyText = accuracy ? ", " + FormatAccuracy(*accuracy) : ", accuracy unknown";
    switch (kind)
    {
    case kLinkPivot:
        return "WGS 84 itself";
    case kLinkUser:
        return method >= 3 ? "user parameters, grid " + gridFile + accuracyText : "user parameters" + accuracyText;
    case kLinkNotApplied:
        return note + ": no usable transformation to WGS 84";
    case kLinkNone:
        return "no transformation to WGS 84 known";
    case kLinkNull:
        return (code.empty() ? name : code + " " + name) + " (" + note + ")" + accuracyText;
    default:
        break;
    }
    std::string text = code.empty() ? name : code + " " + name;
    if (method >= 3)
        text += ", grid " + gridFile;
    text += accuracyText;
    if (outsideGrid)
        text += "; outside the grid's area " + outsideGrid->Describe();
    return text;
}

CDatumLink CDatumLink::AtPoint(double latitude, double longitude, bool& inside) const
{
    inside = true;
    CDatumGrid grid;
    // A grid that cannot be loaded converts no point (the engine names it): nothing to choose.
    if (!outsideGrid || gridPath.empty() || grid.LoadFile(gridPath) != 0)
        return *this;
    return InGrid(grid, latitude, longitude, inside);
}

CDatumLink CDatumLink::InGrid(const CDatumGrid& grid, double latitude, double longitude, bool& inside) const
{
    double dLat = 0, dLon = 0;
    inside = grid.FindShift(longitude, latitude, dLat, dLon);
    if (!inside)
        return *outsideGrid;
    CDatumLink link = *this;
    link.area = CAreaOfUse();
    link.outsideGrid.reset();
    return link;
}

std::string CDatumLink::DescribeAtPoint(double latitude, double longitude) const
{
    if (!outsideGrid)
        return std::string();
    const std::string file = gridPath.substr(gridPath.find_last_of('/') + 1);
    // A file in place that its reader refuses converts no point; say why rather than name it as used.
    CDatumGrid grid;
    std::string why;
    const bool loaded = !gridPath.empty() && grid.LoadFile(gridPath, &why) == 0;
    if (!loaded && !why.empty())
        return "grid " + file + " is refused: " + why + "; no point is converted";
    // The file read once: a grid that cannot be read leaves nothing to choose, as in AtPoint.
    bool inside = true;
    const CDatumLink used = loaded ? InGrid(grid, latitude, longitude, inside) : *this;
    return inside ? "the point lies inside grid " + file + ": " + name + " is used"
                  : "the point lies outside the area of grid " + file + ": " + used.Describe() + " is used";
}

bool LoadDatumLink(int datumId, CDatumLink& link)
{
    link = CDatumLink();
    link.datumId = datumId;
    CCatalogueUse use;
    if (!use.Open())
        return false;
    CCxAdo& ado = use.Ado();
    bool found = ado.OpenRecordset(FormatStatement(CatalogueSql::D2, datumId).c_str()) == 1;
    std::string signature;
    if (found)
    {
        signature = CurrentRowSignature(ado, datumId, kDatumSignatureColumns);
        link.datumName = FieldText(ado, "strDatum");
        link.method = FieldLong(ado, "numMethod");
        link.gridFile = FieldText(ado, "strFile");
        for (const char* field : {"dblDeltaX", "dblDeltaY", "dblDeltaZ", "dblRotationX", "dblRotationY",
                                  "dblRotationZ", "dblScaleFactor"})
            link.zeroParameters = link.zeroParameters && FieldDouble(ado, field) == 0;
        // A datum the catalogue says nothing more of: its own parameters, or an unknown link.
        link.kind = link.method != 0 ? kLinkUser : kLinkNone;
    }
    ado.CloseRecordset();
    if (found &&
        OpenLinkStatement(ado, "SELECT " + std::string(kLinkColumns) + " FROM tblTransformations WHERE numDatum = " +
                                   std::to_string(datumId)) == 1)
    {
        link.kind = FieldLong(ado, "numKind");
        link.code = FieldText(ado, "strCode");
        link.name = FieldText(ado, "strName");
        if (!FieldIsNull(ado, "dblAccuracy"))
            link.accuracy = FieldDouble(ado, "dblAccuracy");
        link.note = FieldText(ado, "strNote");
        ReadBox(ado, link.area);
        link.target = FieldIsNull(ado, "numTarget") ? 4326 : FieldLong(ado, "numTarget");
    }
    ado.CloseRecordset();
    // A shipped row the user has changed no longer holds EPSG's transformation: its parameters are the
    // user's, of unknown accuracy (a catalogue without the record of shipped rows is not asked).
    if (found && link.kind != kLinkUser && link.kind != kLinkPivot && datumId <= kLastShippedDatum &&
        ado.OpenRecordset(("SELECT count(*) AS numCount FROM tblShipped WHERE strTable = 'tblDatums' AND numId = " +
                           std::to_string(datumId) + " AND strSignature = '" + signature + "'")
                              .c_str()) == 1 &&
        FieldLong(ado, "numCount") == 0)
        link = UserParameters(link);
    use.Release();
    if (found && link.kind != kLinkPivot)
        DescribeDatumGrid(link);
    return found;
}

bool LoadAreaOfUse(int kind, int id, CAreaOfUse& area)
{
    area = CAreaOfUse();
    CCatalogueUse use;
    if (!use.Open())
        return false;
    CCxAdo& ado = use.Ado();
    if (OpenLinkStatement(ado, "SELECT " + std::string(kAreaColumns) + " FROM tblAreas WHERE numKind = " +
                                   std::to_string(kind) + " AND numId = " + std::to_string(id)) == 1)
    {
        area.name = FieldText(ado, "strArea");
        ReadBox(ado, area);
    }
    return area.known;
}

bool AddLinkTables(CCxAdo& ado)
{
    CCxAdo shipped;
    if (shipped.Initialize() != 0)
        return false;
    bool ok = shipped.Connect(("Provider=SQLite;Data Source=" + ShippedCatalogueFile() + ";").c_str()) == 0;
    // A table already there (another task added it first) is left as it is. Asked before the
    // transaction: a failed statement would end one on PostgreSQL.
    std::vector<const CLinkTable*> missing;
    for (const CLinkTable& table : kLinkTables)
    {
        if (ado.OpenRecordset(("SELECT count(*) FROM " + std::string(table.name)).c_str()) < 0)
            missing.push_back(&table);
        ado.CloseRecordset();
    }
    if (ok && !missing.empty())
    {
        ok = ado.BeginTrans() == 0;
        for (const CLinkTable* table : missing)
            ok = ok && CopyTable(shipped, ado, *table);
        if (ok)
            ok = ado.CommitTrans() == 0;
        else if (ado.InTransaction())
            ado.RollbackTrans();
        shipped.Disconnect();
    }
    shipped.Shutdown();
    return ok;
}

bool SaveUserDatumLink(int datumId, bool coincides, std::optional<double> accuracy)
{
    CDatumLink row;
    if (datumId <= kLastShippedDatum || !LoadDatumLink(datumId, row) ||
        (accuracy && !(std::isfinite(*accuracy) && *accuracy >= 0)))
        return false;
    int kind = kLinkNone;
    std::string name;
    if (row.method != 0)
    {
        kind = kLinkUser;
        name = "user parameters";
    }
    else if (coincides)
    {
        kind = kLinkNull;
        name = "the user's statement";
    }
    char number[40] = "NULL";
    if (accuracy && kind != kLinkNone)
        std::snprintf(number, sizeof number, "%.17g", *accuracy);
    const std::string id = std::to_string(datumId);
    CCxAdo ado;
    if (!OpenCatalogue(ado))
        return false;
    bool ok = OpenLinkStatement(ado, "SELECT numDatum FROM tblTransformations WHERE numDatum = " + id) >= 0;
    ado.CloseRecordset();
    ok = ok && ado.BeginTrans() == 0;
    if (ok)
    {
        ok = ado.Execute(("DELETE FROM tblTransformations WHERE numDatum = " + id).c_str()) == 0 &&
             ado.Execute(("INSERT INTO tblTransformations (numDatum, numKind, strCode, strName, dblAccuracy, strNote, "
                          "numTarget) VALUES (" + id + ", " + std::to_string(kind) + ", '', " + Literal(CCxValue::Text(name)) +
                          ", " + number +
                          ", '" + (kind == kLinkNull ? "coincides with WGS 84" : "") + "', 4326)")
                             .c_str()) == 0;
        if (ok)
            ok = ado.CommitTrans() == 0;
        else
            ado.RollbackTrans();
    }
    ado.Disconnect();
    ado.Shutdown();
    return ok;
}
