#include <gtest/gtest.h>

#include <sqlite3.h>

#include <chrono>
#include <cmath>
#include <thread>

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

// ---- Blocks, transactions and records that are not converted ----

namespace {

// The end of the summary status: "Records converted: N; not converted: M".
std::string Summary(const CRecordingSink& sink)
{
    std::string text;
    for (const auto& n : sink.Notices())
        if (n.code == BATCH_STATUS && n.text.rfind("Records converted: ", 0) == 0)
            text = n.text;
    return text;
}

long long ConvertedIn(const std::string& summary)
{
    long long n = -1;
    std::sscanf(summary.c_str(), "Records converted: %lld", &n);
    return n;
}

std::vector<Point3> FillGeographic(CSqliteFile& file, const std::string& table, int count)
{
    std::vector<Point3> points;
    file.Run("BEGIN");
    for (int i = 0; i < count; ++i)
    {
        // Inside UTM zone 31N, an irregular spread.
        const Point3 p{0.1 + std::fmod(i * 0.618033988749, 5.8), 38.0 + std::fmod(i * 0.414213562373, 22.0), 0};
        points.push_back(p);
        char sql[200];
        std::snprintf(sql, sizeof sql, "INSERT INTO \"%s\" (lat, lon) VALUES (%.12f, %.12f)", table.c_str(), p.y, p.x);
        file.Run(sql);
    }
    file.Run("COMMIT");
    return points;
}

BatchSettings UtmSettings(const std::string& connection, const std::string& table)
{
    BatchSettings s = TableSettings(connection, table, WGS84, WGS84);
    s.destinationGrid = UTM31N;
    s.destinationField1 = "north";
    s.destinationField2 = "east";
    return s;
}

bool ThreeDecimals(double v)
{
    return std::fabs(v * 1e3 - std::round(v * 1e3)) < 1e-5;
}

} // namespace

TEST(ConvertDatabaseTable, ManyBlocksConvertToTheSameValuesAsCs2cs)
{
    ASSERT_TRUE(HaveTool("cs2cs")) << "PROJ's cs2cs is needed as the oracle";
    CTempFolder folder;
    CSqliteFile file(folder / "blocks.db");
    // A primary key, SQLite's rowid, and a key that is not an integer.
    file.Run("CREATE TABLE keyed (id INTEGER PRIMARY KEY, lat DOUBLE, lon DOUBLE, north DOUBLE, east DOUBLE)");
    file.Run("CREATE TABLE loose (lat DOUBLE, lon DOUBLE, north DOUBLE, east DOUBLE)");
    file.Run("CREATE TABLE named (code TEXT PRIMARY KEY, lat DOUBLE, lon DOUBLE, north DOUBLE, east DOUBLE) "
             "WITHOUT ROWID");
    const int records = 12345; // 100 blocks of 123 and the rest
    const auto points = FillGeographic(file, "keyed", records);
    FillGeographic(file, "loose", records);
    file.Run("INSERT INTO named SELECT printf('c%05d', 99999 - rowid), lat, lon, NULL, NULL FROM loose");
    const auto expected = Cs2cs(kWgs84Proj, kUtm31Proj, points, folder);
    ASSERT_EQ(expected.size(), points.size());

    for (const char* table : {"keyed", "loose", "named"})
    {
        SCOPED_TRACE(table);
        CMessageRecorder recorder;
        CRun r(UtmSettings(Native(file.path), table));
        r(ConvertDatabaseTable);
        EXPECT_TRUE(recorder.Shown().empty()) << recorder.Shown()[0].second;
        ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
        // The percentage climbs by single steps to 100: one block saved each.
        int last = 0, steps = 0;
        for (const auto& n : r.sink.Notices())
            if (n.code == BATCH_PROGRESS)
            {
                EXPECT_GT(n.percentage, last);
                last = n.percentage;
                ++steps;
            }
        EXPECT_EQ(last, 100);
        EXPECT_GE(steps, 99);

        // The named table was filled in another order: compare by coordinates.
        const std::string order = std::string(table) == "named" ? "code DESC" : "rowid";
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(file.db,
                                     ("SELECT north, east FROM " + std::string(table) + " ORDER BY " + order).c_str(),
                                     -1, &st, nullptr),
                  SQLITE_OK);
        std::size_t i = 0;
        while (sqlite3_step(st) == SQLITE_ROW && i < points.size())
        {
            const double north = sqlite3_column_double(st, 0), east = sqlite3_column_double(st, 1);
            EXPECT_NEAR(north, expected[i].y, 0.0005 + 1e-9) << i;
            EXPECT_NEAR(east, expected[i].x, 0.0005 + 1e-9) << i;
            EXPECT_TRUE(ThreeDecimals(north) && ThreeDecimals(east)) << north << " " << east;
            ++i;
        }
        sqlite3_finalize(st);
        EXPECT_EQ(i, points.size());
    }
}

TEST(ConvertDatabaseTable, RecordsThatAreNoCoordinatesAreLeftUnchangedAndCounted)
{
    CTempFolder folder;
    CSqliteFile file(folder / "values.db");
    file.Run("CREATE TABLE t (id INTEGER PRIMARY KEY, lat, lon, north DOUBLE, east DOUBLE DEFAULT -1)");
    // Numbers as SQLite stores them from numeric, decimal, bigint and text
    // columns, then the records that must stay as they are.
    file.Run("INSERT INTO t (id, lat, lon) VALUES "
             "(1, 52.5, 4.25), (2, CAST(52 AS INTEGER), 4), (3, ' 52.5 ', '4.25'), (4, '5.25e1', '+4.25'), "
             "(5, 52, 4), "
             "(10, NULL, 4), (11, 52, NULL), (12, '', 4), (13, '  ', 4), (14, 'abc', 4), (15, '12abc', 4), "
             "(16, '5,5', 4), (17, 'nan', 4), (18, 'inf', 4), (19, '1e999', 4), (20, x'3532', 4), "
             "(21, 95, 4), (22, 52, 400)");
    file.Run("CREATE TABLE d (id INTEGER PRIMARY KEY, lat NUMERIC(10,6), lon DECIMAL(10,6), north DOUBLE, "
             "east DOUBLE)");
    file.Run("INSERT INTO d (lat, lon) VALUES (52.5, 4.25), ('52.5', '4.25')");
    file.Run("CREATE TABLE b (id INTEGER PRIMARY KEY, lat BIGINT, lon BIGINT, north DOUBLE, east DOUBLE)");
    file.Run("INSERT INTO b (lat, lon) VALUES (52, 4)");

    CMessageRecorder recorder;
    CRun r(UtmSettings(Native(file.path), "t"));
    r(ConvertDatabaseTable);
    EXPECT_TRUE(recorder.Shown().empty());
    ExpectOneEnd(r.sink, BATCH_COMPLETED,
                 std::string(kBatchCompletedText) +
                     " 13 records were not converted and left unchanged (4 with an empty source field, 7 with a "
                     "source field that is not a number, 2 that cannot be converted between the two systems; first: "
                     "id 10, id 11, id 12, id 13, id 14, id 15, id 16, id 17, id 18, id 19).");

    const auto north = file.Column("t", "north"), east = file.Column("t", "east");
    ASSERT_EQ(north.size(), 18u);
    for (std::size_t i = 0; i < 5; ++i)
    {
        EXPECT_FALSE(std::isnan(north[i])) << i;
        EXPECT_GT(east[i], 0) << i;
    }
    // 1, 3 and 4 are one point, written as numbers or as text.
    EXPECT_EQ(north[0], north[2]);
    EXPECT_EQ(north[0], north[3]);
    EXPECT_EQ(east[0], east[3]);
    for (std::size_t i = 5; i < north.size(); ++i)
    {
        EXPECT_TRUE(std::isnan(north[i])) << "record " << i << " was written: " << north[i];
        EXPECT_EQ(east[i], -1) << i;
    }

    CRun decimals(UtmSettings(Native(file.path), "d"));
    decimals(ConvertDatabaseTable);
    ExpectOneEnd(decimals.sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_EQ(file.Column("d", "north")[0], north[0]);
    EXPECT_EQ(file.Column("d", "north")[1], north[0]);
    EXPECT_EQ(file.Column("d", "east")[1], east[0]);
    CRun bigint(UtmSettings(Native(file.path), "b"));
    bigint(ConvertDatabaseTable);
    ExpectOneEnd(bigint.sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_EQ(file.Column("b", "north")[0], north[1]);

    // The preview shows what the run reads, and nothing for the rest.
    BatchSettings s = UtmSettings(Native(file.path), "t");
    const auto rows = PreviewDatabaseTable(s);
    ASSERT_EQ(rows.size(), 18u);
    EXPECT_EQ(rows.back(), (std::vector<std::string>{"4.250000", "52.500000", ""}));
    EXPECT_EQ(rows[rows.size() - 3], (std::vector<std::string>{"4.250000", "52.500000", ""}));
    EXPECT_EQ(rows[rows.size() - 11], (std::vector<std::string>{"4.000000", "", ""}));
}

TEST(ConvertDatabaseTable, FieldsThatCannotBeWrittenAreRefusedBeforeAnyRecord)
{
    CTempFolder folder;
    CSqliteFile file(folder / "fields.db");
    file.Run("CREATE TABLE t (id INTEGER PRIMARY KEY, lat DOUBLE, lon DOUBLE, north DOUBLE, east DOUBLE)");
    file.Run("INSERT INTO t (lat, lon) VALUES (52, 4), (53, 5)");
    struct Case
    {
        const char* name;
        const char* north;
        const char* east;
        const char* said;
    };
    const Case cases[] = {
        {"misspelled east", "north", "eats", "has no field \"eats\""},
        {"misspelled north", "nort", "east", "has no field \"nort\""},
        {"one field twice", "north", "NORTH", "are the same field \"north\""},
        {"the primary key", "north", "id", "part of the primary key"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CMessageRecorder recorder;
        BatchSettings s = UtmSettings(Native(file.path), "t");
        s.destinationField1 = c.north;
        s.destinationField2 = c.east;
        CRun r(s);
        r(ConvertDatabaseTable);
        ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchFailedText);
        ASSERT_EQ(recorder.Shown().size(), 1u);
        EXPECT_NE(recorder.Shown()[0].second.find(c.said), std::string::npos) << recorder.Shown()[0].second;
        const auto north = file.Column("t", "north");
        EXPECT_TRUE(std::isnan(north[0]) && std::isnan(north[1]));
        EXPECT_EQ(file.Column("t", "id"), (std::vector<double>{1, 2}));
    }
    // A field named in another case is the table's own.
    BatchSettings s = UtmSettings(Native(file.path), "t");
    s.destinationField1 = "NORTH";
    CRun r(s);
    r(ConvertDatabaseTable);
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
    EXPECT_FALSE(std::isnan(file.Column("t", "north")[1]));
}

TEST(ConvertDatabaseTable, CancelInTheMiddleSavesEveryRecordRead)
{
    CTempFolder folder;
    CSqliteFile file(folder / "cancel-blocks.db");
    file.Run("CREATE TABLE t (lat DOUBLE, lon DOUBLE, north DOUBLE, east DOUBLE)");
    FillGeographic(file, "t", 5000);
    CRun r(UtmSettings(Native(file.path), "t"));
    r.sink.hook = [&r](const BatchNotice& n) {
        if (n.code == BATCH_PROGRESS && n.percentage == 37)
            r.run.CancelOperation();
    };
    r(ConvertDatabaseTable);
    ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchAbortedText);
    const long long reported = ConvertedIn(Summary(r.sink));
    // 37 blocks of 50 were saved; the record in hand when the flag was seen is saved with them.
    EXPECT_EQ(reported, 37 * 50 + 1);
    const auto north = file.Column("t", "north"), east = file.Column("t", "east");
    long long converted = 0;
    for (std::size_t i = 0; i < north.size(); ++i)
    {
        ASSERT_EQ(std::isnan(north[i]), std::isnan(east[i])) << "record " << i << " is half converted";
        if (!std::isnan(north[i]))
        {
            EXPECT_EQ(static_cast<long long>(i), converted) << "converted records are the first ones read";
            ++converted;
        }
    }
    EXPECT_EQ(converted, reported);
}

TEST(ConvertDatabaseTable, AFailedBlockIsGivenUpAndTheBlocksBeforeItAreKept)
{
    CTempFolder folder;
    // Blocks of 50 records, written in one transaction; a trigger refuses the
    // update of one record.
    struct Case
    {
        const char* name;
        int refused;    // the record, from 0
        long long kept; // the records of the blocks before its block
    };
    const Case cases[] = {
        {"first block", 30, 0},
        {"a later block", 1234, 1200},
        {"last block", 4999, 4950},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CSqliteFile file(folder / (std::to_string(c.refused) + ".db"));
        file.Run("CREATE TABLE t (lat DOUBLE, lon DOUBLE, north DOUBLE, east DOUBLE)");
        FillGeographic(file, "t", 5000);
        file.Run("CREATE TRIGGER refuse BEFORE UPDATE ON t WHEN OLD.rowid = " + std::to_string(c.refused + 1) +
                 " BEGIN SELECT RAISE(ABORT, 'record refused here'); END");
        CMessageRecorder recorder;
        CRun r(UtmSettings(Native(file.path), "t"));
        r(ConvertDatabaseTable);
        ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchFailedText);
        ASSERT_EQ(recorder.Shown().size(), 1u);
        const std::string shown = recorder.Shown()[0].second;
        EXPECT_NE(shown.find("record refused here"), std::string::npos) << shown;
        EXPECT_NE(shown.find("\n" + std::to_string(c.kept) + " records were converted and saved before the failure"),
                  std::string::npos)
            << shown;
        const auto north = file.Column("t", "north"), east = file.Column("t", "east");
        ASSERT_EQ(north.size(), 5000u);
        for (std::size_t i = 0; i < north.size(); ++i)
        {
            ASSERT_EQ(std::isnan(north[i]), std::isnan(east[i])) << "record " << i << " is half converted";
            ASSERT_EQ(std::isnan(north[i]), static_cast<long long>(i) >= c.kept) << "record " << i;
        }
    }
}

TEST(ConvertDatabaseTable, AFileLockedByAnotherConnectionWaitsThenFailsClearly)
{
    CTempFolder folder;
    CSqliteFile file(folder / "locked.db");
    file.Run("CREATE TABLE t (id INTEGER PRIMARY KEY, lat DOUBLE, lon DOUBLE, north DOUBLE, east DOUBLE)");
    FillGeographic(file, "t", 300);
    const std::string connection = "Provider=SQLite;Data Source=" + file.path + ";Default Timeout=1;";

    // Held for the whole run: the run waits its second, then fails and writes nothing.
    {
        CSqliteFile other(file.path);
        other.Run("BEGIN IMMEDIATE");
        other.Run("UPDATE t SET lat = lat");
        CMessageRecorder recorder;
        CRun r(UtmSettings(connection, "t"));
        const auto start = std::chrono::steady_clock::now();
        r(ConvertDatabaseTable);
        const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_GE(waited, 0.9);
        EXPECT_LT(waited, 5.0);
        ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchFailedText);
        ASSERT_EQ(recorder.Shown().size(), 1u);
        const std::string shown = recorder.Shown()[0].second;
        EXPECT_NE(shown.find("another connection holds a lock on the database file"), std::string::npos) << shown;
        EXPECT_NE(shown.find("0 records were converted and saved before the failure"), std::string::npos) << shown;
        other.Run("ROLLBACK");
    }
    for (const double v : file.Column("t", "north"))
        ASSERT_TRUE(std::isnan(v));

    // Released within the wait: the run goes on and completes.
    {
        CSqliteFile other(file.path);
        other.Run("BEGIN IMMEDIATE");
        std::thread release([&other] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            other.Run("COMMIT");
        });
        CRun r(UtmSettings("Provider=SQLite;Data Source=" + file.path + ";Default Timeout=10;", "t"));
        r(ConvertDatabaseTable);
        release.join();
        ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
    }
    for (const double v : file.Column("t", "north"))
        ASSERT_FALSE(std::isnan(v));
}
