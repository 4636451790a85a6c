#include "CfgMapProjection.h"

void CCfgMapProjection::Reset()
{
    *this = CCfgMapProjection();
}

bool CCfgMapProjection::IsSameDatum(const CCfgMapProjection& o) const
{
    return datumId == o.datumId && method == o.method && inverseFlattening == o.inverseFlattening &&
           rotationX == o.rotationX && rotationY == o.rotationY && rotationZ == o.rotationZ &&
           deltaX == o.deltaX && deltaY == o.deltaY && deltaZ == o.deltaZ && scalePpm == o.scalePpm &&
           outsideGridMethod == o.outsideGridMethod;
}

bool CCfgMapProjection::IsSameDefinition(const CCfgMapProjection& o) const
{
    // The grid file path is deliberately not compared: renaming a datum's file
    // alone does not make the engine reload it.
    return semiMajorAxis == o.semiMajorAxis && IsSameDatum(o) && projectionId == o.projectionId &&
           unitId == o.unitId && falseEasting == o.falseEasting && falseNorthing == o.falseNorthing &&
           latitudeOrigin == o.latitudeOrigin && longitudeOrigin == o.longitudeOrigin &&
           parallelNorth == o.parallelNorth && parallelSouth == o.parallelSouth && azimuth == o.azimuth &&
           rectifiedGridAngle == o.rectifiedGridAngle && scaleFactor == o.scaleFactor;
}
