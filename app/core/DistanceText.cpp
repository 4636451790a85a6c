#include "DistanceText.h"

#include <cmath>

#include "NumberText.h"

namespace {

std::string FormatDms(double x, const char* positive, const char* negative, int degreeWidth)
{
    const double v = std::fabs(x);
    const double D = std::floor(v);
    const double M = std::floor((v - D) * 60);
    double S = ((v - D) - M / 60) * 3600;
    // Where (v - D) * 60 rounds up onto a whole minute, S comes out a few
    // 1e-13 below zero and would print as "-0.00"; it is zero seconds.
    if (S < 0)
        S = 0;
    std::string text = x < 0 ? negative : positive;
    text += ' ';
    text += FormatFixed(D, degreeWidth, 0, true);
    text += '.';
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
