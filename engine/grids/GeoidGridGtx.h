#pragma once

#include <cstdio>
#include <string>

#include "GeoidGrid.h"

class CGridFile;

// Reads a GTX file (NOAA's vertical grid format: a 40-byte big-endian header
// of south latitude, west longitude, latitude and longitude spacing, row and
// column counts, then big-endian float32 values row by row from the south)
// into a CGeoidGrid. The header must describe a lattice the file holds
// exactly; -88.8888, GTX's mark of a node without a value, becomes no data.
class CGeoidGridGtx
{
public:
    explicit CGeoidGridGtx(CGeoidGrid& target);
    CGeoidGridGtx(const CGeoidGridGtx&) = delete;
    CGeoidGridGtx& operator=(const CGeoidGridGtx&) = delete;
    virtual ~CGeoidGridGtx() = default;

    // 0 with the target's images replaced; -1 with the target untouched.
    int Read(const std::string& path);
    int Read(std::FILE* stream);

private:
    int Read(CGridFile& file);

    CGeoidGrid& grid;
};
