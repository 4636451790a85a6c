#include "CoordinateText.h"

#include <charconv>
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
