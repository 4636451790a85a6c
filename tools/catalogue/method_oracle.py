#!/usr/bin/env python3
"""Writes tests/catalogue/data/method_oracle.tsv: PROJ's coordinates for every shipped grid of the
methods listed in METHODS, at points inside each grid's area of use, for the test that walks them.

Run it from the repository root after generate.py:

    python3 tools/catalogue/method_oracle.py

Each grid gets five points: the centre of its area of use (EPSG's bounding box of its first usage)
and the points a fifth of the way in from each corner. The coordinates come from PROJ's `proj`, on
the grid's own definition as `projinfo -o PROJ` gives it (no datum shift: the point is on the grid's
base system; longitudes from Greenwich; easting and northing in the grid's unit). Where the installed
PROJ (9.1) does not follow EPSG's definition of the method, the oracle is the definition itself, made
of PROJ or plain arithmetic:

- Lambert Azimuthal Equal Area (Spherical) (1027): PROJ 9.1 reads it as the ellipsoidal method;
  EPSG's method is the spherical formulas with the authalic radius, PROJ's `+proj=laea +R_A`.
- Equidistant Cylindrical (1028): PROJ 9.1 uses a * latitude for the northing; EPSG's method uses the
  meridian arc, taken here from PROJ's `geod`, and the easting nu1 cos(phi1) times the longitude.
- Transverse Mercator Zoned Grid System (9824): PROJ 9.1 has no form of it; it is PROJ's Transverse
  Mercator of the point's zone (UTM zone Z for the two UTM grid systems), its easting prefixed by Z
  million metres, as the method numbers its zones.
- Bonne (South Orientated) (9828): PROJ 9.1 has no form of it; it is PROJ's ellipsoidal `+proj=bonne`
  of the same origin with both coordinates turned (westing = FE - x, southing = FN - y).
- Polar Stereographic (variant C) (9830): PROJ 9.1 has no form of it; it is PROJ's polar
  `+proj=stere` with `+lat_ts` the standard parallel and the false northing moved by the radius of
  that parallel (a m_F), as the method places its origin on the parallel.
- Krovak Modified (1042, 1043): PROJ 9.1 has no form of it; it is PROJ's `+proj=krovak +czech` of the
  S-JTSK/05 definition (the generator ships no other; PROJ's Krovak has the cone axis of S-JTSK built in) moved by the false origin and less EPSG's
  correction polynomial, written out below from the guidance note's formulas; 1043 turns both axes.
- Laborde Oblique Mercator (9813) is PROJ's `+proj=labrd`, as for the methods PROJ has.
"""

import math
import os
import re
import sqlite3
import subprocess

PROJ_DB = "/usr/share/proj/proj.db"
ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
OUTPUT = os.path.join(ROOT, "tests", "catalogue", "data", "method_oracle.tsv")
METHODS = [1024, 1027, 1028, 1041, 1042, 1043, 1051, 1052, 1078, 9811, 9813, 9824, 9828, 9830]
FRACTIONS = [(0.5, 0.5), (0.2, 0.2), (0.2, 0.8), (0.8, 0.2), (0.8, 0.8)]


def dms(value):
    """EPSG's sexagesimal DMS (unit 9110), sign DDD.MMSSsss, as degrees."""
    text = "%.10f" % abs(value)
    degrees, fraction = text.split(".")
    result = int(degrees) + int(fraction[0:2]) / 60 + float(fraction[2:4] + "." + fraction[4:]) / 3600
    return -result if value < 0 else result


def shipped_grids(methods):
    with open(os.path.join(ROOT, "data", "catalogue", "tblGrids.sql"), encoding="utf-8") as f:
        text = f.read()
    grids = []
    for m in re.finditer(r"VALUES \((\d+), '(?:[^']|'')*', \d+, (\d+), (\d+),", text):
        if int(m.group(3)) in methods:
            grids.append((int(m.group(1)), int(m.group(2)), int(m.group(3))))
    return grids


def area(db, code):
    return db.execute(
        "SELECT e.south_lat, e.north_lat, e.west_lon, e.east_lon FROM usage u JOIN extent e "
        "ON e.auth_name = u.extent_auth_name AND e.code = u.extent_code WHERE u.object_table_name = "
        "'projected_crs' AND u.object_auth_name = 'EPSG' AND u.object_code = ? "
        "ORDER BY CAST(u.code AS INTEGER) LIMIT 1", (str(code),)).fetchone()


def points(box):
    south, north, west, east = box
    if east < west:
        east += 360
    out = []
    for fy, fx in FRACTIONS:
        lon = west + fx * (east - west)
        out.append((south + fy * (north - south), lon - 360 if lon > 180 else lon))
    return out


def definition(code):
    text = subprocess.run(["projinfo", "-o", "PROJ", "-q", "EPSG:%d" % code], capture_output=True,
                          text=True, check=True).stdout
    words = [w for w in text.split() if not w.startswith(("+towgs84", "+nadgrids", "+wktext", "+type",
                                                           "+no_defs"))]
    return words


def run(tool, words, lines):
    done = subprocess.run([tool, "-f", "%.10f"] + words, input="".join(lines), capture_output=True, text=True,
                          check=True).stdout.split("\n")
    return [tuple(float(v) for v in line.split()[:2]) for line in done if line.strip()]


def param(words, name, default=0.0):
    for w in words:
        if w.startswith("+" + name + "="):
            return float(w.split("=", 1)[1])
    return default


def ellipsoid(db, base):
    a, rf, b = db.execute(
        "SELECT el.semi_major_axis, el.inv_flattening, el.semi_minor_axis FROM geodetic_crs g JOIN geodetic_datum d "
        "ON d.auth_name = g.datum_auth_name AND d.code = g.datum_code JOIN ellipsoid el ON "
        "el.auth_name = d.ellipsoid_auth_name AND el.code = d.ellipsoid_code WHERE g.auth_name = 'EPSG' "
        "AND g.code = ?", (str(base),)).fetchone()
    return float(a), (float(rf) if rf is not None else float(a) / (float(a) - float(b)))


# Krovak Modified: the evaluation point (southing, westing) and C1 ... C10 of EPSG's correction.
KROVAK_EVALUATION_POINT = (1089000.0, 654000.0)
KROVAK_C = (2.946529277e-2, 2.515965696e-2, 1.193845912e-7, -4.668270147e-7, 9.233980362e-12,
            1.523735715e-12, 1.696780024e-18, 4.408314235e-18, -8.331083518e-24, -3.689471323e-24)
KROVAK_FALSE_ORIGIN = 5000000.0


def krovak_modified(method, pts):
    words = ["+proj=krovak", "+czech", "+lat_0=49.5", "+lon_0=%r" % (24 + 50 / 60),
             "+k=0.9999", "+ellps=bessel"]
    c1, c2, c3, c4, c5, c6, c7, c8, c9, c10 = KROVAK_C
    out = []
    for westing, southing in run("proj", words, ["%.12f %.12f\n" % (lon, lat) for lat, lon in pts]):
        xr, yr = southing - KROVAK_EVALUATION_POINT[0], westing - KROVAK_EVALUATION_POINT[1]
        # Powers of the complex number xr + i yr carry the terms of both corrections.
        z = complex(xr, yr)
        z2, z3, z4 = z ** 2, z ** 3, z ** 4
        dx = c1 + c3 * xr - c4 * yr - c6 * z2.imag + c5 * z2.real + c7 * z3.real - c8 * z3.imag + \
            c9 * z4.imag + c10 * z4.real
        dy = c2 + c3 * yr + c4 * xr + c5 * z2.imag + c6 * z2.real + c8 * z3.real + c7 * z3.imag - \
            c10 * z4.imag + c9 * z4.real
        x, y = KROVAK_FALSE_ORIGIN + westing - dy, KROVAK_FALSE_ORIGIN + southing - dx
        out.append((x, y) if method == 1042 else (-x, -y))
    return out


def forward(db, code, base, method, pts):
    if method in (1042, 1043):
        return krovak_modified(method, pts)
    words = definition(code) if method not in (9824, 9828, 9830) else []
    lines = ["%.12f %.12f\n" % (lon, lat) for lat, lon in pts]
    if method == 1027:
        return run("proj", words + ["+R_A"], lines)
    if method == 1028:
        a, rf = ellipsoid(db, base)
        e2 = (2 - 1 / rf) / rf
        lat1, lon0 = math.radians(param(words, "lat_ts")), param(words, "lon_0")
        nu1 = a / math.sqrt(1 - e2 * math.sin(lat1) ** 2)
        out = []
        for lat, lon in pts:
            arc = subprocess.run(["geod", "+a=%r" % a, "+rf=%r" % rf, "-I", "-f", "%.10f", "-F", "%.6f"],
                                 input="0 %r %r %r\n" % (lon0, lat, lon0), capture_output=True, text=True,
                                 check=True).stdout.split()[2]
            out.append((param(words, "x_0") + nu1 * math.cos(lat1) * math.radians(lon - lon0),
                        param(words, "y_0") + math.copysign(float(arc), lat)))
        return out
    if method == 9824:
        a, rf = ellipsoid(db, base)
        row = db.execute("SELECT c.param1_value, c.param2_value, c.param3_value, c.param4_value, c.param5_value, "
                         "c.param6_value FROM projected_crs p JOIN conversion c ON c.auth_name = "
                         "p.conversion_auth_name AND c.code = p.conversion_code WHERE p.auth_name = 'EPSG' "
                         "AND p.code = ?", (str(code),)).fetchone()
        lat0, initial, width, k, fe, fn = (float(v) for v in row)
        out = []
        for lat, lon in pts:
            zone = min(int((lon - initial) // width) + 1, int(round(360 / width)))
            lon0 = initial + (zone - 0.5) * width
            (x, y), = run("proj", ["+proj=tmerc", "+lat_0=%r" % lat0, "+lon_0=%r" % lon0, "+k=%r" % k,
                                   "+x_0=%r" % (zone * 1e6 + fe), "+y_0=%r" % fn, "+a=%r" % a, "+rf=%r" % rf],
                          ["%.12f %.12f\n" % (lon, lat)])
            out.append((x, y))
        return out
    if method == 9828:
        a, rf = ellipsoid(db, base)
        row = db.execute("SELECT c.param1_value, c.param1_uom_code, c.param2_value, c.param2_uom_code, c.param3_value, "
                         "c.param4_value, pm.longitude, pm.uom_code FROM projected_crs p JOIN conversion c ON "
                         "c.auth_name = p.conversion_auth_name AND c.code = p.conversion_code JOIN geodetic_crs g ON "
                         "g.auth_name = p.geodetic_crs_auth_name AND g.code = p.geodetic_crs_code JOIN geodetic_datum d "
                         "ON d.auth_name = g.datum_auth_name AND d.code = g.datum_code JOIN prime_meridian pm ON "
                         "pm.auth_name = d.prime_meridian_auth_name AND pm.code = d.prime_meridian_code "
                         "WHERE p.auth_name = 'EPSG' AND p.code = ?", (str(code),)).fetchone()
        lat0, lat_uom, lon0, lon_uom, fe, fn, pm, pm_uom = row
        degrees = lambda v, uom: dms(float(v)) if str(uom) == "9110" else float(v)
        words = ["+proj=bonne", "+lat_1=%r" % degrees(lat0, lat_uom),
                 "+lon_0=%r" % (degrees(lon0, lon_uom) + degrees(pm, pm_uom)), "+a=%r" % a, "+rf=%r" % rf]
        return [(float(fe) - x, float(fn) - y) for x, y in run("proj", words, lines)]
    if method == 9830:
        a, rf = ellipsoid(db, base)
        e2 = (2 - 1 / rf) / rf
        row = db.execute("SELECT c.param1_value, c.param2_value, c.param3_value, c.param4_value FROM projected_crs p "
                         "JOIN conversion c ON c.auth_name = p.conversion_auth_name AND c.code = p.conversion_code "
                         "WHERE p.auth_name = 'EPSG' AND p.code = ?", (str(code),)).fetchone()
        lat_f, lon0, ef, nf = (float(v) for v in row)
        rho_f = a * math.cos(math.radians(lat_f)) / math.sqrt(1 - e2 * math.sin(math.radians(lat_f)) ** 2)
        pole = -90 if lat_f < 0 else 90
        y0 = nf - rho_f if lat_f < 0 else nf + rho_f
        words = ["+proj=stere", "+lat_0=%d" % pole, "+lat_ts=%r" % lat_f, "+lon_0=%r" % lon0, "+x_0=%r" % ef,
                 "+y_0=%r" % y0, "+a=%r" % a, "+rf=%r" % rf]
        return run("proj", words, lines)
    return run("proj", words, lines)


def main():
    db = sqlite3.connect("file:" + PROJ_DB + "?mode=ro", uri=True)
    rows = ["# grid\tlatitude\tlongitude\teasting\tnorthing (grid unit; see tools/catalogue/method_oracle.py)"]
    for code, base, method in shipped_grids(set(METHODS)):
        pts = points(area(db, code))
        for (lat, lon), (x, y) in zip(pts, forward(db, code, base, method, pts)):
            rows.append("%d\t%.9f\t%.9f\t%.4f\t%.4f" % (code, lat, lon, x, y))
    os.makedirs(os.path.dirname(OUTPUT), exist_ok=True)
    with open(OUTPUT, "w", encoding="utf-8") as f:
        f.write("\n".join(rows) + "\n")
    print("%d rows" % (len(rows) - 1))


if __name__ == "__main__":
    main()
