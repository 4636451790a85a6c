#include "CoordinateFormat.h"

#include <cmath>
#include <vector>

#include "NumberText.h"

namespace {

// A typed number as the user meant it ("52,5" is 52.5); text that is none
// falls back to its leading number, which callers that convert refuse first
// (CheckCoordinate).
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

// Above this the rounding to whole units of the last field would overflow;
// such values are no geographic coordinate and are written as they come.
constexpr double kLargestRounded = 1e9;

// Splits a magnitude into whole units and a remainder counted in `steps`
// parts of a unit, rounded once so the remainder never reaches a whole unit.
void SplitRounded(double magnitude, long long steps, double& whole, long long& parts)
{
    const long long total = std::llround(magnitude * static_cast<double>(steps));
    whole = static_cast<double>(total / steps);
    parts = total % steps;
}

double ReadOne(const std::array<double, 3>& f)
{
    return f[0];
}
double ReadMinutes(const std::array<double, 3>& f)
{
    return f[0] + f[1] / 60;
}
double ReadSeconds(const std::array<double, 3>& f)
{
    return f[0] + f[1] / 60 + f[2] / 3600;
}

void WriteGrid(CoordinateRow& row, double value)
{
    row.first = FormatFixed(value, 7, 3, true);
}

void WriteDegrees(CoordinateRow& row, double b)
{
    row.first = FormatFixed(b, 0, 6, false);
}

void WriteMinutes(CoordinateRow& row, double b)
{
    if (!(b < kLargestRounded))
    {
        row.first = FormatFixed(std::floor(b), 3, 0, true);
        row.second = FormatFixed(0, 2, 5, true);
        return;
    }
    // Minutes to five decimals: 6,000,000 steps a degree.
    double degrees = 0;
    long long parts = 0;
    SplitRounded(b, 6000000, degrees, parts);
    row.first = FormatFixed(degrees, 3, 0, true);
    row.second = FormatFixed(static_cast<double>(parts) / 100000, 2, 5, true);
}

void WriteSeconds(CoordinateRow& row, double b)
{
    if (!(b < kLargestRounded))
    {
        row.first = FormatFixed(std::floor(b), 3, 0, true);
        row.second = FormatFixed(0, 2, 0, true);
        row.third = FormatFixed(0, 3, 2, true);
        return;
    }
    // Seconds to two decimals: 360,000 steps a degree.
    double degrees = 0;
    long long parts = 0;
    SplitRounded(b, 360000, degrees, parts);
    row.first = FormatFixed(degrees, 3, 0, true);
    row.second = FormatFixed(static_cast<double>(parts / 6000), 2, 0, true);
    row.third = FormatFixed(static_cast<double>(parts % 6000) / 100, 3, 2, true);
}

constexpr FormChoice kReferenceSizes[] = {
    {"1 m", 1}, {"10 m", 10}, {"100 m", 100}, {"1 km", 1000}, {"10 km", 10000}, {"100 km", 100000},
};

constexpr FormChoice kGridReferenceSizes[] = {
    {"10 digits (1 m)", 1},    {"8 digits (10 m)", 10},   {"6 digits (100 m)", 100},
    {"4 digits (1 km)", 1000}, {"2 digits (10 km)", 10000}, {"letters only (100 km)", 100000},
};

constexpr FormChoice kUtmZones[] = {
    {"from the point", 0},
    {"1", 1},
    {"2", 2},
    {"3", 3},
    {"4", 4},
    {"5", 5},
    {"6", 6},
    {"7", 7},
    {"8", 8},
    {"9", 9},
    {"10", 10},
    {"11", 11},
    {"12", 12},
    {"13", 13},
    {"14", 14},
    {"15", 15},
    {"16", 16},
    {"17", 17},
    {"18", 18},
    {"19", 19},
    {"20", 20},
    {"21", 21},
    {"22", 22},
    {"23", 23},
    {"24", 24},
    {"25", 25},
    {"26", 26},
    {"27", 27},
    {"28", 28},
    {"29", 29},
    {"30", 30},
    {"31", 31},
    {"32", 32},
    {"33", 33},
    {"34", 34},
    {"35", 35},
    {"36", 36},
    {"37", 37},
    {"38", 38},
    {"39", 39},
    {"40", 40},
    {"41", 41},
    {"42", 42},
    {"43", 43},
    {"44", 44},
    {"45", 45},
    {"46", 46},
    {"47", 47},
    {"48", 48},
    {"49", 49},
    {"50", 50},
    {"51", 51},
    {"52", 52},
    {"53", 53},
    {"54", 54},
    {"55", 55},
    {"56", 56},
    {"57", 57},
    {"58", 58},
    {"59", 59},
    {"60", 60},
};

constexpr std::span<const FormChoice> kNoChoices;
constexpr std::array<const char*, 3> kReferenceField{"reference", "", ""};

constexpr DisplayForm kForms[] = {
    {ModeGrid, true, "", "", 1, {"", "", ""}, {160, 0, 0}, false, ReadOne, WriteGrid, MapNotation::None, "",
     kNoChoices},
    {ModeDegrees, false, "ModeDegrees", "dd.dddd", 1, {"degrees", "", ""}, {130, 0, 0}, true, ReadOne,
     WriteDegrees, MapNotation::None, "", kNoChoices},
    {ModeDegreesMinutes, false, "ModeDegreesMinutes", "dd mm.mmm", 2, {"degrees", "minutes", ""}, {40, 80, 0},
     true, ReadMinutes, WriteMinutes, MapNotation::None, "", kNoChoices},
    {ModeDegreesMinutesSeconds, false, "ModeDegreesMinutesSeconds", "dd mm ss.ss", 3,
     {"degrees", "minutes", "seconds"}, {40, 30, 40}, true, ReadSeconds, WriteSeconds, MapNotation::None, "",
     kNoChoices},
    // The reference forms have no button: the window lists them by the
    // notation's title. Their one text is read and written by CoordinateSide.
    {ModeMgrs, false, "", "MGRS", 1, kReferenceField, {250, 0, 0}, false, ReadOne, WriteGrid, MapNotation::Mgrs,
     "Precision:", kReferenceSizes},
    {ModeUsng, false, "", "USNG", 1, kReferenceField, {250, 0, 0}, false, ReadOne, WriteGrid, MapNotation::Usng,
     "Precision:", kReferenceSizes},
    {ModeUtm, false, "", "UTM/UPS", 1, kReferenceField, {250, 0, 0}, false, ReadOne, WriteGrid, MapNotation::Utm,
     "Zone:", kUtmZones},
    {ModeBritishGrid, true, "", "British National Grid reference", 1, kReferenceField, {250, 0, 0}, false,
     ReadOne, WriteGrid, MapNotation::BritishGrid, "Precision:", kGridReferenceSizes},
    {ModeIrishGrid, true, "", "Irish Grid reference", 1, kReferenceField, {250, 0, 0}, false, ReadOne, WriteGrid,
     MapNotation::IrishGrid, "Precision:", kGridReferenceSizes},
};

const std::string& Field(const CoordinateRow& row, int i)
{
    return i == 0 ? row.first : i == 1 ? row.second : row.third;
}

// The hemisphere letter, upper-cased in ASCII only: a locale's own case
// rules (a Turkish dotted I) must not change it.
std::string UpperLetter(const std::string& text)
{
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

const char* PositiveLetter(CoordinateAxis axis)
{
    return axis == AxisLatitude ? "N" : "E";
}

const char* NegativeLetter(CoordinateAxis axis)
{
    return axis == AxisLatitude ? "S" : "W";
}

RowRefusal Refuse(int field, std::string reason)
{
    return RowRefusal{field, std::move(reason)};
}

// Minutes and seconds count up from 0 to below 60 and carry no sign.
RowRefusal CheckSexagesimal(const CoordinateRow& row, const DisplayForm& form)
{
    for (int i = 1; i < form.fieldCount; ++i)
    {
        const double v = FieldNumber(Field(row, i));
        if (std::signbit(v) || v >= 60)
        {
            std::string reason(form.fieldNames[static_cast<std::size_t>(i)]);
            reason.append(" must be at least 0 and below 60");
            return Refuse(i, std::move(reason));
        }
    }
    return {};
}

RowRefusal CheckHemisphere(const CoordinateRow& row, CoordinateAxis axis, const DisplayForm& form)
{
    const std::string letter = UpperLetter(row.hemisphere);
    const bool latitude = axis == AxisLatitude;
    if (letter != PositiveLetter(axis) && letter != NegativeLetter(axis))
        return Refuse(kHemisphereField, latitude ? "the hemisphere must be N or S" : "the hemisphere must be E or W");
    if (std::signbit(FieldNumber(row.first)) && letter == PositiveLetter(axis))
        return Refuse(0, latitude ? "a minus sign means S, but the hemisphere says N"
                                  : "a minus sign means W, but the hemisphere says E");
    if (axis == AxisLatitude)
    {
        std::array<double, 3> f{};
        for (int i = 0; i < form.fieldCount; ++i)
            f[static_cast<std::size_t>(i)] = std::fabs(FieldNumber(Field(row, i)));
        if (form.read(f) > 90)
            return Refuse(0, "a latitude is at most 90 degrees");
    }
    return {};
}

// A reference form keeps its text in the row's first text: the latitude row
// is checked, the longitude row says nothing more.
RowRefusal CheckReference(const CoordinateRow& row, CoordinateAxis axis, const DisplayForm& form)
{
    if (axis != AxisLatitude)
        return {};
    double x = 0, y = 0;
    std::string why;
    if (!ParseNotation(form.notation, row.first, x, y, why))
        return Refuse(0, why);
    return {};
}

double ReadReference(const CoordinateRow& row, CoordinateAxis axis, const DisplayForm& form)
{
    double x = 0, y = 0;
    std::string why;
    if (!ParseNotation(form.notation, row.first, x, y, why))
        return 0.0;
    return axis == AxisLatitude ? y : x;
}

} // namespace

std::span<const DisplayForm> DisplayForms()
{
    return kForms;
}

const DisplayForm* FindDisplayForm(int mode)
{
    for (const DisplayForm& form : kForms)
        if (form.mode == mode)
            return &form;
    return nullptr;
}

const DisplayForm* SideForm(bool gridForm, int displayMode)
{
    const DisplayForm* form = FindDisplayForm(displayMode);
    if (gridForm)
        return form != nullptr && form->grid ? form : FindDisplayForm(ModeGrid);
    return form != nullptr && !form->grid ? form : nullptr;
}

bool IsSideForm(bool gridForm, int displayMode)
{
    const DisplayForm* form = SideForm(gridForm, displayMode);
    return form != nullptr && form->mode == displayMode;
}

const DisplayForm* ReferenceForm(int displayMode)
{
    const DisplayForm* form = FindDisplayForm(displayMode);
    return form != nullptr && form->notation != MapNotation::None ? form : nullptr;
}

int FirstInvalidField(const CoordinateRow& row, bool gridForm, int displayMode)
{
    const DisplayForm* form = SideForm(gridForm, displayMode);
    const int used = form != nullptr ? form->fieldCount : 1;
    for (int i = 0; i < used; ++i)
        if (!IsTypedNumber(Field(row, i)))
            return i;
    return -1;
}

bool IsAltitudeText(const std::string& text)
{
    return IsTypedNumber(text);
}

RowRefusal CheckCoordinate(const CoordinateRow& row, CoordinateAxis axis, bool gridForm, int displayMode)
{
    const DisplayForm* form = SideForm(gridForm, displayMode);
    if (form == nullptr)
        return Refuse(0, "the display form is not one of the window's");
    if (form->notation != MapNotation::None)
        return CheckReference(row, axis, *form);
    const int invalid = FirstInvalidField(row, gridForm, displayMode);
    if (invalid >= 0)
        return Refuse(invalid, "not a number");
    if (!form->hemisphere)
        return {};
    if (RowRefusal refusal = CheckSexagesimal(row, *form))
        return refusal;
    return CheckHemisphere(row, axis, *form);
}

double GetCoordinate(CoordinateRow& row, CoordinateAxis axis, bool gridForm, int displayMode)
{
    const DisplayForm* form = SideForm(gridForm, displayMode);
    if (form == nullptr)
        return 0.0;
    if (form->notation != MapNotation::None)
        return ReadReference(row, axis, *form);
    std::array<double, 3> f{};
    for (int i = 0; i < form->fieldCount; ++i)
        f[static_cast<std::size_t>(i)] = FieldNumber(Field(row, i));
    if (!form->hemisphere)
        return form->read(f);

    row.hemisphere = UpperLetter(row.hemisphere);
    const bool negative = row.hemisphere == NegativeLetter(axis) || std::signbit(f[0]);
    for (double& v : f)
        v = std::fabs(v);
    const double magnitude = form->read(f);
    return negative ? -magnitude : magnitude;
}

void SetCoordinate(CoordinateRow& row, CoordinateAxis axis, bool gridForm, int displayMode, double value)
{
    const DisplayForm* form = SideForm(gridForm, displayMode);
    if (form != nullptr && form->notation != MapNotation::None)
        return;
    if (form != nullptr && !form->hemisphere)
    {
        form->write(row, value);
        return;
    }
    // -0 and 0 both show north or east.
    row.hemisphere.assign(1, *(value < 0 ? NegativeLetter(axis) : PositiveLetter(axis)));
    if (form != nullptr)
        form->write(row, std::fabs(value));
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
    const DisplayForm* form = SideForm(IsGridForm(), displayMode);
    const bool reference = form != nullptr && form->notation != MapNotation::None;
    return GetCoordinate(axis == AxisLatitude || reference ? latitude : longitude, axis, IsGridForm(), displayMode);
}

void CoordinateSide::Write(CoordinateAxis axis, double value)
{
    const DisplayForm* form = SideForm(IsGridForm(), displayMode);
    if (form == nullptr || form->notation == MapNotation::None)
    {
        SetCoordinate(axis == AxisLatitude ? latitude : longitude, axis, IsGridForm(), displayMode, value);
        return;
    }
    // The text needs both values: each write gives the text of the point
    // the two last writes name.
    written[axis == AxisLatitude ? 0 : 1] = value;
    writeRefusal.clear();
    if (!FormatNotation(form->notation, written[1], written[0], style, writtenText, writeRefusal))
    {
        writtenText.clear();
        if (writeRefusal.empty())
            writeRefusal = "the point has no reference";
    }
    latitude.first = writtenText;
}

void CoordinateSide::ChangeStyle(int choice)
{
    const DisplayForm* form = SideForm(IsGridForm(), displayMode);
    if (form == nullptr || form->notation == MapNotation::None)
        return;
    double x = written[1], y = written[0];
    std::string why;
    (form->notation == MapNotation::Utm ? style.utmZone : style.referenceMetres) = choice;
    // A typed text that is no reference is left for the user to see.
    if (latitude.first != writtenText && !ParseNotation(form->notation, latitude.first, x, y, why))
        return;
    written = {y, x};
    Write(AxisLatitude, written[0]);
    Write(AxisLongitude, written[1]);
}

std::string ReferenceFormRefusal(const DisplayForm& form, const CoordinateSide& side,
                                 const CCfgMapProjection& record, std::string& remark)
{
    remark.clear();
    const std::string title = NotationTitle(form.notation);
    if (form.grid && !side.IsGridForm())
        return title + " stands for an easting and northing: choose its grid for this side";
    if (!form.grid && side.IsGridForm())
        return title + " stands for a latitude and longitude: choose a datum alone for this side";
    if (!form.grid && side.datumId == 0)
        return title + " needs the side's datum";
    const NotationFit fit = NotationApplies(form.notation, side.gridId, record);
    if (!fit.applies)
        return title + " is not offered here: " + fit.why;
    remark = fit.remark;
    return std::string();
}

namespace {

struct PastedValue
{
    std::vector<std::string> numbers;
    std::string letter;
};

// Splits pasted text into values: numbers separated by blanks, degree,
// minute and second marks, a comma followed by a blank or a semicolon; a
// hemisphere letter ends the value it follows.
std::vector<PastedValue> SplitPasted(const std::string& text, bool& letters)
{
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool separatorComma = c == ',' && (i + 1 == text.size() || text[i + 1] == ' ');
        if (c >= 0x80 || c == '\'' || c == '"' || c == ';' || separatorComma || c == '\t')
            plain += ' ';
        else
            plain += static_cast<char>(c);
        if (separatorComma || c == ';')
            plain += '|';
    }
    std::vector<PastedValue> values(1);
    letters = false;
    std::size_t at = 0;
    while (at < plain.size())
    {
        if (plain[at] == ' ')
        {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < plain.size() && plain[end] != ' ' && plain[end] != '|')
            ++end;
        if (plain[at] == '|')
        {
            if (!values.back().numbers.empty())
                values.emplace_back();
            at += 1;
            continue;
        }
        std::string token = plain.substr(at, end - at);
        // A letter glued to its number: "51.5N".
        const char last = static_cast<char>(token.back() & ~0x20);
        std::string letter;
        if (token.size() > 1 && (last == 'N' || last == 'S' || last == 'E' || last == 'W'))
        {
            letter = std::string(1, last);
            token.pop_back();
        }
        else if (token.size() == 1 && (last == 'N' || last == 'S' || last == 'E' || last == 'W'))
        {
            letter = std::string(1, last);
            token.clear();
        }
        if (!token.empty())
            values.back().numbers.push_back(token);
        if (!letter.empty())
        {
            letters = true;
            values.back().letter = letter;
            values.emplace_back();
        }
        at = end;
    }
    while (!values.empty() && values.back().numbers.empty() && values.back().letter.empty())
        values.pop_back();
    return values;
}

// Two values without letters written as one run of numbers: split in halves.
void SplitRun(std::vector<PastedValue>& values)
{
    if (values.size() != 1 || values[0].numbers.size() % 2 != 0)
        return;
    const auto half = static_cast<std::ptrdiff_t>(values[0].numbers.size() / 2);
    PastedValue second;
    second.numbers.assign(values[0].numbers.begin() + half, values[0].numbers.end());
    values[0].numbers.resize(static_cast<std::size_t>(half));
    values.push_back(second);
}

bool ReadPastedValue(const PastedValue& v, CoordinateAxis axis, double& value, std::string& reason)
{
    const char* name = axis == AxisLatitude ? "the latitude" : "the longitude";
    if (v.numbers.empty() || v.numbers.size() > 3)
    {
        reason = std::string(name) + " is not one to three numbers";
        return false;
    }
    CoordinateRow row{v.numbers[0], v.numbers.size() > 1 ? v.numbers[1] : "",
                      v.numbers.size() > 2 ? v.numbers[2] : "", v.letter};
    // Without a letter the sign says the hemisphere.
    if (row.hemisphere.empty())
        row.hemisphere = std::signbit(FieldNumber(row.first)) ? NegativeLetter(axis) : PositiveLetter(axis);
    const int mode = static_cast<int>(v.numbers.size());
    if (const RowRefusal refusal = CheckCoordinate(row, axis, false, mode))
    {
        reason = std::string(name) + ": " + refusal.reason;
        return false;
    }
    value = GetCoordinate(row, axis, false, mode);
    return true;
}

} // namespace

bool ReadPastedCoordinate(const std::string& text, bool gridForm, double& latitude, double& longitude,
                          std::string& reason)
{
    bool letters = false;
    std::vector<PastedValue> values = SplitPasted(text, letters);
    if (!letters)
        SplitRun(values);
    if (values.size() != 2)
    {
        reason = "it is not two values";
        return false;
    }
    if (gridForm)
    {
        double easting = 0, northing = 0;
        if (letters || values[0].numbers.size() != 1 || values[1].numbers.size() != 1 ||
            !ParseTypedNumber(values[0].numbers[0], easting) || !ParseTypedNumber(values[1].numbers[0], northing))
        {
            reason = "a grid coordinate is an easting and a northing, two numbers";
            return false;
        }
        latitude = northing;
        longitude = easting;
        return true;
    }
    // The letters say which value is the latitude; without them it comes first.
    const bool swapped = letters && (values[0].letter == "E" || values[0].letter == "W");
    const PastedValue& lat = values[swapped ? 1 : 0];
    const PastedValue& lon = values[swapped ? 0 : 1];
    if (letters && (lat.letter != "N" && lat.letter != "S"))
    {
        reason = "one value must carry N or S and the other E or W";
        return false;
    }
    if (letters && (lon.letter != "E" && lon.letter != "W"))
    {
        reason = "one value must carry N or S and the other E or W";
        return false;
    }
    return ReadPastedValue(lat, AxisLatitude, latitude, reason) &&
           ReadPastedValue(lon, AxisLongitude, longitude, reason);
}

const DisplayForm* ReadPastedReference(const std::string& text, double& latitude, double& longitude,
                                       int& referenceMetres)
{
    // The grammars do not overlap: MGRS and USNG a zone and band (or a polar
    // letter) with two square letters, UTM a zone and N or S with two
    // numbers, the British grid two letters, the Irish one.
    // Copied text often brings a line end or blanks around it.
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    const std::string trimmed =
        first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
    const bool blanks = trimmed.find_first_of(" \t") != std::string::npos;
    for (int mode : {blanks ? ModeUsng : ModeMgrs, ModeUtm, ModeBritishGrid, ModeIrishGrid})
    {
        const DisplayForm* form = FindDisplayForm(mode);
        double x = 0, y = 0;
        std::string why;
        if (!ParseNotation(form->notation, trimmed, x, y, why))
            continue;
        latitude = y;
        longitude = x;
        // The precision is the one whose reference of the point read names
        // the same square.
        referenceMetres = 1;
        for (const FormChoice& size : form->choices)
        {
            NotationStyle style;
            style.referenceMetres = size.value;
            std::string again;
            double ax = 0, ay = 0;
            if (mode != ModeUtm && FormatNotation(form->notation, x, y, style, again, why) &&
                ParseNotation(form->notation, again, ax, ay, why) && ax == x && ay == y)
                referenceMetres = size.value;
        }
        return form;
    }
    return nullptr;
}
