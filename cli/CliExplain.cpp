#include "CliExplain.h"

#include <memory>
#include <utility>

#include "CatalogueLookups.h"
#include "CatalogueRows.h"
#include "DestinationWkt.h"
#include "GeoidModels.h"
#include "HeightConversion.h"
#include "Projections.h"

namespace {

void PrintLines(const std::vector<std::string>& lines, std::FILE* err)
{
    for (const std::string& line : lines)
        std::fprintf(err, "geolynx-cli: %s\n", line.c_str());
}

// Which geoid model each side's heights are above, with the model's grid
// file and stated accuracy; nothing when both sides are ellipsoidal.
void PrintHeights(const CCliSystem& from, const CCliSystem& to, std::FILE* err)
{
    if (from.geoidId == 0 && to.geoidId == 0)
        return;
    CHeightModels models;
    std::string details;
    for (auto [id, side] : {std::pair{from.geoidId, &models.source}, std::pair{to.geoidId, &models.destination}})
    {
        side->id = id;
        GeoidModelRow row;
        if (id == 0)
            continue;
        if (!FindGeoidModel(id, row))
        {
            side->name = "geoid model " + std::to_string(id) + " (not in the catalogue)";
            continue;
        }
        side->name = row.name + " (" + std::to_string(id) + ")";
        if (side == &models.destination && id == from.geoidId)
            continue; // one model on both sides is described once
        char accuracy[40];
        std::snprintf(accuracy, sizeof accuracy, "%g", row.accuracy);
        details += "; " + side->name + ": grid " + row.file + (FindGeoidFile(row.file).empty() ? " (missing)" : "") +
                   ", stated accuracy " + accuracy + " m";
    }
    std::fprintf(err, "geolynx-cli: heights: %s%s\n", HeightSystemsText(models).c_str(), details.c_str());
}

} // namespace

int CheckConversion(const CCliSystem& from, const CCliSystem& to, bool ballpark, bool explain,
                    CConversionReport& report, std::FILE* err)
{
    if (from.datumId == 0 || to.datumId == 0 ||
        !report.Load(from.datumId, from.gridId, to.datumId, to.gridId))
        return CLI_OK;
    if (report.UnusableSide() != nullptr)
    {
        if (!ballpark)
        {
            std::fprintf(err, "geolynx-cli: %s; not converted (give --ballpark to convert anyway)\n",
                         report.UnusableText().c_str());
            return CLI_ERROR;
        }
        std::fprintf(err, "geolynx-cli: warning: %s\n", report.UnusableText().c_str());
    }
    if (explain)
    {
        PrintLines(report.Explain(), err);
        PrintHeights(from, to, err);
    }
    return CLI_OK;
}

int ConvertOneChecked(const CCliSystem& from, const CCliSystem& to, const CCliPrecision& precision,
                      const CConversionReport& report, bool strict, bool explain, double x, double y, double z,
                      std::FILE* out, std::FILE* err)
{
    auto locator = std::make_unique<CProjections>();
    report.SetUpLocator(*locator);
    double latitude = 0;
    double longitude = 0;
    const bool located = report.Source().datumId != 0 && report.Locate(*locator, x, y, latitude, longitude);
    if (explain && report.Source().datumId != 0)
    {
        PrintLines(report.Explain(located, latitude, longitude), err);
        PrintHeights(from, to, err);
    }
    if (located)
    {
        const std::string outside = report.Outside(latitude, longitude);
        if (!outside.empty())
        {
            std::fprintf(err, "geolynx-cli: %s: %s; check the axis order and the systems\n",
                         strict ? "not converted" : "warning", outside.c_str());
            if (strict)
                return CLI_BAD_LINES;
        }
    }
    return ConvertOne(from, to, precision, x, y, z, out);
}

namespace {

std::string Number(double value)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.10g", value);
    return buffer;
}

void Item(std::string& text, const std::string& label, const std::string& value)
{
    text += label + ": " + value + "\n";
}

std::string ProjectionName(int projection)
{
    std::vector<NamedRow> rows;
    ListProjections(rows);
    for (const NamedRow& row : rows)
        if (row.id == projection)
            return row.name;
    return std::to_string(projection);
}

void GridItems(std::string& text, int gridId, const GridRow& grid)
{
    CCxString unit;
    LookupGridUnitName(gridId, unit);
    int fields = 0;
    LookupProjectionFields(grid.projection, fields);
    Item(text, "projection", ProjectionName(grid.projection) + " (" + std::to_string(grid.projection) + ")");
    // The columns the projection reads, with their units: angles in degrees, lengths in the grid's unit.
    const struct
    {
        int mask;
        const char* label;
        double value;
        bool length;
    } parameters[] = {
        {0x004 | 0x080, "latitude of origin", grid.latitudeOrigin, false},
        {0x008 | 0x100 | 0x200, "longitude of origin", grid.longitudeOrigin, false},
        {0x010, "standard parallel 1", grid.parallelNorth, false},
        {0x020, "standard parallel 2", grid.parallelSouth, false},
        {0x040, "scale factor", grid.scale, false},
        {0x400, "azimuth", grid.azimuth, false},
        {0x800, "rectified grid angle", grid.rectifiedGrid, false},
        {0x002, "false easting", grid.falseEasting, true},
        {0x001, "false northing", grid.falseNorthing, true},
    };
    for (const auto& p : parameters)
        if ((fields & p.mask) != 0)
            Item(text, p.label,
                 Number(p.value) + (p.length ? " " + std::string(unit.str()) : std::string(p.mask == 0x040 ? "" : " degrees")));
    Item(text, "unit", unit.str());
}

void TransformationItems(std::string& text, const DatumRow& datum, const CDatumLink& link)
{
    static const char* const methods[] = {"none", "Molodensky (geocentric translation)", "Bursa-Wolf (seven parameters)",
                                          "NADCON grid", "HARN/HPGN grid", "NTv2 grid"};
    const int method = datum.method >= 0 && datum.method <= 5 ? datum.method : 0;
    Item(text, "transformation", link.Describe());
    Item(text, "transformation method", methods[method]);
    if (method == 1 || method == 2)
        Item(text, "transformation parameters",
             "dX " + Number(datum.deltaX) + " m, dY " + Number(datum.deltaY) + " m, dZ " + Number(datum.deltaZ) +
                 " m" +
                 (method == 2 ? ", rX " + Number(datum.rotationX) + "\", rY " + Number(datum.rotationY) + "\", rZ " +
                                    Number(datum.rotationZ) + "\", scale " + Number(datum.scaleFactor) + " ppm"
                              : std::string()));
    if (method >= 3)
        Item(text, "transformation grid file", datum.file);
    Item(text, "accuracy", link.Unusable() ? "unknown (no usable transformation)"
                           : link.accuracy ? FormatAccuracy(*link.accuracy)
                                           : "unknown");
}

std::string AreaText(const CAreaOfUse& area)
{
    if (!area.known)
        return "unknown";
    return area.name + " (south " + Number(area.south) + ", north " + Number(area.north) + ", west " +
           Number(area.west) + ", east " + Number(area.east) + ")";
}

} // namespace

int PrintInfo(const std::string& systemText, std::FILE* out, std::FILE* err)
{
    CCliSystem system;
    GridRow grid;
    DatumRow datum;
    CDatumLink link;
    if (!ResolveSystem(systemText, system) || system.datumId == 0 || !LoadDatum(system.datumId, datum) ||
        !LoadDatumLink(system.datumId, link) || (system.gridId != 0 && !LoadGrid(system.gridId, grid)))
    {
        std::fprintf(err, "geolynx-cli: no system \"%s\" in the catalogue\n", systemText.c_str());
        return CLI_ERROR;
    }
    const int id = system.gridId != 0 ? system.gridId : system.datumId;
    std::string text;
    Item(text, "name", system.gridId != 0 ? grid.name : datum.name);
    Item(text, "kind", system.gridId != 0 ? "grid" : "datum");
    Item(text, "EPSG code", id <= 50000 ? std::to_string(id) : std::string("none (a user row)"));
    if (system.gridId != 0)
        GridItems(text, system.gridId, grid);
    Item(text, "datum", datum.name + " (" + std::to_string(system.datumId) + ")");
    EllipsoidRow ellipsoid;
    LoadEllipsoid(datum.ellipsoid, ellipsoid);
    Item(text, "ellipsoid", ellipsoid.name + " (a " + Number(ellipsoid.axisA) + " m, 1/f " +
                                Number(ellipsoid.inverseFlattening) + ")");
    std::vector<MeridianRow> meridians;
    ListMeridianRows(meridians);
    for (const MeridianRow& m : meridians)
        if (m.id == datum.prime)
            Item(text, "prime meridian", m.name + " (" + Number(m.longitude) + " degrees)");
    if (system.gridId == 0)
        Item(text, "unit", "degrees");
    TransformationItems(text, datum, link);
    CAreaOfUse area;
    LoadAreaOfUse(system.gridId != 0 ? 1 : 0, id, area);
    Item(text, "area of use", AreaText(area));
    std::string wkt, why;
    Item(text, "prj", DestinationWkt(system.datumId, system.gridId, wkt, why) ? wkt : "none (" + why + ")");
    std::fputs(text.c_str(), out);
    return CLI_OK;
}
