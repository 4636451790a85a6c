#include "CatalogueLookups.h"

#include "CatalogueConnection.h"
#include "CatalogueStatements.h"

namespace {

// One statement, one text field: the field of the first row, noRow without one. False when the
// catalogue could not be reached or the statement failed.
bool LookupText(const char* statement, int id, const char* field, const char* noRow, CCxString& out)
{
    CCxAdo ado;
    if (!OpenCatalogue(ado))
        return false;
    const int found = ado.OpenRecordset(FormatStatement(statement, id).c_str());
    if (found == 1)
    {
        CCxString value;
        ado.GetFieldString(field, value);
        out = value.str();
    }
    else if (found == 0)
        out = noRow;
    ado.CloseRecordset();
    ado.Disconnect();
    ado.Shutdown();
    return found >= 0;
}

void LookupName(const char* statement, int id, const char* field, const char* none, const char* unknown,
                CCxString& out)
{
    if (id == 0)
    {
        out = none;
        return;
    }
    LookupText(statement, id, field, unknown, out);
}

} // namespace

void LookupGridName(int gridId, CCxString& name)
{
    LookupName(CatalogueSql::G1, gridId, "strGrid", "Geographic ( Longitude / Latitude )", "Unknown Grid", name);
}

void LookupDatumName(int datumId, CCxString& name)
{
    LookupName(CatalogueSql::D1, datumId, "strDatum", "No datum selected", "Unknown Datum", name);
}

void LookupEllipsoidName(int ellipsoidId, CCxString& name)
{
    LookupName(CatalogueSql::E1, ellipsoidId, "strEllipsoid", "No ellipsoid selected", "Unknown Ellipsoid", name);
}

void LookupMeridianName(int meridianId, CCxString& name)
{
    LookupName(CatalogueSql::M1, meridianId, "strMeridian", "No meridian selected", "Unknown Meridian", name);
}

void LookupCountryName(int countryId, CCxString& name)
{
    LookupName(CatalogueSql::C1, countryId, "strCountry", "No country selected", "Unknown Country", name);
}

void LookupGridUnitName(int gridId, CCxString& name)
{
    LookupText(CatalogueSql::U2, gridId, "strUnit", "", name);
}

void LookupProjectionFields(int projectionId, int& fields)
{
    fields = 0;
    if (projectionId == 0)
        return;
    CCxAdo ado;
    if (!OpenCatalogue(ado))
        return;
    if (ado.OpenRecordset(FormatStatement(CatalogueSql::P2, projectionId).c_str()) == 1)
    {
        int value = 0;
        if (ado.GetFieldLong("numFields", value) == 1)
            fields = value;
    }
    ado.CloseRecordset();
    ado.Disconnect();
    ado.Shutdown();
}

void CountryHasGrids(int countryId, int& hasGrids)
{
    hasGrids = 1;
    CCxAdo ado;
    if (!OpenCatalogue(ado))
        return;
    if (ado.OpenRecordset(FormatStatement(CatalogueSql::C10, countryId).c_str()) == 0)
        hasGrids = 0;
    ado.CloseRecordset();
    ado.Disconnect();
    ado.Shutdown();
}

bool NextUserIdentifier(const char* maxStatement, long& id)
{
    CCxAdo ado;
    if (!OpenCatalogue(ado))
        return false;
    bool obtained = false;
    if (ado.OpenRecordset(maxStatement) == 1)
    {
        long largest = 0;
        if (ado.GetFieldLong("numRecord", largest) == 1)
        {
            id = (largest > kLastShippedId ? largest : kLastShippedId) + 1;
            obtained = true;
        }
    }
    ado.CloseRecordset();
    ado.Disconnect();
    ado.Shutdown();
    return obtained;
}

int RunCatalogueStatement(const std::string& sql)
{
    if (sql.empty())
        return -1;
    CCxAdo ado;
    if (!OpenCatalogue(ado))
        return -1;
    const int result = ado.Execute(sql.c_str());
    ado.Disconnect();
    ado.Shutdown();
    return result;
}
