#pragma once

// Grid lengths in EPSG units of measure; an unknown unit counts as metres.
double FromUnits(int unitId, double value); // unit -> metres
double ToUnits(int unitId, double metres);  // metres -> unit

// The two factors of a unit, looked up once for a run of points:
// FromUnits(id, v) == v * from and ToUnits(id, m) == m / to, to the bit.
struct LengthUnitFactors
{
    double from = 1;
    double to = 1;
};
LengthUnitFactors FindLengthUnit(int unitId);
