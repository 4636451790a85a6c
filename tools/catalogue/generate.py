#!/usr/bin/env python3
"""Generates the shipped catalogue (data/catalogue/*.sql) from EPSG data.

Inputs (Debian packages): proj-data's /usr/share/proj/proj.db (the EPSG dataset as PROJ ships it),
iso-codes' /usr/share/iso-codes/json/iso_3166-1.json (country names and numeric codes) and
famfamfam-flag-png's /usr/share/flags/countries/16x11 (the flag files that exist).

Rerun, from the repository root, after a Debian upgrade of those packages:

    python3 tools/catalogue/generate.py            # writes data/catalogue/
    python3 tools/catalogue/generate.py --check    # exits 1 when the committed files differ

The output is deterministic: rows sorted by identifier, numbers written with Python's shortest
round-trip form, one INSERT a line, so a regenerated catalogue diffs cleanly.

Rules
-----
tblUnits        The length units the engine converts (its unit table), numId the EPSG code, strUnit
                EPSG's name.
tblProjections  One row per projection type the engine has: the EPSG method code where EPSG has one,
                the internal identifier otherwise; numFields the mask of the columns the projection
                reads (0x001 false northing, 0x002 false easting, 0x004/0x080/ latitude of origin as
                "Latitude of Origin"/"Center Latitude", 0x008/0x100/0x200 longitude of origin as
                "Longitude of Origin"/"Center Longitude"/"Central Meridian", 0x010/0x020 the parallels,
                0x040 scale, 0x400 azimuth, 0x800 rectified grid angle). "Center Latitude" labels the
                oblique cylindrical and conic projections, "Central Meridian" transverse Mercator and
                the world projections.
tblEllipsoids   Every non-deprecated EPSG ellipsoid: semi-major axis in metres, inverse flattening as
                EPSG gives it or derived as a / (a - b) where EPSG gives the semi-minor axis b; 0 for a
                sphere.
tblPrimeMeridians Every non-deprecated EPSG prime meridian, longitude in degrees east of Greenwich
                (grads and sexagesimal DMS converted).
tblDatums       Every non-deprecated EPSG geographic 2D system, numId its EPSG code (4326 is WGS 84,
                method 0), the ellipsoid and prime meridian of its datum, and its transformation to
                WGS 84, first match wins:
                1. an NTv2 transformation (either direction) between the system and a system that is
                   WGS 84 itself or reaches WGS 84 by an all-zero Helmert transformation, whose grid
                   file proj-data ships: method 5 when the file shifts from the system towards that
                   partner, method 4 when it shifts the other way; strFile the file name;
                2. among the non-deprecated Helmert transformations from the system to EPSG:4326
                   (geocentric translations, position vector, coordinate frame; geog2D domain), the
                   one with the largest area of use (ties: the lowest code): geocentric translations
                   method 1, position vector method 2 as published, coordinate frame method 2 with
                   the signs of the three rotations reversed; translations in metres, rotations in
                   arc seconds, scale in parts per million;
                3. a system whose only link is EPSG's longitude rotation (method 9601) to another
                   system takes that system's transformation: the engine's geographic longitudes
                   are always counted from Greenwich, so the two are the same datum here;
                4. otherwise method 0.
tblGrids        Every non-deprecated EPSG projected system whose conversion method is in
                tblProjections, whose base system is in tblDatums and whose axes' unit is in tblUnits:
                numId its EPSG code, numDatum its base system, numProjection the EPSG method code,
                numUnits the axis unit (systems whose axes point west or south are left out unless
                their method itself gives westings and southings: 9808, 9819, 9826), parameters mapped onto the columns the engine reads for the
                projection (MAPPING below), angles in degrees, false easting and northing converted
                into the system's own unit. Hotine variant B with azimuth and rectified grid angle
                both 90 degrees (the Swiss grids) is shipped as the Swiss oblique cylindrical method
                9814, the exact form of that case. numCountry from the first area of use (lowest usage
                code): the text before " - " matched against country names and aliases, "World"
                (numId 1, UN M49's code for the world) when nothing matches.
tblCountries    ISO 3166-1: numId the numeric code, strCountry the common name where iso-codes gives
                one, else the name; strFlag "<alpha-2>.png" when famfamfam-flag-png has that file,
                else empty; plus "World" with "world.png".
"""

import argparse
import json
import math
import os
import sqlite3
import sys
import unicodedata
from decimal import Decimal

PROJ_DB = "/usr/share/proj/proj.db"
PROJ_DIR = "/usr/share/proj"
ISO_3166 = "/usr/share/iso-codes/json/iso_3166-1.json"
FLAG_DIR = "/usr/share/flags/countries/16x11"

WGS84 = 4326
WORLD_ID = 1

# The length units of the engine's table (EPSG codes); 9903 has no EPSG unit and is left out.
UNIT_CODES = [9001, 9002, 9003, 9005, 9031, 9033, 9034, 9035, 9036, 9037, 9038, 9039, 9040, 9041,
              9042, 9043, 9062, 9080, 9084, 9093, 9094, 9095, 9097, 9098]

FN, FE, LAT, LON, PN, PS, SCALE, CLAT, CLON, CMER, AZ, RG = (
    0x001, 0x002, 0x004, 0x008, 0x010, 0x020, 0x040, 0x080, 0x100, 0x200, 0x400, 0x800)
WORLD = FN | FE | CMER

# (numId, name or None for EPSG's method name, numFields)
PROJECTIONS = [
    (9801, None, FN | FE | LAT | LON | SCALE),
    (9802, None, FN | FE | LAT | LON | PN | PS),
    (9803, None, FN | FE | LAT | LON | PN | PS),
    (9804, None, FN | FE | LON | SCALE),
    (9805, None, FN | FE | LON | PN),
    (9806, None, FN | FE | LAT | LON),
    (9807, None, FN | FE | LAT | CMER | SCALE),
    (9808, None, FN | FE | LAT | CMER | SCALE),
    (9809, None, FN | FE | LAT | LON | SCALE),
    (9810, None, FN | FE | LAT | LON | SCALE),
    (9812, None, FN | FE | CLAT | CLON | SCALE | AZ | RG),
    (9814, None, FN | FE | CLAT | CLON | SCALE),
    (9815, None, FN | FE | CLAT | CLON | SCALE | AZ | RG),
    (9818, None, FN | FE | LAT | LON),
    (9819, None, FN | FE | CLAT | LON | PN | SCALE | AZ),
    (9820, None, FN | FE | LAT | LON),
    (9822, None, FN | FE | LAT | LON | PN | PS),
    (9826, None, FN | FE | LAT | LON | SCALE),
    (9829, None, FN | FE | LAT | LON),
    (260, "Mollweide", WORLD),
    (271, "Eckert I", WORLD),
    (272, "Eckert II", WORLD),
    (273, "Eckert III", WORLD),
    (274, "Eckert IV", WORLD),
    (275, "Eckert V", WORLD),
    (276, "Eckert VI", WORLD),
    (281, "Winkel I", WORLD),
    (290, "Cylindrical Equal Area", WORLD | LAT),
    (300, "Sinusoidal", WORLD),
    (310, "Miller Cylindrical", WORLD),
    (320, "Bonne", WORLD | PN),
    (330, "Gall Stereographic", WORLD),
    (340, "Robinson", WORLD),
    (350, "Equirectangular", WORLD | LAT | PN),
    (360, "Loximuthal", WORLD | PN),
    (370, "Plate Carree", WORLD | LAT),
]

# EPSG parameter codes -> tblGrids columns, per conversion method.
MAPPING = {
    9801: {8801: "dblLatitudeOrigin", 8802: "dblLongitudeOrigin", 8805: "dblScale",
           8806: "dblFalseEasting", 8807: "dblFalseNorthing"},
    9802: {8821: "dblLatitudeOrigin", 8822: "dblLongitudeOrigin", 8823: "dblParallelNorth",
           8824: "dblParallelSouth", 8826: "dblFalseEasting", 8827: "dblFalseNorthing"},
    9804: {8801: "dblLatitudeOrigin", 8802: "dblLongitudeOrigin", 8805: "dblScale",
           8806: "dblFalseEasting", 8807: "dblFalseNorthing"},
    9805: {8823: "dblParallelNorth", 8802: "dblLongitudeOrigin",
           8806: "dblFalseEasting", 8807: "dblFalseNorthing"},
    9806: {8801: "dblLatitudeOrigin", 8802: "dblLongitudeOrigin",
           8806: "dblFalseEasting", 8807: "dblFalseNorthing"},
    9812: {8811: "dblLatitudeOrigin", 8812: "dblLongitudeOrigin", 8813: "dblAzimuth",
           8814: "dblRectifiedGrid", 8815: "dblScale", 8806: "dblFalseEasting",
           8807: "dblFalseNorthing"},
    9815: {8811: "dblLatitudeOrigin", 8812: "dblLongitudeOrigin", 8813: "dblAzimuth",
           8814: "dblRectifiedGrid", 8815: "dblScale", 8816: "dblFalseEasting",
           8817: "dblFalseNorthing"},
    9814: {8801: "dblLatitudeOrigin", 8802: "dblLongitudeOrigin", 8805: "dblScale",
           8806: "dblFalseEasting", 8807: "dblFalseNorthing"},
    9819: {8811: "dblLatitudeOrigin", 8833: "dblLongitudeOrigin", 1036: "dblAzimuth",
           8818: "dblParallelNorth", 8819: "dblScale", 8806: "dblFalseEasting",
           8807: "dblFalseNorthing"},
    9829: {8832: "dblLatitudeOrigin", 8833: "dblLongitudeOrigin",
           8806: "dblFalseEasting", 8807: "dblFalseNorthing"},
}
for same, like in ((9803, 9802), (9822, 9802), (9807, 9801), (9808, 9801), (9809, 9801),
                   (9810, 9801), (9826, 9801), (9818, 9806), (9820, 9806)):
    MAPPING[same] = MAPPING[like]

LENGTH_COLUMNS = ("dblFalseEasting", "dblFalseNorthing")
GRID_COLUMNS = ["numId", "strGrid", "numCountry", "numDatum", "numProjection", "numUnits",
                "dblFalseEasting", "dblFalseNorthing", "dblLatitudeOrigin", "dblLongitudeOrigin",
                "dblParallelNorth", "dblParallelSouth", "dblAzimuth", "dblRectifiedGrid", "dblScale"]
DATUM_COLUMNS = ["numId", "strDatum", "numEllipsoid", "numPrime", "numMethod", "strFile",
                 "dblDeltaX", "dblDeltaY", "dblDeltaZ", "dblRotationX", "dblRotationY",
                 "dblRotationZ", "dblScaleFactor"]

# Methods whose own formulas give westings or southings; any other method on west or south pointing
# axes would need the coordinates negated, which a catalogue row cannot say.
WESTING_METHODS = {9808, 9819, 9826}

HELMERT_METHODS = {9603: "translation", 9606: "position vector", 9607: "coordinate frame"}
NTV2_METHOD = 9615

# Area-of-use prefixes that are not an ISO 3166 name, common name or official name.
COUNTRY_ALIASES = {
    "usa": "US", "uk": "GB", "russia": "RU", "uae": "AE", "vietnam": "VN",
    "congo dr (zaire)": "CD", "dr congo (zaire)": "CD", "congo": "CG",
    "korea, republic of (south korea)": "KR", "korea, democratic people's republic of (north korea)": "KP",
    "cote d'ivoire (ivory coast)": "CI", "myanmar (burma)": "MM", "brunei": "BN",
    "micronesia": "FM", "virgin islands, us": "VI", "virgin islands, british": "VG",
    "st helena": "SH", "reunion": "RE", "antigua": "AG", "grenada and southern grenadines": "GD",
    "cape verde": "CV", "south georgia": "GS", "jan mayen": "SJ", "svalbard": "SJ",
    "falkland islands": "FK", "st pierre and miquelon": "PM", "st kitts and nevis": "KN",
    "st lucia": "LC", "st vincent and the grenadines": "VC", "st barthelemy": "BL",
    "st martin": "MF", "sao tome and principe": "ST", "east timor": "TL", "timor-leste": "TL",
    "macedonia": "MK", "swaziland": "SZ", "turkey": "TR", "czech republic": "CZ",
    "heard island and mcdonald islands": "HM", "vatican city state": "VA", "vatican": "VA",
    "wallis and futuna": "WF", "bonaire, saint eustatius and saba": "BQ",
    "curacao": "CW", "sint maarten": "SX", "macao": "MO", "macau": "MO", "hong kong": "HK",
    "palestine": "PS", "gaza": "PS", "syria": "SY", "laos": "LA", "tanzania": "TZ",
    "gambia": "GM", "bahamas": "BS", "the bahamas": "BS", "cocos (keeling) islands": "CC",
    "pitcairn": "PN", "kyrgyzstan": "KG", "moldova": "MD", "iran": "IR", "bolivia": "BO",
    "venezuela": "VE", "taiwan": "TW", "north macedonia": "MK",
}


def fmt_number(value):
    """Shortest text that reads back as the same double, valid SQL on SQLite and PostgreSQL."""
    if value is None:
        return "0"
    value = float(value)
    if value == 0:
        return "0"
    if value == int(value) and abs(value) < 1e15:
        return str(int(value))
    text = repr(value)
    if "e" in text or "E" in text:
        # Plain positional text: both engines read it, and no exponent form differs between them.
        text = format(Decimal(text), "f")
    return text


def fmt_text(text):
    return "'" + text.replace("'", "''") + "'"


def dms_to_degrees(value):
    """EPSG's sexagesimal DMS (unit 9110): sign DDD.MMSSsss as a decimal number."""
    text = repr(float(value))
    sign = -1 if text.startswith("-") else 1
    text = text.lstrip("-")
    degrees, _, fraction = text.partition(".")
    fraction = (fraction + "0000")
    minutes = Decimal(fraction[0:2])
    seconds = Decimal(fraction[2:4] + "." + (fraction[4:] or "0"))
    result = Decimal(degrees) + minutes / 60 + seconds / 3600
    return sign * float(result)


class Source:
    def __init__(self, path):
        self.db = sqlite3.connect("file:" + path + "?mode=ro", uri=True)
        self.units = {}
        for code, name, kind, factor in self.db.execute(
                "SELECT code, name, type, conv_factor FROM unit_of_measure WHERE auth_name = 'EPSG'"):
            self.units[int(code)] = (name, kind, factor)

    def rows(self, sql, *args):
        return self.db.execute(sql, args).fetchall()

    def to_degrees(self, value, uom):
        uom = int(uom)
        if uom in (9102, 9122):
            return float(value)
        if uom == 9110:
            return dms_to_degrees(value)
        if uom == 9105:
            return float(Decimal(repr(float(value))) * Decimal("0.9"))
        factor = self.units[uom][2]
        return float(value) * factor * 180.0 / math.pi

    def to_arc_seconds(self, value, uom):
        if value is None:
            return 0.0
        uom = int(uom)
        if uom == 9104:
            return float(value)
        if uom == 1031:
            return float(Decimal(repr(float(value))) / 1000)
        return float(value) * self.units[uom][2] * 180.0 / math.pi * 3600.0

    def to_ppm(self, value, uom):
        if value is None:
            return 0.0
        uom = int(uom)
        if uom == 9202:
            return float(value)
        if uom == 1028:
            return float(Decimal(repr(float(value))) / 1000)
        return float(value) * self.units[uom][2] * 1e6

    def to_metres(self, value, uom):
        uom = int(uom)
        if uom == 9001:
            return float(value)
        return float(value) * self.units[uom][2]

    def length_in(self, value, uom, target):
        if int(uom) == int(target):
            return float(value)
        return float(value) * self.units[int(uom)][2] / self.units[int(target)][2]

    def largest_area(self, table, code):
        best = 0.0
        for south, north, west, east in self.rows(
                "SELECT e.south_lat, e.north_lat, e.west_lon, e.east_lon FROM usage u JOIN extent e "
                "ON e.auth_name = u.extent_auth_name AND e.code = u.extent_code "
                "WHERE u.object_table_name = ? AND u.object_auth_name = 'EPSG' AND u.object_code = ?",
                table, code):
            if south is None:
                continue
            width = east - west if east >= west else east + 360.0 - west
            area = (math.sin(math.radians(north)) - math.sin(math.radians(south))) * math.radians(width)
            best = max(best, area)
        return best


def build_units(src):
    rows = []
    for code in UNIT_CODES:
        rows.append((code, src.units[code][0]))
    return rows


def build_projections(src):
    rows = []
    for code, name, fields in PROJECTIONS:
        if name is None:
            found = src.rows("SELECT name FROM conversion_method WHERE auth_name = 'EPSG' AND code = ?", code)
            if not found:
                found = src.rows("SELECT name FROM coordinate_operation_method WHERE auth_name = 'EPSG' "
                                 "AND code = ?", code)
            name = found[0][0] if found else "Swiss Oblique Cylindrical"
        rows.append((code, name, fields))
    return sorted(rows)


def build_ellipsoids(src):
    rows = []
    for code, name, a, uom, inv_f, b in src.rows(
            "SELECT code, name, semi_major_axis, uom_code, inv_flattening, semi_minor_axis FROM ellipsoid "
            "WHERE auth_name = 'EPSG' AND deprecated = 0"):
        a_m = src.to_metres(a, uom)
        if inv_f is not None:
            rf = float(inv_f)
        else:
            b_m = src.to_metres(b, uom)
            rf = 0.0 if b_m == a_m else a_m / (a_m - b_m)
        rows.append((int(code), name, a_m, rf))
    return sorted(rows)


def build_meridians(src):
    rows = []
    for code, name, longitude, uom in src.rows(
            "SELECT code, name, longitude, uom_code FROM prime_meridian "
            "WHERE auth_name = 'EPSG' AND deprecated = 0"):
        rows.append((int(code), name, src.to_degrees(longitude, uom)))
    return sorted(rows)


def helmert_candidates(src, source_code):
    found = []
    for (code, method, tx, ty, tz, tuom, rx, ry, rz, ruom, ds, suom) in src.rows(
            "SELECT code, method_code, tx, ty, tz, translation_uom_code, rx, ry, rz, rotation_uom_code, "
            "scale_difference, scale_difference_uom_code FROM helmert_transformation_table "
            "WHERE auth_name = 'EPSG' AND deprecated = 0 AND source_crs_auth_name = 'EPSG' "
            "AND source_crs_code = ? AND target_crs_auth_name = 'EPSG' AND target_crs_code = ?",
            str(source_code), str(WGS84)):
        method = int(method)
        if method not in HELMERT_METHODS:
            continue
        params = [src.to_metres(tx, tuom), src.to_metres(ty, tuom), src.to_metres(tz, tuom)]
        if method == 9603:
            params += [0.0, 0.0, 0.0, 0.0]
            numMethod = 1
        else:
            rot = [src.to_arc_seconds(v, ruom) for v in (rx, ry, rz)]
            if method == 9607:
                rot = [-v if v != 0 else 0.0 for v in rot]
            params += rot + [src.to_ppm(ds, suom)]
            numMethod = 2
        area = src.largest_area("helmert_transformation", code)
        found.append((-area, int(code), numMethod, params))
    found.sort(key=lambda t: (t[0], t[1]))
    return found


def shipped_grid_file(grid_name, old_name):
    for name in (old_name, grid_name):
        if name and os.path.isfile(os.path.join(PROJ_DIR, name)):
            return name
    return None


def build_datums(src):
    crs = src.rows(
        "SELECT g.code, g.name, d.ellipsoid_code, d.prime_meridian_code FROM geodetic_crs g "
        "JOIN geodetic_datum d ON d.auth_name = g.datum_auth_name AND d.code = g.datum_code "
        "WHERE g.auth_name = 'EPSG' AND g.type = 'geographic 2D' AND g.deprecated = 0")
    helmert = {}
    for code, _, _, _ in crs:
        candidates = helmert_candidates(src, code)
        if candidates:
            helmert[int(code)] = candidates[0]

    def wgs84_equivalent(code):
        if code == WGS84:
            return True
        chosen = helmert.get(code)
        return chosen is not None and all(v == 0 for v in chosen[3])

    codes = {int(c[0]) for c in crs}
    ntv2 = {}
    for (code, source, target, grid_name, old_name, inverse) in src.rows(
            "SELECT g.code, g.source_crs_code, g.target_crs_code, g.grid_name, a.old_proj_grid_name, "
            "a.inverse_direction FROM grid_transformation g LEFT JOIN grid_alternatives a "
            "ON a.original_grid_name = g.grid_name WHERE g.auth_name = 'EPSG' AND g.deprecated = 0 "
            "AND g.method_code = ? AND g.source_crs_auth_name = 'EPSG' "
            "AND g.target_crs_auth_name = 'EPSG'", str(NTV2_METHOD)):
        source, target = int(source), int(target)
        name = shipped_grid_file(grid_name, old_name)
        if name is None:
            continue
        # Direction of the file itself: PROJ flags files stored the other way round to EPSG's operation.
        file_from, file_to = (target, source) if inverse else (source, target)
        area = src.largest_area("grid_transformation", code)
        for system, partner in ((source, target), (target, source)):
            if system not in codes or not wgs84_equivalent(partner) or wgs84_equivalent(system):
                continue
            method = 5 if (file_from, file_to) == (system, partner) else 4
            entry = (-area, int(code), method, name)
            if system not in ntv2 or entry < ntv2[system]:
                ntv2[system] = entry

    rows = []
    for code, name, ellipsoid, meridian in crs:
        code = int(code)
        values = [0.0] * 7
        method, grid_file = 0, ""
        if code == WGS84:
            pass
        elif code in ntv2:
            method, grid_file = ntv2[code][2], ntv2[code][3]
        elif code in helmert:
            method, values = helmert[code][2], helmert[code][3]
        rows.append([code, name, int(ellipsoid), int(meridian), method, grid_file] + values)
    by_code = {r[0]: r for r in rows}
    for source, target in src.rows(
            "SELECT source_crs_code, target_crs_code FROM other_transformation WHERE auth_name = 'EPSG' "
            "AND deprecated = 0 AND method_auth_name = 'EPSG' AND method_code = '9601' "
            "AND source_crs_auth_name = 'EPSG' AND target_crs_auth_name = 'EPSG' ORDER BY CAST(code AS INTEGER)"):
        row, partner = by_code.get(int(source)), by_code.get(int(target))
        if row is not None and partner is not None and row[4] == 0 and partner[4] != 0:
            row[4:] = partner[4:]
    return sorted(rows)


def normalise(text):
    text = unicodedata.normalize("NFKD", text)
    text = "".join(c for c in text if not unicodedata.combining(c))
    return " ".join(text.lower().replace("’", "'").split())


def build_countries():
    with open(ISO_3166, encoding="utf-8") as f:
        entries = json.load(f)["3166-1"]
    rows = []
    lookup = {}
    by_alpha2 = {}
    for e in entries:
        numeric = int(e["numeric"])
        name = e.get("common_name", e["name"])
        flag = e["alpha_2"].lower() + ".png"
        if not os.path.isfile(os.path.join(FLAG_DIR, flag)):
            flag = ""
        rows.append((numeric, name, flag))
        by_alpha2[e["alpha_2"]] = numeric
        for key in ("name", "common_name", "official_name"):
            if key in e:
                lookup.setdefault(normalise(e[key]), numeric)
    for alias, alpha2 in COUNTRY_ALIASES.items():
        lookup.setdefault(normalise(alias), by_alpha2[alpha2])
    rows.append((WORLD_ID, "World", "world.png"))
    return sorted(rows), lookup


def country_of(area_name, lookup):
    prefix = normalise(area_name.split(" - ")[0])
    candidates = [prefix]
    if "(" in prefix:
        candidates.append(prefix.split("(")[0].strip())
    if prefix.startswith("st "):
        candidates.append("saint " + prefix[3:])
    for c in candidates:
        if c in lookup:
            return lookup[c]
    return WORLD_ID


def build_grids(src, datum_codes, unit_codes, country_lookup):
    methods = {code for code, _, _ in PROJECTIONS}
    rows = []
    for (code, name, cs_code, base, method, *params) in src.rows(
            "SELECT p.code, p.name, p.coordinate_system_code, p.geodetic_crs_code, c.method_code, "
            "c.param1_code, c.param1_value, c.param1_uom_code, c.param2_code, c.param2_value, c.param2_uom_code, "
            "c.param3_code, c.param3_value, c.param3_uom_code, c.param4_code, c.param4_value, c.param4_uom_code, "
            "c.param5_code, c.param5_value, c.param5_uom_code, c.param6_code, c.param6_value, c.param6_uom_code, "
            "c.param7_code, c.param7_value, c.param7_uom_code "
            "FROM projected_crs p JOIN conversion_table c ON c.auth_name = p.conversion_auth_name "
            "AND c.code = p.conversion_code WHERE p.auth_name = 'EPSG' AND p.deprecated = 0 "
            "AND p.geodetic_crs_auth_name = 'EPSG' AND c.method_auth_name = 'EPSG'"):
        method = int(method)
        if method not in methods or int(base) not in datum_codes:
            continue
        axes = src.rows("SELECT uom_code, orientation FROM axis WHERE coordinate_system_auth_name = 'EPSG' "
                        "AND coordinate_system_code = ?", cs_code)
        axis_units = {r[0] for r in axes}
        if len(axis_units) != 1:
            continue
        if method not in WESTING_METHODS and any(r[1] in ("west", "south") for r in axes):
            continue
        unit = int(axis_units.pop())
        if unit not in unit_codes:
            continue
        values = {c: 0.0 for c in GRID_COLUMNS[6:]}
        mapping = MAPPING[method]
        complete = True
        for i in range(0, len(params), 3):
            pcode, pvalue, puom = params[i:i + 3]
            if pcode is None:
                continue
            column = mapping.get(int(pcode))
            if column is None:
                complete = False
                break
            if column in LENGTH_COLUMNS:
                values[column] = src.length_in(pvalue, puom, unit)
            elif column == "dblScale":
                values[column] = float(pvalue)
            else:
                values[column] = src.to_degrees(pvalue, puom)
        if not complete:
            continue
        if method == 9815 and values["dblAzimuth"] == 90 and values["dblRectifiedGrid"] == 90:
            # EPSG's Hotine variant B with both angles 90 degrees is its form of the Swiss oblique
            # cylindrical projection, which the engine has in its own, exact, form.
            method = 9814
            values["dblAzimuth"] = values["dblRectifiedGrid"] = 0.0
        usages = src.rows(
            "SELECT e.name FROM usage u JOIN extent e ON e.auth_name = u.extent_auth_name "
            "AND e.code = u.extent_code WHERE u.object_table_name = 'projected_crs' "
            "AND u.object_auth_name = 'EPSG' AND u.object_code = ? ORDER BY CAST(u.code AS INTEGER)", code)
        country = country_of(usages[0][0], country_lookup) if usages else WORLD_ID
        rows.append([int(code), name, country, int(base), method, unit] + [values[c] for c in GRID_COLUMNS[6:]])
    return sorted(rows)


def insert_lines(table, columns, rows):
    lines = []
    for row in rows:
        literals = []
        for column, value in zip(columns, row):
            if column.startswith("str"):
                literals.append(fmt_text(value))
            elif column.startswith("num"):
                literals.append(str(int(value)))
            else:
                literals.append(fmt_number(value))
        lines.append("INSERT INTO %s (%s) VALUES (%s);" % (table, ", ".join(columns), ", ".join(literals)))
    return lines


def table_file(table, columns, rows):
    header = ["-- %s: generated by tools/catalogue/generate.py from Debian's proj-data and iso-codes." % table,
              "-- Do not edit; rerun the generator.", "BEGIN;"]
    return "\n".join(header + insert_lines(table, columns, rows) + ["COMMIT;", ""])


def generate():
    src = Source(PROJ_DB)
    units = build_units(src)
    projections = build_projections(src)
    ellipsoids = build_ellipsoids(src)
    meridians = build_meridians(src)
    datums = build_datums(src)
    countries, lookup = build_countries()
    grids = build_grids(src, {d[0] for d in datums}, set(UNIT_CODES), lookup)
    files = {
        "tblUnits.sql": table_file("tblUnits", ["numId", "strUnit"], units),
        "tblProjections.sql": table_file("tblProjections", ["numId", "strProjection", "numFields"], projections),
        "tblEllipsoids.sql": table_file("tblEllipsoids", ["numId", "strEllipsoid", "dblAxisA",
                                                          "dblInverseFlattening"], ellipsoids),
        "tblPrimeMeridians.sql": table_file("tblPrimeMeridians", ["numId", "strMeridian", "dblLongitude"],
                                            meridians),
        "tblDatums.sql": table_file("tblDatums", DATUM_COLUMNS, datums),
        "tblCountries.sql": table_file("tblCountries", ["numId", "strCountry", "strFlag"], countries),
        "tblGrids.sql": table_file("tblGrids", GRID_COLUMNS, grids),
    }
    stats = "units %d, projections %d, ellipsoids %d, meridians %d, datums %d (%d with a transformation), " \
            "countries %d, grids %d" % (len(units), len(projections), len(ellipsoids), len(meridians), len(datums),
                                        sum(1 for d in datums if d[4] != 0), len(countries), len(grids))
    return files, stats


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..", "..", "data", "catalogue"))
    parser.add_argument("--check", action="store_true", help="compare with the files in --out, write nothing")
    args = parser.parse_args()
    files, stats = generate()
    out = os.path.normpath(args.out)
    differs = []
    for name, text in sorted(files.items()):
        path = os.path.join(out, name)
        if args.check:
            old = open(path, encoding="utf-8").read() if os.path.exists(path) else None
            if old != text:
                differs.append(name)
        else:
            os.makedirs(out, exist_ok=True)
            with open(path, "w", encoding="utf-8", newline="\n") as f:
                f.write(text)
    print(stats)
    if differs:
        print("differs: " + ", ".join(differs))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
