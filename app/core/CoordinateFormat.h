#pragma once

#include <array>
#include <span>
#include <string>

#include "MapNotation.h"

// How one side of the main window shows and reads its coordinate. The
// numbers are kept in configuration files; a new form takes the next one.
enum DisplayMode
{
    ModeGrid = 0,                  // northing and easting in the grid's unit
    ModeDegrees = 1,               // "dd.dddd"
    ModeDegreesMinutes = 2,        // "dd mm.mmm"
    ModeDegreesMinutesSeconds = 3, // "dd mm ss.ss"
    // References read off maps, one text each: the three on the WGS 84 grid
    // stand for latitude and longitude of a side without a grid, the two
    // national grid references for a grid side's easting and northing.
    ModeMgrs = 4,         // "31UFT3729462926"
    ModeUsng = 5,         // "31U FT 37294 62926"
    ModeUtm = 6,          // "31N 637294.366 5762926.813"
    ModeBritishGrid = 7,  // "TQ 30043 80358"
    ModeIrishGrid = 8,    // "O 15904 34671"
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

// The index of the hemisphere text among a row's fields.
constexpr int kHemisphereField = 3;

// Why a row cannot be read: the field (0 to 2 the numbers, kHemisphereField
// the letter) and the reason, as a sentence fragment; field -1 when it can.
struct RowRefusal
{
    int field = -1;
    std::string reason;
    explicit operator bool() const { return field >= 0; }
};

// One of the values a reference form offers beside its text: a precision
// (metres of the square) or a UTM zone (0 takes it from the point).
struct FormChoice
{
    const char* text;
    int value;
};

// One display form of a side: what the window shows for it and how its
// texts are read and written. A new form is one more entry of DisplayForms().
struct DisplayForm
{
    int mode;                 // DisplayMode; what configuration files keep
    bool grid;                // northing and easting of a grid, or geographic
    const char* buttonName;   // object name of its button after the side's prefix; empty for none
    const char* buttonText;   // the button's caption
    int fieldCount;           // number fields it reads, 1 to 3
    std::array<const char*, 3> fieldNames; // as messages and screen readers name them
    std::array<int, 3> widths;             // pixel widths of the number fields
    bool hemisphere;          // whether a hemisphere letter follows the numbers
    // Reads the number fields (already checked as numbers and in range) to
    // the magnitude in degrees, or the grid value.
    double (*read)(const std::array<double, 3>& fields);
    // Writes a non-negative magnitude (any value for a grid) into the number texts.
    void (*write)(CoordinateRow& row, double magnitude);
    // A reference form: the notation its one text is written in (kept in the
    // latitude row's first text); None for the number forms.
    MapNotation notation;
    // What the reference form offers beside its text, as the label names it
    // ("Precision:", "Zone:"), and the values; no choices for a number form.
    const char* choiceLabel;
    std::span<const FormChoice> choices;
};

// Every form, grid first; the window shows a button for each form with one.
std::span<const DisplayForm> DisplayForms();
// The form of a mode; nullptr for a mode no form has.
const DisplayForm* FindDisplayForm(int mode);
// The form a side shows: on a grid side the grid reference form of its mode,
// otherwise the grid form whatever mode holds; on a side without a grid the
// geographic form of its mode, nullptr for any other mode.
const DisplayForm* SideForm(bool gridForm, int displayMode);
// Whether a side of that kind shows that very mode (no fallback to the grid form).
bool IsSideForm(bool gridForm, int displayMode);
// The reference form a mode names; nullptr for a number form or no form.
const DisplayForm* ReferenceForm(int displayMode);

// The first of the fields a form reads (0 first, 1 second, 2 third) whose
// text is not a typed number as a whole (NormaliseTypedNumber: "52,5" and
// "-12.5e3" are, "ab1" and "12 m" are not); -1 when all are.
int FirstInvalidField(const CoordinateRow& row, bool gridForm, int displayMode);
// Whether an altitude text is a typed number as a whole.
bool IsAltitudeText(const std::string& text);

// What stops a row from being read under its form: a field that is no
// number, minutes or seconds outside 0 to below 60 or with a sign, a
// hemisphere letter other than N/S (latitude) or E/W (longitude) in either
// case, a minus sign on the degrees with the letter of the other hemisphere,
// or a latitude beyond 90 degrees. A minus sign with the letter of its own
// hemisphere (-52 S) says the same thing twice and is read as 52 S.
RowRefusal CheckCoordinate(const CoordinateRow& row, CoordinateAxis axis, bool gridForm, int displayMode);

// Reads a row under a form: grid form when gridForm is set (whatever mode
// holds), otherwise displayMode 1, 2 or 3; any other mode reads 0. The
// hemisphere text is upper-cased in place. South and west are negative, by
// the letter or by a minus sign on the degrees; either applies to the whole
// value. Rows CheckCoordinate refuses read as well as they can (the window
// saves what it holds on closing), never as a silent half. A reference form
// reads the reference in the row's first text (the latitude row holds it):
// the centre of its square, latitude or northing for AxisLatitude, longitude
// or easting for AxisLongitude; 0 for a text that is no reference.
double GetCoordinate(CoordinateRow& row, CoordinateAxis axis, bool gridForm, int displayMode);

// Writes value into a row under a form, with the formats the window shows:
// grid "%07.3lf"; mode 1 "%lf"; mode 2 "%03.0lf" and "%02.5lf"; mode 3
// "%03.0lf", "%02.0lf" and "%03.2lf". The value is rounded to the last
// field's resolution first, so a last field never shows 60. A reference form
// needs both values and is written by CoordinateSide::Write; here nothing.
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
    // A reference form: its precision and UTM zone, the point last written
    // (latitude or northing, longitude or easting) with the text written for
    // it, and why the last write could not give a reference (the text is then
    // empty; empty when it could).
    NotationStyle style;
    std::array<double, 2> written{0.0, 0.0};
    std::string writtenText;
    std::string writeRefusal;

    bool IsGridForm() const { return gridId != 0; }
    // A reference form reads its text, the centre of the square it names
    // (0 for a text that is no reference), and writes the text of the point
    // its two writes give.
    double Read(CoordinateAxis axis);
    void Write(CoordinateAxis axis, double value);
    // Another choice of a reference form (its precision, or UTM's zone): the point last written
    // is written again when the text is still its text (a coarser reference
    // and back gives the first again), otherwise the point the text names; a
    // typed text that is no reference stays as it is.
    void ChangeStyle(int choice);
};

// Why a reference form cannot be used on a side whose record is given:
// its kind (grid or not) and NotationApplies. Empty when it can; remark then
// holds what the user should know.
std::string ReferenceFormRefusal(const DisplayForm& form, const CoordinateSide& side,
                                 const CCfgMapProjection& record, std::string& remark);

// Reads a coordinate pasted as text: "51.5072, -0.1276", "51°30′26″N 0°7′39″W",
// "52 30 30 N 4 30 0 E", or a grid's "easting, northing". Where hemisphere
// letters are given they say which value is which; otherwise geographic text
// is latitude first, as people write it, and grid text easting first. Each
// value is one to three numbers (degrees, minutes, seconds) read under the
// same rules as the fields. False with the reason when the text is none.
bool ReadPastedCoordinate(const std::string& text, bool gridForm, double& latitude, double& longitude,
                          std::string& reason);

// A pasted reference ("31U FT 37294 62926", "31N 637294 5762926",
// "TQ 30043 80358", "O 15904 34671"): the reference form it is written in,
// the point it names (latitude or northing, longitude or easting), and its
// precision; nullptr when the text is none of the notations.
const DisplayForm* ReadPastedReference(const std::string& text, double& latitude, double& longitude,
                                       int& referenceMetres);
