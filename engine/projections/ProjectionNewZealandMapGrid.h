#pragma once

#include "Projection.h"

// New Zealand Map Grid (EPSG method 9811; Reilly 1973, as Snyder's Map
// Projections - A Working Manual gives it): a tenth-order series in the
// latitude difference for the isometric latitude, then a complex sixth-order
// polynomial for the grid. Its coefficients belong to the International 1924
// ellipsoid and the origin 41 S 173 E; the grid is defined for those alone.
class CProjectionNewZealandMapGrid : public CProjection
{
public:
    void Forward() override;
    void Inverse() override;
    void Initialise(const CCfgMapProjection& record) override;
};
