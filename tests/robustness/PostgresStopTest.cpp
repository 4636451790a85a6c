// A PostgreSQL server stopped in the middle of a table conversion: the run
// ends with the failed text, every record converted before the stop holds its
// converted values, and every other record is untouched.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <sstream>
#include <thread>

#include "../batch/BatchTestSupport.h"
#include "ConvertDatabaseTable.h"
#include "CxAdo.h"
#include "MessageRecorder.h"
#include "PostgresFixture.h"

using namespace batchtest;

namespace {

constexpr int kRecords = 100;
constexpr int kStopAt = 40; // percent, and so records, converted when the server goes

std::vector<std::string> ReadArguments(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    std::vector<std::string> arguments;
    std::string argument;
    while (std::getline(in, argument, '\0'))
        arguments.push_back(argument);
    return arguments;
}

pid_t ParentOf(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The parent follows the command name in parentheses and the state.
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream rest(stat.substr(close + 1));
    std::string state;
    long parent = 0;
    rest >> state >> parent;
    return static_cast<pid_t>(parent);
}

// The postmaster of the server a connection talks to, with what started it,
// so that the test can stop it behind the converter's back and start it again.
struct CPostmaster
{
    pid_t pid = 0;
    std::vector<std::string> arguments; // postgres -D dir -p port ...

    bool Find(const std::string& connection)
    {
        CCxAdo ado;
        int backend = 0;
        if (ado.Initialize() != 0 || ado.Connect(connection.c_str()) != 0 ||
            ado.OpenRecordset("SELECT pg_backend_pid() AS pid") != 1 || ado.GetFieldLong("pid", backend) != 1)
            return false;
        pid = ParentOf(backend);
        arguments = ReadArguments(pid);
        return pid > 0 && arguments.size() > 2 && arguments[1] == "-D";
    }

    // Fast shutdown: every session is ended, the server is gone when this returns.
    bool Stop() const
    {
        if (kill(pid, SIGINT) != 0)
            return false;
        for (int i = 0; i < 600; ++i)
        {
            if (kill(pid, 0) != 0)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    bool Start() const
    {
        struct stat st;
        if (::stat(arguments[2].c_str(), &st) != 0)
            return false;
        const std::string bin = std::filesystem::path(arguments[0]).parent_path().string();
        std::string options;
        for (std::size_t i = 3; i < arguments.size(); ++i)
            options += " " + arguments[i];
        std::string command = bin + "/pg_ctl -D " + arguments[2] + " -l " + arguments[2] + "/../restart.log -w -t 60 -o '" +
                              options + "' start >/dev/null 2>&1";
        if (geteuid() == 0)
        {
            const passwd* owner = getpwuid(st.st_uid);
            if (owner == nullptr)
                return false;
            command = "runuser -u " + std::string(owner->pw_name) + " -- " + command;
        }
        return std::system(command.c_str()) == 0;
    }
};

} // namespace

TEST(PostgresStop, ServerStoppedMidTableEndsFailedAndKeepsConvertedRecords)
{
    ASSERT_TRUE(HaveTool("cs2cs")) << "PROJ's cs2cs is needed as the oracle";
    CPostgresServer server;
    ASSERT_TRUE(server.Running()) << server.Error();
    ASSERT_TRUE(server.Psql("CREATE TABLE \"stop here\" (id integer PRIMARY KEY, \"north ing\" double precision, "
                            "\"east\"\"x\" double precision, \"out lat\" double precision, \"out'lon\" double "
                            "precision);"));
    std::vector<Point3> points;
    std::string insert;
    for (int i = 0; i < kRecords; ++i)
    {
        points.push_back({0.25 + 0.05 * i, 40.5 + 0.07 * i, 0});
        char row[160];
        std::snprintf(row, sizeof row, "INSERT INTO \"stop here\" VALUES (%d, %.2f, %.2f, NULL, NULL);\n", i,
                      points.back().y, points.back().x);
        insert += row;
    }
    ASSERT_TRUE(server.Psql(insert));

    CPostmaster postmaster;
    ASSERT_TRUE(postmaster.Find(server.ConnectionString()));

    BatchSettings s;
    s.ConversionType = CONVERSION_DATABASE;
    s.sourceDatum = WGS84;
    s.destinationDatum = WGS84;
    s.destinationGrid = UTM31N;
    s.connectionString = server.ConnectionString();
    s.table = "stop here";
    s.sourceField1 = "north ing";
    s.sourceField2 = "east\"x";
    s.destinationField1 = "out lat";
    s.destinationField2 = "out'lon";
    CMessageRecorder recorder;
    CRun run(s);
    bool stopped = false;
    run.sink.hook = [&](const BatchNotice& notice) {
        if (notice.code == BATCH_PROGRESS && notice.percentage == kStopAt && !stopped)
            stopped = postmaster.Stop();
    };
    run(ConvertDatabaseTable);
    ASSERT_TRUE(stopped) << "the server could not be stopped";
    ExpectOneEnd(run.sink, BATCH_STOPPED, kBatchFailedText);
    for (const auto& notice : run.sink.Notices())
        EXPECT_NE(notice.text, kBatchCompletedText);
    ASSERT_EQ(recorder.Shown().size(), 1u);
    EXPECT_EQ(recorder.Shown()[0].second.find("s3cret"), std::string::npos) << "the password was shown";

    ASSERT_TRUE(postmaster.Start()) << "the server could not be started again";
    CTempFolder folder;
    const auto expected = Cs2cs(kWgs84Proj, kUtm31Proj, points, folder);
    ASSERT_EQ(expected.size(), points.size());
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(server.ConnectionString().c_str()), 0) << ado.LastMessage.str();
    ASSERT_EQ(ado.OpenRecordset("SELECT * FROM \"stop here\" ORDER BY id"), 1);
    int converted = 0, untouched = 0;
    do
    {
        int id = -1;
        double north = 0, east = 0;
        ASSERT_EQ(ado.GetFieldLong("id", id), 1);
        ASSERT_EQ(ado.GetFieldDouble("north ing", north), 1);
        ASSERT_EQ(ado.GetFieldDouble("east\"x", east), 1);
        // The source columns never change.
        EXPECT_NEAR(north, points[id].y, 1e-9);
        EXPECT_NEAR(east, points[id].x, 1e-9);
        const CCxValue lat = ado.GetFieldValue("out lat"), lon = ado.GetFieldValue("out'lon");
        if (lat.IsNull() && lon.IsNull())
        {
            ++untouched;
            continue;
        }
        // Never half a record: both columns or neither.
        ASSERT_FALSE(lat.IsNull() || lon.IsNull()) << "record " << id << " holds one converted column";
        ++converted;
        EXPECT_NEAR(lat.AsReal(), expected[id].y, 0.0006) << id;
        EXPECT_NEAR(lon.AsReal(), expected[id].x, 0.0006) << id;
    } while (ado.MoveNext() == 1);
    EXPECT_EQ(converted, kStopAt);
    EXPECT_EQ(converted + untouched, kRecords);
}

TEST(PostgresStop, ServerStoppedInsideABlockLosesOnlyThatBlock)
{
    CPostgresServer server;
    ASSERT_TRUE(server.Running()) << server.Error();
    constexpr int kMany = 20000; // blocks of 200
    constexpr int kSleeper = 12345;
    // A trigger holds the update of one record, so the server goes while its
    // block is half written.
    ASSERT_TRUE(server.Psql(
        "CREATE TABLE t (id integer PRIMARY KEY, lat double precision, lon double precision, north double "
        "precision, east double precision);\n"
        "INSERT INTO t SELECT i, 40 + i * 0.0005, 1 + i * 0.0001, NULL, NULL FROM generate_series(0, " +
        std::to_string(kMany - 1) +
        ") AS i;\n"
        "CREATE FUNCTION hold() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF NEW.id = " +
        std::to_string(kSleeper) +
        " THEN PERFORM pg_sleep(30); END IF; RETURN NEW; END $$;\n"
        "CREATE TRIGGER hold BEFORE UPDATE ON t FOR EACH ROW EXECUTE FUNCTION hold();"));
    CPostmaster postmaster;
    ASSERT_TRUE(postmaster.Find(server.ConnectionString()));

    BatchSettings s;
    s.ConversionType = CONVERSION_DATABASE;
    s.sourceDatum = WGS84;
    s.destinationDatum = WGS84;
    s.destinationGrid = UTM31N;
    s.connectionString = server.ConnectionString();
    s.table = "t";
    s.sourceField1 = "lat";
    s.sourceField2 = "lon";
    s.destinationField1 = "north";
    s.destinationField2 = "east";

    std::atomic<bool> stopped{false};
    std::thread stopper([&] {
        CCxAdo watch;
        if (watch.Initialize() != 0 || watch.Connect(server.ConnectionString().c_str()) != 0)
            return;
        for (int i = 0; i < 1500 && !stopped; ++i)
        {
            int sleeping = 0;
            if (watch.OpenRecordset("SELECT CAST(count(*) AS integer) AS n FROM pg_stat_activity WHERE wait_event = "
                                    "'PgSleep'") == 1)
                watch.GetFieldLong("n", sleeping);
            watch.CloseRecordset();
            if (sleeping > 0)
            {
                watch.Disconnect();
                stopped = postmaster.Stop();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    CMessageRecorder recorder;
    CRun run(s);
    run(ConvertDatabaseTable);
    stopper.join();
    ASSERT_TRUE(stopped) << "the server could not be stopped";
    ExpectOneEnd(run.sink, BATCH_STOPPED, kBatchFailedText);
    ASSERT_EQ(recorder.Shown().size(), 1u);
    const std::string shown = recorder.Shown()[0].second;
    const std::size_t at = shown.find(" records were converted and saved before the failure");
    ASSERT_NE(at, std::string::npos) << shown;
    const long long reported = std::atoll(shown.substr(shown.rfind('\n', at) + 1).c_str());

    ASSERT_TRUE(postmaster.Start()) << "the server could not be started again";
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(server.ConnectionString().c_str()), 0) << ado.LastMessage.str();
    ASSERT_EQ(ado.OpenForwardOnly("SELECT id, north, east FROM t ORDER BY id"), 1);
    long long converted = 0;
    int firstUntouched = -1;
    do
    {
        int id = -1;
        ASSERT_EQ(ado.GetFieldLong("id", id), 1);
        const CCxValue north = ado.GetFieldValue("north"), east = ado.GetFieldValue("east");
        ASSERT_EQ(north.IsNull(), east.IsNull()) << "record " << id << " holds one converted column";
        if (north.IsNull())
        {
            if (firstUntouched < 0)
                firstUntouched = id;
            continue;
        }
        ++converted;
        EXPECT_LT(firstUntouched, 0) << "record " << id << " converted after an untouched one";
    } while (ado.MoveNext() == 1);
    EXPECT_EQ(converted, reported);
    // The whole block of the held record is given up, the blocks before it kept.
    EXPECT_EQ(converted, kSleeper / 200 * 200);
}
