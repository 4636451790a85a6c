#include "GridGeoTiff.h"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include <sys/stat.h>
#include <tiffio.h>

namespace {

// GeoTIFF's own tags, read as the anonymous or registered fields libtiff
// makes of them.
constexpr ttag_t kModelPixelScale = 33550;
constexpr ttag_t kModelTiepoint = 33922;
constexpr ttag_t kModelTransformation = 34264;
constexpr ttag_t kGeoKeyDirectory = 34735;
constexpr unsigned kModelTypeKey = 1024;
constexpr unsigned kRasterTypeKey = 1025;
constexpr unsigned kAngularUnitsKey = 2054;
constexpr unsigned kModelTypeGeographic = 2;
constexpr unsigned kRasterPixelIsPoint = 2;
constexpr unsigned kAngularUnitDegree = 9102;

// No grid this program reads comes near it; a header claiming more is not
// believed.
constexpr int64_t kMostBytes = int64_t(2) << 30;
// DEFLATE and LZW expand a byte to at most a few thousand.
constexpr int64_t kMostExpansion = 4096;

int SilentHandler(TIFF*, void* why, const char*, const char* format, va_list args)
{
    char text[256];
    std::vsnprintf(text, sizeof text, format, args);
    auto* message = static_cast<std::string*>(why);
    if (message->empty())
        *message = text;
    return 1;
}

struct TiffCloser
{
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
struct OptionsFreer
{
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// A custom tag's array of doubles or shorts whatever count width the field
// was given (anonymous fields count in 32 bits, GeoTIFF's registered ones in
// 16).
template <typename T>
bool ArrayTag(TIFF* tif, ttag_t tag, TIFFDataType type, const T*& data, uint32_t& count)
{
    const TIFFField* field = TIFFFindField(tif, tag, TIFF_ANY);
    if (field == nullptr || TIFFFieldDataType(field) != type || !TIFFFieldPassCount(field))
        return false;
    void* raw = nullptr;
    if (TIFFFieldReadCount(field) == TIFF_VARIABLE2)
    {
        uint32_t n = 0;
        if (TIFFGetField(tif, tag, &n, &raw) != 1)
            return false;
        count = n;
    }
    else
    {
        uint16_t n = 0;
        if (TIFFGetField(tif, tag, &n, &raw) != 1)
            return false;
        count = n;
    }
    data = static_cast<const T*>(raw);
    return data != nullptr;
}

// A text tag, whether libtiff passes its length or not; empty when absent.
std::string TextTag(TIFF* tif, ttag_t tag)
{
    const TIFFField* field = TIFFFindField(tif, tag, TIFF_ANY);
    if (field == nullptr || TIFFFieldDataType(field) != TIFF_ASCII)
        return {};
    const char* text = nullptr;
    if (!TIFFFieldPassCount(field))
        return TIFFGetField(tif, tag, &text) == 1 && text != nullptr ? std::string(text) : std::string();
    uint32_t count = 0;
    if (TIFFFieldReadCount(field) == TIFF_VARIABLE2)
    {
        if (TIFFGetField(tif, tag, &count, &text) != 1)
            return {};
    }
    else
    {
        uint16_t shortCount = 0;
        if (TIFFGetField(tif, tag, &shortCount, &text) != 1)
            return {};
        count = shortCount;
    }
    if (text == nullptr)
        return {};
    // The count includes the closing NUL when the writer put one.
    std::string value(text, count);
    const size_t end = value.find('\0');
    return end == std::string::npos ? value : value.substr(0, end);
}

// The value of a GeoKey stored in the directory itself; 0 when absent.
unsigned GeoKey(const uint16_t* keys, uint32_t count, unsigned id)
{
    if (count < 4)
        return 0;
    const uint32_t listed = keys[3];
    for (uint32_t k = 1; k <= listed && 4 * k + 3 < count; ++k)
        if (keys[4 * k] == id && keys[4 * k + 1] == 0)
            return keys[4 * k + 3];
    return 0;
}

// The text of <Item ... sample="S" role="ROLE">TEXT</Item> in GDAL's
// metadata (or of name="NAME" when key names it so; an item of the whole
// image, without a sample, for a negative sample); empty when there is none.
std::string MetadataItem(const std::string& xml, int sample, const char* role)
{
    const std::string sampleAttribute = sample < 0 ? "sample=" : "sample=\"" + std::to_string(sample) + "\"";
    const std::string roleAttribute =
        std::strchr(role, '=') != nullptr ? std::string(role) : std::string("role=\"") + role + "\"";
    size_t at = 0;
    while ((at = xml.find("<Item", at)) != std::string::npos)
    {
        const size_t close = xml.find('>', at);
        if (close == std::string::npos)
            return {};
        const std::string tag = xml.substr(at, close - at);
        const size_t end = xml.find("</Item>", close);
        if (end == std::string::npos)
            return {};
        const bool sampleFits = (tag.find(sampleAttribute) != std::string::npos) == (sample >= 0);
        if (sampleFits && tag.find(roleAttribute) != std::string::npos)
            return xml.substr(close + 1, end - close - 1);
        at = end;
    }
    return {};
}

bool ParseNumber(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    while (end != nullptr && (*end == ' ' || *end == '\n' || *end == '\r' || *end == '\t'))
        ++end;
    return end != nullptr && *end == '\0';
}

struct SampleLayout
{
    uint16_t bits = 0;
    uint16_t format = SAMPLEFORMAT_UINT;
    uint16_t samples = 1;
    uint16_t planar = PLANARCONFIG_CONTIG;
};

bool ReadLayout(TIFF* tif, SampleLayout& layout, std::string& why)
{
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &layout.format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &layout.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (compression != COMPRESSION_NONE && compression != COMPRESSION_LZW &&
        compression != COMPRESSION_ADOBE_DEFLATE && compression != COMPRESSION_DEFLATE)
        why = "the compression is not none, LZW or DEFLATE";
    else if (!((layout.format == SAMPLEFORMAT_IEEEFP && layout.bits == 32) ||
               ((layout.format == SAMPLEFORMAT_INT || layout.format == SAMPLEFORMAT_UINT) &&
                (layout.bits == 16 || layout.bits == 32))))
        why = "the samples are not float32 or 16/32-bit integers";
    else if (layout.samples < 1 || layout.samples > 16)
        why = "the sample count is not 1 to 16";
    else if (layout.planar != PLANARCONFIG_CONTIG && layout.planar != PLANARCONFIG_SEPARATE)
        why = "the planar configuration is unknown";
    return why.empty();
}

double RawSample(const unsigned char* p, const SampleLayout& layout)
{
    if (layout.bits == 16)
    {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return layout.format == SAMPLEFORMAT_INT ? static_cast<double>(static_cast<int16_t>(v)) : v;
    }
    uint32_t v;
    std::memcpy(&v, p, 4);
    if (layout.format == SAMPLEFORMAT_IEEEFP)
    {
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    }
    return layout.format == SAMPLEFORMAT_INT ? static_cast<double>(static_cast<int32_t>(v)) : v;
}

// Where the nodes lie: from a tie point and pixel scale, moved by half a
// pixel when the file georeferences pixel areas.
bool ReadGeoreference(TIFF* tif, unsigned& rasterType, CGeoTiffImage& image, std::string& why)
{
    const double* scale = nullptr;
    const double* tie = nullptr;
    const uint16_t* keys = nullptr;
    uint32_t scaleCount = 0, tieCount = 0, keyCount = 0;
    if (ArrayTag(tif, kGeoKeyDirectory, TIFF_SHORT, keys, keyCount))
    {
        const unsigned model = GeoKey(keys, keyCount, kModelTypeKey);
        const unsigned units = GeoKey(keys, keyCount, kAngularUnitsKey);
        if ((model != 0 && model != kModelTypeGeographic) || (units != 0 && units != kAngularUnitDegree))
        {
            why = "the grid is not in geographic degrees";
            return false;
        }
        rasterType = GeoKey(keys, keyCount, kRasterTypeKey);
    }
    const double* matrix = nullptr;
    uint32_t matrixCount = 0;
    if (ArrayTag(tif, kModelTransformation, TIFF_DOUBLE, matrix, matrixCount))
    {
        why = "the grid is georeferenced by a transformation matrix";
        return false;
    }
    if (!ArrayTag(tif, kModelPixelScale, TIFF_DOUBLE, scale, scaleCount) || scaleCount < 2 ||
        !ArrayTag(tif, kModelTiepoint, TIFF_DOUBLE, tie, tieCount) || tieCount < 6)
    {
        why = "the grid has no tie point and pixel scale";
        return false;
    }
    image.lonInc = scale[0];
    image.latInc = scale[1];
    const double half = rasterType == kRasterPixelIsPoint ? 0 : 0.5;
    image.west = tie[3] + (half - tie[0]) * image.lonInc;
    image.north = tie[4] - (half - tie[1]) * image.latInc;
    if (!(image.lonInc > 0) || !(image.latInc > 0) || !std::isfinite(image.west) || !std::isfinite(image.north))
    {
        why = "the grid's spacing or position is unusable";
        return false;
    }
    return true;
}

struct SampleValues
{
    double scale = 1;
    double offset = 0;
    bool hasNoData = false;
    double noData = 0;
};

void ReadMetadata(TIFF* tif, CGeoTiffImage& image, std::vector<SampleValues>& values)
{
    const std::string xml = TextTag(tif, TIFFTAG_GDAL_METADATA);
    values.assign(static_cast<size_t>(image.samples), SampleValues{});
    image.descriptions.assign(static_cast<size_t>(image.samples), std::string());
    image.units.assign(static_cast<size_t>(image.samples), std::string());
    image.positive.assign(static_cast<size_t>(image.samples), std::string());
    double noDataValue = 0;
    const bool hasNoData = ParseNumber(TextTag(tif, TIFFTAG_GDAL_NODATA), noDataValue);
    image.interpolation = MetadataItem(xml, -1, "name=\"interpolation_method\"");
    for (int s = 0; s < image.samples; ++s)
    {
        SampleValues& v = values[static_cast<size_t>(s)];
        ParseNumber(MetadataItem(xml, s, "scale"), v.scale);
        ParseNumber(MetadataItem(xml, s, "offset"), v.offset);
        v.hasNoData = hasNoData;
        v.noData = noDataValue;
        image.descriptions[static_cast<size_t>(s)] = MetadataItem(xml, s, "description");
        image.units[static_cast<size_t>(s)] = MetadataItem(xml, s, "unittype");
        image.positive[static_cast<size_t>(s)] = MetadataItem(xml, s, "name=\"positive_value\"");
    }
}

// GDAL writes the no-data value of a float32 sample as the double nearest its
// decimal text (-88.8888 as -88.8888000000000034), which no float equals; a
// sample is compared in its own type, as GDAL compares it.
bool IsNoData(double raw, double noData, const SampleLayout& layout)
{
    if (layout.format == SAMPLEFORMAT_IEEEFP && std::fabs(noData) <= std::numeric_limits<float>::max())
        return static_cast<float>(raw) == static_cast<float>(noData);
    return raw == noData;
}

// Copies one decoded strip or tile (width x height pixels at x0, y0) into the
// image, clipped to it.
void StoreBlock(const unsigned char* block, int64_t blockBytes, uint32_t width, uint32_t height, uint32_t x0,
                uint32_t y0, int firstSample, int blockSamples, const SampleLayout& layout,
                const std::vector<SampleValues>& values, CGeoTiffImage& image)
{
    const int64_t bytes = layout.bits / 8;
    for (uint32_t r = 0; r < height && y0 + r < static_cast<uint32_t>(image.rows); ++r)
        for (uint32_t c = 0; c < width && x0 + c < static_cast<uint32_t>(image.cols); ++c)
            for (int s = 0; s < blockSamples; ++s)
            {
                const int64_t at = ((int64_t(r) * width + c) * blockSamples + s) * bytes;
                if (at + bytes > blockBytes)
                    return;
                const int sample = firstSample + s;
                const SampleValues& v = values[static_cast<size_t>(sample)];
                const double raw = RawSample(block + at, layout);
                const bool missing = std::isnan(raw) || (v.hasNoData && IsNoData(raw, v.noData, layout));
                const size_t index =
                    (static_cast<size_t>(sample) * static_cast<size_t>(image.rows) + y0 + r) *
                        static_cast<size_t>(image.cols) + x0 + c;
                image.values[index] = missing ? std::nanf("") : static_cast<float>(raw * v.scale + v.offset);
            }
}

bool ReadPixels(TIFF* tif, const SampleLayout& layout, const std::vector<SampleValues>& values,
                CGeoTiffImage& image, std::string& why)
{
    const int planes = layout.planar == PLANARCONFIG_SEPARATE ? image.samples : 1;
    const int blockSamples = layout.planar == PLANARCONFIG_SEPARATE ? 1 : image.samples;
    const bool tiled = TIFFIsTiled(tif) != 0;
    uint32_t blockWidth = static_cast<uint32_t>(image.cols), blockHeight = 0;
    tmsize_t blockSize = 0;
    if (tiled)
    {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &blockWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &blockHeight);
        blockSize = TIFFTileSize(tif);
    }
    else
    {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &blockHeight);
        if (blockHeight > static_cast<uint32_t>(image.rows))
            blockHeight = static_cast<uint32_t>(image.rows);
        blockSize = TIFFStripSize(tif);
    }
    if (blockWidth == 0 || blockHeight == 0 || blockSize <= 0 ||
        int64_t(blockWidth) * blockHeight * blockSamples * (layout.bits / 8) > blockSize)
    {
        why = "the strips or tiles are inconsistent";
        return false;
    }
    std::vector<unsigned char> block(static_cast<size_t>(blockSize));
    for (int plane = 0; plane < planes; ++plane)
        for (uint32_t y = 0; y < static_cast<uint32_t>(image.rows); y += blockHeight)
            for (uint32_t x = 0; x < static_cast<uint32_t>(image.cols); x += tiled ? blockWidth : image.cols)
            {
                const auto sample = static_cast<uint16_t>(plane);
                const tmsize_t got =
                    tiled ? TIFFReadEncodedTile(tif, TIFFComputeTile(tif, x, y, 0, sample), block.data(), blockSize)
                          : TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y, sample), block.data(), blockSize);
                if (got < 0)
                {
                    if (why.empty())
                        why = "a strip or tile cannot be decoded";
                    return false;
                }
                // A short last strip holds only the rows left.
                const uint32_t rowsHere =
                    tiled ? blockHeight
                          : static_cast<uint32_t>(got / (int64_t(blockWidth) * blockSamples * (layout.bits / 8)));
                if (!tiled && rowsHere < blockHeight && y + rowsHere < static_cast<uint32_t>(image.rows))
                {
                    why = "a strip is shorter than its rows";
                    return false;
                }
                StoreBlock(block.data(), got, blockWidth, rowsHere, x, y, plane * blockSamples, blockSamples, layout,
                           values, image);
            }
    return true;
}

bool ReadImage(TIFF* tif, int64_t fileSize, unsigned& rasterType, CGeoTiffImage& image, std::string& why)
{
    uint32_t width = 0, height = 0;
    SampleLayout layout;
    if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) != 1 || TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) != 1 ||
        width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX)
    {
        why = "the image has no size";
        return false;
    }
    if (!ReadLayout(tif, layout, why) || !ReadGeoreference(tif, rasterType, image, why))
        return false;
    image.cols = static_cast<int>(width);
    image.rows = static_cast<int>(height);
    image.samples = layout.samples;
    const int64_t nodes = int64_t(width) * height * layout.samples;
    if (nodes * 4 > kMostBytes || nodes * (layout.bits / 8) > fileSize * kMostExpansion)
    {
        why = "the image is larger than the file can hold";
        return false;
    }
    std::vector<SampleValues> values;
    ReadMetadata(tif, image, values);
    image.values.assign(static_cast<size_t>(nodes), std::nanf(""));
    return ReadPixels(tif, layout, values, image, why);
}

int64_t FileSize(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    return info.st_size;
}

} // namespace

bool ReadGeoTiffImages(const std::string& path, std::vector<CGeoTiffImage>& images, std::string& why)
{
    why.clear();
    const int64_t size = FileSize(path);
    if (size <= 0)
    {
        why = "the file cannot be read";
        return false;
    }
    std::unique_ptr<TIFFOpenOptions, OptionsFreer> options(TIFFOpenOptionsAlloc());
    std::string libraryMessage;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), SilentHandler, &libraryMessage);
    std::string warnings;
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), SilentHandler, &warnings);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(kMostBytes));
    std::unique_ptr<TIFF, TiffCloser> tif(TIFFOpenExt(path.c_str(), "r", options.get()));
    if (!tif)
    {
        why = "the file is not a TIFF file" + (libraryMessage.empty() ? "" : ": " + libraryMessage);
        return false;
    }
    std::vector<CGeoTiffImage> read;
    // Images after the first may leave out the GeoKeys; they share its kind
    // of georeference.
    unsigned rasterType = 0;
    int64_t total = 0;
    do
    {
        uint32_t subfile = 0;
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SUBFILETYPE, &subfile);
        if ((subfile & (FILETYPE_REDUCEDIMAGE | FILETYPE_MASK)) != 0)
            continue;
        CGeoTiffImage image;
        if (!ReadImage(tif.get(), size, rasterType, image, why))
        {
            if (!libraryMessage.empty())
                why += ": " + libraryMessage;
            return false;
        }
        total += static_cast<int64_t>(image.values.size()) * 4;
        if (total > kMostBytes)
        {
            why = "the images are larger than the file can hold";
            return false;
        }
        read.push_back(std::move(image));
    } while (TIFFReadDirectory(tif.get()) == 1);
    if (!libraryMessage.empty() || read.empty())
    {
        why = read.empty() ? "the file holds no image" : libraryMessage;
        return false;
    }
    images = std::move(read);
    return true;
}

namespace {

std::string LowerText(std::string text)
{
    for (char& c : text)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

// How the grid's values are to be interpolated: PROJ's grids say it in the
// metadata item interpolation_method (an image after the first may leave it
// to the first), bilinear where they say nothing. A method not done here
// refuses the file rather than give values by another one.
bool ReadInterpolation(const CGeoTiffImage& image, const CGeoTiffImage& first, bool& biquadratic, std::string& why)
{
    const std::string& method = image.interpolation.empty() ? first.interpolation : image.interpolation;
    const std::string name = LowerText(method);
    biquadratic = name == "biquadratic";
    if (!name.empty() && name != "bilinear" && name != "biquadratic")
        why = "the grid asks for " + method + " interpolation, which is not done here";
    else if (biquadratic && (image.rows < 3 || image.cols < 3))
        why = "the grid asks for biquadratic interpolation but has fewer than three rows or columns";
    return why.empty();
}

} // namespace

bool ReadGeoTiffGeoidImages(const std::string& path, std::vector<CGeoidGrid::Image>& images, std::string& why)
{
    std::vector<CGeoTiffImage> read;
    if (!ReadGeoTiffImages(path, read, why))
        return false;
    std::vector<CGeoidGrid::Image> result;
    for (const CGeoTiffImage& tiff : read)
    {
        CGeoidGrid::Image image;
        bool biquadratic = false;
        if (!ReadInterpolation(tiff, read.front(), biquadratic, why))
            return false;
        image.interpolation = biquadratic ? CGeoidGrid::BIQUADRATIC : CGeoidGrid::BILINEAR;
        image.west = tiff.west;
        image.lonInc = tiff.lonInc;
        image.latInc = tiff.latInc;
        image.cols = tiff.cols;
        image.rows = tiff.rows;
        image.south = tiff.north - (tiff.rows - 1) * tiff.latInc;
        image.values.resize(static_cast<size_t>(tiff.cols) * static_cast<size_t>(tiff.rows));
        for (int r = 0; r < tiff.rows; ++r)
            for (int c = 0; c < tiff.cols; ++c)
                image.values[static_cast<size_t>(r) * static_cast<size_t>(tiff.cols) + static_cast<size_t>(c)] =
                    tiff.At(0, tiff.rows - 1 - r, c);
        result.push_back(std::move(image));
    }
    images = std::move(result);
    return true;
}

namespace {

// Which samples hold the latitude and longitude offsets, and whether the
// longitude offsets count west positive. PROJ's files name their samples
// latitude_offset and longitude_offset (east positive unless positive_value
// says west); GDAL's NTv2 driver, whose files gdal_translate writes from an
// NTv2 grid, names them "Latitude Offset (arc seconds)" and "Longitude Offset
// (arc seconds)" and keeps NTv2's west positive.
bool FindOffsetSamples(const CGeoTiffImage& image, int& latitude, int& longitude, bool& westPositive,
                       std::string& why)
{
    latitude = longitude = -1;
    bool gdalNames = false;
    for (int s = 0; s < image.samples; ++s)
    {
        const std::string d = LowerText(image.descriptions[static_cast<size_t>(s)]);
        const std::string unit = LowerText(image.units[static_cast<size_t>(s)]);
        const bool arcSeconds = unit == "arc-second" || d.find("(arc seconds)") != std::string::npos;
        if ((d == "latitude_offset" || d.rfind("latitude offset", 0) == 0) && latitude < 0 && arcSeconds)
            latitude = s;
        if ((d == "longitude_offset" || d.rfind("longitude offset", 0) == 0) && longitude < 0 && arcSeconds)
        {
            longitude = s;
            gdalNames = d != "longitude_offset";
        }
    }
    if (latitude < 0 || longitude < 0)
    {
        why = "the file names no latitude and longitude offsets in arc seconds";
        return false;
    }
    const std::string positive = LowerText(image.positive[static_cast<size_t>(longitude)]);
    if (!positive.empty() && positive != "east" && positive != "west")
    {
        why = "the longitude offsets are positive neither east nor west";
        return false;
    }
    westPositive = positive.empty() ? gdalNames : positive == "west";
    return true;
}

} // namespace

bool ReadGeoTiffShiftBlocks(const std::string& path, CDatumGrid::SubGridList& blocks, std::string& why)
{
    std::vector<CGeoTiffImage> read;
    if (!ReadGeoTiffImages(path, read, why))
        return false;
    CDatumGrid::SubGridList made;
    for (const CGeoTiffImage& image : read)
    {
        int latitude = -1, longitude = -1;
        bool westPositive = false;
        bool biquadratic = false;
        if (!FindOffsetSamples(image, latitude, longitude, westPositive, why) ||
            !ReadInterpolation(image, read.front(), biquadratic, why))
            return false;
        // Blocks count as NTv2's do: longitudes west positive, nodes from the
        // south-east corner, rows from the south.
        auto block = std::make_unique<CDatumSubGrid>();
        const double east = image.west + (image.cols - 1) * image.lonInc;
        block->south = image.north - (image.rows - 1) * image.latInc;
        block->north = image.north;
        block->lonMin = -east;
        block->lonMax = -image.west;
        block->latInc = image.latInc;
        block->lonInc = image.lonInc;
        block->rows = image.rows;
        block->cols = image.cols;
        block->interpolation = biquadratic ? CDatumSubGrid::BIQUADRATIC : CDatumSubGrid::BILINEAR;
        block->Allocate(image.rows * image.cols);
        for (int r = image.rows - 1; r >= 0; --r)
            for (int c = image.cols - 1; c >= 0; --c)
            {
                const float dLat = image.At(latitude, r, c);
                const float dLon = image.At(longitude, r, c);
                // A node without a value stays not-a-number in both arrays, so
                // that a point whose cell needs it is refused, not left unshifted.
                const bool missing = std::isnan(dLat) || std::isnan(dLon);
                const float nothing = std::numeric_limits<float>::quiet_NaN();
                block->StoreNode(missing ? nothing : dLat, missing ? nothing : westPositive ? dLon : -dLon);
            }
        made.push_back(std::move(block));
    }
    blocks = std::move(made);
    return true;
}
