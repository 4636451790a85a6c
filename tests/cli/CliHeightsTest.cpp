// Heights above a geoid on the command line: the compound notation on every
// form of system, the stream and a text file's height column against cs2cs,
// the model list, and what is refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "CliProcess.h"
#include "ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

class CliHeights : public testing::Test
{
protected:
    void SetUp() override { home = scratch.Path(); }

    // A shell command line with $CLI naming the program, input on standard input.
    CliRun Shell(const std::string& command, const std::string& input = std::string()) const
    {
        std::ofstream(home / "stdin.txt") << input;
        std::ofstream(home / "script.sh") << "cd '" << home.string() << "' || exit 99\nCLI='" << GEOLYNX_BIN_DIR
                                          << "/geolynx-cli'\n{ " << command << "\n} <stdin.txt\n";
        return RunShellCommand("bash '" + (home / "script.sh").string() + "'", home / "stderr.txt");
    }

    std::string Read(const std::string& name) const
    {
        return ReadWholeFile(home / name);
    }

    static std::vector<std::vector<double>> Numbers(const std::string& text)
    {
        std::vector<std::vector<double>> rows;
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line))
        {
            for (char& c : line)
                c = c == ';' || c == '\t' ? ' ' : c;
            std::istringstream fields(line);
            std::vector<double> row;
            double v;
            while (fields >> v)
                row.push_back(v);
            rows.push_back(row);
        }
        return rows;
    }

    CScratchFolder scratch;
    fs::path home;
};

const char* const kPoints = "2.35 48.85 100\n-74 40.7 -30\n151.2 -33.9 12.5\n179.99 -16.5 0\n";

} // namespace

TEST_F(CliHeights, CompoundSystemsGiveCs2csHeightsInEveryForm)
{
    struct Case
    {
        const char* ours;
        const char* proj;
        int heightField; // of cs2cs's output
    };
    const Case cases[] = {
        {"--from 4326 --to 4326+5773", "EPSG:4979 EPSG:4326+5773", 2},
        {"--from datum:4326 --to datum:4326+5773", "EPSG:4979 EPSG:4326+5773", 2},
        {"--from 4326 --to 3395+5773", "EPSG:4979 EPSG:3395+5773", 2},
        {"--from 4326 --to grid:3395+5773", "EPSG:4979 EPSG:3395+5773", 2},
        {"--from 4326+5773 --to 4326", "EPSG:4326+5773 EPSG:4979", 2},
    };
    for (const Case& c : cases)
    {
        const CliRun ours = Shell(std::string("$CLI convert ") + c.ours, kPoints);
        ASSERT_EQ(ours.status, 0) << c.ours << ": " << ours.err;
        // cs2cs takes and gives latitude first on the geographic systems.
        const CliRun proj = Shell(std::string("awk '{print $2, $1, $3}' | cs2cs -f %.6f ") + c.proj, kPoints);
        ASSERT_EQ(proj.status, 0) << proj.err << " (proj-bin)";
        const auto a = Numbers(ours.out), b = Numbers(proj.out);
        ASSERT_EQ(a.size(), 4u) << c.ours;
        ASSERT_EQ(b.size(), 4u) << c.proj;
        for (size_t k = 0; k < a.size(); ++k)
            EXPECT_NEAR(a[k][2], b[k][static_cast<size_t>(c.heightField)], 0.0001 + 1e-9)
                << c.ours << " line " << k << "\n" << ours.out << proj.out;
    }
}

TEST_F(CliHeights, TextAndTableHeightColumnsGoThroughTheGeoid)
{
    std::ofstream(home / "in.csv") << "lon;lat;h;name\n2.35;48.85;100;Paris\n-74;40.7;-30;New York\n";
    const CliRun run = Shell("$CLI batch text --from 4326 --to 4326+5773 --header --input in.csv --output out.csv");
    ASSERT_EQ(run.status, 0) << run.err;
    const CliRun proj = Shell("printf '48.85 2.35 100\\n40.7 -74 -30\\n' | cs2cs -f %.6f EPSG:4979 EPSG:4326+5773");
    const auto ours = Numbers(Read("out.csv")), oracle = Numbers(proj.out);
    ASSERT_EQ(ours.size(), 3u);
    ASSERT_EQ(oracle.size(), 2u);
    EXPECT_NEAR(ours[1][2], oracle[0][2], 0.005 + 1e-9); // the column keeps two decimals
    EXPECT_NEAR(ours[2][2], oracle[1][2], 0.005 + 1e-9);

    const std::string table = "$CLI batch table --connection 'Provider=SQLite;Data Source=t.db;' --table t "
                              "--source-fields lat lon --destination-fields lat2 lon2 --from 4326 --to 4326+5773";
    const CliRun made = Shell("sqlite3 t.db 'CREATE TABLE t (id INTEGER PRIMARY KEY, lat, lon, h, lat2, lon2, h2); "
                              "INSERT INTO t (lat, lon, h) VALUES (48.85, 2.35, 100), (40.7, -74, -30), (1, 1, NULL)'");
    ASSERT_EQ(made.status, 0) << made.err;
    const CliRun refused = Shell(table);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("need a height column"), std::string::npos) << refused.err;
    // With a height column the heights go through the geoid; a record
    // without a height is left unchanged.
    const CliRun converted = Shell(table + " --height-fields h h2");
    EXPECT_EQ(converted.status, 1) << converted.err;
    const auto rows = Numbers(Shell("sqlite3 -separator ' ' t.db 'SELECT lat2, lon2, h2 FROM t'").out);
    ASSERT_EQ(rows.size(), 3u);
    for (std::size_t k = 0; k < 2; ++k)
        EXPECT_NEAR(rows[k][2], oracle[k][2], 0.0005 + 1e-9) << k; // three decimals
    EXPECT_TRUE(rows[2].empty());
}

TEST_F(CliHeights, ShapefileAndVectorZValuesGoThroughTheGeoid)
{
    std::ofstream(home / "in.csv") << "WKT,name\n\"POINT Z (2.35 48.85 100)\",Paris\n"
                                      "\"POINT Z (-74 40.7 -30)\",New York\n";
    const CliRun proj = Shell("printf '48.85 2.35 100\\n40.7 -74 -30\\n' | cs2cs -f %.6f EPSG:4979 EPSG:4326+5773");
    const auto oracle = Numbers(proj.out);
    ASSERT_EQ(oracle.size(), 2u) << proj.err;
    struct Case
    {
        const char* make;    // ogr2ogr's options for the input
        const char* convert; // the batch command
        const char* output;
    };
    const Case cases[] = {
        {"-f 'ESRI Shapefile' in.shp", "shapefile --input in.shp --output out.shp", "out.shp"},
        {"-f GPKG in.gpkg", "vector --input in.gpkg --output out.gpkg", "out.gpkg"},
    };
    for (const Case& c : cases)
    {
        const CliRun made = Shell(std::string("ogr2ogr ") + c.make + " in.csv -oo GEOM_POSSIBLE_NAMES=WKT "
                                  "-oo KEEP_GEOM_COLUMNS=NO -a_srs EPSG:4326");
        ASSERT_EQ(made.status, 0) << made.err;
        const CliRun run = Shell(std::string("$CLI batch ") + c.convert + " --from 4326 --to 4326+5773");
        ASSERT_EQ(run.status, 0) << c.convert << ": " << run.err;
        EXPECT_NE(run.err.find("Heights: from the ellipsoid to EGM96 height (geoid model 5773)."), std::string::npos)
            << run.err;
        // The points as ogrinfo lists them: longitude, latitude and height.
        const CliRun listed = Shell(std::string("ogrinfo -q -al ") + c.output + " | grep -o 'POINT Z (.*)' | tr -d 'POINTZ()'");
        const auto ours = Numbers(listed.out);
        ASSERT_EQ(ours.size(), 2u) << listed.out << listed.err;
        for (std::size_t k = 0; k < ours.size(); ++k)
        {
            EXPECT_NEAR(ours[k][0], oracle[k][1], 1e-9) << c.convert;
            EXPECT_NEAR(ours[k][2], oracle[k][2], 0.0001 + 1e-9) << c.convert << " point " << k;
        }
    }
}

TEST_F(CliHeights, ListsModelsAndRefusesWhatCannotBeUsed)
{
    const CliRun list = Shell("$CLI list geoids");
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("5773\tEGM96 height\tegm96_15.gtx\t4326\t1\tpresent\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("3855\tEGM2008 height\tus_nga_egm08_25.tif\t4326\t0.5\tmissing\n"), std::string::npos);
    const CliRun search = Shell("$CLI list geoids --search egm2008");
    EXPECT_EQ(search.out, "3855\tEGM2008 height\tus_nga_egm08_25.tif\t4326\t0.5\tmissing\n");

    struct Case
    {
        const char* arguments;
        const char* said;
    };
    const Case cases[] = {
        {"--from 4326 --to 4326+", "is not grid:ID, datum:ID, EPSG:ID or ID (+GEOID)"},
        {"--from 4326 --to 4326+egm", "is not grid:ID, datum:ID, EPSG:ID or ID (+GEOID)"},
        {"--from +5773 --to 4326", "is not grid:ID, datum:ID, EPSG:ID or ID (+GEOID)"},
        {"--from 4326 --to 4326+5773+5773", "is not grid:ID, datum:ID, EPSG:ID or ID (+GEOID)"},
        {"--from 4326 --to 4326+-5773", "is not grid:ID, datum:ID, EPSG:ID or ID (+GEOID)"},
        {"--from 4326 --to 4326+3855", "us_nga_egm08_25.tif of the geoid model EGM2008 height (3855) is missing; "
                                       "put it in "},
        {"--from 4326 --to 4326+77", "the catalogue has no geoid model 77"},
    };
    for (const Case& c : cases)
    {
        const CliRun one = Shell(std::string("$CLI convert ") + c.arguments + " -- 2 48 10");
        EXPECT_EQ(one.status, 2) << c.arguments;
        EXPECT_EQ(one.out, "") << c.arguments;
        EXPECT_NE(one.err.find(c.said), std::string::npos) << c.arguments << ": " << one.err;
        const CliRun stream = Shell(std::string("$CLI convert ") + c.arguments, "2 48 10\n");
        EXPECT_EQ(stream.status, 2) << c.arguments;
        EXPECT_EQ(stream.out, "") << c.arguments;
    }
}

TEST_F(CliHeights, ExplainNamesTheGeoidModelOfEachSide)
{
    struct Case
    {
        const char* arguments;
        const char* said; // nullptr: no heights line
    };
    const Case cases[] = {
        {"--from 4326 --to 4326+5773 -- 2 48 10",
         "geolynx-cli: heights: source above the ellipsoid, destination above EGM96 height (5773); EGM96 height "
         "(5773): grid egm96_15.gtx, stated accuracy 1 m\n"},
        {"--from 4326+5773 --to 32631",
         "geolynx-cli: heights: source above EGM96 height (5773), destination above the ellipsoid; EGM96 height "
         "(5773): grid egm96_15.gtx, stated accuracy 1 m\n"},
        {"--from 4326 --to 32631 -- 2 48 10", nullptr},
    };
    for (const Case& c : cases)
    {
        const CliRun run = Shell(std::string("$CLI convert --explain ") + c.arguments, "2 48 10\n");
        EXPECT_EQ(run.status, 0) << c.arguments << ": " << run.err;
        if (c.said != nullptr)
            EXPECT_NE(run.err.find(c.said), std::string::npos) << c.arguments << ": " << run.err;
        else
            EXPECT_EQ(run.err.find("heights:"), std::string::npos) << run.err;
    }
}
