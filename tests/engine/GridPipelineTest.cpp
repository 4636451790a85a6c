#include <gtest/gtest.h>

#include <cmath>

#include "DatumGrid.h"
#include "GridTestFiles.h"
#include "Projections.h"

// The engine's datum legs with a shift grid: which direction each method
// applies, and a failed load keeping the grid in use.

namespace {

constexpr double kDeg = 0.017453292519943295;

CCfgMapProjection GridDatum(int method, const std::string& file, int datumId = 4267)
{
    CCfgMapProjection r;
    r.semiMajorAxis = 6378206.4;
    r.inverseFlattening = 294.978698213898;
    r.datumId = datumId;
    r.method = method;
    r.gridFile = file;
    return r;
}

struct Expected
{
    double lat, lon;
};

Expected Reference(const std::string& file, bool forward, double lat, double lon)
{
    CDatumGrid grid;
    EXPECT_EQ(grid.LoadFile(file), 0);
    double phi = lat * kDeg, lambda = lon * kDeg;
    // The way back is the exact reverse of the forward shift.
    EXPECT_EQ(forward ? grid.ShiftForward(phi, lambda) : grid.ShiftReverse(phi, lambda), 1);
    return {phi / kDeg, lambda / kDeg};
}

void Convert(CProjections& engine, double lat, double lon)
{
    engine.latitude = lat;
    engine.longitude = lon;
    engine.height = 0;
    engine.Transform();
}

class GridPipeline : public ::testing::Test
{
protected:
    void SetUp() override
    {
        gridtest::NadconGrid g;
        g.latShift = [](int r, int c) { return 0.25f + 0.5f * r - 0.125f * c; };
        g.lonShift = [](int r, int c) { return 1.5f - 0.25f * r + 0.0625f * c * r; };
        g.Write(tmp.File("conus.las"), tmp.File("conus.los"));

        gridtest::Ntv2Block b;
        b.sLat = 30 * 3600.0;
        b.eLong = 94 * 3600.0;
        b.rows = 3;
        b.cols = 8;
        b.latShift = [](int r, int c) { return -0.75f + 0.25f * r + 0.125f * c; };
        b.lonShift = [](int r, int c) { return 2.0f - 0.5f * c + 0.25f * r; };
        gridtest::WriteBytes(tmp.File("region.gsb"), gridtest::Ntv2Writer().Bytes({b}));
    }

    gridtest::TempFolder tmp;
    const double lat = 30.55, lon = -98.3;
};

} // namespace

TEST_F(GridPipeline, SourceLegDirectionByMethod)
{
    const struct { int method; const char* file; bool forward; } cases[] = {
        {METHOD_NADCON, "conus.las", true}, {METHOD_HARN, "conus.los", false}, {METHOD_NTV2, "region.gsb", true},
        {METHOD_HARN, "region.gsb", false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.file);
        CProjections engine;
        engine.SetSource(GridDatum(c.method, tmp.File(c.file)));
        engine.SetDestination(CCfgMapProjection());
        Convert(engine, lat, lon);
        const Expected e = Reference(tmp.File(c.file), c.forward, lat, lon);
        EXPECT_NEAR(engine.latitude, e.lat, 1e-9);
        EXPECT_NEAR(engine.longitude, e.lon, 1e-9);
        EXPECT_GT(std::fabs(engine.latitude - lat), 1e-5);
    }
}

TEST_F(GridPipeline, DestinationLegDirectionByMethod)
{
    const struct { int method; bool forward; } cases[] = {
        {METHOD_NADCON, false}, {METHOD_HARN, true}, {METHOD_NTV2, false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.method);
        CProjections engine;
        engine.SetSource(CCfgMapProjection());
        engine.SetDestination(GridDatum(c.method, tmp.File("conus.las")));
        Convert(engine, lat, lon);
        const Expected e = Reference(tmp.File("conus.las"), c.forward, lat, lon);
        EXPECT_NEAR(engine.latitude, e.lat, 1e-9);
        EXPECT_NEAR(engine.longitude, e.lon, 1e-9);
    }
}

TEST_F(GridPipeline, FailedLoadRefusesTheDatumRatherThanShiftWithAnotherGrid)
{
    CProjections engine;
    engine.SetSource(GridDatum(METHOD_NADCON, tmp.File("conus.las")));
    engine.SetDestination(CCfgMapProjection());
    ASSERT_EQ(engine.DatumGrid().kind, CDatumGrid::KIND_NADCON);
    EXPECT_EQ(engine.UnusableGridFile(), "");

    // Another datum whose file is missing: the pair loaded before must not
    // shift its points, and no point is converted.
    engine.SetSource(GridDatum(METHOD_NADCON, tmp.File("missing.las"), 4269));
    EXPECT_EQ(engine.UnusableGridFile(), tmp.File("missing.las"));
    Convert(engine, lat, lon);
    EXPECT_NE(engine.Failure().find("missing.las"), std::string::npos) << engine.Failure();
    EXPECT_EQ(engine.latitude, lat);
    EXPECT_EQ(engine.longitude, lon);

    // Back on the readable pair, a point outside it is refused, named.
    engine.SetSource(GridDatum(METHOD_NADCON, tmp.File("conus.las")));
    Convert(engine, 45, -98.3);
    EXPECT_NE(engine.Failure().find("-98.3"), std::string::npos) << engine.Failure();
    EXPECT_NE(engine.Failure().find("conus.las"), std::string::npos) << engine.Failure();
    EXPECT_EQ(engine.latitude, 45);
    EXPECT_EQ(engine.longitude, -98.3);
}

TEST_F(GridPipeline, GridShiftsKeepTheHeightUnlessTheOtherLegMovesThePoint)
{
    // The other side on GRS80, whose ellipsoid is not the pivot's: a leg
    // that moves nothing must not change the height by passing through it.
    auto grs80 = [](int method, double dx, double ppm) {
        CCfgMapProjection r;
        r.semiMajorAxis = 6378137;
        r.inverseFlattening = 298.257222101;
        r.datumId = 6258;
        r.method = method;
        r.deltaX = dx;
        r.scalePpm = ppm;
        return r;
    };
    const struct
    {
        const char* name;
        CCfgMapProjection other;
        bool gridIsSource;
        bool kept;
    } cases[] = {
        {"no method", grs80(METHOD_NONE, 0, 0), true, true},
        {"zero Molodensky", grs80(METHOD_MOLODENSKY, 0, 0), true, true},
        {"zero Bursa-Wolf", grs80(METHOD_BURSA_WOLF, 0, 0), true, true},
        {"zero Molodensky, grid on the destination", grs80(METHOD_MOLODENSKY, 0, 0), false, true},
        {"another grid", GridDatum(METHOD_NADCON, tmp.File("conus.las"), 4269), true, true},
        {"Molodensky shift", grs80(METHOD_MOLODENSKY, 120, 0), true, false},
        {"Bursa-Wolf scale", grs80(METHOD_BURSA_WOLF, 0, 5), false, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CProjections engine;
        const CCfgMapProjection grid = GridDatum(METHOD_NTV2, tmp.File("region.gsb"));
        engine.SetSource(c.gridIsSource ? grid : c.other);
        engine.SetDestination(c.gridIsSource ? c.other : grid);
        engine.latitude = lat;
        engine.longitude = lon;
        engine.height = 100;
        engine.Transform();
        ASSERT_EQ(engine.Failure(), "");
        EXPECT_GT(std::fabs(engine.latitude - lat), 1e-5);
        if (c.kept)
            EXPECT_EQ(engine.height, 100);
        else
            EXPECT_GT(std::fabs(engine.height - 100), 1e-3);
    }
}
