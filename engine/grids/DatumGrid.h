#pragma once

#include <memory>
#include <string>
#include <vector>

#include "DatumSubGrid.h"

// The engine's one datum shift grid, shared by both datum legs: the blocks of
// a NADCON file pair or of an NTv2 file. Until a file is loaded it shifts
// nothing.
class CDatumGrid
{
public:
    enum Kind
    {
        KIND_NONE = 0,
        KIND_NADCON = 1,
        KIND_NTV2 = 2,
    };
    enum ShiftArray
    {
        LATITUDE_SHIFTS,
        LONGITUDE_SHIFTS,
    };
    using SubGridList = std::vector<std::unique_ptr<CDatumSubGrid>>;

    CDatumGrid() = default;
    CDatumGrid(const CDatumGrid&) = delete;
    CDatumGrid& operator=(const CDatumGrid&) = delete;
    virtual ~CDatumGrid() = default;

    // The reader is chosen by the name: ".gsb" NTv2, ".las"/".los" NADCON,
    // ".tif" GeoTIFF offsets in arc seconds (either case). 0 on success; -1 on failure, which leaves the grid as it was
    // and, when why is given, says there why the reader refused the file (empty when it could not be opened).
    int LoadFile(const std::string& path, std::string* why = nullptr);
    // Decimal degrees, east and north positive. The shifts are arc seconds,
    // latitude north positive and longitude west positive; the last block in
    // file order that covers the point (at its longitude or a turn east or
    // west of it) gives them.
    bool FindShift(double longitude, double latitude, double& latitudeShift,
                   double& longitudeShift) const;
    // What the Shift functions return; the point is left alone unless a
    // shift was applied.
    enum ShiftResult
    {
        SHIFT_APPLIED = 1,
        SHIFT_OUTSIDE = 0,     // no block covers the point
        SHIFT_NO_VALUE = -1,   // its cell has a node without a value
        SHIFT_UNSETTLED = -2,  // ShiftReverse: the passes do not settle
        SHIFT_LEFT_GRID = -3,  // ShiftReverse: a pass steps outside the grid
    };
    // Angles in radians, in/out; SHIFT_APPLIED, SHIFT_OUTSIDE or SHIFT_NO_VALUE.
    int ShiftForward(double& phi, double& lambda) const;
    int ShiftInverse(double& phi, double& lambda) const;
    // The exact opposite of ShiftForward: the point whose forward shift lands
    // on the given one, iterated until the forward shift reproduces the input
    // to 1e-10 degrees; when the passes do not settle (about a line where a
    // biquadratic grid's shift jumps), the nearest pass within 1e-8 degrees is
    // taken. SHIFT_APPLIED when found; otherwise the point is left alone and
    // the result says why (outside, no value on the way, unsettled, a pass
    // outside the grid).
    int ShiftReverse(double& phi, double& lambda) const;
    // Interpolation in one block (bilinear, or biquadratic where the block
    // says so) at a point in the block's own longitude convention. Never
    // reads outside the arrays: positions are held to the lattice, and a
    // block without nodes gives 0. A node without a value (not-a-number) that
    // carries weight makes the result one.
    static double Interpolate(const CDatumSubGrid& subGrid, double latitude, double longitude,
                              ShiftArray which);

    // Hands the grid a complete set of blocks read from a file.
    void Replace(SubGridList blocks, Kind newKind);
    const SubGridList& SubGrids() const { return subGrids; }
    int Count() const { return count; }

    int kind = KIND_NONE; // what the last successful load read

private:
    SubGridList subGrids;
    int count = 0;
};
