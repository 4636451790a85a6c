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

// Numbers as users type them into number boxes: the whole text, blanks
// around it aside, is an optional sign, digits with one decimal separator and
// an optional exponent ("-12.5e3"). The separator is "."; a text without one
// may use "," instead, as a desktop set to a comma locale types it ("52,5").
// Anything else ("ab1,2e5x", "1,2.5", "12 m", "", "inf") is no number, so
// nothing is ever read from a part of what was typed.

// The typed text as a number literal of the C locale ("3,5" gives "3.5",
// " -12.5e3 " gives "-12.5e3"); false, literal untouched, when the text is no
// number or its value is beyond the range of a double.
bool NormaliseTypedNumber(std::string_view text, std::string& literal);

// The value of a typed number; false, value untouched, as above.
bool ParseTypedNumber(std::string_view text, double& value);

// The text printf writes for "%<0><width>.<precision>f" in the C locale:
// zeroPad pads with zeros after the sign, otherwise with blanks in front;
// infinities and NaN are blank-padded as glibc does.
std::string FormatFixed(double value, int width, int precision, bool zeroPad);

// Numbers as data files and streams hold them, read one way everywhere: the
// whole text, white space around it aside, is one optional sign, digits
// with at most one decimal mark (mark: '.' or ','), and, when exponent is
// true, an exponent ("e-3"); the value a finite double. "+-1", "0x10",
// "inf", "nan", "1e999", "1.2.3" and a number with the other mark are no
// numbers. False, value untouched, for them.
bool ReadStrictNumber(std::string_view text, char mark, bool exponent, double& value);
