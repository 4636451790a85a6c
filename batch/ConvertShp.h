#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BatchPipeline.h"

class CBatchRunControl;

// Converts an ESRI shapefile set: the main file's coordinates, with every
// record's bounding box and the file headers' boxes recomputed from the
// converted vertices; an index file written from the records (the same
// offsets, since every record keeps its size); copies of the attribute file
// and the code page file; a .prj describing the destination system.
//
// Everything is written under temporary names beside the destination and
// put in place only when the whole set is complete, together with the removal
// of the destination's companions from an earlier run (every companion GIS
// programs know, .qpj .aih .ain .atx .fix among them), as one step that is
// undone when any file of it cannot be replaced. A failed or cancelled run
// leaves the destination as it was; a read-only destination is refused.
//
// The file operations return 0 when done (a cancellation included), 1 when a
// companion is skipped because the source has none, and -1 on failure, with
// Failure() saying which file, which record and which check.
class CConvertShp
{
public:
    explicit CConvertShp(CBatchRunControl& page);
    // Closes any file still open and removes the temporary files of a set
    // that was not committed.
    virtual ~CConvertShp();
    CConvertShp(const CConvertShp&) = delete;
    CConvertShp& operator=(const CConvertShp&) = delete;

    // Finds the source companions, names the destination set and refuses a
    // set that would write over its own source; -1 with Failure() set.
    int Prepare();
    // Converts the main file and writes the index file from its records.
    int ConvertMainFile();
    // Checks that the index file was written with the main file.
    int ConvertIndexFile();
    int CopyAttributeFile();
    int CopyCodePageFile();
    // The .prj of the destination system; 1 when none can be written (a
    // warning says why), and the destination's old one is removed then.
    int WriteProjectionFile(const std::string& wkt);
    // Removes the destination's stale companions and renames the new set into
    // place.
    int Commit();

    // Converts a pair in place through the run's coordinate systems: the
    // result of ConvertCoordinate.
    int ConvertXY(double& x, double& y);

    const std::string& Failure() const { return failure; }
    const std::vector<std::string>& Warnings() const { return warnings; }
    // The summary lines of the records converted: those with a vertex
    // outside the area of use of their systems, the geoid models of Z.
    std::vector<std::string> Summary() const;

    // A companion's name: the main file's name with its ".shp" extension (of
    // any case) replaced by extension, written in upper case when the main
    // file's extension is upper case; none when the name does not end in
    // ".shp" of any case.
    static std::optional<std::string> CompanionName(const std::string& path, const char* extension);
    // The source companion on disk: the name CompanionName forms, else a file
    // of the same name in another case; none when there is none.
    static std::optional<std::string> FindCompanion(const std::string& path, const char* extension);

private:
    struct Box
    {
        double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
        bool empty = true;
        void Add(double x, double y);
        void Add(const Box& other);
    };
    int Fail(const std::string& why);
    // Removes the temporary files runs to this destination left when they
    // were killed, and says so.
    void ClearEarlierLeftovers();
    int FailRecord(long long record, long long offset, const std::string& why);
    int OpenTemporary(const std::string& final, std::FILE*& file);
    int CloseOutput(std::FILE*& file, const std::string& name);
    // One thread's part of a block: its engine, the box of its converted
    // vertices, and why its first record that failed was refused.
    struct Share
    {
        CConversionContext* context = nullptr;
        Box box;
        Box heights; // the range of converted Z values, in xmin and xmax
        std::string why;
        std::size_t failed = 0; // the pending record that failed, when why is set
        std::size_t index = 0;  // the share's thread, for the area check
        bool outside = false;   // a vertex of the record in hand lies outside
    };
    // The main file's records as the pipeline's format.
    class Records;
    // A record read and waiting for its block to be converted: its number,
    // its offset in the main file, and where its content lies in pendingBytes.
    struct PendingRecord
    {
        long long number = 0;
        long long offset = 0;
        std::size_t at = 0;
        std::size_t length = 0;
    };
    int ConvertRecords(long long inputSize, long long shxRecords);
    // Writes the header of the main file and of the index file with the box
    // of the converted vertices.
    int WriteHeaders(long long count);
    int ConvertContent(Share& share, unsigned char* content, std::size_t length) const;
    // Converts count pairs at at; with z, the heights at z too, their range
    // in zRange.
    int ConvertPairs(Share& share, unsigned char* at, long long count, Box& box, unsigned char* z = nullptr,
                     Box* zRange = nullptr) const;
    // Where the Z values of a record of count points start, when its heights
    // go through a geoid model; null otherwise.
    unsigned char* HeightsToConvert(int shapeType, unsigned char* content, long long pointsEnd) const;
    static int Refuse(Share& share, const std::string& why);
    int CopyWhole(const std::string& source, const std::string& destination, const char* what);

    CBatchRunControl* page;
    bool reload = true;
    std::string failure;
    std::vector<std::string> warnings;

    std::string source;
    std::string destination;
    std::optional<std::string> sourceIndex, sourceAttributes, sourceCodePage;
    bool mainDone = false;

    // Files of the new set: (temporary name, final name), the main file first.
    std::vector<std::pair<std::string, std::string>> written;
    bool committed = false;

    std::FILE* input = nullptr;
    std::FILE* indexInput = nullptr;
    std::FILE* output = nullptr;
    std::FILE* indexOutput = nullptr;

    // Bytes the main file holds outside its records, copied as they are
    // where they lie: before the byte at of a block's records.
    struct Gap
    {
        std::size_t before = 0;
        long long at = 0;
        long long length = 0;
    };
    // A block of records: read, converted, then written, while the other
    // slot's block is read or written. outsideFlags marks the records with a
    // vertex outside the area of use of their systems.
    struct Slot
    {
        std::vector<unsigned char> bytes;
        std::vector<PendingRecord> records;
        std::vector<Gap> gaps;
        std::size_t vertices = 0;
        std::vector<Share> shares;
        std::vector<char> outsideFlags;
    };

    std::unique_ptr<CBatchPipeline> pipeline;
    Slot slots[2];
    // The coordinate systems could be used.
    bool usable = true;
    // Z values go through the run's geoid models.
    bool heights = false;
    Box fileBox;
    Box fileHeights;
    long long inputSize = 0;
};

// Where the destination's .prj text comes from: true with the WKT, or false
// with why there is none.
using ShapefileWktSource = std::function<bool(int datumId, int gridId, std::string& wkt, std::string& why)>;

// Worker: converts the settings' source shapefile set into the destination,
// the .prj text taken from the catalogue.
void ConvertShapefile(CBatchRunControl& run);
// The same with the .prj text from wktSource.
void ConvertShapefile(CBatchRunControl& run, const ShapefileWktSource& wktSource);
