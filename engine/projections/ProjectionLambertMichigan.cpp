#include "ProjectionLambertMichigan.h"

#include <limits>

void CProjectionLambertMichigan::Initialise(const CCfgMapProjection& r)
{
    CCfgMapProjection scaled = r;
    scaled.projectionId = kLambertConic2SP;
    // K is taken up by the axis; the two-parallel form has no scale of its own.
    scaled.scaleFactor = 1;
    // Without a factor there is no defined ellipsoid: no point converts.
    scaled.semiMajorAxis = r.scaleFactor > 0 ? r.semiMajorAxis * r.scaleFactor
                                             : std::numeric_limits<double>::quiet_NaN();
    CProjectionLambert::Initialise(scaled);
}
