#include "CxValue.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

CCxValue CCxValue::Null()
{
    CCxValue v;
    v.absent = false;
    v.type = CxTypeNull;
    return v;
}

CCxValue CCxValue::Integer(CxValueType type, std::int64_t value)
{
    CCxValue v;
    v.absent = false;
    v.type = type;
    v.integer = value;
    v.real = static_cast<double>(value);
    return v;
}

CCxValue CCxValue::Boolean(bool value)
{
    return Integer(CxTypeBoolean, value ? 1 : 0);
}

CCxValue CCxValue::Single(float value)
{
    CCxValue v;
    v.absent = false;
    v.type = CxTypeSingle;
    v.real = value;
    return v;
}

CCxValue CCxValue::Double(double value)
{
    CCxValue v;
    v.absent = false;
    v.type = CxTypeDouble;
    v.real = value;
    return v;
}

CCxValue CCxValue::Date(double dayNumber)
{
    CCxValue v;
    v.absent = false;
    v.type = CxTypeDate;
    v.real = dayNumber;
    return v;
}

CCxValue CCxValue::Text(std::string value)
{
    CCxValue v;
    v.absent = false;
    v.type = CxTypeText;
    v.text = std::move(value);
    return v;
}

CCxValue CCxValue::Decimal(std::string digits)
{
    CCxValue v;
    v.absent = false;
    v.type = CxTypeDecimal;
    v.real = std::strtod(digits.c_str(), nullptr);
    v.text = std::move(digits);
    return v;
}

CCxValue CCxValue::Bytes(std::vector<unsigned char> value)
{
    CCxValue v;
    v.absent = false;
    v.type = CxTypeBytes;
    v.bytes = std::move(value);
    return v;
}

bool operator==(const CCxValue& a, const CCxValue& b)
{
    return a.absent == b.absent && a.type == b.type && a.integer == b.integer &&
           (a.real == b.real || (std::isnan(a.real) && std::isnan(b.real))) && a.text == b.text &&
           a.bytes == b.bytes;
}

namespace {

// Days from 1 January 1970 of a proleptic Gregorian date (Howard Hinnant's
// days_from_civil).
long long DaysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

const long long epochOffset = DaysFromCivil(1899, 12, 30); // negative: days 1970 -> 1899

} // namespace

double DayNumberFromDateTime(const CxDateTime& dt)
{
    const long long days = DaysFromCivil(dt.year, static_cast<unsigned>(dt.month), static_cast<unsigned>(dt.day)) -
                           epochOffset;
    const double fraction = (dt.hour * 3600.0 + dt.minute * 60.0 + dt.second) / 86400.0;
    // Before the epoch the fraction counts away from zero: -1.25 is 29 December 1899, 06:00.
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

bool IsDateDayNumber(double dayNumber)
{
    return dayNumber >= -657434.0 && dayNumber < 2958466.0;
}

CxDateTime DateTimeFromDayNumber(double dayNumber)
{
    CxDateTime dt;
    // Beyond the span the day number would not fit the calendar arithmetic.
    if (!IsDateDayNumber(dayNumber))
        dayNumber = std::isnan(dayNumber) ? 0.0 : dayNumber < 0 ? -657434.0 : 2958465.999988426;
    double whole = std::trunc(dayNumber);
    double fraction = std::fabs(dayNumber - whole);
    // Round to the millisecond so 14:05 does not read as 14:04:59.999.
    double ms = std::round(fraction * 86400000.0);
    if (ms >= 86400000.0) {
        ms -= 86400000.0;
        whole += dayNumber >= 0 ? 1 : -1;
    }
    CivilFromDays(static_cast<long long>(whole) + epochOffset, dt.year, dt.month, dt.day);
    const long long msInt = static_cast<long long>(ms);
    dt.hour = static_cast<int>(msInt / 3600000);
    dt.minute = static_cast<int>(msInt / 60000 % 60);
    dt.second = static_cast<double>(msInt % 60000) / 1000.0;
    return dt;
}

bool ParseIsoDateTime(const std::string& text, CxDateTime& out)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, consumed = 0;
    double s = 0.0;
    const char* p = text.c_str();
    while (*p == ' ')
        ++p;
    if (std::sscanf(p, "%4d-%2d-%2d%n", &y, &mo, &d, &consumed) != 3 || consumed != 10)
        return false;
    p += consumed;
    if (*p == 'T' || *p == ' ') {
        int n = 0;
        if (std::sscanf(p + 1, "%2d:%2d%n", &h, &mi, &n) == 2 && n == 5) {
            p += 1 + n;
            if (*p == ':') {
                char* end = nullptr;
                s = std::strtod(p + 1, &end);
                if (end == p + 1)
                    return false;
                p = end;
            }
        } else if (*p == 'T') {
            return false;
        }
    }
    while (*p == ' ')
        ++p;
    if (*p != '\0' && *p != 'Z' && *p != '+' && *p != '-')
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s < 0 || s >= 61)
        return false;
    out.year = y;
    out.month = mo;
    out.day = d;
    out.hour = h;
    out.minute = mi;
    out.second = s;
    return true;
}
