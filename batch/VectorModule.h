#pragma once

#include "ConvertVector.h"

// GDAL and the hundred libraries it brings take longer to load than most
// commands take to run, so the vector converter is a module of its own,
// libgeolynx-vector.so (in lib/geolynx/modules), loaded the first time a vector file is met. It calls
// back into the program that loads it (the batch pipeline, the engine), which
// exports its symbols for it.

// A layer's name and its coordinate system as WKT, empty without one.
struct VectorLayerSystem
{
    std::string layer;
    std::string wkt;
};

// The module's functions, as ConvertVector.h describes them.
struct CVectorModule
{
    void (*convert)(CBatchRunControl& run, const VectorSystemSource& systemSource);
    std::string (*driverForPath)(const std::string& path);
    bool (*layers)(const std::string& path, std::vector<VectorLayerSummary>& layers, std::string& why);
    // The layers' systems, which VectorSourceSystem matches.
    bool (*layerSystems)(const std::string& path, std::vector<VectorLayerSystem>& layers, std::string& why);
    std::vector<VectorFormatSummary> (*formats)();
};

// The module's one entry: its functions.
extern "C" const CVectorModule* GeolynxVectorModule();
#define GEOLYNX_VECTOR_MODULE_ENTRY "GeolynxVectorModule"
