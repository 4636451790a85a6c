// Numbers read one way and failures said with their cause, through the built
// geolynx-cli on real files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <sys/wait.h>

#include "../batch/ShapefileTestSupport.h"
#include "ScratchFolder.h"

namespace {

struct Result
{
    int status = -1;
    std::string out;
    std::string err;
};

std::string Read(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class CliReading : public testing::Test
{
protected:
    Result Cli(const std::string& arguments, const std::string& input = std::string()) const
    {
        const std::string in = scratch.File("stdin.txt");
        const std::string out = scratch.File("stdout.txt");
        const std::string err = scratch.File("stderr.txt");
        Write(in, input);
        const int status = std::system((std::string(GEOLYNX_BIN_DIR) + "/geolynx-cli " + arguments + " <" + in +
                                        " >" + out + " 2>" + err)
                                           .c_str());
        Result r;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = Read(out);
        r.err = Read(err);
        return r;
    }

    CScratchFolder scratch;
};

} // namespace

TEST_F(CliReading, TheStreamReadsEveryNumberOneStrictWay)
{
    struct Case
    {
        const char* line;
        const char* out; // the line written, converted or as it was
        const char* why; // in the message, when refused
    };
    const std::vector<Case> cases = {
        {"5 52", "5.000000 52.000000 0.000000", nullptr},
        {"+5 -52", "5.000000 -52.000000 0.000000", nullptr},
        {"4.5,52.5", "4.500000 52.500000 0.000000", nullptr},
        {"12,5,48", "12.000000 5.000000 48.000000", nullptr},
        {"5, 52", "5.000000 52.000000 0.000000", nullptr},
        {"12,5 48", "12,5 48", "comma between digits"},
        {"12,5\t48,1", "12,5\t48,1", "comma between digits"},
        {"+-1 5", "+-1 5", "is not a coordinate"},
        {"-+1 5", "-+1 5", "is not a coordinate"},
        {"0x10 5", "0x10 5", "is not a coordinate"},
        {"nan 5", "nan 5", "is not a coordinate"},
        {"5 infinity", "5 infinity", "is not a coordinate"},
        {"1e999 5", "1e999 5", "is not a coordinate"},
        {"5..2 52", "5..2 52", "is not a coordinate"},
        {"5 95", "5 95", "cannot be converted"},
    };
    std::string input, want;
    for (const auto& c : cases)
    {
        input += std::string(c.line) + "\n";
        want += std::string(c.out) + "\n";
    }
    const Result r = Cli("convert --from 4326 --to 4326 --precision 6", input);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, want);
    for (std::size_t i = 0; i < cases.size(); ++i)
    {
        const std::string at = "line " + std::to_string(i + 1) + " ";
        const std::size_t found = r.err.find(at);
        if (cases[i].why == nullptr)
        {
            EXPECT_EQ(found, std::string::npos) << cases[i].line << ": " << r.err;
            continue;
        }
        ASSERT_NE(found, std::string::npos) << cases[i].line << ": " << r.err;
        const std::string message = r.err.substr(found, r.err.find('\n', found) - found);
        EXPECT_NE(message.find(cases[i].why), std::string::npos) << cases[i].line << ": " << message;
    }

    // A point beyond the shift grid of DHDN (BETA2007) is a coordinate that
    // cannot be converted, and says so.
    const Result grid = Cli("convert --from 4314 --to 4258", "10 50\n-50 10\n");
    EXPECT_EQ(grid.status, 1) << grid.err;
    EXPECT_NE(grid.err.find("line 2 cannot be converted (the point -50.000000000 10.000000000 lies outside every "
                            "sub-grid of "),
              std::string::npos)
        << grid.err;
    EXPECT_EQ(grid.err.find("line 1 "), std::string::npos) << grid.err;

    // Commas named as the separator are read as separators.
    const Result comma = Cli("convert --from 4326 --to 4326 --precision 1 --separator comma", "12,5 ,48\n");
    EXPECT_EQ(comma.status, 0) << comma.err;
    EXPECT_EQ(comma.out, "12.0 5.0 48.0\n");
}

TEST_F(CliReading, EveryFailureNamesItsCause)
{
    const std::string text = scratch.File("in.txt");
    Write(text, "5 52\n");
    const std::string damaged = scratch.File("damaged.db");
    Write(damaged, std::string(4096, 'x'));
    struct Case
    {
        const char* what;
        std::string arguments;
        const char* why;
    };
    const std::vector<Case> cases = {
        {"unknown source", "convert --from 999999 --to 4326 1 2", "--from: the catalogue has no grid or datum \"999999\""},
        {"unknown destination", "convert --from 4326 --to grid:999999 1 2",
         "--to: the catalogue has no grid or datum \"grid:999999\""},
        {"unknown system of a batch", "batch text --from 4326 --to datum:999998 --input " + text + " --output " +
                                          scratch.File("out.txt"),
         "--to: the catalogue has no grid or datum \"datum:999998\""},
        {"NaN given", "convert --from 4326 --to 4326 -- nan 5", "nan is not a number a coordinate can have"},
        {"catalogue missing", "--catalogue 'Provider=SQLite;Data Source=" + scratch.File("typo.db") +
                                  ";' convert --from 4326 --to 4326 1 2",
         "does not exist"},
        {"catalogue damaged", "--catalogue 'Provider=SQLite;Data Source=" + damaged + ";' list datums",
         "the catalogue cannot be opened"},
        {"directory as input", "batch text --from 4326 --to 32631 --input " + scratch.Path() + " --output " +
                                   scratch.File("out.txt"),
         "Is a directory"},
        {"nothing converts", "batch text --from 4326 --to 32631 --input " + scratch.File("bad.txt") + " --output " +
                                 scratch.File("out.txt"),
         "no line could be converted"},
        {"read-only destination", "batch text --from 4326 --to 32631 --input " + text + " --output " +
                                      scratch.File("readonly.txt"),
         "readonly.txt\" is read-only; it is not replaced"},
        {"UTF-16 text", "batch text --from 4326 --to 32631 --input " + scratch.File("utf16.csv") + " --output " +
                            scratch.File("out.txt"),
         "the file is UTF-16 text (little-endian); save it as UTF-8"},
    };
    Write(scratch.File("bad.txt"), "a b\nc d\n");
    Write(scratch.File("readonly.txt"), "kept\n");
    std::filesystem::permissions(scratch.File("readonly.txt"), std::filesystem::perms::owner_read);
    // A spreadsheet's "Unicode text": UTF-16 with its byte order mark.
    Write(scratch.File("utf16.csv"), std::string("\xFF\xFE" "5\0;\0" "5\0" "2\0\r\0\n\0", 14));
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const Result r = Cli(c.arguments);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("You have to select"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Press 'Finish'"), std::string::npos) << r.err;
    }
    // A catalogue named but missing is not created.
    EXPECT_FALSE(std::ifstream(scratch.File("typo.db")).good());
    EXPECT_EQ(Read(scratch.File("readonly.txt")), "kept\n");
    // Nothing written where nothing converted.
    EXPECT_FALSE(std::ifstream(scratch.File("out.txt")).good());
}

TEST_F(CliReading, ATextFileHasOneDecimalMarkAndTheDecimalsAskedFor)
{
    struct Case
    {
        const char* what;
        const char* arguments; // after --input and --output
        const char* input;
        const char* output;
        int status;
        const char* why; // in the message, when a line is refused
    };
    const std::vector<Case> cases = {
        {"a thousands point among decimal commas", "--from 32631 --to 32631 --separator semicolon",
         "434039,46;5762926,81\n434.039;5762926,81\n", "434039,46;5762926,81\n434.039;5762926,81\n", 1,
         "line 2 (easting field 1 is written with a decimal point, but the file's decimal mark is the comma)"},
        {"decimal commas written back", "--from 4326 --to 4326 --separator semicolon", "5,5;52,25\n",
         "5,500000;52,250000\n", 0, nullptr},
        {"decimal commas between blanks", "--from 4326 --to 32631 --separator space", "5,0 52,0\n",
         "637294,37 5762926,81\n", 0, nullptr},
        {"a decimal comma among points", "--from 4326 --to 4326 --separator semicolon", "5.5;52.5\n5,5;52,5\n",
         "5.500000;52.500000\n5,5;52,5\n", 1, "line 2 (longitude field 1 is written with a decimal comma"},
        {"commas quoted in a comma file", "--from 4326 --to 4326 --separator comma", "\"5,5\",\"52,5\"\n5,52\n",
         "\"5,5\",\"52,5\"\n5.000000,52.000000\n", 1, "decimal comma, but the file's decimal mark is the point"},
        {"default decimals", "--from 4326 --to 4326 --z-column 3", "5.123456789;52.987654321;10.123456\n",
         "5.123457;52.987654;10.12\n", 0, nullptr},
        {"nine decimals", "--from 4326 --to 4326 --z-column 3 --precision 9", "5.123456789;52.987654321;10.123456\n",
         "5.123456789;52.987654321;10.123456000\n", 0, nullptr},
        {"no decimals", "--from 4326 --to 32631 --precision 0", "5;52\n", "637294;5762927\n", 0, nullptr},
    };
    const std::string input = scratch.File("in.csv");
    const std::string output = scratch.File("out.csv");
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        Write(input, c.input);
        std::remove(output.c_str());
        const Result r = Cli(std::string("batch text ") + c.arguments + " --input " + input + " --output " + output);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(Read(output), c.output) << r.err;
        if (c.why != nullptr)
        {
            EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
        }
    }
}

TEST_F(CliReading, ATableGetsTheDecimalsAskedFor)
{
    const std::string db = scratch.File("points.db");
    ASSERT_EQ(std::system(("sqlite3 " + db + " 'CREATE TABLE p (id INTEGER PRIMARY KEY, lat DOUBLE, lon DOUBLE); "
                                             "INSERT INTO p VALUES (1, 52.123456789012, 5.987654321098);'")
                              .c_str()),
              0);
    struct Case
    {
        const char* precision;
        const char* row; // as sqlite3 prints it
    };
    // An identity conversion: what is written is the value rounded to the
    // decimals asked for, and, above what a double holds, the value itself.
    const std::vector<Case> cases = {
        {"", "52.123457|5.987654"},
        {"--precision 3", "52.123|5.988"},
        {"--precision 17", "52.123456789012|5.987654321098"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.precision);
        ASSERT_EQ(std::system(("sqlite3 " + db + " 'UPDATE p SET lat = 52.123456789012, lon = 5.987654321098'").c_str()),
                  0);
        const Result r = Cli(std::string("batch table --from 4326 --to 4326 ") + c.precision +
                             " --connection 'Provider=SQLite;Data Source=" + db +
                             ";' --table p --source-fields lat lon --destination-fields lat lon");
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string listing = scratch.File("rows.txt");
        ASSERT_EQ(std::system(("sqlite3 " + db + " 'SELECT lat, lon FROM p' >" + listing).c_str()), 0);
        EXPECT_EQ(Read(listing), std::string(c.row) + "\n");
    }
}

TEST_F(CliReading, SystemsAndPrjFilesAreReadAsDocumented)
{
    // A set whose .prj an editor saved with a UTF-8 byte order mark.
    batchtest::WriteShapefile(scratch.File("bom"), 1, {batchtest::Shape{1, {}, {}, {{5, 52, 0}}, {}}});
    Write(scratch.File("bom.prj"), "\xEF\xBB\xBFGEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\","
                                   "6378137.0,298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\","
                                   "0.0174532925199433]]");
    struct Case
    {
        const char* what;
        std::string arguments;
        const char* out; // the start of standard output
        const char* err; // in standard error
        int status;
    };
    const std::vector<Case> cases = {
        {"EPSG code of a grid", "convert --from EPSG:4326 --to EPSG:32631 --precision 2 5 52",
         "637294.37 5762926.81 ", "", 0},
        {"EPSG code in lower case", "convert --from epsg:4326 --to 32631 --precision 2 5 52", "637294.37 5762926.81 ",
         "", 0},
        {"not a code", "convert --from EPSG:x --to 32631 5 52", "", "is not grid:ID, datum:ID, EPSG:ID or ID", 2},
        {".prj with a byte order mark", "batch shapefile --from auto --to 32631 --input " + scratch.File("bom.shp") +
                                            " --output " + scratch.File("utm.shp"),
         "", "--from auto: datum:4326", 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const Result r = Cli(c.arguments);
        EXPECT_EQ(r.out.substr(0, std::string(c.out).size()), c.out) << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(r.status, c.status) << r.err;
    }
}
