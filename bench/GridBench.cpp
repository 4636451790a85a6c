// Loading a real NTv2 file and looking points up in it. CHENYX06.gsb (Swiss
// LV03 to LV95, 661 x 313 nodes, 3.3 MB) comes with Debian's proj-data.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "DatumGrid.h"

namespace {

const char* const kGrid = "/usr/share/proj/CHENYX06.gsb";
constexpr double kDeg = 0.017453292519943295;

struct Point
{
    double lon, lat;
};

// Points spread evenly at random over the grid, east-positive longitudes.
std::vector<Point> PointsIn(const CDatumGrid& grid, size_t count)
{
    const CDatumSubGrid& s = *grid.SubGrids()[0];
    std::vector<Point> points;
    uint64_t state = 12345;
    auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    for (size_t k = 0; k < count; ++k)
        points.push_back({-(s.lonMin + next() * (s.lonMax - s.lonMin)), s.south + next() * (s.north - s.south)});
    return points;
}

void LoadChenyx06(benchmark::State& state)
{
    const auto bytes = std::filesystem::exists(kGrid) ? std::filesystem::file_size(kGrid) : 0;
    for (auto _ : state)
    {
        CDatumGrid grid;
        if (grid.LoadFile(kGrid) != 0)
        {
            state.SkipWithError("CHENYX06.gsb missing or unreadable: install proj-data");
            break;
        }
        benchmark::DoNotOptimize(grid.Count());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(LoadChenyx06)->Unit(benchmark::kMillisecond);

void ShiftForwardChenyx06(benchmark::State& state)
{
    CDatumGrid grid;
    if (grid.LoadFile(kGrid) != 0)
    {
        state.SkipWithError("CHENYX06.gsb missing or unreadable: install proj-data");
        return;
    }
    const std::vector<Point> points = PointsIn(grid, 4096);
    size_t k = 0;
    for (auto _ : state)
    {
        const Point& p = points[k++ & 4095];
        double phi = p.lat * kDeg, lambda = p.lon * kDeg;
        benchmark::DoNotOptimize(grid.ShiftForward(phi, lambda));
        benchmark::DoNotOptimize(phi);
        benchmark::DoNotOptimize(lambda);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(ShiftForwardChenyx06);

// A lookup visits every block: the cost of a file with many children (as
// Canadian and Australian grids have), all points in the parent only.
void FindShiftManyBlocks(benchmark::State& state)
{
    const int children = static_cast<int>(state.range(0));
    CDatumGrid::SubGridList blocks;
    for (int b = 0; b <= children; ++b)
    {
        auto s = std::make_unique<CDatumSubGrid>();
        s->rows = s->cols = b == 0 ? 201 : 11;
        s->latInc = s->lonInc = b == 0 ? 0.05 : 0.01;
        s->south = b == 0 ? 40 : 40 + 0.1 * b;
        s->lonMin = b == 0 ? 60 : 60 + 0.1 * b;
        s->north = s->south + (s->rows - 1) * s->latInc;
        s->lonMax = s->lonMin + (s->cols - 1) * s->lonInc;
        s->Allocate(s->rows * s->cols);
        for (int n = 0; n < s->rows * s->cols; ++n)
            s->StoreNode(0.001f * n, -0.002f * n);
        blocks.push_back(std::move(s));
    }
    CDatumGrid grid;
    grid.Replace(std::move(blocks), CDatumGrid::KIND_NTV2);
    const std::vector<Point> points = PointsIn(grid, 4096);
    size_t k = 0;
    double dLat = 0, dLon = 0;
    for (auto _ : state)
    {
        const Point& p = points[k++ & 4095];
        benchmark::DoNotOptimize(grid.FindShift(p.lon, p.lat, dLat, dLon));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(FindShiftManyBlocks)->Arg(0)->Arg(10)->Arg(100);

} // namespace
