#pragma once

#include <string>

// Reads one text field of a batch text file as a signed angle in decimal
// degrees under a CoordinateFormat (0 DDD.DDDDDD, 1 DDD MM.MMM, 2 DDDMM.MMM,
// 3 DDD MM SS.SS, 4 DDDMMSS.SS). Hemisphere letters and signs may stand
// anywhere; any of S, W or "-" makes the value negative. The text is
// rewritten on the way. What cannot be read counts as 0.
double ParseCoordinateText(std::string& text, int coordinateFormat);

#include <string_view>

// Which coordinate a field holds: a hemisphere letter of the other one (E or
// W on a latitude, N or S on a longitude) makes the field unreadable.
enum CoordinateAxis
{
    kAxisLongitude = 0,
    kAxisLatitude = 1,
};

// Reads one whole field as a signed angle in decimal degrees under a
// CoordinateFormat, or says it cannot: unlike ParseCoordinateText, nothing in
// the field is skipped. Allowed besides the numbers of the format are blanks,
// degree, minute and second marks (° º ' " ′ ″ :) and one sign or hemisphere
// letter, before or after. Degrees have at most three digits and no fraction
// when minutes follow; minutes and seconds stay below 60; minutes with a
// fraction are read as a decimal number whatever its number of digits. With
// decimalComma a comma may stand for the decimal point. Empty text, a second
// sign, other letters, an exponent, inf or nan give false and leave value as
// it was.
bool ReadCoordinateField(std::string_view field, int coordinateFormat, int axis, bool decimalComma, double& value);
