#include "CxString.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cwchar>

CCxString::CCxString(const char* t) : text(t != nullptr ? t : "") {}
CCxString::CCxString(const std::string& t) : text(t) {}
CCxString::CCxString(std::string&& t) : text(std::move(t)) {}
CCxString::CCxString(std::string_view t) : text(t) {}
CCxString::CCxString(const wchar_t* t) : text(WideToUtf8(t)) {}

CCxString& CCxString::operator=(const char* t)
{
    text = t != nullptr ? t : "";
    return *this;
}

CCxString& CCxString::operator=(const std::string& t)
{
    text = t;
    return *this;
}

CCxString& CCxString::operator=(const wchar_t* t)
{
    text = WideToUtf8(t);
    return *this;
}

CCxString& CCxString::operator+=(const char* t)
{
    if (t != nullptr)
        text += t;
    return *this;
}

CCxString& CCxString::operator+=(const std::string& t)
{
    text += t;
    return *this;
}

CCxString& CCxString::operator+=(const CCxString& t)
{
    text += t.text;
    return *this;
}

CCxString& CCxString::operator+=(char c)
{
    text += c;
    return *this;
}

int CCxString::Format(const char* format, ...)
{
    char buffer[FormatLimit + 1];
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) {
        va_end(again);
        text.clear();
        return 0;
    }
    if (static_cast<std::size_t>(n) <= FormatLimit) {
        text.assign(buffer, static_cast<std::size_t>(n));
    } else {
        // Formatted whole once more so the cut can see where a character ends.
        std::string full(static_cast<std::size_t>(n) + 1, '\0');
        std::vsnprintf(full.data(), full.size(), format, again);
        full.resize(static_cast<std::size_t>(n));
        text = Truncated(std::move(full));
    }
    va_end(again);
    return static_cast<int>(text.size());
}

std::string CCxString::Truncated(std::string t, std::size_t limit)
{
    if (t.size() <= limit)
        return t;
    std::size_t cut = limit;
    // Back up over continuation bytes so the cut falls before a lead byte.
    while (cut > 0 && (static_cast<unsigned char>(t[cut]) & 0xC0) == 0x80)
        --cut;
    t.resize(cut);
    return t;
}

std::string WideToUtf8(const wchar_t* t)
{
    std::string out;
    if (t == nullptr)
        return out;
    for (; *t != L'\0'; ++t) {
        auto c = static_cast<unsigned long>(*t);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
