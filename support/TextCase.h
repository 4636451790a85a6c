#pragma once

#include <string>
#include <string_view>

// The one copy of the small text helpers the modules share. Case is changed
// for ASCII letters only, whatever the locale: these serve file names,
// extensions, keywords and SQL names, never names shown to people (see
// FoldForSearch for those).
std::string AsciiLower(std::string text);
std::string AsciiUpper(std::string text);
// Without the white space (blank, tab, line ends, vertical tab, form feed)
// at both ends.
std::string Trim(std::string_view text);
// Folds a UTF-8 name for a search in any case: ASCII and the Latin, Greek and
// Cyrillic letters of Unicode's simple case folding are lowered; an invalid
// byte stays as it is.
std::string FoldForSearch(std::string_view text);
