#include "ProjectionKrovakNorth.h"

void CProjectionKrovakNorth::Forward()
{
    CProjectionKrovak::Forward();
    x = -x;
    y = -y;
}

void CProjectionKrovakNorth::Inverse()
{
    const double easting = x;
    const double northing = y;
    x = -easting;
    y = -northing;
    CProjectionKrovak::Inverse();
    x = easting;
    y = northing;
}
