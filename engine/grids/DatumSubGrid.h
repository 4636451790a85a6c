#pragma once

#include <vector>

// One rectangular block of a shift grid: latitude and longitude shifts in arc
// seconds at regularly spaced nodes. Angles are decimal degrees; longitudes
// count in the convention of the file the block came from (NADCON east
// positive, NTv2 west positive).
class CDatumSubGrid
{
public:
    // How values between the nodes are found: bilinearly from the four nodes
    // of the point's cell, or biquadratically from the 3 x 3 nodes nearest
    // the point, as NADCON 5 grids are defined.
    enum Interpolation
    {
        BILINEAR,
        BIQUADRATIC,
    };

    CDatumSubGrid() = default;
    virtual ~CDatumSubGrid() = default;

    // Room for capacity nodes, all shifts 0; nodeCount restarts at 0.
    void Allocate(int capacity);
    // Appends the next node in row-major order from the south; a node beyond
    // the capacity is dropped.
    void StoreNode(float latitudeShift, float longitudeShift);
    // True when every node of the rows x cols lattice is stored; a block
    // without nodes covers no point.
    bool HasNodes() const;
    // Coverage in the block's own longitude convention, edges included.
    bool Covers(double lat, double lon) const;

    // The node count along one axis from the span divided by the spacing: a
    // quotient within 1e-6 below a whole number is taken as that number, so
    // that a span computed in floating point does not lose its last node.
    static double RoundPosition(double position);
    static long long NodesAlong(double quotient);

    double south = 0;
    double north = 0;
    double lonMin = 0;
    double lonMax = 0;
    double latInc = 0;
    double lonInc = 0;
    int capacity = 0;
    int nodeCount = 0;
    int rows = 0;
    int cols = 0;
    Interpolation interpolation = BILINEAR;
    std::vector<float> latitudeShifts;  // arc seconds, north positive
    std::vector<float> longitudeShifts; // arc seconds, west positive
};
