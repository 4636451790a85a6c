// Inputs the fuzz targets found faults with, kept so the faults stay fixed.

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "../batch/BatchTestSupport.h"
#include "../engine/GridTestFiles.h"
#include "ConnectionString.h"
#include "CxAdo.h"
#include "CxValue.h"
#include "DatumGrid.h"
#include "DatumGridNadcon.h"

using namespace batchtest;

namespace {

void Exec(sqlite3* db, const std::string& sql)
{
    char* error = nullptr;
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
}

} // namespace

// fuzz_database_value: a REAL of -1.1e217 in a DATE column was taken for a
// Julian day number, and turning it into a calendar date converted a double
// far outside the range of long long (undefined behaviour, a trap under the
// sanitizer). A number outside the span of dates now keeps its stored type.
TEST(FuzzRegression, NumbersBeyondTheSpanOfDatesInADateColumnStayNumbers)
{
    CTempFolder folder;
    const std::string path = folder / "dates.db";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    Exec(db, "CREATE TABLE t (id INTEGER PRIMARY KEY, d DATE)");
    // The fuzzer's value, SQLite's largest integer, a Julian day of year 9999
    // and one of year 10000, a Unix second of 1 January 1970.
    Exec(db, "INSERT INTO t (d) VALUES (-1.1036718469823e+217), (9223372036854775807), (5373483.5), "
             "(5373484.5), (0)");
    sqlite3_close(db);

    CCxAdo ado;
    ASSERT_EQ(ado.Initialize(), 0);
    ASSERT_EQ(ado.Connect(("Provider=SQLite;Data Source=" + path + ";").c_str()), 0);
    ASSERT_EQ(ado.OpenRecordset("SELECT d FROM t ORDER BY id"), 1);

    auto expectNumber = [&](CxValueType type, double stored) {
        const CCxValue v = ado.GetFieldValue("d");
        EXPECT_EQ(v.Type(), type);
        std::string text = "kept";
        EXPECT_EQ(ado.GetFieldString("d", text), 0);
        EXPECT_EQ(text, "kept");
        if (type == CxTypeDouble)
        {
            double d = 0;
            EXPECT_EQ(ado.GetFieldDouble("d", d), 1);
            EXPECT_EQ(d, stored);
        }
        else
        {
            EXPECT_EQ(v.AsInteger(), static_cast<std::int64_t>(stored));
        }
    };
    expectNumber(CxTypeDouble, -1.1036718469823e+217);
    ASSERT_EQ(ado.MoveNext(), 1);
    const CCxValue huge = ado.GetFieldValue("d");
    EXPECT_EQ(huge.Type(), CxTypeInt64);
    EXPECT_EQ(huge.AsInteger(), std::numeric_limits<std::int64_t>::max());
    std::string text;
    EXPECT_EQ(ado.GetFieldString("d", text), 0);

    // Within the span the same columns still read as dates.
    ASSERT_EQ(ado.MoveNext(), 1);
    EXPECT_EQ(ado.GetFieldValue("d").Type(), CxTypeDate);
    ASSERT_EQ(ado.GetFieldString("d", text), 1);
    EXPECT_EQ(text, "31/12/9999 - 00:00");
    ASSERT_EQ(ado.MoveNext(), 1);
    expectNumber(CxTypeDouble, 5373484.5);
    ASSERT_EQ(ado.MoveNext(), 1);
    ASSERT_EQ(ado.GetFieldString("d", text), 1);
    EXPECT_EQ(text, "01/01/1970 - 00:00");
}

// The conversion itself is safe for every double: outside the span it gives
// the span's nearer end, NaN the day of the epoch.
TEST(FuzzRegression, DayNumbersOfAnySizeGiveACalendarDate)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case
    {
        double day;
        int year, month, dayOfMonth;
    };
    for (const Case c : {Case{-1.1036718469823e+217, 100, 1, 1}, Case{1e300, 9999, 12, 31}, Case{inf, 9999, 12, 31},
                         Case{-inf, 100, 1, 1}, Case{std::nan(""), 1899, 12, 30}, Case{2958465.5, 9999, 12, 31},
                         Case{-657434.0, 100, 1, 1}})
    {
        SCOPED_TRACE(c.day);
        const CxDateTime dt = DateTimeFromDayNumber(c.day);
        EXPECT_EQ(dt.year, c.year);
        EXPECT_EQ(dt.month, c.month);
        EXPECT_EQ(dt.day, c.dayOfMonth);
        EXPECT_GE(dt.hour, 0);
        EXPECT_LE(dt.hour, 23);
        EXPECT_LT(dt.second, 60.0);
    }
    EXPECT_TRUE(IsDateDayNumber(2958465.99));
    EXPECT_FALSE(IsDateDayNumber(2958466.0));
    EXPECT_TRUE(IsDateDayNumber(-657434.0));
    EXPECT_FALSE(IsDateDayNumber(-657434.5));
    EXPECT_FALSE(IsDateDayNumber(std::nan("")));
}

// fuzz_connection_string: the parser trims any white space around a key and
// reads a ']' as part of a value, but the masking only knew blanks before a
// key and ended every value at a ']', so messages showed these passwords,
// whole or in part.
TEST(FuzzRegression, PasswordsThatTheParserReadsAreMaskedWhole)
{
    const char* const texts[] = {
        "Driver=x;\tPwd=secret;Server=s",
        "Driver=x;\nPassword=secret",
        "Driver=x;Pwd\t=secret",
        "DSN=geo; Password= se]cret] , tail",
    };
    for (const char* text : texts)
    {
        SCOPED_TRACE(text);
        const CConnectionString parsed(text);
        const std::string password = parsed.Has("Pwd") ? parsed.Get("Pwd") : parsed.Get("Password");
        ASSERT_FALSE(password.empty());
        const std::string masked = MaskPasswords(text);
        EXPECT_EQ(masked.find("cret"), std::string::npos) << masked;
        EXPECT_NE(masked.find("***"), std::string::npos) << masked;
        EXPECT_EQ(CConnectionString(masked).Get(parsed.Has("Pwd") ? "Pwd" : "Password"), "***");
    }
    // Inside brackets a ']' still ends the value, and the rest of the message stays.
    EXPECT_EQ(MaskPasswords("Failed [Driver=d;pwd = p1] , retry"), "Failed [Driver=d;pwd = ***] , retry");
    EXPECT_EQ(MaskPasswords("Driver=x;\tPwd=secret;Server=s"), "Driver=x;\tPwd=***;Server=s");
}

// fuzz_nadcon: the size check of a NADCON header multiplied (NR + 1), (NC + 1)
// and 4 in 64 bits, which overflows for counts near 2^31 (undefined
// behaviour; a wrapped product could also pass the check). Such a header is
// now refused, and one that exactly fits the file is still read.
TEST(FuzzRegression, NadconCountsWhoseProductOverflowsAreRefused)
{
    auto header = [](std::int32_t nc, std::int32_t nr) {
        std::string b(64, ' ');
        auto word = [&b](std::uint32_t w) {
            for (int i = 0; i < 4; ++i)
                b += static_cast<char>((w >> (8 * i)) & 0xff);
        };
        auto real = [&word](float f) {
            std::uint32_t w;
            std::memcpy(&w, &f, 4);
            word(w);
        };
        word(static_cast<std::uint32_t>(nc));
        word(static_cast<std::uint32_t>(nr));
        word(1);
        real(-100.0f);
        real(0.25f);
        real(30.0f);
        real(0.25f);
        return b;
    };
    for (const auto& [nc, nr] : {std::pair{0x7fffffff, 0x7fffffff}, std::pair{0x40000000, 0x7ffffffe},
                                 std::pair{0x7fffffff, 1}})
    {
        SCOPED_TRACE(std::to_string(nc) + " x " + std::to_string(nr));
        std::string las = header(nc, nr) + std::string(4096, '\0');
        std::string los = las;
        std::FILE* a = fmemopen(las.data(), las.size(), "rb");
        std::FILE* o = fmemopen(los.data(), los.size(), "rb");
        CDatumGrid grid;
        EXPECT_NE(CDatumGridNadcon(grid).Read(a, o), 0);
        EXPECT_EQ(grid.kind, CDatumGrid::KIND_NONE);
        EXPECT_EQ(grid.Count(), 0);
        std::fclose(a);
        std::fclose(o);
    }
    // A grid that exactly fills its files is still read; one word less is refused.
    gridtest::NadconGrid sound;
    for (const std::size_t cut : {0, 4})
    {
        std::string las = sound.FileBytes(true), los = sound.FileBytes(false);
        las.resize(las.size() - cut);
        std::FILE* a = fmemopen(las.data(), las.size(), "rb");
        std::FILE* o = fmemopen(los.data(), los.size(), "rb");
        CDatumGrid grid;
        EXPECT_EQ(CDatumGridNadcon(grid).Read(a, o) == 0, cut == 0);
        std::fclose(a);
        std::fclose(o);
    }
}
