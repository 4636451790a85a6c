// The scheduler hands every item of every block to exactly one share, each
// share its ranges in increasing order on its own engine, over many blocks
// with the same helper threads.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "BlockScheduler.h"
#include "ParallelismScope.h"

using batchtest::CParallelism;

namespace {

struct Range
{
    std::size_t first;
    std::size_t last;
};

} // namespace

TEST(BlockScheduler, EveryItemOnceAndEachShareInOrderOverManyBlocks)
{
    CParallelism parallelism(4, 0);
    CBlockScheduler scheduler(100);
    ASSERT_EQ(scheduler.Threads(), 4u);
    EXPECT_EQ(scheduler.BlockItems(), 100u);
    // Blocks of many sizes, some too small to share out, one after another
    // on the same scheduler.
    for (std::size_t count : {1u, 7u, 64u, 1000u, 3u, 4097u, 250u, 0u, 10000u})
    {
        std::vector<int> seen(count, 0);
        std::vector<std::vector<Range>> byShare(scheduler.Threads());
        std::vector<std::set<std::thread::id>> threadsOfShare(scheduler.Threads());
        std::mutex mutex;
        scheduler.Run(count, 16, [&](std::size_t share, std::size_t first, std::size_t last) {
            ASSERT_LT(share, scheduler.Threads());
            ASSERT_LE(first, last);
            ASSERT_LE(last, count);
            for (std::size_t i = first; i < last; ++i)
                ++seen[i]; // distinct items: no two calls touch one
            std::lock_guard<std::mutex> lock(mutex);
            byShare[share].push_back(Range{first, last});
            threadsOfShare[share].insert(std::this_thread::get_id());
        });
        for (std::size_t i = 0; i < count; ++i)
            ASSERT_EQ(seen[i], 1) << "item " << i << " of " << count;
        for (std::size_t s = 0; s < byShare.size(); ++s)
        {
            for (std::size_t k = 1; k < byShare[s].size(); ++k)
                EXPECT_LE(byShare[s][k - 1].last, byShare[s][k].first) << "share " << s << " of " << count;
            EXPECT_LE(threadsOfShare[s].size(), 1u) << "share " << s << " ran on several threads";
        }
        // Share 0 is the caller's; a block below the minimum stays there.
        if (!byShare[0].empty())
        {
            EXPECT_EQ(*threadsOfShare[0].begin(), std::this_thread::get_id());
        }
        if (count > 0 && count < 32)
        {
            ASSERT_EQ(byShare[0].size(), 1u);
            EXPECT_EQ(byShare[0][0].first, 0u);
            EXPECT_EQ(byShare[0][0].last, count);
        }
    }
}

TEST(BlockScheduler, EachShareConvertsOnItsOwnEngine)
{
    CParallelism parallelism(3, 0);
    CBlockScheduler scheduler(10);
    CConversionContext loaded;
    loaded.source.datumId = 4326;
    loaded.destination.datumId = 4326;
    loaded.destination.projectionId = 160;
    loaded.destination.longitudeOrigin = 3;
    loaded.destination.scaleFactor = 0.9996;
    loaded.destination.falseEasting = 500000;
    scheduler.Load(loaded);
    std::vector<double> eastings(3000);
    std::atomic<int> wrongEngine{0};
    scheduler.Run(eastings.size(), 100, [&](std::size_t share, std::size_t first, std::size_t last) {
        CConversionContext& context = scheduler.Context(share);
        if (context.destination.projectionId != 160)
            ++wrongEngine;
        for (std::size_t i = first; i < last; ++i)
        {
            double x = 3, y = static_cast<double>(i) / 100, z = 0;
            if (ConvertLoadedPoint(context, false, true, x, y, z) == kConvertDone)
                eastings[i] = x;
        }
    });
    EXPECT_EQ(wrongEngine, 0);
    // On the central meridian every point lies on the false easting.
    for (double x : eastings)
        EXPECT_NEAR(x, 500000, 1e-6);
}

TEST(BlockScheduler, AFailingShareEndsTheRunAfterTheOthersAndTheNextRunWorks)
{
    CParallelism parallelism(2, 0);
    CBlockScheduler scheduler(10);
    std::atomic<std::size_t> done{0};
    std::atomic<bool> thrown{false};
    // The helper waits in its first piece until the caller's share has
    // thrown, so the caller surely takes a piece and throws while the
    // helper still works on the block.
    EXPECT_THROW(scheduler.Run(1000, 10,
                               [&](std::size_t share, std::size_t first, std::size_t last) {
                                   if (share == 0)
                                   {
                                       thrown = true;
                                       throw std::runtime_error("stop");
                                   }
                                   while (!thrown)
                                       std::this_thread::yield();
                                   done += last - first;
                               }),
                 std::runtime_error);
    EXPECT_LT(done.load(), 1000u);
    done = 0;
    scheduler.Run(1000, 10, [&](std::size_t, std::size_t first, std::size_t last) { done += last - first; });
    EXPECT_EQ(done.load(), 1000u);
}
