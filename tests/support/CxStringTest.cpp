#include <gtest/gtest.h>

#include <string>

#include "CxString.h"

TEST(CxString, AssignsAppendsAndConverts)
{
    CCxString s;
    EXPECT_TRUE(s.IsEmpty());
    s = "SELECT";
    s += ' ';
    s += "* FROM ";
    s += std::string("tblGrids");
    EXPECT_EQ(s, "SELECT * FROM tblGrids");
    EXPECT_EQ(s.GetLength(), 22u);
    const char* raw = s; // passes where a C string goes
    EXPECT_STREQ(raw, "SELECT * FROM tblGrids");
    s = static_cast<const char*>(nullptr);
    EXPECT_EQ(s, "");
    // Wide text becomes UTF-8: 2-, 3- and 4-byte sequences, a lone surrogate replaced.
    CCxString w(L"Z\u00fcrich \u20ac \U0001F30D");
    EXPECT_EQ(w, "Z\xc3\xbcrich \xe2\x82\xac \xf0\x9f\x8c\x8d");
    const wchar_t bad[] = {L'a', static_cast<wchar_t>(0xD800), L'b', 0};
    w = bad;
    EXPECT_EQ(w, "a\xef\xbf\xbd" "b");
}

TEST(CxString, FormatsPrintfStyleAndCutsAtTheLimit)
{
    CCxString s;
    EXPECT_EQ(s.Format("SELECT * FROM tblDatums WHERE ( numId = %ld )", 4326L), 46);
    EXPECT_EQ(s, "SELECT * FROM tblDatums WHERE ( numId = 4326 )");
    s.Format("%.3f|%02d/%02d/%04d|%c", 2.5, 7, 3, 2012, 'x');
    EXPECT_EQ(s, "2.500|07/03/2012|x");

    const std::string exact(CCxString::FormatLimit, 'a');
    s.Format("%s", exact.c_str());
    EXPECT_EQ(s.str(), exact);
    s.Format("%s", (exact + "bcd").c_str());
    EXPECT_EQ(s.str(), exact) << "longer texts are cut to the limit";

    // A cut never splits a UTF-8 sequence: 2047 'a' then a 2-byte letter.
    const std::string nearly(CCxString::FormatLimit - 1, 'a');
    s.Format("%s\xc3\xbc", nearly.c_str());
    EXPECT_EQ(s.str(), nearly);
    EXPECT_EQ(CCxString::Truncated("ab\xe2\x82\xac", 4), "ab");
    EXPECT_EQ(CCxString::Truncated("ab\xe2\x82\xac", 5), "ab\xe2\x82\xac");
}
