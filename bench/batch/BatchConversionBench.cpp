// Batch throughput against the peer tools, in one run on the same data:
//   a 1,000,000-line CSV from WGS 84 geographic to UTM zone 31N, against
//   PROJ's cs2cs on the same points;
//   a 20,000-polyline, 1,000,000-vertex shapefile onto the same grid, against
//   GDAL's ogr2ogr -t_srs.
// Prints both times and the ratio (peer time / our time), whether a run on
// every core wrote the bytes of a run on one thread, and the largest
// difference from the peer's coordinates. Built by the benchmarks target
// only; `make bench` runs it.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <time.h>

#include "BatchRunControl.h"
#include "BlockScheduler.h"
#include "ConvertShp.h"
#include "TextFileConversion.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWgs84 = 4326;
constexpr int kUtm31 = 32631;
constexpr const char* kWgs84Proj = "+proj=longlat +datum=WGS84 +no_defs";
constexpr const char* kUtm31Proj = "+proj=utm +zone=31 +datum=WGS84 +units=m +no_defs";

class CBenchLoader : public CRecordLoader
{
public:
    // A loaded record names its datum; a record left at datum 0 is refused
    // as not found.
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
    }
    std::string end;
};

// Wall-clock and processor time of a piece of work: its own thread's and
// that of the child processes it waited for. On a shared machine the
// processor times are the fairer comparison; both are printed.
struct Timing
{
    double wall = 0;
    double cpu = 0;
};

double ProcessorSeconds()
{
    // The whole process's: our runs convert on several threads.
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
    std::uint64_t state = 88172645463325252ull;
    double Next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    }
};

void Append32(std::string& b, std::uint32_t v, bool big)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<char>(big ? (v >> (24 - 8 * i)) & 0xff : (v >> (8 * i)) & 0xff));
}

void AppendDouble(std::string& b, double d)
{
    char bytes[8];
    std::memcpy(bytes, &d, 8);
    b.append(bytes, 8);
}

// A polyline shapefile set of lines x vertices inside zone 31.
void WritePolylines(const std::string& base, int lines, int vertices)
{
    CSequence random;
    std::string body, index;
    const std::uint32_t contentWords = (44 + 4 + 16 * vertices) / 2;
    std::uint32_t offset = 50;
    for (int l = 0; l < lines; ++l)
    {
        std::string c;
        Append32(c, 3, false);
        const double x0 = 0.5 + 5 * random.Next(), y0 = 40 + 20 * random.Next();
        std::vector<double> xy;
        double xmin = 1e9, ymin = 1e9, xmax = -1e9, ymax = -1e9;
        for (int v = 0; v < vertices; ++v)
        {
            const double x = x0 + 0.001 * v, y = y0 + 0.0005 * v;
            xy.push_back(x), xy.push_back(y);
            xmin = std::min(xmin, x), ymin = std::min(ymin, y), xmax = std::max(xmax, x), ymax = std::max(ymax, y);
        }
        AppendDouble(c, xmin), AppendDouble(c, ymin), AppendDouble(c, xmax), AppendDouble(c, ymax);
        Append32(c, 1, false);
        Append32(c, static_cast<std::uint32_t>(vertices), false);
        Append32(c, 0, false);
        for (double d : xy)
            AppendDouble(c, d);
        Append32(body, static_cast<std::uint32_t>(l + 1), true);
        Append32(body, contentWords, true);
        body += c;
        Append32(index, offset, true);
        Append32(index, contentWords, true);
        offset += 4 + contentWords;
    }
    auto header = [](std::uint32_t words) {
        std::string h;
        Append32(h, 9994, true);
        for (int i = 0; i < 5; ++i)
            Append32(h, 0, true);
        Append32(h, words, true);
        Append32(h, 1000, false);
        Append32(h, 3, false);
        for (double d : {0.5, 40.0, 6.0, 61.0, 0.0, 0.0, 0.0, 0.0})
            AppendDouble(h, d);
        return h;
    };
    auto write = [](const std::string& path, const std::string& bytes) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    };
    write(base + ".shp", header(offset) + body);
    write(base + ".shx", header(50 + 4 * static_cast<std::uint32_t>(lines)) + index);
    // A one-field table so that ogr2ogr has its attributes.
    std::string dbf(32, '\0');
    dbf[0] = 3;
    const std::uint32_t n = static_cast<std::uint32_t>(lines);
    std::memcpy(&dbf[4], &n, 4);
    const std::uint16_t headerSize = 65, recordSize = 9;
    std::memcpy(&dbf[8], &headerSize, 2);
    std::memcpy(&dbf[10], &recordSize, 2);
    std::string field(32, '\0');
    std::memcpy(&field[0], "ID", 2);
    field[11] = 'N';
    field[16] = 8;
    dbf += field + '\x0d';
    for (int l = 0; l < lines; ++l)
    {
        char record[16];
        std::snprintf(record, sizeof record, " %8d", l + 1);
        dbf += record;
    }
    dbf += '\x1a';
    write(base + ".dbf", dbf);
}

Timing RunOurs(BatchSettings& settings, void (*worker)(CBatchRunControl&), unsigned threads = 0)
{
    SetBatchParallelism({threads, 0});
    CConversionContext context;
    CBenchLoader loader;
    CQuietSink sink;
    CBatchRunControl run(settings, context, loader, sink);
    const Timing seconds = Seconds([&] {
        run.BeginRun();
        worker(run);
    });
    if (sink.end != kBatchCompletedText)
        std::fprintf(stderr, "our run ended with: %s\n", sink.end.c_str());
    return seconds;
}

Timing RunPeer(const std::string& command)
{
    int status = 0;
    const Timing seconds = Seconds([&] { status = std::system(command.c_str()); });
    if (status != 0)
        std::fprintf(stderr, "peer failed: %s\n", command.c_str());
    return seconds;
}

std::string ReadAll(const std::string& path)
{
    std::string bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb"))
    {
        char block[1 << 16];
        std::size_t n;
        while ((n = std::fread(block, 1, sizeof block, f)) > 0)
            bytes.append(block, n);
        std::fclose(f);
    }
    return bytes;
}

// The largest difference, in metres, between the coordinates of our text
// output (x,y,h) and cs2cs's (x y h); a huge value when the files disagree
// on their lines.
double LargestTextDifference(const std::string& ours, const std::string& peer)
{
    std::FILE* a = std::fopen(ours.c_str(), "rb");
    std::FILE* b = std::fopen(peer.c_str(), "rb");
    double largest = a != nullptr && b != nullptr ? 0 : 1e300;
    double x1, y1, h1, x2, y2, h2;
    while (a != nullptr && b != nullptr)
    {
        const int n1 = std::fscanf(a, "%lf,%lf,%lf", &x1, &y1, &h1);
        const int n2 = std::fscanf(b, "%lf %lf %lf", &x2, &y2, &h2);
        if (n1 != n2)
            largest = 1e300;
        if (n1 != 3 || n2 != 3)
            break;
        largest = std::max({largest, std::fabs(x1 - x2), std::fabs(y1 - y2)});
    }
    if (a != nullptr)
        std::fclose(a);
    if (b != nullptr)
        std::fclose(b);
    return largest;
}

// The same for the vertices of two polyline main files, record by record.
double LargestShapeDifference(const std::string& ours, const std::string& peer)
{
    const std::string a = ReadAll(ours), b = ReadAll(peer);
    auto big = [](const std::string& s, std::size_t at) {
        const auto* p = reinterpret_cast<const unsigned char*>(s.data() + at);
        return static_cast<std::size_t>(p[0]) << 24 | static_cast<std::size_t>(p[1]) << 16 |
               static_cast<std::size_t>(p[2]) << 8 | p[3];
    };
    auto little = [](const std::string& s, std::size_t at) {
        std::uint32_t v;
        std::memcpy(&v, s.data() + at, 4);
        return static_cast<std::size_t>(v);
    };
    auto real = [](const std::string& s, std::size_t at) {
        double d;
        std::memcpy(&d, s.data() + at, 8);
        return d;
    };
    double largest = a.size() > 100 && b.size() > 100 ? 0 : 1e300;
    std::size_t i = 100, j = 100;
    while (largest < 1e300 && i + 52 <= a.size() && j + 52 <= b.size())
    {
        const std::size_t partsA = little(a, i + 44), pointsA = little(a, i + 48);
        const std::size_t partsB = little(b, j + 44), pointsB = little(b, j + 48);
        if (pointsA != pointsB)
            return 1e300;
        const std::size_t atA = i + 52 + 4 * partsA, atB = j + 52 + 4 * partsB;
        if (atA + 16 * pointsA > a.size() || atB + 16 * pointsB > b.size())
            return 1e300;
        for (std::size_t k = 0; k < 2 * pointsA; ++k)
            largest = std::max(largest, std::fabs(real(a, atA + 8 * k) - real(b, atB + 8 * k)));
        i += 8 + 2 * big(a, i + 4);
        j += 8 + 2 * big(b, j + 4);
    }
    if (i != a.size() || j != b.size())
        largest = 1e300;
    return largest;
}

void Report(const char* name, long long units, const char* unit, Timing ours, Timing peer, double target)
{
    std::printf("%s, %lld %s\n", name, units, unit);
    std::printf("  wall:      ours %7.3f s (%10.0f/s)  peer %7.3f s (%10.0f/s)  ratio %5.2f\n", ours.wall,
                units / ours.wall, peer.wall, units / peer.wall, peer.wall / ours.wall);
    std::printf("  processor: ours %7.3f s (%10.0f/s)  peer %7.3f s (%10.0f/s)  ratio %5.2f  target %.0f: %s\n",
                ours.cpu, units / ours.cpu, peer.cpu, units / peer.cpu, peer.cpu / ours.cpu, target,
                peer.cpu / ours.cpu >= target ? "met" : "not met");
}

} // namespace

int main()
{
    std::string pattern = (fs::temp_directory_path() / "geolynx-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return 1;
    const fs::path folder = pattern;

    // Text: lon,lat,height lines in zone 31; cs2cs reads the same numbers
    // from a blank separated copy, its native input.
    // GEOLYNX_BENCH_SCALE (a fraction) shrinks both data sets, for a run
    // under a profiler.
    const char* scaleText = std::getenv("GEOLYNX_BENCH_SCALE");
    const double scale = scaleText != nullptr && std::atof(scaleText) > 0 ? std::atof(scaleText) : 1.0;
    const int lines = static_cast<int>(1000000 * scale);
    {
        CSequence random;
        std::FILE* csv = std::fopen((folder / "points.csv").c_str(), "wb");
        std::FILE* txt = std::fopen((folder / "points.txt").c_str(), "wb");
        for (int i = 0; i < lines; ++i)
        {
            const double lon = 0.2 + 5.6 * random.Next(), lat = 38 + 24 * random.Next(), h = 500 * random.Next();
            std::fprintf(csv, "%.8f,%.8f,%.2f\n", lon, lat, h);
            std::fprintf(txt, "%.8f %.8f %.2f\n", lon, lat, h);
        }
        std::fclose(csv);
        std::fclose(txt);
    }
    BatchSettings text;
    text.sourceDatum = kWgs84;
    text.destinationDatum = kWgs84;
    text.destinationGrid = kUtm31;
    text.SeparatorChoice = 1;
    text.sourceFile = (folder / "points.csv").string();
    text.destinationFile = (folder / "points-utm.csv").string();
    std::printf("machine: %u cores, load average %s", std::thread::hardware_concurrency(),
                ReadAll("/proc/loadavg").c_str());
    // One thread first, for the bytes every thread count must write.
    const std::string oneThread = (folder / "points-one-thread.csv").string();
    text.destinationFile = oneThread;
    const Timing singleText = RunOurs(text, ConvertTextFile, 1);
    text.destinationFile = (folder / "points-utm.csv").string();
    const Timing oursText = RunOurs(text, ConvertTextFile);
    const Timing peerText = RunPeer(std::string("cs2cs -f %.2f ") + kWgs84Proj + " +to " + kUtm31Proj + " < '" +
                                    (folder / "points.txt").string() + "' > '" +
                                    (folder / "points-cs2cs.txt").string() + "'");
    Report("CSV, WGS 84 to UTM 31N vs cs2cs", lines, "lines", oursText, peerText, 10);
    std::printf("  one thread: wall %.3f s, processor %.3f s; same bytes on every thread: %s\n", singleText.wall,
                singleText.cpu, ReadAll(oneThread) == ReadAll(text.destinationFile) ? "yes" : "NO");
    // Our output has the centimetres of "%3.2lf": held against cs2cs's
    // micrometres, untimed, it may differ by half a centimetre from the
    // rounding and by 0.1 mm more at most.
    RunPeer(std::string("cs2cs -f %.6f ") + kWgs84Proj + " +to " + kUtm31Proj + " < '" +
            (folder / "points.txt").string() + "' > '" + (folder / "points-cs2cs-fine.txt").string() + "'");
    const double textDifference =
        LargestTextDifference(text.destinationFile, (folder / "points-cs2cs-fine.txt").string());
    std::printf("  largest difference from cs2cs: %.6f m, beyond our rounding to 0.01 m: %.6f m (at most 0.0001 m: %s)\n",
                textDifference, std::max(0.0, textDifference - 0.005),
                textDifference <= 0.005 + 0.0001 ? "met" : "NOT MET");

    const int polylines = static_cast<int>(20000 * scale), vertices = 50;
    WritePolylines((folder / "lines").string(), polylines, vertices);
    BatchSettings shape;
    shape.ConversionType = CONVERSION_SHAPEFILE;
    shape.sourceDatum = kWgs84;
    shape.destinationDatum = kWgs84;
    shape.destinationGrid = kUtm31;
    shape.sourceFile = (folder / "lines.shp").string();
    shape.destinationFile = (folder / "lines-utm.shp").string();
    shape.destinationFile = (folder / "lines-one.shp").string();
    const Timing singleShape = RunOurs(shape, ConvertShapefile, 1);
    shape.destinationFile = (folder / "lines-utm.shp").string();
    const Timing oursShape = RunOurs(shape, ConvertShapefile);
    const Timing peerShape =
        RunPeer(std::string("ogr2ogr -q -f 'ESRI Shapefile' -s_srs '") + kWgs84Proj + "' -t_srs '" + kUtm31Proj +
                "' '" + (folder / "lines-ogr.shp").string() + "' '" + shape.sourceFile + "'");
    Report("Shapefile, 20,000 polylines vs ogr2ogr", static_cast<long long>(polylines) * vertices, "vertices",
           oursShape, peerShape, 4);
    bool sameShape = true;
    for (const char* extension : {".shp", ".shx", ".dbf"})
        sameShape = sameShape && ReadAll((folder / "lines-one").string() + extension) ==
                                     ReadAll((folder / "lines-utm").string() + extension);
    std::printf("  one thread: wall %.3f s, processor %.3f s; same bytes on every thread: %s\n", singleShape.wall,
                singleShape.cpu, sameShape ? "yes" : "NO");
    const double shapeDifference = LargestShapeDifference(shape.destinationFile, (folder / "lines-ogr.shp").string());
    std::printf("  largest difference from ogr2ogr: %.6f m (at most 0.0001 m: %s)\n", shapeDifference,
                shapeDifference <= 0.0001 ? "met" : "NOT MET");

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
