#include "WzdVectorFormats.h"

#include <algorithm>
#include <set>

#include "ConvertVector.h"

namespace {

// Every vector driver, with whether it creates files.
template <class Visit>
void ForEachVectorDriver(Visit visit)
{
    for (VectorFormatSummary& summary : ListVectorFormats())
        visit(WzdVectorFormat{std::move(summary.driver), std::move(summary.name), std::move(summary.extensions)},
              summary.creates);
}

std::string Patterns(const std::vector<std::string>& extensions)
{
    std::string patterns;
    for (const std::string& extension : extensions)
        patterns += (patterns.empty() ? "*." : ";*.") + extension;
    return patterns;
}

} // namespace

std::vector<WzdVectorFormat> WritableVectorFormats()
{
    std::vector<WzdVectorFormat> formats;
    ForEachVectorDriver([&](WzdVectorFormat format, bool creates) {
        if (creates)
            formats.push_back(std::move(format));
    });
    std::sort(formats.begin(), formats.end(),
              [](const WzdVectorFormat& a, const WzdVectorFormat& b) { return a.name < b.name; });
    return formats;
}

std::vector<WzdVectorFormat> ReadableVectorFormats()
{
    std::vector<WzdVectorFormat> formats;
    ForEachVectorDriver([&](WzdVectorFormat format, bool) { formats.push_back(std::move(format)); });
    return formats;
}

std::string VectorFileFilter(const std::vector<WzdVectorFormat>& formats, const std::string& allName, bool each)
{
    std::set<std::string> all;
    std::string entries;
    for (const WzdVectorFormat& format : formats)
    {
        if (format.extensions.empty())
            continue;
        all.insert(format.extensions.begin(), format.extensions.end());
        if (each)
            entries += format.name + '|' + Patterns(format.extensions) + '|';
    }
    return allName + '|' + Patterns({all.begin(), all.end()}) + '|' + entries + "All Files (*.*)|*.*||";
}
