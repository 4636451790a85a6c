#include "ProjectionWorldCommon.h"

#include <cmath>

#include "LengthUnits.h"

void InitialiseRadiusAndOrigin(CProjection& p, const CCfgMapProjection& r)
{
    p.a = r.semiMajorAxis;
    p.lambda0 = r.longitudeOrigin * kDegToRad;
    InitialiseFalseOrigin(p, r);
}

void InitialiseFalseOrigin(CProjection& p, const CCfgMapProjection& r)
{
    p.fe = FromUnits(r.unitId, r.falseEasting);
    p.fn = FromUnits(r.unitId, r.falseNorthing);
}

void InitialiseEccentricity(CProjection& p, const CCfgMapProjection& r, bool withE8)
{
    p.f = 1.0 / r.inverseFlattening;
    p.e2 = 2.0 * p.f - std::pow(p.f, 2);
    p.e = std::sqrt(p.e2);
    p.e4 = p.e2 * p.e2;
    p.e6 = p.e4 * p.e2;
    if (withE8)
        p.e8 = p.e4 * p.e4;
}
