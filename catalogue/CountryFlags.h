#pragma once

#include <array>
#include <string>

// The application's table of country identifiers: position i holds the country whose flag is
// image i of the flag list. Lists find a country's image by searching it; -1 means no image.
struct CountryImageTable
{
    static constexpr int kCapacity = 1024;
    std::array<int, kCapacity> ids{};
    int count = 0;

    void Clear() { count = 0; }
    int ImageIndex(int countryId) const;
};

// The image half of the flag list, which the window provides (16 by 16 images keyed on
// RGB(254, 254, 254)).
class CFlagImageList
{
public:
    virtual ~CFlagImageList() = default;
    // Empties the list and creates it anew.
    virtual void Reset() = 0;
    // Loads the PNG file and appends it; false, with nothing appended, when it cannot be loaded.
    virtual bool Append(const std::string& pngFile) = 0;
};

// Refills images with one flag per country, in the order of the countries' names, falling back to
// Flags/world.png, and the table with the countries' identifiers (at most its capacity). A country
// whose flag and the default both fail to load gets no image and no table position, so the
// positions keep matching the images.
void LoadCountryFlags(CountryImageTable& table, CFlagImageList& images);
