#include "NumericLocale.h"

#include "NumberText.h"

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
    // A comma is the mark only where the caller allows one; either way a
    // number holds one mark.
    const char mark = decimalComma && text.find(',') != std::string_view::npos ? ',' : '.';
    return ReadStrictNumber(text, mark, false, value);
}
