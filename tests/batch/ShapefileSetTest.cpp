// The shapefile set as a whole: companion names in any case, no stale
// companions, nothing torn by a failed run, files GDAL reads with padding and
// trailing bytes, and failures that say why.
#include <gtest/gtest.h>

#include <set>

#include "ConvertShp.h"
#include "ParallelismScope.h"
#include "ShapefileTestSupport.h"

using namespace batchtest;

namespace {

BatchSettings ToUtm(const std::string& source, const std::string& destination)
{
    BatchSettings s;
    s.sourceDatum = WGS84;
    s.destinationDatum = WGS84;
    s.destinationGrid = UTM31N;
    s.ConversionType = CONVERSION_SHAPEFILE;
    s.sourceFile = source;
    s.destinationFile = destination;
    return s;
}

// A set written by GDAL from a CSV of WKT geometries, with a .prj.
void GdalSet(const CTempFolder& folder, const std::string& shp, const std::string& rows)
{
    const std::string csv = folder / "rows.csv";
    WriteFile(csv, "id,name,WKT\n" + rows);
    ASSERT_EQ(std::system(("ogr2ogr -q -f 'ESRI Shapefile' -a_srs EPSG:4326 '" + shp + "' '" + csv + "'").c_str()),
              0);
}

const char* kPoints = "1,Amsterdam,\"POINT (4.9 52.37)\"\n2,Paris,\"POINT (2.35 48.85)\"\n3,Lyon,\"POINT (4.83 45.76)\"\n";

std::set<std::string> Names(const CTempFolder& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path))
        names.insert(entry.path().filename().string());
    return names;
}

// The last status text before the end: where the worker says why it failed
// or what it met.
std::vector<std::string> StatusTexts(const CRecordingSink& sink)
{
    std::vector<std::string> texts;
    for (const auto& n : sink.Notices())
        if (n.code == BATCH_STATUS)
            texts.push_back(n.text);
    return texts;
}

std::string Contains(const std::vector<std::string>& texts, const std::string& part)
{
    for (const auto& t : texts)
        if (t.find(part) != std::string::npos)
            return t;
    return {};
}

void RenameSet(const std::string& fromBase, const std::string& toBase,
               const std::vector<std::pair<std::string, std::string>>& extensions)
{
    for (const auto& [from, to] : extensions)
        fs::rename(fromBase + from, toBase + to);
}

} // namespace

TEST(ShapefileSet, UpperAndMixedCaseSetsKeepTheirCompanions)
{
    ASSERT_TRUE(HaveTool("ogr2ogr") && HaveTool("ogrinfo")) << "GDAL's tools are needed";
    CTempFolder folder;
    GdalSet(folder, folder / "cities.shp", kPoints);
    RenameSet(folder / "cities", folder / "CITIES", {{".shp", ".SHP"}, {".shx", ".SHX"}, {".dbf", ".DBF"}, {".prj", ".PRJ"}});
    ASSERT_EQ(OgrFeatureCount(folder / "CITIES.SHP"), 3);

    CRun upper(ToUtm(folder / "CITIES.SHP", folder / "OUT.SHP"));
    upper(ConvertShapefile);
    ExpectOneEnd(upper.sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_EQ(Names(folder), (std::set<std::string>{"rows.csv", "CITIES.SHP", "CITIES.SHX", "CITIES.DBF", "CITIES.PRJ",
                                                    "OUT.SHP", "OUT.SHX", "OUT.DBF", "OUT.PRJ"}));
    EXPECT_EQ(ReadFile(folder / "OUT.DBF"), ReadFile(folder / "CITIES.DBF"));
    EXPECT_EQ(OgrFeatureCount(folder / "OUT.SHP"), 3);

    // Names that differ in case across the set are found all the same.
    RenameSet(folder / "CITIES", folder / "Mixed", {{".SHP", ".shp"}});
    RenameSet(folder / "CITIES", folder / "MIXED", {{".SHX", ".SHX"}});
    RenameSet(folder / "CITIES", folder / "mixed", {{".DBF", ".Dbf"}});
    CRun mixed(ToUtm(folder / "Mixed.shp", folder / "mixed-utm.shp"));
    mixed(ConvertShapefile);
    ExpectOneEnd(mixed.sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_EQ(ReadFile(folder / "mixed-utm.dbf"), ReadFile(folder / "mixed.Dbf"));
    EXPECT_EQ(ReadFile(folder / "mixed-utm.shx").substr(100), ReadFile(folder / "MIXED.SHX").substr(100));
    EXPECT_EQ(OgrFeatureCount(folder / "mixed-utm.shp"), 3);
}

TEST(ShapefileSet, StaleCompanionsOfAnEarlierRunAreRemoved)
{
    ASSERT_TRUE(HaveTool("ogr2ogr") && HaveTool("ogrinfo")) << "GDAL's tools are needed";
    CTempFolder folder;
    GdalSet(folder, folder / "points.shp", kPoints);
    fs::remove(folder / "points.prj");
    // An earlier run's set of 4 polygons, with its spatial indexes, metadata,
    // code page and a .prj claiming geographic coordinates.
    GdalSet(folder, folder / "out.shp",
            "1,a,\"POLYGON ((0 0,1 0,1 1,0 0))\"\n2,b,\"POLYGON ((0 0,1 0,1 1,0 0))\"\n"
            "3,c,\"POLYGON ((0 0,1 0,1 1,0 0))\"\n4,d,\"POLYGON ((0 0,1 0,1 1,0 0))\"\n");
    for (const char* extension : {".sbn", ".sbx", ".qix", ".shp.xml", ".cpg", ".SBN"})
        WriteFile(folder / (std::string("out") + extension), "old");
    WriteFile(folder / "other.dbf", "not ours");

    CRun r(ToUtm(folder / "points.shp", folder / "out.shp"));
    r(ConvertShapefile);
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
    // The source has no code page file, so the old one goes too.
    EXPECT_EQ(Names(folder), (std::set<std::string>{"rows.csv", "points.shp", "points.shx", "points.dbf", "other.dbf",
                                                    "out.shp", "out.shx", "out.dbf", "out.prj"}));
    EXPECT_EQ(ReadFile(folder / "out.dbf"), ReadFile(folder / "points.dbf"));

    // A source's code page file is copied unchanged.
    WriteFile(folder / "points.cpg", "1252\r\n");
    WriteFile(folder / "out.cpg", "UTF-8");
    CRun again(ToUtm(folder / "points.shp", folder / "out.shp"));
    again(ConvertShapefile);
    ExpectOneEnd(again.sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_EQ(ReadFile(folder / "out.cpg"), "1252\r\n");
    EXPECT_EQ(OgrFeatureCount(folder / "out.shp"), 3);
    const std::string info = Capture("ogrinfo -ro -al -so '" + folder / "out.shp" + "' 2>&1");
    EXPECT_NE(info.find("Geometry: Point"), std::string::npos) << info;
    EXPECT_NE(info.find("UTM zone 31N"), std::string::npos) << info;
}

TEST(ShapefileSet, AFailedRunLeavesTheEarlierSetWhole)
{
    ASSERT_TRUE(HaveTool("ogr2ogr")) << "GDAL's ogr2ogr is needed";
    CTempFolder folder;
    GdalSet(folder, folder / "points.shp", kPoints);
    CRun first(ToUtm(folder / "points.shp", folder / "out.shp"));
    first(ConvertShapefile);
    ExpectOneEnd(first.sink, BATCH_COMPLETED, kBatchCompletedText);
    std::map<std::string, std::string> before;
    for (const auto& name : Names(folder))
        before[name] = ReadFile(folder / name);

    // The second source breaks in its last record.
    std::string shp = ReadFile(folder / "points.shp");
    shp[shp.size() - 28 + 11] = 99; // the last record's shape type
    WriteFile(folder / "broken.shp", shp);
    fs::copy_file(folder / "points.shx", folder / "broken.shx");
    fs::copy_file(folder / "points.dbf", folder / "broken.dbf");
    before["broken.shp"] = shp;
    before["broken.shx"] = ReadFile(folder / "broken.shx");
    before["broken.dbf"] = ReadFile(folder / "broken.dbf");
    CRun second(ToUtm(folder / "broken.shp", folder / "out.shp"));
    second(ConvertShapefile);
    ExpectOneEnd(second.sink, BATCH_STOPPED, kBatchFailedText);
    std::map<std::string, std::string> after;
    for (const auto& name : Names(folder))
        after[name] = ReadFile(folder / name);
    EXPECT_EQ(after, before);
}

TEST(ShapefileSet, PaddingAndTrailingBytesAreCopiedAndReported)
{
    ASSERT_TRUE(HaveTool("ogr2ogr") && HaveTool("ogrinfo") && HaveTool("cs2cs")) << "GDAL and PROJ are needed";
    CTempFolder folder;
    GdalSet(folder, folder / "points.shp", kPoints);
    const std::string shp = ReadFile(folder / "points.shp");
    ASSERT_EQ(shp.size(), 100u + 3 * 28);

    // Four zero bytes after the first record and six after the second, each
    // record where the rebuilt index says; then trailing bytes.
    const std::size_t pads[] = {4, 6, 0};
    std::string padded = shp.substr(0, 100);
    CBytes index;
    for (int i = 0; i < 3; ++i)
    {
        index.Big32(static_cast<std::int32_t>(padded.size() / 2));
        index.Big32(10);
        padded += shp.substr(100 + 28 * i, 28) + std::string(pads[i], '\0');
    }
    std::string lengthField;
    {
        CBytes b;
        b.Big32(static_cast<std::int32_t>(padded.size() / 2));
        lengthField = b.bytes;
    }
    padded.replace(24, 4, lengthField);
    const std::string shx = ReadFile(folder / "points.shx");

    struct Case
    {
        const char* name;
        std::string shp;
        bool withIndex;
        const char* warning;
    };
    const std::vector<Case> cases = {
        {"padding, with an index", padded, true, "10 bytes of padding between records"},
        {"trailing bytes, with an index", shp + "GARBAGE!", true, "8 bytes after the last record"},
        {"padding and trailing zeros, no index", padded + std::string(12, '\0'), false,
         "12 bytes after the last record"},
    };
    int n = 0;
    // Each record a block of its own, too: the gaps lie between blocks, and
    // the trailing bytes are a block without records.
    for (const std::size_t blockItems : {std::size_t(0), std::size_t(1)})
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.name) + (blockItems == 1 ? ", a record a block" : ""));
        batchtest::CParallelism parallel(2, blockItems);
        const std::string in = folder / ("in" + std::to_string(n));
        const std::string out = folder / ("out" + std::to_string(n++));
        WriteFile(in + ".shp", c.shp);
        fs::copy_file(folder / "points.dbf", in + ".dbf");
        if (c.withIndex)
        {
            WriteFile(in + ".shx", shx.substr(0, 100) + (c.shp.size() == padded.size() ? index.bytes : shx.substr(100)));
            ASSERT_EQ(OgrFeatureCount(in + ".shp"), 3) << "GDAL reads the input";
        }
        CRun r(ToUtm(in + ".shp", out + ".shp"));
        r(ConvertShapefile);
        ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
        EXPECT_NE(Contains(StatusTexts(r.sink), "Warning: "), "");
        EXPECT_NE(Contains(StatusTexts(r.sink), c.warning), "") << ::testing::PrintToString(StatusTexts(r.sink));

        const std::string result = ReadFile(out + ".shp");
        ASSERT_EQ(result.size(), c.shp.size());
        EXPECT_EQ(OgrFeatureCount(out + ".shp"), 3);
        // The bytes outside the records are copied, and every point sits
        // where the index says, converted as PROJ converts it.
        const std::string outIndex = ReadFile(out + ".shx");
        ASSERT_EQ(outIndex.size(), 100u + 3 * 8);
        std::vector<Point3> inputs, outputs;
        std::vector<bool> inRecord(result.size(), false);
        for (int i = 0; i < 3; ++i)
        {
            const std::size_t at = 2 * static_cast<std::size_t>(ReadBig32(outIndex, 100 + 8 * i));
            for (std::size_t b = at; b < at + 28; ++b)
                inRecord[b] = true;
            EXPECT_EQ(result.substr(at, 12), c.shp.substr(at, 12));
            inputs.push_back({ReadDouble(c.shp, at + 12), ReadDouble(c.shp, at + 20), 0});
            outputs.push_back({ReadDouble(result, at + 12), ReadDouble(result, at + 20), 0});
        }
        for (std::size_t b = 100; b < result.size(); ++b)
        {
            if (!inRecord[b])
            {
                EXPECT_EQ(result[b], c.shp[b]) << "byte " << b;
            }
        }
        const auto expected = Cs2cs(kWgs84Proj, kUtm31Proj, inputs, folder);
        ASSERT_EQ(expected.size(), 3u);
        for (int i = 0; i < 3; ++i)
        {
            EXPECT_NEAR(outputs[i].x, expected[i].x, 1e-3);
            EXPECT_NEAR(outputs[i].y, expected[i].y, 1e-3);
        }
    }
}

TEST(ShapefileSet, APointTheEngineRefusesFailsTheRunAndNamesItsRecord)
{
    CTempFolder folder;
    // The second record's latitude lies beyond the pole.
    WriteShapefile(folder / "in", 1, {{1, {}, {}, {{4.9, 52.4, 0}}, {}}, {1, {}, {}, {{5.0, 95.0, 0}}, {}},
                                      {1, {}, {}, {{5.1, 52.0, 0}}, {}}});
    CRun r(ToUtm(folder / "in.shp", folder / "out.shp"));
    r(ConvertShapefile);
    ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchFailedText);
    const std::string why = Contains(StatusTexts(r.sink), "Shapefile not converted: ");
    EXPECT_NE(why.find("in.shp: record 2 (at byte 128)"), std::string::npos) << why;
    EXPECT_NE(why.find("vertex 1 (5, 95)"), std::string::npos) << why;
    EXPECT_FALSE(fs::exists(folder / "out.shp"));

    // The same within a polyline: the whole record is refused, not half written.
    WriteShapefile(folder / "line", 3, {{3, {0}, {}, {{1, 45, 0}, {2, 46, 0}, {3, -91, 0}}, {}}});
    CRun line(ToUtm(folder / "line.shp", folder / "lineout.shp"));
    line(ConvertShapefile);
    ExpectOneEnd(line.sink, BATCH_STOPPED, kBatchFailedText);
    EXPECT_NE(Contains(StatusTexts(line.sink), "record 1 (at byte 100): vertex 3 (3, -91)"), "")
        << ::testing::PrintToString(StatusTexts(line.sink));
    EXPECT_FALSE(fs::exists(folder / "lineout.shp"));
}

// Every vertex is held against UTM zone 31's reach of 18 degrees from its meridian (3 E): a record
// is named once for any vertex beyond it, first, middle or last; 18 degrees exactly is inside.
TEST(ShapefileSet, RecordsWithAVertexOutsideTheZoneAreNamed)
{
    CTempFolder folder;
    WriteShapefile(folder / "in", 3,
                   {{3, {0}, {}, {{2, 48, 0}, {3, 49, 0}, {4, 50, 0}}, {}},
                    {3, {0}, {}, {{2, 48, 0}, {25, 49, 0}, {26, 49, 0}, {4, 50, 0}}, {}},
                    {3, {0}, {}, {{-15, 40, 0}, {21, 41, 0}}, {}},
                    {3, {0}, {}, {{-16, 40, 0}, {2, 41, 0}}, {}},
                    {3, {0}, {}, {{2, 40, 0}, {2, 41, 0}, {21.5, 41, 0}}, {}}});
    CRun r(ToUtm(folder / "in.shp", folder / "out.shp"));
    r(ConvertShapefile);
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_NE(Contains(StatusTexts(r.sink), "3 points lie outside the area of use of their systems (check the "
                                            "axis order and the systems): records 2, 4, 5."),
              "")
        << ::testing::PrintToString(StatusTexts(r.sink));
}

TEST(ShapefileSet, FailuresSayWhichFileRecordAndCheck)
{
    CTempFolder folder;
    WriteShapefile(folder / "good", 5, {{5, {0}, {}, {{0, 45, 0}, {1, 45, 0}, {1, 46, 0}, {0, 45, 0}}, {}}});
    const std::string good = ReadFile(folder / "good.shp");
    std::string code = good;
    code[3] = 1;
    std::string points = good;
    const std::int32_t huge = 0x3fffffff;
    std::memcpy(&points[108 + 40], &huge, 4);
    std::string type = good;
    type[108] = 99;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {code, "bad.shp: the file code is 9985, not 9994"},
        {points, "bad.shp: record 1 (at byte 100): 1 parts and 1073741823 points do not fit the record"},
        {type, "bad.shp: record 1 (at byte 100): unknown shape type 99"},
        {good.substr(0, good.size() - 8), "record 1 (at byte 100): the content length of"},
        {good.substr(0, 50), "bad.shp: the 100-byte file header is cut off"},
    };
    for (const auto& [bytes, reason] : cases)
    {
        SCOPED_TRACE(reason);
        WriteFile(folder / "bad.shp", bytes);
        CRun r(ToUtm(folder / "bad.shp", folder / "out.shp"));
        r(ConvertShapefile);
        ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchFailedText);
        EXPECT_NE(Contains(StatusTexts(r.sink), reason), "") << ::testing::PrintToString(StatusTexts(r.sink));
    }

    // An index that disagrees with the main file is named too.
    WriteFile(folder / "bad.shp", good);
    std::string shx = ReadFile(folder / "good.shx");
    shx[100 + 7] = 3;
    WriteFile(folder / "bad.shx", shx);
    CRun index(ToUtm(folder / "bad.shp", folder / "out.shp"));
    index(ConvertShapefile);
    ExpectOneEnd(index.sink, BATCH_STOPPED, kBatchFailedText);
    EXPECT_NE(Contains(StatusTexts(index.sink), "differs from the index's 3"), "");

    // Destinations that would destroy the source, or that are no file.
    fs::create_directory(folder / "folder.shp");
    for (const std::string& destination : {folder / "./good.shp", folder / "GOOD.txt", folder / "folder.shp"})
    {
        SCOPED_TRACE(destination);
        fs::remove(folder / "bad.shx");
        CRun r(ToUtm(folder / "good.shp", destination));
        r(ConvertShapefile);
        ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchFailedText);
        EXPECT_NE(Contains(StatusTexts(r.sink), "Shapefile not converted: "), "");
    }
    EXPECT_EQ(ReadFile(folder / "good.shp"), good);
}

TEST(ShapefileSet, SpatialFiltersFindEveryConvertedFeature)
{
    ASSERT_TRUE(HaveTool("ogr2ogr") && HaveTool("ogrinfo")) << "GDAL's tools are needed";
    CTempFolder folder;
    // A line along a parallel far from the central meridian: its middle
    // vertex lies outside the box of the converted source corners.
    GdalSet(folder, folder / "line.shp", "1,l,\"LINESTRING (-2 60,3 60.01,8 60)\"\n");
    CRun r(ToUtm(folder / "line.shp", folder / "out.shp"));
    r(ConvertShapefile);
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
    const std::string out = ReadFile(folder / "out.shp");
    ExpectBoxesHoldTheirVertices(out);
    const double x = ReadDouble(out, 100 + 8 + 48 + 16), y = ReadDouble(out, 100 + 8 + 48 + 24);
    char window[200];
    std::snprintf(window, sizeof window, "-spat %.3f %.3f %.3f %.3f", x - 1, y - 1, x + 1, y + 1);
    const std::string found = Capture("ogrinfo -ro -al -so " + std::string(window) + " '" + folder / "out.shp" + "' 2>&1");
    EXPECT_NE(found.find("Feature Count: 1"), std::string::npos) << found;
}

TEST(ShapefileSet, WithoutAPrjTextTheOldPrjGoesAndTheRunSaysSo)
{
    CTempFolder folder;
    WriteShapefile(folder / "in", 1, {{1, {}, {}, {{4.9, 52.4, 0}}, {}}});
    WriteFile(folder / "out.prj", "GEOGCS[\"GCS_WGS_1984\"]");
    CRun r(ToUtm(folder / "in.shp", folder / "out.shp"));
    r.run.BeginRun();
    ConvertShapefile(r.run, [](int, int gridId, std::string&, std::string& why) {
        why = "the projection of grid " + std::to_string(gridId) + " has no ESRI form";
        return false;
    });
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_NE(Contains(StatusTexts(r.sink), "Warning: no .prj written: the projection of grid 32631 has no ESRI form"),
              "");
    EXPECT_TRUE(fs::exists(folder / "out.shp"));
    EXPECT_FALSE(fs::exists(folder / "out.prj"));

    // With a text, the .prj holds exactly it.
    CRun again(ToUtm(folder / "in.shp", folder / "out.shp"));
    again.run.BeginRun();
    ConvertShapefile(again.run, [](int, int, std::string& wkt, std::string&) {
        wkt = "PROJCS[\"WGS_1984_UTM_Zone_31N\"]";
        return true;
    });
    ExpectOneEnd(again.sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_EQ(ReadFile(folder / "out.prj"), "PROJCS[\"WGS_1984_UTM_Zone_31N\"]");
}
