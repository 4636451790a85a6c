#pragma once

#include <string_view>

// Writes value into [first, last) as printf's "%.<decimals>f" writes it in the
// C locale: the exact binary value rounded to nearest, ties to even, a minus
// sign before every negative value (also one that rounds to zero), no
// padding. Returns the end of the text written, or nullptr when it does not
// fit. Values below 1e15 with up to 9 decimals whose digits fit 64 bits, as
// every coordinate's do, are written with integer arithmetic alone; the
// others through std::to_chars, which writes the same.
char* WriteFixed(char* first, char* last, double value, int decimals);

// Reads text that is a plain decimal number alone: an optional sign, digits,
// and a point (or, with decimalComma, a comma) with digits on both sides;
// 19 digits at most, of at most 2^53 as an integer with the point taken out.
// The value is that integer divided by a power of ten, one
// correctly rounded division, so it is the double from_chars reads. False,
// with value untouched, for any other text, which the caller reads the slow
// way: this path only speeds up the common case.
bool ReadPlainDecimal(std::string_view text, bool decimalComma, double& value);

// The same for a plain decimal at the start of [first, last), followed by
// anything: returns the end of the number read into value, or nullptr, with
// value untouched, when no plain decimal stands there (a point must have a
// digit after it; a longer number is declined, not read in part).
const char* ReadPlainDecimalPrefix(const char* first, const char* last, bool decimalComma, double& value);
