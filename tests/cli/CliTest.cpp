// geolynx-cli run as a script would run it: the built binary, its standard
// streams and its exit status, on the shipped catalogue in a private folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "CliProcess.h"
#include "ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

class Cli : public testing::Test
{
protected:
    void SetUp() override { home = scratch.Path(); }

    // Runs the program with arguments (shell words) and input on standard input.
    CliRun Invoke(const std::string& arguments, const std::string& input = std::string()) const
    {
        const fs::path in = home / "stdin.txt";
        const fs::path err = home / "stderr.txt";
        std::ofstream(in) << input;
        return RunShellCommand(std::string(GEOLYNX_BIN_DIR) + "/geolynx-cli " + arguments + " <" + in.string(), err);
    }

    std::string Write(const char* name, const std::string& text) const
    {
        const fs::path path = home / name;
        std::ofstream(path) << text;
        return path.string();
    }

    CScratchFolder scratch;
    fs::path home;
};

TEST_F(Cli, ConvertsOneCoordinateBetweenCatalogueSystems)
{
    CliRun r = Invoke("convert --from 4326 --to 32631 5 52");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "637294.3659 5762926.8129 0.0000\n");

    // And back, naming the systems explicitly, with a height.
    r = Invoke("convert --from grid:32631 --to datum:4326 637294.3659 5762926.8129 12.5");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "5.000000000 52.000000000 12.5000\n");

    r = Invoke("convert --from 4326 --to 32631 --precision 1 5 52");
    EXPECT_EQ(r.out, "637294.4 5762926.8 0.0\n");

    // Southern hemisphere and negative longitudes are plain arguments.
    r = Invoke("convert --from 4326 --to 32723 -45 -23");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 7), "500000.");
}

// EPSG guidance note 7-2's worked examples, through the shipped catalogue's
// own identifiers: a datum and a grid on it, printed to the example's
// precision (grid units as the grid has them).
TEST_F(Cli, ReproducesEpsgWorkedExamplesByIdentifier)
{
    struct Example
    {
        const char* from;
        const char* to;
        const char* point;
        double x;
        double y;
        double tolerance;
    };
    const Example examples[] = {
        {"4277", "27700", "0.5 50.5", 577274.98, 69740.49, 0.01},                    // transverse Mercator
        {"4267", "32040", "-96 28.5", 2963503.91, 254759.80, 0.01},                  // Lambert 2SP, US feet
        {"4289", "28992", "6 53", 196105.283, 557057.739, 0.001},                    // oblique stereographic
        {"4326", "32661", "44 73", 3320416.75, 632668.43, 0.01},                     // polar stereographic
        {"4302", "2314", "-62 10", 66644.94 * 0.66, 82536.22 * 0.66, 0.01},          // Cassini, Clarke's feet
        {"4156", "5513", "16.849771944 50.209011667", 568990.997, 1050538.643, 0.02}, // Krovak
    };
    for (const Example& e : examples)
    {
        const CliRun r = Invoke(std::string("convert --from ") + e.from + " --to " + e.to + " " + e.point);
        ASSERT_EQ(r.status, 0) << e.to << ": " << r.err;
        double x = 0;
        double y = 0;
        ASSERT_EQ(std::sscanf(r.out.c_str(), "%lf %lf", &x, &y), 2) << r.out;
        EXPECT_NEAR(x, e.x, e.tolerance) << e.to;
        EXPECT_NEAR(y, e.y, e.tolerance) << e.to;
    }
}

TEST_F(Cli, StreamsLinesInOrderAndReportsTheBadOnes)
{
    const CliRun r = Invoke("convert --from 4326 --to 32631", "5 52\nnot a coordinate\n5,52,10\n\t3  51 \n1 2 3 4\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "637294.3659 5762926.8129 0.0000\n"
                     "not a coordinate\n"
                     "637294.3659 5762926.8129 10.0000\n"
                     "500000.0000 5649824.8883 0.0000\n"
                     "1 2 3 4\n");
    EXPECT_NE(r.err.find("line 2"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 5"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("line 1 "), std::string::npos) << r.err;

    const CliRun clean = Invoke("convert --from 4326 --to 4326", "1.5 2.5\n");
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.out, "1.500000000 2.500000000 0.0000\n");

    // Rounding as printf rounds, ties and near-ties included.
    const CliRun ties = Invoke("convert --from 4326 --to 4326 --precision 2", "0.125 2.675 -0.001\n");
    char expected[128];
    std::snprintf(expected, sizeof expected, "%.2f %.2f %.2f\n", 0.125, 2.675, -0.001);
    EXPECT_EQ(ties.out, expected);

    // Many lines (half a megabyte: blocks on every worker) are converted side
    // by side; the output keeps the input's order and the bad lines their
    // numbers.
    std::string many;
    std::string expectedMany;
    for (int i = 1; i <= 20000; ++i)
    {
        if (i == 5000 || i == 19999)
        {
            many += "bad\n";
            expectedMany += "bad\n";
            continue;
        }
        char line[96];
        std::snprintf(line, sizeof line, "%.9f %.9f", double(i % 180), double(i % 90));
        many += line + std::string("\n");
        expectedMany += line + std::string(" 0.0000\n");
    }
    const CliRun shares = Invoke("convert --from 4326 --to 4326", many);
    EXPECT_EQ(shares.status, 1);
    EXPECT_TRUE(shares.out == expectedMany);
    EXPECT_NE(shares.err.find("line 5000 "), std::string::npos) << shares.err;
    EXPECT_NE(shares.err.find("line 19999 "), std::string::npos) << shares.err;
    EXPECT_LT(shares.err.find("line 5000 "), shares.err.find("line 19999 "));

    // A line longer than any read block is still one line.
    const std::string longLine(3 << 20, 'x');
    const CliRun huge = Invoke("convert --from 4326 --to 4326", longLine + "\n1 2");
    EXPECT_EQ(huge.status, 1);
    EXPECT_TRUE(huge.out == longLine + "\n1.000000000 2.000000000 0.0000\n") << huge.out.size() << " bytes";
    // Also when it comes after many blocks, and the lines after it keep their numbers.
    const CliRun late = Invoke("convert --from 4326 --to 4326", many + longLine + "\n1 2\nbad");
    EXPECT_TRUE(late.out == expectedMany + longLine + "\n1.000000000 2.000000000 0.0000\nbad\n") << late.out.size();
    EXPECT_NE(late.err.find("line 20003 "), std::string::npos) << late.err.substr(0, 400);
}

// Plain decimals take a fast reader, every other number form the full one;
// the stream reads both as from_chars does and refuses the same words.
TEST_F(Cli, StreamReadsEveryNumberFormAsBefore)
{
    const CliRun r = Invoke("convert --from 4326 --to 4326 --precision 12",
                            "+5 52\n5.0e0 5.2e1\n5. 52.\n.5 -.25\n"
                            "1.23456789012345678901 0.000000000000000000001\n-0 007.5000\n"
                            "5..2 52\n5 52abc\n0x10 5\nnan 5\ninf 5\n1e999 5\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "5.000000000000 52.000000000000 0.000000000000\n"
                     "5.000000000000 52.000000000000 0.000000000000\n"
                     "5.000000000000 52.000000000000 0.000000000000\n"
                     "0.500000000000 -0.250000000000 0.000000000000\n"
                     "1.234567890123 0.000000000000 0.000000000000\n"
                     "-0.000000000000 7.500000000000 0.000000000000\n"
                     "5..2 52\n5 52abc\n0x10 5\nnan 5\ninf 5\n1e999 5\n");
    for (int bad = 7; bad <= 12; ++bad)
        EXPECT_NE(r.err.find("line " + std::to_string(bad) + " "), std::string::npos) << bad << ": " << r.err;
    EXPECT_EQ(r.err.find("line 6 "), std::string::npos) << r.err;
}

TEST_F(Cli, RefusesWhatTheCatalogueDoesNotHave)
{
    CliRun r = Invoke("convert --from 999999 --to 4326 1 2");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--from: the catalogue has no grid or datum \"999999\""), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());

    r = Invoke("convert --from 4326 --to datum:999999", "1 2\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--to: the catalogue has no grid or datum \"datum:999999\""), std::string::npos) << r.err;

    r = Invoke("convert --from grid:abc --to 4326 1 2");
    EXPECT_EQ(r.status, 2);
    r = Invoke("convert --to 4326 1 2");
    EXPECT_EQ(r.status, 2);

    // A catalogue that is not a database finds nothing either.
    const std::string bad = Write("bad.db", "this is not a database");
    r = Invoke("--catalogue 'Provider=SQLite;Data Source=" + bad + ";' convert --from 4326 --to 4326 1 2");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("the catalogue cannot be opened: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("file is not a database"), std::string::npos) << r.err;
}

TEST_F(Cli, ListsCatalogueRowsWithTheirFilters)
{
    CliRun r = Invoke("list datums --search 'wgs 84'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("4326\tWGS 84\n"), std::string::npos);
    for (std::istringstream lines(r.out); !lines.eof();)
    {
        std::string line;
        std::getline(lines, line);
        if (!line.empty())
        {
            EXPECT_NE(line.find("WGS 84"), std::string::npos) << line;
        }
    }

    r = Invoke("list grids --datum 4326 --search 'utm zone 31n'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "32631\tWGS 84 / UTM zone 31N\n");
    r = Invoke("list grids --datum 4267 --search 'utm zone 31n'");
    EXPECT_EQ(r.out, "");

    r = Invoke("list units");
    EXPECT_NE(r.out.find("9001\t"), std::string::npos);
    r = Invoke("list everything");
    EXPECT_EQ(r.status, 2);
}

TEST_F(Cli, PrintsDistanceAndAzimuths)
{
    const CliRun r = Invoke("distance 52 4 51 5");
    EXPECT_EQ(r.status, 0) << r.err;
    double distance = 0;
    double forward = 0;
    double reverse = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str(), "%lf %lf %lf", &distance, &forward, &reverse), 3) << r.out;
    EXPECT_NEAR(distance / 1000, 131.15, 0.005);
    // The geodesic's azimuths, as GeodSolve gives them.
    EXPECT_NEAR(forward, 147.638, 0.001);
    EXPECT_NEAR(reverse, 328.420, 0.001);
    // Coincident positions have no azimuth, and say so in words.
    EXPECT_EQ(Invoke("distance 48.2 16.37 48.2 16.37").out, "0.000 none none\n");
}

TEST_F(Cli, ConvertsATextFile)
{
    const std::string input = Write("in.csv", "lon;lat;h;name\n5;52;0;Apeldoorn\n3;51;7;Ghent\n");
    const std::string output = (home / "out.csv").string();
    const CliRun r = Invoke("batch text --from 4326 --to 32631 --header --input " + input + " --output " + output);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Conversion completed"), std::string::npos) << r.err;
    std::ostringstream text;
    text << std::ifstream(output).rdbuf();
    EXPECT_EQ(text.str(), "lon;lat;h;name\n637294.37;5762926.81;0.00;Apeldoorn\n500000.00;5649824.89;7.00;Ghent\n");

    const CliRun missing = Invoke("batch text --from 4326 --to 32631 --input " + (home / "absent.csv").string() +
                            " --output " + output);
    EXPECT_NE(missing.status, 0);
}

TEST_F(Cli, ConvertsAShapefileAndATable)
{
    // A point shapefile made by GDAL, converted, and read back by GDAL.
    Write("points.csv", "lon,lat,name\n5,52,Apeldoorn\n3,51,Ghent\n");
    const fs::path shp = home / "points.shp";
    ASSERT_EQ(std::system(("ogr2ogr -q -f 'ESRI Shapefile' " + shp.string() + " " + (home / "points.csv").string() +
                           " -oo X_POSSIBLE_NAMES=lon -oo Y_POSSIBLE_NAMES=lat")
                              .c_str()),
              0);
    const fs::path utm = home / "points_utm.shp";
    CliRun r = Invoke("batch shapefile --from 4326 --to 32631 --input " + shp.string() + " --output " + utm.string());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Conversion completed"), std::string::npos) << r.err;
    std::FILE* info = ::popen(("ogrinfo -q -al " + utm.string()).c_str(), "r");
    ASSERT_NE(info, nullptr);
    std::string listing;
    char buffer[4096];
    for (std::size_t n = 0; (n = std::fread(buffer, 1, sizeof buffer, info)) > 0;)
        listing.append(buffer, n);
    ASSERT_EQ(::pclose(info), 0) << "ogrinfo cannot read the converted shapefile";
    EXPECT_NE(listing.find("POINT (637294.36"), std::string::npos) << listing;
    EXPECT_NE(listing.find("Ghent"), std::string::npos) << listing;

    // A SQLite table converted in place.
    const fs::path db = home / "points.db";
    ASSERT_EQ(std::system(("sqlite3 " + db.string() +
                           " 'CREATE TABLE points ( id INTEGER PRIMARY KEY, lat DOUBLE, lon DOUBLE, northing DOUBLE, "
                           "easting DOUBLE ); INSERT INTO points VALUES ( 1, 52, 5, 0, 0 ), ( 2, 51, 3, 0, 0 );'")
                              .c_str()),
              0);
    r = Invoke("batch table --from 4326 --to 32631 --connection 'Provider=SQLite;Data Source=" + db.string() +
               ";' --table points --source-fields lat lon --destination-fields northing easting");
    EXPECT_EQ(r.status, 0) << r.err;
    std::FILE* rows = ::popen(("sqlite3 " + db.string() + " 'SELECT northing, easting FROM points ORDER BY id'").c_str(),
                              "r");
    ASSERT_NE(rows, nullptr);
    double northing = 0;
    double easting = 0;
    ASSERT_EQ(std::fscanf(rows, "%lf|%lf", &northing, &easting), 2);
    EXPECT_NEAR(northing, 5762926.8129, 0.01);
    EXPECT_NEAR(easting, 637294.3659, 0.01);
    ::pclose(rows);

    // A table that is not there fails the run.
    r = Invoke("batch table --from 4326 --to 32631 --connection 'Provider=SQLite;Data Source=" + db.string() +
               ";' --table nowhere --source-fields lat lon --destination-fields northing easting");
    EXPECT_EQ(r.status, 2);
}

} // namespace
