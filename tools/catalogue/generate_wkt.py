#!/usr/bin/env python3
"""Generates data/catalogue/tblWkt.sql: the ESRI WKT of every shipped grid and datum, for .prj files.

Input: the committed catalogue (data/catalogue/schema.sql and tbl*.sql) and PROJ's database, read
through libproj (Debian's libproj25 and proj-data): for each row, PROJ's own export of EPSG:numId in
the WKT1_ESRI dialect, as `projinfo -o WKT1_ESRI EPSG:n` prints it.

Run it from the repository root after generate.py:

    python3 tools/catalogue/generate_wkt.py            # writes data/catalogue/tblWkt.sql
    python3 tools/catalogue/generate_wkt.py --check    # exits 1 when the committed file differs
    python3 tools/catalogue/generate_wkt.py --verify   # also has GDAL's gdalsrsinfo parse every text

Rules
-----
tblWkt          numId and strKind ('grid' or 'datum') the catalogue row; strName the WKT's own name
                (what GDAL writes as the name of a .prj); strWkt the text; strRow the row's signature
                (GRID_SIGNATURE, DATUM_SIGNATURE: the values the .prj depends on). The program uses a text
                only while its row still gives the same strRow, so a row a user edited gets a .prj
                composed from its new values instead.
                Grids of Polar Stereographic variant C (9830), Equidistant Cylindrical (1028), the
                spherical Lambert azimuthal (1027), the zoned Transverse Mercator (9824) and Bonne (South
                Orientated) (9828) get no text either: PROJ reads those texts onto
                other coordinates (or none), so a .prj of them would misplace the data.
                Grids of Krovak (9819) and Lambert west orientated (9826) get no text: GDAL does not read
                PROJ's ESRI form of them back onto the easting and northing the engine writes (a Krovak
                point came back 300 km away), and a .prj that places data wrongly is worse than none.
                The program composes GDAL's WKT1 form of them from the row instead, with axes that
                say the coordinates run west (and south).
                The texts of Krovak Modified (1042) grids serve only to recognise the .prj GDAL writes
                for them: the program writes none, since the text cannot say that the coordinates run
                west and south, and GDAL reads it with east and north axes.
                The engine counts geographic longitudes from Greenwich in degrees, whatever the
                datum's prime meridian: a datum whose EPSG system has another prime meridian or
                angular unit gets PRIMEM["Greenwich",0.0] and UNIT["Degree",...] in its text.
"""

import argparse
import ctypes
import os
import re
import sqlite3
import subprocess
import sys
import tempfile

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
CATALOGUE = os.path.join(ROOT, "data", "catalogue")
OUTPUT = os.path.join(CATALOGUE, "tblWkt.sql")
PARTS = ["schema", "tblUnits", "tblProjections", "tblEllipsoids", "tblPrimeMeridians", "tblDatums",
         "tblCountries", "tblGrids"]

# The columns of a row's signature, in order, as catalogue/DestinationWkt.cpp reads them: integers
# written with %d, doubles with %.17g (both correctly rounded, so C and Python agree), NULL as empty.
GRID_SIGNATURE = ["g.numDatum", "g.numProjection", "g.numUnits", "g.dblFalseEasting", "g.dblFalseNorthing",
                  "g.dblLatitudeOrigin", "g.dblLongitudeOrigin", "g.dblParallelNorth", "g.dblParallelSouth",
                  "g.dblAzimuth", "g.dblRectifiedGrid", "g.dblScale", "d.numEllipsoid", "d.numPrime",
                  "e.dblAxisA", "e.dblInverseFlattening"]
DATUM_SIGNATURE = ["d.numEllipsoid", "d.numPrime", "e.dblAxisA", "e.dblInverseFlattening"]


def signature(values, columns):
    parts = []
    for value, column in zip(values, columns):
        if value is None:
            parts.append("")
        elif ".num" in column:
            parts.append("%d" % int(value))
        else:
            parts.append("%.17g" % float(value))
    return ";".join(parts)


CREATE = """CREATE TABLE tblWkt (
    numId INTEGER NOT NULL,
    strKind TEXT NOT NULL,
    strName TEXT,
    strRow TEXT,
    strWkt TEXT,
    PRIMARY KEY (numId, strKind)
);"""

# Methods whose ESRI text GDAL does not read back onto the engine's coordinates (see Rules).
NO_PRJ_METHODS = {9819, 9826}
# PROJ has no ESRI form of Polar Stereographic variant C that it reads back (it computes no point),
# and it reads the ESRI forms of Equidistant Cylindrical (1028) and of the spherical Lambert azimuthal
# (1027) with other formulas than EPSG's methods define (a spherical arc for the meridian, the
# ellipsoidal Lambert azimuthal): 25 km and 1 km off the engine's coordinates.
NO_PRJ_METHODS |= {9830, 1027, 1028}
# Nor has it one of the zoned Transverse Mercator (9824), whose eastings carry the zone number.
NO_PRJ_METHODS |= {9824}
# Nor one of Bonne (South Orientated) (9828) that GDAL computes.
NO_PRJ_METHODS |= {9828}

PJ_CATEGORY_CRS = 3
PJ_WKT1_ESRI = 5
DEGREE = 'UNIT["Degree",0.0174532925199433]'


class Proj:
    def __init__(self):
        self.lib = ctypes.CDLL("libproj.so.25")
        self.lib.proj_context_create.restype = ctypes.c_void_p
        self.lib.proj_create_from_database.restype = ctypes.c_void_p
        self.lib.proj_create_from_database.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p,
                                                       ctypes.c_int, ctypes.c_int, ctypes.c_void_p]
        self.lib.proj_as_wkt.restype = ctypes.c_char_p
        self.lib.proj_as_wkt.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int, ctypes.c_void_p]
        self.lib.proj_destroy.argtypes = [ctypes.c_void_p]
        self.lib.proj_log_level.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.ctx = self.lib.proj_context_create()
        self.lib.proj_log_level(self.ctx, 0)

    def esri(self, code):
        obj = self.lib.proj_create_from_database(self.ctx, b"EPSG", str(code).encode(), PJ_CATEGORY_CRS, 0, None)
        if not obj:
            return None
        text = self.lib.proj_as_wkt(self.ctx, obj, PJ_WKT1_ESRI, None)
        result = text.decode("utf-8") if text else None
        self.lib.proj_destroy(obj)
        return result


def load_catalogue():
    db = sqlite3.connect(":memory:")
    for part in PARTS:
        with open(os.path.join(CATALOGUE, part + ".sql"), encoding="utf-8") as f:
            db.executescript(f.read())
    return db


def greenwich_degrees(wkt):
    """The geographic text with longitudes from Greenwich in degrees, as the engine writes them."""
    wkt = re.sub(r'PRIMEM\["[^"]*",[^\]]*\]', 'PRIMEM["Greenwich",0.0]', wkt)
    return re.sub(r'UNIT\["[^"]*",[^\]]*\]\]$', DEGREE + "]", wkt)


def quote(text):
    return "'" + text.replace("'", "''") + "'"


def rows():
    db = load_catalogue()
    proj = Proj()
    out = []
    missing = []
    grid_rows = [(r[0], signature(r[1:], GRID_SIGNATURE)) for r in db.execute(
        "SELECT g.numId, " + ", ".join(GRID_SIGNATURE) + " FROM tblGrids g JOIN tblDatums d ON d.numId = g.numDatum "
        "JOIN tblEllipsoids e ON e.numId = d.numEllipsoid WHERE g.numProjection NOT IN (%s) ORDER BY g.numId"
        % ", ".join(str(m) for m in sorted(NO_PRJ_METHODS)))]
    datum_rows = [(r[0], signature(r[1:], DATUM_SIGNATURE)) for r in db.execute(
        "SELECT d.numId, " + ", ".join(DATUM_SIGNATURE) + " FROM tblDatums d "
        "JOIN tblEllipsoids e ON e.numId = d.numEllipsoid ORDER BY d.numId")]
    for kind, table in (("datum", datum_rows), ("grid", grid_rows)):
        for ident, row_signature in table:
            wkt = proj.esri(ident)
            if wkt is None or row_signature is None:
                missing.append((kind, ident))
                continue
            if kind == "datum":
                wkt = greenwich_degrees(wkt)
                if not wkt.startswith("GEOGCS["):
                    missing.append((kind, ident))
                    continue
            elif not wkt.startswith("PROJCS["):
                missing.append((kind, ident))
                continue
            name = re.match(r'[A-Z]+\["([^"]*)"', wkt).group(1)
            out.append((ident, kind, name, row_signature, wkt))
    out.sort(key=lambda r: (r[0], r[1]))
    return out, missing


def render(table):
    lines = ["-- tblWkt: generated by tools/catalogue/generate_wkt.py from PROJ's database.",
             "-- Do not edit; rerun the generator.", "BEGIN;", CREATE]
    for ident, kind, name, signature, wkt in table:
        lines.append("INSERT INTO tblWkt (numId, strKind, strName, strRow, strWkt) VALUES (%d, %s, %s, %s, %s);"
                     % (ident, quote(kind), quote(name), quote(signature), quote(wkt)))
    lines.append("COMMIT;")
    return "\n".join(lines) + "\n"


def verify(table):
    """Every text through GDAL's parser; returns the identifiers it refuses."""
    refused = []
    with tempfile.TemporaryDirectory() as folder:
        for ident, kind, _, _, wkt in table:
            path = os.path.join(folder, "x.prj")
            with open(path, "w", encoding="utf-8") as f:
                f.write(wkt)
            done = subprocess.run(["gdalsrsinfo", "-o", "proj4", path], capture_output=True, text=True)
            if done.returncode != 0 or "+proj=" not in done.stdout:
                refused.append((kind, ident))
    return refused


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="exit 1 when the committed file is out of date")
    parser.add_argument("--verify", action="store_true", help="parse every text with gdalsrsinfo")
    args = parser.parse_args()
    table, missing = rows()
    for kind, ident in missing:
        print("no WKT for %s %d" % (kind, ident), file=sys.stderr)
    text = render(table)
    status = 0
    if args.check:
        with open(OUTPUT, encoding="utf-8") as f:
            if f.read() != text:
                print("tblWkt.sql is out of date", file=sys.stderr)
                status = 1
    else:
        with open(OUTPUT, "w", encoding="utf-8") as f:
            f.write(text)
    if args.verify:
        refused = verify(table)
        for kind, ident in refused:
            print("GDAL refuses the WKT of %s %d" % (kind, ident), file=sys.stderr)
        status = status or (1 if refused else 0)
    print("%d texts, %d rows without one" % (len(table), len(missing)), file=sys.stderr)
    return status


if __name__ == "__main__":
    sys.exit(main())
