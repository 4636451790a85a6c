#pragma once

#include <locale.h>

// Switches the calling thread to the C locale's numbers while it lives, so
// that strtod, sscanf and printf use "." whatever locale the program set.
class CNumericLocale
{
public:
    CNumericLocale();
    ~CNumericLocale();
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    locale_t previous;
};

#include <string_view>

// The number at the start of text as strtod reads it in the C locale
// (leading white space, a sign, decimal or hexadecimal digits, inf, nan); 0
// when there is none.
double ReadLeadingNumber(std::string_view text);

// A number that is the whole of text (white space around it aside): an
// optional sign, decimal digits with at most one decimal point, or comma when
// decimalComma is set. No exponent, no hexadecimal, no inf or nan. False, with
// value untouched, for anything else, an empty text included.
bool ReadWholeNumber(std::string_view text, bool decimalComma, double& value);
