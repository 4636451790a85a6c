#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "CxBase.h"

// The narrow-character (UTF-8) text used for messages, SQL statements and
// names. It converts implicitly to const char*, so it goes wherever a C
// string does; Format writes printf-style through a bounded buffer.
class CCxString : public CCxBase
{
public:
    // Longest text Format produces; longer results are cut at a character
    // boundary (a UTF-8 sequence is never split).
    static constexpr std::size_t FormatLimit = 2048;

    CCxString() = default;
    CCxString(const char* text);
    CCxString(const std::string& text);
    CCxString(std::string&& text);
    CCxString(std::string_view text);
    // Wide text (UCS-4 on Linux) is converted to UTF-8.
    explicit CCxString(const wchar_t* text);

    CCxString& operator=(const char* text);
    CCxString& operator=(const std::string& text);
    CCxString& operator=(const wchar_t* text);

    CCxString& operator+=(const char* text);
    CCxString& operator+=(const std::string& text);
    CCxString& operator+=(const CCxString& text);
    CCxString& operator+=(char c);

    // printf-style formatting in the C locale's number syntax; returns the
    // number of characters kept.
    int Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Cuts a text to at most limit bytes without splitting a UTF-8 sequence.
    static std::string Truncated(std::string text, std::size_t limit = FormatLimit);

    const char* c_str() const { return text.c_str(); }
    operator const char*() const { return text.c_str(); }
    const std::string& str() const { return text; }
    std::size_t GetLength() const { return text.size(); }
    bool IsEmpty() const { return text.empty(); }
    void Empty() { text.clear(); }

    friend bool operator==(const CCxString& a, const CCxString& b) { return a.text == b.text; }
    friend bool operator==(const CCxString& a, const char* b) { return a.text == (b != nullptr ? b : ""); }
    friend bool operator==(const CCxString& a, const std::string& b) { return a.text == b; }

private:
    std::string text;
};

// Equal but for the case of ASCII letters, as names of keys, providers and
// fields are compared.
bool EqualNoCase(const std::string& a, const std::string& b);

// Wide text (UCS-4) to UTF-8; invalid code points become U+FFFD.
std::string WideToUtf8(const wchar_t* text);
