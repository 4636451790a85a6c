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
    // ".tif" GeoTIFF offsets in arc seconds (either case). 0 on success; -1 on failure, which leaves the grid as it was.
    int LoadFile(const std::string& path);
    // Decimal degrees, east and north positive. The shifts are arc seconds,
    // latitude north positive and longitude west positive; the last block in
    // file order that covers the point (at its longitude or a turn east or
    // west of it) gives them.
    bool FindShift(double longitude, double latitude, double& latitudeShift,
                   double& longitudeShift) const;
    // Angles in radians, in/out; 1 when a shift was applied, 0 when the point
    // lies outside the grid and -1 when its cell has a node without a value
    // (the point is left alone in both cases).
    int ShiftForward(double& phi, double& lambda) const;
    int ShiftInverse(double& phi, double& lambda) const;
    // The exact opposite of ShiftForward: the point whose forward shift lands
    // on the given one, iterated until the forward shift reproduces the input
    // to 1e-10 degrees; when the passes do not settle (about a line where a
    // biquadratic grid's shift jumps), the nearest pass within 1e-8 degrees is
    // taken. 1 when found; 0, with the point left alone, when the
    // point lies outside the grid; -1 when a cell on the way has no value, an
    // iterate leaves the grid or the iteration does not settle.
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
