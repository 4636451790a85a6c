#include "DatumGrid.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "DatumGridNTv2.h"
#include "DatumGridNadcon.h"
#include "GridBiquadratic.h"
#include "GridGeoTiff.h"
#include "MathConstants.h"

namespace {


// How close, in degrees, the forward shift of the reverse result must come
// to the point it started from, and how many passes it may take to get there.
constexpr double kReverseTolerance = 1e-10;
constexpr int kReversePasses = 50;
// A biquadratic grid's shift jumps a little where the 3 x 3 window moves on,
// halfway between nodes. A point whose forward image would fall inside such
// a jump has no exact opposite: the passes swing about the halfway line, and
// the iterate that came nearest is taken when its forward shift misses by no
// more than this (degrees, about a millimetre).
constexpr double kJumpTolerance = 1e-8;

bool Contains(const std::string& path, const char* part)
{
    return path.find(part) != std::string::npos;
}

// A lattice position held to [0, last]; not-a-number counts as 0.
double HoldToLattice(double position, int last)
{
    if (!(position >= 0))
        return 0;
    return position > last ? last : position;
}

// One array of a block's shifts, nodes row-major from the first row.
struct Lattice
{
    const std::vector<float>& values;
    int cols;

    double At(int row, int col) const
    {
        return static_cast<double>(values[static_cast<size_t>(row) * static_cast<size_t>(cols) +
                                          static_cast<size_t>(col)]);
    }
};

double Bilinear(const Lattice& v, int rows, double x, double y)
{
    const int i = static_cast<int>(x);
    const int j = static_cast<int>(y);
    const int i1 = i + 1 < v.cols ? i + 1 : i;
    const int j1 = j + 1 < rows ? j + 1 : j;
    const double fx = x - i;
    const double fy = y - j;
    // A node of the cell without a value spoils the result only when it
    // carries weight: a point on a row or column of nodes next to a hole keeps
    // its value.
    const double p = fx == 0 ? v.At(j, i) : v.At(j, i) + fx * (v.At(j, i1) - v.At(j, i));
    if (fy == 0)
        return p;
    const double q = fx == 0 ? v.At(j1, i) : v.At(j1, i) + fx * (v.At(j1, i1) - v.At(j1, i));
    return p + fy * (q - p);
}

// Whether the block covers the point, with its longitude as given or a turn
// east or west of it (NOAA's grids count longitudes 0 to 360 east); lon
// becomes the one covered.
bool CoversTurned(const CDatumSubGrid& g, double latitude, double& lon)
{
    if (g.Covers(latitude, lon))
        return true;
    for (const double turn : {360.0, -360.0})
        if (g.Covers(latitude, lon + turn))
        {
            lon += turn;
            return true;
        }
    return false;
}

} // namespace

int CDatumGrid::LoadFile(const std::string& path, std::string* why)
{
    std::string reason;
    int result = -1;
    if (Contains(path, ".gsb") || Contains(path, ".GSB"))
    {
        CDatumGridNTv2 reader(*this);
        result = reader.Read(path);
        reason = reader.Why();
    }
    else if (Contains(path, ".las") || Contains(path, ".LAS") || Contains(path, ".los") || Contains(path, ".LOS"))
    {
        CDatumGridNadcon reader(*this);
        result = reader.Read(path);
        reason = reader.Why();
    }
    // PROJ publishes national shift grids as GeoTIFF files of offsets in arc
    // seconds; they are read into NTv2 blocks.
    else if (Contains(path, ".tif") || Contains(path, ".TIF"))
    {
        SubGridList blocks;
        if (ReadGeoTiffShiftBlocks(path, blocks, reason) && !blocks.empty())
        {
            Replace(std::move(blocks), KIND_NTV2);
            result = 0;
        }
        else if (reason.empty())
            reason = "the file holds no grid";
        // A file that is not there is missing, not refused.
        else if (reason == "the file cannot be read")
            reason.clear();
    }
    else
        reason = "the name ends in none of .gsb, .las, .los or .tif";
    if (why != nullptr)
        *why = result == 0 ? std::string() : reason;
    return result;
}

void CDatumGrid::Replace(SubGridList blocks, Kind newKind)
{
    subGrids = std::move(blocks);
    count = static_cast<int>(subGrids.size());
    kind = newKind;
}

double CDatumGrid::Interpolate(const CDatumSubGrid& g, double latitude, double longitude,
                               ShiftArray which)
{
    if (!g.HasNodes())
        return 0;
    const std::vector<float>& v = which == LATITUDE_SHIFTS ? g.latitudeShifts : g.longitudeShifts;
    const double x = HoldToLattice(CDatumSubGrid::RoundPosition((longitude - g.lonMin) / g.lonInc),
                                   g.cols - 1);
    const double y = HoldToLattice(CDatumSubGrid::RoundPosition((latitude - g.south) / g.latInc),
                                   g.rows - 1);
    const Lattice lattice{v, g.cols};
    // A quadratic needs three nodes along each axis.
    if (g.interpolation == CDatumSubGrid::BIQUADRATIC && g.rows >= 3 && g.cols >= 3)
        return gridinterp::Biquadratic(x, y, g.cols, g.rows, false,
                                       [&lattice](int row, int col) { return lattice.At(row, col); });
    return Bilinear(lattice, g.rows, x, y);
}

bool CDatumGrid::FindShift(double longitude, double latitude, double& latitudeShift,
                           double& longitudeShift) const
{
    if (kind == KIND_NONE || subGrids.empty() || count <= 0)
        return false;
    // NTv2 counts longitudes west positive.
    const double given = kind == KIND_NTV2 ? -longitude : longitude;
    bool found = false;
    for (const auto& g : subGrids)
    {
        double lon = given;
        if (!g || !CoversTurned(*g, latitude, lon))
            continue;
        // Child blocks follow their parents, so the last covering one is the
        // densest.
        latitudeShift = Interpolate(*g, latitude, lon, LATITUDE_SHIFTS);
        longitudeShift = Interpolate(*g, latitude, lon, LONGITUDE_SHIFTS);
        found = true;
    }
    return found;
}

int CDatumGrid::ShiftForward(double& phi, double& lambda) const
{
    double dLat = 0, dLon = 0;
    if (!FindShift(lambda / kDegToRad, phi / kDegToRad, dLat, dLon))
        return SHIFT_OUTSIDE;
    if (!std::isfinite(dLat) || !std::isfinite(dLon))
        return SHIFT_NO_VALUE;
    lambda -= dLon / 3600 * kDegToRad;
    phi += dLat / 3600 * kDegToRad;
    return SHIFT_APPLIED;
}

int CDatumGrid::ShiftInverse(double& phi, double& lambda) const
{
    double dLat = 0, dLon = 0;
    if (!FindShift(lambda / kDegToRad, phi / kDegToRad, dLat, dLon))
        return SHIFT_OUTSIDE;
    if (!std::isfinite(dLat) || !std::isfinite(dLon))
        return SHIFT_NO_VALUE;
    lambda += dLon / 3600 * kDegToRad;
    phi -= dLat / 3600 * kDegToRad;
    return SHIFT_APPLIED;
}

int CDatumGrid::ShiftReverse(double& phi, double& lambda) const
{
    const double targetLat = phi / kDegToRad, targetLon = lambda / kDegToRad;
    double dLat = 0, dLon = 0;
    if (!FindShift(targetLon, targetLat, dLat, dLon))
        return SHIFT_OUTSIDE;
    if (!std::isfinite(dLat) || !std::isfinite(dLon))
        return SHIFT_NO_VALUE;
    // Forward: lat + dLat, lon - dLon (arc seconds). Start from the shift at
    // the target and correct by what the forward shift of the guess misses.
    double lat = targetLat - dLat / 3600, lon = targetLon + dLon / 3600;
    double nearestLat = lat, nearestLon = lon, nearestMiss = std::numeric_limits<double>::infinity();
    for (int pass = 0; pass < kReversePasses; ++pass)
    {
        if (!FindShift(lon, lat, dLat, dLon))
            return SHIFT_LEFT_GRID;
        if (!std::isfinite(dLat) || !std::isfinite(dLon))
            return SHIFT_NO_VALUE;
        const double missLat = targetLat - (lat + dLat / 3600);
        const double missLon = targetLon - (lon - dLon / 3600);
        const double miss = std::max(std::fabs(missLat), std::fabs(missLon));
        if (miss < nearestMiss)
            nearestLat = lat, nearestLon = lon, nearestMiss = miss;
        lat += missLat;
        lon += missLon;
        if (miss <= kReverseTolerance)
        {
            phi = lat * kDegToRad;
            lambda = lon * kDegToRad;
            return SHIFT_APPLIED;
        }
    }
    if (!(nearestMiss <= kJumpTolerance))
        return SHIFT_UNSETTLED;
    phi = nearestLat * kDegToRad;
    lambda = nearestLon * kDegToRad;
    return SHIFT_APPLIED;
}
