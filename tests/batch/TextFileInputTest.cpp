// What a text file may hold and how much of it survives a conversion: fields
// that are no numbers, quoted fields, line ends, byte-order marks, header
// names, separators the lines disagree on, and an output that replaces the
// destination only once it is complete.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <thread>

#include "BatchMessages.h"
#include "BatchTestSupport.h"
#include "CoordinateText.h"
#include "MessageRecorder.h"
#include "NumericLocale.h"
#include "TextFileConversion.h"

using namespace batchtest;

namespace {

BatchSettings Settings(const CTempFolder& folder, int separatorChoice)
{
    BatchSettings s;
    s.sourceDatum = WGS84;
    s.destinationDatum = WGS84;
    s.destinationGrid = UTM31N;
    s.ConversionType = CONVERSION_TEXT;
    s.SeparatorChoice = separatorChoice;
    s.altitudeColumn = 0;
    s.sourceFile = folder / "in.csv";
    s.destinationFile = folder / "out.csv";
    return s;
}

std::string EndText(const CRecordingSink& sink)
{
    const auto ends = sink.Ends();
    return ends.empty() ? std::string() : ends.back().text;
}

// "x,y" of the grid values cs2cs gives for WGS 84 lon/lat points in zone 31N,
// formatted as the converter formats them.
std::vector<std::string> Cs2csPairs(const std::vector<Point3>& points, const CTempFolder& folder, char joint)
{
    std::vector<std::string> pairs;
    for (const Point3& p : Cs2cs(kWgs84Proj, kUtm31Proj, points, folder))
    {
        char text[96];
        std::snprintf(text, sizeof text, "%.2f%c%.2f", p.x, joint, p.y);
        pairs.push_back(text);
    }
    return pairs;
}

} // namespace

TEST(ReadCoordinateField, AWholeFieldOrNothing)
{
    struct Case
    {
        const char* text;
        int format;
        int axis;
        bool decimalComma;
        double expected;
    } readable[] = {
        {"52.5", 0, kAxisLatitude, false, 52.5},
        {" -4.25 ", 0, kAxisLongitude, false, -4.25},
        {"+3", 0, kAxisLongitude, false, 3},
        {"52,5", 0, kAxisLatitude, true, 52.5},
        {"52.5N", 0, kAxisLatitude, false, 52.5},
        {"S 52.5", 0, kAxisLatitude, false, -52.5},
        {"4.5w", 0, kAxisLongitude, false, -4.5},
        {"52 30.500", 1, kAxisLatitude, false, 52 + 30.5 / 60},
        // Minutes with one decimal are read as minutes, not thousandths.
        {"52 30.5", 1, kAxisLatitude, false, 52 + 30.5 / 60},
        {"004 30,250W", 1, kAxisLongitude, true, -(4 + 30.25 / 60)},
        {"5230.500N", 2, kAxisLatitude, false, 52 + 30.5 / 60},
        {"00430.25W", 2, kAxisLongitude, false, -(4 + 30.25 / 60)},
        {"52 30 15.5", 3, kAxisLatitude, false, 52 + 30 / 60.0 + 15.5 / 3600},
        {"4\xC2\xB0" "30'15.5\"W", 3, kAxisLongitude, false, -(4 + 30 / 60.0 + 15.5 / 3600)},
        {"52\xC2\xB0 30\xE2\x80\xB2 15\xE2\x80\xB3 N", 3, kAxisLatitude, false, 52 + 30 / 60.0 + 15 / 3600.0},
        {"523015.50", 4, kAxisLatitude, false, 52 + 30 / 60.0 + 15.5 / 3600},
        {"0043015.50E", 4, kAxisLongitude, false, 4 + 30 / 60.0 + 15.5 / 3600},
        {"523015", 4, kAxisLatitude, false, 52 + 30 / 60.0 + 15 / 3600.0},
    };
    for (const Case& c : readable)
    {
        double value = -999;
        EXPECT_TRUE(ReadCoordinateField(c.text, c.format, c.axis, c.decimalComma, value)) << c.text;
        EXPECT_NEAR(value, c.expected, 1e-12) << c.text;
    }

    const Case unreadable[] = {
        {"", 0, kAxisLatitude, true, 0},
        {"   ", 0, kAxisLatitude, true, 0},
        {"5,5", 0, kAxisLatitude, false, 0},
        {"5,5.1", 0, kAxisLatitude, true, 0},
        {"nan", 0, kAxisLatitude, false, 0},
        {"inf", 0, kAxisLatitude, false, 0},
        {"-inf", 0, kAxisLongitude, false, 0},
        {"1e308", 0, kAxisLatitude, false, 0},
        {"1.5E-3", 0, kAxisLongitude, false, 0},
        {"12abc", 0, kAxisLatitude, false, 0},
        {"0x1A", 0, kAxisLatitude, false, 0},
        {"52.5.1", 0, kAxisLatitude, false, 0},
        {".", 0, kAxisLatitude, false, 0},
        {"-", 0, kAxisLatitude, false, 0},
        {"N", 0, kAxisLatitude, false, 0},
        {"52 30", 0, kAxisLatitude, false, 0},      // two numbers for one
        {"52.5E", 0, kAxisLatitude, false, 0},      // a longitude's letter
        {"4.5N", 0, kAxisLongitude, false, 0},      // a latitude's letter
        {"-52.5S", 0, kAxisLatitude, false, 0},     // two signs
        {"52 61.5", 1, kAxisLatitude, false, 0},    // minutes beyond 59
        {"52.5 30", 1, kAxisLatitude, false, 0},    // degrees with a fraction
        {"1052 30", 1, kAxisLatitude, false, 0},    // four digits of degrees
        {"52 30 75", 3, kAxisLatitude, false, 0},   // seconds beyond 59
        {"52 30 15 1", 3, kAxisLatitude, false, 0}, // a part too many
        {"523.5", 2, kAxisLatitude, false, 0},      // too few digits to hold minutes
        {"5261.5", 2, kAxisLatitude, false, 0},
        {"52307.5", 4, kAxisLatitude, false, 0},
    };
    for (const Case& c : unreadable)
    {
        double value = -999;
        EXPECT_FALSE(ReadCoordinateField(c.text, c.format, c.axis, c.decimalComma, value)) << c.text;
        EXPECT_EQ(value, -999) << c.text;
    }

    // Grid coordinates and heights: plain numbers only.
    double value = 0;
    EXPECT_TRUE(ReadWholeNumber(" 155000.25\t", false, value));
    EXPECT_EQ(value, 155000.25);
    EXPECT_TRUE(ReadWholeNumber("-12,5", true, value));
    EXPECT_EQ(value, -12.5);
    for (const char* text : {"", "12abc", "1e5", "nan", "inf", "5,5", "1 2", "--1", "+-1", "0x10", "."})
        EXPECT_FALSE(ReadWholeNumber(text, false, value)) << text;
}

TEST(SplitLine, QuotedFieldsKeepSeparatorsQuotesAndBlanks)
{
    const std::string line = "\"Smith, John\" ,5, \"a \"\"b\"\", c\",,\"open, to the end";
    std::vector<TextField> fields;
    SplitLine(line, ",", fields);
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(FieldText(line, fields[0]), "Smith, John");
    EXPECT_TRUE(fields[0].quoted);
    EXPECT_TRUE(fields[0].wellFormed);
    EXPECT_EQ(line.substr(fields[0].begin, fields[0].end - fields[0].begin), "\"Smith, John\" ");
    EXPECT_EQ(FieldText(line, fields[1]), "5");
    EXPECT_EQ(FieldText(line, fields[2]), "a \"b\", c");
    EXPECT_EQ(FieldText(line, fields[3]), "");
    EXPECT_FALSE(fields[4].wellFormed);
    EXPECT_EQ(FieldText(line, fields[4]), "open, to the end");
    // The raw fields and their separators make up the line again.
    std::string joined;
    for (std::size_t i = 0; i < fields.size(); ++i)
        joined += (i > 0 ? "," : "") + line.substr(fields[i].begin, fields[i].end - fields[i].begin);
    EXPECT_EQ(joined, line);

    // Text after a closing quote makes the field malformed, not lost.
    SplitLine("\"5\"x,6", ",", fields);
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_FALSE(fields[0].wellFormed);

    // Semicolon, pipe and tab quote alike; the blank separator does not.
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitFields("\"a;b\";1;2", ";"), (V{"a;b", "1", "2"}));
    EXPECT_EQ(SplitFields("\"a|b\"|1", "|"), (V{"a|b", "1"}));
    EXPECT_EQ(SplitFields("\"a\tb\"\t1\r\n", "\t"), (V{"a\tb", "1"}));
    EXPECT_EQ(SplitFields("\"a b\" 1", " "), (V{"\"a", "b\"", "1"}));
}

TEST(DetectSeparator, OverTheFirstLinesOutsideQuotes)
{
    struct Case
    {
        std::vector<std::string> lines;
        SeparatorGuess::State state;
        char separator;
    } cases[] = {
        {{"name,lon,lat", "Amsterdam,4.9,52.37"}, SeparatorGuess::Found, ','},
        {{"5,52", "", "6,53"}, SeparatorGuess::Found, ','},
        {{"\"Smith, John\",5,52", "\"Doe, Jane\",6,53"}, SeparatorGuess::Found, ','},
        // Pipes inside quotes on every line do not outrank the commas.
        {{"\"a|b\",1,2", "\"c|d\",3,4"}, SeparatorGuess::Found, ','},
        // A decimal comma: the semicolon separates.
        {{"52,5;4,3", "53,1;5,25"}, SeparatorGuess::Found, ';'},
        {{"5 52", "6   53"}, SeparatorGuess::Found, ' '},
        {{"Den Haag\t4.3\t52.1", "Ghent\t3.7\t51"}, SeparatorGuess::Found, '\t'},
        {{"a|b", "c|d"}, SeparatorGuess::Found, '|'},
        // Lines of different lengths under the one separator they share.
        {{"5,52", "6,53,10"}, SeparatorGuess::Found, ','},
        {{"52.1", "4.5"}, SeparatorGuess::None, '\0'},
        {{}, SeparatorGuess::None, '\0'},
        {{"5,52", "6;53"}, SeparatorGuess::Unclear, '\0'},
        {{"lon lat", "5,52"}, SeparatorGuess::Unclear, '\0'},
    };
    for (const Case& c : cases)
    {
        const SeparatorGuess guess = DetectSeparator(c.lines);
        const std::string shown = c.lines.empty() ? "(none)" : c.lines.front();
        EXPECT_EQ(guess.state, c.state) << shown;
        EXPECT_EQ(guess.separator, c.separator) << shown;
    }
}

TEST(ColumnsFromHeader, NamesInAnyCaseChooseTheColumns)
{
    auto columns = [](const char* line, const char* separator) {
        const HeaderColumns c = ColumnsFromHeader(line, separator);
        return std::vector<int>{c.longitude, c.latitude, c.altitude};
    };
    using V = std::vector<int>;
    EXPECT_EQ(columns("Name;LAT;Lon;Height\r\n", ";"), (V{3, 2, 4}));
    EXPECT_EQ(columns("\"Easting\",\"Northing\"", ","), (V{1, 2, 0}));
    EXPECT_EQ(columns("id,x,y,z", ","), (V{2, 3, 4}));
    EXPECT_EQ(columns("\xEF\xBB\xBFlatitude|longitude|alt", "|"), (V{2, 1, 3}));
    EXPECT_EQ(columns("E N H", " "), (V{1, 2, 3}));
    // A header without both horizontal names chooses nothing.
    EXPECT_EQ(columns("name,lat,value", ","), (V{0, 0, 0}));
    EXPECT_EQ(columns("5,52,1", ","), (V{0, 0, 0}));
    // The first field of a kind counts.
    EXPECT_EQ(columns("x,y,lon,lat", ","), (V{1, 2, 0}));

    EXPECT_TRUE(ColumnsUsable(1, 2, 0));
    EXPECT_TRUE(ColumnsUsable(3, 1, 2));
    EXPECT_FALSE(ColumnsUsable(2, 2, 0));
    EXPECT_FALSE(ColumnsUsable(1, 2, 2));
    EXPECT_FALSE(ColumnsUsable(1, 2, 1));
    EXPECT_FALSE(ColumnsUsable(0, 2, 0));
}

TEST(ConvertTextFile, FieldsThatAreNoNumbersLeaveTheirLineUnchangedAndCounted)
{
    CTempFolder folder;
    CRun r(Settings(folder, 1));
    r.settings.altitudeColumn = 3;
    const std::string bad[] = {
        "5,,1",        "5,52",        "5,nan,1",   "inf,52,1",  "5,1e308,1", "12abc,52,1",
        "5,52,high",   "5,52,",       "\"5,5\",52,1", "5,52.1.2,1", "-,52,1",   "5,\"52\"x,1",
    };
    std::string text = "5,52,10\n";
    for (const std::string& line : bad)
        text += line + "\n";
    text += "3,51,7\n";
    WriteFile(r.settings.sourceFile, text);
    r(ConvertTextFile);

    const auto lines = Lines(ReadFile(r.settings.destinationFile));
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines.front(), "637294.37,5762926.81,10.00");
    for (std::size_t i = 0; i < std::size(bad); ++i)
        EXPECT_EQ(lines[i + 1], bad[i]);
    EXPECT_EQ(lines.back(), "500000.00,5649824.89,7.00");
    const std::string end = EndText(r.sink);
    EXPECT_EQ(end.rfind(kBatchCompletedText, 0), 0u) << end;
    EXPECT_NE(end.find("12 lines were not converted and are copied unchanged; the first 10: line 2 (latitude field 2 "
                       "is empty), line 3 (altitude field 3 is missing), line 4 (latitude field 2 is not a number)"),
              std::string::npos)
        << end;
    EXPECT_NE(end.find("line 11 (latitude field 2 is not a number)."), std::string::npos) << end;
    EXPECT_EQ(end.find("line 12"), std::string::npos) << end;

    // Grid coordinates are read as plain numbers, as strictly; the file's
    // first mark is a decimal comma, which its converted values keep.
    CRun grid(Settings(folder, 2));
    grid.settings.sourceGrid = UTM31N;
    grid.settings.destinationGrid = 0;
    WriteFile(grid.settings.sourceFile, "id;easting;northing\n7;500000;5649824,89\n8;5e5;5649824\n9;;5649824\n");
    grid.settings.header = 1;
    grid.settings.longitudeColumn = 2;
    grid.settings.latitudeColumn = 3;
    grid(ConvertTextFile);
    EXPECT_EQ(ReadFile(grid.settings.destinationFile),
              "id;easting;northing\n7;3,000000;51,000000\n8;5e5;5649824\n9;;5649824\n");
    EXPECT_NE(EndText(grid.sink).find("2 lines were not converted and are copied unchanged: line 3 (easting field 2 is "
                                      "not a number), line 4 (easting field 2 is empty)."),
              std::string::npos)
        << EndText(grid.sink);
}

TEST(ConvertTextFile, PointsTheEngineRefusesAreCountedNeverWritten)
{
    CTempFolder folder;
    CRun r(Settings(folder, 1));
    WriteFile(r.settings.sourceFile, "5,95\n5,-90.5\n400,52\n-360.5,0\n5,90\n360,0\n");
    r(ConvertTextFile);
    const auto lines = Lines(ReadFile(r.settings.destinationFile));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "5,95");
    EXPECT_EQ(lines[1], "5,-90.5");
    EXPECT_EQ(lines[2], "400,52");
    EXPECT_EQ(lines[3], "-360.5,0");
    const std::string end = EndText(r.sink);
    EXPECT_NE(end.find("4 lines were not converted"), std::string::npos) << end;
    EXPECT_NE(end.find("line 1 ("), std::string::npos) << end;
    EXPECT_NE(end.find("line 4 ("), std::string::npos) << end;

    // A grid coordinate whose inverse leaves the ellipsoid.
    CRun grid(Settings(folder, 4));
    grid.settings.sourceGrid = UTM31N;
    grid.settings.destinationGrid = 0;
    WriteFile(grid.settings.sourceFile, "10000000 5000000\n500000 5649824.89\n");
    grid(ConvertTextFile);
    const auto gridLines = Lines(ReadFile(grid.settings.destinationFile));
    ASSERT_EQ(gridLines.size(), 2u);
    EXPECT_EQ(gridLines[0], "10000000 5000000");
    double lon = 0, lat = 0;
    ASSERT_EQ(std::sscanf(gridLines[1].c_str(), "%lf %lf", &lon, &lat), 2);
    EXPECT_NEAR(lon, 3, 1e-6);
    EXPECT_NEAR(lat, 51, 1e-6);
    EXPECT_NE(EndText(grid.sink).find("1 line was not converted and is copied unchanged: line 1 ("), std::string::npos)
        << EndText(grid.sink);
}

TEST(ConvertTextFile, EveryLineEndConvertsAndIsKept)
{
    CTempFolder folder;
    std::vector<Point3> points;
    // Values the file holds exactly as cs2cs is given them.
    for (int i = 0; i < 40; ++i)
        points.push_back({(50 + 13 * i) / 100.0, (4000 + 47 * i) / 100.0, 0});
    const auto expected = Cs2csPairs(points, folder, ',');
    ASSERT_EQ(expected.size(), points.size());

    for (const std::string ending : {"\n", "\r\n", "\r"})
    {
        CRun r(Settings(folder, 0));
        r.settings.header = 1;
        std::string text = "\xEF\xBB\xBF" "lon,lat,name" + ending;
        std::string want = text;
        for (std::size_t i = 0; i < points.size(); ++i)
        {
            char line[96];
            std::snprintf(line, sizeof line, "%.2f,%.2f,p %zu", points[i].x, points[i].y, i);
            text += line + ending;
            want += expected[i] + ",p " + std::to_string(i) + ending;
        }
        WriteFile(r.settings.sourceFile, text);
        r(ConvertTextFile);
        EXPECT_TRUE(ReadFile(r.settings.destinationFile) == want) << "line end of " << ending.size() << " bytes";
        EXPECT_EQ(EndText(r.sink), kBatchCompletedText);
    }

    // Mixed line ends stay as each line had them; the first field is read
    // after the byte-order mark.
    CRun mixed(Settings(folder, 0));
    WriteFile(mixed.settings.sourceFile, "\xEF\xBB\xBF" "5,52\r\n3,51\r5,52\n3,51");
    mixed(ConvertTextFile);
    EXPECT_EQ(ReadFile(mixed.settings.destinationFile), "\xEF\xBB\xBF" "637294.37,5762926.81\r\n500000.00,5649824.89\r"
                                                        "637294.37,5762926.81\n500000.00,5649824.89");
    EXPECT_EQ(EndText(mixed.sink), kBatchCompletedText);
}

TEST(ConvertTextFile, QuotedAndOtherFieldsAreWrittenBackByteForByte)
{
    CTempFolder folder;
    CRun r(Settings(folder, 1));
    r.settings.header = 1;
    r.settings.longitudeColumn = 2;
    r.settings.latitudeColumn = 3;
    const std::string header = "name, lon ,lat,  note\n";
    const std::string rows[][2] = {
        {"\"Smith, John\",", ", and \"\"more\"\", too\""},
        {"\"Doe,  Jane \" ,", ",\t tabbed  "},
        {"plain,", ","},
    };
    const std::string coordinates[] = {"5,52", " \"4.9\" , 52.37 ", "3,51"};
    const std::string converted[] = {"637294.37,5762926.81", " \"629351.91\" , 5803890.80 ", "500000.00,5649824.89"};
    std::string text = header, want = header;
    for (int i = 0; i < 3; ++i)
    {
        text += rows[i][0] + coordinates[i] + rows[i][1].substr(0, 1) + "\"x, y\"" + rows[i][1].substr(1) + "\n";
        want += rows[i][0] + converted[i] + rows[i][1].substr(0, 1) + "\"x, y\"" + rows[i][1].substr(1) + "\n";
    }
    WriteFile(r.settings.sourceFile, text);
    r(ConvertTextFile);
    EXPECT_EQ(ReadFile(r.settings.destinationFile), want);
    EXPECT_EQ(EndText(r.sink), kBatchCompletedText);

    // A European export: semicolons, decimal commas, quoted names; the
    // converted values keep the file's decimal commas.
    CRun european(Settings(folder, 0));
    european.settings.header = 1;
    european.settings.longitudeColumn = 3;
    european.settings.latitudeColumn = 2;
    WriteFile(european.settings.sourceFile, "Naam;Lat;Lon\n\"Amsterdam; Centraal\";52,37;4,9\n");
    european(ConvertTextFile);
    EXPECT_EQ(ReadFile(european.settings.destinationFile),
              "Naam;Lat;Lon\n\"Amsterdam; Centraal\";5803890,80;629351,91\n");
}

TEST(ConvertTextFile, AHeadersNamesChooseTheColumnsAndAColumnUsedTwiceIsRefused)
{
    CTempFolder folder;
    CRun r(Settings(folder, 0));
    r.settings.header = 1;
    r.settings.columnsFromHeader = 1;
    r.settings.longitudeColumn = 1;
    r.settings.latitudeColumn = 2;
    r.settings.altitudeColumn = 3;
    WriteFile(r.settings.sourceFile, "Name;ID;LAT;LON\nApeldoorn;1234567;52;5\n");
    r(ConvertTextFile);
    EXPECT_EQ(ReadFile(r.settings.destinationFile), "Name;ID;LAT;LON\nApeldoorn;1234567;5762926.81;637294.37\n");
    EXPECT_EQ(EndText(r.sink), kBatchCompletedText);

    for (const auto& columns : {std::array<int, 3>{2, 2, 0}, std::array<int, 3>{1, 2, 1}, std::array<int, 3>{0, 1, 0}})
    {
        CMessageRecorder recorder;
        CRun twice(Settings(folder, 1));
        twice.settings.longitudeColumn = columns[0];
        twice.settings.latitudeColumn = columns[1];
        twice.settings.altitudeColumn = columns[2];
        WriteFile(twice.settings.sourceFile, "5,52,1\n");
        WriteFile(twice.settings.destinationFile, "kept\n");
        twice(ConvertTextFile);
        EXPECT_EQ(recorder.Ids(), std::vector<int>{IDS_BATCH_COLUMNS_UNUSABLE});
        ExpectOneEnd(twice.sink, BATCH_STOPPED, kBatchFailedText);
        EXPECT_EQ(ReadFile(twice.settings.destinationFile), "kept\n");
    }
}

TEST(ConvertTextFile, FailedAndCancelledRunsLeaveTheDestinationAsItWas)
{
    CTempFolder folder;
    {
        // Lines that disagree on their separator: refused, nothing written.
        CMessageRecorder recorder;
        CRun r(Settings(folder, 0));
        WriteFile(r.settings.sourceFile, "5,52\n6;53\n7|54\n");
        WriteFile(r.settings.destinationFile, "earlier\n");
        r(ConvertTextFile);
        EXPECT_EQ(recorder.Ids(), std::vector<int>{IDS_BATCH_SEPARATOR_UNCLEAR});
        ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchFailedText);
        EXPECT_EQ(ReadFile(r.settings.destinationFile), "earlier\n");
    }
    {
        // Systems that cannot be used.
        CMessageRecorder recorder;
        CRun r(Settings(folder, 1));
        r.settings.sourceDatum = 0;
        WriteFile(r.settings.destinationFile, "earlier\n");
        r(ConvertTextFile);
        EXPECT_EQ(recorder.Ids(), std::vector<int>{108});
        EXPECT_EQ(ReadFile(r.settings.destinationFile), "earlier\n");
    }
    {
        // Cancelled halfway.
        CRun r(Settings(folder, 1));
        std::string text;
        for (int i = 0; i < 1000; ++i)
            text += "5,52\n";
        WriteFile(r.settings.sourceFile, text);
        WriteFile(r.settings.destinationFile, "earlier\n");
        r.sink.hook = [&r](const BatchNotice& n) {
            if (n.code == BATCH_PROGRESS && n.percentage == 50)
                r.run.CancelOperation();
        };
        r(ConvertTextFile);
        ExpectOneEnd(r.sink, BATCH_STOPPED, kBatchAbortedText);
        EXPECT_EQ(ReadFile(r.settings.destinationFile), "earlier\n");
    }
    // No temporary file is left behind either.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), 2);

    // A completed run replaces the destination, with a new file's mode.
    CRun done(Settings(folder, 1));
    WriteFile(done.settings.sourceFile, "5,52\n");
    fs::remove(done.settings.destinationFile);
    const mode_t mask = ::umask(022);
    done(ConvertTextFile);
    ::umask(mask);
    EXPECT_EQ(ReadFile(done.settings.destinationFile), "637294.37,5762926.81\n");
    struct stat info;
    ASSERT_EQ(::stat(done.settings.destinationFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST(FillFieldLists, DetectsOverTheFirstLinesAndNeverOpensAFifo)
{
    CTempFolder folder;
    BatchSettings s = Settings(folder, 0);
    WriteFile(s.sourceFile, "\xEF\xBB\xBF\"Name, full\";Lat;Lon\r\n\"Smith, John\";52,5;4,5\r\n");
    FieldLists lists = FillFieldLists(s);
    EXPECT_EQ(s.resolvedSeparator, ";");
    EXPECT_EQ(lists.longitude, (std::vector<std::string>{"Name, full", "Lat", "Lon"}));
    EXPECT_FALSE(lists.separatorUnclear);
    EXPECT_EQ(lists.named.longitude, 3);
    EXPECT_EQ(lists.named.latitude, 2);
    s.header = 1;
    s.longitudeColumn = 3;
    s.latitudeColumn = 2;
    EXPECT_EQ(PreviewTextFile(s), (std::vector<std::vector<std::string>>{{"4,5", "52,5"}}));

    WriteFile(s.sourceFile, "5,52\n6;53\n");
    lists = FillFieldLists(s);
    EXPECT_TRUE(lists.separatorUnclear);
    EXPECT_EQ(s.resolvedSeparator, "");

    // A FIFO would wait for a writer and could be read once only.
    const std::string fifo = folder / "fifo.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    s.sourceFile = fifo;
    s.resolvedSeparator = "?";
    lists = FillFieldLists(s);
    EXPECT_EQ(lists.altitude, std::vector<std::string>{"N/A"});
    EXPECT_EQ(s.resolvedSeparator, "?");
    EXPECT_TRUE(PreviewTextFile(s).empty());
}

TEST(ConvertTextFile, APipeIsReadOnceAndConvertsEveryLine)
{
    CTempFolder folder;
    CRun r(Settings(folder, 0));
    ASSERT_EQ(::mkfifo(r.settings.sourceFile.c_str(), 0600), 0);
    const int count = 100000;
    std::thread writer([&r] {
        std::FILE* pipe = std::fopen(r.settings.sourceFile.c_str(), "w");
        for (int i = 0; i < count; ++i)
            std::fprintf(pipe, "%d;%s\r\n", i % 2 == 0 ? 5 : 3, i % 2 == 0 ? "52" : "51");
        std::fclose(pipe);
    });
    r(ConvertTextFile);
    writer.join();
    const std::string out = ReadFile(r.settings.destinationFile);
    std::string want;
    for (int i = 0; i < count; ++i)
        want += i % 2 == 0 ? "637294.37;5762926.81\r\n" : "500000.00;5649824.89\r\n";
    EXPECT_TRUE(out == want) << out.size() << " bytes of " << want.size();
    EXPECT_EQ(EndText(r.sink), kBatchCompletedText);
}

TEST(ConvertTextFile, AQuotedFieldRunsOnOverLineEndsWithinOneRecord)
{
    // The note of record 1 holds a line end; the line after it looks like a
    // record of its own ("b", 4, 50) but is the rest of that note.
    CTempFolder folder;
    CRun r(Settings(folder, 1));
    r.settings.header = 1;
    r.settings.longitudeColumn = 2;
    r.settings.latitudeColumn = 3;
    WriteFile(r.settings.sourceFile, "id,lon,lat,note\n1,5,52,\"a\nb,4,50,\"\n2,3,51,\"x\"\"\n\"\"y\"\n3,5,52,z\n");
    r(ConvertTextFile);
    EXPECT_EQ(ReadFile(r.settings.destinationFile), "id,lon,lat,note\n1,637294.37,5762926.81,\"a\nb,4,50,\"\n"
                                                    "2,500000.00,5649824.89,\"x\"\"\n\"\"y\"\n"
                                                    "3,637294.37,5762926.81,z\n");
    // Three records, each converted: the lines inside their notes are no
    // records that failed.
    EXPECT_EQ(EndText(r.sink), kBatchCompletedText);
}
