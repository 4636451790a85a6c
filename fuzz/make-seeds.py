#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/<target>/.

Each seed is a small well-formed input of its reader, so that the fuzzer
starts from the paths a real file takes: shapefiles of every shape family,
text files in the five coordinate formats, connection strings of each
backend, one value of each storage class and a configuration record.
"""
import os
import struct
import sys

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def put(target, name, data):
    folder = os.path.join(root, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode()
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# --- shapefiles -------------------------------------------------------------

def shapefile(shape_type, contents, box=(1.0, 41.0, 5.0, 45.0)):
    records = b""
    for number, content in enumerate(contents, 1):
        records += struct.pack(">ii", number, len(content) // 2) + content
    header = struct.pack(">i", 9994) + b"\0" * 20 + struct.pack(">i", (100 + len(records)) // 2)
    header += struct.pack("<ii", 1000, shape_type) + struct.pack("<4d", *box) + b"\0" * 32
    return header + records


def point(x, y):
    return struct.pack("<i2d", 1, x, y)


def point_z(x, y, z, m):
    return struct.pack("<i4d", 11, x, y, z, m)


def multipoint(points, z=False):
    kind = 18 if z else 8
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    body = struct.pack("<i4di", kind, min(xs), min(ys), max(xs), max(ys), len(points))
    body += b"".join(struct.pack("<2d", *p) for p in points)
    if z:
        body += struct.pack("<2d", 0, 10) + b"".join(struct.pack("<d", 5) for _ in points)
    return body


def poly(kind, parts, points):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    body = struct.pack("<i4d2i", kind, min(xs), min(ys), max(xs), max(ys), len(parts), len(points))
    if kind == 31:
        body += b"".join(struct.pack("<ii", start, 5) for start in parts)
    else:
        body += b"".join(struct.pack("<i", start) for start in parts)
    body += b"".join(struct.pack("<2d", *p) for p in points)
    if kind in (13, 15, 31):
        body += struct.pack("<2d", 0, 100) + b"".join(struct.pack("<d", 50) for _ in points)
        body += struct.pack("<2d", 0, 1) + b"".join(struct.pack("<d", 0.5) for _ in points)
    return body


ring = [(2.0, 42.0), (3.0, 42.0), (3.0, 43.0), (2.0, 43.0), (2.0, 42.0)]
put("shapefile", "points.shp", shapefile(1, [point(2.35, 48.85), point(3.0, 43.6), point(1.44, 43.6)]))
put("shapefile", "points-z.shp", shapefile(11, [point_z(2.35, 48.85, 35, 1)]))
put("shapefile", "null-and-point.shp", shapefile(1, [struct.pack("<i", 0), point(2.0, 45.0)]))
put("shapefile", "multipoint.shp", shapefile(8, [multipoint([(1.0, 41.0), (2.0, 42.0), (4.0, 44.0)])]))
put("shapefile", "multipoint-z.shp", shapefile(18, [multipoint([(1.0, 41.0), (2.0, 42.0)], z=True)]))
put("shapefile", "polyline.shp", shapefile(3, [poly(3, [0, 2], ring)]))
put("shapefile", "polygon.shp", shapefile(5, [poly(5, [0], ring), poly(5, [0], ring[::-1])]))
put("shapefile", "polygon-z.shp", shapefile(15, [poly(15, [0], ring)]))
put("shapefile", "multipatch.shp", shapefile(31, [poly(31, [0, 3], ring)]))
put("shapefile", "header-only.shp", shapefile(1, []))

# --- text files: first byte = separator choice + 6 * format + 30 * header + 60 * altitude

def text_seed(separator, fmt, header, altitude, body, ed50=False):
    choice = separator + 6 * fmt + 30 * header + 60 * altitude + (128 if ed50 else 0)
    return bytes([choice]) + body.encode()


put("text", "decimal-comma.txt", text_seed(1, 0, 1, 1, "lon,lat,h\n2.35,48.85,35\n-3.7,40.4,650\n"))
put("text", "decimal-auto.txt", text_seed(0, 0, 0, 0, "2.35;48.85\n3.1;43.6\n\n1.44;43.60\n", ed50=True))
put("text", "dm-space.txt", text_seed(4, 1, 0, 0, "002 21.000E   48 51.000N\n003 06.500W 43 36.100S\n"))
put("text", "dmm-packed.txt", text_seed(5, 2, 0, 0, "00221.000E\t4851.000N\n"))
put("text", "dms-pipe.txt", text_seed(3, 3, 1, 1, "x|y|z\n2 21 00.00E|48 51 00.00N|35.5\n"))
put("text", "dms-packed.txt", text_seed(2, 4, 0, 1, "0022100.00E;485100.00N;12\n-0033000.00;402400.00;0\n"))
put("text", "quoted-crlf-bom.txt", text_seed(0, 0, 1, 0, "\ufeffname,lon,lat\r\n\"Smith, \"\"J\"\"\",2.35,48.85\r\n\"open,3,4\r\n"))
put("text", "comma-decimal-cr.txt", text_seed(0, 0, 0, 1, "2,35;48,85;35\r-3,7;40,4;\r;;\r"))

# --- connection strings ------------------------------------------------------

put("connection_string", "sqlite.txt", "Provider=SQLite;Data Source=/tmp/catalogue.db;Create=Yes;")
put("connection_string", "jet.txt", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\data\\geo.mdb;")
put("connection_string", "postgres.txt",
    "Driver={PostgreSQL ANSI};Server=127.0.0.1;Port=5432;Database=geo;Uid=u;Pwd={se;cret};")
put("connection_string", "quoted.txt", "DSN=geo; Password = 'it''s' ;Extra=\"a;b\"")
put("connection_string", "message.txt", "Failed to connect [Driver={X};PWD=abc] , password=def")

# --- database values: declared type index, storage class (0 null .. 4 blob), value bytes

for declared in range(21):
    for storage, value in ((0, b""), (1, struct.pack("<q", 42)), (2, struct.pack("<d", 2459000.5)),
                           (3, b"2024-02-29 13:45:30.25"), (4, b"\x00\x01\xff")):
        put("database_value", "type%02d-storage%d" % (declared, storage), bytes([declared, storage]) + value)
put("database_value", "date-text-t", bytes([11, 3]) + b"1899-12-30T06:00:00Z")
put("database_value", "money-keyless", bytes([18 + 21, 2]) + struct.pack("<d", 12.5))

# --- configuration record: six int32 and six binary64, little-endian

put("configuration", "utm-to-geographic.glx",
    struct.pack("<6i6d", 4326, 4230, 32631, 0, 1, 3, 5000000.0, 500000.0, 35.0, 45.1, 3.0, 10.0))
put("configuration", "geographic.glx",
    struct.pack("<6i6d", 4326, 4326, 0, 0, 2, 2, -33.5, 151.25, 0.0, -33.5, 151.25, 0.0))

if __name__ == "__main__" and len(sys.argv) > 1:
    print("seeds written to", root)
