// Start-up of the program to a shown main window on the embedded catalogue,
// on the offscreen platform: a first start (no current configuration, no
// catalogue access) and a second start (a configuration naming a grid and a
// datum, so the names are looked up, and the user's catalogue already
// copied). Prints the median and the worst of several starts of each.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ConfigurationRecord.h"
#include "CoordinateFormat.h"
#include "GeolynxApp.h"
#include "GeolynxDlg.h"

namespace fs = std::filesystem;

namespace {

double StartOnce(CGeolynxApp& app, const std::string& configuration)
{
    const auto start = std::chrono::steady_clock::now();
    {
        CGeolynxDlg window(app, configuration);
        window.show();
        QApplication::processEvents();
        const auto shown = std::chrono::steady_clock::now();
        window.hide();
        return std::chrono::duration<double, std::milli>(shown - start).count();
    }
}

void Report(const char* what, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    std::printf("== window start-up, %s: median %.1f ms, worst %.1f ms over %zu starts\n", what,
                times[times.size() / 2], times.back(), times.size());
}

} // namespace

int main(int argc, char** argv)
{
    const fs::path home = fs::temp_directory_path() / ("geolynx-startup-" + std::to_string(::getpid()));
    fs::create_directories(home);
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        ::setenv(name, (home / name).c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (home / "etc").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);

    // The process start itself: Qt's own initialisation is part of start-up.
    const auto processStart = std::chrono::steady_clock::now();
    QApplication qt(argc, argv);
    const double qtStart =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - processStart).count();
    std::printf("== Qt application object: %.1f ms\n", qtStart);

    CGeolynxApp app;
    const std::string configuration = (home / "current.glx").string();
    std::vector<double> first;
    for (int i = 0; i < 5; ++i)
    {
        fs::remove(configuration);
        first.push_back(StartOnce(app, std::string()));
    }
    Report("first start", first);

    // A configuration with a UTM grid and WGS 84: the window looks up names
    // and the unit, which opens the catalogue.
    {
        ConfigurationRecord record;
        record.sourceDatumId = 4326;
        record.sourceDisplayMode = ModeDegrees;
        record.destinationDatumId = 4326;
        record.destinationGridId = 32631;
        if (!record.Save(configuration))
        {
            std::fprintf(stderr, "cannot write %s\n", configuration.c_str());
            return 1;
        }
    }
    std::vector<double> second;
    for (int i = 0; i < 10; ++i)
        second.push_back(StartOnce(app, configuration));
    Report("start with a saved configuration", second);

    fs::remove_all(home);
    return 0;
}
