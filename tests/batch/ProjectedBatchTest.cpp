// Batch runs onto and from a map grid (UTM zone 31N on WGS 84), held against
// PROJ's cs2cs and GDAL's ogr2ogr on the same input.

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cmath>

#include "ConvertDatabaseTable.h"
#include "ConvertShp.h"
#include "ShapefileTestSupport.h"
#include "TextFileConversion.h"

using namespace batchtest;

namespace {

std::vector<Point3> ZonePoints(int count)
{
    std::vector<Point3> points;
    for (int i = 0; i < count; ++i)
        points.push_back({0.2 + 5.6 * ((i * 37) % count) / count, 38.5 + 22.0 * i / count, 0});
    return points;
}

} // namespace

TEST(ProjectedBatch, TextOntoTheGridAndBack)
{
    ASSERT_TRUE(HaveTool("cs2cs")) << "PROJ's cs2cs is needed as the oracle";
    CTempFolder folder;
    const auto points = ZonePoints(120);
    std::string text = "id,lon,lat\n";
    for (std::size_t i = 0; i < points.size(); ++i)
    {
        char line[128];
        std::snprintf(line, sizeof line, "%zu,%.9f,%.9f\n", i, points[i].x, points[i].y);
        text += line;
    }
    BatchSettings s;
    s.sourceDatum = WGS84;
    s.destinationDatum = WGS84;
    s.destinationGrid = UTM31N;
    s.SeparatorChoice = 1;
    s.header = 1;
    s.longitudeColumn = 2;
    s.latitudeColumn = 3;
    s.altitudeColumn = 0;
    s.sourceFile = folder / "geo.csv";
    s.destinationFile = folder / "utm.csv";
    WriteFile(s.sourceFile, text);
    CRun onto(s);
    onto(ConvertTextFile);
    ExpectOneEnd(onto.sink, BATCH_COMPLETED, kBatchCompletedText);

    const auto expected = Cs2cs(kWgs84Proj, kUtm31Proj, points, folder);
    ASSERT_EQ(expected.size(), points.size());
    auto lines = Lines(ReadFile(s.destinationFile));
    ASSERT_EQ(lines.size(), points.size() + 1);
    EXPECT_EQ(lines[0], "id,lon,lat");
    for (std::size_t i = 0; i < points.size(); ++i)
    {
        unsigned id;
        double e, n;
        ASSERT_EQ(std::sscanf(lines[i + 1].c_str(), "%u,%lf,%lf", &id, &e, &n), 3);
        EXPECT_EQ(id, i);
        // Two decimals written: half a centimetre of rounding, 1 mm of method.
        EXPECT_NEAR(e, expected[i].x, 0.006) << lines[i + 1];
        EXPECT_NEAR(n, expected[i].y, 0.006) << lines[i + 1];
        EXPECT_NE(lines[i + 1].find('.'), std::string::npos);
        EXPECT_EQ(lines[i + 1].size() - lines[i + 1].rfind('.'), 3u); // "%3.2lf"
    }

    // And back: grid values are read as plain numbers, degrees written with six decimals.
    BatchSettings back = s;
    back.sourceGrid = UTM31N;
    back.destinationGrid = 0;
    back.sourceFile = s.destinationFile;
    back.destinationFile = folder / "back.csv";
    CRun from(back);
    from(ConvertTextFile);
    ExpectOneEnd(from.sink, BATCH_COMPLETED, kBatchCompletedText);
    lines = Lines(ReadFile(back.destinationFile));
    ASSERT_EQ(lines.size(), points.size() + 1);
    for (std::size_t i = 0; i < points.size(); ++i)
    {
        unsigned id;
        double lon, lat;
        ASSERT_EQ(std::sscanf(lines[i + 1].c_str(), "%u,%lf,%lf", &id, &lon, &lat), 3);
        EXPECT_NEAR(lon, points[i].x, 6e-7) << lines[i + 1];
        EXPECT_NEAR(lat, points[i].y, 6e-7) << lines[i + 1];
    }
}

TEST(ProjectedBatch, ShapefilesAgreeWithOgr2ogr)
{
    ASSERT_TRUE(HaveTool("ogrinfo") && HaveTool("ogr2ogr")) << "GDAL's tools are needed";
    CTempFolder folder;
    const char* layers[] = {
        R"({"type":"FeatureCollection","features":[
            {"type":"Feature","properties":{"n":1},"geometry":{"type":"Point","coordinates":[2.35,48.85]}},
            {"type":"Feature","properties":{"n":2},"geometry":{"type":"Point","coordinates":[5.4,43.3,12]}}]})",
        R"({"type":"FeatureCollection","features":[
            {"type":"Feature","properties":{"n":1},"geometry":{"type":"MultiLineString","coordinates":
              [[[0.5,45],[1,46],[2,45.5],[2.5,47]],[[3,44],[4,44.5]]]}},
            {"type":"Feature","properties":{"n":2},"geometry":{"type":"LineString","coordinates":
              [[5,50],[5.5,51]]}}]})",
        R"({"type":"FeatureCollection","features":[
            {"type":"Feature","properties":{"n":1},"geometry":{"type":"MultiPolygon","coordinates":
              [[[[1,50],[3,50],[3,52],[1,52],[1,50]],[[1.5,50.5],[1.5,51],[2,51],[1.5,50.5]]],
               [[[4,40],[5,40],[5,41],[4,40]]]]}}]})",
        R"({"type":"FeatureCollection","features":[
            {"type":"Feature","properties":{"n":1},"geometry":{"type":"Polygon","coordinates":
              [[[1,42,100],[2,42,110],[2,43,120],[1,42,100]]]}}]})",
    };
    int n = 0;
    for (const char* layer : layers)
    {
        SCOPED_TRACE("layer " + std::to_string(n));
        const std::string json = folder / ("layer" + std::to_string(n) + ".geojson");
        const std::string in = folder / ("in" + std::to_string(n) + ".shp");
        const std::string ours = folder / ("ours" + std::to_string(n) + ".shp");
        const std::string peer = folder / ("peer" + std::to_string(n) + ".shp");
        ++n;
        WriteFile(json, layer);
        ASSERT_EQ(std::system(("ogr2ogr -q -f 'ESRI Shapefile' '" + in + "' '" + json + "'").c_str()), 0);
        ASSERT_EQ(std::system(("ogr2ogr -q -f 'ESRI Shapefile' -s_srs '" + std::string(kWgs84Proj) +
                               "' -t_srs '" + kUtm31Proj + "' '" + peer + "' '" + in + "'")
                                  .c_str()),
                  0);
        BatchSettings s;
        s.sourceDatum = WGS84;
        s.destinationDatum = WGS84;
        s.destinationGrid = UTM31N;
        s.ConversionType = CONVERSION_SHAPEFILE;
        s.sourceFile = in;
        s.destinationFile = ours;
        CRun r(s);
        r(ConvertShapefile);
        ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);

        const std::string inBytes = ReadFile(in), ourBytes = ReadFile(ours), peerBytes = ReadFile(peer);
        ASSERT_EQ(ourBytes.size(), inBytes.size());
        EXPECT_EQ(ReadBig32(ourBytes, 24), ReadBig32(inBytes, 24));
        EXPECT_EQ(ReadFile(folder / ("ours" + std::to_string(n - 1) + ".shx")).substr(100),
                  ReadFile(folder / ("in" + std::to_string(n - 1) + ".shx")).substr(100));
        EXPECT_EQ(OgrFeatureCount(ours), OgrFeatureCount(in));
        const PairPlaces ourPairs = FindPairs(ourBytes), peerPairs = FindPairs(peerBytes);
        ASSERT_EQ(ourPairs.points.size(), peerPairs.points.size());
        ASSERT_FALSE(ourPairs.points.empty());
        for (std::size_t i = 0; i < ourPairs.points.size(); ++i)
        {
            EXPECT_NEAR(ReadDouble(ourBytes, ourPairs.points[i]), ReadDouble(peerBytes, peerPairs.points[i]), 1e-3);
            EXPECT_NEAR(ReadDouble(ourBytes, ourPairs.points[i] + 8), ReadDouble(peerBytes, peerPairs.points[i] + 8),
                        1e-3);
        }
    }
}

TEST(ProjectedBatch, BuiltShapesOntoTheGrid)
{
    ASSERT_TRUE(HaveTool("cs2cs") && HaveTool("ogrinfo")) << "PROJ's cs2cs and GDAL's ogrinfo are needed";
    CTempFolder folder;
    const std::vector<Point3> ring = {{1, 44, 5}, {1, 45, 6}, {2, 45, 7}, {2, 44, 8}, {1, 44, 5}};
    WriteShapefile(folder / "z", 15, {{15, {0}, {}, ring, {0.5, 1.5, 2.5, 3.5, 4.5}}});
    BatchSettings s;
    s.sourceDatum = WGS84;
    s.destinationDatum = WGS84;
    s.destinationGrid = UTM31N;
    s.sourceFile = folder / "z.shp";
    s.destinationFile = folder / "zout.shp";
    CRun r(s);
    r(ConvertShapefile);
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
    const std::string out = ReadFile(s.destinationFile);
    const auto expected = Cs2cs(kWgs84Proj, kUtm31Proj, ring, folder);
    const PairPlaces places = FindPairs(out);
    ASSERT_EQ(places.points.size(), ring.size());
    for (std::size_t i = 0; i < ring.size(); ++i)
    {
        EXPECT_NEAR(ReadDouble(out, places.points[i]), expected[i].x, 1e-3);
        EXPECT_NEAR(ReadDouble(out, places.points[i] + 8), expected[i].y, 1e-3);
    }
    // Z and M arrays follow the points unchanged.
    const std::size_t zAt = places.points.back() + 16 + 16;
    for (std::size_t i = 0; i < ring.size(); ++i)
        EXPECT_EQ(ReadDouble(out, zAt + 8 * i), ring[i].z);
    EXPECT_EQ(OgrFeatureCount(s.destinationFile), 1);
}

TEST(ProjectedBatch, GridTablesStoreThreeDecimals)
{
    CTempFolder folder;
    const std::string path = folder / "grid.db";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE t (id INTEGER PRIMARY KEY, n DOUBLE, e DOUBLE, n2 DOUBLE, e2 DOUBLE);"
                           "INSERT INTO t (n, e) VALUES (5400000.4444, 155000.1236), (4800000.0004, 699999.9996);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    BatchSettings s;
    s.ConversionType = CONVERSION_DATABASE;
    s.sourceDatum = WGS84;
    s.destinationDatum = WGS84;
    s.sourceGrid = UTM31N;
    s.destinationGrid = UTM31N;
    s.connectionString = "Provider=SQLite;Data Source=" + path + ";";
    s.table = "t";
    s.sourceField1 = "n";
    s.sourceField2 = "e";
    s.destinationField1 = "n2";
    s.destinationField2 = "e2";
    CRun r(s);
    r(ConvertDatabaseTable);
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);

    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT n2, e2 FROM t ORDER BY id", -1, &st, nullptr), SQLITE_OK);
    std::vector<double> values;
    while (sqlite3_step(st) == SQLITE_ROW)
    {
        values.push_back(sqlite3_column_double(st, 0));
        values.push_back(sqlite3_column_double(st, 1));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    EXPECT_EQ(values, (std::vector<double>{5400000.444, 155000.124, 4800000.0, 700000.0}));
}
