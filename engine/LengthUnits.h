#pragma once

// Grid lengths in EPSG units of measure; an unknown unit counts as metres.
double FromUnits(int unitId, double value); // unit -> metres
double ToUnits(int unitId, double metres);  // metres -> unit
