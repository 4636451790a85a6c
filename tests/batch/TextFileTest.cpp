#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <sstream>
#include <thread>

#include "BatchMessages.h"
#include "MessageRecorder.h"
#include "BatchTestSupport.h"
#include "TextFileConversion.h"

using namespace batchtest;

namespace {

BatchSettings TextSettings(const CTempFolder& folder, int sourceDatum = WGS84, int destinationDatum = WGS84)
{
    BatchSettings s;
    s.sourceDatum = sourceDatum;
    s.destinationDatum = destinationDatum;
    s.ConversionType = CONVERSION_TEXT;
    s.SeparatorChoice = 1;
    s.sourceFile = folder / "in.csv";
    s.destinationFile = folder / "out.csv";
    return s;
}

} // namespace

TEST(SplitFields, EverySeparatorEndsAFieldAndNoFieldIsLost)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitFields("a;;b;c\n", ";"), (V{"a", "", "b", "c"}));
    EXPECT_EQ(SplitFields("1, ,3\n", ","), (V{"1", "", "3"}));
    EXPECT_EQ(SplitFields(" x ,\ty\t, z \r\n", ","), (V{"x", "y", "z"}));
    EXPECT_EQ(SplitFields(",a,,\n", ","), (V{"", "a", "", ""}));
    EXPECT_EQ(SplitFields("\n", ","), V{});
    EXPECT_EQ(SplitFields(" \r\n", ";"), V{});
    EXPECT_EQ(SplitFields("p|q;r", "|"), (V{"p", "q;r"}));
    EXPECT_EQ(SplitFields("a\t\tb", "\t"), (V{"a", "", "b"}));
    // Blanks: runs separate, leading and trailing runs are no fields.
    EXPECT_EQ(SplitFields("  12   34 5  \r\n", " "), (V{"12", "34", "5"}));
    EXPECT_EQ(SplitFields("   \n", " "), V{});
    // No separator: the line is one field.
    EXPECT_EQ(SplitFields("  52.1;4.5 \n", ""), (V{"52.1;4.5"}));
}

TEST(ResolveSeparator, ChoicesGiveTheirCharacters)
{
    BatchSettings s;
    s.resolvedSeparator = "#";
    const char* expected[] = {"#", ",", ";", "|", " ", "\t"};
    for (int choice = 0; choice <= 5; ++choice)
    {
        s.SeparatorChoice = choice;
        EXPECT_EQ(ResolveSeparator(s), expected[choice]) << choice;
    }
}

TEST(FillFieldLists, AutodetectsFromTheSecondLineAndListsTheFirst)
{
    CTempFolder folder;
    BatchSettings s = TextSettings(folder);
    s.SeparatorChoice = 0;

    struct Case
    {
        const char* file;
        const char* separator;
        std::vector<std::string> fields;
    } cases[] = {
        {"lat;lon;h\n52.1;4.5;3\n", ";", {"lat", "lon", "h"}},
        {"1 2\n12 34\n", " ", {"1", "2"}},
        // Never a letter, a carriage return or the newline: one field a line.
        {"x\nabc\n", "", {"x"}},
        {"52.1|4.5\n", "|", {"52.1", "4.5"}},        // one line: it is the sample
        {"52.1\r\n4.5\r\n", "", {"52.1"}},     // CR LF, one number a line
        {"52.1\n4.5\n", "", {"52.1"}},
        {"52.1", "", {"52.1"}},                        // nothing after the number
    };
    for (const auto& c : cases)
    {
        WriteFile(s.sourceFile, c.file);
        s.resolvedSeparator = "?";
        const FieldLists lists = FillFieldLists(s);
        EXPECT_EQ(s.resolvedSeparator, c.separator) << c.file;
        EXPECT_EQ(lists.longitude, c.fields) << c.file;
        EXPECT_EQ(lists.latitude, c.fields) << c.file;
        ASSERT_FALSE(lists.altitude.empty());
        EXPECT_EQ(lists.altitude.front(), "N/A");
        EXPECT_EQ(std::vector<std::string>(lists.altitude.begin() + 1, lists.altitude.end()), c.fields);
    }

    // A fixed choice is stored as the resolved separator; pipe and semicolon
    // keep their meanings whatever order the list shows them in.
    WriteFile(s.sourceFile, "a|b;c\n");
    s.SeparatorChoice = 3;
    EXPECT_EQ(FillFieldLists(s).longitude, (std::vector<std::string>{"a", "b;c"}));
    EXPECT_EQ(s.resolvedSeparator, "|");
    s.SeparatorChoice = 2;
    EXPECT_EQ(FillFieldLists(s).longitude, (std::vector<std::string>{"a|b", "c"}));

    // A missing file: only "N/A", the settings untouched.
    s.sourceFile = folder / "missing.csv";
    s.resolvedSeparator = "?";
    const FieldLists none = FillFieldLists(s);
    EXPECT_TRUE(none.longitude.empty());
    EXPECT_EQ(none.altitude, (std::vector<std::string>{"N/A"}));
    EXPECT_EQ(s.resolvedSeparator, "?");
}

TEST(PreviewTextFile, ShowsRawFieldsOfAtMost26LinesAfterTheHeader)
{
    CTempFolder folder;
    BatchSettings s = TextSettings(folder);
    std::string text = "name,lat,lon\n";
    for (int i = 0; i < 40; ++i)
        text += "p" + std::to_string(i) + ", 52 30.5N ," + std::to_string(i) + "E\n";
    WriteFile(s.sourceFile, text);
    s.header = 1;
    s.longitudeColumn = 3;
    s.latitudeColumn = 2;
    s.altitudeColumn = 1;
    auto rows = PreviewTextFile(s);
    ASSERT_EQ(rows.size(), 26u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"0E", "52 30.5N", "p0"}));
    EXPECT_EQ(rows[25], (std::vector<std::string>{"25E", "52 30.5N", "p25"}));

    s.header = 0;
    s.altitudeColumn = 0;
    rows = PreviewTextFile(s);
    ASSERT_EQ(rows.size(), 26u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"lon", "lat"}));

    // Columns beyond a line's fields show empty.
    s.longitudeColumn = 9;
    rows = PreviewTextFile(s);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"", "52 30.5N"}));

    s.sourceFile = folder / "missing.csv";
    EXPECT_TRUE(PreviewTextFile(s).empty());
}

TEST(ConvertTextFile, KeepsColumnsInPlaceAndEveryFieldOfALine)
{
    CTempFolder folder;
    CRun r(TextSettings(folder));
    r.settings.longitudeColumn = 2;
    r.settings.latitudeColumn = 1;
    r.settings.altitudeColumn = 3;
    WriteFile(r.settings.sourceFile,
              "52.1,4.5,10\n"
              " 52.1 , 4.5 ,  7.25 , note ,\n"
              "\n"
              "1, ,3\n"
              "52.1,4.5\n"
              "x\n"
              "53,5,1,last line without a line end");
    r(ConvertTextFile);
    // Only the coordinate values change; a line whose coordinates are empty
    // or missing is copied as it stands and named in the completion text.
    EXPECT_EQ(ReadFile(r.settings.destinationFile),
              "52.100000,4.500000,10.00\n"
              " 52.100000 , 4.500000 ,  7.25 , note ,\n"
              "\n"
              "1, ,3\n"
              "52.1,4.5\n"
              "x\n"
              "53.000000,5.000000,1.00,last line without a line end");
    ExpectOneEnd(r.sink, BATCH_COMPLETED,
                 std::string(kBatchCompletedText) +
                     "\n3 lines were not converted and are copied unchanged: line 4 (longitude field 2 is empty), "
                     "line 5 (altitude field 3 is missing), line 6 (longitude field 2 is missing).");
    const auto notices = r.sink.Notices();
    EXPECT_EQ(notices.front().code, BATCH_STATUS);
    EXPECT_EQ(notices.front().text, "Currently converting CSV file, please wait...");
    int last = 0;
    for (const auto& n : notices)
        if (n.code == BATCH_PROGRESS)
        {
            EXPECT_GT(n.percentage, last);
            last = n.percentage;
        }
    EXPECT_EQ(last, 100);
}

TEST(ConvertTextFile, EmptyFieldsKeepTheirNumbers)
{
    CTempFolder folder;
    CRun r(TextSettings(folder));
    r.settings.SeparatorChoice = 2;
    r.settings.longitudeColumn = 4;
    r.settings.latitudeColumn = 3;
    r.settings.altitudeColumn = 0;
    WriteFile(r.settings.sourceFile, "id;;52.5;4.5;;\n;;;;;\n");
    r(ConvertTextFile);
    EXPECT_EQ(ReadFile(r.settings.destinationFile), "id;;52.500000;4.500000;;\n;;;;;\n");
}

TEST(ConvertTextFile, HeaderCopiedOrReadAsData)
{
    CTempFolder folder;
    CRun r(TextSettings(folder));
    r.settings.header = 1;
    r.settings.altitudeColumn = 0;
    WriteFile(r.settings.sourceFile, "Lon , Lat\r\n4.5,52.1\r\n");
    r(ConvertTextFile);
    EXPECT_EQ(ReadFile(r.settings.destinationFile), "Lon , Lat\r\n4.500000,52.100000\r\n");

    CRun data(r.settings);
    data.settings.header = 0;
    data(ConvertTextFile);
    // Read as data, the header's names are no numbers: the line stays.
    EXPECT_EQ(ReadFile(data.settings.destinationFile), "Lon , Lat\r\n4.500000,52.100000\r\n");
}

TEST(ConvertTextFile, BlankAndMissingSeparators)
{
    CTempFolder folder;
    CRun blanks(TextSettings(folder));
    blanks.settings.SeparatorChoice = 4;
    blanks.settings.altitudeColumn = 0;
    WriteFile(blanks.settings.sourceFile, "  4.5    52.1   a b\n");
    blanks(ConvertTextFile);
    EXPECT_EQ(ReadFile(blanks.settings.destinationFile), "  4.500000    52.100000   a b\n");

    // Autodetection found nothing: every line is one field.
    CRun none(TextSettings(folder));
    none.settings.SeparatorChoice = 0;
    none.settings.resolvedSeparator = "";
    none.settings.altitudeColumn = 0;
    WriteFile(none.settings.sourceFile, " 4.5 \n7\n");
    none(ConvertTextFile);
    // With one field a line there is no latitude to read: nothing converts,
    // so the run fails, says why, and the destination keeps what it held.
    EXPECT_EQ(ReadFile(none.settings.destinationFile), "  4.500000    52.100000   a b\n");
    ExpectOneEnd(none.sink, BATCH_STOPPED, kBatchFailedText);
    bool said = false;
    for (const auto& notice : none.sink.Notices())
        said = said || notice.text == "Text file not converted: no line could be converted: line 1 (latitude field 2 "
                                      "is missing), line 2 (latitude field 2 is missing)";
    EXPECT_TRUE(said);
}

TEST(ConvertTextFile, LongLinesAreReadWhole)
{
    CTempFolder folder;
    CRun r(TextSettings(folder));
    r.settings.altitudeColumn = 0;
    const std::string filler(5000, 'q');
    WriteFile(r.settings.sourceFile, "4.5,52.1," + filler + ",1\n6,7\n");
    r(ConvertTextFile);
    EXPECT_EQ(ReadFile(r.settings.destinationFile), "4.500000,52.100000," + filler + ",1\n6.000000,7.000000\n");
}

TEST(ConvertTextFile, DegreeFormatsAndDatumShiftAgreeWithProj)
{
    ASSERT_TRUE(HaveTool("cct")) << "PROJ's cct is needed as the oracle";
    CTempFolder folder;
    CRun r(TextSettings(folder, WGS72, WGS84));
    r.settings.SeparatorChoice = 2;
    r.settings.CoordinateFormat = 3;
    r.settings.longitudeColumn = 2;
    r.settings.latitudeColumn = 1;
    r.settings.altitudeColumn = 3;

    std::vector<Point3> points;
    std::string text;
    for (int i = 0; i < 30; ++i)
    {
        const int latD = -60 + 4 * i, lonD = -170 + 11 * i, latM = (7 * i) % 60, lonM = (13 * i) % 60;
        const double latS = (i * 1.75), lonS = 59.5 - i;
        const double h = 100.0 * i - 500;
        char line[160];
        std::snprintf(line, sizeof line, "%d %d %.2f%s;%d %d %.2f%s;%.2f\n", std::abs(latD), latM, latS,
                      latD < 0 ? "S" : "N", std::abs(lonD), lonM, lonS, lonD < 0 ? "W" : "E", h);
        text += line;
        const double lat = (std::abs(latD) + latM / 60.0 + latS / 3600.0) * (latD < 0 ? -1 : 1);
        const double lon = (std::abs(lonD) + lonM / 60.0 + lonS / 3600.0) * (lonD < 0 ? -1 : 1);
        points.push_back({lon, lat, h});
    }
    WriteFile(r.settings.sourceFile, text);
    r(ConvertTextFile);
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);

    const auto expected = Cct(kWgs72ToWgs84, points, folder);
    ASSERT_EQ(expected.size(), points.size());
    const auto lines = Lines(ReadFile(r.settings.destinationFile));
    ASSERT_EQ(lines.size(), points.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
    {
        double lat, lon, h;
        ASSERT_EQ(std::sscanf(lines[i].c_str(), "%lf;%lf;%lf", &lat, &lon, &h), 3) << lines[i];
        EXPECT_NEAR(lat, expected[i].y, 1.5e-6) << lines[i];
        EXPECT_NEAR(lon, expected[i].x, 1.5e-6) << lines[i];
        EXPECT_NEAR(h, expected[i].z, 0.011) << lines[i];
        // The shift moves every point by metres: the output is not the input.
        EXPECT_GT(std::fabs(lon - points[i].x) + std::fabs(lat - points[i].y), 1e-5);
    }
}

TEST(ConvertTextFile, EmptyMissingAndUnwritableFiles)
{
    CTempFolder folder;
    {
        CMessageRecorder recorder;
        CRun r(TextSettings(folder));
        WriteFile(r.settings.sourceFile, "");
        WriteFile(r.settings.destinationFile, "old contents");
        r(ConvertTextFile);
        EXPECT_EQ(ReadFile(r.settings.destinationFile), "");
        ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
        EXPECT_TRUE(recorder.Ids().empty());
    }
    {
        CMessageRecorder recorder;
        CRun r(TextSettings(folder));
        r.settings.sourceFile = folder / "missing.csv";
        r.settings.destinationFile = folder / "never.csv";
        r(ConvertTextFile);
        EXPECT_EQ(recorder.Ids(), std::vector<int>{IDS_BATCH_INPUT_FAILED});
        EXPECT_EQ(recorder.Shown()[0].second, "Error during conversion: Failed to open input file.");
        ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchFailedText);
        EXPECT_FALSE(fs::exists(r.settings.destinationFile));
    }
    {
        CMessageRecorder recorder;
        CRun r(TextSettings(folder));
        WriteFile(r.settings.sourceFile, "1,2\n");
        r.settings.destinationFile = folder / "no-such-folder/out.csv";
        r(ConvertTextFile);
        EXPECT_EQ(recorder.Ids(), std::vector<int>{IDS_BATCH_OUTPUT_FAILED});
        EXPECT_EQ(recorder.Shown()[0].second, "Error during conversion: Failed to open output file.");
        ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchFailedText);
    }
    {
        // The same file under another name is refused before anything is truncated.
        CMessageRecorder recorder;
        CRun r(TextSettings(folder));
        WriteFile(r.settings.sourceFile, "1,2\n");
        r.settings.destinationFile = folder / "./in.csv";
        r(ConvertTextFile);
        EXPECT_EQ(recorder.Ids(), std::vector<int>{IDS_BATCH_SAME_FILE});
        EXPECT_EQ(ReadFile(r.settings.sourceFile), "1,2\n");
        ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchFailedText);
    }
}

TEST(ConvertTextFile, ReadOnlySourceConverts)
{
    CTempFolder folder;
    CRun r(TextSettings(folder));
    r.settings.altitudeColumn = 0;
    WriteFile(r.settings.sourceFile, "4.5,52.1\n");
    ASSERT_EQ(chmod(r.settings.sourceFile.c_str(), 0444), 0);
    r(ConvertTextFile);
    EXPECT_EQ(ReadFile(r.settings.destinationFile), "4.500000,52.100000\n");
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
}

TEST(ConvertTextFile, UnusableSystemsStopTheRunOnce)
{
    CTempFolder folder;
    CMessageRecorder recorder;
    CRun r(TextSettings(folder, 0, WGS84));
    WriteFile(r.settings.sourceFile, "1,2\n3,4\n5,6\n");
    r(ConvertTextFile);
    EXPECT_EQ(recorder.Ids(), std::vector<int>{108});
    ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchFailedText);
}

TEST(ConvertTextFile, CancellationConvertsTheCurrentLineAndAtMostOneMore)
{
    CTempFolder folder;
    std::string text;
    for (int i = 0; i < 50; ++i)
        text += std::to_string(10 + i) + ",20\n"; // 6 bytes a line: line 1 alone is 2 %
    for (int cancelAt : {0, 1})
    {
        CRun r(TextSettings(folder));
        r.settings.altitudeColumn = 0;
        WriteFile(r.settings.sourceFile, text);
        // 0: cancelled before the first line is fetched; 1: while the first
        // line is converted, after its flag check.
        r.sink.hook = [&r, cancelAt](const BatchNotice& n) {
            if ((cancelAt == 0 && n.code == BATCH_STATUS) || (cancelAt == 1 && n.code == BATCH_PROGRESS))
                r.run.CancelOperation();
        };
        r(ConvertTextFile);
        // Each line is 2 % of the file: one progress notice a line converted.
        std::size_t converted = 0;
        for (const auto& n : r.sink.Notices())
            converted += n.code == BATCH_PROGRESS ? 1 : 0;
        EXPECT_EQ(converted, cancelAt == 0 ? 1u : 2u);
        // A cancelled run leaves no output under the destination's name.
        EXPECT_FALSE(fs::exists(r.settings.destinationFile));
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), 1);
        ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchAbortedText);
    }
}

TEST(ConvertTextFile, ASourceOfUnknownSizeConverts)
{
    CTempFolder folder;
    CRun r(TextSettings(folder));
    r.settings.altitudeColumn = 0;
    ASSERT_EQ(mkfifo(r.settings.sourceFile.c_str(), 0600), 0);
    std::thread writer([&r] {
        std::FILE* pipe = std::fopen(r.settings.sourceFile.c_str(), "w");
        std::fputs("4.5,52.1\n6,7\n", pipe);
        std::fclose(pipe);
    });
    r(ConvertTextFile);
    writer.join();
    EXPECT_EQ(ReadFile(r.settings.destinationFile), "4.500000,52.100000\n6.000000,7.000000\n");
    ExpectOneEnd(r.sink, BATCH_COMPLETED, kBatchCompletedText);
}
