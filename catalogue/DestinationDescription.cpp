#include "DestinationDescription.h"

#include "CatalogueConnection.h"
#include "CatalogueStatements.h"
#include "DestinationWkt.h"

namespace {

// Whether tblWkt, when it knows the row, says the row holds the values it was shipped with. A
// row the table does not know (a catalogue older than it, or a method it leaves out) is taken as
// shipped.
bool UnchangedSinceShipped(CCxAdo& ado, int id, bool grid)
{
    if (!HasWktTable(ado))
        return true;
    const std::string sql = "SELECT strRow FROM tblWkt WHERE numId = " + std::to_string(id) + " AND strKind = '" +
                            (grid ? "grid" : "datum") + "'";
    std::string shipped;
    const bool known = ado.OpenRecordset(sql.c_str()) == 1 && ado.GetFieldString("strRow", shipped) == 1;
    ado.CloseRecordset();
    return !known || shipped == RowSignature(ado, id, grid);
}

} // namespace

bool CatalogueDescription(CCxAdo& ado, int datumId, int gridId, std::string& name, int& epsg, std::string& why)
{
    const bool grid = gridId != 0;
    const int id = grid ? gridId : datumId;
    const std::string sql =
        grid ? "SELECT strGrid AS strName, 0 AS dblLongitude FROM tblGrids WHERE numId = " + std::to_string(id)
             : "SELECT d.strDatum AS strName, p.dblLongitude AS dblLongitude FROM tblDatums d LEFT JOIN "
               "tblPrimeMeridians p ON p.numId = d.numPrime WHERE d.numId = " +
                   std::to_string(id);
    double meridian = 0;
    const bool found = ado.OpenRecordset(sql.c_str()) == 1 && ado.GetFieldString("strName", name) == 1;
    if (found)
        ado.GetFieldDouble("dblLongitude", meridian);
    ado.CloseRecordset();
    if (!found)
    {
        why = std::string("the catalogue has no ") + (grid ? "grid " : "datum ") + std::to_string(id);
        return false;
    }
    epsg = 0;
    if (id > 0 && id <= kLastShippedId && meridian == 0 && UnchangedSinceShipped(ado, id, grid))
        epsg = id;
    return true;
}

bool DestinationDescription(int datumId, int gridId, std::string& name, int& epsg, std::string& why)
{
    CCxAdo ado;
    if (!OpenCatalogue(ado))
    {
        why = "the catalogue cannot be reached";
        return false;
    }
    const bool done = CatalogueDescription(ado, datumId, gridId, name, epsg, why);
    ado.Disconnect();
    ado.Shutdown();
    return done;
}
