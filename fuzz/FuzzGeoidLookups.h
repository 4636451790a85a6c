#pragma once

#include "GeoidGrid.h"

// Looks a loaded geoid grid up at its images' corners, just outside them and
// in between, and across the antimeridian, so that every reader's output also
// passes through the interpolation.
inline void ExerciseGeoidLookups(const CGeoidGrid& grid)
{
    double n = 0;
    for (const CGeoidGrid::Image& image : grid.Images())
        for (double fy : {-0.01, 0.0, 0.37, 0.9999995, 1.0, 1.01})
            for (double fx : {-0.01, 0.0, 0.5, 1.0, 1.01})
            {
                const double lat = image.south + fy * (image.North() - image.south);
                const double lon = image.west + fx * (image.East() - image.west);
                grid.Height(lon, lat, n);
                grid.Height(lon + 360, lat, n);
                grid.Height(lon - 360, lat, n);
            }
    grid.Height(180, 0, n);
    grid.Height(-180, 90, n);
}
