#include "ReferenceText.h"

#include <cctype>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

long long Metres(const std::string& digits)
{
    long long value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    for (std::size_t i = digits.size(); i < 5; ++i)
        value *= 10;
    return value;
}

} // namespace

bool CReferenceText::Split(std::string_view text, int maxDigits, std::string& why)
{
    zone.clear();
    letters.clear();
    easting.clear();
    northing.clear();
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
    };
    skipBlanks();
    while (i < text.size() && IsDigit(text[i]))
        zone += text[i++];
    while (true)
    {
        skipBlanks();
        if (i >= text.size() || !IsLetter(text[i]))
            break;
        while (i < text.size() && IsLetter(text[i]))
            letters += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i++])));
    }
    std::string groups[3];
    int count = 0;
    while (i < text.size() && IsDigit(text[i]))
    {
        if (count == 2)
        {
            why = "more than two groups of digits";
            return false;
        }
        while (i < text.size() && IsDigit(text[i]))
            groups[count] += text[i++];
        ++count;
        skipBlanks();
    }
    if (i != text.size())
    {
        why = std::string("\"") + text[i] + "\" does not belong in a reference (digits and letters only)";
        return false;
    }
    if (letters.empty())
    {
        why = "no grid letters";
        return false;
    }
    if (count == 2)
    {
        if (groups[0].size() != groups[1].size())
        {
            why = "the easting has " + std::to_string(groups[0].size()) + " digits and the northing " +
                  std::to_string(groups[1].size()) + ": they must have as many";
            return false;
        }
        easting = groups[0];
        northing = groups[1];
    }
    else if (count == 1)
    {
        if (groups[0].size() % 2 != 0)
        {
            why = "an odd count of digits (" + std::to_string(groups[0].size()) +
                  "): the easting and northing must have as many";
            return false;
        }
        easting = groups[0].substr(0, groups[0].size() / 2);
        northing = groups[0].substr(groups[0].size() / 2);
    }
    if (static_cast<int>(easting.size()) > maxDigits)
    {
        why = "more than " + std::to_string(maxDigits) + " digits each for easting and northing (finer than 1 m)";
        return false;
    }
    return true;
}

long long CReferenceText::EastingMetres() const
{
    return Metres(easting);
}

long long CReferenceText::NorthingMetres() const
{
    return Metres(northing);
}

long long CReferenceText::SquareMetres() const
{
    long long size = 100000;
    for (std::size_t i = 0; i < easting.size(); ++i)
        size /= 10;
    return size;
}
