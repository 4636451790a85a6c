#include "CoordinateFormat.h"

#include <cmath>

#include "NumberText.h"

namespace {

// A typed number as the user meant it ("52,5" is 52.5); text that is none
// falls back to its leading number, which callers that convert refuse first
// (FirstInvalidField).
double FieldNumber(const std::string& text)
{
    double value = 0.0;
    if (ParseTypedNumber(text, value))
        return value;
    return LeadingNumber(text);
}

bool IsTypedNumber(const std::string& text)
{
    double ignored = 0.0;
    return ParseTypedNumber(text, ignored);
}

} // namespace

int FirstInvalidField(const CoordinateRow& row, bool gridForm, int displayMode)
{
    int used = 1;
    if (!gridForm && displayMode == ModeDegreesMinutes)
        used = 2;
    else if (!gridForm && displayMode == ModeDegreesMinutesSeconds)
        used = 3;
    const std::string* fields[] = {&row.first, &row.second, &row.third};
    for (int i = 0; i < used; ++i)
        if (!IsTypedNumber(*fields[i]))
            return i;
    return -1;
}

bool IsAltitudeText(const std::string& text)
{
    return IsTypedNumber(text);
}

double GetCoordinate(CoordinateRow& row, CoordinateAxis axis, bool gridForm, int displayMode)
{
    const double d = FieldNumber(row.first);
    const double m = FieldNumber(row.second);
    const double s = FieldNumber(row.third);
    if (gridForm)
        return d;

    // ASCII only: a locale's own case rules (a Turkish dotted I) must not change the letter.
    for (char& c : row.hemisphere)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    const char* negativeLetter = axis == AxisLatitude ? "S" : "W";
    const double sign = row.hemisphere == negativeLetter ? -1.0 : 1.0;

    switch (displayMode)
    {
    case ModeDegreesMinutesSeconds:
        return sign * (d + m / 60 + s / 3600);
    case ModeDegreesMinutes:
        return sign * (d + m / 60);
    case ModeDegrees:
        return sign * d;
    default:
        return 0.0;
    }
}

void SetCoordinate(CoordinateRow& row, CoordinateAxis axis, bool gridForm, int displayMode, double value)
{
    if (gridForm)
    {
        row.first = FormatFixed(value, 7, 3, true);
        return;
    }

    // -0 and 0 both show north or east.
    if (value < 0)
        row.hemisphere = axis == AxisLatitude ? "S" : "W";
    else
        row.hemisphere = axis == AxisLatitude ? "N" : "E";
    const double b = std::fabs(value);

    switch (displayMode)
    {
    case ModeDegrees:
        row.first = FormatFixed(b, 0, 6, false);
        break;
    case ModeDegreesMinutes:
    {
        const double D = std::floor(b);
        row.first = FormatFixed(D, 3, 0, true);
        row.second = FormatFixed((b - D) * 60, 2, 5, true);
        break;
    }
    case ModeDegreesMinutesSeconds:
    {
        const double D = std::floor(b);
        const double M = std::floor((b - D) * 60);
        row.first = FormatFixed(D, 3, 0, true);
        row.second = FormatFixed(M, 2, 0, true);
        double S = ((b - D) - M / 60) * 3600;
        // Rounding noise below a whole minute would print "-0.00" seconds.
        if (S < 0)
            S = 0;
        row.third = FormatFixed(S, 3, 2, true);
        break;
    }
    default:
        break;
    }
}

double ReadAltitude(const std::string& text)
{
    return FieldNumber(text);
}

std::string FormatAltitude(double altitude)
{
    return FormatFixed(altitude, 5, 2, true);
}

double CoordinateSide::Read(CoordinateAxis axis)
{
    return GetCoordinate(axis == AxisLatitude ? latitude : longitude, axis, IsGridForm(), displayMode);
}

void CoordinateSide::Write(CoordinateAxis axis, double value)
{
    SetCoordinate(axis == AxisLatitude ? latitude : longitude, axis, IsGridForm(), displayMode, value);
}
