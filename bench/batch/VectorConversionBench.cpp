// The vector converter against GDAL's ogr2ogr, in one run on the same data: a
// GeoPackage of 20,000 lines of 50 vertices (1,000,000 vertices) in WGS 84,
// converted onto UTM zone 31N with the same layer creation options (the
// spatial index kept, as ogr2ogr keeps it). Prints both times, the ratio
// (peer time / our time), the time of a plain ogr2ogr copy of the file (what
// reading and writing the GeoPackage costs without any conversion), the
// process's peak memory and the largest difference from ogr2ogr's vertices.
// Built by the benchmarks target only; `make bench` runs it.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <sys/resource.h>

#include "BatchRunControl.h"
#include "ConvertVector.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWgs84 = 4326;
constexpr int kUtm31 = 32631;
constexpr const char* kWgs84Proj = "+proj=longlat +datum=WGS84 +no_defs";
constexpr const char* kUtm31Proj = "+proj=utm +zone=31 +datum=WGS84 +units=m +no_defs";

class CBenchLoader : public CRecordLoader
{
public:
    void LoadGridRecord(int, CCfgMapProjection& record) override
    {
        record.datumId = kWgs84;
        record.projectionId = 160;
        record.falseEasting = 500000;
        record.longitudeOrigin = 3;
        record.scaleFactor = 0.9996;
    }
    void LoadDatumRecord(int, CCfgMapProjection& record) override { record.datumId = kWgs84; }
};

class CQuietSink : public CBatchSink
{
public:
    void Post(const BatchNotice& notice) override
    {
        if (notice.code == BATCH_COMPLETED || notice.code == BATCH_STOPPED)
            end = notice.text;
        else if (notice.code == BATCH_STATUS)
            status += notice.text + "\n";
    }
    std::string end, status;
};

struct Timing
{
    double wall = 0;
    double cpu = 0;
};

double ProcessorSeconds()
{
    rusage own, children;
    getrusage(RUSAGE_SELF, &own);
    getrusage(RUSAGE_CHILDREN, &children);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(own.ru_utime) + seconds(own.ru_stime) + seconds(children.ru_utime) + seconds(children.ru_stime);
}

Timing Seconds(const std::function<void()>& work)
{
    const double cpu = ProcessorSeconds();
    const auto start = std::chrono::steady_clock::now();
    work();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            ProcessorSeconds() - cpu};
}

// A fixed pseudo-random sequence, the same every run.
struct CSequence
{
    unsigned long long state = 88172645463325252ull;
    double Next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    }
};

// lines x vertices lines inside zone 31, with a number and a name each.
bool WriteLines(const std::string& path, int lines, int vertices)
{
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
    std::unique_ptr<GDALDataset> data(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!data)
        return false;
    OGRSpatialReference wgs84;
    wgs84.importFromEPSG(kWgs84);
    wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    OGRLayer* layer = data->CreateLayer("lines", &wgs84, wkbLineString, nullptr);
    OGRFieldDefn number("number", OFTInteger), name("name", OFTString);
    if (layer == nullptr || layer->CreateField(&number) != OGRERR_NONE || layer->CreateField(&name) != OGRERR_NONE ||
        layer->StartTransaction() != OGRERR_NONE)
        return false;
    CSequence random;
    for (int l = 0; l < lines; ++l)
    {
        OGRFeature feature(layer->GetLayerDefn());
        feature.SetField(0, l);
        feature.SetField(1, ("line " + std::to_string(l)).c_str());
        auto line = std::make_unique<OGRLineString>();
        const double x0 = 0.5 + 5 * random.Next(), y0 = 40 + 20 * random.Next();
        for (int v = 0; v < vertices; ++v)
            line->addPoint(x0 + 0.001 * v, y0 + 0.0005 * v);
        feature.SetGeometryDirectly(line.release());
        if (layer->CreateFeature(&feature) != OGRERR_NONE)
            return false;
    }
    return layer->CommitTransaction() == OGRERR_NONE;
}

std::vector<OGRPoint> Vertices(const std::string& path)
{
    std::vector<OGRPoint> points;
    std::unique_ptr<GDALDataset> data(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    if (!data)
        return points;
    OGRLayer* layer = data->GetLayer(0);
    for (auto& feature : *layer)
        if (const auto* line = dynamic_cast<const OGRLineString*>(feature->GetGeometryRef()))
            for (int i = 0; i < line->getNumPoints(); ++i)
                points.emplace_back(line->getX(i), line->getY(i));
    return points;
}

void Report(const char* name, long long units, Timing ours, Timing peer, double target)
{
    std::printf("%s, %lld vertices\n", name, units);
    std::printf("  wall:      ours %7.3f s (%10.0f/s)  peer %7.3f s (%10.0f/s)  ratio %5.2f  target %.1f: %s\n",
                ours.wall, units / ours.wall, peer.wall, units / peer.wall, peer.wall / ours.wall, target,
                peer.wall / ours.wall >= target ? "met" : "not met");
    std::printf("  processor: ours %7.3f s (%10.0f/s)  peer %7.3f s (%10.0f/s)  ratio %5.2f\n", ours.cpu,
                units / ours.cpu, peer.cpu, units / peer.cpu, peer.cpu / ours.cpu);
}

} // namespace

int main()
{
    GDALAllRegister();
    std::string pattern = (fs::temp_directory_path() / "geolynx-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return 1;
    const fs::path folder = pattern;
    const char* scaleText = std::getenv("GEOLYNX_BENCH_SCALE");
    const double scale = scaleText != nullptr && std::atof(scaleText) > 0 ? std::atof(scaleText) : 1.0;
    const int lines = static_cast<int>(20000 * scale), vertices = 50;
    const std::string input = (folder / "lines.gpkg").string();
    if (!WriteLines(input, lines, vertices))
    {
        std::fprintf(stderr, "the input GeoPackage cannot be written\n");
        return 1;
    }
    std::printf("machine: %u cores\n", std::thread::hardware_concurrency());

    BatchSettings settings;
    settings.ConversionType = CONVERSION_VECTOR;
    settings.sourceDatum = kWgs84;
    settings.destinationDatum = kWgs84;
    settings.destinationGrid = kUtm31;
    settings.sourceFile = input;
    settings.destinationFile = (folder / "lines-utm.gpkg").string();
    CConversionContext context;
    CBenchLoader loader;
    CQuietSink sink;
    CBatchRunControl run(settings, context, loader, sink);
    // The destination system as GDAL describes the EPSG system.
    const VectorSystemSource system = [](int, int gridId, std::string& wkt, int& epsg, std::string&) {
        OGRSpatialReference srs;
        char* text = nullptr;
        epsg = gridId;
        srs.importFromEPSG(gridId);
        srs.exportToWkt(&text);
        wkt = text != nullptr ? text : "";
        CPLFree(text);
        return !wkt.empty();
    };
    const Timing ours = Seconds([&] {
        run.BeginRun();
        ConvertVector(run, system);
    });
    if (sink.end != kBatchCompletedText)
    {
        std::fprintf(stderr, "our run failed: %s%s\n", sink.status.c_str(), sink.end.c_str());
        return 1;
    }
    const std::string peerFile = (folder / "lines-ogr.gpkg").string();
    const Timing peer = Seconds([&] {
        (void)std::system((std::string("ogr2ogr -q -f GPKG -s_srs '") + kWgs84Proj + "' -t_srs '" + kUtm31Proj +
                           "' '" + peerFile + "' '" + input + "'")
                              .c_str());
    });
    const Timing copy = Seconds([&] {
        (void)std::system(("ogr2ogr -q -f GPKG '" + (folder / "lines-copy.gpkg").string() + "' '" + input + "'").c_str());
    });
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    Report("GeoPackage, 20,000 lines of 50 vertices, WGS 84 to UTM 31N vs ogr2ogr", 1LL * lines * vertices, ours,
           peer, 1.5);
    std::printf("  plain ogr2ogr copy, no conversion: wall %.3f s, processor %.3f s\n", copy.wall, copy.cpu);
    std::printf("  peak memory of this process (input writing included): %ld MB\n", usage.ru_maxrss / 1024);

    const auto a = Vertices(settings.destinationFile), b = Vertices(peerFile);
    double largest = a.size() == b.size() && !a.empty() ? 0 : INFINITY;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        largest = std::max(largest, std::hypot(a[i].getX() - b[i].getX(), a[i].getY() - b[i].getY()));
    std::printf("  vertices: ours %zu, peer %zu; largest difference from ogr2ogr: %.6f m (at most 0.001 m: %s)\n",
                a.size(), b.size(), largest, largest <= 0.001 ? "met" : "NOT MET");
    // ogrinfo's description of the layer (its system's text aside: the peer's
    // is the unnamed one of a PROJ string) and the spatial index tables.
    auto structure = [](const std::string& file) {
        std::string out;
        const std::string command =
            "ogrinfo -so '" + file +
            "' lines | grep -E '^(Geometry|Feature Count|FID Column|Geometry Column|[A-Za-z0-9_]+: [A-Z])' | grep -v '^INFO'; "
            "sqlite3 '" + file + "' \"SELECT name FROM sqlite_master WHERE name LIKE 'rtree%' ORDER BY name\"";
        if (std::FILE* pipe = popen(command.c_str(), "r"))
        {
            char buffer[4096];
            std::size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
                out.append(buffer, n);
            pclose(pipe);
        }
        return out;
    };
    const std::string ourStructure = structure(settings.destinationFile);
    std::printf("  layer structure and spatial index the same as ogr2ogr's: %s\n",
                !ourStructure.empty() && ourStructure == structure(peerFile) ? "yes" : "NO");
    // GEOLYNX_BENCH_KEEP keeps the data and the outputs, to compare the
    // bytes of two builds.
    if (std::getenv("GEOLYNX_BENCH_KEEP") != nullptr)
    {
        std::printf("  data and outputs kept in %s\n", folder.c_str());
        return 0;
    }
    std::error_code error;
    fs::remove_all(folder, error);
    return 0;
}
