#pragma once

// Meridian arc from the equator to latitude phi (radians) on the ellipsoid of
// semi-major axis a and flattening f, by Helmert's series in the third
// flattening n to n to the power 4: what it leaves out is below a micrometre
// on any terrestrial ellipsoid.
double MeridianArc(double a, double f, double phi);
