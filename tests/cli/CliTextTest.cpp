// geolynx-cli batch text as scripts use it: pipes, FIFOs, process
// substitution, files that disagree with the defaults, a run killed halfway;
// and the options of convert that take numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

struct ShellRun
{
    int status = -1;
    std::string out;
    std::string err;
};

class CliText : public testing::Test
{
protected:
    void SetUp() override { home = scratch.Path(); }

    // Runs a bash script in the scratch folder with $CLI naming the program.
    ShellRun Shell(const std::string& script) const
    {
        const fs::path file = home / "script.sh";
        const fs::path err = home / "stderr.txt";
        std::ofstream(file) << "cd '" << home.string() << "' || exit 99\nCLI='" << GEOLYNX_BIN_DIR
                            << "/geolynx-cli'\n"
                            << script << "\n";
        ShellRun run;
        std::FILE* pipe = ::popen(("bash '" + file.string() + "' 2>'" + err.string() + "' </dev/null").c_str(), "r");
        if (pipe == nullptr)
            return run;
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            run.out.append(buffer, n);
        const int status = ::pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.err = Read("stderr.txt");
        return run;
    }

    void Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(home / name, std::ios::binary) << bytes;
    }

    std::string Read(const std::string& name) const
    {
        std::ostringstream text;
        text << std::ifstream(home / name, std::ios::binary).rdbuf();
        return text.str();
    }

    CScratchFolder scratch;
    fs::path home;
};

constexpr const char* kBatch = "\"$CLI\" batch text --from 4326 --to 32631 ";

// cs2cs, WGS 84 to UTM zone 31N: 5 52 -> 637294.37 5762926.81, 3 51 ->
// 500000.00 5649824.89, 4.9 52.37 -> 629351.91 5803890.80.

TEST_F(CliText, HeaderNamesChooseTheColumnsAndNoThirdFieldIsTakenForAHeight)
{
    Write("cities.csv", "name,lon,lat\nAmsterdam,4.9,52.37\n\"Smith, John\",5,52\n");
    ShellRun r = Shell(std::string(kBatch) + "--header --input cities.csv --output out.csv");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.csv"), "name,lon,lat\nAmsterdam,629351.91,5803890.80\n\"Smith, John\",637294.37,5762926.81\n");

    // Upper-case names, a byte-order mark and CR LF line ends.
    Write("upper.csv", "\xEF\xBB\xBFID;LAT;LON;HEIGHT\r\n1234567;52;5;10\r\n");
    r = Shell(std::string(kBatch) + "--header --input upper.csv --output upper-out.csv");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("upper-out.csv"), "\xEF\xBB\xBFID;LAT;LON;HEIGHT\r\n1234567;5762926.81;637294.37;10.00\r\n");

    // Without names the third field is no height unless one is asked for.
    Write("ids.csv", "5,52,1234567\n");
    r = Shell(std::string(kBatch) + "--input ids.csv --output ids-out.csv");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("ids-out.csv"), "637294.37,5762926.81,1234567\n");
    r = Shell(std::string(kBatch) + "--z-column 3 --input ids.csv --output ids-out.csv");
    EXPECT_EQ(Read("ids-out.csv"), "637294.37,5762926.81,1234567.00\n");

    // One field for two coordinates is refused before anything is written.
    r = Shell(std::string(kBatch) + "--x-column 2 --input ids.csv --output twice.csv");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--x-column"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(home / "twice.csv"));
}

TEST_F(CliText, LinesNotConvertedAreListedAndTheExitStatusIsOne)
{
    Write("mixed.csv", "5,52\n5,\nnull,52\n5,95\n3,51\n");
    const ShellRun r = Shell(std::string(kBatch) + "--input mixed.csv --output out.csv");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(Read("out.csv"), "637294.37,5762926.81\n5,\nnull,52\n5,95\n500000.00,5649824.89\n");
    EXPECT_NE(r.err.find("Conversion completed"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("3 lines were not converted"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 2 (latitude field 2 is empty), line 3 (longitude field 1 is not a number), line 4 ("),
              std::string::npos)
        << r.err;

    // Lines that disagree on their separator are refused, with the option
    // that settles it.
    Write("unclear.csv", "5,52\n6;53\n");
    const ShellRun unclear = Shell(std::string(kBatch) + "--input unclear.csv --output unclear-out.csv");
    EXPECT_EQ(unclear.status, 2);
    EXPECT_NE(unclear.err.find("--separator"), std::string::npos) << unclear.err;
    EXPECT_FALSE(fs::exists(home / "unclear-out.csv"));
    const ShellRun settled =
        Shell(std::string(kBatch) + "--separator semicolon --input unclear.csv --output unclear-out.csv");
    EXPECT_EQ(settled.status, 1);
    EXPECT_EQ(Read("unclear-out.csv"), "5,52\n701305.80;5876481.14\n");
}

TEST_F(CliText, PipesFifosAndProcessSubstitutionConvertEveryLine)
{
    // 100,000 lines through each kind of source that can be read only once.
    const char* generate = "awk 'BEGIN { for (i = 0; i < 100000; i++) print (i % 2 ? \"3,51\" : \"5,52\") }'";
    std::string want;
    for (int i = 0; i < 100000; ++i)
        want += i % 2 != 0 ? "500000.00,5649824.89\n" : "637294.37,5762926.81\n";

    ShellRun r = Shell(std::string(generate) + " | " + kBatch + "--input /dev/stdin --output stdin.csv");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Read("stdin.csv") == want);

    r = Shell(std::string(kBatch) + "--input <(" + generate + ") --output substituted.csv");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Read("substituted.csv") == want);

    // A FIFO: the program must neither hang nor lose the first block.
    r = Shell("mkfifo points.fifo && { " + std::string(generate) + " > points.fifo & } && timeout 60 " + kBatch +
              "--input points.fifo --output fifo.csv; status=$?; wait; exit $status");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Read("fifo.csv") == want);
}

TEST_F(CliText, AKilledRunLeavesNoTornFileUnderTheDestinationsName)
{
    Write("out.csv", "earlier output\n");
    // The writer sends some lines, then keeps the FIFO open until the
    // program has been killed.
    const ShellRun r = Shell("mkfifo slow.fifo\n"
                             "( for i in $(seq 1 5000); do echo 5,52; done; exec sleep 30 ) > slow.fifo &\n"
                             "writer=$!\n" +
                             std::string(kBatch) +
                             "--input slow.fifo --output out.csv &\n"
                             "cli=$!\n"
                             "for i in $(seq 1 100); do ls -a | grep -q '^\\.out\\.csv\\.' && break; sleep 0.1; done\n"
                             "sleep 0.5\n"
                             "kill -9 $cli; wait $cli; kill $writer 2>/dev/null; exit 0");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("out.csv"), "earlier output\n");
}

TEST_F(CliText, OptionsSayWhatTheyDoAndNegativeNumbersFollowTheMarker)
{
    const ShellRun help = Shell("\"$CLI\" batch text --help");
    EXPECT_EQ(help.status, 0);
    const std::size_t format = help.out.find("--format");
    ASSERT_NE(format, std::string::npos) << help.out;
    EXPECT_NE(help.out.find("are read", format), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("(default none)"), std::string::npos) << help.out;

    const ShellRun marked = Shell("\"$CLI\" convert --from 4326 --to 32631 -- -1.5 53");
    EXPECT_EQ(marked.status, 0) << marked.err;
    const ShellRun plain = Shell("\"$CLI\" convert --from 4326 --to 32631 -1.5 53");
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(marked.out, plain.out);
    // cs2cs: -1.5 53 in zone 31N -> 198088.9317 5881747.5960.
    double x = 0, y = 0;
    ASSERT_EQ(std::sscanf(marked.out.c_str(), "%lf %lf", &x, &y), 2) << marked.out;
    EXPECT_NEAR(x, 198088.9317, 0.001);
    EXPECT_NEAR(y, 5881747.5960, 0.001);
}

// cs2cs, WGS 84 to RD New: 4.89 52.37 -> 121138.33 487018.39, 5 52 ->
// 128410.09 445806.51. Latitude and longitude swapped land far from the
// Netherlands, as do easting and northing swapped on RD New.
TEST_F(CliText, PointsOutsideTheirSystemsAreCountedOrWithStrictRefused)
{
    struct Case
    {
        const char* name;
        const char* systems;
        const char* input;
        bool strict;
        int status;
        const char* output; // nullptr: a line converted, not checked here
        const char* said;   // on standard error; nullptr: no outside summary
    };
    const std::string twelve = [] {
        std::string lines;
        for (int i = 0; i < 12; ++i)
            lines += "52.37,4.89\n";
        return lines;
    }();
    const Case cases[] = {
        {"inside", "--from 4326 --to 28992", "4.89,52.37\n5,52\n", false, 0,
         "121138.33,487018.39\n128410.09,445806.51\n", nullptr},
        {"swapped, counted", "--from 4326 --to 28992", "4.89,52.37\n52.37,4.89\n5,52\n", false, 0, nullptr,
         "1 point lies outside the area of use of their systems (check the axis order and the systems): line 2."},
        {"swapped, strict", "--from 4326 --to 28992", "4.89,52.37\n52.37,4.89\n5,52\n", true, 1,
         "121138.33,487018.39\n52.37,4.89\n128410.09,445806.51\n",
         "1 point lies outside the area of use of their systems and is not converted"},
        {"grid swapped, strict", "--from 28992 --to 4326", "121138.33,487018.39\n487018.39,121138.33\n", true, 1,
         "4.890000,52.370000\n487018.39,121138.33\n", "not converted (check the axis order and the systems): line 2."},
        {"inside a grid, strict", "--from 28992 --to 4326", "121138.33,487018.39\n", true, 0, "4.890000,52.370000\n",
         nullptr},
        {"first ten listed", "--from 4326 --to 28992", twelve.c_str(), false, 0, nullptr,
         "12 points lie outside the area of use of their systems (check the axis order and the systems); the "
         "first 10: lines 1, 2, 3, 4, 5, 6, 7, 8, 9, 10."},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Write("points.csv", c.input);
        std::filesystem::remove(home / "out.csv");
        const ShellRun r = Shell(std::string("\"$CLI\" batch text ") + c.systems + " --input points.csv --output out.csv" +
                                 (c.strict ? " --strict" : ""));
        EXPECT_EQ(r.status, c.status) << r.err;
        const std::string out = Read("out.csv");
        if (c.output != nullptr)
            EXPECT_EQ(out, c.output);
        else
            EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), std::count(c.input, c.input + std::strlen(c.input), '\n'));
        if (c.said != nullptr)
            EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        else
            EXPECT_EQ(r.err.find("outside"), std::string::npos) << r.err;
        // Without strict every line converts, the swapped ones too.
        std::istringstream lines(c.input);
        for (std::string line; !c.strict && std::getline(lines, line);)
            EXPECT_EQ(out.find(line + "\n"), std::string::npos) << out;
    }
}

// A table's records as the text file's lines: a point outside is converted
// and counted, or with --strict left as it was (exit status 1).
TEST_F(CliText, TableRecordsOutsideTheirSystemsAreCountedOrWithStrictLeft)
{
    struct Case
    {
        const char* strict;
        int status;
        const char* rows; // id|northing|easting after the run
        const char* said;
    };
    const Case cases[] = {
        {"", 0, "1|487018.387|121138.331\n2|converted\n",
         "1 point lies outside the area of use of their systems (check the axis order and the systems): record 2."},
        {" --strict", 1, "1|487018.387|121138.331\n2|0.0|0.0\n",
         "1 point lies outside the area of use of their systems and is not converted"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.strict);
        std::filesystem::remove(home / "points.db");
        const ShellRun r = Shell(
            "sqlite3 points.db 'CREATE TABLE points ( id INTEGER PRIMARY KEY, lat DOUBLE, lon DOUBLE, northing "
            "DOUBLE, easting DOUBLE ); INSERT INTO points VALUES ( 1, 52.37, 4.89, 0, 0 ), ( 2, 4.89, 52.37, 0, 0 "
            ");' || exit 98\n\"$CLI\" batch table --from 4326 --to 28992 --connection 'Provider=SQLite;Data "
            "Source=points.db;' --table points --source-fields lat lon --destination-fields northing easting" +
            std::string(c.strict) +
            "\nstatus=$?\nsqlite3 points.db \"SELECT id, CASE WHEN id = 2 AND northing <> 0 THEN 'converted' ELSE "
            "northing || '|' || easting END FROM points ORDER BY id\"\nexit $status");
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out, c.rows);
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    }
}

// A shapefile's records with a vertex outside their systems are converted
// and counted by record number; a file inside stays quiet.
TEST_F(CliText, ShapefileRecordsOutsideTheirSystemsAreCounted)
{
    struct Case
    {
        const char* points;
        const char* said; // nullptr: no summary
    };
    const Case cases[] = {
        {"1,\"POINT (4.89 52.37)\"\n2,\"POINT (5 52)\"\n", nullptr},
        {"1,\"POINT (4.89 52.37)\"\n2,\"POINT (52.37 4.89)\"\n3,\"POINT (5 52)\"\n",
         "1 point lies outside the area of use of their systems (check the axis order and the systems): record 2."},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.points);
        Write("points.csv", std::string("id,WKT\n") + c.points);
        const ShellRun r = Shell("rm -f points.shp points.shx points.dbf points.prj out.*\n"
                                 "ogr2ogr -q -f 'ESRI Shapefile' -a_srs EPSG:4326 points.shp points.csv || exit 98\n"
                                 "\"$CLI\" batch shapefile --from 4326 --to 28992 --input points.shp --output out.shp");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(std::filesystem::exists(home / "out.shp"));
        if (c.said != nullptr)
            EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        else
            EXPECT_EQ(r.err.find("outside"), std::string::npos) << r.err;
    }
}

TEST_F(CliText, VectorFeaturesOutsideTheirSystemsAreCountedByFeatureId)
{
    // The second feature has its axes swapped; GeoPackage ids start at 1.
    Write("points.csv", "id,WKT\n1,\"POINT (4.89 52.37)\"\n2,\"POINT (52.37 4.89)\"\n3,\"POINT (5 52)\"\n");
    const ShellRun r = Shell("ogr2ogr -q -f GPKG -a_srs EPSG:4326 points.gpkg points.csv || exit 98\n"
                             "\"$CLI\" batch vector --from 4326 --to 28992 --input points.gpkg --output out.gpkg");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(home / "out.gpkg"));
    EXPECT_NE(r.err.find("1 point lies outside the area of use of their systems (check the axis order and the "
                         "systems): feature 2."),
              std::string::npos)
        << r.err;
}

} // namespace
