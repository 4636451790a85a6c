#include "NumberText.h"

#include <charconv>
#include <cstring>
#include <cmath>
#include <limits>
#include <system_error>
#include <utility>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Whether a decimal that from_chars could not hold lies above or below the
// range of a double: the position of its first significant digit relative to
// the decimal point, moved by the exponent, tells which side it fell off.
bool OverflowsUpward(std::string_view digits)
{
    long long position = 0; // decimal exponent of the first significant digit, plus one
    bool seenPoint = false;
    bool seenSignificant = false;
    std::size_t i = 0;
    for (; i < digits.size() && digits[i] != 'e' && digits[i] != 'E'; ++i)
    {
        const char c = digits[i];
        if (c == '.')
        {
            seenPoint = true;
            continue;
        }
        if (!seenSignificant)
        {
            if (c != '0')
            {
                seenSignificant = true;
                if (!seenPoint)
                    ++position;
            }
            else if (seenPoint)
            {
                --position;
            }
        }
        else if (!seenPoint)
        {
            ++position;
        }
    }
    long long exponent = 0;
    if (i < digits.size())
    {
        ++i;
        bool negative = false;
        if (i < digits.size() && (digits[i] == '+' || digits[i] == '-'))
            negative = digits[i++] == '-';
        for (; i < digits.size(); ++i)
        {
            if (exponent < 1000000)
                exponent = exponent * 10 + (digits[i] - '0');
        }
        if (negative)
            exponent = -exponent;
    }
    return position + exponent > 0;
}

} // namespace

double LeadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';

    const std::size_t start = i;
    std::size_t mantissaDigits = 0;
    while (i < text.size() && IsDigit(text[i]))
    {
        ++i;
        ++mantissaDigits;
    }
    if (i < text.size() && text[i] == '.')
    {
        ++i;
        while (i < text.size() && IsDigit(text[i]))
        {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return 0.0;
    // An exponent counts only when at least one digit follows its letter and sign.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E'))
    {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && IsDigit(text[j]))
        {
            while (j < text.size() && IsDigit(text[j]))
                ++j;
            i = j;
        }
    }

    const std::string_view number = text.substr(start, i - start);
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value,
                                              std::chars_format::general);
    (void)end;
    if (error == std::errc::result_out_of_range)
        value = OverflowsUpward(number) ? std::numeric_limits<double>::infinity() : 0.0;
    else if (error != std::errc())
        value = 0.0;
    return negative ? -value : value;
}

std::string FormatFixed(double value, int width, int precision, bool zeroPad)
{
    std::string body;
    if (std::isnan(value) || std::isinf(value))
    {
        body = std::signbit(value) ? "-" : "";
        body += std::isnan(value) ? "nan" : "inf";
        zeroPad = false;
    }
    else
    {
        // The largest double has 309 integral digits; the precisions used here are small.
        char buffer[512];
        const auto [end, error] =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
        if (error != std::errc())
            return std::string(); // cannot happen for the precisions the program uses
        body.assign(buffer, end);
        // -0.0 and negatives that round to zero keep their sign, as printf's do.
        if (std::signbit(value) && body.front() != '-')
            body.insert(body.begin(), '-');
    }
    if (width < 0 || static_cast<std::size_t>(width) <= body.size())
        return body;
    const std::size_t padding = static_cast<std::size_t>(width) - body.size();
    if (!zeroPad)
        return std::string(padding, ' ') + body;
    const std::size_t signLength = body.front() == '-' ? 1 : 0;
    body.insert(signLength, padding, '0');
    return body;
}

bool NormaliseTypedNumber(std::string_view text, std::string& literal)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    std::string candidate(text);
    // A comma is the separator only where no point is; a second comma stays
    // behind and is refused below.
    if (candidate.find('.') == std::string::npos)
    {
        const std::size_t comma = candidate.find(',');
        if (comma != std::string::npos)
            candidate[comma] = '.';
    }

    std::size_t i = 0;
    if (i < candidate.size() && (candidate[i] == '+' || candidate[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < candidate.size() && IsDigit(candidate[i]))
        ++i, ++digits;
    if (i < candidate.size() && candidate[i] == '.')
    {
        ++i;
        while (i < candidate.size() && IsDigit(candidate[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < candidate.size() && (candidate[i] == 'e' || candidate[i] == 'E'))
    {
        ++i;
        if (i < candidate.size() && (candidate[i] == '+' || candidate[i] == '-'))
            ++i;
        std::size_t exponentDigits = 0;
        while (i < candidate.size() && IsDigit(candidate[i]))
            ++i, ++exponentDigits;
        if (exponentDigits == 0)
            return false;
    }
    if (i != candidate.size())
        return false;
    // The grammar above is what LeadingNumber reads whole; it also tells a
    // magnitude beyond a double's range, which is refused rather than stored.
    if (!std::isfinite(LeadingNumber(candidate)))
        return false;
    literal = std::move(candidate);
    return true;
}

bool ParseTypedNumber(std::string_view text, double& value)
{
    std::string literal;
    if (!NormaliseTypedNumber(text, literal))
        return false;
    value = LeadingNumber(literal);
    return true;
}

bool ReadStrictNumber(std::string_view text, char mark, bool exponent, double& value)
{
    auto white = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && white(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && white(text.back()))
        text.remove_suffix(1);
    std::size_t i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    const std::size_t start = i;
    std::size_t digits = 0;
    std::size_t markAt = std::string_view::npos;
    for (; i < text.size(); ++i)
    {
        if (IsDigit(text[i]))
            ++digits;
        else if (text[i] == mark && markAt == std::string_view::npos)
            markAt = i;
        else
            break;
    }
    if (digits == 0)
        return false;
    if (exponent && i < text.size() && (text[i] == 'e' || text[i] == 'E'))
    {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        std::size_t exponentDigits = 0;
        while (i < text.size() && IsDigit(text[i]))
            ++i, ++exponentDigits;
        if (exponentDigits == 0)
            return false;
    }
    if (i != text.size() || text.size() - start > 400)
        return false;
    // from_chars wants the point, and no sign of its own but the minus.
    char copy[401];
    std::memcpy(copy, text.data() + start, text.size() - start);
    if (markAt != std::string_view::npos)
        copy[markAt - start] = '.';
    double read = 0;
    const char* end = copy + (text.size() - start);
    const auto [stop, error] = std::from_chars(copy, end, read, std::chars_format::general);
    if (error != std::errc() || stop != end || !std::isfinite(read))
        return false;
    value = negative ? -read : read;
    return true;
}
