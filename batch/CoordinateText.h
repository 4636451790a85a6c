#pragma once

#include <string>

// Reads one text field of a batch text file as a signed angle in decimal
// degrees under a CoordinateFormat (0 DDD.DDDDDD, 1 DDD MM.MMM, 2 DDDMM.MMM,
// 3 DDD MM SS.SS, 4 DDDMMSS.SS). Hemisphere letters and signs may stand
// anywhere; any of S, W or "-" makes the value negative. The text is
// rewritten on the way. What cannot be read counts as 0.
double ParseCoordinateText(std::string& text, int coordinateFormat);
