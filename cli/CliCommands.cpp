#include "CliCommands.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "CatalogueConnection.h"
#include "CatalogueLoaders.h"
#include "CatalogueLookups.h"
#include "CatalogueStatements.h"
#include "ConvertCoordinate.h"
#include "CxAdo.h"
#include "Geodesic.h"
#include "Messages.h"

namespace {

bool ParseIdentifier(std::string_view text, int& id)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, id);
    return ec == std::errc() && ptr == end;
}

bool GridExists(int gridId)
{
    CCxString name("Unknown Grid");
    LookupGridName(gridId, name);
    return !(name == "Unknown Grid");
}

bool DatumExists(int datumId)
{
    CCxString name("Unknown Datum");
    LookupDatumName(datumId, name);
    return !(name == "Unknown Datum");
}

CCliSystem GridSystem(int gridId)
{
    CCliSystem system;
    if (gridId == 0 || !GridExists(gridId))
        return system;
    CCfgMapProjection record;
    record.datumId = 0;
    LoadGridRecord(record, gridId);
    system.gridId = gridId;
    system.datumId = record.datumId;
    return system;
}

// Appends value with the given decimals; the C library's conversions are
// locale-free here.
void AppendFixed(std::string& out, double value, int decimals)
{
    char buffer[64];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec == std::errc())
        out.append(buffer, ptr);
    else
        out += "nan";
}

void AppendCoordinate(std::string& out, const CCliSystem& to, const CCliPrecision& precision, double x, double y,
                      double z)
{
    const int decimals = to.gridId != 0 ? precision.grid : precision.degrees;
    AppendFixed(out, x, decimals);
    out += ' ';
    AppendFixed(out, y, decimals);
    out += ' ';
    AppendFixed(out, z, precision.height);
    out += '\n';
}

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t' || c == ',' || c == '\r';
}

// Reads "X Y [Z]" separated by blanks, tabs or commas; anything else on the
// line makes it not a coordinate.
bool ParseCoordinateLine(const char* p, const char* end, double values[3], int& count)
{
    count = 0;
    while (true)
    {
        while (p < end && IsSeparator(*p))
            ++p;
        if (p == end)
            return count >= 2;
        if (count == 3)
            return false;
        if (*p == '+')
            ++p;
        double v = 0;
        const auto [next, ec] = std::from_chars(p, end, v, std::chars_format::general);
        if (ec != std::errc() || next == p || !std::isfinite(v))
            return false;
        if (next < end && !IsSeparator(*next))
            return false;
        values[count++] = v;
        p = next;
    }
}

bool CheckSystems(const CCliSystem& from, const CCliSystem& to)
{
    if (from.datumId == 0 || !DatumExists(from.datumId))
    {
        ShowMessage(IDS_NO_SOURCE_DATUM);
        return false;
    }
    if (to.datumId == 0 || !DatumExists(to.datumId))
    {
        ShowMessage(IDS_NO_DESTINATION_DATUM);
        return false;
    }
    return true;
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

} // namespace

bool ResolveSystem(const std::string& text, CCliSystem& system)
{
    int id = 0;
    std::string_view view(text);
    if (view.starts_with("grid:"))
    {
        if (!ParseIdentifier(view.substr(5), id))
            return false;
        system = GridSystem(id);
        return true;
    }
    if (view.starts_with("datum:"))
    {
        if (!ParseIdentifier(view.substr(6), id))
            return false;
        system = CCliSystem{id, 0};
        return true;
    }
    if (!ParseIdentifier(view, id))
        return false;
    system = GridExists(id) ? GridSystem(id) : CCliSystem{id, 0};
    return true;
}

int ConvertOne(const CCliSystem& from, const CCliSystem& to, const CCliPrecision& precision, double x, double y,
               double z, std::FILE* out)
{
    if (!CheckSystems(from, to))
        return CLI_ERROR;
    auto context = std::make_unique<CConversionContext>();
    CCatalogueRecordLoader loader;
    if (ConvertCoordinate(*context, loader, true, x, y, z, from.datumId, from.gridId, to.datumId, to.gridId) != 0)
        return CLI_ERROR;
    std::string line;
    AppendCoordinate(line, to, precision, x, y, z);
    std::fputs(line.c_str(), out);
    return CLI_OK;
}

int ConvertStream(const CCliSystem& from, const CCliSystem& to, const CCliPrecision& precision, std::FILE* in,
                  std::FILE* out, std::FILE* err)
{
    if (!CheckSystems(from, to))
        return CLI_ERROR;
    auto context = std::make_unique<CConversionContext>();
    CCatalogueRecordLoader loader;
    bool loaded = false;
    int status = CLI_OK;

    std::string output;
    output.reserve(1 << 20);
    char* line = nullptr;
    std::size_t capacity = 0;
    long number = 0;
    ssize_t length = 0;
    while ((length = ::getline(&line, &capacity, in)) >= 0)
    {
        ++number;
        const char* end = line + length;
        const bool newline = length > 0 && end[-1] == '\n';
        if (newline)
            --end;
        double v[3] = {0, 0, 0};
        int count = 0;
        if (!ParseCoordinateLine(line, end, v, count))
        {
            output.append(line, static_cast<std::size_t>(length));
            if (!newline)
                output += '\n';
            std::fprintf(err, "geolynx-cli: line %ld is not a coordinate: %.*s\n", number,
                         static_cast<int>(end - line), line);
            status = CLI_BAD_LINES;
        }
        else
        {
            if (ConvertCoordinate(*context, loader, !loaded, v[0], v[1], v[2], from.datumId, from.gridId,
                                  to.datumId, to.gridId) != 0)
            {
                std::free(line);
                return CLI_ERROR;
            }
            loaded = true;
            AppendCoordinate(output, to, precision, v[0], v[1], v[2]);
        }
        if (output.size() >= (1 << 20) - 256)
        {
            std::fwrite(output.data(), 1, output.size(), out);
            output.clear();
        }
    }
    std::free(line);
    std::fwrite(output.data(), 1, output.size(), out);
    std::fflush(out);
    return status;
}

int ListCatalogue(const std::string& kind, int countryId, int datumId, const std::string& search, std::FILE* out,
                  std::FILE* err)
{
    struct Listing
    {
        const char* kind;
        const char* nameField;
    };
    static const Listing listings[] = {
        {"grids", "strGrid"},          {"datums", "strDatum"}, {"ellipsoids", "strEllipsoid"},
        {"meridians", "strMeridian"},  {"countries", "strCountry"}, {"units", "strUnit"},
        {"projections", "strProjection"},
    };
    const Listing* listing = nullptr;
    for (const Listing& l : listings)
        if (kind == l.kind)
            listing = &l;
    if (listing == nullptr)
    {
        std::fprintf(err, "geolynx-cli: nothing to list called \"%s\"\n", kind.c_str());
        return CLI_ERROR;
    }

    std::string sql;
    if (kind == "grids")
        sql = ComposeGridListQuery(countryId, datumId, 2, 0);
    else if (kind == "datums")
        sql = CatalogueSql::D3;
    else if (kind == "ellipsoids")
        sql = CatalogueSql::E2;
    else if (kind == "meridians")
        sql = CatalogueSql::M2;
    else if (kind == "countries")
        sql = CatalogueSql::C3;
    else if (kind == "units")
        sql = CatalogueSql::U1;
    else
        sql = CatalogueSql::P1;

    CCxAdo ado;
    if (!OpenCatalogue(ado))
    {
        std::fprintf(err, "geolynx-cli: %s\n", ado.LastMessage.c_str());
        return CLI_ERROR;
    }
    const int opened = ado.OpenRecordset(sql.c_str());
    if (opened < 0)
    {
        std::fprintf(err, "geolynx-cli: %s\n", ado.LastMessage.c_str());
        return CLI_ERROR;
    }
    const std::string wanted = Lower(search);
    std::string output;
    for (int row = opened; row == 1; row = ado.MoveNext())
    {
        int id = 0;
        std::string name;
        ado.GetFieldLong("numId", id);
        ado.GetFieldString(listing->nameField, name);
        if (!wanted.empty() && Lower(name).find(wanted) == std::string::npos)
            continue;
        output += std::to_string(id);
        output += '\t';
        output += name;
        output += '\n';
    }
    std::fputs(output.c_str(), out);
    return CLI_OK;
}

int PrintDistance(double lat1, double lon1, double lat2, double lon2, std::FILE* out)
{
    const DistanceAndAzimuths d = ComputeDistanceAndAzimuths(lat1, lon1, lat2, lon2);
    std::string line;
    AppendFixed(line, d.distance, 3);
    line += ' ';
    AppendFixed(line, d.forwardAzimuth, 6);
    line += ' ';
    AppendFixed(line, d.reverseAzimuth, 6);
    line += '\n';
    std::fputs(line.c_str(), out);
    return CLI_OK;
}
