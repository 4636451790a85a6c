#include "NumericLocale.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <string>

namespace {

locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

} // namespace

CNumericLocale::CNumericLocale() : previous(uselocale(CLocale()))
{
}

CNumericLocale::~CNumericLocale()
{
    uselocale(previous);
}

double ReadLeadingNumber(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r')))
        ++at;
    const bool plus = at < text.size() && text[at] == '+';
    const std::size_t digits = plus ? at + 1 : at;
    std::size_t mantissa = digits;
    if (mantissa < text.size() && text[mantissa] == '-')
        ++mantissa;
    const bool hexadecimal =
        mantissa + 1 < text.size() && text[mantissa] == '0' && (text[mantissa + 1] | 0x20) == 'x';
    const bool doubleSign = plus && mantissa != digits;
    // from_chars reads what strtod reads, except a plus sign, hexadecimal
    // and values out of range; those go to strtod itself.
    if (!hexadecimal && !doubleSign)
    {
        double value = 0;
        const auto result = std::from_chars(text.data() + digits, text.data() + text.size(), value);
        if (result.ec == std::errc())
            return value;
        if (result.ec == std::errc::invalid_argument)
            return 0;
    }
    const std::string copy(text);
    CNumericLocale numbers;
    return std::strtod(copy.c_str(), nullptr);
}

bool ReadWholeNumber(std::string_view text, bool decimalComma, double& value)
{
    auto white = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && white(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && white(text.back()))
        text.remove_suffix(1);
    // One sign at most; from_chars reads the minus itself.
    std::size_t at = 0;
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    else if (!text.empty() && text.front() == '-')
        at = 1;
    std::size_t digits = 0;
    std::size_t mark = std::string_view::npos;
    for (; at < text.size(); ++at)
    {
        const char c = text[at];
        if (c >= '0' && c <= '9')
            ++digits;
        else if ((c == '.' || (decimalComma && c == ',')) && mark == std::string_view::npos)
            mark = at;
        else
            return false;
    }
    if (digits == 0)
        return false;
    // A comma is a decimal point spelt otherwise; from_chars wants the point.
    char copy[128];
    if (mark != std::string_view::npos && text[mark] == ',')
    {
        if (text.size() > sizeof copy)
            return false;
        std::memcpy(copy, text.data(), text.size());
        copy[mark] = '.';
        text = std::string_view(copy, text.size());
    }
    double read = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), read, std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(read))
        return false;
    value = read;
    return true;
}
