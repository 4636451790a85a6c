// The comment line that names the destination system in a converted text
// file: only when asked, where it stands beside a byte-order mark and a header
// line, its line end, a system without an EPSG code, an earlier run's comment,
// and the same bytes on one thread or several.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BlockScheduler.h"
#include "TextFileConversion.h"
#include "BatchTestSupport.h"

using namespace batchtest;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

struct Described
{
    std::string output;
    std::vector<BatchNotice> notices;
    int asked = 0;
};

// One text run from WGS 84 to UTM zone 31 north, the destination named as the
// source gives it.
Described Convert(const CTempFolder& folder, const std::string& input, bool header, bool describe,
                  const std::string& name = "WGS 84 / UTM zone 31N", int epsg = UTM31N, bool known = true)
{
    WriteFile(folder / "in.csv", input);
    BatchSettings s;
    s.sourceDatum = WGS84;
    s.destinationDatum = WGS84;
    s.destinationGrid = UTM31N;
    s.sourceFile = folder / "in.csv";
    s.destinationFile = folder / "out.csv";
    s.SeparatorChoice = 1;
    s.header = header ? 1 : 0;
    s.longitudeColumn = 2;
    s.latitudeColumn = 3;
    s.altitudeColumn = 0;
    s.describe = describe ? 1 : 0;
    CRun r(s);
    Described d;
    r.run.BeginRun();
    ConvertTextFile(r.run, [&](int datumId, int gridId, std::string& n, int& code, std::string& why) {
        ++d.asked;
        EXPECT_EQ(datumId, WGS84);
        EXPECT_EQ(gridId, UTM31N);
        n = name;
        code = epsg;
        why = "the catalogue cannot be reached";
        return known;
    });
    d.output = std::filesystem::exists(folder / "out.csv") ? ReadFile(folder / "out.csv") : std::string("(none)");
    d.notices = r.sink.Notices();
    return d;
}

std::string EndText(const Described& d)
{
    return d.notices.empty() ? std::string() : d.notices.back().text;
}

} // namespace

TEST(TextDescription, TheLineNamesTheSystemAndStaysOneLine)
{
    EXPECT_EQ(DescriptionLine("Amersfoort / RD New", 28992), "# Veltrix Geolynx: Amersfoort / RD New (EPSG:28992)");
    // A user's system has no code; a name typed with line breaks or tabs
    // still gives one line.
    EXPECT_EQ(DescriptionLine("My grid", 0), "# Veltrix Geolynx: My grid");
    EXPECT_EQ(DescriptionLine("Two\r\nlines\tand\x7F", 0), "# Veltrix Geolynx: Two  lines and ");
    EXPECT_TRUE(IsDescriptionLine(DescriptionLine("x", 0)));
    EXPECT_FALSE(IsDescriptionLine("# a comment of the user's own"));
    EXPECT_FALSE(IsDescriptionLine("id,lon,lat"));
}

TEST(TextDescription, OnlyWhenAskedAfterTheMarkAndTheHeaderWithTheFirstLineEnd)
{
    CTempFolder folder;
    const std::string input = kBom + "name,lon,lat\r\n\"Paris, FR\",2.35,48.85\r\n\"a \"\"b\"\"\",3.5,50.1\r\n";
    const Described plain = Convert(folder, input, true, false);
    EXPECT_EQ(plain.asked, 0);
    EXPECT_EQ(EndText(plain), kBatchCompletedText);
    EXPECT_EQ(plain.output.find("# Veltrix"), std::string::npos);
    ASSERT_TRUE(plain.output.starts_with(kBom + "name,lon,lat\r\n")) << plain.output;

    // The same bytes with one line more, right after the header.
    const Described described = Convert(folder, input, true, true);
    EXPECT_EQ(described.asked, 1);
    EXPECT_EQ(EndText(described), kBatchCompletedText);
    std::string expected = plain.output;
    expected.insert(kBom.size() + std::string("name,lon,lat\r\n").size(),
                    "# Veltrix Geolynx: WGS 84 / UTM zone 31N (EPSG:32631)\r\n");
    EXPECT_EQ(described.output, expected);

    // Without a header the comment is the first line, after the mark; LF
    // ends it where the input's first line ends so.
    const std::string bare = kBom + "1,2.35,48.85\n2,3.5,50.1\r\n";
    const Described noHeader = Convert(folder, bare, false, false);
    const Described noHeaderDescribed = Convert(folder, bare, false, true, "My grid", 0);
    ASSERT_TRUE(noHeader.output.starts_with(kBom + "1,"));
    EXPECT_EQ(noHeaderDescribed.output, kBom + "# Veltrix Geolynx: My grid\n" + noHeader.output.substr(kBom.size()));

    // A header without a line end gets one before the comment; a file of a
    // header alone still says what it would hold.
    const Described headerOnly = Convert(folder, "name,lon,lat", true, true);
    EXPECT_EQ(headerOnly.output, "name,lon,lat\n# Veltrix Geolynx: WGS 84 / UTM zone 31N (EPSG:32631)\n");
    EXPECT_EQ(EndText(headerOnly), kBatchCompletedText);
}

TEST(TextDescription, AnEarlierRunsCommentIsReplacedNotCopiedOrCounted)
{
    CTempFolder folder;
    // Line 4 holds no latitude: the completion text names it by its number
    // in the input, the comment counted.
    const std::string input = kBom + "# Veltrix Geolynx: WGS 84 (EPSG:4326)\r\n1,2.35,48.85\r\n2,3.5,50.1\r\n3,4\r\n";
    const Described again = Convert(folder, input, false, true);
    EXPECT_EQ(again.output.find("EPSG:4326"), std::string::npos) << again.output;
    EXPECT_TRUE(again.output.starts_with(kBom + "# Veltrix Geolynx: WGS 84 / UTM zone 31N (EPSG:32631)\r\n1,"))
        << again.output;
    EXPECT_NE(EndText(again).find("1 line was not converted"), std::string::npos) << EndText(again);
    EXPECT_NE(EndText(again).find("line 4 (latitude field 3 is missing)"), std::string::npos) << EndText(again);

    // Without the option the stale comment goes and nothing takes its place.
    const Described dropped = Convert(folder, input, false, false);
    EXPECT_TRUE(dropped.output.starts_with(kBom + "1,")) << dropped.output;
    EXPECT_EQ(again.output, kBom + "# Veltrix Geolynx: WGS 84 / UTM zone 31N (EPSG:32631)\r\n" +
                                dropped.output.substr(kBom.size()));

    // After a header; a comment of the user's own is data like any line.
    const Described headed =
        Convert(folder, "id,lon,lat\n# Veltrix Geolynx: old\n# mine\n1,2.35,48.85\n", true, true);
    EXPECT_TRUE(headed.output.starts_with(
        "id,lon,lat\n# Veltrix Geolynx: WGS 84 / UTM zone 31N (EPSG:32631)\n# mine\n1,"))
        << headed.output;
    EXPECT_NE(EndText(headed).find("line 3 ("), std::string::npos) << EndText(headed);
}

TEST(TextDescription, ADestinationThatCannotBeNamedStopsTheRunBeforeAnyOutput)
{
    CTempFolder folder;
    WriteFile(folder / "out.csv", "kept\n");
    const Described d = Convert(folder, "1,2.35,48.85\n", false, true, "", 0, false);
    EXPECT_EQ(d.output, "kept\n");
    EXPECT_EQ(EndText(d), kBatchFailedText);
    bool said = false;
    for (const auto& n : d.notices)
        said = said || n.text == "Text file not converted: the destination system cannot be named: the catalogue "
                                 "cannot be reached";
    EXPECT_TRUE(said);
}

TEST(TextDescription, SharedBlocksWriteTheBytesOfOneThread)
{
    CTempFolder folder;
    std::string input = kBom + "# Veltrix Geolynx: old\r\n";
    for (int i = 0; i < 500; ++i)
        input += std::to_string(i) + "," + std::to_string(2 + i % 7 * 0.1) + "," +
                 (i % 41 == 0 ? std::string("x") : std::to_string(48 + i % 5 * 0.2)) + "\r\n";
    std::string single;
    std::string singleEnd;
    {
        SetBatchParallelism({1, 0});
        const Described d = Convert(folder, input, false, true);
        single = d.output;
        singleEnd = EndText(d);
    }
    ASSERT_NE(singleEnd.find("13 lines were not converted"), std::string::npos) << singleEnd;
    for (const std::size_t block : {std::size_t(3), std::size_t(1000)})
    {
        SetBatchParallelism({4, block});
        const Described d = Convert(folder, input, false, true);
        EXPECT_TRUE(d.output == single) << "blocks of " << block;
        EXPECT_EQ(EndText(d), singleEnd);
    }
    SetBatchParallelism({});
}
