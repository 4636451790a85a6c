#include "PrjMatch.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "CatalogueConnection.h"
#include "DestinationWkt.h"

namespace {

constexpr std::size_t kMaxWkt = 65536;
constexpr int kMaxDepth = 32;

class CWktReader
{
public:
    explicit CWktReader(const std::string& t) : text(t) {}

    bool Node(CWktNode& node, int depth)
    {
        if (depth > kMaxDepth)
            return false;
        Blanks();
        const std::size_t start = at;
        while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '_'))
            ++at;
        if (at == start)
            return false;
        node.keyword = text.substr(start, at - start);
        for (char& c : node.keyword)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        Blanks();
        if (at >= text.size() || (text[at] != '[' && text[at] != '('))
            return false;
        const char close = text[at] == '[' ? ']' : ')';
        ++at;
        for (;;)
        {
            Blanks();
            if (at >= text.size())
                return false;
            const char c = text[at];
            if (c == '"')
            {
                std::string value;
                for (++at;; ++at)
                {
                    if (at >= text.size())
                        return false;
                    if (text[at] == '"')
                    {
                        // A doubled quote stands for one.
                        if (at + 1 < text.size() && text[at + 1] == '"')
                        {
                            value += '"';
                            ++at;
                            continue;
                        }
                        ++at;
                        break;
                    }
                    value += text[at];
                }
                node.texts.push_back(value);
            }
            else if (c == '-' || c == '+' || c == '.' || std::isdigit(static_cast<unsigned char>(c)))
            {
                const char* begin = text.c_str() + at;
                char* end = nullptr;
                const double v = std::strtod(begin, &end);
                if (end == begin || !std::isfinite(v))
                    return false;
                node.numbers.push_back(v);
                at += static_cast<std::size_t>(end - begin);
            }
            else if (std::isalpha(static_cast<unsigned char>(c)))
            {
                // WKT1 writes a few bare words (axis directions): kept as texts.
                std::size_t end = at;
                while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_'))
                    ++end;
                std::size_t next = end;
                while (next < text.size() && std::isspace(static_cast<unsigned char>(text[next])))
                    ++next;
                if (next < text.size() && (text[next] == '[' || text[next] == '('))
                {
                    CWktNode child;
                    if (!Node(child, depth + 1))
                        return false;
                    node.children.push_back(std::move(child));
                }
                else
                {
                    node.texts.push_back(text.substr(at, end - at));
                    at = end;
                }
            }
            else
                return false;
            Blanks();
            if (at >= text.size())
                return false;
            if (text[at] == ',')
            {
                ++at;
                continue;
            }
            if (text[at] == close)
            {
                ++at;
                return true;
            }
            return false;
        }
    }

    bool AtEnd()
    {
        Blanks();
        return at == text.size();
    }

private:
    void Blanks()
    {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
            ++at;
    }
    const std::string& text;
    std::size_t at = 0;
};

std::string Reduced(const std::string& name)
{
    std::string out;
    for (unsigned char c : name)
        if (std::isalnum(c))
            out += static_cast<char>(std::tolower(c));
    return out;
}

std::string ReducedDatum(const std::string& name)
{
    return Reduced(name.rfind("D_", 0) == 0 ? name.substr(2) : name);
}

// Parameter names of ESRI, OGC WKT1 and EPSG reduced to one name each.
std::string CanonicalParameter(const std::string& reduced)
{
    static const std::pair<const char*, const char*> aliases[] = {
        {"falseeasting", "fe"},
        {"falsenorthing", "fn"},
        {"eastingatfalseorigin", "fe"},
        {"northingatfalseorigin", "fn"},
        {"eastingatprojectioncentre", "fe"},
        {"northingatprojectioncentre", "fn"},
        {"centralmeridian", "lon0"},
        {"longitudeofcenter", "lon0"},
        {"longitudeoforigin", "lon0"},
        {"longitudeofnaturalorigin", "lon0"},
        {"longitudeoffalseorigin", "lon0"},
        {"longitudeofprojectioncentre", "lon0"},
        {"latitudeoforigin", "lat0"},
        {"latitudeofcenter", "lat0"},
        {"latitudeofnaturalorigin", "lat0"},
        {"latitudeoffalseorigin", "lat0"},
        {"latitudeofprojectioncentre", "lat0"},
        {"standardparallel1", "sp1"},
        {"latitudeof1ststandardparallel", "sp1"},
        {"standardparallel2", "sp2"},
        {"latitudeof2ndstandardparallel", "sp2"},
        {"scalefactor", "k"},
        {"scalefactoratnaturalorigin", "k"},
        {"scalefactoroninitialline", "k"},
        {"azimuth", "az"},
        {"azimuthofinitialline", "az"},
        {"xyplanerotation", "gamma"},
        {"rectifiedgridangle", "gamma"},
        {"anglefromrectifiedtoskewgrid", "gamma"},
        {"pseudostandardparallel1", "psp"},
        {"latitudeofstandardparallel", "sp1"},
    };
    for (const auto& [from, to] : aliases)
        if (reduced == Reduced(from))
            return to;
    return reduced;
}

std::string CanonicalProjection(const std::string& reduced)
{
    // Lambert under its ESRI/OGC name and under EPSG's (WKT2) word order.
    for (const char* lambert : {"lambertconformalconic", "lambertconicconformal"})
        if (reduced.rfind(lambert, 0) == 0 && reduced.find("belgium") == std::string::npos &&
            reduced.find("west") == std::string::npos && reduced.find("michigan") == std::string::npos)
            return "lcc";
    // Hotine variant A (natural origin) and B (projection centre) under their ESRI and OGC names.
    if (reduced == "hotineobliquemercator" || reduced == "hotineobliquemercatorazimuthnaturalorigin" ||
        reduced == "rectifiedskeworthomorphicnaturalorigin")
        return "hotinea";
    if (reduced == "hotineobliquemercatorazimuthcenter" || reduced == "rectifiedskeworthomorphiccenter" ||
        reduced == "obliquemercator")
        return "hotineb";
    if (reduced == "hotineobliquemercatorvarianta")
        return "hotinea";
    if (reduced == "hotineobliquemercatorvariantb")
        return "hotineb";
    // The catalogue's texts use ESRI's names; GDAL's own WKT1 and WKT2 name the same methods so.
    static const std::pair<const char*, const char*> aliases[] = {
        {"mercator2sp", "mercator"},
        {"mercatorvariantb", "mercator"},
        {"mercatorvarianta", "mercator1sp"},
        {"gausskruger", "transversemercator"},
        {"albersconicequalarea", "albers"},
        {"albersequalarea", "albers"},
        {"obliquestereographic", "doublestereographic"},
        {"cassinisoldner", "cassini"},
        {"popularvisualisationpseudomercator", "mercatorauxiliarysphere"},
        {"polarstereographicvarianta", "polarstereographic"},
        {"polarstereographicvariantb", "polarstereographic"},
    };
    for (const auto& [from, to] : aliases)
        if (reduced == from)
            return to;
    return reduced;
}

bool IsAngle(const std::string& parameter)
{
    return parameter == "lon0" || parameter == "lat0" || parameter == "sp1" || parameter == "sp2" ||
           parameter == "az" || parameter == "gamma" || parameter == "psp";
}

double* Find(std::vector<std::pair<std::string, double>>& parameters, const char* name)
{
    for (auto& p : parameters)
        if (p.first == name)
            return &p.second;
    return nullptr;
}

double Default(const std::string& parameter)
{
    return parameter == "k" ? 1.0 : 0.0;
}

void Drop(std::vector<std::pair<std::string, double>>& parameters, const char* name)
{
    parameters.erase(std::remove_if(parameters.begin(), parameters.end(),
                                    [name](const auto& p) { return p.first == name; }),
                     parameters.end());
}

// GDAL's WKT1 writes Web Mercator as a Mercator on WGS 84 with the sphere in a PROJ4 extension.
bool SphericalMercatorExtension(const CWktNode& root)
{
    const CWktNode* extension = root.Child("EXTENSION");
    if (extension == nullptr || extension->texts.size() < 2)
        return false;
    const std::string& proj = extension->texts[1];
    return proj.find("+proj=merc") != std::string::npos && proj.find("+a=6378137") != std::string::npos &&
           proj.find("+b=6378137") != std::string::npos;
}

// Two methods the catalogue writes in ESRI's form while OGC's and EPSG's texts use another
// set of parameters: Mercator by its scale (variant A) becomes Mercator by its standard
// parallel, and a polar stereographic by its standard parallel (variant B) ESRI's
// Stereographic_North_Pole/South_Pole. Any other combination stays as it is and so matches
// no ESRI text.
void EsriParameterForms(const CWktNode& root, CPrjSystem& s)
{
    const double* lat0 = Find(s.parameters, "lat0");
    const double* k = Find(s.parameters, "k");
    if (s.projection == "mercator1sp")
    {
        if (SphericalMercatorExtension(root))
        {
            s.projection = "mercatorauxiliarysphere";
            return;
        }
        const double scale = k != nullptr ? *k : 1.0;
        if ((lat0 != nullptr && *lat0 != 0) || !(scale > 0 && scale <= 1))
            return;
        const double f = s.rf != 0 ? 1 / s.rf : 0;
        const double e2 = f * (2 - f);
        const double s2 = (1 - scale * scale) / (1 - scale * scale * e2);
        s.projection = "mercator";
        Drop(s.parameters, "k");
        Drop(s.parameters, "lat0");
        s.parameters.emplace_back("sp1", std::asin(std::sqrt(s2)) * 57.29577951308232);
        return;
    }
    if (s.projection == "polarstereographic")
    {
        const double* sp1 = Find(s.parameters, "sp1");
        const double parallel = sp1 != nullptr ? *sp1 : lat0 != nullptr ? *lat0 : 90.0;
        if (std::fabs(parallel) == 90 || (k != nullptr && *k != 1))
            return;
        s.projection = parallel < 0 ? "stereographicsouthpole" : "stereographicnorthpole";
        Drop(s.parameters, "k");
        Drop(s.parameters, "lat0");
        Drop(s.parameters, "sp1");
        s.parameters.emplace_back("sp1", parallel);
    }
}

bool Near(double a, double b, double tolerance)
{
    return std::fabs(a - b) <= tolerance;
}

std::string Ids(const std::vector<std::pair<int, std::string>>& candidates)
{
    std::string out;
    for (std::size_t i = 0; i < candidates.size() && i < 6; ++i)
        out += (i ? ", " : "") + std::to_string(candidates[i].first) + " \"" + candidates[i].second + "\"";
    if (candidates.size() > 6)
        out += ", ...";
    return out;
}

} // namespace

const CWktNode* CWktNode::Child(const char* wanted) const
{
    for (const auto& c : children)
        if (c.keyword == wanted)
            return &c;
    return nullptr;
}

bool ParseWkt(const std::string& text, CWktNode& root)
{
    if (text.size() > kMaxWkt)
        return false;
    CWktReader reader(text);
    root = CWktNode{};
    return reader.Node(root, 0) && reader.AtEnd();
}

bool DescribeWkt(const std::string& text, CPrjSystem& s)
{
    CWktNode root;
    if (!ParseWkt(text, root))
        return false;
    s = CPrjSystem{};
    const CWktNode* geographic = nullptr;
    if (root.keyword == "PROJCS" || root.keyword == "PROJCRS")
    {
        s.projected = true;
        geographic = root.Child("GEOGCS");
        if (geographic == nullptr)
            geographic = root.Child("BASEGEOGCRS");
        if (geographic == nullptr)
            geographic = root.Child("BASEGEODCRS");
    }
    else if (root.keyword == "GEOGCS" || root.keyword == "GEOGCRS" || root.keyword == "GEODCRS")
        geographic = &root;
    if (geographic == nullptr || root.texts.empty())
        return false;
    s.name = Reduced(root.texts[0]);
    for (const char* id : {"AUTHORITY", "ID"})
        if (const CWktNode* a = root.Child(id))
            if (!a->texts.empty() && Reduced(a->texts[0]) == "epsg")
            {
                if (a->texts.size() > 1)
                    s.epsg = std::atoi(a->texts[1].c_str());
                else if (!a->numbers.empty())
                    s.epsg = static_cast<int>(a->numbers[0]);
            }
    const CWktNode* datum = geographic->Child("DATUM");
    const CWktNode* spheroid = datum != nullptr ? datum->Child("SPHEROID") : nullptr;
    if (datum != nullptr && spheroid == nullptr)
        spheroid = datum->Child("ELLIPSOID");
    if (datum == nullptr || spheroid == nullptr || spheroid->numbers.size() < 2 || datum->texts.empty())
        return false;
    s.datumName = ReducedDatum(datum->texts[0]);
    s.a = spheroid->numbers[0];
    s.rf = spheroid->numbers[1];
    if (const CWktNode* pm = geographic->Child("PRIMEM"); pm != nullptr && !pm->numbers.empty())
        s.primeMeridian = pm->numbers[0];
    s.angularUnit = 0.017453292519943295;
    for (const char* unit : {"UNIT", "ANGLEUNIT"})
        if (const CWktNode* u = geographic->Child(unit); u != nullptr && !u->numbers.empty())
            s.angularUnit = u->numbers[0];
    if (!(s.a > 0) || !(s.rf >= 0) || !(s.angularUnit > 0) || !std::isfinite(s.primeMeridian))
        return false;
    if (!s.projected)
        return true;

    const CWktNode* method = root.Child("PROJECTION");
    const CWktNode* conversion = root.Child("CONVERSION");
    if (method == nullptr && conversion != nullptr)
        method = conversion->Child("METHOD");
    if (method == nullptr || method->texts.empty())
        return false;
    s.projection = CanonicalProjection(Reduced(method->texts[0]));
    const CWktNode& holder = conversion != nullptr ? *conversion : root;
    for (const auto& c : holder.children)
        if (c.keyword == "PARAMETER" && !c.texts.empty() && !c.numbers.empty())
            s.parameters.emplace_back(CanonicalParameter(Reduced(c.texts[0])), c.numbers[0]);
    // The projected coordinates do not depend on how the base system counts its longitudes:
    // angles in degrees, the central longitude from Greenwich.
    const double toDegrees = s.angularUnit / 0.017453292519943295;
    for (auto& [name, value] : s.parameters)
        if (IsAngle(name))
            value *= toDegrees;
    // WKT1 writes the prime meridian in degrees, whatever the angular unit.
    if (double* lon0 = Find(s.parameters, "lon0"))
        *lon0 += s.primeMeridian;
    else if (s.primeMeridian != 0)
        s.parameters.emplace_back("lon0", s.primeMeridian);
    s.primeMeridian = 0;
    s.angularUnit = 0.017453292519943295;
    // Values some dialects leave to the method: the rectified grid angle of a Hotine form
    // without one is its azimuth, the standard parallel of a one-parallel Lambert its origin.
    if (s.projection == "hotinea" || s.projection == "hotineb")
        if (Find(s.parameters, "gamma") == nullptr)
            if (const double* az = Find(s.parameters, "az"))
                s.parameters.emplace_back("gamma", *az);
    if (s.projection == "lcc" && Find(s.parameters, "sp1") == nullptr && Find(s.parameters, "sp2") == nullptr)
        if (const double* lat0 = Find(s.parameters, "lat0"))
            s.parameters.emplace_back("sp1", *lat0);
    EsriParameterForms(root, s);
    std::sort(s.parameters.begin(), s.parameters.end());
    for (const char* unit : {"UNIT", "LENGTHUNIT"})
        if (const CWktNode* u = root.Child(unit); u != nullptr && !u->numbers.empty())
            s.linearUnit = u->numbers[0];
    // Values no system has (a unit of no length, an angle beyond any range) describe nothing.
    if (!(s.linearUnit > 0) || !std::isfinite(s.linearUnit))
        return false;
    for (const auto& p : s.parameters)
        if (!std::isfinite(p.second))
            return false;
    return true;
}

bool SameSystem(const CPrjSystem& a, const CPrjSystem& b)
{
    if (a.projected != b.projected || !Near(a.a, b.a, 1e-4) || !Near(a.rf, b.rf, 1e-8) ||
        !Near(a.primeMeridian, b.primeMeridian, 1e-9) || !Near(a.angularUnit, b.angularUnit, 1e-15))
        return false;
    if (!a.projected)
        return true;
    if (a.projection != b.projection || !Near(a.linearUnit, b.linearUnit, 2e-9 * a.linearUnit))
        return false;
    // Every parameter either side names, the other's default where it does not.
    std::vector<std::string> names;
    for (const auto& p : a.parameters)
        names.push_back(p.first);
    for (const auto& p : b.parameters)
        names.push_back(p.first);
    const auto value = [](const CPrjSystem& s, const std::string& name) {
        for (const auto& p : s.parameters)
            if (p.first == name)
                return p.second;
        return Default(name);
    };
    for (const auto& name : names)
    {
        double difference = value(a, name) - value(b, name);
        // Longitudes and azimuths a turn apart are the same.
        if (name == "lon0" || name == "az" || name == "gamma")
            difference = std::remainder(difference, 360.0);
        const double tolerance = name == "fe" || name == "fn" ? 1e-4 : name == "k" ? 1e-10 : 1e-8;
        if (!(std::fabs(difference) <= tolerance))
            return false;
    }
    return true;
}

bool MatchPrj(CCxAdo& ado, const std::string& wkt, CPrjMatch& match, std::string& why)
{
    CPrjSystem wanted;
    if (!DescribeWkt(wkt, wanted))
    {
        why = "the .prj holds no coordinate system in WKT this program reads";
        return false;
    }
    struct Candidate
    {
        int id;
        std::string name;
        CPrjSystem system;
    };
    // The code and the name point at a few rows, each looked up alone; the parameters need the
    // texts of them all.
    const auto describe = [&](const CCatalogueWkt& entry, std::vector<Candidate>& to) {
        CPrjSystem system;
        if (DescribeWkt(entry.wkt, system) && SameSystem(system, wanted))
            to.push_back({entry.id, entry.name, system});
    };
    const auto describeRow = [&](int id, std::vector<Candidate>& to) {
        CCatalogueWkt entry;
        std::string ignored;
        entry.id = id;
        if (CatalogueWkt(ado, wanted.projected ? 0 : id, wanted.projected ? id : 0, entry.wkt, ignored))
        {
            const std::string sql = wanted.projected ? "SELECT strGrid AS strName FROM tblGrids WHERE numId = "
                                                     : "SELECT strDatum AS strName FROM tblDatums WHERE numId = ";
            if (ado.OpenRecordset((sql + std::to_string(id)).c_str()) == 1)
                ado.GetFieldString("strName", entry.name);
            ado.CloseRecordset();
            describe(entry, to);
        }
    };
    // Rows whose shipped text or catalogue name has the .prj's name.
    const auto named = [&]() {
        std::vector<int> ids;
        const auto collect = [&](const std::string& sql) {
            for (int row = ado.OpenRecordset(sql.c_str()); row == 1; row = ado.MoveNext())
            {
                int id = 0;
                std::string name;
                ado.GetFieldLong("numId", id);
                ado.GetFieldString("strName", name);
                if (Reduced(name) == wanted.name && std::find(ids.begin(), ids.end(), id) == ids.end())
                    ids.push_back(id);
            }
            ado.CloseRecordset();
        };
        if (HasWktTable(ado))
            collect(std::string("SELECT numId, strName FROM tblWkt WHERE strKind = ") +
                    (wanted.projected ? "'grid'" : "'datum'"));
        collect(wanted.projected ? "SELECT numId, strGrid AS strName FROM tblGrids"
                                 : "SELECT numId, strDatum AS strName FROM tblDatums");
        return ids;
    };
    const auto choose = [&](const char* how, const std::vector<Candidate>& found) {
        const Candidate& c = found.front();
        match.gridId = wanted.projected ? c.id : 0;
        match.datumId = wanted.projected ? 0 : c.id;
        match.name = c.name;
        match.how = how;
        return true;
    };
    // Among several systems whose parameters agree, those of the .prj's datum name.
    const auto byDatum = [&](std::vector<Candidate> found) {
        std::vector<Candidate> named;
        for (const auto& c : found)
            if (c.system.datumName == wanted.datumName)
                named.push_back(c);
        return named;
    };

    // By code, then by name, then by parameters; each only among the systems whose parameters
    // agree.
    std::vector<Candidate> found;
    std::string codeNote;
    if (wanted.epsg != 0)
    {
        describeRow(wanted.epsg, found);
        if (found.empty())
        {
            if (!RowSignature(ado, wanted.epsg, wanted.projected).empty())
                codeNote = "; its EPSG code " + std::to_string(wanted.epsg) +
                           " names a catalogue system with other parameters";
        }
    }
    bool done = !found.empty() && choose("EPSG code", found);
    if (!done)
    {
        for (int id : named())
            describeRow(id, found);
        if (found.size() > 1)
            if (auto sameDatum = byDatum(found); !sameDatum.empty())
                found = sameDatum;
        done = found.size() == 1 && choose("name", found);
    }
    std::vector<Candidate> same;
    if (!done)
    {
        for (const auto& entry : CatalogueWktTexts(ado, wanted.projected))
            describe(entry, same);
        found = same.size() > 1 ? byDatum(same) : same;
        if (found.size() == 1)
            done = choose("parameters", found);
        else if (found.size() > 1)
        {
            std::vector<std::pair<int, std::string>> list;
            for (const auto& c : found)
                list.emplace_back(c.id, c.name);
            why = "several catalogue systems match the .prj: " + Ids(list);
            return false;
        }
    }
    if (!done)
    {
        if (same.size() > 1)
        {
            std::vector<std::pair<int, std::string>> list;
            for (const auto& c : same)
                list.emplace_back(c.id, c.name);
            why = "the .prj's datum is none of the catalogue systems with its parameters: " + Ids(list);
        }
        else
            why = "no catalogue system matches the .prj" + codeNote;
        return false;
    }
    if (wanted.projected)
    {
        // The grid's datum, for the conversion.
        const std::string sql = "SELECT numDatum FROM tblGrids WHERE numId = " + std::to_string(match.gridId);
        if (ado.OpenRecordset(sql.c_str()) != 1 || ado.GetFieldLong("numDatum", match.datumId) != 1)
        {
            ado.CloseRecordset();
            why = "the catalogue cannot be read";
            return false;
        }
        ado.CloseRecordset();
    }
    return true;
}

bool MatchPrj(const std::string& wkt, CPrjMatch& match, std::string& why)
{
    CCxAdo ado;
    if (!OpenCatalogue(ado))
    {
        why = "the catalogue cannot be reached";
        return false;
    }
    const bool done = MatchPrj(ado, wkt, match, why);
    ado.Disconnect();
    ado.Shutdown();
    return done;
}
