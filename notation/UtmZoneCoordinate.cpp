#include "UtmZoneCoordinate.h"

#include <GeographicLib/UTMUPS.hpp>
#include <charconv>
#include <cmath>
#include <vector>


namespace {

std::vector<std::string_view> Words(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size())
    {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t')
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

bool ReadMetres(std::string_view word, double& value)
{
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value,
                                           std::chars_format::fixed);
    return ec == std::errc() && end == word.data() + word.size() && std::isfinite(value);
}

bool Hemisphere(std::string_view word, bool& north)
{
    if (word == "N" || word == "n")
        north = true;
    else if (word == "S" || word == "s")
        north = false;
    else
        return false;
    return true;
}

// The zone and hemisphere of the words in front of the two numbers: "31N",
// "31 N", "UPS N" or "N".
bool ZoneWords(const std::vector<std::string_view>& words, std::size_t count, int& zone, bool& north,
               std::string& why)
{
    why = "a UTM coordinate is zone and hemisphere, easting, northing: 31N 637294.366 5762926.813";
    std::string_view zoneText;
    std::string_view letter;
    if (count == 1)
    {
        const std::string_view w = words[0];
        std::size_t digits = 0;
        while (digits < w.size() && w[digits] >= '0' && w[digits] <= '9')
            ++digits;
        zoneText = w.substr(0, digits);
        letter = w.substr(digits);
    }
    else if (count == 2)
    {
        zoneText = words[0];
        letter = words[1];
    }
    else
        return false;
    if (!Hemisphere(letter, north))
        return false;
    if (zoneText.empty() || zoneText == "UPS" || zoneText == "ups")
    {
        zone = GeographicLib::UTMUPS::UPS;
        return true;
    }
    const auto [end, ec] = std::from_chars(zoneText.data(), zoneText.data() + zoneText.size(), zone);
    if (ec != std::errc() || end != zoneText.data() + zoneText.size())
        return false;
    if (zone < 1 || zone > 60)
    {
        why = "zone " + std::string(zoneText) + " does not exist (1 to 60)";
        return false;
    }
    return true;
}

} // namespace

bool CUtmZoneCoordinate::Format(double latitude, double longitude, int zone, int decimals, std::string& text,
                                std::string& why)
{
    if (!std::isfinite(latitude) || !std::isfinite(longitude))
    {
        why = "the position is not a number";
        return false;
    }
    if (latitude < -90 || latitude > 90)
    {
        why = "the latitude lies beyond the poles";
        return false;
    }
    if (zone < 0 || zone > 60 || decimals < 0 || decimals > 9)
    {
        why = "zones are 1 to 60, decimals 0 to 9";
        return false;
    }
    int used = 0;
    bool north = true;
    double x = 0, y = 0, gamma = 0, k = 0;
    try
    {
        GeographicLib::UTMUPS::Forward(latitude, longitude, used, north, x, y, gamma, k,
                                       zone == 0 ? int(GeographicLib::UTMUPS::STANDARD) : zone);
    }
    catch (const std::exception& e)
    {
        why = e.what();
        return false;
    }
    text = used == 0 ? std::string("UPS ") : std::to_string(used);
    text += north ? "N " : "S ";
    // Eastings and northings stay below 1e8 m: 64 characters hold them.
    char number[64];
    auto written = std::to_chars(number, number + sizeof number, x, std::chars_format::fixed, decimals);
    text.append(number, written.ptr);
    text += ' ';
    written = std::to_chars(number, number + sizeof number, y, std::chars_format::fixed, decimals);
    text.append(number, written.ptr);
    return true;
}

bool CUtmZoneCoordinate::Parse(std::string_view text, double& latitude, double& longitude, std::string& why)
{
    const std::vector<std::string_view> words = Words(text);
    int zone = 0;
    bool north = true;
    double x = 0, y = 0;
    if (words.size() < 3 || !ZoneWords(words, words.size() - 2, zone, north, why))
    {
        if (why.empty())
            why = "a UTM coordinate is zone and hemisphere, easting, northing: 31N 637294.366 5762926.813";
        return false;
    }
    if (!ReadMetres(words[words.size() - 2], x) || !ReadMetres(words.back(), y))
    {
        why = "the easting and northing must be plain numbers of metres";
        return false;
    }
    try
    {
        double lat = 0, lon = 0;
        GeographicLib::UTMUPS::Reverse(zone, north, x, y, lat, lon);
        latitude = lat;
        longitude = lon;
    }
    catch (const std::exception& e)
    {
        why = e.what();
        return false;
    }
    return true;
}
