#pragma once

#include "Projection.h"

// Krovak oblique conformal conic (EPSG method 9819). Gives the westing in x
// and the southing in y, both positive towards west and south.
class CProjectionKrovak : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;

    double B = 0;
    double t0 = 0;
    double r0 = 0; // radius of the pseudo standard parallel, metres
    double n = 0;  // cone constant, sin of the pseudo standard parallel
};
