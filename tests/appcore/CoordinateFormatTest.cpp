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

    // (b - D) * 60 is just below 6: minutes stay 5, seconds round up to 60.00, no carry.
    r = Written(AxisLatitude, false, ModeDegreesMinutesSeconds, 10.1);
    EXPECT_EQ(r.first + " " + r.second + " " + r.third, "010 05 60.00");

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
    CoordinateRow r = Row("-52", "30", "0", "N");
    EXPECT_EQ(GetCoordinate(r, AxisLatitude, false, ModeDegreesMinutesSeconds), -51.5);
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
                // A last field rounded up to 60 is written again with the carry made.
                const bool sixty = (from == ModeDegreesMinutes && row.second == "60.00000") ||
                                   (from == ModeDegreesMinutesSeconds && row.third == "60.00");
                const CoordinateRow again = Written(axis, false, from, read);
                if (!sixty)
                {
                    ASSERT_EQ(again.first + again.second + again.third + again.hemisphere,
                              row.first + row.second + row.third + row.hemisphere)
                        << value << " mode " << from;
                }
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
