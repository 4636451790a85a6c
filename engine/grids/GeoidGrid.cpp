#include "GeoidGrid.h"

#include <algorithm>
#include <cmath>

#include "GeoidGridGtx.h"
#include "GridBiquadratic.h"
#include "GridGeoTiff.h"

namespace {

// How far, in lattice steps, a point may lie beyond an edge node and still
// count as on it: what the decimal degrees of a header lose in binary.
constexpr double kEdgeTolerance = 1e-9;

bool EndsWith(const std::string& path, const char* lower)
{
    const std::string tail(lower);
    if (path.size() < tail.size())
        return false;
    for (size_t k = 0; k < tail.size(); ++k)
    {
        const char c = path[path.size() - tail.size() + k];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != tail[k])
            return false;
    }
    return true;
}

} // namespace

int CGeoidGrid::LoadFile(const std::string& path, std::string* why)
{
    if (EndsWith(path, ".gtx"))
        return CGeoidGridGtx(*this).Read(path);
    if (EndsWith(path, ".tif") || EndsWith(path, ".tiff"))
    {
        std::vector<Image> read;
        std::string reason;
        const bool done = ReadGeoTiffGeoidImages(path, read, reason) && Replace(std::move(read));
        if (why != nullptr)
            *why = done ? std::string() : reason;
        return done ? 0 : -1;
    }
    return -1;
}

bool CGeoidGrid::Usable(const Image& g)
{
    return g.cols > 0 && g.rows > 0 && g.lonInc > 0 && g.latInc > 0 && std::isfinite(g.west) &&
           std::isfinite(g.south) && std::isfinite(g.East()) && std::isfinite(g.North()) &&
           g.values.size() == static_cast<size_t>(g.cols) * static_cast<size_t>(g.rows) &&
           (g.interpolation == BILINEAR || (g.interpolation == BIQUADRATIC && g.cols >= 3 && g.rows >= 3));
}

bool CGeoidGrid::Replace(std::vector<Image> read)
{
    if (read.empty())
        return false;
    for (const Image& image : read)
        if (!Usable(image))
            return false;
    images = std::move(read);
    return true;
}

bool CGeoidGrid::Position(const Image& g, double longitude, double latitude, double& x, double& y)
{
    y = (latitude - g.south) / g.latInc;
    if (!(y >= -kEdgeTolerance && y <= g.rows - 1 + kEdgeTolerance))
        return false;
    if (g.WrapsLongitude())
    {
        double turn = longitude - g.west;
        if (turn < 0 || turn >= 360)
            turn -= 360 * std::floor(turn / 360);
        x = (turn < 360 ? turn : 0) / g.lonInc;
        return std::isfinite(x);
    }
    // A regional grid may count longitudes from 0 to 360 or from -180 to 180.
    for (const double shift : {0.0, 360.0, -360.0})
    {
        x = (longitude + shift - g.west) / g.lonInc;
        if (x >= -kEdgeTolerance && x <= g.cols - 1 + kEdgeTolerance)
            return true;
    }
    return false;
}

// The four nodes around the point weighted as vgridshift weighs them, or the
// 3 x 3 nearest ones where the image is biquadratic.
CGeoidGrid::Lookup CGeoidGrid::Interpolate(const Image& g, double x, double y, double& n)
{
    if (g.interpolation == BIQUADRATIC)
        return InterpolateBiquadratic(g, x, y, n);
    // Positions are at least 0 here; the conversion truncates as floor does.
    x = x < 0 ? 0 : x;
    y = y < 0 ? 0 : y;
    int ix = static_cast<int>(x);
    int iy = static_cast<int>(y);
    ix = ix > g.cols - 1 ? g.cols - 1 : ix;
    iy = iy > g.rows - 1 ? g.rows - 1 : iy;
    const double fx = x - ix;
    const double fy = y - iy;
    int ix2 = ix + 1;
    if (ix2 >= g.cols)
        ix2 = g.WrapsLongitude() ? 0 : g.cols - 1;
    const int iy2 = iy + 1 < g.rows ? iy + 1 : g.rows - 1;

    const float* row = g.values.data() + static_cast<size_t>(iy) * static_cast<size_t>(g.cols);
    const float* above = g.values.data() + static_cast<size_t>(iy2) * static_cast<size_t>(g.cols);
    const double weights[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
    const double nodes[4] = {row[ix], row[ix2], above[ix], above[ix2]};
    const double sum = nodes[0] * weights[0] + nodes[1] * weights[1] + nodes[2] * weights[2] + nodes[3] * weights[3];
    if (!std::isnan(sum))
    {
        n = sum;
        return LOOKUP_DONE;
    }
    // A node without a value that takes part with no weight (the point on a
    // row or column of nodes) does not count.
    double kept = 0;
    for (int k = 0; k < 4; ++k)
    {
        if (weights[k] == 0)
            continue;
        if (std::isnan(nodes[k]))
            return LOOKUP_NO_DATA;
        kept += nodes[k] * weights[k];
    }
    n = kept;
    return LOOKUP_DONE;
}

// The window is held inside the image at its first and last rows, and at its
// first and last columns unless they go round the globe: then it takes the
// nodes across the seam, counted once a turn (a last column that repeats the
// first is not taken twice).
CGeoidGrid::Lookup CGeoidGrid::InterpolateBiquadratic(const Image& g, double x, double y, double& n)
{
    const bool wraps = g.WrapsLongitude();
    const long turn = wraps ? std::clamp(std::lround(360 / g.lonInc), 3L, static_cast<long>(g.cols)) : g.cols;
    x = wraps ? x : std::clamp(x, 0.0, g.cols - 1.0);
    y = std::clamp(y, 0.0, g.rows - 1.0);
    const double value = gridinterp::Biquadratic(x, y, g.cols, g.rows, wraps, [&g, turn](int row, int col) {
        const long c = ((col % turn) + turn) % turn;
        return g.At(row, static_cast<int>(c));
    });
    if (std::isnan(value))
        return LOOKUP_NO_DATA;
    n = value;
    return LOOKUP_DONE;
}

CGeoidGrid::Lookup CGeoidGrid::Height(double longitude, double latitude, double& n) const
{
    if (!std::isfinite(longitude) || !std::isfinite(latitude))
        return LOOKUP_OUTSIDE;
    const Image* best = nullptr;
    double bestX = 0, bestY = 0;
    for (const Image& image : images)
    {
        double x, y;
        if (!Position(image, longitude, latitude, x, y))
            continue;
        // Finer images refine coarser ones they lie in.
        if (best == nullptr || image.lonInc * image.latInc < best->lonInc * best->latInc)
        {
            best = &image;
            bestX = x;
            bestY = y;
        }
    }
    if (best == nullptr)
        return LOOKUP_OUTSIDE;
    return Interpolate(*best, bestX, bestY, n);
}

void CGeoidGrid::Prefetch(double longitude, double latitude) const
{
    for (const Image& image : images)
    {
        double x, y;
        if (!Position(image, longitude, latitude, x, y))
            continue;
        const auto col = static_cast<size_t>(std::clamp(x, 0.0, image.cols - 1.0));
        const auto row = static_cast<size_t>(std::clamp(y, 0.0, image.rows - 1.0));
        const float* below = image.values.data() + row * static_cast<size_t>(image.cols) + col;
        __builtin_prefetch(below);
        if (row + 1 < static_cast<size_t>(image.rows))
            __builtin_prefetch(below + image.cols);
        if (image.interpolation == BIQUADRATIC && row > 0)
            __builtin_prefetch(below - image.cols);
    }
}
