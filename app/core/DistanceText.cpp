#include "DistanceText.h"

#include <cmath>

#include "NumberText.h"

namespace {

std::string FormatDms(double x, const char* positive, const char* negative, int degreeWidth)
{
    const double v = std::fabs(x);
    // Rounded once to hundredths of a second, so no field shows 60.
    const long long hundredths = std::llround(v * 360000);
    const double D = static_cast<double>(hundredths / 360000);
    const double M = static_cast<double>(hundredths % 360000 / 6000);
    const double S = static_cast<double>(hundredths % 6000) / 100;
    std::string text = x < 0 ? negative : positive;
    text += ' ';
    text += FormatFixed(D, degreeWidth, 0, true);
    text += "\u00b0";
    text += FormatFixed(M, 2, 0, true);
    text += '\'';
    text += FormatFixed(S, 5, 2, true);
    text += '"';
    return text;
}

} // namespace

std::string FormatLatitudeDms(double latitude)
{
    return FormatDms(latitude, "N", "S", 2);
}

std::string FormatLongitudeDms(double longitude)
{
    return FormatDms(longitude, "E", "W", 3);
}

std::string FormatDistance(double metres)
{
    if (metres >= 1000)
        return FormatFixed(metres / 1000, 3, 2, false) + " Kilometres";
    return FormatFixed(metres, 3, 0, false) + " Metres";
}

std::string FormatAzimuth(double degrees)
{
    return FormatFixed(degrees, 3, 1, false);
}

std::string FormatAzimuth(const std::optional<double>& degrees)
{
    return degrees ? FormatAzimuth(*degrees) : kNoAzimuth;
}
