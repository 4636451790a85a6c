#pragma once

#include <QIcon>
#include <vector>

#include "CountryFlags.h"

struct CCountryImages;

// The flag images of the country lists: 16 by 16 icons, one per country in
// the order of their names, as the catalogue's LoadCountryFlags appends them.
class CFlagIconList : public CFlagImageList
{
public:
    void Reset() override;
    bool Append(const std::string& pngFile) override;

    // Image i, or a null icon for an index outside the list (-1: no image).
    QIcon Icon(int index) const;
    int Count() const { return static_cast<int>(icons.size()); }

    // Loads every country's flag and refreshes the application's country
    // image table with the countries' identifiers in image order.
    void LoadCountryFlags(CCountryImages& app);
    // The image of a country by the application's table; null when absent.
    static int ImageIndex(const CCountryImages& app, int countryId);

private:
    std::vector<QIcon> icons;
};
