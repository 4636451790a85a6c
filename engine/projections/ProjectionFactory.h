#pragma once

#include <memory>

#include "Projection.h"
#include "ProjectionIdentifiers.h"

// Builds and initialises the projection class of record.projectionId; an
// identifier without a class (0 included) gives a base-class object.
std::unique_ptr<CProjection> CreateProjection(const CCfgMapProjection& record);

// Catalogue "numProjection" to internal identifier: EPSG method codes are
// translated, every other value is taken unchanged.
int TranslateProjectionCode(int code);
