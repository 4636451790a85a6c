#include <gtest/gtest.h>

#include <string>

#include "CoordinateFormat.h"
#include "NumberText.h"

namespace {

TEST(TypedNumber, PointOrALoneCommaIsTheDecimalSeparator)
{
    const std::pair<const char*, const char*> accepted[] = {
        {"52,5", "52.5"},       {"3,5", "3.5"},         {"-12.5e3", "-12.5e3"}, {" 12.5 ", "12.5"},
        {"+7", "+7"},           {",5", ".5"},           {"5,", "5."},           {"1,5E-3", "1.5E-3"},
        {"000", "000"},         {"-0", "-0"},           {"6378137,5", "6378137.5"},
    };
    for (const auto& [typed, literal] : accepted)
    {
        std::string out = "untouched";
        EXPECT_TRUE(NormaliseTypedNumber(typed, out)) << typed;
        EXPECT_EQ(out, literal) << typed;
    }
    double value = 0;
    ASSERT_TRUE(ParseTypedNumber("52,5", value));
    EXPECT_EQ(value, 52.5);
    ASSERT_TRUE(ParseTypedNumber("-12.5e3", value));
    EXPECT_EQ(value, -12500.0);
}

TEST(TypedNumber, AnythingButANumberAsAWholeIsRefusedUntouched)
{
    for (const char* typed : {"ab1,2e5x", "ab1", "12 m", "1,2,3", "1.5,3", "1,5.3", "", " ", "e5", "1e", "1e+",
                              "--1", "+-1", "inf", "nan", "0x10", "1e400", "-1e999", ".", ",", "1 000", "12abc"})
    {
        std::string out = "untouched";
        double value = 7;
        EXPECT_FALSE(NormaliseTypedNumber(typed, out)) << typed;
        EXPECT_FALSE(ParseTypedNumber(typed, value)) << typed;
        EXPECT_EQ(out, "untouched") << typed;
        EXPECT_EQ(value, 7) << typed;
    }
}

TEST(TypedNumber, CoordinateFieldsReadTheCommaAndNameTheFirstBadField)
{
    CoordinateRow row{"52,5", "x", "y", "N"};
    EXPECT_EQ(GetCoordinate(row, AxisLatitude, false, ModeDegrees), 52.5);
    EXPECT_EQ(FirstInvalidField(row, false, ModeDegrees), -1);
    // Minutes and seconds count only in the forms that read them.
    EXPECT_EQ(FirstInvalidField(row, false, ModeDegreesMinutes), 1);
    row = {"052", "30", "0,5", "S"};
    EXPECT_EQ(FirstInvalidField(row, false, ModeDegreesMinutesSeconds), -1);
    EXPECT_DOUBLE_EQ(GetCoordinate(row, AxisLatitude, false, ModeDegreesMinutesSeconds),
                     -(52 + 30.0 / 60 + 0.5 / 3600));
    row = {"052", "30", "0,5,", "N"};
    EXPECT_EQ(FirstInvalidField(row, false, ModeDegreesMinutesSeconds), 2);
    row = {"12abc", "", "", ""};
    EXPECT_EQ(FirstInvalidField(row, true, ModeGrid), 0);
    // A side read without the check keeps the leading-number reading.
    EXPECT_EQ(GetCoordinate(row, AxisLatitude, true, ModeGrid), 12.0);
    EXPECT_TRUE(IsAltitudeText("10,5"));
    EXPECT_EQ(ReadAltitude("10,5"), 10.5);
    EXPECT_FALSE(IsAltitudeText("10 m"));
}

} // namespace
