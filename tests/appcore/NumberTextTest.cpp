#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <locale>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "CoordinateFormat.h"
#include "DistanceText.h"
#include "NumberText.h"

#include <unistd.h>

namespace {

struct FixedFormat
{
    int width;
    int precision;
    bool zeroPad;
};

// Every printf form the window and the distance dialog write numbers with.
const FixedFormat usedFormats[] = {
    {7, 3, true}, {0, 6, false}, {3, 0, true}, {2, 5, true}, {2, 0, true},
    {3, 2, true}, {5, 2, true},  {3, 2, false}, {3, 0, false}, {3, 1, false},
};

std::string Printf(double value, const FixedFormat& format)
{
    char pattern[32];
    std::snprintf(pattern, sizeof pattern, "%%%s%d.%dlf", format.zeroPad ? "0" : "", format.width, format.precision);
    char text[512];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::vector<double> AwkwardValues()
{
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values = {0.0, -0.0, 0.5, 1.5, 2.5, -2.5, 0.125, 0.375, -0.125, 1e-13, -1e-13, -0.004,
                                  -0.005, 9.995, 99.995, 59.995, 59.9951, 999.5, 1e20, -1e20, 1e300, -1.7e308,
                                  inf, -inf, std::nan(""), -std::nan(""), 4.9e-324, 10.1, -5.5, 1234.567};
    std::mt19937_64 random(20261209);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-8, 9);
    for (int i = 0; i < 4000; ++i)
        values.push_back(unit(random) * std::pow(10.0, exponent(random)));
    // Exact binary ties at every precision used: n / 2^k.
    for (int n = -300; n <= 300; ++n)
        values.push_back(n / 64.0);
    return values;
}

} // namespace

TEST(FormatFixed, WritesWhatPrintfWritesInTheCLocale)
{
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    for (double value : AwkwardValues())
        for (const auto& format : usedFormats)
            ASSERT_EQ(FormatFixed(value, format.width, format.precision, format.zeroPad), Printf(value, format))
                << "value " << value << " width " << format.width << " precision " << format.precision;
}

TEST(LeadingNumber, ReadsTheLongestDecimalPrefixAsStrtodDoes)
{
    // strtod in the C locale is the reference for every text without the
    // words and hexadecimal forms it also accepts.
    const std::string alphabet = " \t+-0123456789..eEq,";
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 14);
    std::vector<std::string> texts = {"", "  ", "-", "+.", ".", ".5", "5.", "-.5e3", "1e", "1e+", "1e-3x",
                                      "12abc", "abc", "1e400", "-1e400", "1e-400", "0.0000001e-320",
                                      "123456789012345678901234567890e290", "00000000000000000001e308",
                                      "4.9e-324", "2.2250738585072014e-308", " \n-052,5"};
    for (int i = 0; i < 20000; ++i)
    {
        std::string text;
        for (int n = length(random); n > 0; --n)
            text += alphabet[pick(random)];
        texts.push_back(text);
    }
    for (const auto& text : texts)
    {
        const double expected = std::strtod(text.c_str(), nullptr);
        const double got = LeadingNumber(text);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(expected)) << "text '" << text << "'";
    }
}

TEST(LeadingNumber, RefusesWhatIsNotADecimalNumber)
{
    EXPECT_EQ(LeadingNumber("inf"), 0.0);
    EXPECT_EQ(LeadingNumber("nan"), 0.0);
    EXPECT_EQ(LeadingNumber("0x1p4"), 0.0); // the 0 before the x is all there is
    EXPECT_EQ(LeadingNumber("12 34"), 12.0);
    EXPECT_EQ(LeadingNumber("52,5"), 52.0);
}

namespace {

// Switches the C library and the C++ global locale to one with a decimal
// comma, and back afterwards. The C locale comes from the system when it has
// one installed, else it is compiled from the system's locale sources into a
// private folder.
class CommaLocale : public ::testing::Test
{
protected:
    struct CommaPunct : std::numpunct<char>
    {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };

    void SetUp() override
    {
        std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    }

    void TearDown() override
    {
        std::setlocale(LC_ALL, "C");
        std::locale::global(std::locale::classic());
        if (!folder.empty())
        {
            unsetenv("LOCPATH");
            std::filesystem::remove_all(folder);
        }
    }

    bool SetCommaCLocale()
    {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"})
            if (std::setlocale(LC_ALL, name) && std::strcmp(std::localeconv()->decimal_point, ",") == 0)
                return true;
        folder = std::filesystem::temp_directory_path() / ("geolynx-locale-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        const std::string command = "localedef -i de_DE -f UTF-8 '" + (folder / "de_DE.UTF-8").string() +
                                    "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return false;
        setenv("LOCPATH", folder.c_str(), 1);
        return std::setlocale(LC_ALL, "de_DE.UTF-8") && std::strcmp(std::localeconv()->decimal_point, ",") == 0;
    }

    void ExpectPointTexts()
    {
        EXPECT_EQ(FormatFixed(52.5, 0, 6, false), "52.500000");
        EXPECT_EQ(LeadingNumber("52.5"), 52.5);
        EXPECT_EQ(LeadingNumber("52,5"), 52.0);

        CoordinateRow row;
        SetCoordinate(row, AxisLatitude, false, ModeDegrees, -52.25);
        EXPECT_EQ(row.first, "52.250000");
        EXPECT_EQ(GetCoordinate(row, AxisLatitude, false, ModeDegrees), -52.25);
        SetCoordinate(row, AxisLatitude, false, ModeDegreesMinutes, 10.5125);
        EXPECT_EQ(row.second, "30.75000");
        SetCoordinate(row, AxisLongitude, true, ModeGrid, 431234.5678);
        EXPECT_EQ(row.first, "431234.568");
        EXPECT_EQ(FormatAltitude(1234.567), "1234.57");
        EXPECT_EQ(ReadAltitude("12.75 m"), 12.75);
        EXPECT_EQ(FormatDistance(131146.9), "131.15 Kilometres");
        EXPECT_EQ(FormatAzimuth(147.7048), "147.7");
        EXPECT_EQ(FormatLatitudeDms(-33.5), "S 33\u00b030'00.00\"");
    }

    std::filesystem::path folder;
};

} // namespace

TEST_F(CommaLocale, CppGlobalLocaleDoesNotReachTheTexts)
{
    std::ostringstream probe;
    probe.imbue(std::locale());
    probe << 1.5;
    ASSERT_EQ(probe.str(), "1,5"); // the locale is in force
    ExpectPointTexts();
}

TEST_F(CommaLocale, CLibraryLocaleDoesNotReachTheTexts)
{
    if (!SetCommaCLocale())
        GTEST_SKIP() << "no C locale with a decimal comma could be set or built here";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5"); // printf itself would write a comma now
    ASSERT_EQ(std::strtod("0.5", nullptr), 0.0); // and strtod stops at the point
    ExpectPointTexts();
}
