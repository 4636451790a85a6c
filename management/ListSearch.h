#pragma once

#include <QString>

// Ordering and narrowing of the selection lists, shared by the catalogue
// dialogs.

// Natural order: letters without regard to case, runs of digits by their
// value, so "UTM zone 2N" comes before "UTM zone 29S". Negative, 0 or
// positive as QString::compare.
int NaturalCompare(const QString& a, const QString& b);
inline bool NaturalLess(const QString& a, const QString& b)
{
    return NaturalCompare(a, b) < 0;
}

// Whether a row stays in a list narrowed by a search text: its name contains
// the text without regard to case, or its EPSG code (shipped rows, up to
// 50000) starts with it. Blanks around the text do not count; an empty text
// keeps every row.
bool MatchesSearch(const QString& name, int id, const QString& search);

