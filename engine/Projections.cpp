#include "Projections.h"

#include <cmath>

#include "LengthUnits.h"
#include "projections/ProjectionFactory.h"

namespace {

constexpr double kHalfPi = 1.5707963267948966;
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
      datumGrid(std::make_unique<CDatumGrid>())
{
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
                           std::unique_ptr<CProjection>& projection)
{
    if (copy.IsSameDefinition(record))
        return;
    projection.reset();
    copy = record;
    projection = CreateProjection(record);
    if (record.method >= METHOD_NADCON)
        datumGrid->LoadFile(record.gridFile);
}

void CProjections::SetSource(const CCfgMapProjection& record)
{
    SetSide(record, source, sourceProjection);
}

void CProjections::SetDestination(const CCfgMapProjection& record)
{
    SetSide(record, destination, destinationProjection);
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

// Position-vector convention, small-angle form.
void CProjections::BursaWolfForward(const CCfgMapProjection& d, double& X, double& Y, double& Z)
{
    const double S = d.scalePpm / 1000000.0;
    const double Rx = d.rotationX * kRadiansPerArcSecond;
    const double Ry = d.rotationY * kRadiansPerArcSecond;
    const double Rz = d.rotationZ * kRadiansPerArcSecond;
    const double x = X, y = Y, z = Z;
    X = x + d.deltaX + S * x - Rz * y + Ry * z;
    Y = y + d.deltaY + Rz * x + S * y - Rx * z;
    Z = z + d.deltaZ - Ry * x + Rx * y + S * z;
}

void CProjections::BursaWolfInverse(const CCfgMapProjection& d, double& X, double& Y, double& Z)
{
    const double S = d.scalePpm / 1000000.0;
    const double Rx = d.rotationX * kRadiansPerArcSecond;
    const double Ry = d.rotationY * kRadiansPerArcSecond;
    const double Rz = d.rotationZ * kRadiansPerArcSecond;
    const double x = X, y = Y, z = Z;
    X = x - d.deltaX - S * x + Rz * y - Ry * z;
    Y = y - d.deltaY - Rz * x - S * y + Rx * z;
    Z = z - d.deltaZ + Ry * x - Rx * y - S * z;
}

void CProjections::SourceLeg(double& phi, double& lambda, double& h) const
{
    double X, Y, Z;
    switch (source.method)
    {
    case METHOD_NONE:
    case METHOD_MOLODENSKY:
    case METHOD_BURSA_WOLF:
        GeodeticToGeocentric(phi, lambda, h, source, X, Y, Z);
        if (source.method == METHOD_MOLODENSKY)
        {
            X += source.deltaX;
            Y += source.deltaY;
            Z += source.deltaZ;
        }
        else if (source.method == METHOD_BURSA_WOLF)
        {
            BursaWolfForward(source, X, Y, Z);
        }
        GeocentricToGeodetic(X, Y, Z, pivot, phi, lambda, h);
        break;
    case METHOD_NADCON:
    case METHOD_NTV2:
        datumGrid->ShiftForward(phi, lambda);
        break;
    case METHOD_HARN:
        datumGrid->ShiftInverse(phi, lambda);
        break;
    default:
        break;
    }
}

void CProjections::DestinationLeg(double& phi, double& lambda, double& h) const
{
    double X, Y, Z;
    switch (destination.method)
    {
    case METHOD_NONE:
    case METHOD_MOLODENSKY:
    case METHOD_BURSA_WOLF:
        GeodeticToGeocentric(phi, lambda, h, pivot, X, Y, Z);
        if (destination.method == METHOD_MOLODENSKY)
        {
            X -= destination.deltaX;
            Y -= destination.deltaY;
            Z -= destination.deltaZ;
        }
        else if (destination.method == METHOD_BURSA_WOLF)
        {
            BursaWolfInverse(destination, X, Y, Z);
        }
        GeocentricToGeodetic(X, Y, Z, destination, phi, lambda, h);
        break;
    case METHOD_NADCON:
    case METHOD_NTV2:
        datumGrid->ShiftInverse(phi, lambda);
        break;
    case METHOD_HARN:
        datumGrid->ShiftForward(phi, lambda);
        break;
    default:
        break;
    }
}

void CProjections::Transform()
{
    failure.clear();
    if (!std::isfinite(height))
    {
        failure = "the height is not a number";
        return;
    }
    if (source.projectionId != 0 && (!std::isfinite(easting) || !std::isfinite(northing)))
    {
        failure = "the grid coordinate is not a number";
        return;
    }
    if (source.projectionId == 0)
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
    if (source.projectionId != 0)
    {
        sourceProjection->x = ::FromUnits(source.unitId, easting);
        sourceProjection->y = ::FromUnits(source.unitId, northing);
        sourceProjection->Inverse();
        phi = sourceProjection->phi;
        lambda = sourceProjection->lambda;
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

    const bool sameDatum =
        source.semiMajorAxis == destination.semiMajorAxis && destination.IsSameDatum(source);
    if (!sameDatum && source.inverseFlattening != 0 && destination.inverseFlattening != 0)
    {
        SourceLeg(phi, lambda, h);
        DestinationLeg(phi, lambda, h);
    }

    if (destination.projectionId != 0)
    {
        destinationProjection->phi = phi;
        destinationProjection->lambda = lambda;
        destinationProjection->height = h;
        destinationProjection->Forward();
        const double x = ::ToUnits(destination.unitId, destinationProjection->x);
        const double y = ::ToUnits(destination.unitId, destinationProjection->y);
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
