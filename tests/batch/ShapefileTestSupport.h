#pragma once

// Builds shapefile sets for the tests and reads their records back, with the
// places of every X, Y pair, so outputs can be held against inputs.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "BatchTestSupport.h"

namespace batchtest {

struct Shape
{
    int type = 0;
    std::vector<int> parts;     // part start indices
    std::vector<int> partTypes; // multipatch only
    std::vector<Point3> points; // x, y and, for Z types, z
    std::vector<double> m;      // measures, when the type carries them
};

class CBytes
{
public:
    void Big32(std::int32_t v)
    {
        const std::uint32_t u = static_cast<std::uint32_t>(v);
        for (int s = 24; s >= 0; s -= 8)
            bytes.push_back(static_cast<char>((u >> s) & 0xff));
    }
    void Little32(std::int32_t v)
    {
        const std::uint32_t u = static_cast<std::uint32_t>(v);
        for (int s = 0; s <= 24; s += 8)
            bytes.push_back(static_cast<char>((u >> s) & 0xff));
    }
    void Double(double d)
    {
        char b[8];
        std::memcpy(b, &d, 8);
        bytes.append(b, 8);
    }
    std::string bytes;
};

inline bool TypeHasZ(int t)
{
    return t == 11 || t == 13 || t == 15 || t == 18 || t == 31;
}

inline bool TypeHasM(int t)
{
    return t == 21 || t == 23 || t == 25 || t == 28;
}

inline std::string ShapeContent(const Shape& s)
{
    CBytes c;
    c.Little32(s.type);
    if (s.type == 0)
        return c.bytes;
    const bool z = TypeHasZ(s.type);
    const bool m = TypeHasM(s.type) || !s.m.empty();
    if (s.type == 1 || s.type == 11 || s.type == 21)
    {
        c.Double(s.points[0].x);
        c.Double(s.points[0].y);
        if (z)
            c.Double(s.points[0].z);
        if (m)
            c.Double(s.m.empty() ? 0 : s.m[0]);
        return c.bytes;
    }
    double xmin = 1e300, ymin = 1e300, xmax = -1e300, ymax = -1e300, zmin = 1e300, zmax = -1e300;
    for (const auto& p : s.points)
    {
        xmin = std::min(xmin, p.x), ymin = std::min(ymin, p.y);
        xmax = std::max(xmax, p.x), ymax = std::max(ymax, p.y);
        zmin = std::min(zmin, p.z), zmax = std::max(zmax, p.z);
    }
    c.Double(xmin), c.Double(ymin), c.Double(xmax), c.Double(ymax);
    const bool multi = s.type == 8 || s.type == 18 || s.type == 28;
    if (!multi)
        c.Little32(static_cast<std::int32_t>(s.parts.size()));
    c.Little32(static_cast<std::int32_t>(s.points.size()));
    if (!multi)
    {
        for (int p : s.parts)
            c.Little32(p);
        if (s.type == 31)
            for (int p : s.partTypes)
                c.Little32(p);
    }
    for (const auto& p : s.points)
        c.Double(p.x), c.Double(p.y);
    if (z)
    {
        c.Double(zmin), c.Double(zmax);
        for (const auto& p : s.points)
            c.Double(p.z);
    }
    if (m)
    {
        double mmin = 1e300, mmax = -1e300;
        for (double v : s.m)
            mmin = std::min(mmin, v), mmax = std::max(mmax, v);
        c.Double(mmin), c.Double(mmax);
        for (double v : s.m)
            c.Double(v);
    }
    return c.bytes;
}

inline std::string ShapeHeader(int type, std::int32_t lengthWords, double xmin, double ymin, double xmax, double ymax)
{
    CBytes h;
    h.Big32(9994);
    for (int i = 0; i < 5; ++i)
        h.Big32(0);
    h.Big32(lengthWords);
    h.Little32(1000);
    h.Little32(type);
    h.Double(xmin), h.Double(ymin), h.Double(xmax), h.Double(ymax);
    h.Double(-10), h.Double(2500), h.Double(0), h.Double(0);
    return h.bytes;
}

// A dBASE III table with one numeric field, one record a shape.
inline std::string AttributeTable(std::size_t records)
{
    std::string t(32, '\0');
    t[0] = 0x03;
    t[1] = 126, t[2] = 1, t[3] = 1;
    const std::uint32_t n = static_cast<std::uint32_t>(records);
    std::memcpy(&t[4], &n, 4);
    const std::uint16_t headerSize = 32 + 32 + 1, recordSize = 1 + 10;
    std::memcpy(&t[8], &headerSize, 2);
    std::memcpy(&t[10], &recordSize, 2);
    std::string field(32, '\0');
    std::memcpy(&field[0], "ID", 2);
    field[11] = 'N';
    field[16] = 10;
    t += field;
    t += '\x0d';
    for (std::size_t i = 0; i < records; ++i)
    {
        char value[32];
        std::snprintf(value, sizeof value, " %10zu", i + 1);
        t += value;
    }
    t += '\x1a';
    return t;
}

// Writes base.shp, base.shx and base.dbf.
inline void WriteShapefile(const std::string& base, int type, const std::vector<Shape>& shapes)
{
    std::string body, index;
    double xmin = 1e300, ymin = 1e300, xmax = -1e300, ymax = -1e300;
    std::int32_t offset = 50;
    CBytes idx;
    int number = 1;
    for (const auto& s : shapes)
    {
        for (const auto& p : s.points)
        {
            xmin = std::min(xmin, p.x), ymin = std::min(ymin, p.y);
            xmax = std::max(xmax, p.x), ymax = std::max(ymax, p.y);
        }
        const std::string content = ShapeContent(s);
        CBytes head;
        head.Big32(number++);
        head.Big32(static_cast<std::int32_t>(content.size() / 2));
        body += head.bytes + content;
        idx.Big32(offset);
        idx.Big32(static_cast<std::int32_t>(content.size() / 2));
        offset += static_cast<std::int32_t>((8 + content.size()) / 2);
    }
    WriteFile(base + ".shp", ShapeHeader(type, offset, xmin, ymin, xmax, ymax) + body);
    WriteFile(base + ".shx",
              ShapeHeader(type, static_cast<std::int32_t>(50 + 4 * shapes.size()), xmin, ymin, xmax, ymax) +
                  idx.bytes);
    WriteFile(base + ".dbf", AttributeTable(shapes.size()));
}

inline std::int32_t ReadBig32(const std::string& b, std::size_t at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(b.data() + at);
    return static_cast<std::int32_t>((std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
                                     (std::uint32_t(p[2]) << 8) | p[3]);
}

inline std::int32_t ReadLittle32(const std::string& b, std::size_t at)
{
    std::int32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

inline double ReadDouble(const std::string& b, std::size_t at)
{
    double v;
    std::memcpy(&v, b.data() + at, 8);
    return v;
}

// The byte offsets (in the whole file) of every X, Y pair of a main file:
// header box corners first when withBoxes, then each record's box corners
// and points. Follows the published layout, independently of the converter.
struct PairPlaces
{
    std::vector<std::size_t> boxes;  // header and record boxes
    std::vector<std::size_t> points; // vertices
    std::size_t records = 0;
};

inline PairPlaces FindPairs(const std::string& shp)
{
    PairPlaces places;
    places.boxes = {36, 52};
    std::size_t at = 100;
    while (at + 8 <= shp.size())
    {
        const std::size_t length = 2 * static_cast<std::size_t>(ReadBig32(shp, at + 4));
        const std::size_t c = at + 8;
        const int type = ReadLittle32(shp, c);
        ++places.records;
        if (type == 1 || type == 11 || type == 21)
            places.points.push_back(c + 4);
        else if (type != 0)
        {
            places.boxes.push_back(c + 4);
            places.boxes.push_back(c + 20);
            const bool multi = type == 8 || type == 18 || type == 28;
            const std::size_t n = static_cast<std::size_t>(ReadLittle32(shp, c + (multi ? 36 : 40)));
            const std::size_t np = multi ? 0 : static_cast<std::size_t>(ReadLittle32(shp, c + 36));
            const std::size_t first = multi ? c + 40 : c + 44 + (type == 31 ? 8 : 4) * np;
            for (std::size_t i = 0; i < n; ++i)
                places.points.push_back(first + 16 * i);
        }
        at = c + length;
    }
    return places;
}

// Every record's box holds exactly the bounds of its own vertices, and the
// header's box those of the whole file, as shapefile readers' spatial
// filters expect.
inline void ExpectBoxesHoldTheirVertices(const std::string& shp)
{
    double fx0 = 1e300, fy0 = 1e300, fx1 = -1e300, fy1 = -1e300;
    std::size_t at = 100;
    while (at + 12 <= shp.size())
    {
        const std::size_t length = 2 * static_cast<std::size_t>(ReadBig32(shp, at + 4));
        const std::size_t c = at + 8;
        const int type = ReadLittle32(shp, c);
        if (type == 1 || type == 11 || type == 21)
        {
            fx0 = std::min(fx0, ReadDouble(shp, c + 4)), fx1 = std::max(fx1, ReadDouble(shp, c + 4));
            fy0 = std::min(fy0, ReadDouble(shp, c + 12)), fy1 = std::max(fy1, ReadDouble(shp, c + 12));
        }
        else if (type != 0)
        {
            const bool multi = type == 8 || type == 18 || type == 28;
            const std::size_t n = static_cast<std::size_t>(ReadLittle32(shp, c + (multi ? 36 : 40)));
            const std::size_t np = multi ? 0 : static_cast<std::size_t>(ReadLittle32(shp, c + 36));
            const std::size_t first = multi ? c + 40 : c + 44 + (type == 31 ? 8 : 4) * np;
            double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
            for (std::size_t i = 0; i < n; ++i)
            {
                const double x = ReadDouble(shp, first + 16 * i), y = ReadDouble(shp, first + 16 * i + 8);
                x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
            if (n > 0)
            {
                EXPECT_EQ(ReadDouble(shp, c + 4), x0) << "record at " << at;
                EXPECT_EQ(ReadDouble(shp, c + 12), y0) << "record at " << at;
                EXPECT_EQ(ReadDouble(shp, c + 20), x1) << "record at " << at;
                EXPECT_EQ(ReadDouble(shp, c + 28), y1) << "record at " << at;
                fx0 = std::min(fx0, x0), fx1 = std::max(fx1, x1), fy0 = std::min(fy0, y0), fy1 = std::max(fy1, y1);
            }
        }
        at = c + length;
    }
    if (fx0 > fx1)
        fx0 = fy0 = fx1 = fy1 = 0;
    EXPECT_EQ(ReadDouble(shp, 36), fx0);
    EXPECT_EQ(ReadDouble(shp, 44), fy0);
    EXPECT_EQ(ReadDouble(shp, 52), fx1);
    EXPECT_EQ(ReadDouble(shp, 60), fy1);
}

} // namespace batchtest
