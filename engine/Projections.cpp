#include "Projections.h"

#include <cmath>
#include <cstdio>

#include "LengthUnits.h"
#include "projections/ProjectionFactory.h"

namespace {

bool UsesGrid(int method)
{
    return method == METHOD_NADCON || method == METHOD_HARN || method == METHOD_NTV2;
}

// A leg that moves no point: no method, or a Helmert one whose parameters
// are all zero.
bool ShiftsNothing(const CCfgMapProjection& r)
{
    if (r.method == METHOD_NONE)
        return true;
    const bool noTranslation = r.deltaX == 0 && r.deltaY == 0 && r.deltaZ == 0;
    if (r.method == METHOD_MOLODENSKY)
        return noTranslation;
    return r.method == METHOD_BURSA_WOLF && noTranslation && r.rotationX == 0 && r.rotationY == 0 &&
           r.rotationZ == 0 && r.scalePpm == 0;
}

constexpr double kRadiansPerArcSecond = 4.84813681109536e-06;

// First eccentricity squared of an ellipsoid given by its inverse flattening;
// a sphere (0) has none.
double EccentricitySquared(double inverseFlattening)
{
    if (inverseFlattening == 0)
        return 0;
    const double f = 1.0 / inverseFlattening;
    return 2 * f - f * f;
}

} // namespace

CProjections::CProjections()
    : sourceProjection(std::make_unique<CProjection>()),
      destinationProjection(std::make_unique<CProjection>()),
      sourceGrid(std::make_shared<CDatumGrid>()),
      destinationGrid(std::make_shared<CDatumGrid>())
{
    RecordsChanged();
}

double CProjections::FromUnits(int unitId, double value)
{
    return ::FromUnits(unitId, value);
}

double CProjections::ToUnits(int unitId, double metres)
{
    return ::ToUnits(unitId, metres);
}

void CProjections::SetSide(const CCfgMapProjection& record, CCfgMapProjection& copy,
                           std::unique_ptr<CProjection>& projection, std::shared_ptr<const CDatumGrid>& grid,
                           Unloaded& unusable, const CCfgMapProjection& other,
                           const std::shared_ptr<const CDatumGrid>& otherGrid, const Unloaded& otherUnusable)
{
    // A side whose grid could not be read tries again: the file may have been
    // put in place (or the record pointed at another) since.
    if (copy.IsSameDefinition(record) && !(UsesGrid(record.method) && !unusable.file.empty()))
        return;
    projection.reset();
    copy = record;
    projection = CreateProjection(record);
    unusable = Unloaded();
    if (!UsesGrid(record.method))
    {
        grid = std::make_shared<CDatumGrid>();
        return;
    }
    // Both sides on one file (two datums of one national grid) read it once.
    if (UsesGrid(other.method) && other.gridFile == record.gridFile)
    {
        grid = otherGrid;
        unusable = otherUnusable;
        return;
    }
    auto loaded = std::make_shared<CDatumGrid>();
    std::string why;
    if (loaded->LoadFile(record.gridFile, &why) != 0 || loaded->Count() <= 0)
    {
        unusable.file = record.gridFile.empty() ? std::string("(no file named)") : record.gridFile;
        unusable.why = why;
        grid = std::make_shared<CDatumGrid>();
        return;
    }
    grid = std::move(loaded);
}

void CProjections::SetSource(const CCfgMapProjection& record)
{
    SetSide(record, source, sourceProjection, sourceGrid, sourceUnusable, destination, destinationGrid,
            destinationUnusable);
    RecordsChanged();
}

void CProjections::SetDestination(const CCfgMapProjection& record)
{
    SetSide(record, destination, destinationProjection, destinationGrid, destinationUnusable, source, sourceGrid,
            sourceUnusable);
    RecordsChanged();
}

void CProjections::RecordsChanged()
{
    static const Unloaded none;
    datumLegs = NeedsDatumLegs();
    unusableFile = &none;
    if (datumLegs && UsesGrid(source.method) && !sourceUnusable.file.empty())
        unusableFile = &sourceUnusable;
    else if (datumLegs && UsesGrid(destination.method) && !destinationUnusable.file.empty())
        unusableFile = &destinationUnusable;
    sourceUnits = FindLengthUnit(source.unitId);
    destinationUnits = FindLengthUnit(destination.unitId);
}

bool CProjections::NeedsDatumLegs() const
{
    const bool sameDatum =
        source.semiMajorAxis == destination.semiMajorAxis && destination.IsSameDatum(source);
    return !sameDatum && source.inverseFlattening != 0 && destination.inverseFlattening != 0;
}

// A shift grid moves latitude and longitude only. Paired with a leg that
// moves no point (or with another grid), the only change left to the height
// would come from passing through the pivot's ellipsoid, which is no change
// of position; the height stays as it was given.
bool CProjections::KeepsHeight() const
{
    const bool sourceGrid = UsesGrid(source.method), destinationGrid = UsesGrid(destination.method);
    if (!sourceGrid && !destinationGrid)
        return false;
    return (sourceGrid || ShiftsNothing(source)) && (destinationGrid || ShiftsNothing(destination));
}

const std::string& CProjections::UnusableGridFile() const
{
    return unusableFile->file;
}

const std::string& CProjections::UnusableGridReason() const
{
    return unusableFile->why;
}

void CProjections::GeodeticToGeocentric(double phi, double lambda, double h, const CCfgMapProjection& ell,
                                        double& X, double& Y, double& Z)
{
    const double e2 = EccentricitySquared(ell.inverseFlattening);
    const double sinPhi = std::sin(phi);
    const double N = ell.semiMajorAxis / std::sqrt(1 - e2 * sinPhi * sinPhi);
    X = (N + h) * std::cos(phi) * std::cos(lambda);
    Y = (N + h) * std::cos(phi) * std::sin(lambda);
    Z = ((1 - e2) * N + h) * sinPhi;
}

void CProjections::GeocentricToGeodetic(double X, double Y, double Z, const CCfgMapProjection& ell, double& phi,
                                        double& lambda, double& h)
{
    const double e = std::sqrt(EccentricitySquared(ell.inverseFlattening));
    const double e2 = e * e;
    const double a = ell.semiMajorAxis;
    lambda = std::atan2(Y, X);
    const double p = std::sqrt(X * X + Y * Y);
    double N = a;
    // Five fixed passes of the classical iteration, no convergence test.
    for (int i = 0; i < 5; ++i)
    {
        phi = std::atan((Z + N * e2 * Z / ((1 - e2) * N + h)) / p);
        const double sinPhi = std::sin(phi);
        N = a / std::sqrt(1 - e2 * sinPhi * sinPhi);
        // Near the poles p / cos(phi) loses the height (p tends to 0 there);
        // Z / sin(phi) is the same quantity and well conditioned.
        const double cosPhi = std::cos(phi);
        h = std::fabs(sinPhi) > std::fabs(cosPhi) ? Z / sinPhi - (1 - e2) * N : p / cosPhi - N;
    }
}

// Position-vector convention as EPSG writes it (method 9606): the source
// vector is rotated by the small-angle rotation matrix R, then scaled by
// M = 1 + dS, then translated: X' = T + M R X.
void CProjections::BursaWolfForward(const CCfgMapProjection& d, double& X, double& Y, double& Z)
{
    const double M = 1 + d.scalePpm / 1000000.0;
    const double Rx = d.rotationX * kRadiansPerArcSecond;
    const double Ry = d.rotationY * kRadiansPerArcSecond;
    const double Rz = d.rotationZ * kRadiansPerArcSecond;
    const double x = X, y = Y, z = Z;
    X = d.deltaX + M * (x - Rz * y + Ry * z);
    Y = d.deltaY + M * (Rz * x + y - Rx * z);
    Z = d.deltaZ + M * (-Ry * x + Rx * y + z);
}

// The exact inverse of the forward form: X = R^-1 (X' - T) / M, with R^-1 the
// inverse of the rotation matrix (its adjugate over its determinant), so that
// a forward and an inverse return to the start within rounding.
void CProjections::BursaWolfInverse(const CCfgMapProjection& d, double& X, double& Y, double& Z)
{
    const double M = 1 + d.scalePpm / 1000000.0;
    const double Rx = d.rotationX * kRadiansPerArcSecond;
    const double Ry = d.rotationY * kRadiansPerArcSecond;
    const double Rz = d.rotationZ * kRadiansPerArcSecond;
    // R = [1 -Rz Ry; Rz 1 -Rx; -Ry Rx 1]; det R = 1 + Rx^2 + Ry^2 + Rz^2.
    const double det = 1 + Rx * Rx + Ry * Ry + Rz * Rz;
    const double x = (X - d.deltaX) / M, y = (Y - d.deltaY) / M, z = (Z - d.deltaZ) / M;
    X = ((1 + Rx * Rx) * x + (Rx * Ry + Rz) * y + (Rx * Rz - Ry) * z) / det;
    Y = ((Rx * Ry - Rz) * x + (1 + Ry * Ry) * y + (Ry * Rz + Rx) * z) / det;
    Z = ((Rx * Rz + Ry) * x + (Ry * Rz - Rx) * y + (1 + Rz * Rz) * z) / det;
}

void CProjections::GridMissesPoint(const CCfgMapProjection& side, int shifted, double phi, double lambda)
{
    const char* format = "the point %.9f %.9f lies in a cell of %s that has no value";
    if (shifted == CDatumGrid::SHIFT_OUTSIDE)
        format = "the point %.9f %.9f lies outside every sub-grid of %s";
    else if (shifted == CDatumGrid::SHIFT_UNSETTLED)
        format = "the point %.9f %.9f cannot be taken back through %s: the grid's shift changes too fast "
                 "there for the way back to settle";
    else if (shifted == CDatumGrid::SHIFT_LEFT_GRID)
        format = "the point %.9f %.9f cannot be taken back through %s: the way back leads outside the grid";
    char text[512];
    std::snprintf(text, sizeof text, format, lambda / kDegToRad, phi / kDegToRad, side.gridFile.c_str());
    failure = text;
}

void CProjections::HelmertToPivot(const CCfgMapProjection& side, int method, double& phi, double& lambda,
                                  double& h) const
{
    double X, Y, Z;
    GeodeticToGeocentric(phi, lambda, h, side, X, Y, Z);
    if (method == METHOD_MOLODENSKY)
    {
        X += side.deltaX;
        Y += side.deltaY;
        Z += side.deltaZ;
    }
    else if (method == METHOD_BURSA_WOLF)
    {
        BursaWolfForward(side, X, Y, Z);
    }
    GeocentricToGeodetic(X, Y, Z, pivot, phi, lambda, h);
}

void CProjections::HelmertFromPivot(const CCfgMapProjection& side, int method, double& phi, double& lambda,
                                    double& h) const
{
    double X, Y, Z;
    GeodeticToGeocentric(phi, lambda, h, pivot, X, Y, Z);
    if (method == METHOD_MOLODENSKY)
    {
        X -= side.deltaX;
        Y -= side.deltaY;
        Z -= side.deltaZ;
    }
    else if (method == METHOD_BURSA_WOLF)
    {
        BursaWolfInverse(side, X, Y, Z);
    }
    GeocentricToGeodetic(X, Y, Z, side, phi, lambda, h);
}

bool CProjections::OutsideGrid(const CCfgMapProjection& side, bool toPivot, double& phi, double& lambda, double& h)
{
    const int method = side.outsideGridMethod;
    if (method != METHOD_MOLODENSKY && method != METHOD_BURSA_WOLF)
    {
        GridMissesPoint(side, 0, phi, lambda);
        return false;
    }
    if (toPivot)
        HelmertToPivot(side, method, phi, lambda, h);
    else
        HelmertFromPivot(side, method, phi, lambda, h);
    fellBack = true;
    ++fallbacks;
    return true;
}

bool CProjections::SourceLeg(double& phi, double& lambda, double& h)
{
    int shifted = 1;
    switch (source.method)
    {
    case METHOD_NONE:
    case METHOD_MOLODENSKY:
    case METHOD_BURSA_WOLF:
        HelmertToPivot(source, source.method, phi, lambda, h);
        break;
    case METHOD_NADCON:
    case METHOD_NTV2:
        shifted = sourceGrid->ShiftForward(phi, lambda);
        break;
    case METHOD_HARN:
        shifted = sourceGrid->ShiftReverse(phi, lambda);
        break;
    default:
        break;
    }
    if (shifted == 0)
        return OutsideGrid(source, true, phi, lambda, h);
    if (shifted < 0)
        GridMissesPoint(source, shifted, phi, lambda);
    return shifted > 0;
}

bool CProjections::DestinationLeg(double& phi, double& lambda, double& h)
{
    int shifted = 1;
    switch (destination.method)
    {
    case METHOD_NONE:
    case METHOD_MOLODENSKY:
    case METHOD_BURSA_WOLF:
        HelmertFromPivot(destination, destination.method, phi, lambda, h);
        break;
    case METHOD_NADCON:
    case METHOD_NTV2:
        shifted = destinationGrid->ShiftReverse(phi, lambda);
        break;
    case METHOD_HARN:
        shifted = destinationGrid->ShiftForward(phi, lambda);
        break;
    default:
        break;
    }
    if (shifted == 0)
        return OutsideGrid(destination, false, phi, lambda, h);
    if (shifted < 0)
        GridMissesPoint(destination, shifted, phi, lambda);
    return shifted > 0;
}

void CProjections::Transform()
{
    failure.clear();
    fellBack = false;
    if (!unusableFile->file.empty())
    {
        failure = "the shift grid file " + unusableFile->file +
                  (unusableFile->why.empty() ? " cannot be loaded" : " is refused: " + unusableFile->why);
        return;
    }
    if (!std::isfinite(height))
    {
        failure = "the height is not a number";
        return;
    }
    if (source.projectionId != kGeographic && (!std::isfinite(easting) || !std::isfinite(northing)))
    {
        failure = "the grid coordinate is not a number";
        return;
    }
    if (source.projectionId == kGeographic)
    {
        if (!std::isfinite(latitude) || std::fabs(latitude) > 90)
        {
            failure = "the latitude lies beyond 90 degrees";
            return;
        }
        if (!std::isfinite(longitude) || std::fabs(longitude) > 360)
        {
            failure = "the longitude lies beyond 360 degrees";
            return;
        }
    }
    sourceProjection->height = height;

    double phi, lambda, h;
    if (source.projectionId != kGeographic)
    {
        sourceProjection->x = easting * sourceUnits.from;
        sourceProjection->y = northing * sourceUnits.from;
        sourceProjection->Inverse();
        phi = sourceProjection->phi;
        lambda = CProjection::ReducedAngle(sourceProjection->lambda);
        h = sourceProjection->height;
        // An inverse that leaves the ellipsoid gives a latitude beyond the
        // poles or no number at all; such a point has no position to convert.
        if (!std::isfinite(phi) || !std::isfinite(lambda) || std::fabs(phi) > kHalfPi + 1e-12)
        {
            failure = "the grid coordinate lies outside the projection's domain";
            return;
        }
    }
    else
    {
        phi = latitude * kDegToRad;
        lambda = longitude * kDegToRad;
        h = sourceProjection->height;
    }

    const double hBefore = h;
    if (datumLegs && (!SourceLeg(phi, lambda, h) || !DestinationLeg(phi, lambda, h)))
        return;
    // A point that took a side's Helmert outside its grid gets that Helmert's height, as without the grid.
    if (datumLegs && KeepsHeight() && !fellBack)
        h = hBefore;

    if (destination.projectionId != kGeographic)
    {
        destinationProjection->phi = phi;
        destinationProjection->lambda = lambda;
        destinationProjection->height = h;
        destinationProjection->Forward();
        // Metres, the common case, skip a division that would change nothing.
        const double to = destinationUnits.to;
        const double x = to == 1 ? destinationProjection->x : destinationProjection->x / to;
        const double y = to == 1 ? destinationProjection->y : destinationProjection->y / to;
        const double z = destinationProjection->height;
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
        {
            failure = "the point lies outside the destination projection's domain";
            return;
        }
        easting = x;
        northing = y;
        height = z;
    }
    else
    {
        if (!std::isfinite(phi) || !std::isfinite(lambda) || !std::isfinite(h))
        {
            failure = "the datum shift gives no finite result for the point";
            return;
        }
        latitude = phi / kDegToRad;
        longitude = lambda / kDegToRad;
        height = h;
    }
}
