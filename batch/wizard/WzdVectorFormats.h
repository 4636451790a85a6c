#pragma once

#include <string>
#include <vector>

// The GIS vector formats GDAL's library offers here, as the wizard's vector
// file page lists them.
struct WzdVectorFormat
{
    std::string driver; // OGR's short name, as the settings' vectorFormat takes it
    std::string name;   // its long name
    std::vector<std::string> extensions; // without the dot; may be empty
};

// The formats OGR writes, by long name.
std::vector<WzdVectorFormat> WritableVectorFormats();
// Every vector format OGR reads.
std::vector<WzdVectorFormat> ReadableVectorFormats();

// A file dialog's filter ("Name|pattern|...||") of the given formats: one
// entry of them all first (allName), then, with each, one for every format
// with extensions, then every file.
std::string VectorFileFilter(const std::vector<WzdVectorFormat>& formats, const std::string& allName, bool each);
