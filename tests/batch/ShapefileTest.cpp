#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>

#include "ConvertShp.h"
#include "ScratchFolder.h"
#include "ShapefileTestSupport.h"

using namespace batchtest;

namespace {

// The shapefile worker reads the destination's .prj text from the catalogue:
// every test of this program gets a home of its own, whose catalogue is
// created from the shipped one.
class CScratchHome : public ::testing::Environment
{
public:
    void SetUp() override { home = std::make_unique<CScratchFolder>(); }
    void TearDown() override { home.reset(); }

private:
    std::unique_ptr<CScratchFolder> home;
};

[[maybe_unused]] ::testing::Environment* const scratchHome = ::testing::AddGlobalTestEnvironment(new CScratchHome);

BatchSettings ShapeSettings(const std::string& source, const std::string& destination, int sourceDatum = WGS72,
                            int destinationDatum = WGS84)
{
    BatchSettings s;
    s.sourceDatum = sourceDatum;
    s.destinationDatum = destinationDatum;
    s.ConversionType = CONVERSION_SHAPEFILE;
    s.sourceFile = source;
    s.destinationFile = destination;
    return s;
}

Point3 P(double x, double y, double z = 0)
{
    return {x, y, z};
}

// The shapes of one file of each kind the tests build.
std::vector<std::pair<int, std::vector<Shape>>> BuiltFiles()
{
    std::vector<std::pair<int, std::vector<Shape>>> files;
    files.push_back({1, {{1, {}, {}, {P(4.9, 52.37)}, {}}, {0, {}, {}, {}, {}}, {1, {}, {}, {P(-74, 40.7)}, {}}}});
    files.push_back({11, {{11, {}, {}, {P(2.35, 48.85, 35)}, {}}, {11, {}, {}, {P(151.2, -33.9, 58)}, {}}}});
    files.push_back({11, {{11, {}, {}, {P(2.35, 48.85, 35)}, {7.5}}, {0, {}, {}, {}, {}},
                          {11, {}, {}, {P(-0.1, 51.5, 11)}, {8.5}}}});
    files.push_back({8, {{8, {}, {}, {P(10, 50), P(11, 51), P(12, 49.5)}, {}}}});
    files.push_back({3, {{3, {0, 3}, {}, {P(0, 45), P(1, 45.5), P(2, 46), P(5, 45), P(6, 44)}, {}},
                         {0, {}, {}, {}, {}}}});
    files.push_back({5, {{5, {0, 5},
                          {},
                          {P(0, 0), P(0, 10), P(10, 10), P(10, 0), P(0, 0), P(2, 2), P(8, 2), P(8, 8), P(2, 8),
                           P(2, 2)},
                          {}}}});
    files.push_back({15, {{15, {0, 4},
                           {},
                           {P(20, 40, 100), P(20, 41, 110), P(21, 41, 120), P(20, 40, 100), P(22, 42, 5),
                            P(22, 43, 6), P(23, 43, 7), P(22, 42, 5)},
                           {1, 2, 3, 4, 5, 6, 7, 8}}}});
    files.push_back({23, {{23, {0}, {}, {P(-3, 40), P(-2, 41), P(-1, 42)}, {10, 20, 30}}}});
    files.push_back({18, {{18, {}, {}, {P(5, 5, 1), P(6, 6, 2)}, {}}}});
    files.push_back({31, {{31, {0}, {1}, {P(7, 47, 0), P(7.1, 47, 0), P(7, 47.1, 10), P(7, 47, 0)}, {}}}});
    return files;
}

// Holds a converted main file against its input: the same bytes outside the
// X, Y pairs, every vertex converted as PROJ converts it, and every box (the
// header's and each record's) the bounds of the converted vertices.
void ExpectConvertedPairs(const std::string& in, const std::string& out, const std::string& pipeline,
                          const CTempFolder& folder)
{
    ASSERT_EQ(out.size(), in.size());
    PairPlaces places = FindPairs(in);
    std::set<std::size_t> converted;
    std::vector<Point3> inputs;
    for (std::size_t at : places.boxes)
        for (std::size_t b = at; b < at + 16; ++b)
            converted.insert(b);
    for (std::size_t at : places.points)
    {
        for (std::size_t b = at; b < at + 16; ++b)
            converted.insert(b);
        inputs.push_back(P(ReadDouble(in, at), ReadDouble(in, at + 8), 0));
    }
    for (std::size_t b = 0; b < in.size(); ++b)
    {
        if (converted.count(b) == 0)
        {
            ASSERT_EQ(in[b], out[b]) << "byte " << b;
        }
    }
    const auto expected = Cct(pipeline, inputs, folder);
    ASSERT_EQ(expected.size(), inputs.size());
    for (std::size_t i = 0; i < places.points.size(); ++i)
    {
        EXPECT_NEAR(ReadDouble(out, places.points[i]), expected[i].x, 1e-9) << "pair at " << places.points[i];
        EXPECT_NEAR(ReadDouble(out, places.points[i] + 8), expected[i].y, 1e-9) << "pair at " << places.points[i];
        EXPECT_NE(ReadDouble(out, places.points[i]), inputs[i].x);
    }
    ExpectBoxesHoldTheirVertices(out);
}

} // namespace

TEST(ConvertShapefile, EveryShapeTypeConvertsAndKeepsItsLayout)
{
    ASSERT_TRUE(HaveTool("ogrinfo")) << "GDAL's ogrinfo is needed to check the outputs";
    ASSERT_TRUE(HaveTool("cct")) << "PROJ's cct is needed as the oracle";
    CTempFolder folder;
    int n = 0;
    for (const auto& [type, shapes] : BuiltFiles())
    {
        SCOPED_TRACE("shape type " + std::to_string(type));
        const std::string in = folder / ("in" + std::to_string(n));
        const std::string out = folder / ("out" + std::to_string(n));
        ++n;
        WriteShapefile(in, type, shapes);
        CRun r(ShapeSettings(in + ".shp", out + ".shp"));
        r(ConvertShapefile);
        ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
        const auto notices = r.sink.Notices();
        EXPECT_EQ(notices.front().code, BATCH_STATUS);
        EXPECT_EQ(notices.front().text, "Converting ESRI shapefile, please wait...");
        EXPECT_TRUE(r.sink.SentSynchronously().front());
        EXPECT_FALSE(r.sink.SentSynchronously().back()); // the end is posted

        const std::string shpIn = ReadFile(in + ".shp"), shpOut = ReadFile(out + ".shp");
        ExpectConvertedPairs(shpIn, shpOut, kWgs72ToWgs84, folder);
        EXPECT_EQ(ReadBig32(shpOut, 24), ReadBig32(shpIn, 24));
        EXPECT_EQ(static_cast<std::size_t>(2 * ReadBig32(shpOut, 24)), shpOut.size());
        // The index keeps its records and gets the main file's new box.
        const std::string shxIn = ReadFile(in + ".shx"), shxOut = ReadFile(out + ".shx");
        ASSERT_EQ(shxOut.size(), shxIn.size());
        EXPECT_EQ(shxOut.substr(100), shxIn.substr(100));
        EXPECT_EQ(shxOut.substr(0, 36), shxIn.substr(0, 36));
        EXPECT_EQ(shxOut.substr(36, 32), shpOut.substr(36, 32));
        EXPECT_EQ(ReadFile(in + ".dbf"), ReadFile(out + ".dbf"));

        const long long count = OgrFeatureCount(in + ".shp");
        EXPECT_EQ(count, static_cast<long long>(shapes.size()));
        EXPECT_EQ(OgrFeatureCount(out + ".shp"), count);
    }
}

TEST(ConvertShapefile, FilesGdalWroteConvert)
{
    ASSERT_TRUE(HaveTool("ogrinfo") && HaveTool("ogr2ogr")) << "GDAL's tools are needed";
    ASSERT_TRUE(HaveTool("cct")) << "PROJ's cct is needed as the oracle";
    CTempFolder folder;
    const char* layers[] = {
        R"({"type":"FeatureCollection","features":[
            {"type":"Feature","properties":{"name":"a"},"geometry":{"type":"Point","coordinates":[4.9,52.4]}},
            {"type":"Feature","properties":{"name":"b"},"geometry":{"type":"Point","coordinates":[-58.4,-34.6]}}]})",
        R"({"type":"FeatureCollection","features":[
            {"type":"Feature","properties":{"name":"r"},"geometry":{"type":"MultiLineString","coordinates":
              [[[0,45],[1,46],[2,45.5]],[[3,44],[4,44.5]]]}}]})",
        R"({"type":"FeatureCollection","features":[
            {"type":"Feature","properties":{"name":"p"},"geometry":{"type":"Polygon","coordinates":
              [[[10,50],[12,50],[12,52],[10,52],[10,50]],[[10.5,50.5],[10.5,51],[11,51],[10.5,50.5]]]}},
            {"type":"Feature","properties":{"name":"q"},"geometry":{"type":"Polygon","coordinates":
              [[[20,30,5],[21,30,6],[21,31,7],[20,30,5]]]}}]})",
    };
    int n = 0;
    for (const char* layer : layers)
    {
        const std::string json = folder / ("layer" + std::to_string(n) + ".geojson");
        const std::string in = folder / ("gdal" + std::to_string(n) + ".shp");
        const std::string out = folder / ("conv" + std::to_string(n) + ".shp");
        ++n;
        WriteFile(json, layer);
        ASSERT_EQ(std::system(("ogr2ogr -q -f 'ESRI Shapefile' '" + in + "' '" + json + "'").c_str()), 0);
        CRun r(ShapeSettings(in, out));
        r(ConvertShapefile);
        ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
        ExpectConvertedPairs(ReadFile(in), ReadFile(out), kWgs72ToWgs84, folder);
        EXPECT_EQ(OgrFeatureCount(out), OgrFeatureCount(in));
        EXPECT_GT(OgrFeatureCount(out), 0);
        EXPECT_EQ(ReadFile(folder / ("gdal" + std::to_string(n - 1) + ".dbf")),
                  ReadFile(folder / ("conv" + std::to_string(n - 1) + ".dbf")));
    }
}

TEST(ConvertShapefile, TruncatedAndInconsistentInputsFail)
{
    CTempFolder folder;
    WriteShapefile(folder / "good", 5, {BuiltFiles()[5].second});
    const std::string good = ReadFile(folder / "good.shp");
    ASSERT_GT(good.size(), 200u);

    std::vector<std::pair<std::string, std::string>> cases;
    cases.push_back({"cut in a record", good.substr(0, good.size() - 20)});
    cases.push_back({"cut in a record header", good + std::string("\0\0\0\2\0", 5)});
    cases.push_back({"short header", good.substr(0, 60)});
    std::string code = good;
    code[3] = 1;
    cases.push_back({"file code", code});
    std::string points = good;
    const std::int32_t huge = 0x3fffffff;
    std::memcpy(&points[108 + 40], &huge, 4);
    cases.push_back({"point count beyond the content", points});
    std::string parts = good;
    std::memcpy(&parts[108 + 36], &huge, 4);
    cases.push_back({"part count beyond the content", parts});
    std::string negative = good;
    const std::int32_t minus = -3;
    std::memcpy(&negative[108 + 40], &minus, 4);
    cases.push_back({"negative point count", negative});
    std::string length = good;
    length[104] = 0x7f;
    cases.push_back({"content length beyond the file", length});
    std::string tiny = good;
    tiny[104] = 0, tiny[105] = 0, tiny[106] = 0, tiny[107] = 1;
    cases.push_back({"content shorter than its shape type", tiny});
    std::string type = good;
    type[108] = 99;
    cases.push_back({"unknown shape type", type});

    for (const auto& [name, bytes] : cases)
    {
        SCOPED_TRACE(name);
        WriteFile(folder / "bad.shp", bytes);
        CRun r(ShapeSettings(folder / "bad.shp", folder / "out.shp"));
        r(ConvertShapefile);
        ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchFailedText);
        // A failed run leaves no file under the destination's names.
        EXPECT_FALSE(fs::exists(folder / "out.shp"));
        EXPECT_FALSE(fs::exists(folder / "out.shx"));
    }

    CRun missing(ShapeSettings(folder / "none.shp", folder / "out.shp"));
    missing(ConvertShapefile);
    ExpectOneEnd(missing.sink, BATCH_STOPPED, kBatchFailedText);
}

TEST(ConvertShapefile, CompanionNames)
{
    // Companions follow the case of the main file's extension.
    EXPECT_EQ(CConvertShp::CompanionName("/d/roads.SHP", ".shx"), "/d/roads.SHX");
    EXPECT_EQ(CConvertShp::CompanionName("/d/ROADS.SHP", ".shp.xml"), "/d/ROADS.SHP.XML");
    EXPECT_EQ(CConvertShp::CompanionName("/d/roads.shp", ".dbf"), "/d/roads.dbf");
    EXPECT_EQ(CConvertShp::CompanionName("roads.shp", ".dbf"), "roads.dbf");
    // Only the file name changes, so companions stay beside their main file.
    EXPECT_EQ(CConvertShp::CompanionName("/maps.shp/roads.shp", ".shx"), "/maps.shp/roads.shx");
    EXPECT_EQ(CConvertShp::CompanionName("/d/roads.Shp", ".shx"), "/d/roads.shx");
    EXPECT_EQ(CConvertShp::CompanionName("/d/.shp", ".shx"), std::nullopt);
    EXPECT_EQ(CConvertShp::CompanionName("/d.shp/roads", ".shx"), std::nullopt);
}

TEST(ConvertShapefile, CompanionsBesideTheirMainFiles)
{
    CTempFolder folder;
    const auto shapes = BuiltFiles()[0].second;
    fs::create_directory(folder.path / "in.shp");
    fs::create_directory(folder.path / "out.shp");
    WriteShapefile(folder / "in.shp/roads", 1, shapes);
    fs::rename(folder / "in.shp/roads.shp", folder / "in.shp/roads.SHP");

    CRun upper(ShapeSettings(folder / "in.shp/roads.SHP", folder / "out.shp/roads.SHP"));
    upper(ConvertShapefile);
    ExpectOneEnd(upper.sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_TRUE(fs::exists(folder / "out.shp/roads.SHP"));
    EXPECT_EQ(ReadFile(folder / "out.shp/roads.DBF"), ReadFile(folder / "in.shp/roads.dbf"));
    EXPECT_EQ(fs::file_size(folder / "out.shp/roads.SHX"), fs::file_size(folder / "in.shp/roads.shx"));

    // A mixed-case extension: the companions are named in lower case and the
    // main output is never written over.
    fs::copy_file(folder / "in.shp/roads.SHP", folder / "mixed.Shp");
    CRun mixed(ShapeSettings(folder / "mixed.Shp", folder / "mixedout.Shp"));
    mixed(ConvertShapefile);
    ExpectOneEnd(mixed.sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_EQ(fs::file_size(folder / "mixedout.Shp"), fs::file_size(folder / "mixed.Shp"));
    EXPECT_EQ(ReadBig32(ReadFile(folder / "mixedout.Shp"), 0), 9994);
    CRun half(ShapeSettings(folder / "in.shp/roads.SHP", folder / "halfout.Shp"));
    half(ConvertShapefile);
    ExpectOneEnd(half.sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_EQ(ReadBig32(ReadFile(folder / "halfout.Shp"), 0), 9994);
    EXPECT_EQ(fs::file_size(folder / "halfout.Shp"), fs::file_size(folder / "mixed.Shp"));

    // A missing attribute file: the rest converts and the run completes.
    fs::remove(folder / "in.shp/roads.dbf");
    CRun nodbf(ShapeSettings(folder / "in.shp/roads.SHP", folder / "nodbf.shp"));
    nodbf(ConvertShapefile);
    ExpectOneEnd(nodbf.sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_TRUE(fs::exists(folder / "nodbf.shx"));
    EXPECT_FALSE(fs::exists(folder / "nodbf.dbf"));

    // The same file under another name is refused and left whole.
    const std::string before = ReadFile(folder / "nodbf.shp");
    CRun same(ShapeSettings(folder / "nodbf.shp", folder / "./nodbf.shp"));
    same(ConvertShapefile);
    ExpectOneEnd(same.sink, BATCH_STOPPED, kBatchFailedText);
    EXPECT_EQ(ReadFile(folder / "nodbf.shp"), before);
}

TEST(ConvertShapefile, CancellationLeavesNoFileUnderTheDestinationNames)
{
    CTempFolder folder;
    std::vector<Shape> shapes;
    for (int i = 0; i < 300; ++i)
        shapes.push_back({1, {}, {}, {P(i * 0.5, 10 + i * 0.1)}, {}});
    WriteShapefile(folder / "many", 1, shapes);
    const std::string source = folder / "many.shp";

    // Before the first record, and at the first progress report: a cancelled
    // run leaves nothing under the destination's names and no temporary file.
    CRun first(ShapeSettings(source, folder / "a.shp"));
    first.sink.hook = [&first](const BatchNotice& n) {
        if (n.code == BATCH_STATUS)
            first.run.CancelOperation();
    };
    first(ConvertShapefile);
    ExpectOneEnd(first.sink, BATCH_STOPPED, kBatchAbortedText);

    CRun later(ShapeSettings(source, folder / "b.shp"));
    later.sink.hook = [&later](const BatchNotice& n) {
        if (n.code == BATCH_PROGRESS)
            later.run.CancelOperation();
    };
    later(ConvertShapefile);
    ExpectOneEnd(later.sink, BATCH_STOPPED, kBatchAbortedText);
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder.path))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"many.shp", "many.shx", "many.dbf"}));
}

TEST(ConvertShapefile, EachRunLoadsItsOwnSystems)
{
    ASSERT_TRUE(HaveTool("cct")) << "PROJ's cct is needed as the oracle";
    CTempFolder folder;
    WriteShapefile(folder / "in", 3, BuiltFiles()[4].second);
    CConversionContext context; // one engine for both runs, as in one program run
    CTestLoader loader;
    CRecordingSink sink;

    BatchSettings settings = ShapeSettings(folder / "in.shp", folder / "one.shp", WGS72, WGS84);
    {
        CBatchRunControl run(settings, context, loader, sink);
        run.BeginRun();
        ConvertShapefile(run);
    }
    settings = ShapeSettings(folder / "in.shp", folder / "two.shp", ED50, WGS84);
    {
        CBatchRunControl run(settings, context, loader, sink);
        run.BeginRun();
        ConvertShapefile(run);
    }
    EXPECT_EQ(loader.loads, 4);
    ExpectConvertedPairs(ReadFile(folder / "in.shp"), ReadFile(folder / "one.shp"), kWgs72ToWgs84, folder);
    ExpectConvertedPairs(ReadFile(folder / "in.shp"), ReadFile(folder / "two.shp"), kEd50ToWgs84, folder);
}
