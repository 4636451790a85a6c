#pragma once

#include "ProjectionLambert.h"

// Lambert Conic Conformal (2SP Michigan), EPSG method 1051: the two standard
// parallel form on an ellipsoid whose semi-major axis is enlarged by the
// ellipsoid scaling factor K (the eccentricity kept). The record carries K in
// its scale field.
class CProjectionLambertMichigan : public CProjectionLambert
{
public:
    void Initialise(const CCfgMapProjection& record) override;
};
