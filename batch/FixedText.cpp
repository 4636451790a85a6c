#include "FixedText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint64_t kPowersOfTen[] = {1,         10,         100,         1000,         10000,
                                          100000,    1000000,    10000000,    100000000,    1000000000};

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
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    std::uint64_t mantissa = bits & ((std::uint64_t(1) << 52) - 1);
    if (biased != 0)
        mantissa |= std::uint64_t(1) << 52;
    // value = mantissa * 2^exponent, exactly.
    const int exponent = (biased != 0 ? biased : 1) - 1075;
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
    // The digits of the rounded integer are those of the whole part followed
    // by exactly decimals digits of the fraction: written from the right,
    // at least one digit before the point.
    std::uint64_t digits = static_cast<std::uint64_t>(rounded);
    char text[24];
    char* const textEnd = text + sizeof text;
    char* at = textEnd;
    int written = 0;
    do
    {
        if (written == decimals && decimals != 0)
            *--at = '.';
        *--at = static_cast<char>('0' + digits % 10);
        digits /= 10;
        ++written;
    } while (digits != 0 || written <= decimals);
    const std::size_t length = static_cast<std::size_t>(textEnd - at) + (negative ? 1 : 0);
    if (static_cast<std::size_t>(last - first) < length)
        return nullptr;
    char* out = first;
    if (negative)
        *out++ = '-';
    std::memcpy(out, at, static_cast<std::size_t>(textEnd - at));
    return first + length;
}

bool ReadPlainDecimal(std::string_view text, bool decimalComma, double& value)
{
    static constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                              1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* at = text.data();
    const char* const end = at + text.size();
    bool negative = false;
    if (at != end && (*at == '-' || *at == '+'))
        negative = *at++ == '-';
    // 19 digits and a point at most: the integer cannot overflow 64 bits.
    if (end - at > 20)
        return false;
    auto digit = [](char c) { return static_cast<unsigned>(c - '0') < 10; };
    std::uint64_t integer = 0;
    const char* const wholeStart = at;
    while (at != end && digit(*at))
        integer = integer * 10 + static_cast<std::uint64_t>(*at++ - '0');
    const std::ptrdiff_t whole = at - wholeStart;
    std::ptrdiff_t decimals = 0;
    if (at != end)
    {
        if (*at != '.' && !(decimalComma && *at == ','))
            return false;
        const char* const fractionStart = ++at;
        while (at != end && digit(*at))
            integer = integer * 10 + static_cast<std::uint64_t>(*at++ - '0');
        decimals = at - fractionStart;
        if (at != end || decimals == 0)
            return false;
    }
    if (whole == 0 || whole + decimals > 19 || integer > (std::uint64_t(1) << 53))
        return false;
    const double magnitude = static_cast<double>(integer) / kExactPowers[decimals];
    value = negative ? -magnitude : magnitude;
    return true;
}
