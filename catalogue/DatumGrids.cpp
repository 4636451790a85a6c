#include "DatumGrids.h"

#include "CatalogueConnection.h"
#include "CatalogueLoaders.h"
#include "CxAdo.h"
#include "GeoidModels.h"

bool FindDatumGrid(int datumId, DatumGridRow& row)
{
    CCatalogueUse use;
    if (!use.Open())
        return false;
    CCxAdo& ado = use.Ado();
    const std::string sql = "SELECT numDatum, strFile, strTransformation, dblAccuracy FROM tblDatumGrids "
                            "WHERE numDatum = " + std::to_string(datumId);
    bool found = false;
    if (ado.OpenRecordset(sql.c_str()) == 1)
    {
        row.datumId = datumId;
        ado.GetFieldString("strFile", row.file);
        ado.GetFieldString("strTransformation", row.transformation);
        ado.GetFieldDouble("dblAccuracy", row.accuracy);
        found = !row.file.empty();
    }
    return found;
}

void PreferDatumGrid(int datumId, CCfgMapProjection& record)
{
    DatumGridRow row;
    if (record.datumId != datumId || !FindDatumGrid(datumId, row))
        return;
    const std::string path = FindGeoidFile(row.file);
    if (path.empty())
        return;
    // The Helmert parameters stay in the record for the points outside the grid's area.
    record.outsideGridMethod =
        record.method == METHOD_MOLODENSKY || record.method == METHOD_BURSA_WOLF ? record.method : 0;
    record.method = METHOD_NTV2;
    record.gridFile = path;
}
