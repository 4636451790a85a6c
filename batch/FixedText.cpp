#include "FixedText.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint64_t kPowersOfTen[] = {1,         10,         100,         1000,         10000,
                                          100000,    1000000,    10000000,    100000000,    1000000000};

constexpr char kDigitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                               "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                               "8081828384858687888990919293949596979899";

// Writes the decimal digits of value so that they end at end, two at a time;
// exactly count digits (leading zeros included) when count is given, else as
// many as value has, at least one. Returns where the digits begin.
[[gnu::always_inline]] inline char* WriteDigits(char* end, std::uint64_t value, int count)
{
    if (count != 0)
    {
        for (; count >= 2; count -= 2)
        {
            end -= 2;
            std::memcpy(end, kDigitPairs + 2 * (value % 100), 2);
            value /= 100;
        }
        if (count != 0)
            *--end = static_cast<char>('0' + value % 10);
        return end;
    }
    while (value >= 100)
    {
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * (value % 100), 2);
        value /= 100;
    }
    if (value >= 10)
    {
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * value, 2);
    }
    else
        *--end = static_cast<char>('0' + value);
    return end;
}

// The number of decimal digits of value, at least one: from the position of
// its highest bit (log10 2 is close to 1233 / 4096), corrected by one
// comparison.
std::size_t CountDigits(std::uint64_t value)
{
    static constexpr std::uint64_t kPowers[] = {1,
                                                10,
                                                100,
                                                1000,
                                                10000,
                                                100000,
                                                1000000,
                                                10000000,
                                                100000000,
                                                1000000000,
                                                10000000000ull,
                                                100000000000ull,
                                                1000000000000ull,
                                                10000000000000ull,
                                                100000000000000ull,
                                                1000000000000000ull,
                                                10000000000000000ull,
                                                100000000000000000ull,
                                                1000000000000000000ull,
                                                10000000000000000000ull};
    const int bits = 64 - std::countl_zero(value | 1);
    const auto guess = static_cast<std::size_t>((bits * 1233) >> 12);
    return guess + ((value | 1) >= kPowers[guess] ? 1 : 0);
}

// value / 10^decimals for decimals 0 to 9, by constants the compiler turns
// into multiplications rather than a division instruction.
std::uint64_t DivideByPowerOfTen(std::uint64_t value, int decimals)
{
    switch (decimals)
    {
    case 1: return value / 10;
    case 2: return value / 100;
    case 3: return value / 1000;
    case 4: return value / 10000;
    case 5: return value / 100000;
    case 6: return value / 1000000;
    case 7: return value / 10000000;
    case 8: return value / 100000000;
    case 9: return value / 1000000000;
    default: return value;
    }
}

// The eight decimal digits of value (below 10^8, leading zeros included) as
// eight characters in one word, the first digit in the lowest byte: the
// halves, quarters and single digits are split in every lane at once, each
// division by a multiplication and a shift that is exact for the lane's range.
[[gnu::always_inline]] inline std::uint64_t EightDigitsText(std::uint32_t value)
{
    const std::uint64_t halves = (value / 10000) | (static_cast<std::uint64_t>(value % 10000) << 32);
    const std::uint64_t hundreds = ((halves * 10486) >> 20) & 0x0000007F0000007Full;
    const std::uint64_t quarters = hundreds | ((halves - hundreds * 100) << 16);
    const std::uint64_t tens = ((quarters * 103) >> 10) & 0x000F000F000F000Full;
    return (tens | ((quarters - tens * 10) << 8)) | 0x3030303030303030ull;
}

// The same for four digits (value below 10^4) in the low four bytes.
[[gnu::always_inline]] inline std::uint32_t FourDigitsText(std::uint32_t value)
{
    const std::uint32_t pairs = (value / 100) | ((value % 100) << 16);
    const std::uint32_t tens = ((pairs * 103) >> 10) & 0x000F000Fu;
    return (tens | ((pairs - tens * 10) << 8)) | 0x30303030u;
}

// How many digits eight digits' text has without its leading zeros, at least
// one.
[[gnu::always_inline]] inline std::size_t SignificantDigits(std::uint64_t text)
{
    return 8 - static_cast<std::size_t>(std::countr_zero((text ^ 0x3030303030303030ull) | (1ull << 56)) / 8);
}

// Stores the last count (1 to 8) characters of text at at; the word is
// stored whole, so up to 8 - count bytes after them are overwritten too.
[[gnu::always_inline]] inline char* StoreLast(char* at, std::uint64_t text, std::size_t count)
{
    if constexpr (std::endian::native != std::endian::little)
        text = __builtin_bswap64(text);
    text >>= 8 * (8 - count);
    if constexpr (std::endian::native != std::endian::little)
        text = __builtin_bswap64(text);
    std::memcpy(at, &text, sizeof text);
    return at + count;
}

// The common case of a value mantissa / 2^shift with shift from 1 to 63
// (every value from 2^-11 to 2^52 that has a fraction): the whole part is a
// shift of the mantissa, and the fraction's decimals come from its low bits
// times 10^decimals, below 2^93, rounded by the bits shifted out. Decimals
// is a constant, so the fraction's digits are written without a loop.
template <int Decimals>
char* WriteShifted(char* first, char* last, bool negative, std::uint64_t mantissa, int shift)
{
    constexpr std::uint64_t unit = kPowersOfTen[Decimals];
    std::uint64_t whole = mantissa >> shift;
    const std::uint64_t mask = (std::uint64_t(1) << shift) - 1;
    const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa & mask) * unit;
    const auto low = static_cast<std::uint64_t>(scaled);
    const auto high = static_cast<std::uint64_t>(scaled >> 64);
    std::uint64_t decimals = (high << (64 - shift)) | (low >> shift);
    const std::uint64_t rest = low & mask;
    const std::uint64_t half = std::uint64_t(1) << (shift - 1);
    // Rounds up above half, and at half when the last digit (the fraction's,
    // or the whole part's without decimals) is odd, so ties go to even.
    // Without branches: which way a coordinate rounds is a coin toss the
    // processor would mispredict half the time.
    const std::uint64_t odd = (Decimals != 0 ? decimals : whole) & 1;
    decimals += static_cast<std::uint64_t>(rest + odd > half);
    const std::uint64_t carry = static_cast<std::uint64_t>(decimals == unit);
    decimals -= unit & (0 - carry);
    whole += carry;
    // A whole part below 10^8, nearly every one, is counted from its text.
    const bool short_ = whole < 100000000;
    const std::uint64_t wholeText = short_ ? EightDigitsText(static_cast<std::uint32_t>(whole)) : 0;
    const std::size_t wholeDigits = short_ ? SignificantDigits(wholeText) : CountDigits(whole);
    const std::size_t length = (negative ? 1 : 0) + wholeDigits + (Decimals != 0 ? 1 + Decimals : 0);
    if (static_cast<std::size_t>(last - first) < length)
        return nullptr;
    // Written from the left, a word at a time; the last word may reach 7
    // bytes past the end, so a tight room gets the text through a copy.
    char spare[48];
    char* const start = static_cast<std::size_t>(last - first) >= length + 8 ? first : spare;
    char* at = start;
    if (negative)
        *at++ = '-';
    if (short_)
        at = StoreLast(at, wholeText, wholeDigits);
    else
    {
        WriteDigits(at + wholeDigits, whole, 0);
        at += wholeDigits;
    }
    if constexpr (Decimals != 0)
    {
        *at++ = '.';
        auto fraction = static_cast<std::uint32_t>(decimals);
        if constexpr (Decimals == 9)
        {
            *at++ = static_cast<char>('0' + fraction / 100000000);
            fraction %= 100000000;
        }
        if constexpr (Decimals <= 4)
            StoreLast(at, static_cast<std::uint64_t>(FourDigitsText(fraction)) << 32, Decimals);
        else
            StoreLast(at, EightDigitsText(fraction), Decimals == 9 ? 8 : Decimals);
    }
    if (start != first)
        std::memcpy(first, spare, length);
    return first + length;
}

char* Fallback(char* first, char* last, double value, int decimals)
{
    const auto result = std::to_chars(first, last, value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? result.ptr : nullptr;
}

} // namespace

char* WriteFixed(char* first, char* last, double value, int decimals)
{
    if (decimals < 0 || decimals > 9 || !std::isfinite(value) || std::fabs(value) >= 1e15)
        return Fallback(first, last, value, decimals);

    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    if ((bits << 1) == 0)
    {
        // Zero, common as a height: a sign for -0, "0" and the decimals.
        static constexpr char kZero[] = "-0.000000000";
        const std::size_t length = (negative ? 1 : 0) + 1 + (decimals != 0 ? 1 + static_cast<std::size_t>(decimals) : 0);
        if (static_cast<std::size_t>(last - first) < length)
            return nullptr;
        std::memcpy(first, kZero + (negative ? 0 : 1), length);
        return first + length;
    }
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    std::uint64_t mantissa = bits & ((std::uint64_t(1) << 52) - 1);
    if (biased != 0)
        mantissa |= std::uint64_t(1) << 52;
    // value = mantissa * 2^exponent, exactly.
    const int exponent = (biased != 0 ? biased : 1) - 1075;
    if (exponent < 0 && exponent > -64)
    {
        const int shift = -exponent;
        switch (decimals)
        {
        case 0: return WriteShifted<0>(first, last, negative, mantissa, shift);
        case 1: return WriteShifted<1>(first, last, negative, mantissa, shift);
        case 2: return WriteShifted<2>(first, last, negative, mantissa, shift);
        case 3: return WriteShifted<3>(first, last, negative, mantissa, shift);
        case 4: return WriteShifted<4>(first, last, negative, mantissa, shift);
        case 5: return WriteShifted<5>(first, last, negative, mantissa, shift);
        case 6: return WriteShifted<6>(first, last, negative, mantissa, shift);
        case 7: return WriteShifted<7>(first, last, negative, mantissa, shift);
        case 8: return WriteShifted<8>(first, last, negative, mantissa, shift);
        default: return WriteShifted<9>(first, last, negative, mantissa, shift);
        }
    }
    const std::uint64_t unit = kPowersOfTen[decimals];
    // mantissa * 10^decimals < 2^53 * 2^30: the scaled value is exact in 128 bits.
    const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * unit;
    unsigned __int128 rounded = 0;
    if (exponent >= 0)
        rounded = scaled << exponent; // below 1e15 * 10^9 < 2^80
    else if (exponent > -84)
    {
        const int shift = -exponent;
        rounded = scaled >> shift;
        const unsigned __int128 rest = scaled - (rounded << shift);
        const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
        if (rest > half || (rest == half && (rounded & 1) != 0))
            ++rounded;
    }
    // Otherwise the value is below half a unit of the last decimal: 0.

    if ((rounded >> 64) != 0)
        return Fallback(first, last, value, decimals);
    // The rounded integer holds the whole part followed by exactly decimals
    // digits of the fraction; both are written from the right, two digits
    // at a time, with at least one digit before the point.
    const auto digits = static_cast<std::uint64_t>(rounded);
    const std::uint64_t whole = DivideByPowerOfTen(digits, decimals);
    const std::size_t length =
        (negative ? 1 : 0) + CountDigits(whole) + (decimals != 0 ? 1 + static_cast<std::size_t>(decimals) : 0);
    if (static_cast<std::size_t>(last - first) < length)
        return nullptr;
    // Written in place from the right end.
    char* at = first + length;
    if (decimals != 0)
    {
        at = WriteDigits(at, digits - whole * unit, decimals);
        *--at = '.';
    }
    at = WriteDigits(at, whole, 0);
    if (negative)
        *--at = '-';
    return first + length;
}

namespace {

bool IsDigit(char c)
{
    return static_cast<unsigned char>(c - '0') < 10;
}

// Whether eight bytes are all decimal digits: no byte below '0' (the
// subtraction would borrow into its top bit) and none above '9' (adding
// 0x46 would carry into it).
bool AreEightDigits(std::uint64_t chunk)
{
    return (((chunk + 0x4646464646464646ull) | (chunk - 0x3030303030303030ull)) & 0x8080808080808080ull) == 0;
}

// The value of eight digits loaded little-endian (first digit in the lowest
// byte): pairs, then fours, then the eight combined by three multiplications.
std::uint32_t EightDigitsValue(std::uint64_t chunk)
{
    chunk -= 0x3030303030303030ull;
    chunk = (chunk * 10) + (chunk >> 8);
    chunk = (((chunk & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
             (((chunk >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
            32;
    return static_cast<std::uint32_t>(chunk);
}

// Digits from at on, added to integer; false when there are more than 19 in
// all (counted in digits), which the caller declines.
[[gnu::always_inline]] inline bool AddDigits(const char*& at, const char* end, std::uint64_t& integer, int& digits)
{
    while (end - at >= 8 && digits <= 11)
    {
        std::uint64_t chunk;
        std::memcpy(&chunk, at, sizeof chunk);
        if constexpr (std::endian::native != std::endian::little)
            chunk = __builtin_bswap64(chunk);
        if (!AreEightDigits(chunk))
            break;
        integer = integer * 100000000 + EightDigitsValue(chunk);
        digits += 8;
        at += 8;
    }
    while (at != end && IsDigit(*at))
    {
        if (++digits > 19)
            return false;
        integer = integer * 10 + static_cast<std::uint64_t>(*at++ - '0');
    }
    return true;
}

} // namespace

const char* ReadPlainDecimalPrefix(const char* at, const char* end, bool decimalComma, double& value)
{
    static constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                              1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    bool negative = false;
    if (at != end && (*at == '-' || *at == '+'))
        negative = *at++ == '-';
    // 19 digits at most: the integer cannot overflow 64 bits.
    std::uint64_t integer = 0;
    int digits = 0;
    if (!AddDigits(at, end, integer, digits) || digits == 0)
        return nullptr;
    const int whole = digits;
    if (at != end && (*at == '.' || (decimalComma && *at == ',')))
    {
        ++at;
        if (!AddDigits(at, end, integer, digits) || digits == whole)
            return nullptr;
    }
    if (integer > (std::uint64_t(1) << 53))
        return nullptr;
    const double magnitude = static_cast<double>(integer) / kExactPowers[digits - whole];
    value = negative ? -magnitude : magnitude;
    return at;
}

bool ReadPlainDecimal(std::string_view text, bool decimalComma, double& value)
{
    double read = 0;
    const char* end = text.data() + text.size();
    if (ReadPlainDecimalPrefix(text.data(), end, decimalComma, read) != end)
        return false;
    value = read;
    return true;
}
