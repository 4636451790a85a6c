#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "DatumGrid.h"

namespace {

using Field = std::function<double(double row, double col)>;

// A block of rows x cols nodes one degree apart from (south, lonMin),
// latitude shifts from f and longitude shifts from -f.
std::unique_ptr<CDatumSubGrid> Block(int rows, int cols, const Field& f, double south = 10, double lonMin = 20)
{
    auto b = std::make_unique<CDatumSubGrid>();
    b->rows = rows;
    b->cols = cols;
    b->south = south;
    b->lonMin = lonMin;
    b->latInc = b->lonInc = 1;
    b->north = south + rows - 1;
    b->lonMax = lonMin + cols - 1;
    b->Allocate(rows * cols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            b->StoreNode(static_cast<float>(f(r, c)), static_cast<float>(-f(r, c)));
    return b;
}

double Lat(const CDatumSubGrid& b, double row, double col)
{
    return CDatumGrid::Interpolate(b, b.south + row * b.latInc, b.lonMin + col * b.lonInc,
                                   CDatumGrid::LATITUDE_SHIFTS);
}

} // namespace

TEST(GridInterpolation, BilinearIsExactForABilinearField)
{
    const Field f = [](double r, double c) { return 3 + 2 * r - c + 0.5 * r * c; };
    const auto b = Block(6, 5, f);
    for (double row : {0.0, 0.25, 1.5, 2.75, 4.125, 5.0})
        for (double col : {0.0, 0.5, 1.875, 3.25, 4.0})
        {
            EXPECT_NEAR(Lat(*b, row, col), f(row, col), 1e-12) << row << " " << col;
            EXPECT_NEAR(CDatumGrid::Interpolate(*b, b->south + row, b->lonMin + col, CDatumGrid::LONGITUDE_SHIFTS),
                        -f(row, col), 1e-12);
        }
}

TEST(GridInterpolation, PositionsJustBelowAWholeNumberAreRaised)
{
    // Rows 1000 apart make a millionth of a row visible.
    const auto b = Block(8, 8, [](double r, double c) { return 1000 * r + 100 * c; });
    EXPECT_EQ(Lat(*b, 4.9999995, 2), 5200.0);
    EXPECT_EQ(Lat(*b, 3, 2.9999995), 3300.0);
    EXPECT_NEAR(Lat(*b, 4.999998, 2), 4999.998 + 200, 1e-6);
    // On the last row and column the raised position has no next node.
    EXPECT_EQ(Lat(*b, 6.9999995, 6.9999995), 7700.0);

    EXPECT_EQ(CDatumSubGrid::NodesAlong(240.0), 241);
    EXPECT_EQ(CDatumSubGrid::NodesAlong(239.9999995), 241);
    EXPECT_EQ(CDatumSubGrid::NodesAlong(239.999998), 240);
    EXPECT_EQ(CDatumSubGrid::NodesAlong(239.5), 240);
    EXPECT_EQ(CDatumSubGrid::NodesAlong(0.0), 1);
    EXPECT_EQ(CDatumSubGrid::NodesAlong(-0.5), -1);
    EXPECT_EQ(CDatumSubGrid::NodesAlong(std::numeric_limits<double>::quiet_NaN()), -1);
    EXPECT_EQ(CDatumSubGrid::NodesAlong(std::numeric_limits<double>::infinity()), -1);
    EXPECT_EQ(CDatumSubGrid::NodesAlong(3e9), -1);
}

TEST(GridInterpolation, AnyPointStaysInsideTheArrays)
{
    const Field f = [](double r, double c) { return 10 * r + c; };
    const auto b = Block(3, 4, f);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Beyond an edge the edge's own nodes answer.
    EXPECT_EQ(Lat(*b, 1e12, 1), f(2, 1));
    EXPECT_EQ(Lat(*b, -1e12, 1), f(0, 1));
    EXPECT_EQ(Lat(*b, 1, 1e12), f(1, 3));
    EXPECT_EQ(Lat(*b, 1, -1e12), f(1, 0));
    EXPECT_EQ(Lat(*b, 2.5, 3.5), f(2, 3));
    EXPECT_EQ(Lat(*b, inf, -inf), f(2, 0));
    EXPECT_EQ(Lat(*b, nan, nan), f(0, 0));

    // A one-node block has no neighbours at all.
    const auto single = Block(1, 1, [](double, double) { return 4.5; });
    EXPECT_EQ(Lat(*single, 0.7, 0.3), 4.5);
}

TEST(GridInterpolation, BlocksWithoutNodesCoverNothing)
{
    const Field f = [](double r, double c) { return r + c + 1; };
    auto empty = Block(3, 3, f);
    empty->Allocate(0);
    auto partial = Block(3, 3, f);
    partial->Allocate(9);
    for (int k = 0; k < 4; ++k)
        partial->StoreNode(1, 1);
    auto full = Block(3, 3, f, 50, 50);
    // Storing past the room is dropped.
    full->StoreNode(99, 99);
    EXPECT_EQ(full->nodeCount, 9);
    EXPECT_TRUE(full->HasNodes());

    EXPECT_FALSE(empty->Covers(11, 21));
    EXPECT_FALSE(partial->Covers(11, 21));
    EXPECT_EQ(Lat(*empty, 1, 1), 0.0);
    EXPECT_EQ(Lat(*partial, 1, 1), 0.0);

    CDatumGrid grid;
    CDatumGrid::SubGridList blocks;
    blocks.push_back(std::move(empty));
    blocks.push_back(std::move(partial));
    blocks.push_back(std::move(full));
    grid.Replace(std::move(blocks), CDatumGrid::KIND_NADCON);
    double dLat = 0, dLon = 0;
    EXPECT_FALSE(grid.FindShift(21, 11, dLat, dLon));
    ASSERT_TRUE(grid.FindShift(51, 51, dLat, dLon));
    EXPECT_EQ(dLat, f(1, 1));
}

TEST(GridInterpolation, EmptyGridShiftsNothing)
{
    CDatumGrid grid;
    double dLat = 5, dLon = 6;
    EXPECT_FALSE(grid.FindShift(0, 0, dLat, dLon));
    double phi = 0.5, lambda = -1.25;
    EXPECT_EQ(grid.ShiftForward(phi, lambda), 0);
    EXPECT_EQ(grid.ShiftInverse(phi, lambda), 0);
    EXPECT_EQ(phi, 0.5);
    EXPECT_EQ(lambda, -1.25);
    // A kind without blocks is still empty.
    grid.kind = CDatumGrid::KIND_NTV2;
    EXPECT_FALSE(grid.FindShift(0, 0, dLat, dLon));
}
