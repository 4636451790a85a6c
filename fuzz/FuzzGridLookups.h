#pragma once

#include <cmath>

#include "DatumGrid.h"

// Looks a loaded grid up at its corners, just outside them and in between,
// so that every reader's output also passes through the interpolation.
inline void ExerciseLookups(const CDatumGrid& grid)
{
    double dLat = 0, dLon = 0;
    const double sign = grid.kind == CDatumGrid::KIND_NTV2 ? -1 : 1;
    for (const auto& block : grid.SubGrids())
    {
        const CDatumSubGrid& s = *block;
        for (double fy : {-0.01, 0.0, 0.37, 0.9999995, 1.0, 1.01})
            for (double fx : {-0.01, 0.0, 0.5, 1.0, 1.01})
            {
                const double lat = s.south + fy * (s.north - s.south);
                const double lon = sign * (s.lonMin + fx * (s.lonMax - s.lonMin));
                grid.FindShift(lon, lat, dLat, dLon);
                CDatumGrid::Interpolate(s, lat, sign * lon, CDatumGrid::LATITUDE_SHIFTS);
                double phi = lat * 0.017453292519943295, lambda = lon * 0.017453292519943295;
                grid.ShiftForward(phi, lambda);
                grid.ShiftInverse(phi, lambda);
            }
    }
}
