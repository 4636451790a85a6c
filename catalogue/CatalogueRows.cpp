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

bool ListNamed(const char* statement, const char* nameField, std::vector<NamedRow>& rows)
{
    rows.clear();
    CCxAdo ado;
    if (!OpenCatalogue(ado))
        return false;
    const int found = ado.OpenRecordset(statement);
    if (found == 1)
    {
        do
        {
            NamedRow row;
            ado.GetFieldLong("numId", row.id);
            ado.GetFieldString(nameField, row.name);
            rows.push_back(std::move(row));
        } while (ado.MoveNext() == 1);
    }
    ado.CloseRecordset();
    ado.Disconnect();
    ado.Shutdown();
    if (found < 0)
        rows.clear();
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

bool ListEllipsoids(std::vector<NamedRow>& rows)
{
    return ListNamed(CatalogueSql::E2, "strEllipsoid", rows);
}

bool ListDatums(std::vector<NamedRow>& rows)
{
    return ListNamed(CatalogueSql::D3, "strDatum", rows);
}

bool ListGrids(std::vector<NamedRow>& rows)
{
    return ListNamed(CatalogueSql::G10, "strGrid", rows);
}

bool ListCountries(std::vector<NamedRow>& rows)
{
    return ListNamed(CatalogueSql::C3, "strCountry", rows);
}

bool ListMeridians(std::vector<NamedRow>& rows)
{
    return ListNamed(CatalogueSql::M2, "strMeridian", rows);
}
