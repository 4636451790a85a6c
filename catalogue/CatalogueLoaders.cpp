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

thread_local CCatalogueSession* currentSession = nullptr;

} // namespace

CCatalogueSession::CCatalogueSession() : outer(currentSession)
{
    currentSession = this;
}

CCatalogueSession::~CCatalogueSession()
{
    currentSession = outer;
    if (ado.IsConnected())
        ado.Disconnect();
    if (ado.IsInitialized())
        ado.Shutdown();
}

CCatalogueUse::CCatalogueUse()
{
    if (currentSession != nullptr && !currentSession->busy)
    {
        session = currentSession;
        session->busy = true;
        ado = &session->ado;
    }
}

bool CCatalogueUse::Open()
{
    return ado->IsConnected() || OpenCatalogue(*ado);
}

void CCatalogueUse::Release()
{
    if (released)
        return;
    released = true;
    ado->CloseRecordset();
    if (session != nullptr)
    {
        session->busy = false;
        return;
    }
    if (ado->IsConnected())
        ado->Disconnect();
    if (ado->IsInitialized())
        ado->Shutdown();
}

void LoadDatumRecord(int datumId, CCfgMapProjection& record)
{
    const std::string folder = GridFolder();
    CCatalogueUse use;
    if (!use.Open())
        return;
    CCxAdo& ado = use.Ado();
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
    use.Release();
    if (found)
        PreferDatumGrid(datumId, record);
}

void LoadGridRecord(CCfgMapProjection& record, int gridId)
{
    int datumId = 0;
    bool found = false;
    {
        CCatalogueUse use;
        if (!use.Open())
            return;
        CCxAdo& ado = use.Ado();
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
