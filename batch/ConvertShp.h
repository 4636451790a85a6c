#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

class CBatchRunControl;

// Converts an ESRI shapefile set: the main file's coordinates and bounding
// boxes, the index file's header (its body is copied, since every record
// keeps its size) and a copy of the attribute file.
//
// The file operations return 0 when done (a cancellation included), 1 when a
// companion file is skipped because the source has none or its name cannot
// be formed, and -1 on failure.
class CConvertShp
{
public:
    explicit CConvertShp(CBatchRunControl& page);
    // Closes any file still open.
    virtual ~CConvertShp();
    CConvertShp(const CConvertShp&) = delete;
    CConvertShp& operator=(const CConvertShp&) = delete;

    int ConvertMainFile();
    int ConvertIndexFile();
    int CopyAttributeFile();

    // Reads the 100-byte header of the input, converts its bounding box and
    // writes it; -1 for a short header or a file code other than 9994, with
    // nothing written.
    int ConvertHeader();
    // Converts every record up to the end of the input, or until the running
    // flag clears; -1 for a record that does not fit its length or the file.
    int ConvertRecords();

    // Record handlers: content is a whole record content, shape type
    // included, its length already known to be within the file.
    int ConvertPoint(unsigned char* content, std::size_t length, int shapeType);
    int ConvertPointZ(unsigned char* content, std::size_t length);
    int ConvertMultiPoint(unsigned char* content, std::size_t length, int shapeType);
    int ConvertPolyShape(unsigned char* content, std::size_t length, int shapeType);
    // Converts a pair in place through the run's coordinate systems.
    int ConvertXY(double& x, double& y);

    // A companion's name: in the file name part of path, every ".SHP" made
    // ".shp", then every ".shp" replaced by extension; none when the file
    // name holds no ".shp".
    static std::optional<std::string> CompanionName(const std::string& path, const char* extension);

private:
    int OpenFiles(const std::string& source, const std::string& destination);
    void CloseFiles();
    // Copies the rest of the input in blocks, checking the running flag
    // before each block.
    int CopyRest();
    int ConvertCompanionPair(const char* extension, bool withHeader);
    int ConvertPair(unsigned char* at);

    CBatchRunControl* page;
    long long inputSize = 0;
    std::FILE* input = nullptr;
    std::FILE* output = nullptr;
    bool reload = true;
    std::vector<unsigned char> record;
};

// Worker: converts the settings' source shapefile set into the destination.
void ConvertShapefile(CBatchRunControl& run);
