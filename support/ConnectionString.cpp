#include "ConnectionString.h"

#include <cctype>

#include "CxString.h"
#include "TextCase.h"

namespace {

bool IsPasswordKey(const std::string& key)
{
    return EqualNoCase(key, "pwd") || EqualNoCase(key, "password");
}

} // namespace

CConnectionString::CConnectionString(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t eq = text.find('=', i);
        const std::size_t semi = text.find(';', i);
        if (eq == std::string::npos || (semi != std::string::npos && semi < eq)) {
            // A piece without '=' carries no pair.
            if (semi == std::string::npos)
                break;
            i = semi + 1;
            continue;
        }
        std::string key = Trim(text.substr(i, eq - i));
        std::size_t v = eq + 1;
        while (v < text.size() && text[v] == ' ')
            ++v;
        std::string value;
        std::size_t next;
        const char open = v < text.size() ? text[v] : '\0';
        if (open == '{' || open == '"' || open == '\'') {
            const char close = open == '{' ? '}' : open;
            std::size_t end = text.find(close, v + 1);
            if (end == std::string::npos)
                end = text.size();
            value = text.substr(v + 1, end - v - 1);
            next = text.find(';', end);
        } else {
            next = text.find(';', v);
            value = Trim(text.substr(v, next == std::string::npos ? std::string::npos : next - v));
        }
        if (!key.empty())
            pairs.emplace_back(std::move(key), std::move(value));
        if (next == std::string::npos)
            break;
        i = next + 1;
    }
}

std::string CConnectionString::Get(const std::string& key) const
{
    for (const auto& [k, v] : pairs)
        if (EqualNoCase(k, key))
            return v;
    return std::string();
}

bool CConnectionString::Has(const std::string& key) const
{
    for (const auto& pair : pairs)
        if (EqualNoCase(pair.first, key))
            return true;
    return false;
}

std::string MaskPasswords(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    // A ']' ends a value only inside brackets, "[...;Pwd=x]": elsewhere it may be part of the password.
    int brackets = 0;
    while (i < text.size()) {
        // A key starts the text or follows a separator; white space of any kind, as the parser trims it.
        const bool atKeyStart = i == 0 || text[i - 1] == ';' || text[i - 1] == '[' || text[i - 1] == ',' ||
                                std::isspace(static_cast<unsigned char>(text[i - 1]));
        if (atKeyStart) {
            std::size_t k = i;
            while (k < text.size() && std::isalpha(static_cast<unsigned char>(text[k])))
                ++k;
            std::size_t eq = k;
            while (eq < text.size() && std::isspace(static_cast<unsigned char>(text[eq])))
                ++eq;
            if (k > i && eq < text.size() && text[eq] == '=' && IsPasswordKey(text.substr(i, k - i))) {
                std::size_t v = eq + 1;
                while (v < text.size() && text[v] == ' ')
                    ++v;
                out.append(text, i, v - i);
                std::size_t end;
                if (v < text.size() && (text[v] == '{' || text[v] == '"' || text[v] == '\'')) {
                    const char close = text[v] == '{' ? '}' : text[v];
                    end = text.find(close, v + 1);
                    end = end == std::string::npos ? text.size() : end + 1;
                } else {
                    end = v;
                    while (end < text.size() && text[end] != ';' && (text[end] != ']' || brackets == 0))
                        ++end;
                }
                out += "***";
                i = end;
                continue;
            }
        }
        if (text[i] == '[')
            ++brackets;
        else if (text[i] == ']' && brackets > 0)
            --brackets;
        out += text[i];
        ++i;
    }
    return out;
}
