// libFuzzer target: arbitrary bytes as the main file, the index file and the
// attribute file of a shapefile set, converted by the batch worker between
// geographic WGS 84 and UTM zone 31 (the last byte picks the direction).
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "ConvertShp.h"
#include "FuzzBatchSupport.h"

using namespace fuzzbatch;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string shp = Scratch("in.shp"), shx = Scratch("in.shx"), dbf = Scratch("in.dbf");
    const std::string outShp = Scratch("out.shp"), outShx = Scratch("out.shx"), outDbf = Scratch("out.dbf");
    WriteBytes(shp, data, size);
    WriteBytes(shx, data, size);
    WriteBytes(dbf, data, size);
    std::remove(outShp.c_str());
    std::remove(outShx.c_str());
    std::remove(outDbf.c_str());

    BatchSettings settings;
    settings.ConversionType = CONVERSION_SHAPEFILE;
    settings.sourceDatum = WGS84;
    settings.destinationDatum = WGS84;
    if (size > 0 && (data[size - 1] & 1) != 0)
        settings.sourceGrid = UTM31N;
    else
        settings.destinationGrid = UTM31N;
    settings.sourceFile = shp;
    settings.destinationFile = outShp;

    const BatchNotice end = RunWorker(settings, ConvertShapefile);
    if (end.code == BATCH_COMPLETED)
    {
        // A completed run read every input to its end and wrote as much:
        // each record keeps its size, the attribute file is a copy.
        if (end.text != kBatchCompletedText)
            __builtin_trap();
        if (FileSize(outShp) != static_cast<long long>(size) || FileSize(outShx) != static_cast<long long>(size))
            __builtin_trap();
        if (ReadBytes(outDbf) != std::string(reinterpret_cast<const char*>(data), size))
            __builtin_trap();
    }
    else if (end.text != kBatchFailedText)
    {
        // Nobody cancels this run.
        __builtin_trap();
    }
    return 0;
}
