#include <gtest/gtest.h>

#include "DistanceText.h"

TEST(DistanceDialog, DegreesMinutesSecondsTexts)
{
    const struct
    {
        double value;
        bool latitude;
        const char* text;
    } cases[] = {
        {-33.5, true, "S 33\u00b030'00.00\""},
        {4.5, false, "E 004\u00b030'00.00\""},
        {0, true, "N 00\u00b000'00.00\""},
        {-0.0, false, "E 000\u00b000'00.00\""},
        {-179.5, false, "W 179\u00b030'00.00\""},
        // Rounded seconds carry into the minutes and the degrees: never 60.
        {-33.9, true, "S 33\u00b054'00.00\""},
        {52 - 1e-7, true, "N 52\u00b000'00.00\""},
        {4 + 46.0 / 60, true, "N 04\u00b046'00.00\""},
        {12.345678, false, "E 012\u00b020'44.44\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.latitude ? FormatLatitudeDms(c.value) : FormatLongitudeDms(c.value), c.text) << c.value;
}
