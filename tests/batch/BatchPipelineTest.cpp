// The conversion loop every batch format runs on, driven by a format of
// points kept in memory: blocks in order on every thread, the end a format
// reports, progress only when it moves, the counts and the summary lines.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "BatchPipeline.h"
#include "BatchRunControl.h"
#include "BatchTestSupport.h"
#include "ParallelismScope.h"

namespace {

using namespace batchtest;

// Points as longitude and latitude; a latitude beyond the pole cannot be
// converted and is left. Reading ends, is cancelled or fails at a block. The
// format runs one block at a time or reading ahead, in two slots.
class CPointFormat final : public CBatchFormat, public CReadAheadFormat
{
public:
    CPointFormat(CBatchRunControl& run_, std::vector<double> latitudes_, std::size_t block_)
        : run(run_), latitudes(std::move(latitudes_)), block(block_)
    {
    }
    CBatchFormat::Block Read() override { return Read(0); }
    void Convert(std::size_t share, CConversionContext& context, std::size_t from, std::size_t to) override
    {
        Convert(0, share, context, from, to);
    }
    bool Write(BatchTally& tally) override { return Write(0, tally); }

    CBatchFormat::Block Read(std::size_t slot) override
    {
        Held& h = held[slot];
        h.read = ++reads;
        readAhead = readAhead || reads - writes > 1;
        h.first = next;
        h.count = std::min(block, latitudes.size() - next);
        next += h.count;
        if (reads == cancelAt)
            run.CancelOperation();
        const CBatchFormat::After after = reads == failAt            ? CBatchFormat::After::Failed
                                          : run.Running() != 1       ? CBatchFormat::After::Cancelled
                                          : next == latitudes.size() ? CBatchFormat::After::End
                                                                     : CBatchFormat::After::More;
        h.x.assign(h.count, 0), h.y.assign(h.count, 0), h.done.assign(h.count, 0);
        return CBatchFormat::Block{h.count, after};
    }
    void Convert(std::size_t slot, std::size_t, CConversionContext& context, std::size_t from, std::size_t to) override
    {
        Held& h = held[slot];
        for (std::size_t i = from; i < to; ++i)
        {
            double z = 0;
            h.x[i] = 2.5, h.y[i] = latitudes[h.first + i];
            h.done[i] = ConvertLoadedPoint(context, false, true, h.x[i], h.y[i], z) == kConvertDone;
        }
    }
    bool Write(std::size_t slot, BatchTally& tally) override
    {
        const Held& h = held[slot];
        ++writes;
        for (std::size_t i = 0; i < h.count; ++i)
        {
            if (h.done[i] != 0)
                tally.Convert(), northings.push_back(h.y[i]);
            else
                tally.Leave(static_cast<long long>(h.first + i + 1), "beyond the pole");
        }
        written += h.count;
        return h.read != writeFailAt;
    }
    int Percentage() const override { return BatchPercentage(static_cast<long long>(written), latitudes.size()); }

    struct Held
    {
        std::size_t first = 0, count = 0;
        int read = 0;
        std::vector<double> x, y;
        std::vector<char> done;
    };
    CBatchRunControl& run;
    std::vector<double> latitudes;
    std::size_t block, next = 0, written = 0;
    Held held[2];
    int reads = 0, writes = 0, cancelAt = 0, failAt = 0, writeFailAt = 0;
    bool readAhead = false;
    std::vector<double> northings;
};

TEST(BatchPipeline, RunsBlocksInOrderAndEndsAsTheFormatSays)
{
    struct Case
    {
        const char* name;
        int cancelAt, failAt, writeFailAt;
        CBatchFormat::After end;
        std::size_t written; // points written, converted or left
        int progress;        // the last percentage reported
    };
    const Case cases[] = {
        {"to the end", 0, 0, 0, CBatchFormat::After::End, 1000, 100},
        {"cancelled in the third block: it is still written", 3, 0, 0, CBatchFormat::After::Cancelled, 300, 30},
        {"reading fails in the second block, written first", 0, 2, 0, CBatchFormat::After::Failed, 200, 20},
        {"writing fails in the fourth block", 0, 0, 4, CBatchFormat::After::Failed, 400, 30},
    };
    std::vector<double> latitudes;
    for (int i = 0; i < 1000; ++i)
        latitudes.push_back(i % 250 == 7 ? 95.0 : 40.0 + i * 0.01);
    batchtest::CParallelism parallel(2, 0);
    BatchSettings utm;
    utm.sourceDatum = utm.destinationDatum = WGS84;
    utm.destinationGrid = UTM31N;
    for (const bool ahead : {false, true})
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.name) + (ahead ? ", reading ahead" : ""));
        CRun r(utm);
        r.run.BeginRun();
        CPointFormat format(r.run, latitudes, 100);
        format.cancelAt = c.cancelAt, format.failAt = c.failAt, format.writeFailAt = c.writeFailAt;
        CBatchPipeline pipeline(r.run, 100, false);
        ASSERT_TRUE(pipeline.LoadSystems());
        EXPECT_EQ(ahead ? pipeline.Run(static_cast<CReadAheadFormat&>(format), 8)
                        : pipeline.Run(static_cast<CBatchFormat&>(format), 8),
                  c.end);
        // Read ahead, the next block is read before the one before it is written.
        EXPECT_EQ(format.readAhead, ahead);
        const BatchTally& tally = pipeline.Tally();
        EXPECT_EQ(static_cast<std::size_t>(tally.converted + tally.notConverted), c.written);
        EXPECT_EQ(tally.notConverted, static_cast<long long>((c.written + 242) / 250));
        ASSERT_FALSE(tally.listed.empty());
        EXPECT_EQ(tally.listed[0].number, 8);
        // Every converted point in the input's order, as one engine gives it.
        for (std::size_t i = 1; i < format.northings.size(); ++i)
            EXPECT_LT(format.northings[i - 1], format.northings[i]) << i;
        // Progress once a block, only when the percentage moves.
        int last = 0;
        for (const BatchNotice& n : r.sink.Notices())
            if (n.code == BATCH_PROGRESS)
            {
                EXPECT_GT(n.percentage, last);
                last = n.percentage;
            }
        EXPECT_EQ(last, c.progress);
    }
}

TEST(BatchPipeline, SummaryNamesTheGeoidModelsOfTheHeights)
{
    EXPECT_EQ(GeoidSummary(0, 0), "");
    EXPECT_EQ(GeoidSummary(0, 987654), "Heights: from the ellipsoid to geoid model 987654.");
    EXPECT_EQ(GeoidSummary(987654, 0), "Heights: from geoid model 987654 to the ellipsoid.");
}

} // namespace
