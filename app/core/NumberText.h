#pragma once

#include <string>
#include <string_view>

// Numbers as the window reads and writes them: "." is the decimal point
// whatever the user's locale, so a configuration, a conversion and a typed
// coordinate mean the same on every machine.

// The longest prefix of text that reads as a decimal number (leading blanks,
// an optional sign, digits with an optional ".", an optional exponent); 0 when
// the text has none. Words such as "inf", "nan" or hexadecimal forms are not
// numbers here. A magnitude beyond the range of a double reads as an infinity,
// one below it as zero, as strtod does.
double LeadingNumber(std::string_view text);

// The text printf writes for "%<0><width>.<precision>f" in the C locale:
// zeroPad pads with zeros after the sign, otherwise with blanks in front;
// infinities and NaN are blank-padded as glibc does.
std::string FormatFixed(double value, int width, int precision, bool zeroPad);
