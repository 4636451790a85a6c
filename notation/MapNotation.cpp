#include "MapNotation.h"

#include <cmath>

#include "CfgMapProjection.h"
#include "MilitaryGridReference.h"
#include "NationalGridReference.h"
#include "UtmZoneCoordinate.h"

namespace {

struct NotationEntry
{
    MapNotation notation;
    const char* name;
    const char* title;
};

constexpr NotationEntry kNotations[] = {
    {MapNotation::Mgrs, "mgrs", "MGRS (WGS 84 grid)"},
    {MapNotation::Usng, "usng", "USNG (WGS 84 grid)"},
    {MapNotation::Utm, "utm", "UTM/UPS zone, easting, northing (WGS 84 grid)"},
    {MapNotation::BritishGrid, "bng", "British National Grid reference"},
    {MapNotation::IrishGrid, "irish", "Irish Grid reference"},
};

constexpr double kWgs84InverseFlattening = 298.257223563;
constexpr double kGrs1980InverseFlattening = 298.257222101;

bool Near(double a, double b, double tolerance)
{
    return std::fabs(a - b) <= tolerance;
}

NotationFit WorldGridFit(const CCfgMapProjection& record)
{
    NotationFit fit;
    const bool wgs84Axis = record.semiMajorAxis == 6378137.0;
    if (wgs84Axis && Near(record.inverseFlattening, kWgs84InverseFlattening, 1e-9))
    {
        fit.applies = true;
        fit.remark = "the WGS 84 grid";
    }
    else if (wgs84Axis && Near(record.inverseFlattening, kGrs1980InverseFlattening, 1e-9))
    {
        fit.applies = true;
        fit.remark = "the WGS 84 grid, used on GRS 1980, whose ellipsoid differs from WGS 84's by 0.1 mm";
    }
    else
    {
        char text[240];
        std::snprintf(text, sizeof text,
                      "the grid is defined on WGS 84 (and used on GRS 1980); this system's ellipsoid "
                      "(a = %.3f m, 1/f = %.9f) takes other constants and the older lettering, which are not "
                      "offered",
                      record.semiMajorAxis, record.inverseFlattening);
        fit.why = text;
    }
    return fit;
}

// A national grid's letters count from its false origin in metres.
NotationFit NationalGridFit(const char* gridName, bool listed, const CCfgMapProjection& record, double falseEasting,
                            double falseNorthing)
{
    NotationFit fit;
    if (!listed)
    {
        fit.why = std::string(gridName) + " references are written only on the " + gridName;
        return fit;
    }
    if (record.unitId != 9001 || record.falseEasting != falseEasting || record.falseNorthing != falseNorthing)
    {
        fit.why = std::string("this grid's false origin or unit differs from the ") + gridName +
                  "'s, whose letters count from it";
        return fit;
    }
    fit.applies = true;
    return fit;
}

} // namespace

bool NotationFromName(std::string_view name, MapNotation& notation)
{
    for (const NotationEntry& entry : kNotations)
        if (name == entry.name)
        {
            notation = entry.notation;
            return true;
        }
    return false;
}

const char* NotationName(MapNotation notation)
{
    for (const NotationEntry& entry : kNotations)
        if (entry.notation == notation)
            return entry.name;
    return "";
}

const char* NotationTitle(MapNotation notation)
{
    for (const NotationEntry& entry : kNotations)
        if (entry.notation == notation)
            return entry.title;
    return "";
}

bool NotationIsGeographic(MapNotation notation)
{
    return notation == MapNotation::Mgrs || notation == MapNotation::Usng || notation == MapNotation::Utm;
}

NotationFit NotationApplies(MapNotation notation, int gridId, const CCfgMapProjection& record)
{
    switch (notation)
    {
    case MapNotation::Mgrs:
    case MapNotation::Usng:
    case MapNotation::Utm:
        return WorldGridFit(record);
    case MapNotation::BritishGrid:
        return NationalGridFit("British National Grid", gridId == 27700, record, 400000, -100000);
    case MapNotation::IrishGrid:
    {
        // Irish Transverse Mercator (2157) has no letter references.
        const bool listed = gridId == 29901 || gridId == 29902 || gridId == 29903;
        return NationalGridFit("Irish Grid", listed, record, 200000, 250000);
    }
    case MapNotation::None:
        break;
    }
    NotationFit fit;
    fit.why = "no notation";
    return fit;
}

bool ReferenceDigits(int metres, int& digits)
{
    int size = 100000;
    for (int d = 0; d <= 5; ++d, size /= 10)
        if (metres == size)
        {
            digits = d;
            return true;
        }
    return false;
}

bool FormatNotation(MapNotation notation, double x, double y, const NotationStyle& style, std::string& text,
                    std::string& why)
{
    int digits = 0;
    if (notation != MapNotation::Utm && !ReferenceDigits(style.referenceMetres, digits))
    {
        why = "a reference names a square of 1, 10, 100, 1000, 10000 or 100000 m";
        return false;
    }
    switch (notation)
    {
    case MapNotation::Mgrs:
    case MapNotation::Usng:
        return CMilitaryGridReference::Format(y, x, digits, notation == MapNotation::Usng, text, why);
    case MapNotation::Utm:
        return CUtmZoneCoordinate::Format(y, x, style.utmZone, style.decimals, text, why);
    case MapNotation::BritishGrid:
        return CNationalGridReference::British().Format(x, y, digits, text, why);
    case MapNotation::IrishGrid:
        return CNationalGridReference::Irish().Format(x, y, digits, text, why);
    case MapNotation::None:
        break;
    }
    why = "no notation";
    return false;
}

bool ParseNotation(MapNotation notation, std::string_view text, double& x, double& y, std::string& why)
{
    switch (notation)
    {
    case MapNotation::Mgrs:
    case MapNotation::Usng:
        return CMilitaryGridReference::Parse(text, y, x, why);
    case MapNotation::Utm:
        return CUtmZoneCoordinate::Parse(text, y, x, why);
    case MapNotation::BritishGrid:
        return CNationalGridReference::British().Parse(text, x, y, why);
    case MapNotation::IrishGrid:
        return CNationalGridReference::Irish().Parse(text, x, y, why);
    case MapNotation::None:
        break;
    }
    why = "no notation";
    return false;
}
