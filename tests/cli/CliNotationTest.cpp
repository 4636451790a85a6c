// geolynx-cli reading and writing map notations: convert with one reference
// or a stream of them, batch text with a reference column, and the refusals.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "CliProcess.h"
#include "ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

class CliNotation : public testing::Test
{
protected:
    // Runs the program with arguments (shell words) and standard input.
    CliRun Run(const std::string& arguments, const std::string& input = "") const
    {
        const fs::path in = home / "stdin.txt";
        const fs::path err = home / "stderr.txt";
        std::ofstream(in) << input;
        return RunShellCommand("cd '" + home.string() + "' && '" + GEOLYNX_BIN_DIR + "/geolynx-cli' " + arguments +
                                   " <'" + in.string() + "'",
                               err);
    }

    std::string Read(const std::string& name) const
    {
        return ReadWholeFile(home / name);
    }

    CScratchFolder scratch;
    fs::path home = scratch.Path();
};

struct Case
{
    const char* arguments;
    int status;
    const char* out; // standard output, or a part of standard error when status is 2
};

// cs2cs, WGS 84 to UTM zone 31N: 5 52 -> 637294.366 5762926.813; to zone 32N
// (a fixed zone): 225451.740 5768595.564.
TEST_F(CliNotation, ConvertReadsAndWritesEachNotation)
{
    const Case cases[] = {
        // An MGRS reference is the centre of its square, on the engine's
        // own UTM grid to the tenth of a millimetre, quoted or not.
        {"convert --from 4326 --to 32631 --notation mgrs '31U FT 37294 62926'", 0, "637294.5000 5762926.5000 0.0000\n"},
        {"convert --from 4326 --to 32631 --notation usng 31U FT 37294 62926", 0, "637294.5000 5762926.5000 0.0000\n"},
        {"convert --from 32631 --to 32631 --notation utm '31N 637294.366 5762926.813' --precision 3", 0,
         "637294.366 5762926.813 0.000\n"},
        {"convert --from 4326 --to 4326 --to-notation usng --reference-precision 10 -- 5 52", 0,
         "31U FT 3729 6292\n"},
        {"convert --from 4326 --to 4326 --to-notation mgrs -- 5 52 12.5", 0, "31UFT3729462926\t12.5000\n"},
        {"convert --from 4326 --to 4326 --to-notation utm --precision 3 -- 5 52", 0, "31N 637294.366 5762926.813\n"},
        {"convert --from 4326 --to 4326 --to-notation utm --utm-zone 32 --precision 0 -- 5 52", 0,
         "32N 225452 5768596\n"},
        {"convert --from 27700 --to 27700 --notation bng --to-notation bng --reference-precision 1000 'TG 51409 "
         "13177'",
         0, "TG 51 13\n"},
        {"convert --from 27700 --to 27700 --notation bng --precision 1 'NN 166 712'", 0, "216650.0 771250.0 0.0\n"},
        // Refusals, with the reason.
        {"convert --from 4326 --to 4326 --notation mgrs 32XNE1234512345", 2, "zone 32X does not exist"},
        {"convert --from 4326 --to 4326 --notation mgrs 38WLS0000000000", 2, "band W covers"},
        {"convert --from 4326 --to 27700 --to-notation mgrs -- 5 50", 2, "not offered on this system"},
        {"convert --from 4326 --to 2157 --to-notation irish -- -6.26 53.35", 2, "only on the Irish Grid"},
        {"convert --from 4326 --to 27700 --notation bng 'TQ 30043 80358'", 2, "only on the British"},
        {"convert --from 4326 --to 27700 --to-notation bng -- 20 52", 2, "outside the lettered squares"},
        {"convert --from 4326 --to 4326 --to-notation mgrs --reference-precision 5 -- 5 52", 2,
         "--reference-precision"},
        {"convert --from 4326 --to 4326 -- 1 2 3 4", 2, "at most three numbers"},
    };
    for (const Case& c : cases)
    {
        const CliRun r = Run(c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.err;
        if (c.status == 0)
            EXPECT_EQ(r.out, c.out) << c.arguments;
        else
            EXPECT_NE(r.err.find(c.out), std::string::npos) << c.arguments << "\n" << r.err;
    }
}

TEST_F(CliNotation, StreamConvertsEveryReferenceAndCopiesTheRefused)
{
    const CliRun r = Run("convert --from 4326 --to 4326 --notation usng --to-notation utm --precision 1",
                              "31UFT3729462926\n31U FT 3729 62926\n18S UJ 23483 06479\n");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "31N 637294.5 5762926.5\n31U FT 3729 62926\n18N 323483.5 4306479.5\n");
    EXPECT_NE(r.err.find("line 2 not converted: the easting has 4 digits and the northing 5"), std::string::npos)
        << r.err;
}

TEST_F(CliNotation, BatchTextReadsAndWritesAReferenceColumn)
{
    std::ofstream(home / "refs.csv") << "name,ref,h\nA,31UFT3729462926,10\nB,32XNE1234512345,5\n";
    CliRun r = Run("batch text --from 4326 --to 32631 --header --input refs.csv --output out.csv "
                        "--notation mgrs --notation-column 2 --z-column 3");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(Read("out.csv"), "name,ref,h\nA,637294.50,5762926.50,10.00\nB,32XNE1234512345,5\n");
    EXPECT_NE(r.err.find("line 3 (reference field 2: zone 32X does not exist"), std::string::npos) << r.err;

    // Latitude and longitude columns stay; the reference is added after them.
    std::ofstream(home / "ll.csv") << "lat,lon\n52.6576,1.7179\n40,-3\n";
    r = Run("batch text --from 4326 --to 27700 --header --input ll.csv --output bng.csv --x-column 2 "
            "--y-column 1 --to-notation bng --reference-precision 100 --notation-column 3");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(Read("bng.csv"), "lat,lon\n52.6576,1.7179,TG 515 131\n40,-3\n");
    EXPECT_NE(r.err.find("outside the lettered squares"), std::string::npos) << r.err;

    // A reference column that is also a coordinate column, or a notation
    // without its column, is refused before anything is written.
    r = Run("batch text --from 4326 --to 27700 --input ll.csv --output no.csv --to-notation bng --notation-column 1");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("also a coordinate column"), std::string::npos) << r.err;
    r = Run("batch text --from 4326 --to 27700 --input ll.csv --output no.csv --to-notation mgrs "
            "--notation-column 3");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("writing mgrs: not offered on this system"), std::string::npos) << r.err;
    r = Run("batch text --from 4326 --to 27700 --input ll.csv --output no.csv --to-notation bng");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("need --notation-column"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(home / "no.csv"));
}

} // namespace
