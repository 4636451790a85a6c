#pragma once

// Shared pieces of the batch tests: temporary folders, files, a record loader
// over fixed coordinate systems, a recording sink and the peer tools.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "BatchRunControl.h"
#include "BatchSettings.h"
#include "ConvertCoordinate.h"

namespace batchtest {

namespace fs = std::filesystem;

class CTempFolder
{
public:
    CTempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "geolynx-batch-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("no temporary folder");
        path = pattern;
    }
    ~CTempFolder()
    {
        std::error_code error;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(path, error);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
    fs::path path;
};

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size())
    {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
        {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Catalogue identifiers of the systems the tests use.
enum
{
    WGS84 = 4326,
    WGS72 = 4322,
    ED50 = 4230,
    UTM31N = 32631,
    UTM32N_ED50 = 23032,
};

// The systems with their PROJ definitions, for the peer tools.
inline const char* kWgs84Proj = "+proj=longlat +datum=WGS84 +no_defs";
// WGS 72 to WGS 84, position vector: the worked example of the EPSG guidance note.
inline const char* kWgs72Proj = "+proj=longlat +a=6378135 +rf=298.26 +towgs84=0,0,4.5,0,0,0.554,0.219 +no_defs";
inline const char* kEd50Proj = "+proj=longlat +ellps=intl +towgs84=-87,-98,-121,0,0,0,0 +no_defs";
inline const char* kUtm31Proj = "+proj=utm +zone=31 +datum=WGS84 +units=m +no_defs";

class CTestLoader : public CRecordLoader
{
public:
    CTestLoader()
    {
        CCfgMapProjection wgs84;
        datums[WGS84] = wgs84;

        CCfgMapProjection wgs72;
        wgs72.datumId = WGS72;
        wgs72.semiMajorAxis = 6378135;
        wgs72.inverseFlattening = 298.26;
        wgs72.method = METHOD_BURSA_WOLF;
        wgs72.deltaZ = 4.5;
        wgs72.rotationZ = 0.554;
        wgs72.scalePpm = 0.219;
        datums[WGS72] = wgs72;

        CCfgMapProjection ed50;
        ed50.datumId = ED50;
        ed50.semiMajorAxis = 6378388;
        ed50.inverseFlattening = 297;
        ed50.method = METHOD_MOLODENSKY; // geocentric translation
        ed50.deltaX = -87;
        ed50.deltaY = -98;
        ed50.deltaZ = -121;
        datums[ED50] = ed50;

        CCfgMapProjection utm31 = wgs84;
        utm31.projectionId = 160; // transverse Mercator
        utm31.falseEasting = 500000;
        utm31.longitudeOrigin = 3;
        utm31.scaleFactor = 0.9996;
        grids[UTM31N] = utm31;
    }
    void LoadGridRecord(int gridId, CCfgMapProjection& record) override
    {
        std::lock_guard<std::mutex> guard(lock);
        ++loads;
        if (grids.count(gridId) != 0)
            record = grids[gridId];
    }
    void LoadDatumRecord(int datumId, CCfgMapProjection& record) override
    {
        std::lock_guard<std::mutex> guard(lock);
        ++loads;
        if (datums.count(datumId) != 0)
            record = datums[datumId];
    }
    std::map<int, CCfgMapProjection> grids, datums;
    int loads = 0;
    std::mutex lock;
};

// Keeps every notification; an optional hook sees each one as it arrives.
class CRecordingSink : public CBatchSink
{
public:
    void Post(const BatchNotice& notice) override { Keep(notice, false); }
    void Send(const BatchNotice& notice) override { Keep(notice, true); }

    std::vector<BatchNotice> Notices() const
    {
        std::lock_guard<std::mutex> guard(lock);
        return notices;
    }
    std::vector<BatchNotice> Ends() const
    {
        std::vector<BatchNotice> ends;
        for (const auto& n : Notices())
            if (n.code == BATCH_COMPLETED || n.code == BATCH_STOPPED)
                ends.push_back(n);
        return ends;
    }
    std::vector<bool> SentSynchronously() const
    {
        std::lock_guard<std::mutex> guard(lock);
        return sent;
    }
    std::function<void(const BatchNotice&)> hook;

private:
    void Keep(const BatchNotice& notice, bool synchronous)
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            notices.push_back(notice);
            sent.push_back(synchronous);
        }
        if (hook)
            hook(notice);
    }
    mutable std::mutex lock;
    std::vector<BatchNotice> notices;
    std::vector<bool> sent;
};

// One run of a worker on the calling thread.
struct CRun
{
    explicit CRun(const BatchSettings& settings_) : settings(settings_) {}
    void operator()(void (*worker)(CBatchRunControl&))
    {
        run.BeginRun();
        worker(run);
    }
    BatchSettings settings;
    CConversionContext context;
    CTestLoader loader;
    CRecordingSink sink;
    CBatchRunControl run{settings, context, loader, sink};
};

// Exactly one end notification, and it is the last.
inline void ExpectOneEnd(const CRecordingSink& sink, int code, const std::string& text)
{
    const auto notices = sink.Notices();
    const auto ends = sink.Ends();
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].code, code);
    EXPECT_EQ(ends[0].text, text);
    EXPECT_TRUE(notices.back().code == BATCH_COMPLETED || notices.back().code == BATCH_STOPPED);
}

inline bool HaveTool(const char* name)
{
    const std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// Runs a shell command and returns its standard output.
inline std::string Capture(const std::string& command)
{
    std::string out;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

struct Point3
{
    double x = 0, y = 0, z = 0;
};

// Converts points with PROJ's cs2cs, the peer the results are held against.
inline std::vector<Point3> Cs2cs(const std::string& from, const std::string& to, const std::vector<Point3>& points,
                                 const CTempFolder& folder)
{
    const std::string input = folder / "cs2cs-input.txt";
    std::ostringstream text;
    text.precision(17);
    for (const auto& p : points)
        text << p.x << ' ' << p.y << ' ' << p.z << '\n';
    WriteFile(input, text.str());
    const std::string output =
        Capture("cs2cs -f %.12f " + from + " +to " + to + " < '" + input + "' 2>/dev/null");
    std::vector<Point3> result;
    std::istringstream lines(output);
    Point3 p;
    while (lines >> p.x >> p.y >> p.z)
        result.push_back(p);
    return result;
}

// Runs points through a PROJ pipeline with cct (degrees in and out, heights
// in metres): the three-dimensional oracle of the datum shifts.
inline const char* kWgs72ToWgs84 = "+proj=pipeline +step +proj=cart +a=6378135 +rf=298.26 "
                                   "+step +proj=helmert +z=4.5 +rz=0.554 +s=0.219 +convention=position_vector "
                                   "+step +inv +proj=cart +ellps=WGS84";
inline const char* kEd50ToWgs84 = "+proj=pipeline +step +proj=cart +ellps=intl "
                                  "+step +proj=helmert +x=-87 +y=-98 +z=-121 +step +inv +proj=cart +ellps=WGS84";

inline std::vector<Point3> Cct(const std::string& pipeline, const std::vector<Point3>& points,
                               const CTempFolder& folder)
{
    const std::string input = folder / "cct-input.txt";
    std::ostringstream text;
    text.precision(17);
    for (const auto& p : points)
        text << p.x << ' ' << p.y << ' ' << p.z << " 0\n";
    WriteFile(input, text.str());
    const std::string output = Capture("cct -d 12 " + pipeline + " < '" + input + "' 2>/dev/null");
    std::vector<Point3> result;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line))
    {
        Point3 p;
        if (std::sscanf(line.c_str(), "%lf %lf %lf", &p.x, &p.y, &p.z) == 3)
            result.push_back(p);
    }
    return result;
}

// The feature count ogrinfo reports for a shapefile, -1 when it cannot open it.
inline long long OgrFeatureCount(const std::string& path)
{
    const std::string out = Capture("ogrinfo -ro -al -so '" + path + "' 2>&1");
    const std::size_t at = out.find("Feature Count: ");
    if (at == std::string::npos)
        return -1;
    return std::atoll(out.c_str() + at + 15);
}

} // namespace batchtest
