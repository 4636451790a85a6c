#pragma once

#include "Projection.h"

// Pieces of Initialise shared by the equal-area and world projections. Each
// sets only the fields it names, so a class sets only the fields it uses.

// The one Initialise of the simplest world projections: the radius a, the
// central meridian and the false origin.
void InitialiseRadiusAndOrigin(CProjection& p, const CCfgMapProjection& record);

// False easting and northing in metres.
void InitialiseFalseOrigin(CProjection& p, const CCfgMapProjection& record);

// f, e2 (as 2f - f to the power 2), e, e4 = e2 e2 and e6 = e4 e2; with
// withE8 also e8 = e4 e4.
void InitialiseEccentricity(CProjection& p, const CCfgMapProjection& record, bool withE8 = false);

// Upper bound on the passes of every convergence loop of these classes; a
// loop that reaches it keeps the value of its last pass.
inline constexpr int kMaxPasses = 100;
