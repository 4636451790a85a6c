#pragma once

// Writes value into [first, last) as printf's "%.<decimals>f" writes it in the
// C locale: the exact binary value rounded to nearest, ties to even, a minus
// sign before every negative value (also one that rounds to zero), no
// padding. Returns the end of the text written, or nullptr when it does not
// fit. Values of up to 1e15 with up to 9 decimals are written with integer
// arithmetic alone; the others through std::to_chars, which writes the same.
char* WriteFixed(char* first, char* last, double value, int decimals);
