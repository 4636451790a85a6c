#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "DatumGrid.h"
#include "GridTestFiles.h"

using gridtest::Ntv2Block;
using gridtest::Ntv2Writer;

namespace {

constexpr double kDeg = 0.017453292519943295;

// 40..60 N, 60..80 W at 1 degree; shifts vary by row and column so that a
// misplaced node shows.
Ntv2Block RegionBlock()
{
    Ntv2Block b;
    b.sLat = 40 * 3600.0;
    b.eLong = 60 * 3600.0;
    b.latInc = b.longInc = 3600;
    b.rows = b.cols = 21;
    b.latShift = [](int r, int c) { return 0.25f * r + 0.0625f * c; };
    b.lonShift = [](int r, int c) { return -1.0f - 0.125f * r + 0.5f * c; };
    return b;
}

bool Shift(const CDatumGrid& g, double lon, double lat, double& dLat, double& dLon)
{
    return g.FindShift(lon, lat, dLat, dLon);
}

void PutInt(std::string& bytes, size_t at, int32_t v)
{
    for (int k = 0; k < 4; ++k)
        bytes[at + k] = static_cast<char>(static_cast<uint32_t>(v) >> (8 * k));
}

void PutDouble(std::string& bytes, size_t at, double v)
{
    uint64_t w;
    std::memcpy(&w, &v, 8);
    for (int k = 0; k < 8; ++k)
        bytes[at + k] = static_cast<char>(w >> (8 * k));
}

void Relabel(std::string& bytes, const std::string& from, const std::string& to)
{
    const size_t at = Ntv2Writer::ValueOffset(bytes, from);
    ASSERT_NE(at, std::string::npos) << from;
    std::string label = to;
    label.resize(8, ' ');
    bytes.replace(at - 8, 8, label);
}

} // namespace

TEST(GridNTv2, LatticeAndWestPositiveLongitudes)
{
    gridtest::TempFolder tmp;
    Ntv2Block b = RegionBlock();
    b.latInc = b.longInc = 300;
    b.rows = b.cols = 241;
    gridtest::WriteBytes(tmp.File("region.gsb"), Ntv2Writer().Bytes({b}));

    CDatumGrid grid;
    ASSERT_EQ(grid.LoadFile(tmp.File("region.gsb")), 0);
    EXPECT_EQ(grid.kind, CDatumGrid::KIND_NTV2);
    ASSERT_EQ(grid.Count(), 1);
    const CDatumSubGrid& s = *grid.SubGrids()[0];
    EXPECT_EQ(s.rows, 241);
    EXPECT_EQ(s.cols, 241);
    EXPECT_EQ(s.nodeCount, 241 * 241);
    EXPECT_DOUBLE_EQ(s.south, 40);
    EXPECT_DOUBLE_EQ(s.north, 60);
    EXPECT_DOUBLE_EQ(s.lonMin, 60);
    EXPECT_DOUBLE_EQ(s.lonMax, 80);

    // 50 N 70 W is node (120, 120); the same longitude east is outside.
    double dLat = 0, dLon = 0;
    ASSERT_TRUE(Shift(grid, -70, 50, dLat, dLon));
    EXPECT_DOUBLE_EQ(dLat, b.latShift(120, 120));
    EXPECT_DOUBLE_EQ(dLon, b.lonShift(120, 120));
    EXPECT_FALSE(Shift(grid, 70, 50, dLat, dLon));
    // Columns run westwards from E_LONG: 61 W is column 12.
    ASSERT_TRUE(Shift(grid, -61, 40, dLat, dLon));
    EXPECT_DOUBLE_EQ(dLon, b.lonShift(0, 12));
}

TEST(GridNTv2, RowCountFromQuotientRoundsUpJustBelowWhole)
{
    gridtest::TempFolder tmp;
    auto block = [](double quotient, int rows) {
        Ntv2Block b;
        b.explicitExtent = true;
        b.sLat = 0;
        b.latInc = 3600;
        b.nLat = quotient * 3600;
        b.eLong = 0;
        b.wLong = 3600;
        b.longInc = 3600;
        b.rows = rows;
        b.cols = 2;
        b.latShift = [](int r, int) { return static_cast<float>(r); };
        return b;
    };
    CDatumGrid grid;
    gridtest::WriteBytes(tmp.File("a.gsb"), Ntv2Writer().Bytes({block(239.9999995, 241)}));
    ASSERT_EQ(grid.LoadFile(tmp.File("a.gsb")), 0);
    EXPECT_EQ(grid.SubGrids()[0]->rows, 241);

    gridtest::WriteBytes(tmp.File("b.gsb"), Ntv2Writer().Bytes({block(239.5, 240)}));
    ASSERT_EQ(grid.LoadFile(tmp.File("b.gsb")), 0);
    EXPECT_EQ(grid.SubGrids()[0]->rows, 240);

    // Nodes for 240 rows do not fill the 241 that 239.9999995 calls for.
    gridtest::WriteBytes(tmp.File("c.gsb"), Ntv2Writer().Bytes({block(239.9999995, 240)}));
    EXPECT_EQ(grid.LoadFile(tmp.File("c.gsb")), -1);
    EXPECT_EQ(grid.SubGrids()[0]->rows, 240);
}

TEST(GridNTv2, ShiftDirections)
{
    gridtest::TempFolder tmp;
    Ntv2Block b = RegionBlock();
    b.latShift = [](int, int) { return 1.75f; };
    b.lonShift = [](int, int) { return 3.5f; };
    gridtest::WriteBytes(tmp.File("c.gsb"), Ntv2Writer().Bytes({b}));
    CDatumGrid grid;
    ASSERT_EQ(grid.LoadFile(tmp.File("c.gsb")), 0);

    // A west-positive longitude shift moves the point west.
    double phi = 50 * kDeg, lambda = -70 * kDeg;
    EXPECT_EQ(grid.ShiftForward(phi, lambda), 1);
    EXPECT_NEAR(phi / kDeg, 50 + 1.75 / 3600, 1e-12);
    EXPECT_NEAR(lambda / kDeg, -70 - 3.5 / 3600, 1e-12);
    phi = 50 * kDeg;
    lambda = -70 * kDeg;
    EXPECT_EQ(grid.ShiftInverse(phi, lambda), 1);
    EXPECT_NEAR(phi / kDeg, 50 - 1.75 / 3600, 1e-12);
    EXPECT_NEAR(lambda / kDeg, -70 + 3.5 / 3600, 1e-12);

    phi = 50 * kDeg;
    lambda = 70 * kDeg;
    EXPECT_EQ(grid.ShiftForward(phi, lambda), 0);
    EXPECT_EQ(grid.ShiftInverse(phi, lambda), 0);
    EXPECT_EQ(phi, 50 * kDeg);
    EXPECT_EQ(lambda, 70 * kDeg);
}

TEST(GridNTv2, LastCoveringSubGridWins)
{
    gridtest::TempFolder tmp;
    Ntv2Block parent = RegionBlock();
    parent.name = "PARENT";
    parent.latShift = [](int, int) { return 1.0f; };
    Ntv2Block child;
    child.name = "CHILD";
    child.parent = "PARENT";
    child.sLat = 49 * 3600.0;
    child.eLong = 69 * 3600.0;
    child.latInc = child.longInc = 900;
    child.rows = child.cols = 9;
    child.latShift = [](int, int) { return 2.0f; };

    CDatumGrid grid;
    double dLat = 0, dLon = 0;
    gridtest::WriteBytes(tmp.File("pc.gsb"), Ntv2Writer().Bytes({parent, child}));
    ASSERT_EQ(grid.LoadFile(tmp.File("pc.gsb")), 0);
    EXPECT_EQ(grid.Count(), 2);
    ASSERT_TRUE(Shift(grid, -70, 50, dLat, dLon));
    EXPECT_EQ(dLat, 2.0);
    ASSERT_TRUE(Shift(grid, -71, 51, dLat, dLon)); // the child's corner node
    EXPECT_EQ(dLat, 2.0);
    ASSERT_TRUE(Shift(grid, -65, 45, dLat, dLon));
    EXPECT_EQ(dLat, 1.0);

    gridtest::WriteBytes(tmp.File("cp.gsb"), Ntv2Writer().Bytes({child, parent}));
    ASSERT_EQ(grid.LoadFile(tmp.File("cp.gsb")), 0);
    ASSERT_TRUE(Shift(grid, -70, 50, dLat, dLon));
    EXPECT_EQ(dLat, 1.0);
}

TEST(GridNTv2, BigEndianSurplusRecordsAndLooseLabels)
{
    gridtest::TempFolder tmp;
    Ntv2Block first = RegionBlock();
    // Surplus node records after the lattice carry values that must not show.
    first.nodes = first.rows * first.cols + 7;
    Ntv2Block second;
    second.sLat = 10 * 3600.0;
    second.eLong = 10 * 3600.0;
    second.rows = 3;
    second.cols = 4;
    second.latShift = [](int r, int c) { return 10.0f + r + 0.5f * c; };
    second.lonShift = [](int r, int c) { return -5.0f - r * c; };

    const std::string little = Ntv2Writer(false).Bytes({first, second});
    const std::string big = Ntv2Writer(true).Bytes({first, second});
    ASSERT_NE(little, big);
    std::string loose = little;
    // Labels in other case, padded with NULs or led by a blank.
    loose.replace(Ntv2Writer::ValueOffset(loose, "NUM_OREC") - 8, 8, std::string("num_orec"));
    const size_t gsType = Ntv2Writer::ValueOffset(loose, "GS_TYPE");
    loose.replace(gsType, 8, std::string("seconds "));
    loose.replace(gsType - 8, 8, std::string("GS_TYPE\0", 8));
    loose.replace(Ntv2Writer::ValueOffset(loose, "S_LAT", 1) - 8, 8, std::string(" s_lat  "));
    // The closing record is not needed.
    const std::string noEnd = little.substr(0, little.size() - 16);

    const struct { const char* name; const std::string& bytes; } files[] = {
        {"little.gsb", little}, {"big.gsb", big}, {"loose.gsb", loose}, {"noend.gsb", noEnd}};
    for (const auto& f : files)
    {
        SCOPED_TRACE(f.name);
        gridtest::WriteBytes(tmp.File(f.name), f.bytes);
        CDatumGrid grid;
        ASSERT_EQ(grid.LoadFile(tmp.File(f.name)), 0);
        ASSERT_EQ(grid.Count(), 2);
        EXPECT_EQ(grid.SubGrids()[0]->nodeCount, first.rows * first.cols);
        double dLat = 0, dLon = 0;
        ASSERT_TRUE(Shift(grid, -10.0 - 2.0, 10.0 + 1.0, dLat, dLon));
        EXPECT_EQ(dLat, second.latShift(1, 2));
        EXPECT_EQ(dLon, second.lonShift(1, 2));
        ASSERT_TRUE(Shift(grid, -(60.0 + 3.5), 40.0 + 20.0, dLat, dLon));
        EXPECT_DOUBLE_EQ(dLat, (first.latShift(20, 3) + first.latShift(20, 4)) / 2.0);
        EXPECT_DOUBLE_EQ(dLon, (first.lonShift(20, 3) + first.lonShift(20, 4)) / 2.0);
    }
}

TEST(GridNTv2, DamagedFilesAreRejectedAndTheGridKept)
{
    gridtest::TempFolder tmp;
    const Ntv2Block good = RegionBlock();
    const std::string bytes = Ntv2Writer().Bytes({good});
    const size_t nodesEnd = bytes.size() - 16;
    const size_t gsCount = Ntv2Writer::ValueOffset(bytes, "GS_COUNT");
    const size_t latInc = Ntv2Writer::ValueOffset(bytes, "LAT_INC");
    const size_t numFile = Ntv2Writer::ValueOffset(bytes, "NUM_FILE");
    const double nan = std::numeric_limits<double>::quiet_NaN();

    std::vector<std::pair<std::string, std::string>> bad;
    auto variant = [&](const std::string& name, auto change) {
        std::string b = bytes;
        change(b);
        bad.emplace_back(name, b);
    };
    for (size_t cut : {size_t(0), size_t(100), size_t(176 + 50), nodesEnd - 1, gsCount + 8})
        variant("cut" + std::to_string(cut), [&](std::string& b) { b.resize(cut); });
    variant("num_file_label", [&](std::string& b) { Relabel(b, "NUM_FILE", "NUM_FILX"); });
    variant("gs_count_label", [&](std::string& b) { Relabel(b, "GS_COUNT", "GS_CNT"); });
    variant("s_lat_as_n_lat", [&](std::string& b) { Relabel(b, "S_LAT", "N_LAT"); });
    variant("orec_label", [&](std::string& b) { Relabel(b, "NUM_OREC", "NUM_RECS"); });
    variant("minutes", [&](std::string& b) { b.replace(Ntv2Writer::ValueOffset(b, "GS_TYPE"), 8, "MINUTES "); });
    variant("radians", [&](std::string& b) { b.replace(Ntv2Writer::ValueOffset(b, "GS_TYPE"), 8, "RADIANS "); });
    variant("orec12", [&](std::string& b) { PutInt(b, Ntv2Writer::ValueOffset(b, "NUM_OREC"), 12); });
    for (int32_t n : {0, -1, 2, 0x7fffffff})
        variant("num_file" + std::to_string(n), [&](std::string& b) { PutInt(b, numFile, n); });
    for (int32_t n : {good.rows * good.cols - 1, 0, -5, good.rows * good.cols + 2, 0x7fffffff})
        variant("gs_count" + std::to_string(n), [&](std::string& b) { PutInt(b, gsCount, n); });
    for (double v : {0.0, -3600.0, nan})
        variant("lat_inc" + std::to_string(v), [&](std::string& b) { PutDouble(b, latInc, v); });
    variant("north_below_south", [&](std::string& b) {
        PutDouble(b, Ntv2Writer::ValueOffset(b, "N_LAT"), good.sLat - 3600);
    });
    variant("w_long_inf", [&](std::string& b) {
        PutDouble(b, Ntv2Writer::ValueOffset(b, "W_LONG"), std::numeric_limits<double>::infinity());
    });
    variant("nadcon_named_gsb", [&](std::string& b) { b = gridtest::NadconGrid().FileBytes(true); });

    // The grid to keep: a different file loaded before.
    Ntv2Block kept = RegionBlock();
    kept.latShift = [](int, int) { return 7.0f; };
    gridtest::WriteBytes(tmp.File("kept.gsb"), Ntv2Writer().Bytes({kept}));
    CDatumGrid grid;
    ASSERT_EQ(grid.LoadFile(tmp.File("kept.gsb")), 0);
    const CDatumSubGrid* before = grid.SubGrids()[0].get();

    std::filesystem::create_directory(tmp.File("folder.gsb"));
    bad.emplace_back("missing.gsb", std::string());
    for (const auto& [name, content] : bad)
    {
        SCOPED_TRACE(name);
        const std::string path = name == "missing.gsb" ? tmp.File("missing.gsb") : tmp.File(name + ".gsb");
        if (name != "missing.gsb")
            gridtest::WriteBytes(path, content);
        CDatumGrid fresh;
        std::string why;
        EXPECT_EQ(fresh.LoadFile(path, &why), -1);
        // Every file the reader opens and refuses says why.
        EXPECT_EQ(why.empty(), name == "missing.gsb" || name == "cut0") << why;
        EXPECT_EQ(fresh.kind, CDatumGrid::KIND_NONE);
        EXPECT_EQ(fresh.Count(), 0);

        EXPECT_EQ(grid.LoadFile(path), -1);
        EXPECT_EQ(grid.kind, CDatumGrid::KIND_NTV2);
        ASSERT_EQ(grid.Count(), 1);
        EXPECT_EQ(grid.SubGrids()[0].get(), before);
        double dLat = 0, dLon = 0;
        ASSERT_TRUE(Shift(grid, -70, 50, dLat, dLon));
        EXPECT_EQ(dLat, 7.0);
    }
    EXPECT_EQ(grid.LoadFile(tmp.File("folder.gsb")), -1);
    EXPECT_EQ(grid.SubGrids()[0].get(), before);
}

TEST(GridNTv2, NameChoosesTheReader)
{
    gridtest::TempFolder tmp;
    const std::string bytes = Ntv2Writer().Bytes({RegionBlock()});
    gridtest::WriteBytes(tmp.File("UPPER.GSB"), bytes);
    gridtest::WriteBytes(tmp.File("conus"), bytes);
    CDatumGrid grid;
    ASSERT_EQ(grid.LoadFile(tmp.File("UPPER.GSB")), 0);
    EXPECT_EQ(grid.kind, CDatumGrid::KIND_NTV2);
    // A name without a known extension is refused whatever the file holds.
    EXPECT_EQ(grid.LoadFile(tmp.File("conus")), -1);
    EXPECT_EQ(grid.kind, CDatumGrid::KIND_NTV2);
    EXPECT_EQ(grid.Count(), 1);
}
