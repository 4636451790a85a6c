#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "DatumGrid.h"
#include "DatumGridNadcon.h"
#include "GridTestFiles.h"

using gridtest::NadconGrid;

namespace {

constexpr double kDeg = 0.017453292519943295;

// Latitude and longitude shifts that differ from each other and vary along
// both axes, so a swapped file, row or column shows.
NadconGrid Varying()
{
    NadconGrid g;
    g.latShift = [](int r, int c) { return 0.5f + 0.125f * r + 0.015625f * c; };
    g.lonShift = [](int r, int c) { return -1.0f - 0.25f * r + 0.03125f * c; };
    return g;
}

void PutWord(std::string& bytes, size_t at, uint32_t w)
{
    for (int k = 0; k < 4; ++k)
        bytes[at + k] = static_cast<char>(w >> (8 * k));
}

void PutFloat(std::string& bytes, size_t at, float v)
{
    uint32_t w;
    std::memcpy(&w, &v, 4);
    PutWord(bytes, at, w);
}

} // namespace

TEST(GridNadcon, PairNames)
{
    EXPECT_EQ(CDatumGridNadcon::LatitudeFileName("/d/conus.las"), "/d/conus.las");
    EXPECT_EQ(CDatumGridNadcon::LongitudeFileName("/d/conus.las"), "/d/conus.los");
    EXPECT_EQ(CDatumGridNadcon::LatitudeFileName("/d/conus.los"), "/d/conus.las");
    EXPECT_EQ(CDatumGridNadcon::LongitudeFileName("/d/conus.los"), "/d/conus.los");
    EXPECT_EQ(CDatumGridNadcon::LatitudeFileName("/d/HAWAII.LOS"), "/d/HAWAII.LAS");
    EXPECT_EQ(CDatumGridNadcon::LongitudeFileName("/d/HAWAII.LAS"), "/d/HAWAII.LOS");
    EXPECT_EQ(CDatumGridNadcon::LongitudeFileName("/d/conus"), "/d/conus");
}

TEST(GridNadcon, EitherNameOfThePairReadsBothFiles)
{
    gridtest::TempFolder tmp;
    const NadconGrid g = Varying();
    g.Write(tmp.File("conus.las"), tmp.File("conus.los"));
    g.Write(tmp.File("WEST.LAS"), tmp.File("WEST.LOS"));

    for (const char* name : {"conus.las", "conus.los", "WEST.LAS", "WEST.LOS"})
    {
        SCOPED_TRACE(name);
        CDatumGrid grid;
        ASSERT_EQ(grid.LoadFile(tmp.File(name)), 0);
        EXPECT_EQ(grid.kind, CDatumGrid::KIND_NADCON);
        ASSERT_EQ(grid.Count(), 1);
        const CDatumSubGrid& s = *grid.SubGrids()[0];
        EXPECT_EQ(s.cols, g.nc);
        EXPECT_EQ(s.rows, g.nr);
        EXPECT_DOUBLE_EQ(s.lonMax, g.xMin + (g.nc - 1) * g.dx);
        EXPECT_DOUBLE_EQ(s.north, g.yMin + (g.nr - 1) * g.dy);

        double dLat = 0, dLon = 0;
        ASSERT_TRUE(grid.FindShift(g.xMin + 3 * g.dx, g.yMin + 2 * g.dy, dLat, dLon));
        EXPECT_EQ(dLat, g.latShift(2, 3));
        EXPECT_EQ(dLon, g.lonShift(2, 3));
        // Bilinear interpolation reproduces a field that is linear in both axes.
        ASSERT_TRUE(grid.FindShift(g.xMin + 7.3 * g.dx, g.yMin + 1.6 * g.dy, dLat, dLon));
        EXPECT_NEAR(dLat, 0.5 + 0.125 * 1.6 + 0.015625 * 7.3, 1e-12);
        EXPECT_NEAR(dLon, -1.0 - 0.25 * 1.6 + 0.03125 * 7.3, 1e-12);
    }
}

TEST(GridNadcon, LastRowAndColumnAndJustOutside)
{
    gridtest::TempFolder tmp;
    NadconGrid g = Varying();
    // Rows that do not continue the linear trend: a read past the last row
    // would show in the result.
    g.latShift = [](int r, int c) { return r == 4 ? 100.0f + c : static_cast<float>(r); };
    g.Write(tmp.File("g.las"), tmp.File("g.los"));
    CDatumGrid grid;
    ASSERT_EQ(grid.LoadFile(tmp.File("g.las")), 0);
    const double north = g.yMin + (g.nr - 1) * g.dy;
    const double east = g.xMin + (g.nc - 1) * g.dx;

    double dLat = 0, dLon = 0;
    ASSERT_TRUE(grid.FindShift(g.xMin + 5.5 * g.dx, north, dLat, dLon));
    EXPECT_DOUBLE_EQ(dLat, 105.5);
    ASSERT_TRUE(grid.FindShift(east, g.yMin + 2.5 * g.dy, dLat, dLon));
    EXPECT_DOUBLE_EQ(dLat, 2.5);
    EXPECT_DOUBLE_EQ(dLon, (g.lonShift(2, g.nc - 1) + g.lonShift(3, g.nc - 1)) / 2.0);
    ASSERT_TRUE(grid.FindShift(east, north, dLat, dLon));
    EXPECT_EQ(dLat, g.latShift(g.nr - 1, g.nc - 1));

    using Point = std::pair<double, double>;
    const double inLon = g.xMin + g.dx, inLat = g.yMin + g.dy;
    for (const auto& [lon, lat] : {Point{east + 0.1 * g.dx, inLat}, Point{inLon, north + 0.1 * g.dy},
                                   Point{g.xMin - 0.1 * g.dx, inLat}, Point{inLon, g.yMin - 0.1 * g.dy}})
    {
        EXPECT_FALSE(grid.FindShift(lon, lat, dLat, dLon));
        double phi = lat * kDeg, lambda = lon * kDeg;
        EXPECT_EQ(grid.ShiftForward(phi, lambda), 0);
        EXPECT_EQ(phi, lat * kDeg);
        EXPECT_EQ(lambda, lon * kDeg);
    }
}

TEST(GridNadcon, InverseTakesTheShiftAtTheGivenPoint)
{
    gridtest::TempFolder tmp;
    NadconGrid g = Varying();
    // Large enough that the moved point lands in another part of the cell.
    g.latShift = [](int r, int c) { return 30.0f * r + 20.0f * c; };
    g.lonShift = [](int r, int c) { return -40.0f * r * c; };
    g.Write(tmp.File("v.las"), tmp.File("v.los"));
    CDatumGrid grid;
    ASSERT_EQ(grid.LoadFile(tmp.File("v.los")), 0);

    const double lat0 = 30.6, lon0 = -99.1;
    double phi = lat0 * kDeg, lambda = lon0 * kDeg;
    double dLat0, dLon0, dLat1, dLon1;
    ASSERT_TRUE(grid.FindShift(lon0, lat0, dLat0, dLon0));
    ASSERT_EQ(grid.ShiftForward(phi, lambda), 1);
    EXPECT_NEAR(phi / kDeg, lat0 + dLat0 / 3600, 1e-12);
    EXPECT_NEAR(lambda / kDeg, lon0 - dLon0 / 3600, 1e-12);
    ASSERT_TRUE(grid.FindShift(lambda / kDeg, phi / kDeg, dLat1, dLon1));
    ASSERT_EQ(grid.ShiftInverse(phi, lambda), 1);
    // Back by the shift found at the moved point, not by the one applied.
    EXPECT_NEAR(phi / kDeg - lat0, (dLat0 - dLat1) / 3600, 1e-12);
    EXPECT_NEAR(lambda / kDeg - lon0, (dLon1 - dLon0) / 3600, 1e-12);
    EXPECT_GT(std::fabs(phi / kDeg - lat0), 1e-6);
}

TEST(GridNadcon, DamagedPairsAreRejectedAndTheGridKept)
{
    gridtest::TempFolder tmp;
    const NadconGrid g = Varying();
    const std::string las = g.FileBytes(true), los = g.FileBytes(false);
    const float nan = std::numeric_limits<float>::quiet_NaN();

    struct Pair
    {
        std::string name, las, los;
    };
    std::vector<Pair> bad;
    auto variant = [&](const std::string& name, auto change) {
        Pair p{name, las, los};
        change(p);
        bad.push_back(p);
    };
    variant("nc0", [](Pair& p) { PutWord(p.las, 64, 0); });
    variant("nr_negative", [](Pair& p) { PutWord(p.las, 68, static_cast<uint32_t>(-3)); });
    variant("nr_huge", [](Pair& p) { PutWord(p.las, 68, 0x7fffffff); PutWord(p.los, 68, 0x7fffffff); });
    variant("nc_huge", [](Pair& p) { PutWord(p.las, 64, 0x7fffffff); PutWord(p.los, 64, 0x7fffffff); });
    variant("las_short", [](Pair& p) { p.las.pop_back(); });
    variant("los_short", [](Pair& p) { p.los.pop_back(); });
    variant("header_only", [](Pair& p) { p.las.resize(60); });
    variant("los_other_size", [](Pair& p) { PutWord(p.los, 68, 4); });
    variant("dx0", [](Pair& p) { PutFloat(p.las, 80, 0); });
    variant("dy_negative", [](Pair& p) { PutFloat(p.las, 88, -0.25f); });
    variant("xmin_nan", [nan](Pair& p) { PutFloat(p.las, 76, nan); });

    NadconGrid keptGrid;
    keptGrid.latShift = [](int, int) { return 9.0f; };
    keptGrid.Write(tmp.File("kept.las"), tmp.File("kept.los"));
    CDatumGrid grid;
    ASSERT_EQ(grid.LoadFile(tmp.File("kept.las")), 0);
    const CDatumSubGrid* before = grid.SubGrids()[0].get();
    auto unchanged = [&] {
        EXPECT_EQ(grid.kind, CDatumGrid::KIND_NADCON);
        ASSERT_EQ(grid.Count(), 1);
        EXPECT_EQ(grid.SubGrids()[0].get(), before);
        double dLat = 0, dLon = 0;
        ASSERT_TRUE(grid.FindShift(-99, 30.5, dLat, dLon));
        EXPECT_EQ(dLat, 9.0);
    };

    for (const Pair& p : bad)
    {
        SCOPED_TRACE(p.name);
        gridtest::WriteBytes(tmp.File(p.name + ".las"), p.las);
        gridtest::WriteBytes(tmp.File(p.name + ".los"), p.los);
        CDatumGrid fresh;
        std::string why;
        EXPECT_EQ(fresh.LoadFile(tmp.File(p.name + ".las"), &why), -1);
        EXPECT_NE(why, "") << "a damaged pair says why";
        EXPECT_EQ(fresh.kind, CDatumGrid::KIND_NONE);
        EXPECT_EQ(grid.LoadFile(tmp.File(p.name + ".los")), -1);
        unchanged();
    }

    // One file of the pair missing, either way round.
    gridtest::WriteBytes(tmp.File("lonely.las"), las);
    gridtest::WriteBytes(tmp.File("alone.los"), los);
    EXPECT_EQ(grid.LoadFile(tmp.File("lonely.las")), -1);
    unchanged();
    EXPECT_EQ(grid.LoadFile(tmp.File("alone.los")), -1);
    unchanged();
    // No extension: not read, even though conus.las exists beside it.
    g.Write(tmp.File("conus.las"), tmp.File("conus.los"));
    EXPECT_EQ(grid.LoadFile(tmp.File("conus")), -1);
    unchanged();
    // A good pair then replaces the grid.
    EXPECT_EQ(grid.LoadFile(tmp.File("conus.las")), 0);
    EXPECT_NE(grid.SubGrids()[0].get(), before);
}
