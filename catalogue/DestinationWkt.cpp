#include "DestinationWkt.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

#include "CatalogueConnection.h"
#include "LengthUnits.h"

namespace {

// The columns of a row's signature, in the order of tools/catalogue/generate_wkt.py.
const char* const kGridSignature[] = {"g.numDatum", "g.numProjection", "g.numUnits", "g.dblFalseEasting",
                                      "g.dblFalseNorthing", "g.dblLatitudeOrigin", "g.dblLongitudeOrigin",
                                      "g.dblParallelNorth", "g.dblParallelSouth", "g.dblAzimuth",
                                      "g.dblRectifiedGrid", "g.dblScale", "d.numEllipsoid", "d.numPrime",
                                      "e.dblAxisA", "e.dblInverseFlattening"};
const char* const kDatumSignature[] = {"d.numEllipsoid", "d.numPrime", "e.dblAxisA", "e.dblInverseFlattening"};

std::string Quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
    {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    return out + "'";
}

// A name as ESRI writes them: letters, digits and underscores.
std::string EsriName(const std::string& name)
{
    std::string out;
    for (unsigned char c : name)
    {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
                          c == '-' || c >= 0x80;
        if (keep)
            out += static_cast<char>(c);
        else if (!out.empty() && out.back() != '_')
            out += '_';
    }
    while (!out.empty() && out.back() == '_')
        out.pop_back();
    return out.empty() ? std::string("Unknown") : out;
}

struct Row
{
    int id = 0;
    std::string gridName, datumName, ellipsoidName, unitName;
    int projection = 0, unit = 9001;
    double a = 0, rf = 0;
    double fe = 0, fn = 0, lat = 0, lon = 0, pn = 0, ps = 0, azimuth = 0, rectified = 0, scale = 0;
};

double Field(CCxAdo& ado, const char* name)
{
    double v = 0;
    ado.GetFieldDouble(name, v);
    return v;
}

std::string RowQuery(bool grid, const std::string& where)
{
    return grid ? "SELECT g.numId AS numId, g.strGrid AS strGrid, g.numProjection AS numProjection, "
                  "g.numUnits AS numUnits, g.dblFalseEasting AS dblFalseEasting, "
                  "g.dblFalseNorthing AS dblFalseNorthing, g.dblLatitudeOrigin AS dblLatitudeOrigin, "
                  "g.dblLongitudeOrigin AS dblLongitudeOrigin, g.dblParallelNorth AS dblParallelNorth, "
                  "g.dblParallelSouth AS dblParallelSouth, g.dblAzimuth AS dblAzimuth, "
                  "g.dblRectifiedGrid AS dblRectifiedGrid, g.dblScale AS dblScale, d.strDatum AS strDatum, "
                  "e.strEllipsoid AS strEllipsoid, e.dblAxisA AS dblAxisA, "
                  "e.dblInverseFlattening AS dblInverseFlattening, u.strUnit AS strUnit, p.dblLongitude AS dblLongitude "
                  "FROM tblGrids g JOIN tblDatums d ON d.numId = g.numDatum "
                  "JOIN tblEllipsoids e ON e.numId = d.numEllipsoid LEFT JOIN tblUnits u ON u.numId = g.numUnits "
                  "LEFT JOIN tblPrimeMeridians p ON p.numId = d.numPrime" +
                      where
                : "SELECT d.numId AS numId, d.strDatum AS strDatum, e.strEllipsoid AS strEllipsoid, "
                  "e.dblAxisA AS dblAxisA, e.dblInverseFlattening AS dblInverseFlattening FROM tblDatums d "
                  "JOIN tblEllipsoids e ON e.numId = d.numEllipsoid" +
                      where;
}

void CurrentRow(CCxAdo& ado, bool grid, Row& row)
{
    row = Row{};
    ado.GetFieldLong("numId", row.id);
    ado.GetFieldString("strDatum", row.datumName);
    ado.GetFieldString("strEllipsoid", row.ellipsoidName);
    row.a = Field(ado, "dblAxisA");
    row.rf = Field(ado, "dblInverseFlattening");
    if (grid)
    {
        ado.GetFieldString("strGrid", row.gridName);
        ado.GetFieldString("strUnit", row.unitName);
        ado.GetFieldLong("numProjection", row.projection);
        ado.GetFieldLong("numUnits", row.unit);
        row.fe = Field(ado, "dblFalseEasting");
        row.fn = Field(ado, "dblFalseNorthing");
        row.lat = Field(ado, "dblLatitudeOrigin");
        // Counted from Greenwich, as the loader gives it to the engine.
        row.lon = Field(ado, "dblLongitudeOrigin") + Field(ado, "dblLongitude");
        row.pn = Field(ado, "dblParallelNorth");
        row.ps = Field(ado, "dblParallelSouth");
        row.azimuth = Field(ado, "dblAzimuth");
        row.rectified = Field(ado, "dblRectifiedGrid");
        row.scale = Field(ado, "dblScale");
    }
}

bool ReadRow(CCxAdo& ado, int id, bool grid, Row& row)
{
    const std::string where = grid ? " WHERE g.numId = " : " WHERE d.numId = ";
    const int found = ado.OpenRecordset(RowQuery(grid, where + std::to_string(id)).c_str());
    if (found == 1)
        CurrentRow(ado, grid, row);
    ado.CloseRecordset();
    return found == 1;
}

using Parameters = std::vector<std::pair<const char*, double>>;

// The ESRI forms of the EPSG methods added with classes of their own, as PROJ writes them and GDAL
// reads them back onto the engine's coordinates (checked through gdaltransform). Krovak East North
// only without a false origin, like the south-west orientated Krovak below.
bool AddedMethodProjection(const Row& r, std::string& name, Parameters& p)
{
    switch (r.projection)
    {
    case 1024:
        name = "Mercator_Auxiliary_Sphere";
        p = {{"False_Easting", r.fe},      {"False_Northing", r.fn},       {"Central_Meridian", r.lon},
             {"Standard_Parallel_1", r.lat}, {"Auxiliary_Sphere_Type", 0.0}};
        return true;
    case 1041:
        if (r.fe != 0 || r.fn != 0)
            return false;
        name = "Krovak";
        p = {{"False_Easting", 0.0},         {"False_Northing", 0.0},         {"Pseudo_Standard_Parallel_1", r.pn},
             {"Scale_Factor", r.scale},      {"Azimuth", r.azimuth},           {"Longitude_Of_Center", r.lon},
             {"Latitude_Of_Center", r.lat},  {"X_Scale", -1.0},                {"Y_Scale", 1.0},
             {"XY_Plane_Rotation", 90.0}};
        return true;
    case 1051: // the ellipsoid scaling factor is ESRI's scale factor of the cone
        name = "Lambert_Conformal_Conic";
        p = {{"False_Easting", r.fe},        {"False_Northing", r.fn},        {"Central_Meridian", r.lon},
             {"Standard_Parallel_1", r.pn},  {"Standard_Parallel_2", r.ps},   {"Scale_Factor", r.scale},
             {"Latitude_Of_Origin", r.lat}};
        return true;
    case 1052: // the projection plane height rides in the scale column
        name = "IGAC_Plano_Cartesiano";
        p = {{"False_Easting", r.fe},       {"False_Northing", r.fn}, {"Longitude_Of_Center", r.lon},
             {"Latitude_Of_Center", r.lat}, {"Height", r.scale}};
        return true;
    case 1078:
        name = "Equal_Earth";
        p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Central_Meridian", r.lon}};
        return true;
    case 1043: // GDAL's names: ESRI has none of its own for the method
        name = "Krovak_Modified_(North_Orientated)";
        p = {{"Latitude of projection centre", r.lat},
             {"Longitude of origin", r.lon},
             {"Co-latitude of cone axis", r.azimuth},
             {"Latitude of pseudo standard parallel", r.pn},
             {"Scale factor on pseudo standard parallel", r.scale},
             {"False easting", r.fe},
             {"False northing", r.fn}};
        return true;
    case 9813:
        name = "Laborde_Oblique_Mercator";
        p = {{"False_Easting", r.fe},          {"False_Northing", r.fn},          {"Scale_Factor", r.scale},
             {"Azimuth", r.azimuth},           {"Longitude_Of_Center", r.lon},   {"Latitude_Of_Center", r.lat}};
        return true;
    case 9811:
        name = "New_Zealand_Map_Grid";
        p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Longitude_Of_Origin", r.lon},
             {"Latitude_Of_Origin", r.lat}};
        return true;
    default:
        return false;
    }
}

// The ESRI projection name and parameters of a catalogue projection (EPSG method codes, the
// internal identifiers for the world projections), the forms PROJ and GDAL write and read. False
// for a projection without an ESRI form here.
bool EsriProjection(const Row& r, std::string& name, Parameters& p)
{
    const double d2r = 0.017453292519943295;
    switch (r.projection)
    {
    case 9807:
        name = "Transverse_Mercator";
        p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Central_Meridian", r.lon},
             {"Scale_Factor", r.scale}, {"Latitude_Of_Origin", r.lat}};
        return true;
    case 9808:
        name = "Transverse_Mercator_South_Orientated";
        p = {{"latitude_of_origin", r.lat}, {"central_meridian", r.lon}, {"scale_factor", r.scale},
             {"false_easting", r.fe}, {"false_northing", r.fn}};
        return true;
    case 9801:
        name = "Lambert_Conformal_Conic";
        p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Central_Meridian", r.lon},
             {"Standard_Parallel_1", r.lat}, {"Scale_Factor", r.scale}, {"Latitude_Of_Origin", r.lat}};
        return true;
    case 9802:
        name = "Lambert_Conformal_Conic";
        p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Central_Meridian", r.lon},
             {"Standard_Parallel_1", r.pn}, {"Standard_Parallel_2", r.ps}, {"Latitude_Of_Origin", r.lat}};
        return true;
    case 9804:
    {
        // ESRI's Mercator takes the latitude of true scale, where the scale of the 1SP form holds:
        // k0 = cos(phi) / sqrt(1 - e^2 sin^2(phi)).
        const double f = r.rf == 0 ? 0 : 1 / r.rf;
        const double e2 = f * (2 - f);
        const double k2 = r.scale * r.scale;
        if (r.scale <= 0 || r.scale > 1 || r.lat != 0)
            return false;
        const double s2 = (1 - k2) / (1 - k2 * e2);
        name = "Mercator";
        p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Central_Meridian", r.lon},
             {"Standard_Parallel_1", std::asin(std::sqrt(s2)) / d2r}};
        return true;
    }
    case 9805:
        name = "Mercator";
        p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Central_Meridian", r.lon},
             {"Standard_Parallel_1", r.pn}};
        return true;
    case 9806:
        name = "Cassini";
        p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Central_Meridian", r.lon},
             {"Scale_Factor", 1.0}, {"Latitude_Of_Origin", r.lat}};
        return true;
    case 9809:
        name = "Double_Stereographic";
        p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Central_Meridian", r.lon},
             {"Scale_Factor", r.scale}, {"Latitude_Of_Origin", r.lat}};
        return true;
    case 9810:
        if (std::fabs(r.lat) != 90)
            return false;
        name = "Polar_Stereographic";
        p = {{"latitude_of_origin", r.lat}, {"central_meridian", r.lon}, {"scale_factor", r.scale},
             {"false_easting", r.fe}, {"false_northing", r.fn}};
        return true;
    case 9829:
        // The catalogue keeps the latitude of the standard parallel as the latitude of origin.
        name = r.lat < 0 ? "Stereographic_South_Pole" : "Stereographic_North_Pole";
        p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Central_Meridian", r.lon},
             {"Standard_Parallel_1", r.lat}};
        return true;
    case 9812:
    case 9815:
    {
        const bool centre = r.projection == 9815;
        if (r.azimuth == r.rectified)
        {
            name = centre ? "Hotine_Oblique_Mercator_Azimuth_Center" : "Hotine_Oblique_Mercator_Azimuth_Natural_Origin";
            p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Scale_Factor", r.scale},
                 {"Azimuth", r.azimuth}, {"Longitude_Of_Center", r.lon}, {"Latitude_Of_Center", r.lat}};
        }
        else
        {
            name = centre ? "Rectified_Skew_Orthomorphic_Center" : "Rectified_Skew_Orthomorphic_Natural_Origin";
            p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Scale_Factor", r.scale},
                 {"Azimuth", r.azimuth}, {"Longitude_Of_Center", r.lon}, {"Latitude_Of_Center", r.lat},
                 {"XY_Plane_Rotation", r.rectified}};
        }
        return true;
    }
    case 9814:
        name = "Hotine_Oblique_Mercator_Azimuth_Center";
        p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Scale_Factor", r.scale},
             {"Azimuth", 90.0}, {"Longitude_Of_Center", r.lon}, {"Latitude_Of_Center", r.lat}};
        return true;
    case 9818:
        name = "Polyconic";
        p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Central_Meridian", r.lon},
             {"Latitude_Of_Origin", r.lat}};
        return true;
    case 9820:
        name = "Lambert_Azimuthal_Equal_Area";
        p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Central_Meridian", r.lon},
             {"Latitude_Of_Origin", r.lat}};
        return true;
    case 9822:
        name = "Albers";
        p = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Central_Meridian", r.lon},
             {"Standard_Parallel_1", r.pn}, {"Standard_Parallel_2", r.ps}, {"Latitude_Of_Origin", r.lat}};
        return true;
    default:
        if (AddedMethodProjection(r, name, p))
            return true;
        break;
    }
    // The world projections: false easting and northing and the central meridian, some with a
    // parallel.
    const Parameters world = {{"False_Easting", r.fe}, {"False_Northing", r.fn}, {"Central_Meridian", r.lon}};
    static const std::pair<int, const char*> plain[] = {{260, "Mollweide"},       {271, "Eckert_I"},
                                                        {272, "Eckert_II"},       {273, "Eckert_III"},
                                                        {274, "Eckert_IV"},       {275, "Eckert_V"},
                                                        {276, "Eckert_VI"},       {300, "Sinusoidal"},
                                                        {310, "Miller_Cylindrical"}, {330, "Gall_Stereographic"},
                                                        {340, "Robinson"}};
    for (const auto& [id, esri] : plain)
        if (r.projection == id)
        {
            name = esri;
            p = world;
            return true;
        }
    return false;
}

// The grids whose ESRI form GDAL reads onto other coordinates than the engine writes, in the
// WKT1 form GDAL writes, with axes that say what the engine's x and y are (GDAL takes the first
// axis as x). Krovak: x the westing, y the southing, each from the projection's centre, as the
// south-west orientated method gives them; GDAL places these only without a false origin.
// Lambert west orientated: x = FE - r sin(theta) is the westing of a Lambert conic whose false
// easting is -FE. Both checked against the engine through ogr2ogr.
bool AxisProjection(const Row& r, std::string& name, Parameters& p, const char*& axes)
{
    switch (r.projection)
    {
    case 9819:
        if (r.fe != 0 || r.fn != 0)
            return false;
        name = "Krovak";
        p = {{"latitude_of_center", r.lat},      {"longitude_of_center", r.lon}, {"azimuth", r.azimuth},
             {"pseudo_standard_parallel_1", r.pn}, {"scale_factor", r.scale},    {"false_easting", 0.0},
             {"false_northing", 0.0}};
        axes = ",AXIS[\"Westing\",WEST],AXIS[\"Southing\",SOUTH]";
        return true;
    case 9826:
        name = "Lambert_Conformal_Conic_1SP";
        p = {{"latitude_of_origin", r.lat}, {"central_meridian", r.lon}, {"scale_factor", r.scale},
             {"false_easting", -r.fe},      {"false_northing", r.fn}};
        axes = ",AXIS[\"Westing\",WEST],AXIS[\"Northing\",NORTH]";
        return true;
    default:
        return false;
    }
}

std::string Geographic(const Row& r)
{
    const std::string datum = EsriName(r.datumName);
    return "GEOGCS[\"GCS_" + datum + "\",DATUM[\"D_" + datum + "\",SPHEROID[\"" + EsriName(r.ellipsoidName) + "\"," +
           WktNumber(r.a) + "," + WktNumber(r.rf) +
           "]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";
}

} // namespace

std::string WktNumber(double value)
{
    char text[40];
    for (int digits = 15; digits <= 17; ++digits)
    {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value)
            break;
    }
    std::string out = text;
    if (out.find_first_of(".eEni") == std::string::npos)
        out += ".0";
    return out;
}

bool HasWktTable(CCxAdo& ado)
{
    if (ado.OpenSchema(SchemaTables) < 0)
        return false;
    bool found = false;
    for (int row = 1; row == 1 && !found; row = ado.MoveNext())
    {
        std::string name;
        ado.GetFieldString("TABLE_NAME", name);
        for (char& c : name)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        found = name == "tblwkt";
    }
    ado.CloseRecordset();
    return found;
}

namespace {

std::string SignatureQuery(bool grid, const std::string& where)
{
    std::string sql = grid ? "SELECT g.numId AS numId" : "SELECT d.numId AS numId";
    int i = 0;
    for (const char* c : grid ? std::vector<const char*>(std::begin(kGridSignature), std::end(kGridSignature))
                              : std::vector<const char*>(std::begin(kDatumSignature), std::end(kDatumSignature)))
        sql += ", " + std::string(c) + " AS c" + std::to_string(i++);
    sql += grid ? " FROM tblGrids g JOIN tblDatums d ON d.numId = g.numDatum JOIN tblEllipsoids e ON "
                  "e.numId = d.numEllipsoid"
                : " FROM tblDatums d JOIN tblEllipsoids e ON e.numId = d.numEllipsoid";
    return sql + where;
}

std::string CurrentSignature(CCxAdo& ado, bool grid)
{
    const auto& columns = grid ? std::vector<const char*>(std::begin(kGridSignature), std::end(kGridSignature))
                               : std::vector<const char*>(std::begin(kDatumSignature), std::end(kDatumSignature));
    std::string signature;
    for (std::size_t i = 0; i < columns.size(); ++i)
    {
        if (i > 0)
            signature += ';';
        const std::string alias = "c" + std::to_string(i);
        char text[40] = "";
        if (std::string(columns[i]).find(".num") != std::string::npos)
        {
            int v = 0;
            if (ado.GetFieldLong(alias.c_str(), v) == 1)
                std::snprintf(text, sizeof text, "%d", v);
        }
        else
        {
            double v = 0;
            if (ado.GetFieldDouble(alias.c_str(), v) == 1)
                std::snprintf(text, sizeof text, "%.17g", v);
        }
        signature += text;
    }
    return signature;
}

} // namespace

std::string RowSignature(CCxAdo& ado, int id, bool grid)
{
    std::string signature;
    const std::string where = (grid ? " WHERE g.numId = " : " WHERE d.numId = ") + std::to_string(id);
    if (ado.OpenRecordset(SignatureQuery(grid, where).c_str()) == 1)
        signature = CurrentSignature(ado, grid);
    ado.CloseRecordset();
    return signature;
}

bool ShippedWkt(CCxAdo& ado, int id, bool grid, std::string& wkt)
{
    if (!HasWktTable(ado))
        return false;
    const std::string sql = "SELECT strRow, strWkt FROM tblWkt WHERE numId = " + std::to_string(id) +
                            " AND strKind = " + Quoted(grid ? "grid" : "datum");
    std::string row, text;
    const bool found = ado.OpenRecordset(sql.c_str()) == 1 && ado.GetFieldString("strRow", row) == 1 &&
                       ado.GetFieldString("strWkt", text) == 1;
    ado.CloseRecordset();
    if (!found || text.empty() || row != RowSignature(ado, id, grid))
        return false;
    wkt = text;
    return true;
}

namespace {

bool ComposeFromRow(const Row& row, bool grid, std::string& wkt, std::string& why)
{
    const int id = row.id;
    if (!grid)
    {
        wkt = Geographic(row);
        return true;
    }
    std::string projection;
    Parameters parameters;
    const char* axes = nullptr;
    const bool esri = EsriProjection(row, projection, parameters);
    if (!esri && !AxisProjection(row, projection, parameters, axes))
    {
        if (row.projection == 9819)
        {
            why = "the Krovak grid " + std::to_string(id) + " has a false origin, which no .prj text here places";
            return false;
        }
        if (row.projection == 1042)
        {
            why = "the Krovak Modified grid " + std::to_string(id) +
                  " runs west and south, which no ESRI .prj text says (GDAL reads it east and north)";
            return false;
        }
        why = "the projection " + std::to_string(row.projection) + " of grid " + std::to_string(id) +
              " has no ESRI form";
        return false;
    }
    std::string text = "PROJCS[\"" + EsriName(row.gridName) + "\"," + Geographic(row) + ",PROJECTION[\"" +
                       projection + "\"]";
    for (const auto& [name, value] : parameters)
        text += ",PARAMETER[\"" + std::string(name) + "\"," + WktNumber(value) + "]";
    const double factor = FromUnits(row.unit, 1.0);
    const std::string unit = row.unit == 9001 || row.unitName.empty() ? std::string("Meter") : EsriName(row.unitName);
    text += ",UNIT[\"" + unit + "\"," + WktNumber(factor) + "]";
    if (axes != nullptr)
        text += axes;
    wkt = text + "]";
    return true;
}

} // namespace

bool ComposeWkt(CCxAdo& ado, int id, bool grid, std::string& wkt, std::string& why)
{
    Row row;
    if (!ReadRow(ado, id, grid, row))
    {
        why = std::string("the catalogue has no ") + (grid ? "grid " : "datum ") + std::to_string(id);
        return false;
    }
    return ComposeFromRow(row, grid, wkt, why);
}

std::vector<CCatalogueWkt> CatalogueWktTexts(CCxAdo& ado, bool grid)
{
    std::map<int, std::pair<std::string, std::string>> shipped; // id -> signature, text
    if (HasWktTable(ado))
    {
        const std::string sql = std::string("SELECT numId, strRow, strWkt FROM tblWkt WHERE strKind = ") +
                                (grid ? "'grid'" : "'datum'");
        for (int row = ado.OpenRecordset(sql.c_str()); row == 1; row = ado.MoveNext())
        {
            int id = 0;
            std::string signature, text;
            ado.GetFieldLong("numId", id);
            ado.GetFieldString("strRow", signature);
            ado.GetFieldString("strWkt", text);
            shipped[id] = {signature, text};
        }
        ado.CloseRecordset();
        std::map<int, std::string> current;
        for (int row = ado.OpenRecordset(SignatureQuery(grid, "").c_str()); row == 1; row = ado.MoveNext())
        {
            int id = 0;
            ado.GetFieldLong("numId", id);
            current[id] = CurrentSignature(ado, grid);
        }
        ado.CloseRecordset();
        for (auto it = shipped.begin(); it != shipped.end();)
            it = current.count(it->first) != 0 && current[it->first] == it->second.first ? std::next(it)
                                                                                          : shipped.erase(it);
    }
    std::vector<CCatalogueWkt> texts;
    for (int found = ado.OpenRecordset(RowQuery(grid, "").c_str()); found == 1; found = ado.MoveNext())
    {
        Row row;
        CurrentRow(ado, grid, row);
        CCatalogueWkt entry;
        entry.id = row.id;
        entry.name = grid ? row.gridName : row.datumName;
        std::string why;
        const auto s = shipped.find(row.id);
        if (s != shipped.end())
            entry.wkt = s->second.second;
        else if (!ComposeFromRow(row, grid, entry.wkt, why))
            continue;
        texts.push_back(entry);
    }
    ado.CloseRecordset();
    return texts;
}

bool CatalogueWkt(CCxAdo& ado, int datumId, int gridId, std::string& wkt, std::string& why)
{
    const bool grid = gridId != 0;
    const int id = grid ? gridId : datumId;
    if (id == 0)
    {
        why = "no destination system";
        return false;
    }
    if (ShippedWkt(ado, id, grid, wkt))
        return true;
    return ComposeWkt(ado, id, grid, wkt, why);
}

bool DestinationWkt(int datumId, int gridId, std::string& wkt, std::string& why)
{
    CCxAdo ado;
    if (!OpenCatalogue(ado))
    {
        why = "the catalogue cannot be reached";
        return false;
    }
    bool done = CatalogueWkt(ado, datumId, gridId, wkt, why);
    ado.Disconnect();
    ado.Shutdown();
    // A Krovak Modified grid runs west and south: its text recognises the .prj GDAL writes for it,
    // but a .prj written with it would be read east and north.
    if (done && wkt.find("PROJECTION[\"Krovak_Modified\"]") != std::string::npos)
    {
        why = "the Krovak Modified grid " + std::to_string(gridId) +
              " runs west and south, which no ESRI .prj text says (GDAL reads it east and north)";
        wkt.clear();
        done = false;
    }
    return done;
}
