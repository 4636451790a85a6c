#include "CliVector.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "BatchSettings.h"
#include "CliBatch.h"
#include "CliCommands.h"
#include "CliExplain.h"
#include "ConvertVector.h"
#include "Messages.h"

namespace {

struct VectorOptions
{
    std::string from;
    std::string to;
    std::string input;
    std::string output;
    std::string format;
    std::string layer;
    int precision = -1;
    bool ballpark = false;
};

// The source system as grid:ID or datum:ID from the layers' own system, with
// a line saying which it chose and how.
bool SourceFromLayers(VectorOptions& o)
{
    CPrjMatch match;
    std::string what, why;
    if (!VectorSourceSystem(o.input, o.layer, match, what, why))
    {
        std::fprintf(stderr, "geolynx-cli: --from auto: %s; give --from\n", why.c_str());
        return false;
    }
    o.from = match.gridId != 0 ? "grid:" + std::to_string(match.gridId) : "datum:" + std::to_string(match.datumId);
    std::fprintf(stderr, "geolynx-cli: --from auto: %s \"%s\", matched by %s in %s\n", o.from.c_str(),
                 match.name.c_str(), match.how.c_str(), what.c_str());
    return true;
}

int RunVector(VectorOptions o)
{
    if (o.from == "auto" && !SourceFromLayers(o))
        return CLI_ERROR;
    CCliSystem from, to;
    if (!ResolveSystem(o.from, from))
    {
        std::fprintf(stderr, "geolynx-cli: --from: \"%s\" is not grid:ID, datum:ID or ID (+GEOID)\n", o.from.c_str());
        return CLI_ERROR;
    }
    if (!ResolveSystem(o.to, to))
    {
        std::fprintf(stderr, "geolynx-cli: --to: \"%s\" is not grid:ID, datum:ID or ID (+GEOID)\n", o.to.c_str());
        return CLI_ERROR;
    }
    if (from.datumId == 0 || to.datumId == 0)
    {
        ShowMessage(from.datumId == 0 ? IDS_NO_SOURCE_DATUM : IDS_NO_DESTINATION_DATUM);
        return CLI_ERROR;
    }
    // A datum with no usable link to WGS 84 is refused as in the other batches.
    CConversionReport report;
    if (CheckConversion(from, to, o.ballpark, false, report, stderr) != CLI_OK)
        return CLI_ERROR;
    // Z values go through the geoid models a side names.
    BatchSettings settings = SystemsSettings(from, to, CONVERSION_VECTOR, o.input, o.output);
    settings.vectorFormat = o.format;
    settings.vectorLayer = o.layer;
    settings.precision = o.precision;
    return RunBatchExplained(settings, report, stderr);
}

} // namespace

void AddVectorCommand(CLI::App& batch, std::function<void()>& action, int& status)
{
    auto options = std::make_shared<VectorOptions>();
    CLI::App* vector = batch.add_subcommand(
        "vector", "convert a GIS vector file (GeoPackage, GeoJSON, FlatGeobuf, KML, GPX, GML, CSV with WKT, "
                  "shapefile and every other format GDAL writes)");
    vector->add_option("--from", options->from,
                       "source SYSTEM, or auto: the one the input's layers describe")
        ->required();
    vector->add_option("--to", options->to, "destination SYSTEM")->required();
    vector->add_option("--input", options->input, "vector data set to read")->required();
    vector->add_option("--output", options->output,
                       "file to write; its extension names the format unless --format does")
        ->required();
    vector->add_option("--format", options->format,
                       "GDAL driver to write (such as GPKG, GeoJSON, FlatGeobuf, KML, GPX, GML, CSV, "
                       "\"ESRI Shapefile\"); GeoJSON, KML and GPX take a WGS 84 destination only");
    vector->add_flag("--ballpark", options->ballpark,
                     "convert across a datum with no usable transformation to WGS 84 (with a warning)");
    vector->add_option("--layer", options->layer, "the one layer to convert (default: every layer)");
    vector->add_option("--precision", options->precision,
                       "decimals of the coordinates where the format writes them as text (GeoJSON); "
                       "default: full precision")
        ->check(CLI::Range(0, 17));
    vector->callback([options, &action, &status] { action = [options, &status] { status = RunVector(*options); }; });
}
