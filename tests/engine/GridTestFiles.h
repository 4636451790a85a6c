#pragma once

// Writers of small NTv2 files and NADCON pairs for the grid tests, laid out
// byte for byte as the two formats define them, and a temporary folder that
// removes itself.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace gridtest {

class TempFolder
{
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "geolynx-grid-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    std::string File(const std::string& name) const { return (std::filesystem::path(path) / name).string(); }

    std::string path;
};

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Shift at a node (row from the south, column from the first column), arc seconds.
using NodeValue = std::function<float(int row, int col)>;

struct Ntv2Block
{
    std::string name = "BLOCK";
    std::string parent = "NONE";
    // Arc seconds, longitudes west positive as in the file.
    double sLat = 0, eLong = 0, latInc = 3600, longInc = 3600;
    int rows = 2, cols = 2;
    // When set, N_LAT and W_LONG are written as they stand instead of from
    // rows and cols.
    bool explicitExtent = false;
    double nLat = 0, wLong = 0;
    int nodes = -1;          // node records written; -1 for rows x cols
    int32_t gsCount = -1;    // GS_COUNT written; -1 for the node records written
    NodeValue latShift = [](int, int) { return 0.0f; };
    NodeValue lonShift = [](int, int) { return 0.0f; };
};

class Ntv2Writer
{
public:
    explicit Ntv2Writer(bool bigEndianFile = false) : bigEndian(bigEndianFile) {}

    std::string Bytes(const std::vector<Ntv2Block>& blocks, int32_t numFile = -1, const std::string& gsType = "SECONDS")
    {
        out.clear();
        Int("NUM_OREC", 11);
        Int("NUM_SREC", 11);
        Int("NUM_FILE", numFile < 0 ? static_cast<int32_t>(blocks.size()) : numFile);
        Text("GS_TYPE", gsType);
        Text("VERSION", "NTv2.0");
        Text("SYSTEM_F", "TESTF");
        Text("SYSTEM_T", "TESTT");
        Double("MAJOR_F", 6378137.0);
        Double("MINOR_F", 6356752.314);
        Double("MAJOR_T", 6378137.0);
        Double("MINOR_T", 6356752.314);
        for (const Ntv2Block& b : blocks)
        {
            Text("SUB_NAME", b.name);
            Text("PARENT", b.parent);
            Text("CREATED", "09-12-26");
            Text("UPDATED", "09-12-26");
            Double("S_LAT", b.sLat);
            Double("N_LAT", b.explicitExtent ? b.nLat : b.sLat + (b.rows - 1) * b.latInc);
            Double("E_LONG", b.eLong);
            Double("W_LONG", b.explicitExtent ? b.wLong : b.eLong + (b.cols - 1) * b.longInc);
            Double("LAT_INC", b.latInc);
            Double("LONG_INC", b.longInc);
            const int nodes = b.nodes < 0 ? b.rows * b.cols : b.nodes;
            Int("GS_COUNT", b.gsCount < 0 ? nodes : b.gsCount);
            for (int k = 0; k < nodes; ++k)
            {
                const int row = k / b.cols, col = k % b.cols;
                Float(b.latShift(row, col));
                Float(b.lonShift(row, col));
                Float(0.01f);
                Float(0.02f);
            }
        }
        Text("END", "");
        return out;
    }

    // Offset of the value of the n-th record carrying label (0 for the first).
    static size_t ValueOffset(const std::string& bytes, const std::string& label, int n = 0)
    {
        std::string padded = label;
        padded.resize(8, ' ');
        for (size_t at = 0; at + 16 <= bytes.size(); at += 16)
            if (bytes.compare(at, 8, padded) == 0 && n-- == 0)
                return at + 8;
        return std::string::npos;
    }

private:
    void Label(const std::string& label)
    {
        std::string l = label;
        l.resize(8, ' ');
        out += l;
    }
    void Raw(const unsigned char* b, size_t n)
    {
        for (size_t k = 0; k < n; ++k)
            out += static_cast<char>(b[bigEndian ? n - 1 - k : k]);
    }
    void Int(const std::string& label, int32_t v)
    {
        Label(label);
        unsigned char b[4];
        const uint32_t w = static_cast<uint32_t>(v);
        for (int k = 0; k < 4; ++k)
            b[k] = static_cast<unsigned char>(w >> (8 * k));
        Raw(b, 4);
        out.append(4, '\0');
    }
    void Double(const std::string& label, double v)
    {
        Label(label);
        uint64_t w;
        std::memcpy(&w, &v, 8);
        unsigned char b[8];
        for (int k = 0; k < 8; ++k)
            b[k] = static_cast<unsigned char>(w >> (8 * k));
        Raw(b, 8);
    }
    void Text(const std::string& label, const std::string& v)
    {
        Label(label);
        std::string t = v;
        t.resize(8, ' ');
        out += t;
    }
    void Float(float v)
    {
        uint32_t w;
        std::memcpy(&w, &v, 4);
        unsigned char b[4];
        for (int k = 0; k < 4; ++k)
            b[k] = static_cast<unsigned char>(w >> (8 * k));
        Raw(b, 4);
    }

    bool bigEndian;
    std::string out;
};

// A NADCON pair: each file is a header record and rows data records of
// cols + 1 little-endian words. The header must fit its record, so a grid
// has at least 23 columns.
struct NadconGrid
{
    int32_t nc = 24, nr = 5;
    float xMin = -100, dx = 0.25f, yMin = 30, dy = 0.25f;
    NodeValue latShift = [](int, int) { return 0.0f; };
    NodeValue lonShift = [](int, int) { return 0.0f; };

    std::string FileBytes(bool latitudeFile) const
    {
        std::string out;
        std::string id = latitudeFile ? "NADCON EXTRACTED REGION (LATITUDE SHIFTS)" : "NADCON EXTRACTED REGION (LONGITUDE SHIFTS)";
        id.resize(56, ' ');
        out += id;
        out += "NADGRD  ";
        Word(out, static_cast<uint32_t>(nc));
        Word(out, static_cast<uint32_t>(nr));
        Word(out, 1);
        Float(out, xMin);
        Float(out, dx);
        Float(out, yMin);
        Float(out, dy);
        Float(out, 0);
        const size_t record = (static_cast<size_t>(nc) + 1) * 4;
        if (out.size() < record)
            out.resize(record, '\0');
        for (int row = 0; row < nr; ++row)
        {
            Word(out, 0);
            for (int col = 0; col < nc; ++col)
                Float(out, latitudeFile ? latShift(row, col) : lonShift(row, col));
        }
        return out;
    }
    void Write(const std::string& lasPath, const std::string& losPath) const
    {
        WriteBytes(lasPath, FileBytes(true));
        WriteBytes(losPath, FileBytes(false));
    }

    static void Word(std::string& out, uint32_t w)
    {
        for (int k = 0; k < 4; ++k)
            out += static_cast<char>(w >> (8 * k));
    }
    static void Float(std::string& out, float v)
    {
        uint32_t w;
        std::memcpy(&w, &v, 4);
        Word(out, w);
    }
};

} // namespace gridtest
