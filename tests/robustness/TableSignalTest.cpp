// geolynx-cli stopped by SIGINT or SIGTERM in the middle of a table: the run
// is cancelled, not killed, so the records read are saved, the count is
// printed, and no record is half converted.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "ScratchFolder.h"

namespace {

long long Count(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    long long n = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return n;
}

} // namespace

TEST(TableSignal, SigintAndSigtermCancelTheRunCleanly)
{
    CScratchFolder scratch;
    for (const int signal : {SIGINT, SIGTERM})
    {
        SCOPED_TRACE(signal == SIGINT ? "SIGINT" : "SIGTERM");
        const std::string path = scratch.File(signal == SIGINT ? "int.db" : "term.db");
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        sqlite3_busy_timeout(db, 20000);
        ASSERT_EQ(sqlite3_exec(db,
                               "CREATE TABLE t (id INTEGER PRIMARY KEY, lat DOUBLE, lon DOUBLE, north DOUBLE, east "
                               "DOUBLE);"
                               "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 199999) "
                               "INSERT INTO t SELECT i, 40 + i * 0.0001, 1 + i * 0.00002, NULL, NULL FROM n;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);

        // A file of its own for each run: the first run's status line must
        // not be taken for the second's before that one has blocked signals.
        const std::string err = scratch.File(signal == SIGINT ? "int.txt" : "term.txt");
        // The file is held from the start, so the run waits to save its
        // first block; the signal comes while it waits.
        ASSERT_EQ(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
        {
            const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 2);
            const std::string cli = std::string(GEOLYNX_BIN_DIR) + "/geolynx-cli";
            const std::string connection = "Provider=SQLite;Data Source=" + path + ";Default Timeout=30;";
            ::execl(cli.c_str(), cli.c_str(), "batch", "table", "--from", "4326", "--to", "32631", "--connection",
                    connection.c_str(), "--table", "t", "--source-fields", "lat", "lon", "--destination-fields",
                    "north", "east", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // The status line comes once the run reads the table, its signals taken.
        bool reading = false;
        for (int i = 0; i < 3000 && !reading; ++i)
        {
            std::ostringstream so_far;
            so_far << std::ifstream(err).rdbuf();
            reading = so_far.str().find("Currently converting database") != std::string::npos;
            if (!reading)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(reading);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_EQ(::kill(child, signal), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_EQ(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);

        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << "the program was killed by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 2);
        std::ostringstream text;
        text << std::ifstream(err).rdbuf();
        const std::string printed = text.str();
        EXPECT_NE(printed.find("Conversion aborted.\n"), std::string::npos) << printed;
        const std::size_t at = printed.find("Records converted: ");
        ASSERT_NE(at, std::string::npos) << printed;
        const long long reported = std::atoll(printed.c_str() + at + 19);

        EXPECT_EQ(Count(db, "SELECT count(*) FROM t WHERE (north IS NULL) <> (east IS NULL)"), 0)
            << "records half converted";
        const long long converted = Count(db, "SELECT count(*) FROM t WHERE north IS NOT NULL");
        EXPECT_EQ(converted, reported);
        // The run stopped within its first block: the block in hand (at most
        // 1 % of the table, fewer when the machine is slow and a block's
        // second runs out first) and the record read when the flag was seen.
        EXPECT_GE(converted, 1);
        EXPECT_LE(converted, 2001);
        // The records saved are the first ones read.
        EXPECT_EQ(Count(db, "SELECT max(id) + 1 FROM t WHERE north IS NOT NULL"), converted);
        sqlite3_close(db);
    }
}
