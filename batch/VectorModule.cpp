#include "VectorModule.h"

#include <dlfcn.h>

#include <filesystem>

#include "BatchRunControl.h"
#include "DestinationDescription.h"
#include "DestinationWkt.h"
#include "Paths.h"

namespace {

// The module, loaded once, or why it cannot be.
struct CLoadedModule
{
    const CVectorModule* functions = nullptr;
    std::string failure;
};

// The module lies in lib/geolynx/modules beside the program's bin folder, in
// the build tree as in the installed one.
CLoadedModule LoadModule()
{
    CLoadedModule loaded;
    const std::string path =
        (std::filesystem::path(ExecutableFolder()) / ".." / "lib" / "geolynx" / "modules" / "libgeolynx-vector.so")
            .lexically_normal()
            .string();
    // Every symbol is bound now: a module that does not fit the program is
    // refused here, not halfway through a file.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle != nullptr)
        if (auto* entry = reinterpret_cast<decltype(&GeolynxVectorModule)>(dlsym(handle, GEOLYNX_VECTOR_MODULE_ENTRY)))
            loaded.functions = entry();
    if (loaded.functions == nullptr)
    {
        const char* why = dlerror();
        loaded.failure = "GIS vector files cannot be read or written: " + path + " cannot be loaded (" +
                         (why != nullptr ? why : "no entry") + ")";
    }
    return loaded;
}

const CLoadedModule& Module()
{
    static const CLoadedModule loaded = LoadModule();
    return loaded;
}

} // namespace

void ConvertVector(CBatchRunControl& run)
{
    ConvertVector(run, [](int datumId, int gridId, std::string& wkt, int& epsg, std::string& why) {
        std::string name;
        if (!DestinationDescription(datumId, gridId, name, epsg, why))
            epsg = 0;
        return DestinationWkt(datumId, gridId, wkt, why);
    });
}

void ConvertVector(CBatchRunControl& run, const VectorSystemSource& systemSource)
{
    if (const CVectorModule* module = Module().functions)
        return module->convert(run, systemSource);
    run.SignalStarted();
    run.ReportEnd("GIS vector file", true, Module().failure, {}, {});
}

std::string VectorDriverForPath(const std::string& path)
{
    const CVectorModule* module = Module().functions;
    return module != nullptr ? module->driverForPath(path) : std::string();
}

bool VectorDriverWgs84Only(const std::string& driver)
{
    return driver == "GeoJSON" || driver == "GeoJSONSeq" || driver == "KML" || driver == "LIBKML" || driver == "GPX";
}

bool VectorLayers(const std::string& path, std::vector<VectorLayerSummary>& layers, std::string& why)
{
    layers.clear();
    if (const CVectorModule* module = Module().functions)
        return module->layers(path, layers, why);
    why = Module().failure;
    return false;
}

bool VectorSourceSystem(const std::string& path, const std::string& layer, CPrjMatch& match, std::string& what,
                        std::string& why)
{
    const CVectorModule* module = Module().functions;
    std::vector<VectorLayerSystem> layers;
    if (module == nullptr)
        why = Module().failure;
    if (module == nullptr || !module->layerSystems(path, layers, why))
        return false;
    bool found = false;
    for (const VectorLayerSystem& system : layers)
    {
        if (!layer.empty() && layer != system.layer)
            continue;
        const std::string where = "layer \"" + system.layer + "\" of " + path;
        if (system.wkt.empty())
        {
            why = where + " names no coordinate system to read the source system from";
            return false;
        }
        CPrjMatch layerMatch;
        if (!MatchPrj(system.wkt, layerMatch, why))
        {
            why = where + ": " + why;
            return false;
        }
        if (found && (layerMatch.gridId != match.gridId || layerMatch.datumId != match.datumId))
        {
            why = where + " is in \"" + layerMatch.name + "\", another layer in \"" + match.name +
                  "\": name the layer to convert";
            return false;
        }
        match = layerMatch;
        what = found ? "the layers of " + path : where;
        found = true;
    }
    if (!found)
        why = "\"" + path + "\" has no layer \"" + layer + "\"";
    return found;
}

std::vector<VectorFormatSummary> ListVectorFormats()
{
    const CVectorModule* module = Module().functions;
    return module != nullptr ? module->formats() : std::vector<VectorFormatSummary>();
}
