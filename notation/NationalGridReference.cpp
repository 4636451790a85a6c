#include "NationalGridReference.h"

#include <cmath>

#include "ReferenceText.h"

namespace {

// Twenty-five letters, I left out, read row by row from the north-west.
constexpr char kLetters[] = "ABCDEFGHJKLMNOPQRSTUVWXYZ";

// The letter of the square at column col (from the west) and row (from the
// south) of a five by five block.
char LetterAt(long long col, long long row)
{
    return kLetters[(4 - row) * 5 + col];
}

// Column and row (from the south) of a letter; false for I and non-letters.
bool LetterPlace(char letter, long long& col, long long& row)
{
    for (int k = 0; k < 25; ++k)
        if (kLetters[k] == letter)
        {
            col = k % 5;
            row = 4 - k / 5;
            return true;
        }
    return false;
}

// British 500 km squares: S, whose south-west corner is the false origin,
// stands at column 2, row 1 of its block.
constexpr long long kOriginColumn500 = 2;
constexpr long long kOriginRow500 = 1;

long long FloorDiv(long long a, long long b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

const CNationalGridReference& CNationalGridReference::British()
{
    // The National Grid covers 700 km by 1300 km from its false origin.
    static const CNationalGridReference grid("British National Grid", 2, 700000, 1300000);
    return grid;
}

const CNationalGridReference& CNationalGridReference::Irish()
{
    // The Irish Grid's 25 squares of 100 km cover 500 km by 500 km.
    static const CNationalGridReference grid("Irish Grid", 1, 500000, 500000);
    return grid;
}

bool CNationalGridReference::SquareLetters(long long east100, long long north100, std::string& text) const
{
    text.clear();
    if (letters == 1)
    {
        text += LetterAt(east100, north100);
        return true;
    }
    const long long col500 = FloorDiv(east100, 5) + kOriginColumn500;
    const long long row500 = FloorDiv(north100, 5) + kOriginRow500;
    if (col500 < 0 || col500 > 4 || row500 < 0 || row500 > 4)
        return false;
    text += LetterAt(col500, row500);
    text += LetterAt(east100 - FloorDiv(east100, 5) * 5, north100 - FloorDiv(north100, 5) * 5);
    return true;
}

bool CNationalGridReference::SquareCorner(const std::string& text, long long& east100, long long& north100,
                                          std::string& why) const
{
    if (static_cast<int>(text.size()) != letters)
    {
        why = std::string("a ") + name + " reference has " + (letters == 1 ? "one letter" : "two letters") +
              ", not " + std::to_string(text.size());
        return false;
    }
    long long col = 0, row = 0;
    for (char c : text)
        if (!LetterPlace(c, col, row))
        {
            why = std::string("the letter ") + c + " is not used in " + name + " references";
            return false;
        }
    LetterPlace(text.back(), col, row);
    east100 = col;
    north100 = row;
    if (letters == 2)
    {
        long long col500 = 0, row500 = 0;
        LetterPlace(text.front(), col500, row500);
        east100 += (col500 - kOriginColumn500) * 5;
        north100 += (row500 - kOriginRow500) * 5;
    }
    return true;
}

bool CNationalGridReference::Format(double easting, double northing, int digits, std::string& text,
                                    std::string& why) const
{
    if (!std::isfinite(easting) || !std::isfinite(northing))
    {
        why = "the position is not a number";
        return false;
    }
    if (digits < 0 || digits > 5)
    {
        why = "references have 0 to 5 digits each for easting and northing";
        return false;
    }
    // References name the square the point lies in: the metres are cut, not
    // rounded.
    const double e = std::floor(easting);
    const double n = std::floor(northing);
    if (e < 0 || n < 0 || e >= static_cast<double>(eastingLimit) || n >= static_cast<double>(northingLimit))
    {
        why = std::string("the point lies outside the lettered squares of the ") + name;
        return false;
    }
    const long long ei = static_cast<long long>(e);
    const long long ni = static_cast<long long>(n);
    std::string square;
    SquareLetters(ei / 100000, ni / 100000, square);
    text = square;
    if (digits == 0)
        return true;
    long long unit = 1;
    for (int i = digits; i < 5; ++i)
        unit *= 10;
    const std::string eastDigits = std::to_string(ei % 100000 / unit + 100000).substr(6 - digits);
    const std::string northDigits = std::to_string(ni % 100000 / unit + 100000).substr(6 - digits);
    text += ' ';
    text += eastDigits;
    text += ' ';
    text += northDigits;
    return true;
}

bool CNationalGridReference::Parse(std::string_view text, double& easting, double& northing, std::string& why) const
{
    CReferenceText parts;
    if (!parts.Split(text, 5, why))
        return false;
    if (!parts.zone.empty())
    {
        why = std::string("a ") + name + " reference starts with its letters";
        return false;
    }
    long long east100 = 0, north100 = 0;
    if (!SquareCorner(parts.letters, east100, north100, why))
        return false;
    const long long e = east100 * 100000 + parts.EastingMetres();
    const long long n = north100 * 100000 + parts.NorthingMetres();
    if (e < 0 || n < 0 || e >= eastingLimit || n >= northingLimit)
    {
        why = "the square " + parts.letters + " lies outside the " + name;
        return false;
    }
    const double half = static_cast<double>(parts.SquareMetres()) / 2;
    easting = static_cast<double>(e) + half;
    northing = static_cast<double>(n) + half;
    return true;
}
