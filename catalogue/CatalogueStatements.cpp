#include "CatalogueStatements.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

// printf into a string of the exact length: a statement is never cut short.
std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out;
    if (length > 0)
    {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        out.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(again);
    return out;
}

std::string Trim(const std::string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

// The trimmed number texts, or false when one of them is not a number.
bool Numbers(std::initializer_list<const std::string*> texts, std::vector<std::string>& out)
{
    out.clear();
    for (const std::string* text : texts)
    {
        if (!IsSqlNumber(*text))
            return false;
        out.push_back(Trim(*text));
    }
    return true;
}

} // namespace

std::string FormatStatement(const char* statement, long id)
{
    return Format(statement, id);
}

std::string FormatStatement(const char* statement, long first, long second)
{
    return Format(statement, first, second);
}

std::string QuoteSqlText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
    {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    return out;
}

bool IsSqlNumber(const std::string& text)
{
    const std::string t = Trim(text);
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])))
        ++i, ++digits;
    if (i < t.size() && t[i] == '.')
    {
        ++i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E'))
    {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        size_t exponent = 0;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])))
            ++i, ++exponent;
        if (exponent == 0)
            return false;
    }
    return i == t.size();
}

bool FormatEllipsoidInsert(long id, const EllipsoidValues& v, std::string& sql)
{
    sql.clear();
    std::vector<std::string> n;
    if (!Numbers({&v.axisA, &v.inverseFlattening}, n))
        return false;
    sql = Format(CatalogueSql::E5, id, QuoteSqlText(v.name).c_str(), n[0].c_str(), n[1].c_str());
    return true;
}

bool FormatEllipsoidUpdate(long id, const EllipsoidValues& v, std::string& sql)
{
    sql.clear();
    std::vector<std::string> n;
    if (!Numbers({&v.axisA, &v.inverseFlattening}, n))
        return false;
    sql = Format(CatalogueSql::E6, QuoteSqlText(v.name).c_str(), n[0].c_str(), n[1].c_str(), id);
    return true;
}

bool FormatDatumInsert(long id, const DatumValues& v, std::string& sql)
{
    sql.clear();
    std::vector<std::string> n;
    if (!Numbers({&v.scaleFactor, &v.deltaX, &v.deltaY, &v.deltaZ, &v.rotationX, &v.rotationY, &v.rotationZ}, n))
        return false;
    sql = Format(CatalogueSql::D6, id, QuoteSqlText(v.name).c_str(), QuoteSqlText(v.file).c_str(), v.ellipsoid,
                 v.prime, v.method, n[0].c_str(), n[1].c_str(), n[2].c_str(), n[3].c_str(), n[4].c_str(),
                 n[5].c_str(), n[6].c_str());
    return true;
}

bool FormatDatumUpdate(long id, const DatumValues& v, std::string& sql)
{
    sql.clear();
    std::vector<std::string> n;
    if (!Numbers({&v.scaleFactor, &v.deltaX, &v.deltaY, &v.deltaZ, &v.rotationX, &v.rotationY, &v.rotationZ}, n))
        return false;
    sql = Format(CatalogueSql::D7, QuoteSqlText(v.name).c_str(), QuoteSqlText(v.file).c_str(), v.ellipsoid, v.prime,
                 v.method, n[0].c_str(), n[1].c_str(), n[2].c_str(), n[3].c_str(), n[4].c_str(), n[5].c_str(),
                 n[6].c_str(), id);
    return true;
}

bool FormatGridInsert(long id, const GridValues& v, std::string& sql)
{
    sql.clear();
    std::vector<std::string> n;
    if (!Numbers({&v.scale, &v.falseEasting, &v.falseNorthing, &v.latitudeOrigin, &v.longitudeOrigin,
                  &v.parallelNorth, &v.parallelSouth, &v.azimuth, &v.rectifiedGrid},
                 n))
        return false;
    sql = Format(CatalogueSql::G7, id, QuoteSqlText(v.name).c_str(), v.country, v.projection, v.datum, v.units,
                 n[0].c_str(), n[1].c_str(), n[2].c_str(), n[3].c_str(), n[4].c_str(), n[5].c_str(), n[6].c_str(),
                 n[7].c_str(), n[8].c_str());
    return true;
}

bool FormatGridUpdate(long id, const GridValues& v, std::string& sql)
{
    sql.clear();
    std::vector<std::string> n;
    if (!Numbers({&v.scale, &v.falseEasting, &v.falseNorthing, &v.latitudeOrigin, &v.longitudeOrigin,
                  &v.parallelNorth, &v.parallelSouth, &v.azimuth, &v.rectifiedGrid},
                 n))
        return false;
    sql = Format(CatalogueSql::G8, QuoteSqlText(v.name).c_str(), v.country, v.projection, v.datum, v.units,
                 n[0].c_str(), n[1].c_str(), n[2].c_str(), n[3].c_str(), n[4].c_str(), n[5].c_str(), n[6].c_str(),
                 n[7].c_str(), n[8].c_str(), id);
    return true;
}

bool FormatCountryInsert(long id, const CountryValues& v, std::string& sql)
{
    sql = Format(CatalogueSql::C7, id, QuoteSqlText(v.name).c_str(), QuoteSqlText(v.flag).c_str());
    return true;
}

bool FormatCountryUpdate(long id, const CountryValues& v, std::string& sql)
{
    sql = Format(CatalogueSql::C8, QuoteSqlText(v.name).c_str(), QuoteSqlText(v.flag).c_str(), id);
    return true;
}

std::string ComposeGridListQuery(long countryFilter, long datumFilter, int sortColumn, int direction)
{
    std::string sql = std::string(CatalogueSql::G3_SELECT) + CatalogueSql::G3_FROM;
    if (countryFilter != 0 && datumFilter != 0)
        sql += Format(CatalogueSql::G3_COUNTRY_AND_DATUM, countryFilter, datumFilter);
    else if (countryFilter != 0)
        sql += Format(CatalogueSql::G3_COUNTRY, countryFilter);
    else if (datumFilter != 0)
        sql += Format(CatalogueSql::G3_DATUM, datumFilter);

    if (sortColumn < 1 || sortColumn > 3)
        return sql;
    sql += sortColumn == 1 ? CatalogueSql::G3_ORDER_ID
         : sortColumn == 2 ? CatalogueSql::G3_ORDER_COUNTRY
                           : CatalogueSql::G3_ORDER_NAME;
    sql += direction == 1 ? CatalogueSql::G3_DESC : CatalogueSql::G3_ASC;
    if (sortColumn == 2)
        sql += CatalogueSql::G3_THEN_COUNTRY;
    else if (sortColumn == 3)
        sql += CatalogueSql::G3_THEN_NAME;
    return sql;
}
