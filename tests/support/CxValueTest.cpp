#include <gtest/gtest.h>

#include "CxValue.h"

TEST(CxValue, DayNumbersCountFromThe30thOfDecember1899)
{
    // Fixed points of the tagged value's dates (day numbers as spreadsheets show them).
    struct Case {
        CxDateTime dt;
        double day;
    } cases[] = {
        {{1899, 12, 30, 0, 0, 0.0}, 0.0},
        {{1900, 1, 1, 0, 0, 0.0}, 2.0},
        {{1900, 3, 1, 0, 0, 0.0}, 61.0},
        {{2000, 1, 1, 12, 0, 0.0}, 36526.5},
        {{2012, 3, 7, 14, 5, 0.0}, 40975.0 + 845.0 / 1440.0},
        {{1970, 1, 1, 0, 0, 0.0}, 25569.0},
        {{1899, 12, 29, 6, 0, 0.0}, -1.25}, // before the epoch the time counts away from zero
        {{1800, 1, 1, 18, 0, 0.0}, -36522.75},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(DayNumberFromDateTime(c.dt), c.day, 1e-9) << c.dt.year << "-" << c.dt.month << "-" << c.dt.day;
        const CxDateTime back = DateTimeFromDayNumber(c.day);
        EXPECT_EQ(back.year, c.dt.year);
        EXPECT_EQ(back.month, c.dt.month);
        EXPECT_EQ(back.day, c.dt.day);
        EXPECT_EQ(back.hour, c.dt.hour);
        EXPECT_EQ(back.minute, c.dt.minute);
    }
    // A time a hair below a full minute reads as that minute, not the one before.
    const CxDateTime t = DateTimeFromDayNumber(40975.0 + 845.0 / 1440.0 - 1e-10);
    EXPECT_EQ(t.hour, 14);
    EXPECT_EQ(t.minute, 5);
}

TEST(CxValue, IsoDatesAndTimesParseOrAreRefused)
{
    CxDateTime dt;
    ASSERT_TRUE(ParseIsoDateTime("2012-03-07", dt));
    EXPECT_EQ(dt.hour, 0);
    ASSERT_TRUE(ParseIsoDateTime("2012-03-07 14:05", dt));
    EXPECT_EQ(dt.minute, 5);
    ASSERT_TRUE(ParseIsoDateTime("2012-03-07T14:05:30.250Z", dt));
    EXPECT_DOUBLE_EQ(dt.second, 30.25);
    ASSERT_TRUE(ParseIsoDateTime("2012-03-07 14:05:30+01:00", dt));
    EXPECT_EQ(dt.day, 7);
    for (const char* bad : {"", "2012-3-7", "07/03/2012", "2012-13-01", "2012-03-07T", "2012-03-07 25:00",
                            "2012-03-07 14:05 trailing", "not a date"})
        EXPECT_FALSE(ParseIsoDateTime(bad, dt)) << bad;
}

TEST(CxValue, AbsentMarkerDiffersFromNullAndEmpty)
{
    const CCxValue absent;
    EXPECT_TRUE(absent.IsAbsent());
    EXPECT_FALSE(absent.IsNull());
    EXPECT_TRUE(CCxValue::Null().IsNull());
    EXPECT_FALSE(CCxValue::Null().IsAbsent());
    EXPECT_FALSE(absent == CCxValue::Null());
    EXPECT_EQ(CCxValue::Integer(CxTypeInt16, -2).AsInteger(), -2);
    EXPECT_EQ(CCxValue::Decimal("12.50").AsReal(), 12.5);
    EXPECT_EQ(CCxValue::Decimal("12.50").AsText(), "12.50");
    EXPECT_EQ(CCxValue::Single(0.1f).AsReal(), static_cast<double>(0.1f));
}
