// The transverse Mercator class alone, forward and inverse, over UTM zone 31N
// points inside the zone (the stream's case) and out to 30 degrees from it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "CfgMapProjection.h"
#include "Projection.h"
#include "ProjectionFactory.h"

namespace {

struct Point
{
    double a, b;
};

CCfgMapProjection Utm31()
{
    CCfgMapProjection r;
    r.projectionId = kTransverseMercator;
    r.longitudeOrigin = 3;
    r.scaleFactor = 0.9996;
    r.falseEasting = 500000;
    return r;
}

// Latitude and longitude in radians, spread at random over 40..60 N and the
// given longitudes.
std::vector<Point> Geographic(double lonMin, double lonMax)
{
    std::vector<Point> points;
    uint64_t state = 7;
    auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    for (int k = 0; k < 4096; ++k)
        points.push_back({(40 + 20 * next()) * kDegToRad, (lonMin + (lonMax - lonMin) * next()) * kDegToRad});
    return points;
}

void Forward(benchmark::State& state, double lonMin, double lonMax)
{
    auto p = CreateProjection(Utm31());
    const std::vector<Point> points = Geographic(lonMin, lonMax);
    for (auto _ : state)
        for (const Point& pt : points)
        {
            p->phi = pt.a;
            p->lambda = pt.b;
            p->Forward();
            benchmark::DoNotOptimize(p->x);
            benchmark::DoNotOptimize(p->y);
        }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(points.size()));
}

void Inverse(benchmark::State& state, double lonMin, double lonMax)
{
    auto p = CreateProjection(Utm31());
    std::vector<Point> grid;
    for (const Point& pt : Geographic(lonMin, lonMax))
    {
        p->phi = pt.a;
        p->lambda = pt.b;
        p->Forward();
        grid.push_back({p->x, p->y});
    }
    for (auto _ : state)
        for (const Point& xy : grid)
        {
            p->x = xy.a;
            p->y = xy.b;
            p->Inverse();
            benchmark::DoNotOptimize(p->phi);
            benchmark::DoNotOptimize(p->lambda);
        }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(grid.size()));
}

} // namespace

BENCHMARK_CAPTURE(Forward, InsideTheZone, 0.0, 6.0);
BENCHMARK_CAPTURE(Forward, ThirtyDegreesOut, -27.0, 33.0);
BENCHMARK_CAPTURE(Inverse, InsideTheZone, 0.0, 6.0);
BENCHMARK_CAPTURE(Inverse, ThirtyDegreesOut, -27.0, 33.0);
