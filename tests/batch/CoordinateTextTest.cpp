#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "CoordinateText.h"
#include "NumericLocale.h"

namespace {

double Parse(const char* text, int format)
{
    std::string s = text;
    return ParseCoordinateText(s, format);
}

} // namespace

TEST(ParseCoordinateText, DecimalDegreesWithHemispheresAndSigns)
{
    EXPECT_DOUBLE_EQ(Parse("52.5", 0), 52.5);
    for (const char* south : {"52.5S", "s52.5", "-52.5", "W52.5", "52.5w"})
        EXPECT_DOUBLE_EQ(Parse(south, 0), -52.5) << south;
    EXPECT_DOUBLE_EQ(Parse("52.5N", 0), 52.5);
    EXPECT_DOUBLE_EQ(Parse("+52.5", 0), 52.5);
    // Several markers do not cancel each other.
    EXPECT_DOUBLE_EQ(Parse("-52.5W", 0), -52.5);
    // No exponents: the letter and the sign go, the digits stay.
    EXPECT_DOUBLE_EQ(Parse("1.5E-3", 0), -1.53);
    EXPECT_EQ(Parse("north", 0), 0);
    EXPECT_EQ(Parse("", 0), 0);
    EXPECT_DOUBLE_EQ(Parse("Sawmill 12.5", 0), -12.5);
}

TEST(ParseCoordinateText, DegreesAndMinutes)
{
    EXPECT_NEAR(Parse("52 30.500", 1), 52.508333, 5e-7);
    EXPECT_NEAR(Parse("004 30.250W", 1), -4.504167, 5e-7);
    EXPECT_NEAR(Parse("5230.500N", 2), 52.508333, 5e-7);
    EXPECT_NEAR(Parse("00430.250W", 2), -4.504167, 5e-7);
    // The letter leaves a leading blank: the first blank is at index 0.
    EXPECT_EQ(Parse("N 5230.500", 2), 0);
    EXPECT_EQ(Parse("52", 2), 0);
}

TEST(ParseCoordinateText, DegreesMinutesAndSeconds)
{
    EXPECT_NEAR(Parse("52 30 15.5", 3), 52.504306, 5e-7);
    EXPECT_NEAR(Parse("52\xc2\xb0" "30'15.5\"N", 3), 52.504306, 5e-7);
    EXPECT_NEAR(Parse("523015.50", 4), 52.504306, 5e-7);
    EXPECT_NEAR(Parse("0043015.50", 4), 4.504306, 5e-7);
    EXPECT_EQ(Parse("523015", 4), 0);
    EXPECT_EQ(Parse("52.5", 7), 0);
}

TEST(ReadLeadingNumber, ReadsAsStrtodDoes)
{
    for (const char* text : {"12.5", "  -3.25e2xyz", "+7", "+-7", "-+7", "0x1A", "-0X10p1", "inf", "-nan", ".5",
                             "5.", ".", "", "abc", "1e400", "1e-400", "\t\n 42,3", "- 4", "1.5E-3"})
    {
        const double expected = std::strtod(text, nullptr);
        const double read = ReadLeadingNumber(text);
        if (std::isnan(expected))
            EXPECT_TRUE(std::isnan(read)) << text;
        else
            EXPECT_EQ(read, expected) << text;
    }
}
