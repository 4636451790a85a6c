#include "CoordinateText.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "NumericLocale.h"

double ParseCoordinateText(std::string& text, int coordinateFormat)
{
    CNumericLocale numbers;
    double sign = 1;
    double d = 0, m = 0, t = 0, s = 0;
    double value = 0;

    // One pass: upper case, the sign markers, the hemisphere letters and
    // signs taken out, everything else but digits and points made blank.
    std::size_t kept = 0;
    for (char c : text)
    {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c == 'S' || c == 'W' || c == '-')
            sign = -1;
        if (c == 'S' || c == 'W' || c == 'N' || c == 'E' || c == '+' || c == '-')
            continue;
        text[kept++] = (c >= '0' && c <= '9') || c == '.' ? c : ' ';
    }
    text.resize(kept);

    auto pointsToBlanks = [&text] {
        for (char& c : text)
            if (c == '.')
                c = ' ';
    };

    switch (coordinateFormat)
    {
    case 0:
    {
        // The text holds digits, points and blanks alone here, where "%lf"
        // reads exactly what from_chars reads after the leading blanks.
        const char* first = text.data();
        const char* last = first + text.size();
        while (first != last && *first == ' ')
            ++first;
        if (std::from_chars(first, last, value).ec != std::errc())
            value = 0;
        break;
    }
    case 1:
        pointsToBlanks();
        std::sscanf(text.c_str(), "%3lf %2lf %3lf", &d, &m, &t);
        value = m / 60 + d + t / 60000;
        break;
    case 2:
    {
        pointsToBlanks();
        const std::size_t blank = text.find(' ');
        if (blank == 4)
            std::sscanf(text.c_str(), "%2lf%2lf %3lf", &d, &m, &t);
        else if (blank == 5)
            std::sscanf(text.c_str(), "%3lf%2lf %3lf", &d, &m, &t);
        value = m / 60 + d + t / 60000;
        break;
    }
    case 3:
        std::sscanf(text.c_str(), "%3lf %2lf %lf", &d, &m, &s);
        value = m / 60 + d + s / 3600;
        break;
    case 4:
    {
        const std::size_t point = text.find('.');
        if (point == 6)
            std::sscanf(text.c_str(), "%2lf%2lf%lf", &d, &m, &s);
        else if (point == 7)
            std::sscanf(text.c_str(), "%3lf%2lf%lf", &d, &m, &s);
        value = m / 60 + d + s / 3600;
        break;
    }
    default:
        value = 0;
        break;
    }
    return sign * value;
}

namespace {

struct Token
{
    std::string_view text;
    std::size_t mark = std::string_view::npos; // index of the decimal point or comma
    std::size_t Whole() const { return mark == std::string_view::npos ? text.size() : mark; }
    bool Integer() const { return mark == std::string_view::npos; }
};

bool TokenValue(std::string_view text, bool decimalComma, double& value)
{
    return ReadWholeNumber(text, decimalComma, value);
}

} // namespace

bool ReadCoordinateField(std::string_view field, int coordinateFormat, int axis, bool decimalComma, double& value)
{
    double v = 0;
    // The common case, a plain signed decimal number.
    if (coordinateFormat == 0 && ReadWholeNumber(field, decimalComma, v))
    {
        value = v;
        return true;
    }

    Token tokens[4];
    std::size_t count = 0;
    int markers = 0;
    bool negative = false;
    std::size_t start = std::string_view::npos;
    std::size_t mark = std::string_view::npos;
    auto close = [&](std::size_t end) {
        if (start == std::string_view::npos)
            return true;
        if (count == 4)
            return false;
        Token& t = tokens[count++];
        t.text = field.substr(start, end - start);
        t.mark = mark == std::string_view::npos ? mark : mark - start;
        start = mark = std::string_view::npos;
        // A point alone is no number.
        return t.text.size() > (t.Integer() ? 0u : 1u);
    };
    const auto* bytes = reinterpret_cast<const unsigned char*>(field.data());
    for (std::size_t i = 0; i < field.size(); ++i)
    {
        const unsigned char c = bytes[i];
        if (c >= '0' && c <= '9')
        {
            if (start == std::string_view::npos)
                start = i;
            continue;
        }
        if (c == '.' || (decimalComma && c == ','))
        {
            if (mark != std::string_view::npos)
                return false;
            if (start == std::string_view::npos)
                start = i;
            mark = i;
            continue;
        }
        if (!close(i))
            return false;
        const unsigned char upper = c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
        switch (upper)
        {
        case '-':
        case 'S':
        case 'W':
            negative = true;
            [[fallthrough]];
        case '+':
        case 'N':
        case 'E':
            ++markers;
            if ((axis == kAxisLatitude && (upper == 'E' || upper == 'W')) ||
                (axis == kAxisLongitude && (upper == 'N' || upper == 'S')))
                return false;
            break;
        case ' ':
        case '\t':
        case '\r':
        case '\n':
        case '\'':
        case '"':
        case ':':
            break;
        case 0xC2: // ° and º in UTF-8
            if (i + 1 >= field.size() || (bytes[i + 1] != 0xB0 && bytes[i + 1] != 0xBA))
                return false;
            ++i;
            break;
        case 0xE2: // ′ and ″
            if (i + 2 >= field.size() || bytes[i + 1] != 0x80 || (bytes[i + 2] != 0xB2 && bytes[i + 2] != 0xB3))
                return false;
            i += 2;
            break;
        default:
            return false;
        }
    }
    if (!close(field.size()) || count == 0 || markers > 1)
        return false;

    double d = 0, m = 0, s = 0;
    const bool comma = decimalComma;
    switch (coordinateFormat)
    {
    case 0:
        if (count != 1 || !TokenValue(tokens[0].text, comma, v))
            return false;
        break;
    case 1:
    case 3:
    {
        // DDD MM.MMM, DDD MM SS.SS: all but the last part whole numbers.
        const std::size_t parts = coordinateFormat == 1 ? 2 : 3;
        if (count > parts)
            return false;
        for (std::size_t i = 0; i + 1 < count; ++i)
            if (!tokens[i].Integer())
                return false;
        if (tokens[0].Whole() > 3 || !TokenValue(tokens[0].text, comma, d))
            return false;
        if (count > 1 && (tokens[1].Whole() > 2 || !TokenValue(tokens[1].text, comma, m) || m >= 60))
            return false;
        if (count > 2 && (tokens[2].Whole() > 2 || !TokenValue(tokens[2].text, comma, s) || s >= 60))
            return false;
        v = d + m / 60 + s / 3600;
        break;
    }
    case 2:
    case 4:
    {
        // DDDMM.MMM, DDDMMSS.SS: the degrees are what the two or four
        // digits of minutes (and seconds) leave, two or three of them.
        if (count != 1)
            return false;
        const Token& t = tokens[0];
        const std::size_t tail = coordinateFormat == 2 ? 2 : 4;
        if (t.Whole() != tail + 2 && t.Whole() != tail + 3)
            return false;
        const std::string_view digits = t.text;
        const std::size_t degreeDigits = t.Whole() - tail;
        if (!TokenValue(digits.substr(0, degreeDigits), false, d))
            return false;
        if (coordinateFormat == 2)
        {
            if (!TokenValue(digits.substr(degreeDigits), comma, m))
                return false;
        }
        else if (!TokenValue(digits.substr(degreeDigits, 2), false, m) ||
                 !TokenValue(digits.substr(degreeDigits + 2), comma, s))
            return false;
        if (m >= 60 || s >= 60)
            return false;
        v = d + m / 60 + s / 3600;
        break;
    }
    default:
        return false;
    }
    value = negative ? -v : v;
    return true;
}
