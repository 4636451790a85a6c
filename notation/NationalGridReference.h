#pragma once

#include <string>
#include <string_view>

// Grid references of the Ordnance Survey's National Grid of Great Britain
// (two letters) and of the Irish Grid (one letter), after the Ordnance
// Survey's and Ordnance Survey Ireland's published lettering: squares of a
// five by five block lettered A to Z without I, row by row from the north-
// west corner. In Great Britain the first letter names a 500 km square, the
// false origin lying at the south-west corner of S, and the second the 100 km
// square inside it, V at the south-west; in Ireland the one letter names a
// 100 km square, V at the false origin.
class CNationalGridReference
{
public:
    static const CNationalGridReference& British();
    static const CNationalGridReference& Irish();

    // Writes easting and northing (metres of the grid) with digits per axis
    // (0 to 5), as "TQ 30043 80358" or "O 15904 34671". False, with why,
    // outside the grid's lettered squares.
    bool Format(double easting, double northing, int digits, std::string& text, std::string& why) const;
    // Reads a reference into the centre of its square.
    bool Parse(std::string_view text, double& easting, double& northing, std::string& why) const;

    const char* Name() const { return name; }

private:
    CNationalGridReference(const char* gridName, int letterCount, long long maxEasting, long long maxNorthing)
        : name(gridName), letters(letterCount), eastingLimit(maxEasting), northingLimit(maxNorthing)
    {
    }
    // The letters of the 100 km square whose south-west corner is at the
    // given multiples of 100 km; false outside the grid.
    bool SquareLetters(long long east100, long long north100, std::string& text) const;
    // The south-west corner, in multiples of 100 km, of the square the
    // letters name.
    bool SquareCorner(const std::string& text, long long& east100, long long& north100, std::string& why) const;

    const char* name;
    int letters;
    long long eastingLimit;  // the lettered squares cover [0, limit) metres
    long long northingLimit;
};
