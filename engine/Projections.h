#pragma once

#include <memory>
#include <string>

#include "CfgMapProjection.h"
#include "LengthUnits.h"
#include "grids/DatumGrid.h"
#include "projections/Projection.h"

// The transformation engine: source grid inverse, datum leg to the WGS 84
// pivot, datum leg from it, destination grid forward.
class CProjections
{
public:
    CProjections();
    virtual ~CProjections() = default;
    CProjections(const CProjections&) = delete;
    CProjections& operator=(const CProjections&) = delete;

    // Each side keeps its own shift grid, loaded when a record with a grid
    // method arrives; a file that cannot be read leaves that side without one
    // and makes UnusableGridFile() name it.
    void SetSource(const CCfgMapProjection& record);
    void SetDestination(const CCfgMapProjection& record);
    // The shift grid file, source side first, that the conversion between the
    // current records needs but could not load; empty when nothing is missing.
    // No point is converted while a file is named here.
    const std::string& UnusableGridFile() const;
    // Why the reader refused that file ("the grid asks for bicubic
    // interpolation, ..."); empty when it could not be opened at all.
    const std::string& UnusableGridReason() const;
    // Converts the point in the public members. When the point cannot be
    // converted the members keep their input and Failure() says why.
    void Transform();
    // Empty after a converted point.
    const std::string& Failure() const { return failure; }
    // Whether the last converted point lay outside a side's grid and took
    // that side's Helmert parameters instead (outsideGridMethod).
    bool FellBackOutsideGrid() const { return fellBack; }
    // How many points have done so on this engine.
    long long FallbacksSoFar() const { return fallbacks; }
    // Marks the point as not converted for a reason found outside the
    // engine (a height step), as Transform marks its own.
    void Refuse(const std::string& why) { failure = why; }

    static double FromUnits(int unitId, double value);
    static double ToUnits(int unitId, double metres);

    static void GeodeticToGeocentric(double phi, double lambda, double h, const CCfgMapProjection& ellipsoid,
                                     double& X, double& Y, double& Z);
    // h on entry is the start value of the iteration.
    static void GeocentricToGeodetic(double X, double Y, double Z, const CCfgMapProjection& ellipsoid,
                                     double& phi, double& lambda, double& h);
    static void BursaWolfForward(const CCfgMapProjection& datum, double& X, double& Y, double& Z);
    static void BursaWolfInverse(const CCfgMapProjection& datum, double& X, double& Y, double& Z);

    const CCfgMapProjection& Source() const { return source; }
    const CCfgMapProjection& Destination() const { return destination; }
    const CProjection& SourceProjection() const { return *sourceProjection; }
    const CProjection& DestinationProjection() const { return *destinationProjection; }
    // The source side's shift grid (empty when it has none).
    const CDatumGrid& DatumGrid() const { return *sourceGrid; }
    const CDatumGrid& DestinationGrid() const { return *destinationGrid; }

    double latitude = 0;  // decimal degrees
    double longitude = 0;
    double northing = 0;  // grid unit
    double easting = 0;
    double height = 0;    // metres

private:
    // A grid file a side could not load, and the reader's reason.
    struct Unloaded
    {
        std::string file;
        std::string why;
    };
    void SetSide(const CCfgMapProjection& record, CCfgMapProjection& copy, std::unique_ptr<CProjection>& projection,
                 std::shared_ptr<const CDatumGrid>& grid, Unloaded& unusable,
                 const CCfgMapProjection& other, const std::shared_ptr<const CDatumGrid>& otherGrid,
                 const Unloaded& otherUnusable);
    bool NeedsDatumLegs() const;
    bool KeepsHeight() const;
    // Takes what every point of the current records needs from them.
    void RecordsChanged();
    // False, with failure set, when the point lies outside the side's grid.
    bool SourceLeg(double& phi, double& lambda, double& h);
    bool DestinationLeg(double& phi, double& lambda, double& h);
    void GridMissesPoint(const CCfgMapProjection& side, int shifted, double phi, double lambda);
    // A grid side's leg for a point its grid does not cover: its Helmert
    // parameters when it has them, else a refusal.
    bool OutsideGrid(const CCfgMapProjection& side, bool toPivot, double& phi, double& lambda, double& h);
    // The Helmert legs (methods 0 to 2, given apart from the record's own).
    void HelmertToPivot(const CCfgMapProjection& side, int method, double& phi, double& lambda, double& h) const;
    void HelmertFromPivot(const CCfgMapProjection& side, int method, double& phi, double& lambda, double& h) const;

    std::unique_ptr<CProjection> sourceProjection;
    std::unique_ptr<CProjection> destinationProjection;
    std::shared_ptr<const CDatumGrid> sourceGrid;
    std::shared_ptr<const CDatumGrid> destinationGrid;
    Unloaded sourceUnusable;      // grid file the source side could not load
    Unloaded destinationUnusable;
    CCfgMapProjection source;
    CCfgMapProjection destination;
    const CCfgMapProjection pivot;
    std::string failure;
    bool fellBack = false;
    long long fallbacks = 0;
    // Decided once when a record changes, not for every point: whether the
    // points take the datum legs, the grid file that keeps them from it, and
    // the factors of both sides' grid units.
    bool datumLegs = false;
    const Unloaded* unusableFile = nullptr;
    LengthUnitFactors sourceUnits;
    LengthUnitFactors destinationUnits;
};
