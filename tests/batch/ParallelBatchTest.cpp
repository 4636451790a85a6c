// The text and shapefile workers write the same bytes, and end with the same
// texts, whether their blocks are converted on one thread or shared out on
// several in small blocks.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "BlockScheduler.h"
#include "ParallelismScope.h"
#include "ConvertShp.h"
#include "ShapefileTestSupport.h"
#include "TextFileConversion.h"

using namespace batchtest;

namespace {

struct Outcome
{
    std::vector<std::string> files;
    std::vector<BatchNotice> notices;
};

// Notices without the progress ones, whose number depends on the blocks.
std::vector<std::string> Texts(const std::vector<BatchNotice>& notices)
{
    std::vector<std::string> texts;
    for (const auto& n : notices)
        if (n.code != BATCH_PROGRESS)
            texts.push_back(std::to_string(n.code) + " " + n.text);
    return texts;
}

void ConvertShapefileWithFixedWkt(CBatchRunControl& run)
{
    ConvertShapefile(run, [](int, int, std::string& wkt, std::string&) {
        wkt = "GEOGCS[\"WGS 84\"]";
        return true;
    });
}

Outcome Run(const BatchSettings& settings, void (*worker)(CBatchRunControl&), const std::vector<std::string>& outputs,
            unsigned threads, std::size_t blockItems)
{
    CParallelism parallelism(threads, blockItems);
    CRun r(settings);
    r(worker);
    Outcome outcome;
    for (const auto& path : outputs)
        outcome.files.push_back(fs::exists(path) ? ReadFile(path) : std::string("(none)"));
    outcome.notices = r.sink.Notices();
    return outcome;
}

void ExpectSameRuns(const BatchSettings& settings, void (*worker)(CBatchRunControl&),
                    const std::vector<std::string>& outputs, const std::string& what)
{
    const Outcome single = Run(settings, worker, outputs, 1, 0);
    ASSERT_FALSE(single.notices.empty()) << what;
    // Blocks of a few items, on more threads than the machine may have, so
    // that shares and blocks end everywhere, inside quoted fields as well.
    for (const std::size_t block : {std::size_t(3), std::size_t(7), std::size_t(1000)})
    {
        const Outcome shared = Run(settings, worker, outputs, 4, block);
        for (std::size_t f = 0; f < outputs.size(); ++f)
            EXPECT_TRUE(shared.files[f] == single.files[f]) << what << ": " << outputs[f] << " differs, blocks of "
                                                           << block;
        EXPECT_EQ(Texts(shared.notices), Texts(single.notices)) << what << ", blocks of " << block;
    }
}

// A text file of many kinds of line: numbers, bad fields, empty and missing
// fields, quoted fields with separators and line ends inside, blank lines,
// and LF, CR LF and CR line ends mixed.
std::string MixedText(int lines)
{
    std::string text = "\xEF\xBB\xBFlon,lat,h\r\n";
    const char* endings[] = {"\n", "\r\n", "\r"};
    for (int i = 0; i < lines; ++i)
    {
        const double lon = -2 + std::fmod(i * 0.0137, 9.0), lat = 40 + std::fmod(i * 0.0071, 20.0);
        char line[160];
        switch (i % 23)
        {
        case 3: std::snprintf(line, sizeof line, "x%d,%.6f,1", i, lat); break;
        case 5: std::snprintf(line, sizeof line, "%.6f,,2", lon); break;
        case 7: std::snprintf(line, sizeof line, "%.6f", lon); break;
        case 11: std::snprintf(line, sizeof line, "\"%.6f\",\"%.6f\",\"3\"", lon, lat); break;
        case 13: std::snprintf(line, sizeof line, "\"note, with \"\"quotes\"\" and\nline ends\r\ninside\",%.6f", lat); break;
        case 17: std::snprintf(line, sizeof line, "   "); break;
        case 19: std::snprintf(line, sizeof line, "%.6f,95.5,4", lon); break; // beyond the pole
        case 21: std::snprintf(line, sizeof line, "%.6f,%.6f,\"open", lon, lat); break;
        default: std::snprintf(line, sizeof line, "%.6f,%.6f,%.2f,rest \"of\" it", lon, lat, i * 0.25); break;
        }
        text += line;
        text += endings[(i / 3) % 3];
    }
    return text;
}

} // namespace

TEST(ParallelBatch, TextFilesConvertToTheSameBytesOnEveryThreadCount)
{
    CTempFolder folder;
    BatchSettings s;
    s.ConversionType = CONVERSION_TEXT;
    s.SeparatorChoice = 1;
    s.header = 1;
    s.longitudeColumn = 1;
    s.latitudeColumn = 2;
    s.altitudeColumn = 3;
    s.sourceFile = folder / "in.csv";
    s.destinationFile = folder / "out.csv";
    WriteFile(s.sourceFile, MixedText(1200));

    struct Case
    {
        const char* what;
        int sourceDatum, destinationDatum, destinationGrid;
    };
    for (const Case& c : {Case{"datum shift", WGS72, WGS84, 0}, Case{"onto a grid", WGS84, WGS84, UTM31N}})
    {
        s.sourceDatum = c.sourceDatum;
        s.destinationDatum = c.destinationDatum;
        s.destinationGrid = c.destinationGrid;
        ExpectSameRuns(s, ConvertTextFile, {s.destinationFile}, c.what);
        // The run did convert, and left the lines it could not.
        const std::string out = ReadFile(s.destinationFile);
        EXPECT_NE(out, ReadFile(s.sourceFile)) << c.what;
    }

    // Autodetected blank separator, no quoting, a line end on the last line
    // missing.
    s.SeparatorChoice = 0;
    s.resolvedSeparator.clear();
    s.header = 0;
    s.destinationGrid = 0;
    std::string blanks;
    for (int i = 0; i < 500; ++i)
        blanks += std::to_string(1 + i % 5) + "  " + std::to_string(45 + i % 7) + (i % 9 == 0 ? " z" : " 12.5") +
                  (i == 499 ? "" : "\n");
    WriteFile(s.sourceFile, blanks);
    ExpectSameRuns(s, ConvertTextFile, {s.destinationFile}, "blank separated");
}

TEST(ParallelBatch, ShapefilesConvertToTheSameBytesOnEveryThreadCount)
{
    CTempFolder folder;
    auto line = [](double x0, double y0, int n, int type) {
        Shape s;
        s.type = type;
        s.parts = {0};
        if (n > 3)
            s.parts.push_back(n / 2);
        if (type == 31)
            s.partTypes.assign(s.parts.size(), 1);
        for (int i = 0; i < n; ++i)
        {
            s.points.push_back({x0 + 0.01 * i, y0 + 0.005 * (i % 5), 10.0 * i});
            if (type == 23 || type == 25 || type == 28 || type == 21)
                s.m.push_back(i);
        }
        return s;
    };
    struct Case
    {
        int type;
        int vertices; // a record
    };
    // Points, multipoints, lines, polygons and multipatches, with Z and
    // measures; a set with records of several types; and one that fails on
    // a vertex beyond the pole, which must fail at the same record.
    std::vector<std::pair<int, std::vector<Shape>>> sets;
    for (const Case c : {Case{1, 1}, Case{21, 1}, Case{8, 4}, Case{3, 9}, Case{15, 12}, Case{25, 6}, Case{31, 8}})
    {
        std::vector<Shape> shapes;
        for (int i = 0; i < 200; ++i)
            shapes.push_back(line(-1 + 0.03 * i, 42 + 0.05 * (i % 60), c.vertices, c.type));
        sets.emplace_back(c.type, shapes);
    }
    std::vector<Shape> mixed;
    for (int i = 0; i < 150; ++i)
    {
        const int types[] = {3, 0, 5, 1, 8, 3, 0, 5};
        Shape s = types[i % 8] == 0 ? Shape{} : line(0.1 * (i % 40), 44 + 0.01 * i, 1 + i % 11, types[i % 8]);
        if (s.type == 1 || s.type == 0)
            s.parts.clear();
        if (s.type == 1)
            s.points.resize(1);
        mixed.push_back(s);
    }
    sets.emplace_back(3, mixed);
    std::vector<Shape> failing = sets[3].second;
    // Two failing records: the first in the file is the one reported.
    failing[137].points[4].y = 91;
    failing[150].points[2].y = -92;
    sets.emplace_back(3, failing);

    for (std::size_t k = 0; k < sets.size(); ++k)
    {
        const std::string source = folder / ("in" + std::to_string(k));
        const std::string destination = folder / ("out" + std::to_string(k));
        WriteShapefile(source, sets[k].first, sets[k].second);
        BatchSettings s;
        s.ConversionType = CONVERSION_SHAPEFILE;
        s.sourceDatum = WGS84;
        s.destinationDatum = WGS84;
        s.destinationGrid = UTM31N;
        s.sourceFile = source + ".shp";
        s.destinationFile = destination + ".shp";
        const std::string what = "set " + std::to_string(k) + " of type " + std::to_string(sets[k].first);
        ExpectSameRuns(s, ConvertShapefileWithFixedWkt,
                       {destination + ".shp", destination + ".shx", destination + ".dbf", destination + ".prj"},
                       what);
        const bool fails = k + 1 == sets.size();
        EXPECT_EQ(fs::exists(destination + ".shp"), !fails) << what;
    }
}
