#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cmath>

#include "BatchTestSupport.h"
#include "ConvertDatabaseTable.h"
#include "MessageRecorder.h"

using namespace batchtest;

namespace {

// A SQLite file the tests fill and read back directly.
class CSqliteFile
{
public:
    explicit CSqliteFile(const std::string& path_) : path(path_)
    {
        if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
            throw std::runtime_error("cannot create " + path);
    }
    ~CSqliteFile() { sqlite3_close(db); }
    void Run(const std::string& sql)
    {
        char* error = nullptr;
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    }
    // One column of every row, in rowid order; NaN for NULL.
    std::vector<double> Column(const std::string& table, const std::string& column)
    {
        std::vector<double> values;
        sqlite3_stmt* statement = nullptr;
        const std::string sql = "SELECT \"" + column + "\" FROM \"" + table + "\" ORDER BY rowid";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            return values;
        while (sqlite3_step(statement) == SQLITE_ROW)
            values.push_back(sqlite3_column_type(statement, 0) == SQLITE_NULL ? NAN
                                                                               : sqlite3_column_double(statement, 0));
        sqlite3_finalize(statement);
        return values;
    }
    std::string path;
    sqlite3* db = nullptr;
};

std::string Native(const std::string& path)
{
    return "Provider=SQLite;Data Source=" + path + ";";
}

BatchSettings TableSettings(const std::string& connection, const std::string& table, int sourceDatum = WGS72,
                            int destinationDatum = WGS84)
{
    BatchSettings s;
    s.ConversionType = CONVERSION_DATABASE;
    s.sourceDatum = sourceDatum;
    s.destinationDatum = destinationDatum;
    s.connectionString = connection;
    s.table = table;
    s.sourceField1 = "lat";
    s.sourceField2 = "lon";
    s.destinationField1 = "lat84";
    s.destinationField2 = "lon84";
    return s;
}

// Fills a table of points spread over the globe.
std::vector<Point3> FillPoints(CSqliteFile& file, const std::string& table, int count)
{
    std::vector<Point3> points;
    for (int i = 0; i < count; ++i)
    {
        const Point3 p{-170 + 340.0 * i / count + 0.123456789, -70 + 140.0 * i / count + 0.987654321, 0};
        points.push_back(p);
        char sql[256];
        std::snprintf(sql, sizeof sql, "INSERT INTO \"%s\" (lat, lon, name) VALUES (%.15g, %.15g, 'p%d')",
                      table.c_str(), p.y, p.x, i);
        file.Run(sql);
    }
    return points;
}

bool SixDecimals(double v)
{
    return std::fabs(v * 1e6 - std::round(v * 1e6)) < 1e-4;
}

void ExpectConverted(CSqliteFile& file, const std::string& table, const std::vector<Point3>& points,
                     const CTempFolder& folder, std::size_t converted, const char* latColumn = "lat84",
                     const char* lonColumn = "lon84")
{
    const auto lat = file.Column(table, latColumn), lon = file.Column(table, lonColumn);
    ASSERT_EQ(lat.size(), points.size());
    const auto expected = Cct(kWgs72ToWgs84, points, folder);
    ASSERT_EQ(expected.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
    {
        if (i >= converted)
        {
            EXPECT_TRUE(std::isnan(lat[i])) << i;
            continue;
        }
        EXPECT_NEAR(lat[i], expected[i].y, 1.0000001e-6) << i;
        EXPECT_NEAR(lon[i], expected[i].x, 1.0000001e-6) << i;
        EXPECT_TRUE(SixDecimals(lat[i]) && SixDecimals(lon[i])) << lat[i] << " " << lon[i];
    }
}

} // namespace

TEST(ConvertDatabaseTable, ConvertsRecordsInPlaceWithAndWithoutPrimaryKey)
{
    ASSERT_TRUE(HaveTool("cct")) << "PROJ's cct is needed as the oracle";
    CTempFolder folder;
    CSqliteFile file(folder / "points.db");
    file.Run("CREATE TABLE keyed (id INTEGER PRIMARY KEY, name TEXT, lat DOUBLE, lon DOUBLE, lat84 DOUBLE, "
             "lon84 DOUBLE)");
    file.Run("CREATE TABLE loose (name TEXT, lat DOUBLE, lon DOUBLE, lat84 DOUBLE, lon84 DOUBLE)");
    const auto points = FillPoints(file, "keyed", 40);
    FillPoints(file, "loose", 40);

    for (const char* table : {"keyed", "loose"})
    {
        SCOPED_TRACE(table);
        CMessageRecorder recorder;
        CRun r(TableSettings(Native(file.path), table));
        r(ConvertDatabaseTable);
        EXPECT_TRUE(recorder.Shown().empty()) << recorder.Shown()[0].second;
        ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
        EXPECT_EQ(r.sink.Notices().front().code, BATCH_STATUS);
        EXPECT_EQ(r.sink.Notices().front().text, "Currently converting database, please wait...");
        int last = 0;
        for (const auto& n : r.sink.Notices())
            if (n.code == BATCH_PROGRESS)
                last = n.percentage;
        EXPECT_EQ(last, 100);
        ExpectConverted(file, table, points, folder, points.size());
        // The source columns are only read.
        const auto lat = file.Column(table, "lat");
        for (std::size_t i = 0; i < points.size(); ++i)
            EXPECT_DOUBLE_EQ(lat[i], points[i].y);
    }

    // Destination columns equal to the source columns: converted in place.
    CRun inPlace(TableSettings(Native(file.path), "keyed"));
    inPlace.settings.destinationField1 = "lat";
    inPlace.settings.destinationField2 = "lon";
    inPlace(ConvertDatabaseTable);
    ExpectOneEnd(inPlace.sink, BATCH_COMPLETED, kBatchCompletedText);
    ExpectConverted(file, "keyed", points, folder, points.size(), "lat", "lon");
}

TEST(ConvertDatabaseTable, StoresSixDecimalsHalvesUpwards)
{
    CTempFolder folder;
    CSqliteFile file(folder / "round.db");
    file.Run("CREATE TABLE t (id INTEGER PRIMARY KEY, lat DOUBLE, lon DOUBLE, lat84 DOUBLE, lon84 DOUBLE)");
    file.Run("INSERT INTO t (lat, lon) VALUES (52.1234567, -4.9876543), (-33.0000004, 151.00000049)");
    CRun r(TableSettings(Native(file.path), "t", WGS84, WGS84));
    r(ConvertDatabaseTable);
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_EQ(file.Column("t", "lat84"), (std::vector<double>{52.123457, -33.0}));
    EXPECT_EQ(file.Column("t", "lon84"), (std::vector<double>{-4.987654, 151.0}));
}

TEST(ConvertDatabaseTable, EmptyTableCompletesWithoutStatus)
{
    CTempFolder folder;
    CSqliteFile file(folder / "empty.db");
    file.Run("CREATE TABLE t (lat DOUBLE, lon DOUBLE, lat84 DOUBLE, lon84 DOUBLE)");
    CRun r(TableSettings(Native(file.path), "t"));
    r(ConvertDatabaseTable);
    ASSERT_EQ(r.sink.Notices().size(), 1u);
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
}

TEST(ConvertDatabaseTable, CancellationConvertsTheCurrentRecordAndAtMostOneMore)
{
    ASSERT_TRUE(HaveTool("cct")) << "PROJ's cct is needed as the oracle";
    CTempFolder folder;
    CSqliteFile file(folder / "cancel.db");
    file.Run("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, lat DOUBLE, lon DOUBLE, lat84 DOUBLE, "
             "lon84 DOUBLE)");
    const auto points = FillPoints(file, "t", 50);
    CRun r(TableSettings(Native(file.path), "t"));
    r.sink.hook = [&r](const BatchNotice& n) {
        if (n.code == BATCH_PROGRESS)
            r.run.CancelOperation();
    };
    r(ConvertDatabaseTable);
    ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchAbortedText);
    ExpectConverted(file, "t", points, folder, 2);
}

TEST(ConvertDatabaseTable, FailuresShowTheMessageAndEndOnce)
{
    CTempFolder folder;
    CSqliteFile file(folder / "fail.db");
    file.Run("CREATE TABLE t (lat DOUBLE, lon DOUBLE, lat84 DOUBLE, lon84 DOUBLE)");
    file.Run("INSERT INTO t (lat, lon) VALUES (1, 2)");
    struct Case
    {
        const char* name;
        BatchSettings settings;
    };
    std::vector<Case> cases = {
        {"no database", TableSettings(Native(folder / "none.db"), "t")},
        {"no table", TableSettings(Native(file.path), "missing")},
        {"no source column", TableSettings(Native(file.path), "t")},
        {"no destination column", TableSettings(Native(file.path), "t")},
    };
    cases[2].settings.sourceField2 = "longitude";
    cases[3].settings.destinationField1 = "nowhere";
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CMessageRecorder recorder;
        CRun r(c.settings);
        r(ConvertDatabaseTable);
        ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchFailedText);
        ASSERT_EQ(recorder.Shown().size(), 1u);
        EXPECT_FALSE(recorder.Shown()[0].second.empty());
    }
    EXPECT_TRUE(std::isnan(file.Column("t", "lat84")[0]));
}

TEST(ConvertDatabaseTable, NamesThatNeedQuotingWork)
{
    CTempFolder folder;
    CSqliteFile file(folder / "quoted.db");
    file.Run("CREATE TABLE \"my \"\"points\"\"\" (\"select\" DOUBLE, \"Lon Deg\" DOUBLE, \"order\" DOUBLE, "
             "\"to\" DOUBLE)");
    file.Run("INSERT INTO \"my \"\"points\"\"\" VALUES (10.5, 20.25, NULL, NULL)");
    BatchSettings s = TableSettings(Native(file.path), "my \"points\"", WGS84, WGS84);
    s.sourceField1 = "select";
    s.sourceField2 = "Lon Deg";
    s.destinationField1 = "order";
    s.destinationField2 = "to";
    CRun r(s);
    r(ConvertDatabaseTable);
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_EQ(file.Column("my \"\"points\"\"", "order"), std::vector<double>{10.5});
    EXPECT_EQ(file.Column("my \"\"points\"\"", "to"), std::vector<double>{20.25});

    EXPECT_EQ(QuoteIdentifier("a\"b"), "\"a\"\"b\"");
    const auto rows = PreviewDatabaseTable(s);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"20.250000", "10.500000", ""}));
}

TEST(PreviewDatabaseTable, ShowsAtMost25RecordsLastReadFirst)
{
    CTempFolder folder;
    CSqliteFile file(folder / "preview.db");
    file.Run("CREATE TABLE t (id INTEGER PRIMARY KEY, lat DOUBLE, lon DOUBLE)");
    for (int i = 0; i < 30; ++i)
        file.Run("INSERT INTO t (lat, lon) VALUES (" + std::to_string(i) + ".5, " + std::to_string(100 + i) +
                 ".125)");
    BatchSettings s = TableSettings(Native(file.path), "t");
    s.altitudeColumn = 0;
    auto rows = PreviewDatabaseTable(s);
    ASSERT_EQ(rows.size(), 25u);
    EXPECT_EQ(rows.front(), (std::vector<std::string>{"124.125000", "24.500000"}));
    EXPECT_EQ(rows.back(), (std::vector<std::string>{"100.125000", "0.500000"}));

    s.sourceGrid = UTM31N;
    rows = PreviewDatabaseTable(s);
    EXPECT_EQ(rows.back(), (std::vector<std::string>{"100.12", "0.50"})); // printf rounds the exact tie to even

    CMessageRecorder recorder;
    s.table = "missing";
    EXPECT_TRUE(PreviewDatabaseTable(s).empty());
    EXPECT_EQ(recorder.Shown().size(), 1u);
}

TEST(ConvertDatabaseTable, ThroughOdbcOnAThread)
{
    ASSERT_TRUE(HaveTool("cct")) << "PROJ's cct is needed as the oracle";
    CTempFolder folder;
    CSqliteFile file(folder / "odbc.db");
    file.Run("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, lat DOUBLE, lon DOUBLE, lat84 DOUBLE, "
             "lon84 DOUBLE)");
    const auto points = FillPoints(file, "t", 20);
    BatchSettings settings = TableSettings("Driver=SQLite3;Database=" + file.path + ";", "t");
    CConversionContext context;
    CTestLoader loader;
    CRecordingSink sink;
    CMessageRecorder recorder;
    {
        CBatchRunControl run(settings, context, loader, sink);
        ASSERT_TRUE(run.StartConversion());
        run.Join();
    }
    EXPECT_TRUE(recorder.Shown().empty()) << recorder.Shown()[0].second;
    ExpectOneEnd(sink, BATCH_COMPLETED, kBatchCompletedText);
    ExpectConverted(file, "t", points, folder, points.size());
}
