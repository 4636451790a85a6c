// libFuzzer target: arbitrary bytes as the main file, the index file and the
// attribute file of a shapefile set, converted by the batch worker between
// geographic WGS 84 and UTM zone 31 (the last byte picks the direction).
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <dirent.h>

#include "ConvertShp.h"
#include "FuzzBatchSupport.h"

using namespace fuzzbatch;

namespace {

const char* const kWkt = "GEOGCS[\"GCS_WGS_1984\"]";

void Worker(CBatchRunControl& run)
{
    ConvertShapefile(run, [](int, int, std::string& wkt, std::string&) {
        wkt = kWkt;
        return true;
    });
}

// The names in the scratch folder other than the inputs: the outputs of a
// completed run, nothing after a failed one, never a temporary file.
int OtherFiles(bool& temporary)
{
    int count = 0;
    temporary = false;
    if (DIR* folder = ::opendir(ScratchFolder().c_str()))
    {
        while (const dirent* entry = ::readdir(folder))
        {
            const std::string name = entry->d_name;
            if (name == "." || name == ".." || name.rfind("in.", 0) == 0)
                continue;
            ++count;
            temporary = temporary || name[0] == '.';
        }
        ::closedir(folder);
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string shp = Scratch("in.shp"), shx = Scratch("in.shx"), dbf = Scratch("in.dbf");
    const std::string outShp = Scratch("out.shp"), outShx = Scratch("out.shx"), outDbf = Scratch("out.dbf"),
                      outPrj = Scratch("out.prj");
    WriteBytes(shp, data, size);
    WriteBytes(shx, data, size);
    WriteBytes(dbf, data, size);
    for (const auto& name : {outShp, outShx, outDbf, outPrj})
        std::remove(name.c_str());

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

    const BatchNotice end = RunWorker(settings, Worker);
    bool temporary = false;
    const int others = OtherFiles(temporary);
    if (temporary)
        __builtin_trap();
    if (end.code == BATCH_COMPLETED)
    {
        // A completed run read every input to its end and wrote the whole
        // set: each record keeps its size, the index names whole records, the
        // attribute file is a copy.
        if (end.text != kBatchCompletedText || others != 4)
            __builtin_trap();
        const long long indexSize = FileSize(outShx);
        if (FileSize(outShp) != static_cast<long long>(size) || indexSize < 100 || (indexSize - 100) % 8 != 0)
            __builtin_trap();
        if (ReadBytes(outDbf) != std::string(reinterpret_cast<const char*>(data), size) || ReadBytes(outPrj) != kWkt)
            __builtin_trap();
    }
    else if (end.text != kBatchFailedText || others != 0)
    {
        // Nobody cancels this run, and a failed one leaves no file behind.
        __builtin_trap();
    }
    return 0;
}
