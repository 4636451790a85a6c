#include "HeightConversion.h"

#include <cmath>
#include <cstdio>

#include "GeoidModels.h"
#include "Messages.h"

namespace {

// The source's ellipsoidal height is sought until the model datum's height it
// gives misses H + N by less than this (metres): well above the rounding of
// geocentric coordinates of some 6e6 m, and a miss that moves the position
// by less than a micrometre's ten-thousandth.
constexpr double kHeightTolerance = 1e-7;
constexpr int kHeightPasses = 12;

bool Run(CProjections& engine, bool gridIn, bool gridOut, double& x, double& y, double& z, std::string& why)
{
    if (gridIn)
    {
        engine.easting = x;
        engine.northing = y;
    }
    else
    {
        engine.longitude = x;
        engine.latitude = y;
    }
    engine.height = z;
    engine.Transform();
    if (!engine.Failure().empty())
    {
        why = engine.Failure();
        return false;
    }
    x = gridOut ? engine.easting : engine.longitude;
    y = gridOut ? engine.northing : engine.latitude;
    z = engine.height;
    return true;
}

// The side of a geoid model: its row, its grid (the one already read when
// the file is the same) and its datum's record. False after the message.
bool LoadSide(int id, const CGeoidSide* previous, CRecordLoader& loader, CGeoidSide& side)
{
    side = CGeoidSide{};
    if (id == 0)
        return true;
    GeoidModelRow row;
    if (!loader.LoadGeoidModel(id, row))
    {
        ShowMessage(IDS_GEOID_MODEL_UNUSABLE, "the catalogue has no geoid model " + std::to_string(id));
        return false;
    }
    side.id = id;
    side.name = row.name + " (" + std::to_string(id) + ")";
    side.path = FindGeoidFile(row.file);
    if (side.path.empty())
    {
        const std::vector<std::string> folders = GeoidFolders();
        ShowMessage(IDS_GEOID_MODEL_UNUSABLE, "the grid file " + row.file + " of the geoid model " + side.name +
                                                  " is missing; put it in " + folders[0] + " or in " + folders[1]);
        return false;
    }
    if (previous != nullptr && previous->id == id && previous->path == side.path && previous->grid)
    {
        side.grid = previous->grid;
    }
    else
    {
        auto grid = std::make_shared<CGeoidGrid>();
        std::string why;
        if (grid->LoadFile(side.path, &why) != 0)
        {
            ShowMessage(IDS_GEOID_MODEL_UNUSABLE,
                        "the grid file " + side.path + " of the geoid model " + side.name +
                            (why.empty() ? " is empty, damaged or not a GTX or GeoTIFF geoid grid" : " is refused: " + why));
            return false;
        }
        side.grid = std::move(grid);
    }
    side.datum.Reset();
    side.datum.datumId = 0;
    loader.LoadDatumRecord(row.datumId, side.datum);
    if (side.datum.datumId == 0)
    {
        ShowMessage(IDS_GEOID_MODEL_UNUSABLE, "the catalogue has no datum " + std::to_string(row.datumId) +
                                                  " for the geoid model " + side.name);
        return false;
    }
    return true;
}

bool SameGeographic(const CCfgMapProjection& a, const CCfgMapProjection& b)
{
    return a.projectionId == 0 && b.projectionId == 0 && a.IsSameDefinition(b);
}

// What the engine refuses of a geographic point, for the legs that need not
// run it.
bool GeographicUsable(double x, double y, double z, std::string& why)
{
    if (!std::isfinite(z))
        why = "the height is not a number";
    else if (!std::isfinite(y) || std::fabs(y) > 90)
        why = "the latitude lies beyond 90 degrees";
    else if (!std::isfinite(x) || std::fabs(x) > 360)
        why = "the longitude lies beyond 360 degrees";
    else
        return true;
    return false;
}

} // namespace

int PrepareHeights(CConversionContext& context, CRecordLoader& loader, bool reload)
{
    if (context.sourceGeoid == 0 && context.destinationGeoid == 0)
    {
        context.heightModels.reset();
        context.heightLegs.reset();
        return kConvertDone;
    }
    const CHeightModels* previous = context.heightModels.get();
    if (reload || previous == nullptr || previous->source.id != context.sourceGeoid ||
        previous->destination.id != context.destinationGeoid)
    {
        auto models = std::make_shared<CHeightModels>();
        if (!LoadSide(context.sourceGeoid, previous ? &previous->source : nullptr, loader, models->source) ||
            !LoadSide(context.destinationGeoid, previous ? &previous->destination : nullptr, loader,
                      models->destination))
        {
            context.heightModels.reset();
            context.heightLegs.reset();
            return kConvertRefused;
        }
        context.heightModels = std::move(models);
        context.heightLegs.reset();
    }
    if (!context.heightLegs || !context.heightLegs->Serves(context.heightModels.get()) || reload)
        context.heightLegs =
            std::make_shared<CHeightLegs>(context.heightModels, context.source, context.destination);
    if (const CProjections* unusable = context.heightLegs->UnusableGrid())
    {
        ShowUnusableGrid(*unusable);
        return kConvertRefused;
    }
    return kConvertDone;
}

int ConvertWithHeights(CConversionContext& context, bool gridSource, bool gridDestination, double& x, double& y,
                       double& z)
{
    if (!context.heightLegs || !context.heightLegs->Serves(context.heightModels.get()))
        context.heightLegs =
            std::make_shared<CHeightLegs>(context.heightModels, context.source, context.destination);
    std::string why;
    if (!context.heightLegs->Convert(gridSource, gridDestination, x, y, z, why))
    {
        context.engine.Refuse(why);
        return kConvertPointFailed;
    }
    return kConvertDone;
}

bool GeoidHeight(const CGeoidSide& side, double longitude, double latitude, double& n, std::string& why)
{
    const CGeoidGrid::Lookup lookup = side.grid->Height(longitude, latitude, n);
    if (lookup == CGeoidGrid::LOOKUP_DONE)
        return true;
    char text[512];
    std::snprintf(text, sizeof text,
                  lookup == CGeoidGrid::LOOKUP_OUTSIDE ? "the point %.9f %.9f lies outside the geoid model %s"
                                                       : "the point %.9f %.9f lies in a cell of the geoid model %s "
                                                         "that has no value",
                  longitude, latitude, side.name.c_str());
    why = text;
    return false;
}

CHeightLegs::CHeightLegs(std::shared_ptr<const CHeightModels> shared, const CCfgMapProjection& source,
                         const CCfgMapProjection& destination)
    : models(std::move(shared))
{
    const CGeoidSide& from = models->source;
    const CGeoidSide& to = models->destination;
    if (from.Used())
    {
        first.SetSource(source);
        first.SetDestination(from.datum);
    }
    const CCfgMapProjection& start = from.Used() ? from.datum : source;
    second.SetSource(start);
    second.SetDestination(to.Used() ? to.datum : destination);
    if (to.Used())
    {
        third.SetSource(to.datum);
        third.SetDestination(destination);
    }
    secondIsIdentity = SameGeographic(start, to.Used() ? to.datum : destination);
    thirdIsIdentity = to.Used() && SameGeographic(to.datum, destination);
}

const CProjections* CHeightLegs::UnusableGrid() const
{
    for (const CProjections* engine : {&first, &second, &third})
        if (!engine->UnusableGridFile().empty())
            return engine;
    return nullptr;
}

bool CHeightLegs::IntoSourceModel(bool gridSource, double& x, double& y, double& z, std::string& why)
{
    const CGeoidSide& side = models->source;
    const double H = z;
    double h = H; // the source's ellipsoidal height, sought
    for (int pass = 0; pass < kHeightPasses; ++pass)
    {
        double lon = x, lat = y, hModel = h;
        if (!Run(first, gridSource, false, lon, lat, hModel, why))
            return false;
        double N = 0;
        if (!GeoidHeight(side, lon, lat, N, why))
            return false;
        const double miss = H + N - hModel;
        // Without a change of datum the height passes unchanged and the
        // position does not depend on it.
        if (hModel == h || std::fabs(miss) <= kHeightTolerance)
        {
            x = lon;
            y = lat;
            z = H + N;
            return true;
        }
        h += miss;
    }
    why = "the height in the geoid model's datum does not settle";
    return false;
}

bool CHeightLegs::OutOfDestinationModel(bool gridIn, bool gridDestination, double& x, double& y, double& z,
                                        std::string& why)
{
    double lon = x, lat = y, h = z;
    if (secondIsIdentity && !gridIn ? !GeographicUsable(lon, lat, h, why)
                                    : !Run(second, gridIn, false, lon, lat, h, why))
        return false;
    double N = 0;
    if (!GeoidHeight(models->destination, lon, lat, N, why))
        return false;
    double outX = lon, outY = lat, outZ = h;
    if (!(thirdIsIdentity && !gridDestination) && !Run(third, false, gridDestination, outX, outY, outZ, why))
        return false;
    x = outX;
    y = outY;
    z = h - N;
    return true;
}

bool CHeightLegs::Convert(bool gridSource, bool gridDestination, double& x, double& y, double& z, std::string& why)
{
    double px = x, py = y, pz = z;
    bool grid = gridSource;
    if (models->source.Used())
    {
        if (!IntoSourceModel(gridSource, px, py, pz, why))
            return false;
        grid = false;
    }
    if (models->destination.Used())
    {
        if (!OutOfDestinationModel(grid, gridDestination, px, py, pz, why))
            return false;
    }
    else if (!Run(second, grid, gridDestination, px, py, pz, why))
    {
        return false;
    }
    x = px;
    y = py;
    z = pz;
    return true;
}

std::string HeightSystemsText(const CHeightModels& models)
{
    auto side = [](const CGeoidSide& s) { return s.Used() ? "above " + s.name : std::string("above the ellipsoid"); };
    return "source " + side(models.source) + ", destination " + side(models.destination);
}

void PrefetchHeights(const CConversionContext& context, double longitude, double latitude)
{
    const CHeightModels* models = context.heightModels.get();
    if (models == nullptr)
        return;
    for (const CGeoidSide* side : {&models->source, &models->destination})
        if (side->grid)
            side->grid->Prefetch(longitude, latitude);
}
