#pragma once

#include <functional>
#include <string>
#include <vector>

#include "PrjMatch.h"

class CBatchRunControl;

// Converts a vector data set GDAL's OGR library reads (GeoPackage, GeoJSON,
// FlatGeobuf, KML, GPX, GML, CSV with WKT, shapefiles and the rest) into the
// format the destination's extension names, or the OGR driver the settings
// name: every layer (or the one the settings name), every feature with its
// attributes, every geometry type with its Z and M. The coordinates go through
// the run's engine, never through PROJ; Z and M are kept as they are, as the
// shapefile converter keeps them. Curves are converted vertex by vertex where
// the destination keeps curves and refused where it would approximate them.
//
// The output is written into a temporary folder beside the destination and its
// files moved into place only when every layer is complete; a failed or
// cancelled run leaves the destination as it was. A geometry that cannot be
// converted fails the run with its layer, feature id and why.

// The destination system's description for the output: the WKT the .prj
// writer builds and the EPSG code of the system, 0 without one. False, with
// why, when there is none.
using VectorSystemSource = std::function<bool(int datumId, int gridId, std::string& wkt, int& epsg, std::string& why)>;

// Worker: the destination system described from the catalogue.
void ConvertVector(CBatchRunControl& run);
// The same with the destination system from systemSource.
void ConvertVector(CBatchRunControl& run, const VectorSystemSource& systemSource);

// The OGR driver that writes a file of this name (by its extension, any case),
// empty when no driver that creates vector files claims it.
std::string VectorDriverForPath(const std::string& path);

// Whether a driver stores WGS 84 longitudes and latitudes only (GeoJSON, KML,
// GPX): a destination in another system is refused for it.
bool VectorDriverWgs84Only(const std::string& driver);

// One layer of a data set, as a file page lists it.
struct VectorLayerSummary
{
    std::string name;
    long long features = 0;
    std::string geometry; // OGR's name of the layer's geometry type
};
// The layers of a data set; false, with why, when OGR cannot open it as a
// vector data set.
bool VectorLayers(const std::string& path, std::vector<VectorLayerSummary>& layers, std::string& why);

// The catalogue system the layers' own coordinate system describes (the one
// named, or every layer, which must then agree), matched as a .prj is. what
// names where the description was found. False, with why, without one or
// without a match.
bool VectorSourceSystem(const std::string& path, const std::string& layer, CPrjMatch& match, std::string& what,
                        std::string& why);

// A vector format of OGR's: its driver's short name (as the settings'
// vectorFormat takes it), long name and extensions without the dot (may be
// none), and whether the driver creates files.
struct VectorFormatSummary
{
    std::string driver;
    std::string name;
    std::vector<std::string> extensions;
    bool creates = false;
};
// Every vector format OGR reads, in its drivers' order; none when GDAL cannot
// be loaded.
std::vector<VectorFormatSummary> ListVectorFormats();
