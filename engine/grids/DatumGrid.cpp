#include "DatumGrid.h"

#include <cmath>

#include "DatumGridNTv2.h"
#include "DatumGridNadcon.h"
#include "GridGeoTiff.h"
#include "MathConstants.h"

namespace {


// How close, in degrees, the forward shift of the reverse result must come
// to the point it started from, and how many passes it may take to get there.
constexpr double kReverseTolerance = 1e-10;
constexpr int kReversePasses = 50;

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

} // namespace

int CDatumGrid::LoadFile(const std::string& path)
{
    if (Contains(path, ".gsb") || Contains(path, ".GSB"))
        return CDatumGridNTv2(*this).Read(path);
    if (Contains(path, ".las") || Contains(path, ".LAS") || Contains(path, ".los") ||
        Contains(path, ".LOS"))
        return CDatumGridNadcon(*this).Read(path);
    // PROJ publishes national shift grids as GeoTIFF files of offsets in arc
    // seconds; they are read into NTv2 blocks.
    if (Contains(path, ".tif") || Contains(path, ".TIF"))
    {
        SubGridList blocks;
        std::string why;
        if (!ReadGeoTiffShiftBlocks(path, blocks, why) || blocks.empty())
            return -1;
        Replace(std::move(blocks), KIND_NTV2);
        return 0;
    }
    return -1;
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
    const int i = static_cast<int>(x);
    const int j = static_cast<int>(y);
    const int i1 = i + 1 < g.cols ? i + 1 : i;
    const int j1 = j + 1 < g.rows ? j + 1 : j;
    const double fx = x - i;
    const double fy = y - j;

    auto at = [&](int row, int col) {
        return static_cast<double>(v[static_cast<size_t>(row) * static_cast<size_t>(g.cols) +
                                     static_cast<size_t>(col)]);
    };
    // A node of the cell without a value spoils the result only when it
    // carries weight: a point on a row or column of nodes next to a hole keeps
    // its value.
    const double p = fx == 0 ? at(j, i) : at(j, i) + fx * (at(j, i1) - at(j, i));
    if (fy == 0)
        return p;
    const double q = fx == 0 ? at(j1, i) : at(j1, i) + fx * (at(j1, i1) - at(j1, i));
    return p + fy * (q - p);
}

bool CDatumGrid::FindShift(double longitude, double latitude, double& latitudeShift,
                           double& longitudeShift) const
{
    if (kind == KIND_NONE || subGrids.empty() || count <= 0)
        return false;
    // NTv2 counts longitudes west positive.
    const double lon = kind == KIND_NTV2 ? -longitude : longitude;
    bool found = false;
    for (const auto& g : subGrids)
    {
        if (!g || !g->Covers(latitude, lon))
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
        return 0;
    if (!std::isfinite(dLat) || !std::isfinite(dLon))
        return -1;
    lambda -= dLon / 3600 * kDegToRad;
    phi += dLat / 3600 * kDegToRad;
    return 1;
}

int CDatumGrid::ShiftInverse(double& phi, double& lambda) const
{
    double dLat = 0, dLon = 0;
    if (!FindShift(lambda / kDegToRad, phi / kDegToRad, dLat, dLon))
        return 0;
    if (!std::isfinite(dLat) || !std::isfinite(dLon))
        return -1;
    lambda += dLon / 3600 * kDegToRad;
    phi -= dLat / 3600 * kDegToRad;
    return 1;
}

int CDatumGrid::ShiftReverse(double& phi, double& lambda) const
{
    const double targetLat = phi / kDegToRad, targetLon = lambda / kDegToRad;
    double dLat = 0, dLon = 0;
    if (!FindShift(targetLon, targetLat, dLat, dLon))
        return 0;
    if (!std::isfinite(dLat) || !std::isfinite(dLon))
        return -1;
    // Forward: lat + dLat, lon - dLon (arc seconds). Start from the shift at
    // the target and correct by what the forward shift of the guess misses.
    double lat = targetLat - dLat / 3600, lon = targetLon + dLon / 3600;
    for (int pass = 0; pass < kReversePasses; ++pass)
    {
        if (!FindShift(lon, lat, dLat, dLon) || !std::isfinite(dLat) || !std::isfinite(dLon))
            return -1;
        const double missLat = targetLat - (lat + dLat / 3600);
        const double missLon = targetLon - (lon - dLon / 3600);
        lat += missLat;
        lon += missLon;
        if (std::fabs(missLat) <= kReverseTolerance && std::fabs(missLon) <= kReverseTolerance)
        {
            phi = lat * kDegToRad;
            lambda = lon * kDegToRad;
            return 1;
        }
    }
    return -1;
}
