#include "CatalogueRows.h"

#include "CatalogueConnection.h"
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

bool ListNamed(const std::string& statement, const char* nameField, std::vector<NamedRow>& rows,
               std::string* message)
{
    rows.clear();
    CCxAdo ado;
    if (!OpenCatalogue(ado))
    {
        if (message != nullptr)
            *message = ado.LastMessage;
        return false;
    }
    const int found = ado.OpenRecordset(statement.c_str());
    for (int row = found; row == 1; row = ado.MoveNext())
    {
        NamedRow named;
        ado.GetFieldLong("numId", named.id);
        ado.GetFieldString(nameField, named.name);
        rows.push_back(std::move(named));
    }
    if (found < 0)
    {
        rows.clear();
        if (message != nullptr)
            *message = ado.LastMessage;
    }
    ado.CloseRecordset();
    ado.Disconnect();
    ado.Shutdown();
    return found >= 0;
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
