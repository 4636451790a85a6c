#pragma once

#include <string>
#include <string_view>

// A grid reference cut into its parts: the zone number in front (MGRS only),
// the letters, and the digits of the easting and the northing. Letters are
// upper case; blanks may stand between the parts, and between the easting
// and northing digits, which then must be of equal count.
class CReferenceText
{
public:
    // False, with why, for anything but digits, letters and blanks in that
    // order, for an odd count of digits and for digit groups of unequal
    // length or of more than maxDigits each.
    bool Split(std::string_view text, int maxDigits, std::string& why);

    std::string zone;
    std::string letters;
    std::string easting;
    std::string northing;

    // Digits per axis.
    int Digits() const { return static_cast<int>(easting.size()); }
    // Easting and northing digits as metres within the 100 km square, the
    // south-west corner of the square they name.
    long long EastingMetres() const;
    long long NorthingMetres() const;
    // Side of the square the digits name, in metres.
    long long SquareMetres() const;
};
