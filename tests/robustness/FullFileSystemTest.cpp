// Destinations that run out of room in the middle of a text or shapefile run:
// a small tmpfs in a mount namespace of its own when the test may make one, a
// file-size limit otherwise, and /dev/full. Each run must end with the failed
// text, and never with the completed one.

#include <gtest/gtest.h>

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "../batch/ShapefileTestSupport.h"
#include "ConvertShp.h"
#include "MessageRecorder.h"
#include "TextFileConversion.h"

using namespace batchtest;

namespace {

enum class Room
{
    Tmpfs,     // a 16 KiB tmpfs mounted over the destination folder
    SizeLimit, // RLIMIT_FSIZE of 16 KiB, SIGXFSZ ignored so writes fail with EFBIG
};

struct Outcome
{
    bool available = false; // false: the child could not make the room
    int code = 0;
    std::string text;
    int ends = 0;
    bool sawCompleted = false;
};

constexpr long kRoom = 16 * 1024;

// Runs worker in a child process whose destination folder has only kRoom bytes
// of room and reports the run's end notifications back through a pipe.
Outcome RunWithoutRoom(Room room, const std::string& destinationFolder, const BatchSettings& settings,
                       void (*worker)(CBatchRunControl&))
{
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0)
    {
        close(channel[0]);
        auto report = [&](const std::string& text) {
            (void)!write(channel[1], text.data(), text.size());
            close(channel[1]);
            _exit(0);
        };
        if (room == Room::Tmpfs)
        {
            // The mount lives in this process's namespace only and ends with it.
            if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                mount("tmpfs", destinationFolder.c_str(), "tmpfs", 0, "size=16k") != 0)
                report("unavailable");
        }
        else
        {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit;
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = kRoom;
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                report("unavailable");
        }
        CMessageRecorder quiet;
        CRun run(settings);
        run(worker);
        std::string text;
        for (const auto& n : run.sink.Notices())
            if (n.code == BATCH_COMPLETED || n.code == BATCH_STOPPED)
                text += std::to_string(n.code) + "|" + n.text + "\n";
        report(text);
    }
    close(channel[1]);
    std::string text;
    char buffer[512];
    ssize_t n;
    while ((n = read(channel[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);

    Outcome outcome;
    EXPECT_TRUE(WIFEXITED(status)) << "the run died instead of failing, status " << status;
    if (text == "unavailable")
        return outcome;
    outcome.available = true;
    for (const std::string& line : Lines(text))
    {
        const std::size_t bar = line.find('|');
        outcome.code = std::atoi(line.substr(0, bar).c_str());
        outcome.text = line.substr(bar + 1);
        outcome.sawCompleted = outcome.sawCompleted || outcome.text == kBatchCompletedText;
        ++outcome.ends;
    }
    return outcome;
}

void ExpectFailed(const Outcome& outcome)
{
    EXPECT_EQ(outcome.ends, 1);
    EXPECT_EQ(outcome.code, BATCH_STOPPED);
    EXPECT_EQ(outcome.text, kBatchFailedText);
    EXPECT_FALSE(outcome.sawCompleted);
}

// Geographic WGS 84 to UTM 31: every output line is about as long as its input.
BatchSettings TextSettings(const CTempFolder& source, const std::string& destination, int lines)
{
    std::string text = "lon,lat,h\n";
    for (int i = 0; i < lines; ++i)
        text += std::to_string(1 + (i % 400) * 0.01) + "," + std::to_string(43 + (i % 300) * 0.01) + ",100\n";
    WriteFile(source / "points.csv", text);
    BatchSettings s;
    s.ConversionType = CONVERSION_TEXT;
    s.SeparatorChoice = 1;
    s.header = 1;
    s.sourceDatum = WGS84;
    s.destinationDatum = WGS84;
    s.destinationGrid = UTM31N;
    s.sourceFile = source / "points.csv";
    s.destinationFile = destination;
    return s;
}

std::vector<Shape> Points(int count)
{
    std::vector<Shape> shapes;
    for (int i = 0; i < count; ++i)
    {
        Shape s;
        s.type = 1;
        s.points.push_back({1 + (i % 400) * 0.01, 43 + (i % 300) * 0.01, 0});
        shapes.push_back(s);
    }
    return shapes;
}

BatchSettings ShapefileSettings(const std::string& source, const std::string& destination)
{
    BatchSettings s;
    s.ConversionType = CONVERSION_SHAPEFILE;
    s.sourceDatum = WGS84;
    s.destinationDatum = WGS84;
    s.destinationGrid = UTM31N;
    s.sourceFile = source;
    s.destinationFile = destination;
    return s;
}

class FullFileSystem : public ::testing::TestWithParam<Room>
{
protected:
    CTempFolder source;
    CTempFolder destination;
};

} // namespace

TEST_P(FullFileSystem, TextRunEndsFailed)
{
    const BatchSettings settings = TextSettings(source, destination / "out.csv", 5000);
    // The same run with room to spare completes, so only the room makes the difference.
    {
        CMessageRecorder quiet;
        BatchSettings roomy = settings;
        roomy.destinationFile = source / "roomy.csv";
        CRun run(roomy);
        run(ConvertTextFile);
        ExpectOneEnd(run.sink, BATCH_COMPLETED, kBatchCompletedText);
        ASSERT_GT(ReadFile(roomy.destinationFile).size(), 4u * kRoom);
    }
    const Outcome outcome = RunWithoutRoom(GetParam(), destination.path.string(), settings, ConvertTextFile);
    if (!outcome.available)
        GTEST_SKIP() << "this process may not mount a tmpfs";
    ExpectFailed(outcome);
}

TEST_P(FullFileSystem, ShapefileMainFileThatDoesNotFitEndsFailed)
{
    WriteShapefile(source / "many", 1, Points(3000)); // 84 kB of main file
    const Outcome outcome = RunWithoutRoom(GetParam(), destination.path.string(),
                                           ShapefileSettings(source / "many.shp", destination / "out.shp"),
                                           ConvertShapefile);
    if (!outcome.available)
        GTEST_SKIP() << "this process may not mount a tmpfs";
    ExpectFailed(outcome);
}

TEST_P(FullFileSystem, ShapefileWhoseAttributeCopyDoesNotFitEndsFailed)
{
    // The main and index files fit; the attribute file is the one that fills the room.
    WriteShapefile(source / "few", 1, Points(20));
    WriteFile(source / "few.dbf", std::string(4 * kRoom, 'a'));
    ASSERT_LT(ReadFile(source / "few.shp").size() + ReadFile(source / "few.shx").size(), std::size_t(kRoom / 2));
    const Outcome outcome =
        RunWithoutRoom(GetParam(), destination.path.string(),
                       ShapefileSettings(source / "few.shp", destination / "out.shp"), ConvertShapefile);
    if (!outcome.available)
        GTEST_SKIP() << "this process may not mount a tmpfs";
    ExpectFailed(outcome);
}

INSTANTIATE_TEST_SUITE_P(Room, FullFileSystem, ::testing::Values(Room::Tmpfs, Room::SizeLimit),
                         [](const auto& info) { return info.param == Room::Tmpfs ? "Tmpfs" : "SizeLimit"; });

// /dev/full accepts the open and refuses every write with ENOSPC.
TEST(FullDevice, TextRunEndsFailed)
{
    CTempFolder source;
    CMessageRecorder quiet;
    CRun run(TextSettings(source, "/dev/full", 100));
    run(ConvertTextFile);
    ExpectOneEnd(run.sink, BATCH_STOPPED, kBatchFailedText);
}

TEST(FullDevice, ShapefileRunEndsFailed)
{
    CTempFolder source;
    WriteShapefile(source / "one", 1, Points(1));
    CMessageRecorder quiet;
    CRun run(ShapefileSettings(source / "one.shp", "/dev/full"));
    run(ConvertShapefile);
    ExpectOneEnd(run.sink, BATCH_STOPPED, kBatchFailedText);
}
