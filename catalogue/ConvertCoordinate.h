#pragma once

#include <memory>

#include "CfgMapProjection.h"
#include "Projections.h"

struct GeoidModelRow;
struct CHeightModels;
class CHeightLegs;

// Fills a record from the catalogue. The catalogue's loaders implement it;
// tests hand in their own records.
class CRecordLoader
{
public:
    virtual ~CRecordLoader() = default;
    // Loads a grid with its own datum into a reset record.
    virtual void LoadGridRecord(int gridId, CCfgMapProjection& record) = 0;
    // Loads a datum alone into a reset record.
    virtual void LoadDatumRecord(int datumId, CCfgMapProjection& record) = 0;
    // The catalogue's row of a geoid model; false when there is none.
    virtual bool LoadGeoidModel(int geoidId, GeoidModelRow& row);
};

// The engine with the two records conversions load: owned by the application
// object for the whole run, or by a batch run or a command for its own.
enum : int
{
    kConvertDone = 0,
    kConvertRefused = 1,
    kConvertPointFailed = 2,
};

struct CConversionContext
{
    CProjections engine;
    CCfgMapProjection source;
    CCfgMapProjection destination;
    // The height system of each side: 0 for heights above the ellipsoid, else
    // the identifier of a geoid model. ConvertCoordinate reads the models
    // with the records; the points are then converted through legs of each
    // context's own.
    int sourceGeoid = 0;
    int destinationGeoid = 0;
    std::shared_ptr<const CHeightModels> heightModels;
    std::shared_ptr<CHeightLegs> heightLegs;
};

// Converts one coordinate in place: x = longitude or easting, y = latitude or
// northing, z = ellipsoidal height in metres. With reload the two records are
// loaded afresh through loader. Returns kConvertDone after a conversion;
// kConvertRefused after showing a message (108, 109 or why the systems cannot
// be used at all, such as 112 or 114 for a shift grid file that cannot be read, or
// 113 for a geoid model that cannot be used),
// with the coordinate untouched; kConvertPointFailed, with
// no message shown and the coordinate untouched, when this one point cannot
// be converted (a latitude beyond the poles, a grid coordinate off the
// ellipsoid, a point no sub-grid of the datum's shift grid covers, no finite
// result): context.engine.Failure() says why, and the
// records stay loaded for the next point.
int ConvertCoordinate(CConversionContext& context, CRecordLoader& loader, bool reload, double& x, double& y,
                      double& z, int sourceDatumId, int sourceGridId, int destinationDatumId, int destinationGridId);

// The same with the records loaded from the catalogue (LoadGridRecord, LoadDatumRecord).
int ConvertCoordinate(CConversionContext& context, bool reload, double& x, double& y, double& z, int sourceDatumId,
                      int sourceGridId, int destinationDatumId, int destinationGridId);

// Tells the user that the engine cannot convert because a shift grid file
// it needs is missing or refused (IDS_GRID_FILE_UNUSABLE or, with the
// reader's reason, IDS_GRID_FILE_REFUSED).
void ShowUnusableGrid(const CProjections& engine);

// Converts one point on an engine whose records are set (SetSource and
// SetDestination done, the grid files usable): what ConvertCoordinate does
// without a reload, but without comparing the two records with the engine's
// again for every point (a run's records do not change). x, y: longitude and
// latitude, or easting and northing on a grid side; z: the height. Returns
// kConvertDone, or kConvertPointFailed with the point untouched and
// context.engine.Failure() saying why.
int ConvertLoadedPoint(CConversionContext& context, bool gridSource, bool gridDestination, double& x, double& y,
                       double& z);
