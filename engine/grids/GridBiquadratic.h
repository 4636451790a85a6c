#pragma once

#include <algorithm>
#include <cmath>

// NGS's biquadratic interpolation (NADCON 5, GEOID18 and the other NOAA
// models): on each of the three rows of the 3 x 3 nodes nearest the point,
// the quadratic through the row's three nodes along the first axis; then the
// quadratic through those three values along the second. Shared by the shift
// and the geoid grids.
namespace gridinterp {

// The weights of three nodes one spacing apart, at 0, 1 and 2, in the
// quadratic through them at position t: each is 1 on its own node and 0 on
// the other two.
inline void QuadraticWeights(double t, double w[3])
{
    w[0] = (t - 1) * (t - 2) / 2;
    w[1] = t * (2 - t);
    w[2] = t * (t - 1) / 2;
}

// The first of the three nodes along an axis of count nodes (at least 3)
// that are nearest a position: the nearest node in the middle (a position
// halfway between two nodes takes the later one). The window is held inside
// the lattice at its first and last nodes, unless the axis goes round the
// globe: then it may start at -1 or end at count, the node across the seam.
inline int WindowStart(double position, int count, bool wraps = false)
{
    const int nearest = static_cast<int>(std::floor(position + 0.5));
    return wraps ? nearest - 1 : std::clamp(nearest - 1, 0, count - 3);
}

// The value at lattice position (x, y), x along the columns, from
// node(row, col) over the 3 x 3 window; with wrapsColumns, a column before
// the first or after the last is asked for as given, and node must take it
// round. A node that carries no weight (the point lies on another node's row
// or column) is not asked for, so a hole there does not count; a hole with
// weight (not-a-number) makes the result not-a-number.
template <typename Node>
double Biquadratic(double x, double y, int cols, int rows, bool wrapsColumns, const Node& node)
{
    const int i0 = WindowStart(x, cols, wrapsColumns), j0 = WindowStart(y, rows);
    double wx[3], wy[3];
    QuadraticWeights(x - i0, wx);
    QuadraticWeights(y - j0, wy);
    double result = 0;
    for (int k = 0; k < 3; ++k)
    {
        if (wy[k] == 0)
            continue;
        double alongRow = 0;
        for (int m = 0; m < 3; ++m)
            if (wx[m] != 0)
                alongRow += wx[m] * static_cast<double>(node(j0 + k, i0 + m));
        result += wy[k] * alongRow;
    }
    return result;
}

} // namespace gridinterp
