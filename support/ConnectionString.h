#pragma once

#include <string>
#include <utility>
#include <vector>

// A connection string "Key=Value;Key2=Value2;..." split into its pairs. Keys
// are trimmed and compared case-insensitively; a value may be wrapped in
// {braces} (ODBC) or quotes, which may then hold ';'.
class CConnectionString
{
public:
    explicit CConnectionString(const std::string& text);

    // The value of the first pair with that key (case-insensitive), or "".
    std::string Get(const std::string& key) const;
    bool Has(const std::string& key) const;
    const std::vector<std::pair<std::string, std::string>>& Pairs() const { return pairs; }

private:
    std::vector<std::pair<std::string, std::string>> pairs;
};

// The text with the values of every Pwd= and Password= pair replaced by ***,
// wherever a connection string may appear in it.
std::string MaskPasswords(const std::string& text);
