#include "Projection.h"

#include <cmath>
#include <limits>

#include "LengthUnits.h"

void CProjection::InitialiseCommon(const CCfgMapProjection& r)
{
    projectionId = r.projectionId;
    a = r.semiMajorAxis;
    // A sphere (inverse flattening 0) has no flattening and no eccentricity;
    // the ellipsoidal formulas of the conformal classes hold at e = 0.
    f = r.inverseFlattening == 0 ? 0.0 : 1.0 / r.inverseFlattening;
    e2 = 2.0 * f - std::pow(f, 2);
    e = std::sqrt(e2);
    e4 = e2 * e2;
    e6 = e4 * e2;
    e8 = e6 * e2;
    b = a * (1.0 - f);
    phi0 = r.latitudeOrigin * kDegToRad;
    lambda0 = r.longitudeOrigin * kDegToRad;
    phi1 = r.parallelNorth * kDegToRad;
    phi2 = r.parallelSouth * kDegToRad;
    alpha = r.azimuth * kDegToRad;
    gamma = r.rectifiedGridAngle * kDegToRad;
    fe = FromUnits(r.unitId, r.falseEasting);
    fn = FromUnits(r.unitId, r.falseNorthing);
    k0 = r.scaleFactor;
    isSphere = r.inverseFlattening == 0;
}

void CProjection::RefuseForward()
{
    x = y = std::numeric_limits<double>::quiet_NaN();
}

void CProjection::RefuseInverse()
{
    phi = lambda = std::numeric_limits<double>::quiet_NaN();
}

void CProjection::RefuseBeyondOutline()
{
    // A micro-radian (six metres) of slack: the outline of an interpolated
    // projection such as Robinson's lies that much apart between two fits
    // of the same table, and a point that close is the edge meridian.
    constexpr double kOutlineTolerance = 1e-6;
    if (!(std::fabs(lambda - lambda0) <= kPi + kOutlineTolerance))
        RefuseInverse();
}

double CProjection::WrappedAngle(double angle)
{
    return std::remainder(angle, kTwoPi);
}
