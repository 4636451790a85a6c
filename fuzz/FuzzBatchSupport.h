#pragma once

// What the batch fuzz targets share: a scratch folder of the process, fixed
// coordinate systems without a catalogue, a sink that counts the end
// notifications and a presenter that keeps messages off the terminal.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "BatchRunControl.h"
#include "ConvertCoordinate.h"
#include "Messages.h"

namespace fuzzbatch {

enum
{
    WGS84 = 4326,
    ED50 = 4230,
    UTM31N = 32631,
};

inline const std::string& ScratchFolder()
{
    static const std::string path = [] {
        const char* folder = std::getenv("TMPDIR");
        std::string p = std::string(folder && *folder ? folder : "/tmp") + "/geolynx-batch-fuzz-" +
                        std::to_string(::getpid());
        ::mkdir(p.c_str(), 0700);
        return p;
    }();
    return path;
}

inline std::string Scratch(const std::string& name)
{
    return ScratchFolder() + "/" + name;
}

inline void WriteBytes(const std::string& path, const unsigned char* data, std::size_t size)
{
    if (std::FILE* file = std::fopen(path.c_str(), "wb"))
    {
        if (size > 0)
            std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
}

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline long long FileSize(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

class CFixedLoader : public CRecordLoader
{
public:
    CFixedLoader()
    {
        datums[WGS84] = CCfgMapProjection();
        CCfgMapProjection ed50;
        ed50.datumId = ED50;
        ed50.semiMajorAxis = 6378388;
        ed50.inverseFlattening = 297;
        ed50.method = METHOD_MOLODENSKY;
        ed50.deltaX = -87;
        ed50.deltaY = -98;
        ed50.deltaZ = -121;
        datums[ED50] = ed50;
        CCfgMapProjection utm31;
        utm31.projectionId = 160;
        utm31.falseEasting = 500000;
        utm31.longitudeOrigin = 3;
        utm31.scaleFactor = 0.9996;
        grids[UTM31N] = utm31;
    }
    void LoadGridRecord(int gridId, CCfgMapProjection& record) override
    {
        if (grids.count(gridId) != 0)
            record = grids[gridId];
    }
    void LoadDatumRecord(int datumId, CCfgMapProjection& record) override
    {
        if (datums.count(datumId) != 0)
            record = datums[datumId];
    }

private:
    std::map<int, CCfgMapProjection> grids, datums;
};

class CCountingSink : public CBatchSink
{
public:
    void Post(const BatchNotice& notice) override
    {
        if (notice.code == BATCH_COMPLETED || notice.code == BATCH_STOPPED)
        {
            ++ends;
            lastEnd = notice;
        }
        else if (ends != 0)
        {
            // Nothing follows the end of a run.
            __builtin_trap();
        }
        if (notice.code == BATCH_PROGRESS && (notice.percentage < 0 || notice.percentage > 100))
            __builtin_trap();
    }
    int ends = 0;
    BatchNotice lastEnd;
};

class CQuietPresenter : public CMessagePresenter
{
public:
    CQuietPresenter() { SetMessagePresenter(this); }
    void Show(int, const std::string&) override {}
};

// Runs one worker on the calling thread and checks that it ended once.
inline BatchNotice RunWorker(const BatchSettings& settings, void (*worker)(CBatchRunControl&))
{
    static CQuietPresenter quiet;
    static CFixedLoader loader;
    CConversionContext context;
    CCountingSink sink;
    {
        CBatchRunControl run(settings, context, loader, sink);
        run.BeginRun();
        worker(run);
    }
    if (sink.ends != 1)
        __builtin_trap();
    return sink.lastEnd;
}

} // namespace fuzzbatch
