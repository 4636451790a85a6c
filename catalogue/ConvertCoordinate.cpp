#include "ConvertCoordinate.h"

#include "Messages.h"

namespace {

void LoadRecord(CRecordLoader& loader, CCfgMapProjection& record, int datumId, int gridId)
{
    record.Reset();
    if (gridId != 0)
        loader.LoadGridRecord(gridId, record);
    else
        loader.LoadDatumRecord(datumId, record);
}

} // namespace

int ConvertCoordinate(CConversionContext& context, CRecordLoader& loader, bool reload, double& x, double& y,
                      double& z, int sourceDatumId, int sourceGridId, int destinationDatumId, int destinationGridId)
{
    if (sourceDatumId == 0)
    {
        ShowMessage(IDS_NO_SOURCE_DATUM);
        return 1;
    }
    if (destinationDatumId == 0)
    {
        ShowMessage(IDS_NO_DESTINATION_DATUM);
        return 1;
    }

    CProjections& engine = context.engine;
    if (sourceGridId != 0)
    {
        engine.northing = y;
        engine.easting = x;
    }
    else
    {
        engine.latitude = y;
        engine.longitude = x;
    }
    engine.height = z;

    if (reload)
    {
        LoadRecord(loader, context.source, sourceDatumId, sourceGridId);
        LoadRecord(loader, context.destination, destinationDatumId, destinationGridId);
    }

    engine.SetSource(context.source);
    engine.SetDestination(context.destination);
    engine.Transform();

    z = engine.height;
    if (destinationGridId != 0)
    {
        y = engine.northing;
        x = engine.easting;
    }
    else
    {
        y = engine.latitude;
        x = engine.longitude;
    }
    return 0;
}
