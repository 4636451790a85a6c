// The shared text helpers and the one strict number reader.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "NumberText.h"
#include "TextCase.h"

TEST(FoldForSearch, FoldsTheCaseOfNamesPeopleSearchFor)
{
    struct Case
    {
        const char* text;
        const char* folded;
    };
    const std::vector<Case> cases = {
        {"CÔTE D'IVOIRE", "côte d'ivoire"},
        {"Côte d'Ivoire", "côte d'ivoire"},
        {"ÅLAND ÆRØ", "åland ærø"},
        {"ŁÓDŹ ŚWIĘTOKRZYSKIE", "łódź świętokrzyskie"},
        {"ČESKÁ ŽELEZNICE", "česká železnice"},
        {"ΕΛΛΑΣ", "ελλασ"},
        {"МОСКВА ЁЖ", "москва ёж"},
        {"Ÿ", "ÿ"},
        {"× ÷ ß", "× ÷ ß"},
        // A byte that starts no character stays as it is.
        {"A\xFF" "B", "a\xFF" "b"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FoldForSearch(c.text), c.folded) << c.text;
}

TEST(TextCase, AsciiCaseAndTrimLeaveEverythingElse)
{
    EXPECT_EQ(AsciiLower("ROADS.SHP Ä"), "roads.shp Ä");
    EXPECT_EQ(AsciiUpper("roads.shx ä"), "ROADS.SHX ä");
    EXPECT_EQ(Trim(" \t key = value \r\n"), "key = value");
    EXPECT_EQ(Trim(" \t\r\n"), "");
}

TEST(ReadStrictNumber, ReadsEveryNumberOneWay)
{
    struct Case
    {
        const char* text;
        char mark;
        bool exponent;
        bool number;
        double value;
    };
    const std::vector<Case> cases = {
        {"52.5", '.', true, true, 52.5},
        {" -4.25\t", '.', true, true, -4.25},
        {"+7", '.', true, true, 7},
        {"5.", '.', true, true, 5},
        {".5", '.', true, true, 0.5},
        {"1.5e3", '.', true, true, 1500},
        {"1.5e3", '.', false, false, 0},
        {"434039,46", ',', false, true, 434039.46},
        {"434.039", ',', false, false, 0},
        {"434,039", '.', false, false, 0},
        {"+-1", '.', true, false, 0},
        {"-+1", '.', true, false, 0},
        {"--1", '.', true, false, 0},
        {"0x10", '.', true, false, 0},
        {"nan", '.', true, false, 0},
        {"inf", '.', true, false, 0},
        {"1e999", '.', true, false, 0},
        {"1.2.3", '.', true, false, 0},
        {"1e", '.', true, false, 0},
        {".", '.', true, false, 0},
        {"", '.', true, false, 0},
        {"12 m", '.', true, false, 0},
    };
    for (const auto& c : cases)
    {
        double value = -99;
        EXPECT_EQ(ReadStrictNumber(c.text, c.mark, c.exponent, value), c.number) << c.text;
        EXPECT_EQ(value, c.number ? c.value : -99) << c.text;
    }
    double zero = 1;
    ASSERT_TRUE(ReadStrictNumber("-0", '.', false, zero));
    EXPECT_TRUE(std::signbit(zero));
}
