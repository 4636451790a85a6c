#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "BatchTestSupport.h"
#include "TextFileConversion.h"

using namespace batchtest;

namespace {

// Applies every notification to the run control, as the start page does on
// its thread, and keeps them.
class CApplyingSink : public CRecordingSink
{
public:
    CBatchRunControl* run = nullptr;
    void Post(const BatchNotice& notice) override
    {
        CRecordingSink::Post(notice);
        run->Apply(notice);
    }
};

} // namespace

TEST(BatchRunControl, PageReactionsAndRunStates)
{
    BatchSettings settings;
    CConversionContext context;
    CTestLoader loader;
    CRecordingSink sink;
    CBatchRunControl run(settings, context, loader, sink);

    EXPECT_EQ(run.StatusText(), kBatchConfiguredText);
    EXPECT_EQ(run.RunState(), (BatchButtons{true, true, false}));

    run.BeginRun();
    EXPECT_EQ(run.Running(), 1);
    EXPECT_EQ(run.RunState(), (BatchButtons{false, false, true}));
    run.Apply({BATCH_STATUS, 0, "working"});
    run.Apply({BATCH_PROGRESS, 42, ""});
    EXPECT_EQ(run.StatusText(), "working");
    EXPECT_EQ(run.Progress(), 42);
    run.Apply({BATCH_STATUS, 0, "again"});
    EXPECT_EQ(run.Progress(), 0);
    run.Apply({BATCH_PROGRESS, 77, ""});
    run.Apply({9999, 5, "ignored"});
    EXPECT_EQ(run.StatusText(), "again");

    run.Apply({BATCH_COMPLETED, 0, kBatchCompletedText});
    EXPECT_EQ(run.Running(), 0);
    EXPECT_EQ(run.Completed(), 1);
    EXPECT_EQ(run.Progress(), 77); // the bar keeps its position
    EXPECT_EQ(run.RunState(), (BatchButtons{false, true, false}));

    run.BeginRun();
    run.Apply({BATCH_STOPPED, 0, kBatchAbortedText});
    EXPECT_EQ(run.Running(), 0);
    EXPECT_EQ(run.Completed(), 0);
    EXPECT_EQ(run.Progress(), 0);
    EXPECT_EQ(run.StatusText(), kBatchAbortedText);
    EXPECT_EQ(run.RunState(), (BatchButtons{true, true, false}));

    run.BeginRun();
    run.CancelOperation();
    EXPECT_EQ(run.Running(), 0);
}

TEST(BatchRunControl, StartedSignalWaitsBoundedAndWakesOnTheWorker)
{
    BatchSettings settings;
    CConversionContext context;
    CTestLoader loader;
    CRecordingSink sink;
    CBatchRunControl run(settings, context, loader, sink);
    run.BeginRun();
    EXPECT_FALSE(run.WaitStarted(std::chrono::milliseconds(20)));
    std::thread worker([&run] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        run.SignalStarted();
    });
    EXPECT_TRUE(run.WaitStarted(std::chrono::milliseconds(10000)));
    worker.join();
    // A new run clears the signal.
    run.BeginRun();
    EXPECT_FALSE(run.WaitStarted(std::chrono::milliseconds(1)));
}

TEST(BatchRunControl, ThreadedRunsEndOnceAndRestart)
{
    CTempFolder folder;
    BatchSettings settings;
    settings.sourceDatum = WGS84;
    settings.destinationDatum = WGS84;
    settings.SeparatorChoice = 1;
    settings.altitudeColumn = 0;
    settings.sourceFile = folder / "in.csv";
    settings.destinationFile = folder / "out.csv";
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += std::to_string(i % 180) + ",45\n";
    WriteFile(settings.sourceFile, text);

    CConversionContext context;
    CTestLoader loader;
    CApplyingSink sink;
    CBatchRunControl run(settings, context, loader, sink);
    sink.run = &run;

    ASSERT_TRUE(run.StartConversion());
    run.Join();
    ExpectOneEnd(sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_EQ(run.Completed(), 1);
    EXPECT_EQ(run.Running(), 0);
    EXPECT_EQ(Lines(ReadFile(settings.destinationFile)).size(), 2000u);
    // The first line alone loads the systems.
    EXPECT_EQ(loader.loads, 2);

    // A stopped run starts again from the beginning of the input.
    CApplyingSink second;
    CBatchRunControl again(settings, context, loader, second);
    second.run = &again;
    second.hook = [&again](const BatchNotice& n) {
        if (n.code == BATCH_PROGRESS)
            again.CancelOperation();
    };
    // The stopped run leaves the destination as it was.
    WriteFile(settings.destinationFile, "earlier output\n");
    ASSERT_TRUE(again.StartConversion());
    again.Join();
    ExpectOneEnd(second, BATCH_STOPPED, kBatchAbortedText);
    EXPECT_EQ(again.RunState(), (BatchButtons{true, true, false}));
    EXPECT_EQ(ReadFile(settings.destinationFile), "earlier output\n");

    second.hook = nullptr;
    ASSERT_TRUE(again.StartConversion());
    again.Join();
    EXPECT_EQ(second.Ends().back().code, BATCH_COMPLETED);
    EXPECT_EQ(Lines(ReadFile(settings.destinationFile)).size(), 2000u);
}

TEST(BatchRunControl, DestroyingAControlCancelsAndWaitsForItsWorker)
{
    CTempFolder folder;
    BatchSettings settings;
    settings.sourceDatum = WGS84;
    settings.destinationDatum = WGS84;
    settings.SeparatorChoice = 1;
    settings.sourceFile = folder / "in.csv";
    settings.destinationFile = folder / "out.csv";
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "1,2,3\n";
    WriteFile(settings.sourceFile, text);
    CConversionContext context;
    CTestLoader loader;
    CRecordingSink sink;
    {
        CBatchRunControl run(settings, context, loader, sink);
        ASSERT_TRUE(run.StartConversion());
    }
    ASSERT_EQ(sink.Ends().size(), 1u);
    // Either it finished first or it was told to stop; both end exactly once.
    EXPECT_TRUE(sink.Ends()[0].text == kBatchCompletedText || sink.Ends()[0].text == kBatchAbortedText);
}
