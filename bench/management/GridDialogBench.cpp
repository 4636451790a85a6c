// Opening the grid dialog on the full shipped catalogue: the dialog's
// construction reads the flags, the units, every grid of G3 and the
// projections, so one iteration is the wait a user sees before the list is
// filled. Run offscreen on a copy of the shipped catalogue in a temporary
// home.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "DialogSelectGrid.h"
#include "GeolynxApp.h"
#include "MessageRecorder.h"

namespace {

struct BenchHome
{
    std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("geolynx-bench-grid-" + std::to_string(::getpid()));

    BenchHome()
    {
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "config" / "Veltrix");
        std::filesystem::create_directories(root / "etc");
        const std::filesystem::path catalogue = root / "catalogue.db";
        std::filesystem::copy_file(std::filesystem::path(GEOLYNX_PROGRAM_ROOT) / "catalogue.db", catalogue);
        std::filesystem::permissions(catalogue, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
        ::setenv("HOME", root.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        ::setenv("XDG_CONFIG_DIRS", (root / "etc").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        std::ofstream(root / "config" / "Veltrix" / "Geolynx.conf")
            << "ConnectionString = Provider=SQLite;Data Source=" << catalogue.string() << ";\n"
            << "ProgramRoot = " << GEOLYNX_PROGRAM_ROOT << "\n";
    }

    ~BenchHome()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
};

void OpenGridDialog(benchmark::State& state)
{
    static BenchHome home;
    static int argc = 1;
    static char name[] = "bench_GridDialogBench";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    CMessageRecorder messages;
    CGeolynxApp app;
    int rows = 0;
    for (auto _ : state)
    {
        CDialogSelectGrid dialog(app);
        rows = dialog.findChild<QTreeWidget*>(QStringLiteral("gridList"))->topLevelItemCount();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = rows;
}

} // namespace

BENCHMARK(OpenGridDialog)->Unit(benchmark::kMillisecond)->MinTime(2.0);
