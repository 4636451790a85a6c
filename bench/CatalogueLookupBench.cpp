// One catalogue task as the program runs it: open a connection, run one lookup, close again. The
// window runs several after every selection. Peer: the same query on the bare SQLite library
// (open, prepare, step, finalize, close), the floor any layer above it can reach.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "CatalogueConnection.h"
#include "CatalogueLoaders.h"
#include "CatalogueLookups.h"

namespace fs = std::filesystem;

namespace {

// A private home with a copy of the shipped catalogue, named by the user's settings file.
struct BenchHome
{
    fs::path home;
    std::string catalogue;

    BenchHome()
    {
        home = fs::temp_directory_path() / ("geolynx-bench-" + std::to_string(::getpid()));
        fs::create_directories(home / "config" / "Veltrix");
        fs::create_directories(home / "etc");
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        ::setenv("XDG_CONFIG_DIRS", (home / "etc").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
        catalogue = (home / "catalogue.db").string();
        const std::string root = GEOLYNX_BENCH_PROGRAM_ROOT;
        fs::copy_file(root + "/catalogue.db", catalogue, fs::copy_options::overwrite_existing);
        fs::permissions(catalogue, fs::perms::owner_read | fs::perms::owner_write);
        std::ofstream(home / "config" / "Veltrix" / "Geolynx.conf")
            << "ConnectionString = Provider=SQLite;Data Source=" << catalogue << ";\nProgramRoot = " << root << "\n";
    }
    ~BenchHome()
    {
        std::error_code ignored;
        fs::remove_all(home, ignored);
    }
};

BenchHome& Home()
{
    static BenchHome home;
    return home;
}

void LookupDatumNameTask(benchmark::State& state)
{
    Home();
    CCxString name;
    for (auto _ : state)
    {
        LookupDatumName(4277, name);
        benchmark::DoNotOptimize(name.c_str());
    }
}
BENCHMARK(LookupDatumNameTask)->Unit(benchmark::kMicrosecond);

void LoadGridRecordTask(benchmark::State& state)
{
    Home();
    for (auto _ : state)
    {
        CCfgMapProjection record;
        LoadGridRecord(record, 27700); // two tasks: the grid, then its datum
        benchmark::DoNotOptimize(record.semiMajorAxis);
    }
}
BENCHMARK(LoadGridRecordTask)->Unit(benchmark::kMicrosecond);

void BareSqliteLookup(benchmark::State& state)
{
    const std::string file = Home().catalogue;
    for (auto _ : state)
    {
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT strDatum FROM tblDatums where (numId = 4277)", -1, &statement, nullptr);
        if (sqlite3_step(statement) == SQLITE_ROW)
            benchmark::DoNotOptimize(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
        sqlite3_close(db);
    }
}
BENCHMARK(BareSqliteLookup)->Unit(benchmark::kMicrosecond);

} // namespace
