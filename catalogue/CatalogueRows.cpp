#include "CatalogueRows.h"

#include <functional>
#include <initializer_list>
#include <utility>

#include "CatalogueConnection.h"
#include "CatalogueLookups.h"
#include "CatalogueStatements.h"
#include "CxAdo.h"

namespace {

RowPresence FindRow(const char* statement, int id)
{
    CCxAdo ado;
    if (!OpenCatalogue(ado))
        return RowPresence::Unreachable;
    const int found = ado.OpenRecordset(FormatStatement(statement, id).c_str());
    ado.CloseRecordset();
    ado.Disconnect();
    ado.Shutdown();
    if (found < 0)
        return RowPresence::Unreachable;
    return found == 1 ? RowPresence::Present : RowPresence::Absent;
}

// Runs a query and hands every row to read. False, with the reason in
// message when one is given, when the catalogue cannot be reached or the
// statement fails.
bool ForEachRow(const std::string& statement, const std::function<void(CCxAdo&)>& read, std::string* message)
{
    CCxAdo ado;
    if (!OpenCatalogue(ado))
    {
        if (message != nullptr)
            *message = ado.LastMessage;
        return false;
    }
    const int found = ado.OpenRecordset(statement.c_str());
    for (int row = found; row == 1; row = ado.MoveNext())
        read(ado);
    if (found < 0 && message != nullptr)
        *message = ado.LastMessage;
    ado.CloseRecordset();
    ado.Disconnect();
    ado.Shutdown();
    return found >= 0;
}

// The one row of a statement that selects by identifier.
bool LoadOne(const char* statement, int id, const std::function<void(CCxAdo&)>& read)
{
    bool found = false;
    ForEachRow(FormatStatement(statement, id), [&](CCxAdo& ado) {
        if (!found)
            read(ado);
        found = true;
    }, nullptr);
    return found;
}

// Number fields of the current row into their members.
void ReadDoubles(CCxAdo& ado, std::initializer_list<std::pair<const char*, double*>> fields)
{
    for (const auto& [field, value] : fields)
        ado.GetFieldDouble(field, *value);
}

template <class Row>
bool ListRows(const std::string& statement, std::vector<Row>& rows, std::string* message,
              const std::function<void(CCxAdo&, Row&)>& read)
{
    rows.clear();
    const bool listed = ForEachRow(statement, [&](CCxAdo& ado) {
        Row row;
        read(ado, row);
        rows.push_back(std::move(row));
    }, message);
    // A statement that fails after some rows leaves no half list behind.
    if (!listed)
        rows.clear();
    return listed;
}

bool ListNamed(const std::string& statement, const char* nameField, std::vector<NamedRow>& rows,
               std::string* message)
{
    return ListRows<NamedRow>(statement, rows, message, [nameField](CCxAdo& ado, NamedRow& row) {
        ado.GetFieldLong("numId", row.id);
        ado.GetFieldString(nameField, row.name);
    });
}

bool RunStatement(const std::string& sql, std::string* message)
{
    CCxAdo ado;
    bool ran = OpenCatalogue(ado) && ado.Execute(sql.c_str()) == 0;
    if (!ran && message != nullptr)
        *message = ado.LastMessage;
    ado.Disconnect();
    ado.Shutdown();
    return ran;
}

using FormatRow = std::function<bool(long id, std::string& sql)>;

// Adds a row under the next user identifier (from the MAX statement) or
// rewrites the row of id.
bool SaveRow(const char* maxStatement, const FormatRow& insert, const FormatRow& update, int& id,
             std::string* message)
{
    long target = id;
    if (id == 0 && !NextUserIdentifier(maxStatement, target))
    {
        CCxAdo ado;
        if (message != nullptr)
            *message = OpenCatalogue(ado) ? std::string("The catalogue gave no identifier for the new row.")
                                          : ado.LastMessage.str();
        return false;
    }
    std::string sql;
    if (!(id != 0 ? update : insert)(target, sql))
    {
        if (message != nullptr)
            *message = "A number of the row does not read as a number.";
        return false;
    }
    if (!RunStatement(sql, message))
        return false;
    id = static_cast<int>(target);
    return true;
}

} // namespace

RowPresence FindGridRow(int gridId)
{
    return FindRow(CatalogueSql::G1, gridId);
}

RowPresence FindDatumRow(int datumId)
{
    return FindRow(CatalogueSql::D1, datumId);
}

bool ListEllipsoids(std::vector<NamedRow>& rows, std::string* message)
{
    return ListNamed(CatalogueSql::E2, "strEllipsoid", rows, message);
}

bool ListDatums(std::vector<NamedRow>& rows, std::string* message)
{
    return ListNamed(CatalogueSql::D3, "strDatum", rows, message);
}

bool ListGrids(int countryFilter, int datumFilter, std::vector<NamedRow>& rows, std::string* message)
{
    return ListNamed(ComposeGridListQuery(countryFilter, datumFilter, 2, 0), "strGrid", rows, message);
}

bool ListCountries(std::vector<NamedRow>& rows, std::string* message)
{
    return ListNamed(CatalogueSql::C3, "strCountry", rows, message);
}

bool ListMeridians(std::vector<NamedRow>& rows, std::string* message)
{
    return ListNamed(CatalogueSql::M2, "strMeridian", rows, message);
}

bool ListUnits(std::vector<NamedRow>& rows, std::string* message)
{
    return ListNamed(CatalogueSql::U1, "strUnit", rows, message);
}

bool ListProjections(std::vector<NamedRow>& rows, std::string* message)
{
    return ListNamed(CatalogueSql::P1, "strProjection", rows, message);
}


bool LoadEllipsoid(int id, EllipsoidRow& row)
{
    return LoadOne(CatalogueSql::E3, id, [&row](CCxAdo& ado) {
        EllipsoidRow read;
        ado.GetFieldString("strEllipsoid", read.name);
        ado.GetFieldDouble("dblAxisA", read.axisA);
        ado.GetFieldDouble("dblInverseFlattening", read.inverseFlattening);
        row = std::move(read);
    });
}

bool LoadDatum(int id, DatumRow& row)
{
    return LoadOne(CatalogueSql::D4, id, [&row](CCxAdo& ado) {
        DatumRow read;
        ado.GetFieldString("strDatum", read.name);
        ado.GetFieldString("strFile", read.file);
        ado.GetFieldLong("numEllipsoid", read.ellipsoid);
        ado.GetFieldString("strEllipsoid", read.ellipsoidName);
        ado.GetFieldLong("numPrime", read.prime);
        ado.GetFieldString("strMeridian", read.meridianName);
        ado.GetFieldLong("numMethod", read.method);
        ReadDoubles(ado, {{"dblScaleFactor", &read.scaleFactor}, {"dblDeltaX", &read.deltaX},
                          {"dblDeltaY", &read.deltaY}, {"dblDeltaZ", &read.deltaZ}, {"dblRotationX", &read.rotationX},
                          {"dblRotationY", &read.rotationY}, {"dblRotationZ", &read.rotationZ}});
        row = std::move(read);
    });
}

bool LoadGrid(int id, GridRow& row)
{
    return LoadOne(CatalogueSql::G5, id, [&row](CCxAdo& ado) {
        GridRow read;
        ado.GetFieldString("strGrid", read.name);
        ado.GetFieldLong("numCountry", read.country);
        ado.GetFieldLong("numProjection", read.projection);
        ado.GetFieldLong("numDatum", read.datum);
        ado.GetFieldLong("numUnits", read.units);
        ReadDoubles(ado, {{"dblScale", &read.scale}, {"dblFalseEasting", &read.falseEasting},
                          {"dblFalseNorthing", &read.falseNorthing}, {"dblLatitudeOrigin", &read.latitudeOrigin},
                          {"dblLongitudeOrigin", &read.longitudeOrigin}, {"dblParallelNorth", &read.parallelNorth},
                          {"dblParallelSouth", &read.parallelSouth}, {"dblAzimuth", &read.azimuth},
                          {"dblRectifiedGrid", &read.rectifiedGrid}});
        row = std::move(read);
    });
}

bool LoadCountry(int id, CountryRow& row)
{
    return LoadOne(CatalogueSql::C5, id, [&row](CCxAdo& ado) {
        CountryRow read;
        ado.GetFieldString("strCountry", read.name);
        ado.GetFieldString("strFlag", read.flag);
        row = std::move(read);
    });
}

bool ListMeridianRows(std::vector<MeridianRow>& rows, std::string* message)
{
    return ListRows<MeridianRow>(CatalogueSql::M2, rows, message, [](CCxAdo& ado, MeridianRow& row) {
        ado.GetFieldLong("numId", row.id);
        ado.GetFieldString("strMeridian", row.name);
        ado.GetFieldDouble("dblLongitude", row.longitude);
    });
}

bool ListGridRows(int countryFilter, int datumFilter, int sortColumn, int direction, std::vector<GridListRow>& rows,
                  std::string* message)
{
    return ListRows<GridListRow>(ComposeGridListQuery(countryFilter, datumFilter, sortColumn, direction), rows,
                                 message, [](CCxAdo& ado, GridListRow& row) {
                                     ado.GetFieldLong("numId", row.id);
                                     ado.GetFieldString("strGrid", row.name);
                                     ado.GetFieldLong("numCountry", row.country);
                                     ado.GetFieldString("strCountry", row.countryName);
                                 });
}

bool SaveEllipsoid(const EllipsoidValues& values, int& id, std::string* message)
{
    return SaveRow(
        CatalogueSql::E4, [&values](long next, std::string& sql) { return FormatEllipsoidInsert(next, values, sql); },
        [&values](long row, std::string& sql) { return FormatEllipsoidUpdate(row, values, sql); }, id, message);
}

bool SaveDatum(const DatumValues& values, int& id, std::string* message)
{
    return SaveRow(
        CatalogueSql::D5, [&values](long next, std::string& sql) { return FormatDatumInsert(next, values, sql); },
        [&values](long row, std::string& sql) { return FormatDatumUpdate(row, values, sql); }, id, message);
}

bool SaveGrid(const GridValues& values, int& id, std::string* message)
{
    return SaveRow(
        CatalogueSql::G6, [&values](long next, std::string& sql) { return FormatGridInsert(next, values, sql); },
        [&values](long row, std::string& sql) { return FormatGridUpdate(row, values, sql); }, id, message);
}

bool SaveCountry(const CountryValues& values, int& id, std::string* message)
{
    return SaveRow(
        CatalogueSql::C6, [&values](long next, std::string& sql) { return FormatCountryInsert(next, values, sql); },
        [&values](long row, std::string& sql) { return FormatCountryUpdate(row, values, sql); }, id, message);
}

namespace {

int CountRows(const char* statement, int id)
{
    CCxAdo ado;
    int count = -1;
    if (OpenCatalogue(ado))
    {
        const int opened = ado.OpenRecordset(FormatStatement(statement, id).c_str());
        if (opened == 0)
            count = 0;
        else if (opened == 1 && ado.GetRecordCount(count) != 0)
            count = -1;
        ado.CloseRecordset();
    }
    ado.Disconnect();
    ado.Shutdown();
    return count;
}

constexpr const char* kDatumsOnEllipsoid = "SELECT numId FROM tblDatums WHERE ( numEllipsoid = %ld )";
constexpr const char* kGridsOnDatum = "SELECT numId FROM tblGrids WHERE ( numDatum = %ld )";

} // namespace

int DatumsUsingEllipsoid(int ellipsoidId)
{
    return CountRows(kDatumsOnEllipsoid, ellipsoidId);
}

int GridsUsingDatum(int datumId)
{
    return CountRows(kGridsOnDatum, datumId);
}

bool DeleteEllipsoid(int id)
{
    if (DatumsUsingEllipsoid(id) != 0)
        return false;
    return RunStatement(FormatStatement(CatalogueSql::E7, id), nullptr);
}

bool DeleteDatum(int id)
{
    if (GridsUsingDatum(id) != 0)
        return false;
    return RunStatement(FormatStatement(CatalogueSql::D8, id), nullptr);
}

bool DeleteGrid(int id)
{
    return RunStatement(FormatStatement(CatalogueSql::G9, id), nullptr);
}

bool DeleteCountry(int id)
{
    return RunStatement(FormatStatement(CatalogueSql::C9, id), nullptr);
}
