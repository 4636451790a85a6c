#include "ListSearch.h"

namespace {

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

int NaturalCompare(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size())
    {
        if (IsDigit(a[i]) && IsDigit(b[j]))
        {
            // Compare the runs by value: skip leading zeros, then the longer
            // run is the larger, then digit by digit.
            qsizetype si = i, sj = j;
            while (si < a.size() && a[si] == u'0')
                ++si;
            while (sj < b.size() && b[sj] == u'0')
                ++sj;
            qsizetype ei = si, ej = sj;
            while (ei < a.size() && IsDigit(a[ei]))
                ++ei;
            while (ej < b.size() && IsDigit(b[ej]))
                ++ej;
            if (ei - si != ej - sj)
                return ei - si < ej - sj ? -1 : 1;
            for (qsizetype k = 0; k < ei - si; ++k)
                if (a[si + k] != b[sj + k])
                    return a[si + k] < b[sj + k] ? -1 : 1;
            // Equal values: fewer leading zeros first, then go on.
            if (ei - i != ej - j)
                return ei - i < ej - j ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toCaseFolded();
        const QChar cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    // Equal but for case: a stable tie-break keeps the order total.
    return QString::compare(a, b, Qt::CaseSensitive);
}

bool MatchesSearch(const QString& name, int id, const QString& search)
{
    const QString text = search.trimmed();
    if (text.isEmpty())
        return true;
    if (name.contains(text, Qt::CaseInsensitive))
        return true;
    return id > 0 && id <= 50000 && QString::number(id).startsWith(text);
}

