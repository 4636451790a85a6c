#include "WzdVectorFormats.h"

#include <gdal_priv.h>

#include <algorithm>
#include <mutex>
#include <set>

namespace {

// Every vector driver, with whether it creates files.
template <class Visit>
void ForEachVectorDriver(Visit visit)
{
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
    GDALDriverManager* manager = GetGDALDriverManager();
    for (int i = 0; i < manager->GetDriverCount(); ++i)
    {
        GDALDriver* driver = manager->GetDriver(i);
        if (driver == nullptr || driver->GetMetadataItem(GDAL_DCAP_VECTOR) == nullptr)
            continue;
        const char* list = driver->GetMetadataItem(GDAL_DMD_EXTENSIONS);
        if (list == nullptr)
            list = driver->GetMetadataItem(GDAL_DMD_EXTENSION);
        WzdVectorFormat format;
        format.driver = driver->GetDescription();
        const char* name = driver->GetMetadataItem(GDAL_DMD_LONGNAME);
        format.name = name != nullptr ? name : format.driver;
        if (list != nullptr)
        {
            const CPLStringList extensions(CSLTokenizeString(list), TRUE);
            for (int e = 0; e < extensions.size(); ++e)
                format.extensions.emplace_back(extensions[e]);
        }
        visit(std::move(format), driver->GetMetadataItem(GDAL_DCAP_CREATE) != nullptr);
    }
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
