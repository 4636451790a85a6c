// batch text --describe through the built geolynx-cli on the shipped
// catalogue: the comment it writes into a real CSV (byte-order mark, header,
// CR LF, quoted fields), which systems get an EPSG code, and GDAL still
// reading the file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

#include "../batch/BatchTestSupport.h"
#include "ScratchFolder.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";

class CliDescribe : public testing::Test
{
protected:
    // The exit status of geolynx-cli with arguments (shell words).
    int Cli(const std::string& arguments) const
    {
        const int status = std::system((std::string(GEOLYNX_BIN_DIR) + "/geolynx-cli " + arguments + " 2>'" +
                                        scratch.File("stderr.txt") + "'")
                                           .c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The output of converting in.csv to the system to, with or without the option.
    std::string Convert(const std::string& to, bool describe, int expectedStatus = 0) const
    {
        const std::string out = scratch.File("out.csv");
        std::remove(out.c_str());
        EXPECT_EQ(Cli("batch text --from 4326 --to " + to + " --header --input '" + scratch.File("in.csv") +
                      "' --output '" + out + "'" + (describe ? " --describe" : "")),
                  expectedStatus)
            << CScratchFolder::Read(scratch.File("stderr.txt"));
        return CScratchFolder::Read(out);
    }

    void Sql(const std::string& statement) const
    {
        const std::string catalogue = scratch.File("home/data/Veltrix/Geolynx/catalogue.db");
        ASSERT_EQ(std::system(("sqlite3 '" + catalogue + "' \"" + statement + "\"").c_str()), 0) << statement;
    }

    CScratchFolder scratch;
};

// The output with the line after the header taken out, and that line.
std::pair<std::string, std::string> TakeSecondLine(const std::string& text)
{
    const std::size_t first = text.find('\n');
    const std::size_t second = text.find('\n', first + 1);
    if (first == std::string::npos || second == std::string::npos)
        return {text, std::string()};
    return {text.substr(0, first + 1) + text.substr(second + 1), text.substr(first + 1, second - first)};
}

} // namespace

TEST_F(CliDescribe, TheCommentFollowsTheHeaderAndGdalStillReadsTheFile)
{
    CScratchFolder::Write(scratch.File("in.csv"), kBom + "name,lon,lat\r\n\"Dam, Amsterdam\",4.8930,52.3731\r\n"
                                                         "\"De \"\"Dom\"\"\",5.1214,52.0907\r\n");
    const std::string plain = Convert("28992", false);
    const std::string described = Convert("28992", true);
    ASSERT_TRUE(described.starts_with(kBom + "name,lon,lat\r\n")) << described;
    const auto [rest, comment] = TakeSecondLine(described);
    EXPECT_EQ(comment, "# Veltrix Geolynx: Amersfoort / RD New (EPSG:28992)\r\n");
    // Everything else is the output without the option, byte for byte.
    EXPECT_EQ(rest, plain);
    EXPECT_NE(plain.find("\"De \"\"Dom\"\"\",136"), std::string::npos) << plain;

    // GDAL's CSV driver has no comments: it reads the header's names, the
    // comment as one record without a point, and both records with theirs,
    // in the place cs2cs puts them.
    const std::string info = batchtest::Capture("ogrinfo -ro -al -oo X_POSSIBLE_NAMES=lon -oo Y_POSSIBLE_NAMES=lat "
                                   "-oo AUTODETECT_TYPE=YES '" +
                                   scratch.File("out.csv") + "' 2>&1");
    EXPECT_NE(info.find("Feature Count: 3"), std::string::npos) << info;
    EXPECT_NE(info.find("lon: Real"), std::string::npos) << info;
    EXPECT_NE(info.find("name (String) = # Veltrix Geolynx: Amersfoort / RD New (EPSG:28992)"), std::string::npos)
        << info;
    EXPECT_NE(info.find("name (String) = Dam, Amsterdam"), std::string::npos) << info;
    // Both records carry the point their converted fields hold.
    std::size_t points = 0;
    for (std::size_t at = info.find("POINT ("); at != std::string::npos; at = info.find("POINT (", at + 1))
        ++points;
    EXPECT_EQ(points, 2u) << info;
    const std::size_t dam = plain.find("\"Dam, Amsterdam\",");
    ASSERT_NE(dam, std::string::npos);
    std::string easting = plain.substr(dam + 17, plain.find(',', dam + 17) - dam - 17);
    while (easting.back() == '0')
        easting.pop_back();
    if (easting.back() == '.')
        easting.pop_back();
    EXPECT_NE(info.find("lon (Real) = " + easting + "\n"), std::string::npos) << easting << "\n" << info;
}

TEST_F(CliDescribe, OnlyShippedSystemsAsTheyWereShippedCarryACode)
{
    // Paris, inside the grid NTF (Paris) shifts by.
    CScratchFolder::Write(scratch.File("in.csv"), "name,lon,lat\n1,2.3500,48.8500\n");
    EXPECT_EQ(TakeSecondLine(Convert("datum:4326", true)).second, "# Veltrix Geolynx: WGS 84 (EPSG:4326)\n");
    // The engine writes longitudes from Greenwich in degrees, which EPSG's
    // NTF (Paris) does not count.
    EXPECT_EQ(TakeSecondLine(Convert("datum:4807", true)).second, "# Veltrix Geolynx: NTF (Paris)\n");

    // A user's grid, and a shipped grid a user changed, are named only.
    Sql("INSERT INTO tblGrids (numId, strGrid, numCountry, numDatum, numProjection, numUnits, dblFalseEasting, "
        "dblFalseNorthing, dblLatitudeOrigin, dblLongitudeOrigin, dblParallelNorth, dblParallelSouth, dblAzimuth, "
        "dblRectifiedGrid, dblScale) SELECT 50001, 'My RD', numCountry, numDatum, numProjection, numUnits, "
        "dblFalseEasting, dblFalseNorthing, dblLatitudeOrigin, dblLongitudeOrigin, dblParallelNorth, "
        "dblParallelSouth, dblAzimuth, dblRectifiedGrid, dblScale FROM tblGrids WHERE numId = 28992");
    const std::string mine = Convert("grid:50001", true);
    EXPECT_EQ(TakeSecondLine(mine).second, "# Veltrix Geolynx: My RD\n");
    EXPECT_EQ(TakeSecondLine(mine).first, TakeSecondLine(Convert("grid:28992", true)).first);
    Sql("UPDATE tblGrids SET dblFalseEasting = 155001 WHERE numId = 28992");
    EXPECT_EQ(TakeSecondLine(Convert("grid:28992", true)).second, "# Veltrix Geolynx: Amersfoort / RD New\n");
}

TEST_F(CliDescribe, TheHelpSaysWhatTheOptionWrites)
{
    const std::string help = batchtest::Capture(std::string(GEOLYNX_BIN_DIR) + "/geolynx-cli batch text --help 2>&1");
    EXPECT_NE(help.find("--describe"), std::string::npos) << help;
    EXPECT_NE(help.find("# Veltrix Geolynx: NAME (EPSG:CODE)"), std::string::npos) << help;
}
