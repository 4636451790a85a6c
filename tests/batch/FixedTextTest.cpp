// The fixed-point writer against printf, which the text worker's output has
// always matched.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "FixedText.h"
#include "NumericLocale.h"

namespace {

std::string Printf(double value, int decimals)
{
    char text[512];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Written(double value, int decimals)
{
    char text[512];
    const char* end = WriteFixed(text, text + sizeof text, value, decimals);
    return end != nullptr ? std::string(text, static_cast<std::size_t>(end - text)) : std::string("(did not fit)");
}

} // namespace

TEST(WriteFixed, RoundsTiesAndSignsAsPrintf)
{
    // Exact binary ties go to the even digit; decimal "ties" that are not
    // exact in binary go the way their binary value lies.
    const double values[] = {0.125, 0.375, 2.5, 3.5, -0.125, 1.005, 2.675, 0.045, 1e-7, -1e-7, -0.0, 0.0,
                             4.9e-324, -4.9e-324, 2.2250738585072014e-308, 999999999999999.9, 0.5, 1.5,
                             637294.365, 5762926.815, 123456.0000005, -123456.0000005, 9.9999995, 1e14 + 0.5};
    for (double v : values)
        for (int d = 0; d <= 12; ++d)
            EXPECT_EQ(Written(v, d), Printf(v, d)) << v << " with " << d << " decimals";
    // What the fast path leaves to to_chars.
    for (double v : {1e15, -3e20, 1.7976931348623157e308, std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()})
        EXPECT_EQ(Written(v, 2), Printf(v, 2)) << v;
    EXPECT_EQ(Written(std::nan(""), 2), "nan");
}

TEST(WriteFixed, AgreesWithPrintfOverManyValues)
{
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    int differences = 0;
    for (int i = 0; i < 300000 && differences < 10; ++i)
    {
        const std::uint64_t r = next();
        double v;
        if (i % 3 == 0)
        {
            // Any bit pattern of a finite double below 1e16.
            std::uint64_t bits = r & ~(std::uint64_t(0x7ff) << 52);
            bits |= (std::uint64_t(r % 1100) << 52);
            std::memcpy(&v, &bits, sizeof v);
        }
        else
        {
            // Coordinates as the conversions give them, and values one
            // decimal away from a tie.
            v = static_cast<double>(r >> 11) / 9007199254740992.0 * (i % 2 == 0 ? 1e7 : 360) - (i % 2 == 0 ? 5e6 : 180);
            if (i % 5 == 0)
                v = std::round(v * 1000) / 1000 + 0.0005;
        }
        const int d = static_cast<int>(r % 10);
        if (Written(v, d) != Printf(v, d))
        {
            ++differences;
            ADD_FAILURE() << Written(v, d) << " written for " << Printf(v, d);
        }
    }
    EXPECT_EQ(differences, 0);
}

TEST(WriteFixed, RefusesWhatDoesNotFit)
{
    char text[8];
    EXPECT_EQ(WriteFixed(text, text + 8, 1234.5678, 2), text + 7);
    EXPECT_EQ(std::string(text, 7), "1234.57");
    EXPECT_EQ(WriteFixed(text, text + 6, 1234.5678, 2), nullptr);
    EXPECT_EQ(WriteFixed(text, text + 4, -1234.0, 0), nullptr);
}

// The fast reader gives what the full reader gives wherever it reads, and
// declines rather than read differently.
TEST(ReadPlainDecimal, ReadsAsTheFullReaderOrDeclines)
{
    const char* texts[] = {"0",     "-0",    "+5",     "12.5",   "-3.14159265358979",    "007.250",
                           ".5",    "5.",    "1,5",    "-1,25",  "9007199254740993",     "9007199254740992",
                           "1e5",   "0x10",  " 4.5",   "4.5 ",   "+-1",                  "--1",
                           "1.2.3", "",      "-",      "nan",    "0.1234567890123456789", "12345678901234567890",
                           "4,5,6", "1.0000000000000000000001"};
    for (bool comma : {false, true})
        for (const char* t : texts)
        {
            double fast = 7, full = 7;
            const bool fastRead = ReadPlainDecimal(t, comma, fast);
            const bool fullRead = ReadWholeNumber(t, comma, full);
            if (fastRead)
            {
                EXPECT_TRUE(fullRead) << t;
                EXPECT_EQ(std::signbit(fast), std::signbit(full)) << t;
                EXPECT_EQ(fast, full) << t;
            }
            else
                EXPECT_EQ(fast, 7) << t;
        }

    std::uint64_t state = 88172645463325252ull;
    int read = 0;
    for (int i = 0; i < 200000; ++i)
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        char text[64];
        const int decimals = static_cast<int>(state % 20);
        std::snprintf(text, sizeof text, "%.*f", decimals,
                      (static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5) * (i % 2 == 0 ? 400 : 2e7));
        double fast = 0, full = 0;
        if (ReadPlainDecimal(text, false, fast))
        {
            ++read;
            ASSERT_TRUE(ReadWholeNumber(text, false, full)) << text;
            ASSERT_EQ(fast, full) << text;
        }
    }
    // Most of them are plain enough for the fast reader.
    EXPECT_GT(read, 100000);
}

// The prefix reader stops at the first byte after the number and reads what
// from_chars reads there; digit runs of every length cross its eight-byte
// steps.
TEST(ReadPlainDecimalPrefix, ReadsUpToWhatFollowsAsFromChars)
{
    const char text[] = "-12.5, 3";
    double v = 0;
    const char* end = ReadPlainDecimalPrefix(text, text + sizeof text - 1, false, v);
    ASSERT_EQ(end, text + 5);
    EXPECT_EQ(v, -12.5);
    // With a decimal comma the comma is the point.
    end = ReadPlainDecimalPrefix(text, text + sizeof text - 1, true, v);
    ASSERT_EQ(end, text + 5);
    // Declined, value untouched: no digit before or after the point, a
    // sign alone, and more digits than a 64-bit integer holds.
    for (const char* declined : {".5 1", "5. 1", "- 1", "+", "", "12345678901234567890 1", "1.2345678901234567890"})
    {
        v = 7;
        EXPECT_EQ(ReadPlainDecimalPrefix(declined, declined + std::strlen(declined), false, v), nullptr) << declined;
        EXPECT_EQ(v, 7) << declined;
    }
    std::uint64_t state = 0x2545F4914F6CDD1Dull;
    for (int i = 0; i < 20000; ++i)
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        const int wholeDigits = 1 + static_cast<int>(state % 12);
        const int fractionDigits = static_cast<int>((state >> 8) % (20 - wholeDigits));
        std::string number = (state >> 20) % 2 ? "-" : "";
        std::uint64_t digits = state;
        for (int d = 0; d < wholeDigits + fractionDigits; ++d)
        {
            if (d == wholeDigits)
                number += '.';
            number += static_cast<char>('0' + (digits >> 4) % 10);
            digits = digits * 6364136223846793005ull + 1442695040888963407ull;
        }
        const std::string line = number + (i % 3 == 0 ? " 5" : i % 3 == 1 ? "x" : "");
        double fast = 0, full = 0;
        const char* stop = ReadPlainDecimalPrefix(line.data(), line.data() + line.size(), false, fast);
        std::from_chars(number.data(), number.data() + number.size(), full);
        if (stop == nullptr)
        {
            // Only integers beyond 2^53 are left to the full reader.
            EXPECT_GT(wholeDigits + fractionDigits, 15) << line;
            continue;
        }
        EXPECT_EQ(stop, line.data() + number.size()) << line;
        EXPECT_EQ(fast, full) << line;
    }
}
