#pragma once

#include <functional>

namespace CLI {
class App;
}

// Adds `batch vector` to the batch command: a GIS vector file converted
// through GDAL's OGR library. The command's work is put into action when the
// line names it, and its exit status into status when action runs.
void AddVectorCommand(CLI::App& batch, std::function<void()>& action, int& status);
