#pragma once

#include <memory>
#include <string>

#include "CfgMapProjection.h"
#include "ConvertCoordinate.h"
#include "GeoidGrid.h"
#include "Projections.h"

// A side whose heights are above a geoid: the model, its grid and the
// geographic record of the datum the model is defined on.
struct CGeoidSide
{
    int id = 0; // 0: heights above the ellipsoid
    std::string name;
    std::string path;
    std::shared_ptr<const CGeoidGrid> grid;
    CCfgMapProjection datum;

    bool Used() const { return id != 0; }
};

// The height systems of both sides of a conversion, read once and shared by
// every thread's legs.
struct CHeightModels
{
    CGeoidSide source;
    CGeoidSide destination;
};

// One thread's engines for a conversion with heights above a geoid on one
// side or both. A side's orthometric height H and the ellipsoidal height h in
// its model's datum are related by H = h - N, N taken at the point's position
// in that datum; the rest of the way the heights are ellipsoidal as without a
// geoid.
class CHeightLegs
{
public:
    CHeightLegs(std::shared_ptr<const CHeightModels> models, const CCfgMapProjection& source,
                const CCfgMapProjection& destination);
    CHeightLegs(const CHeightLegs&) = delete;
    CHeightLegs& operator=(const CHeightLegs&) = delete;
    virtual ~CHeightLegs() = default;

    // The leg whose shift grid file it needs cannot be read; null when none.
    const CProjections* UnusableGrid() const;
    bool Serves(const CHeightModels* candidate) const { return candidate == models.get(); }
    // x, y as ConvertLoadedPoint takes them, z the height in the source's
    // system; the result in the destination's. False, with the point
    // untouched and why set, when it cannot be converted.
    bool Convert(bool gridSource, bool gridDestination, double& x, double& y, double& z, std::string& why);

private:
    // The point of the source side in its model's datum, its height there
    // ellipsoidal.
    bool IntoSourceModel(bool gridSource, double& x, double& y, double& z, std::string& why);
    bool OutOfDestinationModel(bool gridIn, bool gridDestination, double& x, double& y, double& z,
                               std::string& why);

    std::shared_ptr<const CHeightModels> models;
    // Source to its model's datum; then on to the destination's model datum
    // or to the destination itself; then from that model datum to the
    // destination.
    CProjections first;
    CProjections second;
    CProjections third;
    // A leg between two records of one definition changes nothing but is
    // checked as the engine checks its input.
    bool secondIsIdentity = false;
    bool thirdIsIdentity = false;
};

// N of a side's model at a point in its datum, or false with why naming the
// model and whether the point lies outside it or at a cell without a value.
bool GeoidHeight(const CGeoidSide& side, double longitude, double latitude, double& n, std::string& why);

// Reads the geoid models the context's height systems name (a model already
// read for the same file is kept) and sets up the context's legs for its
// records. kConvertDone, also when both sides are ellipsoidal; kConvertRefused
// after showing why a model cannot be used: no such model, its file in no
// grid folder, a file that is not a geoid grid, or a shift grid a leg needs.
int PrepareHeights(CConversionContext& context, CRecordLoader& loader, bool reload);

// ConvertLoadedPoint for a context with height models; a thread's context
// makes its own legs at its first point.
int ConvertWithHeights(CConversionContext& context, bool gridSource, bool gridDestination, double& x, double& y,
                       double& z);

// The height system of each side in words, for a result line and --explain:
// "source above the ellipsoid, destination above EGM96 height (5773)".
std::string HeightSystemsText(const CHeightModels& models);

// Starts reading the geoid nodes a point at this longitude and latitude is
// likely to need, for a caller that parses its points ahead; the result of
// any conversion is the same without it.
void PrefetchHeights(const CConversionContext& context, double longitude, double latitude);
