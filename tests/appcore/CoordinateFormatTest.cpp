#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "CoordinateFormat.h"

namespace {

CoordinateRow Row(const char* first, const char* second, const char* third, const char* hemisphere)
{
    return CoordinateRow{first, second, third, hemisphere};
}

CoordinateRow Written(CoordinateAxis axis, bool grid, int mode, double value)
{
    CoordinateRow row = Row("", "", "", "");
    SetCoordinate(row, axis, grid, mode, value);
    return row;
}

// The error a form's last field may leave: half a unit of its last decimal.
double Resolution(bool grid, int mode)
{
    if (grid)
        return 0.0005;
    switch (mode)
    {
    case ModeDegrees:
        return 0.5e-6;
    case ModeDegreesMinutes:
        return 0.5e-5 / 60;
    default:
        return 0.005 / 3600;
    }
}

} // namespace

TEST(SetCoordinate, WritesZeroInEveryForm)
{
    CoordinateRow r = Written(AxisLatitude, false, ModeDegreesMinutesSeconds, 0);
    EXPECT_EQ(r.first, "000");
    EXPECT_EQ(r.second, "00");
    EXPECT_EQ(r.third, "0.00");
    EXPECT_EQ(r.hemisphere, "N");
    r = Written(AxisLongitude, false, ModeDegreesMinutes, -0.0);
    EXPECT_EQ(r.first, "000");
    EXPECT_EQ(r.second, "0.00000");
    EXPECT_EQ(r.hemisphere, "E"); // -0 shows east
    EXPECT_EQ(Written(AxisLongitude, false, ModeDegrees, 0).first, "0.000000");
    EXPECT_EQ(Written(AxisLatitude, true, ModeGrid, 0).first, "000.000");
}

TEST(SetCoordinate, PublishedEdgeCases)
{
    CoordinateRow r = Written(AxisLatitude, false, ModeDegreesMinutesSeconds, -33.5);
    EXPECT_EQ(r.first + " " + r.second + " " + r.third + " " + r.hemisphere, "033 30 0.00 S");
    EXPECT_DOUBLE_EQ(GetCoordinate(r, AxisLatitude, false, ModeDegreesMinutesSeconds), -33.5);

    r = Written(AxisLatitude, false, ModeDegrees, 52.5);
    EXPECT_EQ(r.first, "52.500000");
    EXPECT_EQ(GetCoordinate(r, AxisLatitude, false, ModeDegrees), 52.5);

    // (b - D) * 60 is just below 6: the rounded seconds carry into the minutes,
    // as 60 seconds would be refused when read back.
    r = Written(AxisLatitude, false, ModeDegreesMinutesSeconds, 10.1);
    EXPECT_EQ(r.first + " " + r.second + " " + r.third, "010 06 0.00");
    r = Written(AxisLatitude, false, ModeDegreesMinutesSeconds, 10.9999999);
    EXPECT_EQ(r.first + " " + r.second + " " + r.third, "011 00 0.00");
    r = Written(AxisLongitude, false, ModeDegreesMinutes, 3.99999999999);
    EXPECT_EQ(r.first + " " + r.second, "004 0.00000");

    EXPECT_EQ(Written(AxisLatitude, true, ModeGrid, -5.5).first, "-05.500");
    EXPECT_EQ(Written(AxisLongitude, true, ModeDegrees, 431234.5678).first, "431234.568"); // grid form whatever the mode
}

TEST(SetCoordinate, WholeMinutesNeverShowNegativeSeconds)
{
    // 4 deg 46 min: (b - D) * 60 rounds up onto 46 while b - D stays a hair
    // below 46/60, so the seconds come out as -4e-13.
    CoordinateRow r = Written(AxisLatitude, false, ModeDegreesMinutesSeconds, 4 + 46.0 / 60);
    EXPECT_EQ(r.first + " " + r.second + " " + r.third, "004 46 0.00");
    std::mt19937 random(3);
    for (int i = 0; i < 100000; ++i)
    {
        const double value = static_cast<int>(random() % 180) + static_cast<int>(random() % 3600) / 3600.0;
        r = Written(AxisLongitude, false, ModeDegreesMinutesSeconds, value);
        ASSERT_NE(r.third.front(), '-') << value;
    }
}

TEST(SetCoordinate, KeepsTheTextsItsFormDoesNotUse)
{
    CoordinateRow r = Row("x", "y", "z", "q");
    SetCoordinate(r, AxisLatitude, true, ModeDegreesMinutesSeconds, 12.5);
    EXPECT_EQ(r.second + r.third + r.hemisphere, "yzq");
    SetCoordinate(r, AxisLatitude, false, ModeDegrees, 1);
    EXPECT_EQ(r.second + r.third, "yz");
    SetCoordinate(r, AxisLatitude, false, ModeDegreesMinutes, -1);
    EXPECT_EQ(r.third, "z");
    r = Row("a", "b", "c", "d");
    SetCoordinate(r, AxisLongitude, false, 0, -2); // a geographic side in mode 0 shows nothing
    EXPECT_EQ(r.first + r.second + r.third + r.hemisphere, "abcW");
}

TEST(GetCoordinate, SignsAndHemispheres)
{
    // A minus sign applies to the whole value, never to the degrees alone.
    CoordinateRow r = Row("-52", "30", "0", "N");
    EXPECT_EQ(GetCoordinate(r, AxisLatitude, false, ModeDegreesMinutesSeconds), -52.5);
    r = Row("-52", "30", "0", "S");
    EXPECT_EQ(GetCoordinate(r, AxisLatitude, false, ModeDegreesMinutesSeconds), -52.5);
    r = Row("52", "30", "36", "s");
    EXPECT_EQ(GetCoordinate(r, AxisLatitude, false, ModeDegreesMinutesSeconds), -(52 + 30.0 / 60 + 36.0 / 3600));
    EXPECT_EQ(r.hemisphere, "S"); // upper-cased in place
    r = Row("4", "30", "0", "W");
    EXPECT_EQ(GetCoordinate(r, AxisLatitude, false, ModeDegreesMinutes), 4.5); // W is no latitude letter
    EXPECT_EQ(GetCoordinate(r, AxisLongitude, false, ModeDegreesMinutes), -4.5);
    for (const char* other : {"", "X", "SS", " S", "w "})
    {
        r = Row("7", "0", "0", other);
        EXPECT_EQ(GetCoordinate(r, AxisLatitude, false, ModeDegrees), 7.0) << other;
        EXPECT_EQ(GetCoordinate(r, AxisLongitude, false, ModeDegrees), 7.0) << other;
    }
    r = Row("-1234.5", "9", "9", "S");
    EXPECT_EQ(GetCoordinate(r, AxisLatitude, true, ModeDegreesMinutesSeconds), -1234.5); // grid: first field only
    EXPECT_EQ(r.hemisphere, "S");
    r = Row("12abc", "", "", "N");
    EXPECT_EQ(GetCoordinate(r, AxisLatitude, false, ModeDegreesMinutesSeconds), 12.0);
    r = Row("abc", "xyz", "", "N");
    EXPECT_EQ(GetCoordinate(r, AxisLatitude, false, ModeDegreesMinutes), 0.0);
    r = Row("10", "20", "30", "N");
    for (int mode : {0, 4, -1, 1000})
        EXPECT_EQ(GetCoordinate(r, AxisLatitude, false, mode), 0.0) << mode;
}

TEST(CoordinateForms, EveryFormReadsBackWhatItWrote)
{
    // Re-expressing an angle in another form, as the mode radios do, keeps it
    // to the resolution of the coarser form, and a written text reads back to
    // a value that writes the very same text (unless it showed 60 for want of
    // a carry).
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> latitude(-90, 90), longitude(-180, 180), grid(-1e7, 1e7);
    const int modes[] = {ModeDegrees, ModeDegreesMinutes, ModeDegreesMinutesSeconds};
    for (int i = 0; i < 20000; ++i)
    {
        for (CoordinateAxis axis : {AxisLatitude, AxisLongitude})
        {
            const double value = axis == AxisLatitude ? latitude(random) : longitude(random);
            for (int from : modes)
            {
                CoordinateRow row = Written(axis, false, from, value);
                const double read = GetCoordinate(row, axis, false, from);
                ASSERT_NEAR(read, value, Resolution(false, from) * 1.0001) << value << " mode " << from;
                // Every row the window writes reads back without a refusal, and
                // writing what was read gives the same texts.
                ASSERT_FALSE(CheckCoordinate(row, axis, false, from)) << value << " mode " << from;
                const CoordinateRow again = Written(axis, false, from, read);
                ASSERT_EQ(again.first + again.second + again.third + again.hemisphere,
                          row.first + row.second + row.third + row.hemisphere)
                    << value << " mode " << from;
                for (int to : modes)
                {
                    CoordinateRow other = Written(axis, false, to, read);
                    ASSERT_NEAR(GetCoordinate(other, axis, false, to), value,
                                (Resolution(false, from) + Resolution(false, to)) * 1.0001);
                }
            }
        }
        const double northing = grid(random);
        CoordinateRow row = Written(AxisLatitude, true, ModeGrid, northing);
        ASSERT_NEAR(GetCoordinate(row, AxisLatitude, true, ModeGrid), northing, 0.0005 * 1.0001);
    }
}

TEST(CoordinateForms, ModeSwitchFromSecondsToDecimalDegrees)
{
    CoordinateSide side;
    side.latitude = Row("052", "30", "00.00", "N");
    side.longitude = Row("004", "15", "00.00", "e");
    const double lat = side.Read(AxisLatitude), lon = side.Read(AxisLongitude);
    side.displayMode = ModeDegrees;
    side.Write(AxisLatitude, lat);
    side.Write(AxisLongitude, lon);
    EXPECT_EQ(side.latitude.first, "52.500000");
    EXPECT_EQ(side.latitude.hemisphere, "N");
    EXPECT_EQ(side.longitude.first, "4.250000");
    EXPECT_EQ(side.longitude.hemisphere, "E");
}

TEST(Altitude, LeadingNumberInAndFiveWideOut)
{
    EXPECT_EQ(FormatAltitude(0), "00.00");
    EXPECT_EQ(FormatAltitude(-5), "-5.00");
    EXPECT_EQ(FormatAltitude(1234.567), "1234.57");
    EXPECT_EQ(ReadAltitude("0.0"), 0.0);
    EXPECT_EQ(ReadAltitude("  -12.5m"), -12.5);
    EXPECT_EQ(ReadAltitude("m"), 0.0);
}

TEST(CoordinateSide, StartsGeographicInSecondsWithZeroTexts)
{
    CoordinateSide side;
    EXPECT_FALSE(side.IsGridForm());
    EXPECT_EQ(side.displayMode, ModeDegreesMinutesSeconds);
    EXPECT_EQ(side.latitude.first + side.latitude.second + side.latitude.third + side.latitude.hemisphere, "00000000N");
    EXPECT_EQ(side.longitude.hemisphere, "E");
    EXPECT_EQ(side.altitude, "0.0");
    EXPECT_EQ(side.Read(AxisLatitude), 0.0);
}

// Rows the window refuses to read, with the field it names; and rows that
// look odd but say one thing.
TEST(CheckCoordinate, RefusesRowsThatSayTwoThingsOrNothing)
{
    struct Case
    {
        CoordinateRow row;
        CoordinateAxis axis;
        int mode;
        int field;          // -1: read, as `value`
        const char* reason; // a piece of the reason
        double value;
    };
    const Case cases[] = {
        // Sign and hemisphere letter.
        {{"-52", "30", "30", "N"}, AxisLatitude, ModeDegreesMinutesSeconds, 0, "minus sign", 0},
        {{"-52.5", "", "", "N"}, AxisLatitude, ModeDegrees, 0, "hemisphere says N", 0},
        {{"-4.5", "", "", "e"}, AxisLongitude, ModeDegrees, 0, "means W", 0},
        {{"-0", "30", "", "N"}, AxisLatitude, ModeDegreesMinutes, 0, "minus sign", 0},
        {{"-52.5", "", "", "S"}, AxisLatitude, ModeDegrees, -1, "", -52.5},
        {{"-52", "30", "30", "s"}, AxisLatitude, ModeDegreesMinutesSeconds, -1, "", -(52 + 30.0 / 60 + 30.0 / 3600)},
        {{"52", "30", "30", "S"}, AxisLatitude, ModeDegreesMinutesSeconds, -1, "", -(52 + 30.0 / 60 + 30.0 / 3600)},
        {{"-4", "30", "", "w"}, AxisLongitude, ModeDegreesMinutes, -1, "", -4.5},
        // Only the axis's own letters, in either case.
        {{"52", "", "", "x"}, AxisLatitude, ModeDegrees, kHemisphereField, "N or S", 0},
        {{"52", "", "", "5"}, AxisLatitude, ModeDegrees, kHemisphereField, "N or S", 0},
        {{"52", "", "", ""}, AxisLatitude, ModeDegrees, kHemisphereField, "N or S", 0},
        {{"52", "", "", "E"}, AxisLatitude, ModeDegrees, kHemisphereField, "N or S", 0},
        {{"4", "", "", "N"}, AxisLongitude, ModeDegrees, kHemisphereField, "E or W", 0},
        {{"4", "", "", "ww"}, AxisLongitude, ModeDegrees, kHemisphereField, "E or W", 0},
        {{"4", "", "", "e"}, AxisLongitude, ModeDegrees, -1, "", 4},
        // Minutes and seconds from 0 to below 60, without a sign.
        {{"52", "75", "30", "N"}, AxisLatitude, ModeDegreesMinutesSeconds, 1, "minutes must be", 0},
        {{"52", "30", "60", "N"}, AxisLatitude, ModeDegreesMinutesSeconds, 2, "seconds must be", 0},
        {{"52", "60", "", "N"}, AxisLatitude, ModeDegreesMinutes, 1, "below 60", 0},
        {{"52", "-5", "0", "N"}, AxisLatitude, ModeDegreesMinutesSeconds, 1, "at least 0", 0},
        {{"52", "5", "-0", "N"}, AxisLatitude, ModeDegreesMinutesSeconds, 2, "at least 0", 0},
        {{"52", "59,99999", "", "N"}, AxisLatitude, ModeDegreesMinutes, -1, "", 52 + 59.99999 / 60},
        // Unused fields are not looked at.
        {{"52", "75", "99", "N"}, AxisLatitude, ModeDegrees, -1, "", 52},
        // Latitudes within 90 degrees.
        {{"90", "0", "0.01", "S"}, AxisLatitude, ModeDegreesMinutesSeconds, 0, "at most 90", 0},
        {{"90", "0", "0", "S"}, AxisLatitude, ModeDegreesMinutesSeconds, -1, "", -90},
        {{"91", "", "", "N"}, AxisLatitude, ModeDegrees, 0, "at most 90", 0},
        {{"181", "", "", "E"}, AxisLongitude, ModeDegrees, -1, "", 181},
        // Numbers first; the grid form has no letter.
        {{"52", "x", "", "N"}, AxisLatitude, ModeDegreesMinutes, 1, "not a number", 0},
        {{"-5000", "x", "", "q"}, AxisLatitude, ModeGrid, -1, "", -5000},
    };
    for (const Case& c : cases)
    {
        const bool grid = c.mode == ModeGrid;
        const RowRefusal refusal = CheckCoordinate(c.row, c.axis, grid, c.mode);
        const std::string label = c.row.first + " " + c.row.second + " " + c.row.third + " " + c.row.hemisphere;
        EXPECT_EQ(refusal.field, c.field) << label << ": " << refusal.reason;
        EXPECT_NE(refusal.reason.find(c.reason), std::string::npos) << label << ": " << refusal.reason;
        if (c.field < 0)
        {
            CoordinateRow row = c.row;
            EXPECT_DOUBLE_EQ(GetCoordinate(row, c.axis, grid, c.mode), c.value) << label;
        }
    }
    EXPECT_EQ(CheckCoordinate({"1", "", "", "N"}, AxisLatitude, false, 7).field, 0);
}

TEST(DisplayForms, EveryFormWritesWhatItReads)
{
    int buttons = 0;
    for (const DisplayForm& form : DisplayForms())
    {
        EXPECT_EQ(FindDisplayForm(form.mode), &form);
        if (form.notation != MapNotation::None)
        {
            // One text for both values, read as the centre of its 1 m square.
            EXPECT_FALSE(form.hemisphere);
            EXPECT_FALSE(form.choices.empty());
            CoordinateSide side;
            side.gridId = form.grid ? 27700 : 0;
            side.displayMode = form.mode;
            const double y = form.grid ? 180000.3 : -52.25, x = form.grid ? 230000.7 : -1.5;
            side.Write(AxisLatitude, y);
            side.Write(AxisLongitude, x);
            EXPECT_EQ(side.writeRefusal, "") << form.mode;
            EXPECT_FALSE(CheckCoordinate(side.latitude, AxisLatitude, form.grid, form.mode)) << side.latitude.first;
            EXPECT_NEAR(side.Read(AxisLatitude), y, form.grid ? 0.5 : 1e-5) << side.latitude.first;
            EXPECT_NEAR(side.Read(AxisLongitude), x, form.grid ? 0.5 : 1e-5) << side.latitude.first;
            continue;
        }
        EXPECT_EQ(form.grid, !form.hemisphere) << form.mode;
        ASSERT_GE(form.fieldCount, 1);
        ASSERT_LE(form.fieldCount, 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(form.widths[static_cast<std::size_t>(i)] > 0, i < form.fieldCount) << form.mode << " " << i;
        buttons += *form.buttonName != 0;
        const double value = form.grid ? 123456.789 : 12.3456;
        CoordinateRow row{"", "", "", ""};
        SetCoordinate(row, AxisLongitude, form.grid, form.mode, -value);
        EXPECT_FALSE(CheckCoordinate(row, AxisLongitude, form.grid, form.mode)) << form.mode;
        EXPECT_NEAR(GetCoordinate(row, AxisLongitude, form.grid, form.mode), -value, 1e-5) << form.mode;
    }
    EXPECT_EQ(buttons, 3);
    EXPECT_EQ(SideForm(false, ModeGrid), nullptr);
    EXPECT_EQ(SideForm(true, ModeDegrees)->mode, ModeGrid);
}

TEST(PastedCoordinate, ReadsWhatPeopleWriteAndRefusesWithAReason)
{
    const struct
    {
        const char* text;
        bool grid;
        double latitude; // NaN: refused
        double longitude;
        const char* reason;
    } cases[] = {
        {"51.5072, -0.1276", false, 51.5072, -0.1276, ""},
        {"51\u00b030\u203226\u2033N 0\u00b07\u203239\u2033W", false, 51 + 30 / 60.0 + 26 / 3600.0,
         -(7 / 60.0 + 39 / 3600.0), ""},
        {"52 30 30 N 4 30 0 E", false, 52 + 30 / 60.0 + 30 / 3600.0, 4.5, ""},
        {"4 30 E 52 30 N", false, 52.5, 4.5, ""},           // letters decide the order
        {"52.5S;4.5w", false, -52.5, -4.5, ""},
        {"52 30 4 30", false, 52.5, 4.5, ""},                // a run of numbers, halved
        {"-33,5 151,25", false, -33.5, 151.25, ""},         // decimal commas
        {"431234.5, 5812345.25", true, 5812345.25, 431234.5, ""}, // easting first
        {"52 75 N 4 0 E", false, NAN, 0, "latitude: minutes must be"},
        {"-52 30 N 4 E", false, NAN, 0, "minus sign means S"},
        {"52 N 4 N", false, NAN, 0, "N or S and the other E or W"},
        {"95, 4", false, NAN, 0, "at most 90"},
        {"52.5", false, NAN, 0, "not two values"},
        {"hello, world", false, NAN, 0, "not a number"},
        {"52 N 4 E", true, NAN, 0, "easting and a northing"},
        {"1 2 3 4 5 6 7 8", false, NAN, 0, "one to three numbers"},
    };
    for (const auto& c : cases)
    {
        double latitude = 0, longitude = 0;
        std::string reason;
        const bool read = ReadPastedCoordinate(c.text, c.grid, latitude, longitude, reason);
        EXPECT_EQ(read, !std::isnan(c.latitude)) << c.text << ": " << reason;
        if (read)
        {
            EXPECT_NEAR(latitude, c.latitude, 1e-12) << c.text;
            EXPECT_NEAR(longitude, c.longitude, 1e-12) << c.text;
        }
        else
        {
            EXPECT_NE(reason.find(c.reason), std::string::npos) << c.text << ": " << reason;
        }
    }
}
