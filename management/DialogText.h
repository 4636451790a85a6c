#pragma once

#include <QSettings>
#include <QString>
#include <string>

#include "CxString.h"

// Texts of the management dialogs: catalogue text is UTF-8, numbers are
// written with printf formats in the C locale and read with "." as the
// decimal point whatever the user's locale.
namespace DialogText {

inline QString FromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

inline std::string ToUtf8(const QString& text)
{
    return text.toStdString();
}

// One double through a printf format ("%lf", "%.8lf", "%.3lf", "%3.14lf").
inline QString Number(const char* format, double value)
{
    CCxString text;
    text.Format(format, value);
    return FromUtf8(text.str());
}

// The "EPSG" cell: shipped identifiers (up to 50000) as "%ld", users' rows
// empty.
inline QString EpsgCell(long id)
{
    if (id > 50000)
        return QString();
    CCxString text;
    text.Format("%ld", id);
    return FromUtf8(text.str());
}

// The leading decimal number of a text as strtod reads it in the C locale
// (blanks first, a sign, digits, a point, an exponent); 0 when there is none.
double LeadingNumber(const QString& text);

// What a user typed into a number box, judged whole: "." or a lone "," as
// the decimal separator, an optional exponent (NormaliseTypedNumber).
bool IsNumberText(const QString& text);
// The typed number as the literal SQL receives ("3,5" gives "3.5"); empty
// when the text is no number, which callers refuse before they get here.
std::string NumberLiteral(const QString& text);

// The per-user application profile, section "Preferences".
int ReadPreference(const char* name);
void WritePreference(const char* name, int value);

// The folder the file dialogs open in: the one of the file last chosen in
// any of them, else the user's home.
QString LastFolder();
// Remembers the folder of a chosen file (nothing for an empty path).
void RememberFolder(const QString& chosenFile);

} // namespace DialogText
