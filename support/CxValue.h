#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Type codes of a field value, the numbering of the OLE Automation tagged
// value that the database layer's callers and messages use.
enum CxValueType : long
{
    CxTypeEmpty = 0,
    CxTypeNull = 1,
    CxTypeInt16 = 2,
    CxTypeInt32 = 3,
    CxTypeSingle = 4,
    CxTypeDouble = 5,
    CxTypeCurrency = 6,
    CxTypeDate = 7,
    CxTypeText = 8,
    CxTypeBoolean = 11,
    CxTypeDecimal = 14,
    CxTypeInt8 = 16,
    CxTypeUInt8 = 17,
    CxTypeUInt16 = 18,
    CxTypeUInt32 = 19,
    CxTypeInt64 = 20,
    CxTypeUInt64 = 21,
    CxTypeBytes = 0x2011, // array of unsigned bytes (a BLOB)
};

// One field value as the database layer hands it out: a type code and the
// value, or the absent marker that stands for "no value read".
class CCxValue
{
public:
    // The absent marker.
    CCxValue() = default;

    static CCxValue Null();
    // Integer types (Int8 ... UInt64, Boolean as 0/1); the value is kept
    // as given (UInt64 as its bit pattern).
    static CCxValue Integer(CxValueType type, std::int64_t value);
    static CCxValue Boolean(bool value);
    static CCxValue Single(float value);
    static CCxValue Double(double value);
    // Days since 30 December 1899, fraction = time of day.
    static CCxValue Date(double dayNumber);
    static CCxValue Text(std::string value);
    // A decimal (exact numeric) kept as its text, e.g. "12.50".
    static CCxValue Decimal(std::string digits);
    static CCxValue Bytes(std::vector<unsigned char> value);

    bool IsAbsent() const { return absent; }
    bool IsNull() const { return !absent && type == CxTypeNull; }
    // The type code; CxTypeEmpty for the absent marker.
    CxValueType Type() const { return type; }

    std::int64_t AsInteger() const { return integer; }
    double AsReal() const { return real; }          // Single, Double, Date day number
    const std::string& AsText() const { return text; } // Text, Decimal digits
    const std::vector<unsigned char>& AsBytes() const { return bytes; }

    friend bool operator==(const CCxValue& a, const CCxValue& b);

private:
    bool absent = true;
    CxValueType type = CxTypeEmpty;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string text;
    std::vector<unsigned char> bytes;
};

// Calendar date and time <-> day number since 30 December 1899 (the time of
// day is the fraction; for days before the epoch the fraction still counts
// forward from midnight, as the tagged value's dates do).
struct CxDateTime
{
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0;
    double second = 0.0;
};
double DayNumberFromDateTime(const CxDateTime& dt);
// The span of day numbers a date may hold: 1 January 100 to 31 December 9999.
bool IsDateDayNumber(double dayNumber);
// A day number outside that span reads as the span's nearer end, NaN as day 0.
CxDateTime DateTimeFromDayNumber(double dayNumber);
// Reads "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS[.fff]]" or with 'T' (a trailing
// 'Z' or offset is ignored). False when the text is no such date.
bool ParseIsoDateTime(const std::string& text, CxDateTime& out);
