#pragma once

#include <string>

// How one side of the main window shows and reads its coordinate.
enum DisplayMode
{
    ModeGrid = 0,                  // northing and easting in the grid's unit
    ModeDegrees = 1,               // "dd.dddd"
    ModeDegreesMinutes = 2,        // "dd mm.mmm"
    ModeDegreesMinutesSeconds = 3, // "dd mm ss.ss"
};

// The latitude row holds latitude or northing, the longitude row longitude or easting.
enum CoordinateAxis
{
    AxisLatitude,
    AxisLongitude,
};

// The four texts of one row: degrees (or decimal degrees, or the whole
// northing or easting), minutes, seconds and the hemisphere letter. Texts a
// form does not use keep what they held.
struct CoordinateRow
{
    std::string first;
    std::string second;
    std::string third;
    std::string hemisphere;
};

// The first of the fields a form reads (0 first, 1 second, 2 third) whose
// text is not a typed number as a whole (NormaliseTypedNumber: "52,5" and
// "-12.5e3" are, "ab1" and "12 m" are not); -1 when all are. Grid form and
// mode 1 read the first field, mode 2 two, mode 3 three.
int FirstInvalidField(const CoordinateRow& row, bool gridForm, int displayMode);
// Whether an altitude text is a typed number as a whole.
bool IsAltitudeText(const std::string& text);

// Reads a row under a form: grid form when gridForm is set (whatever mode
// holds), otherwise displayMode 1, 2 or 3; any other mode reads 0. The
// hemisphere text is upper-cased in place; only "S" on the latitude row and
// "W" on the longitude row make the value negative, and that sign applies to
// the whole sum while a minus typed into the degrees stays on the degrees.
double GetCoordinate(CoordinateRow& row, CoordinateAxis axis, bool gridForm, int displayMode);

// Writes value into a row under a form, with the formats the window shows:
// grid "%07.3lf"; mode 1 "%lf"; mode 2 "%03.0lf" and "%02.5lf"; mode 3
// "%03.0lf", "%02.0lf" and "%03.2lf". Minutes and seconds are cut by floor and
// the last field is rounded with no carry into the one before it.
void SetCoordinate(CoordinateRow& row, CoordinateAxis axis, bool gridForm, int displayMode, double value);

// Fields are read as typed numbers, with "." or a lone "," as the decimal
// separator; a text that is none reads as its leading number.
// Altitudes: read the same way, written with "%05.2lf".
double ReadAltitude(const std::string& text);
std::string FormatAltitude(double altitude);

// Everything one side of the window keeps: its ids, its mode and its texts,
// with the values the window starts with.
struct CoordinateSide
{
    int datumId = 0;
    int gridId = 0; // nonzero puts the side in grid form
    int displayMode = ModeDegreesMinutesSeconds;
    CoordinateRow latitude{"000", "00", "000", "N"};
    CoordinateRow longitude{"000", "00", "000", "E"};
    std::string altitude = "0.0";

    bool IsGridForm() const { return gridId != 0; }
    double Read(CoordinateAxis axis);
    void Write(CoordinateAxis axis, double value);
};
