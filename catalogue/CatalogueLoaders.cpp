#include "CatalogueLoaders.h"

#include "CatalogueConnection.h"
#include "CatalogueStatements.h"
#include "DatumGrids.h"
#include "ProjectionFactory.h"

namespace {

double Double(CCxAdo& ado, const char* field)
{
    double value = 0.0;
    ado.GetFieldDouble(field, value);
    return value;
}

int Long(CCxAdo& ado, const char* field)
{
    int value = 0;
    ado.GetFieldLong(field, value);
    return value;
}

} // namespace

void LoadDatumRecord(int datumId, CCfgMapProjection& record)
{
    const std::string folder = GridFolder();
    CCxAdo ado;
    if (!OpenCatalogue(ado))
        return;
    const bool found = ado.OpenRecordset(FormatStatement(CatalogueSql::D2, datumId).c_str()) == 1;
    if (found)
    {
        record.datumId = datumId;
        record.semiMajorAxis = Double(ado, "dblAxisA");
        record.inverseFlattening = Double(ado, "dblInverseFlattening");
        record.scalePpm = Double(ado, "dblScaleFactor");
        record.deltaX = Double(ado, "dblDeltaX");
        record.deltaY = Double(ado, "dblDeltaY");
        record.deltaZ = Double(ado, "dblDeltaZ");
        record.rotationX = Double(ado, "dblRotationX");
        record.rotationY = Double(ado, "dblRotationY");
        record.rotationZ = Double(ado, "dblRotationZ");
        record.method = Long(ado, "numMethod");
        std::string file;
        ado.GetFieldString("strFile", file);
        record.gridFile = folder + file;
    }
    ado.CloseRecordset();
    ado.Disconnect();
    ado.Shutdown();
    if (found)
        PreferDatumGrid(datumId, record);
}

void LoadGridRecord(CCfgMapProjection& record, int gridId)
{
    int datumId = 0;
    bool found = false;
    {
        CCxAdo ado;
        if (!OpenCatalogue(ado))
            return;
        if (ado.OpenRecordset(FormatStatement(CatalogueSql::G2, gridId).c_str()) == 1)
        {
            found = true;
            record.projectionId = TranslateProjectionCode(Long(ado, "numProjection"));
            record.unitId = Long(ado, "numUnits");
            record.falseEasting = Double(ado, "dblFalseEasting");
            record.falseNorthing = Double(ado, "dblFalseNorthing");
            record.latitudeOrigin = Double(ado, "dblLatitudeOrigin");
            record.longitudeOrigin = Double(ado, "dblLongitudeOrigin") + Double(ado, "dblLongitude");
            record.parallelNorth = Double(ado, "dblParallelNorth");
            record.parallelSouth = Double(ado, "dblParallelSouth");
            record.azimuth = Double(ado, "dblAzimuth");
            record.rectifiedGridAngle = Double(ado, "dblRectifiedGrid");
            record.scaleFactor = Double(ado, "dblScale");
            datumId = Long(ado, "numDatum");
        }
        ado.CloseRecordset();
        ado.Disconnect();
        ado.Shutdown();
    }
    if (found)
        LoadDatumRecord(datumId, record);
}

void CCatalogueRecordLoader::LoadGridRecord(int gridId, CCfgMapProjection& record)
{
    ::LoadGridRecord(record, gridId);
}

void CCatalogueRecordLoader::LoadDatumRecord(int datumId, CCfgMapProjection& record)
{
    ::LoadDatumRecord(datumId, record);
}

int ConvertCoordinate(CConversionContext& context, bool reload, double& x, double& y, double& z, int sourceDatumId,
                      int sourceGridId, int destinationDatumId, int destinationGridId)
{
    CCatalogueRecordLoader loader;
    return ConvertCoordinate(context, loader, reload, x, y, z, sourceDatumId, sourceGridId, destinationDatumId,
                             destinationGridId);
}
