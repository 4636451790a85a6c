#include "ConvertCoordinate.h"

#include "GeoidModels.h"
#include "HeightConversion.h"
#include "Messages.h"

namespace {

// False when the loader found nothing: a missing row, or a catalogue it could not reach, would
// otherwise leave the reset record, and the point would be converted as WGS 84.
bool LoadRecord(CRecordLoader& loader, CCfgMapProjection& record, int datumId, int gridId)
{
    record.Reset();
    record.datumId = 0;
    if (gridId != 0)
        loader.LoadGridRecord(gridId, record);
    else
        loader.LoadDatumRecord(datumId, record);
    return record.datumId != 0;
}

} // namespace

bool CRecordLoader::LoadGeoidModel(int geoidId, GeoidModelRow& row)
{
    return FindGeoidModel(geoidId, row);
}

int ConvertCoordinate(CConversionContext& context, CRecordLoader& loader, bool reload, double& x, double& y,
                      double& z, int sourceDatumId, int sourceGridId, int destinationDatumId, int destinationGridId)
{
    if (sourceDatumId == 0)
    {
        ShowMessage(IDS_NO_SOURCE_DATUM);
        return kConvertRefused;
    }
    if (destinationDatumId == 0)
    {
        ShowMessage(IDS_NO_DESTINATION_DATUM);
        return kConvertRefused;
    }

    CProjections& engine = context.engine;
    if (reload)
    {
        if (!LoadRecord(loader, context.source, sourceDatumId, sourceGridId))
        {
            ShowMessage(IDS_NO_SOURCE_DATUM);
            return kConvertRefused;
        }
        if (!LoadRecord(loader, context.destination, destinationDatumId, destinationGridId))
        {
            ShowMessage(IDS_NO_DESTINATION_DATUM);
            return kConvertRefused;
        }
    }

    engine.SetSource(context.source);
    engine.SetDestination(context.destination);
    // A datum whose shift grid cannot be read would otherwise be converted
    // without its shift, hundreds of metres off, and look converted.
    if (!engine.UnusableGridFile().empty())
    {
        ShowUnusableGrid(engine);
        return kConvertRefused;
    }
    if (PrepareHeights(context, loader, reload) != kConvertDone)
        return kConvertRefused;
    return ConvertLoadedPoint(context, sourceGridId != 0, destinationGridId != 0, x, y, z);
}

void ShowUnusableGrid(const CProjections& engine)
{
    if (engine.UnusableGridReason().empty())
        ShowMessage(IDS_GRID_FILE_UNUSABLE, engine.UnusableGridFile());
    else
        ShowMessage(IDS_GRID_FILE_REFUSED, engine.UnusableGridFile() + " is refused: " + engine.UnusableGridReason());
}

int ConvertLoadedPoint(CConversionContext& context, bool gridSource, bool gridDestination, double& x, double& y,
                       double& z)
{
    CProjections& engine = context.engine;
    if (context.heightModels)
        return ConvertWithHeights(context, gridSource, gridDestination, x, y, z);
    if (gridSource)
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
    engine.Transform();
    if (!engine.Failure().empty())
        return kConvertPointFailed;
    z = engine.height;
    if (gridDestination)
    {
        y = engine.northing;
        x = engine.easting;
    }
    else
    {
        y = engine.latitude;
        x = engine.longitude;
    }
    return kConvertDone;
}
