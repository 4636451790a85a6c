// Database table runs through the real pages: the data source page in both
// modes with its connection test, the table page with its lists and checks,
// the table preview, a SQLite table as a file and through ODBC, PostgreSQL
// through ODBC (skipped where no PostgreSQL server is installed), a cancelled
// run, the run after it and closing mid-run.
#include "WizardFixture.h"

#include <QSpinBox>
#include <QTreeWidget>

#include "CxAdo.h"

#include "PostgresFixture.h"

namespace {

using namespace wizardtest;

const QString kJet = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");

// Runs statements on a database; the first failure fails the test.
void RunStatements(const std::string& connection, const std::vector<std::string>& statements)
{
    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(connection.c_str()), 0) << ado.LastMessage.str();
    for (const std::string& sql : statements)
        ASSERT_EQ(ado.Execute(sql.c_str()), 0) << sql << ": " << ado.LastMessage.str();
}

struct Row
{
    double lat, lon, north, east;
};

std::vector<Row> ReadRows(const std::string& connection, const std::string& table = "points")
{
    std::vector<Row> rows;
    CCxAdo ado;
    if (ado.Initialize() != 0 || ado.Connect(connection.c_str()) != 0)
        return rows;
    const std::string sql = "SELECT lat, lon, north, east FROM " + table + " ORDER BY id";
    if (ado.OpenRecordset(sql.c_str()) == 1)
    {
        do
        {
            Row r{};
            ado.GetFieldDouble("lat", r.lat);
            ado.GetFieldDouble("lon", r.lon);
            ado.GetFieldDouble("north", r.north);
            ado.GetFieldDouble("east", r.east);
            rows.push_back(r);
        } while (ado.MoveNext() == 1);
    }
    return rows;
}

class DatabaseWizard : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        database = Path("points.db");
        native = "Provider=SQLite;Data Source=" + database + ";Create=Yes;";
    }

    // A table of two points, a second table and a view of the first.
    void CreateDatabase(int count = 0)
    {
        std::vector<std::string> statements = {
            "CREATE TABLE points (id INTEGER PRIMARY KEY, lat DOUBLE, lon DOUBLE, north DOUBLE, east DOUBLE)",
            "CREATE TABLE other (a INTEGER, b TEXT)",
            "CREATE VIEW pointview AS SELECT * FROM points",
        };
        if (count == 0)
        {
            statements.push_back("INSERT INTO points VALUES (1, 52.0, 5.0, 0, 0)");
            statements.push_back("INSERT INTO points VALUES (2, 52.1, 4.5, 0, 0)");
        }
        else
        {
            statements.push_back("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                                 std::to_string(count) + ") INSERT INTO points SELECT i, 52.0, 5.0, 0, 0 FROM n");
        }
        RunStatements(native, statements);
    }

    // From the type page to the table page over the database file.
    void ToTablePage(int sourceGeoid = 0, int destinationGeoid = 0)
    {
        Open();
        Click("databaseRadio");
        Next();
        Browse("databaseBrowse", database);
        Next();
        ChooseSystems(sourceGeoid, destinationGeoid);
    }

    void ChooseFields()
    {
        Choose("tableList", "points");
        Choose("sourceField1", "lat");
        Choose("sourceField2", "lon");
        Choose("destinationField1", "north");
        Choose("destinationField2", "east");
    }

    std::string database;
    std::string native;
};

// cs2cs, WGS 84 to UTM zone 31N: 5 52 -> 637294.3659 5762926.8129,
// 4.5 52.1 -> 602743.3363 5773221.9437; stored with three decimals.
void ExpectConverted(const std::vector<Row>& rows)
{
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NEAR(rows[0].north, 5762926.813, 1e-9);
    EXPECT_NEAR(rows[0].east, 637294.366, 1e-9);
    EXPECT_NEAR(rows[1].north, 5773221.944, 1e-9);
    EXPECT_NEAR(rows[1].east, 602743.336, 1e-9);
    EXPECT_EQ(rows[1].lat, 52.1);
    EXPECT_EQ(rows[1].lon, 4.5);
}

TEST_F(DatabaseWizard, SqliteFileThroughEveryPage)
{
    CreateDatabase();
    Open();
    Click("databaseRadio");
    Next();

    // Data source page, file mode: the string follows the path.
    ASSERT_EQ(Page(), CWzdSheet::PageDataSource);
    EXPECT_EQ(sheet->currentPage()->title(), "Select the database source or file to be converted");
    EXPECT_TRUE(Find<QAbstractButton>("accessRadio")->isChecked());
    EXPECT_TRUE(Find<QLineEdit>("databasePath")->isEnabled());
    EXPECT_FALSE(Find<QLineEdit>("connectionString")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("testButton")->isEnabled());
    QTest::keyClicks(Find<QLineEdit>("databasePath"), "/no");
    EXPECT_EQ(Text("connectionString"), kJet + "/no;");
    QTest::keyClicks(Find<QLineEdit>("databasePath"), "where.db");
    EXPECT_EQ(Text("connectionString"), kJet + "/nowhere.db;");
    // A path that opens nothing: the layer's message after the wait dialog,
    // and the page stays.
    Next();
    EXPECT_EQ(Page(), CWzdSheet::PageDataSource);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_FALSE(boxes.Texts()[0].empty());
    boxes.Clear();

    Browse("databaseBrowse", database);
    EXPECT_EQ(requests.back().nameFilters.value(0), "Database Files (*.sqlite *.db *.mdb)");
    EXPECT_TRUE(requests.back().nameFilters.contains("MS Access Files (*.mdb)"));
    EXPECT_EQ(requests.back().mode, QFileDialog::AcceptOpen);
    EXPECT_EQ(Text("databasePath"), QString::fromStdString(database));
    EXPECT_EQ(Text("connectionString"), kJet + QString::fromStdString(database) + ";");
    Click("testButton");
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], "Connection OK!");
    boxes.Clear();
    Next();
    EXPECT_EQ(sheet->settings.connectionString, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + database + ";");
    ChooseSystems();

    // Table page: labels by the systems, tables only, sorted lists, checks.
    ASSERT_EQ(Page(), CWzdSheet::PageTable);
    EXPECT_EQ(sheet->currentPage()->title(), "Select database table and fields");
    EXPECT_EQ(Label("sourceField1Label"), "Source Latitude Field:");
    EXPECT_EQ(Label("sourceField2Label"), "Source Longitude Field:");
    EXPECT_EQ(Label("destinationField1Label"), "Destination Northing Field:");
    EXPECT_EQ(Label("destinationField2Label"), "Destination Easting Field:");
    EXPECT_EQ(Entries("tableList"), (QStringList{"other", "points"}));
    EXPECT_EQ(Find<QComboBox>("tableList")->placeholderText(), "Select Table...");
    Next();
    EXPECT_EQ(boxes.Texts(), MessageTexts({184}));
    Choose("tableList", "other");
    EXPECT_EQ(Entries("sourceField1"), (QStringList{"a", "b"}));
    Choose("sourceField1", "a");
    Choose("tableList", "points");
    EXPECT_EQ(Entries("destinationField2"), (QStringList{"east", "id", "lat", "lon", "north"}));
    EXPECT_EQ(Find<QComboBox>("sourceField1")->placeholderText(), "Select Field...");
    Choose("sourceField1", "lat");
    Choose("sourceField2", "lon");
    Choose("destinationField1", "north");
    Next();
    EXPECT_EQ(boxes.Texts(), MessageTexts({184, 185}));
    EXPECT_TRUE(sheet->settings.table.empty());
    Choose("destinationField2", "east");
    Next();
    EXPECT_EQ(sheet->settings.table, "points");
    EXPECT_EQ(sheet->settings.sourceField1, "lat");
    EXPECT_EQ(sheet->settings.destinationField2, "east");

    // Preview: the last record read at the top, longitude first.
    ASSERT_EQ(Page(), CWzdSheet::PagePreview);
    auto* preview = Find<QTreeWidget>("previewList");
    EXPECT_EQ(preview->headerItem()->text(0), "Longitude");
    ASSERT_EQ(preview->topLevelItemCount(), 2);
    EXPECT_EQ(preview->topLevelItem(0)->text(0), "4.500000");
    EXPECT_EQ(preview->topLevelItem(0)->text(1), "52.100000");
    EXPECT_EQ(preview->topLevelItem(1)->text(1), "52.000000");
    Back();
    EXPECT_EQ(Page(), CWzdSheet::PageTable);
    // The choices stay when the page is shown again.
    EXPECT_EQ(Find<QComboBox>("sourceField2")->currentText(), "lon");
    Next();
    Next();

    ASSERT_EQ(Page(), CWzdSheet::PageStart);
    Finish();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(Status(), "Conversion completed. Press 'Finish' to continue.");
    EXPECT_EQ(Progress(), 100);
    ExpectConverted(ReadRows(native));
    EXPECT_EQ(boxes.Texts(), MessageTexts({184, 185}));
    Back();
    EXPECT_EQ(Page(), CWzdSheet::PageStart);
    Finish();
    EXPECT_FALSE(sheet->isVisible());
}

TEST_F(DatabaseWizard, OdbcConnectionStringIsUsedAsTyped)
{
    CreateDatabase();
    Open();
    Click("databaseRadio");
    Next();
    Click("odbcRadio");
    EXPECT_FALSE(Find<QLineEdit>("databasePath")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("databaseBrowse")->isEnabled());
    EXPECT_TRUE(Find<QLineEdit>("connectionString")->isEnabled());
    const std::string typed = "Driver={SQLite3};Database=" + database + ";";
    Find<QLineEdit>("connectionString")->clear();
    QTest::keyClicks(Find<QLineEdit>("connectionString"), QString::fromStdString(typed));
    Click("testButton");
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], "Connection OK!");
    boxes.Clear();
    Next();
    EXPECT_EQ(sheet->settings.connectionString, typed);
    ChooseSystems();
    ASSERT_EQ(Page(), CWzdSheet::PageTable);
    EXPECT_EQ(Entries("tableList"), (QStringList{"other", "points"}));
    ChooseFields();
    Next();
    Next();
    Finish();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(Status(), "Conversion completed. Press 'Finish' to continue.");
    ExpectConverted(ReadRows(native));
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(DatabaseWizard, CancelOperationLeavesTheRestUntouchedAndFinishRestarts)
{
    // Every record is saved on its own, so a few hundred take a while.
    const int count = 200;
    CreateDatabase(count);
    // Every record's update takes a while (a trigger counts a million rows), so the run is
    // surely under way when the window closes, however fast the conversion itself is.
    RunStatements(native, {"CREATE TABLE slow (n INTEGER)",
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) "
                           "INSERT INTO slow SELECT i FROM n",
                           "CREATE TRIGGER slowly AFTER UPDATE ON points BEGIN "
                           "SELECT count(*) FROM slow a, slow b, slow c WHERE a.n + b.n + c.n < 0; END"});
    ToTablePage();
    ChooseFields();
    Next();
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageStart);
    Finish();
    EXPECT_TRUE(CancelEnabled());
    Click("cancelButton");
    ASSERT_TRUE(WaitForEnd());
    const QString aborted = Status();
    EXPECT_TRUE(aborted.startsWith("Conversion aborted. Press 'Back' to change the settings and convert again, or 'Finish' to close.")) << aborted.toStdString();
    EXPECT_EQ(Progress(), 0);
    EXPECT_TRUE(Shown(QWizard::BackButton));
    EXPECT_TRUE(Shown(QWizard::FinishButton));
    std::vector<Row> rows = ReadRows(native);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(count));
    int converted = 0;
    for (const Row& r : rows)
        converted += r.east != 0 ? 1 : 0;
    // The record in progress is still converted, the rest stay as they were.
    EXPECT_GE(converted, 1);
    EXPECT_LT(converted, count);
    // The page tells how many records the cancelled run saved.
    EXPECT_TRUE(aborted.contains(QString("Records converted: %1;").arg(converted))) << aborted.toStdString();
    for (int i = 0; i < converted; ++i)
        ASSERT_NEAR(rows[static_cast<std::size_t>(i)].east, 637294.366, 1e-9) << i;

    // Back to change nothing, then the whole table again.
    Back();
    EXPECT_EQ(Page(), CWzdSheet::PagePreview);
    Next();
    Finish();
    ASSERT_TRUE(WaitForEnd(120000));
    EXPECT_EQ(Status(), "Conversion completed. Press 'Finish' to continue.");
    rows = ReadRows(native);
    EXPECT_NEAR(rows.back().north, 5762926.813, 1e-9);
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(DatabaseWizard, ClosingMidRunCancelsAndWaitsForTheWorker)
{
    const int count = 200;
    CreateDatabase(count);
    // Every record's update takes a while (a trigger counts a million rows), so the run is
    // surely under way when the window closes, however fast the conversion itself is.
    RunStatements(native, {"CREATE TABLE slow (n INTEGER)",
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) "
                           "INSERT INTO slow SELECT i FROM n",
                           "CREATE TRIGGER slowly AFTER UPDATE ON points BEGIN "
                           "SELECT count(*) FROM slow a, slow b, slow c WHERE a.n + b.n + c.n < 0; END"});
    ToTablePage();
    ChooseFields();
    Next();
    Next();
    Finish();
    ASSERT_EQ(sheet->StartPage().RunControl().Running(), 1);
    sheet->reject();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(sheet->StartPage().RunControl().Running(), 0);
    // The worker has ended: nothing changes the table any more.
    const std::vector<Row> first = ReadRows(native);
    int converted = 0;
    for (const Row& r : first)
        converted += r.east != 0 ? 1 : 0;
    EXPECT_LT(converted, count);
    QTest::qWait(50);
    int later = 0;
    for (const Row& r : ReadRows(native))
        later += r.east != 0 ? 1 : 0;
    EXPECT_EQ(later, converted);
    sheet.reset();
}

TEST_F(DatabaseWizard, AFailedRunShowsTheDatabaseMessageOnTheWindowsThread)
{
    CreateDatabase();
    ToTablePage();
    ChooseFields();
    Next();
    Next();
    // The table goes away before the run.
    RunStatements(native, {"DROP VIEW pointview", "DROP TABLE points"});
    Finish();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(Status(), "Conversion failed. Press 'Back' to change the settings and convert again, or 'Finish' to close.");
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find("points"), std::string::npos) << boxes.Texts()[0];
    EXPECT_EQ(boxes.OnWindowThread(), std::vector<bool>{true});
    EXPECT_TRUE(Shown(QWizard::BackButton));
    EXPECT_TRUE(Shown(QWizard::FinishButton));
}

// Back to another database: the table page lists its tables, and nothing of
// the first one's stays chosen.
TEST_F(DatabaseWizard, AnotherDatabaseRefillsTheTablePage)
{
    CreateDatabase();
    RunStatements("Provider=SQLite;Data Source=" + Path("second.db") + ";Create=Yes;",
                  {"CREATE TABLE elsewhere (y DOUBLE, x DOUBLE)"});
    ToTablePage();
    ChooseFields();
    for (int i = 0; i < 3; ++i)
        Back();
    Browse("databaseBrowse", Path("second.db"));
    for (int i = 0; i < 3; ++i)
        Next();
    ASSERT_EQ(Page(), CWzdSheet::PageTable);
    EXPECT_EQ(Entries("tableList"), QStringList{"elsewhere"});
    EXPECT_TRUE(Entries("sourceField1").isEmpty());
    Next();
    EXPECT_EQ(boxes.Texts(), MessageTexts({184}));
}

struct TableHeightCase
{
    const char* what;
    int sourceGeoid;
    int destinationGeoid;
    const char* sourceHeight; // the entries chosen in the height lists
    const char* destinationHeight;
    const char* refusal; // what the table page says, or nullptr
    const char* cs2cs = nullptr; // the same heights for cs2cs
};

// The height fields of the table page with each side's height system: the
// preview, the choices kept over Back, the heights stored against cs2cs.
TEST_F(DatabaseWizard, HeightFieldsWithGeoids)
{
    const std::vector<std::string> points = {"5.0 52.0 100", "3.0 45.0 500", "1.0 40.0 0"};
    const std::vector<TableHeightCase> cases = {
        {"ellipsoid to EGM96", 0, 5773, "h", "ortho", nullptr, "EPSG:4979 EPSG:4326+5773"},
        {"EGM96 to ellipsoid, in place", 5773, 0, "h", "h", nullptr, "EPSG:4326+5773 EPSG:4979"},
        {"EGM96 without height fields", 0, 5773, "(none)", "(none)", "destination heights are above a geoid"},
        {"one height field only", 0, 0, "h", "(none)", "both height fields"},
        {"the height into the easting", 0, 0, "h", "east", "a field of its own"},
    };
    for (const TableHeightCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        sheet.reset();
        boxes.Clear();
        fs::remove(database);
        RunStatements(native, {"CREATE TABLE points (id INTEGER PRIMARY KEY, lat DOUBLE, lon DOUBLE, h DOUBLE, "
                               "north DOUBLE, east DOUBLE, ortho DOUBLE)",
                               "INSERT INTO points (lat, lon, h) VALUES (52, 5, 100), (45, 3, 500), (40, 1, 0)"});
        ToTablePage(c.sourceGeoid, c.destinationGeoid);
        ASSERT_EQ(Page(), CWzdSheet::PageTable);
        EXPECT_EQ(Find<QLabel>("destinationField3Label")->buddy(), Find<QComboBox>("destinationField3"));
        ChooseFields();
        Choose("sourceField3", c.sourceHeight);
        Choose("destinationField3", c.destinationHeight);
        Find<QSpinBox>("precisionChoice")->setValue(6);
        Next();
        if (c.refusal != nullptr)
        {
            EXPECT_EQ(Page(), CWzdSheet::PageTable);
            ASSERT_EQ(boxes.Texts().size(), 1u);
            EXPECT_NE(boxes.Texts()[0].find(c.refusal), std::string::npos) << boxes.Texts()[0];
            continue;
        }
        auto* preview = Find<QTreeWidget>("previewList");
        EXPECT_EQ(preview->headerItem()->text(2), "Altitude");
        ASSERT_EQ(preview->topLevelItemCount(), 3);
        EXPECT_EQ(preview->topLevelItem(2)->text(2), "100.000");
        Back();
        Back();
        Next();
        EXPECT_EQ(Find<QComboBox>("destinationField3")->currentText(), c.destinationHeight);
        Next();
        RunToCompletion();
        EXPECT_TRUE(Status().contains("EGM96 height (geoid model 5773)")) << Status().toStdString();
        const std::vector<double> expected = Cs2csHeights(c.cs2cs, points);
        CCxAdo ado;
        ASSERT_TRUE(ado.Initialize() == 0 && ado.Connect(native.c_str()) == 0);
        const std::string sql = std::string("SELECT ") + c.destinationHeight + " AS z FROM points ORDER BY id";
        ASSERT_EQ(ado.OpenRecordset(sql.c_str()), 1);
        for (std::size_t i = 0; i < points.size(); ++i, ado.MoveNext())
        {
            double z = 0;
            ASSERT_TRUE(ado.GetFieldDouble("z", z) == 1 && i < expected.size());
            EXPECT_NEAR(z, expected[i], 1e-3) << points[i];
        }
    }
}

TEST_F(DatabaseWizard, PostgresqlTableThroughOdbc)
{
    static CPostgresServer server("wizard");
    if (!server.Installed())
        GTEST_SKIP() << server.Error();
    ASSERT_TRUE(server.Running()) << server.Error();
    ASSERT_TRUE(server.Psql("DROP TABLE IF EXISTS points; DROP TABLE IF EXISTS other;"
                            "CREATE TABLE points (id integer PRIMARY KEY, lat double precision, lon double "
                            "precision, north double precision, east double precision);"
                            "CREATE TABLE other (a integer);"
                            "CREATE VIEW pointview AS SELECT * FROM points;"
                            "INSERT INTO points VALUES (1, 52.0, 5.0, 0, 0), (2, 52.1, 4.5, 0, 0);"));
    Open();
    Click("databaseRadio");
    Next();
    Click("odbcRadio");
    Find<QLineEdit>("connectionString")->clear();
    QTest::keyClicks(Find<QLineEdit>("connectionString"), QString::fromStdString(server.ConnectionString()));
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PageSource) << (boxes.Texts().empty() ? "" : boxes.Texts()[0]);
    ChooseSystems();
    ASSERT_EQ(Page(), CWzdSheet::PageTable);
    EXPECT_TRUE(Entries("tableList").contains("points"));
    EXPECT_FALSE(Entries("tableList").contains("pointview"));
    ChooseFields();
    Next();
    ASSERT_EQ(Page(), CWzdSheet::PagePreview);
    EXPECT_EQ(Find<QTreeWidget>("previewList")->topLevelItemCount(), 2);
    Next();
    Finish();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(Status(), "Conversion completed. Press 'Finish' to continue.");
    ExpectConverted(ReadRows(server.ConnectionString()));
    EXPECT_TRUE(boxes.Texts().empty());
}

} // namespace
