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
                2. among the non-deprecated EPSG transformations between the system and EPSG:4326
                   that the engine's methods express (geocentric translations in either direction,
                   position vector, coordinate frame, Molodensky-Badekas; a geographic offset when a
                   geocentric translation reproduces it over the system's area within a fifth of its
                   stated accuracy, OFFSET_TOLERANCE metres when it states none; failing those, two
                   Helmert steps through a system that has one, carried as one set when the
                   composition holds within CHAIN_TOLERANCE metres), the first by:
                   a. the share of the system's map grids (EPSG projected systems on it) for whose
                      area-of-use centre cs2cs would use it (of the transformations whose area
                      holds a point cs2cs uses the one with the best stated accuracy);
                   b. then PROJ's own ranking: the share of the system's area of use covered
                      (shares within COVERAGE_TIE count as equal), the smallest stated accuracy
                      (unknown last), the largest area of use, the higher version number in the
                      name ("(4)" before "(3)"), the higher code.
                   Geocentric translations are method 1, position vector method 2 as published,
                   coordinate frame method 2 with the signs of the three rotations reversed,
                   Molodensky-Badekas method 2 with its evaluation point folded into the
                   translation (exact in the engine's form X' = T + M R X); translations in
                   metres, rotations in arc seconds, scale in parts per million;
                3. a system whose only link is EPSG's longitude rotation (method 9601) to another
                   system takes that system's transformation: the engine's geographic longitudes
                   are always counted from Greenwich, so the two are the same datum here;
                4. a system that EPSG links to WGS 84 only through static Helmert steps that 2. does
                   not take (run backwards, in the geocentric or 3D domain, or through one other
                   datum, as PROJ's operation search finds them; null chains are left to
                   tblTransformations) carries them combined into one set of seven parameters when
                   that set holds within CHAIN_TOLERANCE metres of the steps applied one after the
                   other (PROJ's way: a step run backwards through its transposed rotation) over a
                   lattice of the system's area; chains ranked by steps, the share of the system's area
                   every step covers, the root sum of squares of their accuracies (the accuracy
                   carried), the later codes. Time-dependent steps with rates and time-specific ones
                   are not combined;
                5. otherwise method 0.
                datums-report.txt, next to the SQL, names for every system the transformation
                chosen, its accuracy and why, or why there is none.
tblGrids        Every non-deprecated EPSG projected system whose conversion method is in
                tblProjections, whose base system is in tblDatums and whose axes' unit is in tblUnits:
                numId its EPSG code, numDatum its base system, numProjection the EPSG method code,
                numUnits the axis unit (systems whose axes point west or south are left out unless
                their method itself gives westings and southings: 9808, 9819, 9826, 9828, 1042), parameters mapped onto the columns the engine reads for the
                projection (MAPPING below), angles in degrees, false easting and northing converted
                into the system's own unit. Hotine variant B with azimuth and rectified grid angle
                both 90 degrees (the Swiss grids) is shipped as the Swiss oblique cylindrical method
                9814, the exact form of that case. numCountry from the first area of use (lowest usage
                code): the text before " - " matched against country names and aliases, "World"
                (numId 1, UN M49's code for the world) when nothing matches.
                A method's parameter that has no column of its own rides in one the method does not
                use (GRID_METHODS_ADDED). A Krovak Modified grid ships only with the S-JTSK/05 definition
                its correction belongs to (MODIFIED_KROVAK_DEFINITION). grids-report.txt, next to the SQL, gives the share of EPSG's
                projected systems shipped and names every one left out, with the reason.
tblTransformations One row per shipped datum (tblTransformations.sql creates its own table, so that an
                older catalogue gets it added): numKind 4 WGS 84 itself, 1 the row carries EPSG's
                transformation (strCode, strName, dblAccuracy in metres, NULL unknown, the box of its
                largest area of use, numTarget the system
                at its other end: 4326, or the one an NTv2 grid shifts to), 2 the row has no parameters and needs none: PROJ's operation
                search links the datum to WGS 84 by null transformations (directly, through one other
                datum, or as a member of the WGS 84 ensemble), 3 EPSG links it but not in a form the
                engine applies (strNote says why: a chain, a grid it lacks, another method), 0 EPSG
                links it to nothing. Only EPSG and PROJ transformations count, as in PROJ's default.
tblAreas        The area of use of every shipped datum (numKind 0, its largest) and grid (numKind 1, its
                first): EPSG's name and box in degrees, west greater than east across the antimeridian.
tblShipped      The record of what each release shipped: a signature (FNV-1a of the row's values) of
                every ellipsoid, datum and grid row up to 50000, by release; the committed record is
                kept (its first release taken from the committed tables) and a release added when a
                row changes.
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
DATA_FOLDER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data", "catalogue")
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
] + [
    # EPSG methods with classes of their own (see GRID_METHODS_ADDED).
    (1024, None, FN | FE | LAT | LON),
    (1027, None, FN | FE | LAT | LON),
    (1028, None, FN | FE | LON | PN),
    (1029, None, FN | FE | LON | PN),
    (1041, None, FN | FE | CLAT | LON | PN | SCALE | AZ),
    (1051, None, FN | FE | LAT | LON | PN | PS | SCALE),
    (1052, None, FN | FE | LAT | LON | SCALE),
    (1078, None, FN | FE | LON),
    (9811, None, FN | FE | LAT | LON),
    (9830, None, FN | FE | LON | PN),
    (9824, None, FN | FE | LAT | LON | PN | SCALE),
    (9828, None, FN | FE | LAT | LON),
    (1042, None, FN | FE | CLAT | LON | PN | SCALE | AZ),
    (1043, None, FN | FE | CLAT | LON | PN | SCALE | AZ),
    (9813, None, FN | FE | CLAT | CLON | SCALE | AZ),
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
# The parameters of the methods added with classes of their own. The columns a method has no use
# for carry its extra parameter: the Michigan ellipsoid scaling factor and the Colombia Urban
# projection plane height (metres) go into dblScale; the standard parallel of Polar Stereographic
# variant C and Equidistant Cylindrical and the zone width of the zoned Transverse Mercator (whose
# initial longitude is its dblLongitudeOrigin) into dblParallelNorth.
GRID_METHODS_ADDED = {
    1024: {8801: "dblLatitudeOrigin", 8802: "dblLongitudeOrigin",
           8806: "dblFalseEasting", 8807: "dblFalseNorthing"},
    1028: {8823: "dblParallelNorth", 8802: "dblLongitudeOrigin",
           8806: "dblFalseEasting", 8807: "dblFalseNorthing"},
    1051: {8821: "dblLatitudeOrigin", 8822: "dblLongitudeOrigin", 8823: "dblParallelNorth",
           8824: "dblParallelSouth", 1038: "dblScale", 8826: "dblFalseEasting", 8827: "dblFalseNorthing"},
    1052: {8801: "dblLatitudeOrigin", 8802: "dblLongitudeOrigin", 1039: "dblScale",
           8806: "dblFalseEasting", 8807: "dblFalseNorthing"},
    1078: {8802: "dblLongitudeOrigin", 8806: "dblFalseEasting", 8807: "dblFalseNorthing"},
    9830: {8832: "dblParallelNorth", 8833: "dblLongitudeOrigin",
           8826: "dblFalseEasting", 8827: "dblFalseNorthing"},
    9824: {8801: "dblLatitudeOrigin", 8830: "dblLongitudeOrigin", 8831: "dblParallelNorth",
           8805: "dblScale", 8806: "dblFalseEasting", 8807: "dblFalseNorthing"},
}
GRID_METHODS_ADDED[1027] = GRID_METHODS_ADDED[9811] = GRID_METHODS_ADDED[9828] = GRID_METHODS_ADDED[1024]
GRID_METHODS_ADDED[1029] = GRID_METHODS_ADDED[1028]
GRID_METHODS_ADDED[1041] = GRID_METHODS_ADDED[1042] = GRID_METHODS_ADDED[1043] = MAPPING[9819]
GRID_METHODS_ADDED[9813] = {8811: "dblLatitudeOrigin", 8812: "dblLongitudeOrigin", 8813: "dblAzimuth",
                            8815: "dblScale", 8806: "dblFalseEasting", 8807: "dblFalseNorthing"}

# Krovak Modified (1042, 1043): the engine's class holds the correction's evaluation point and
# coefficients as constants, and they belong to the Krovak definition of S-JTSK/05. A grid of the
# method ships only when its conversion has that definition and, where the conversion lists the
# correction among its parameters (proj.db of PROJ 9.1 lists none), the same correction. Angles in
# degrees (longitude east of Greenwich), lengths in metres.
MODIFIED_KROVAK_METHODS = {1042, 1043}
# The co-latitude of the cone axis is S-JTSK's 30 17 17.30311; EPSG's dataset gives it for these grids
# in sexagesimal to a thousandth of a second (30.1717303), and the grid row takes the full value, as
# the guidance note's worked example and PROJ do (the rounding alone moves a southing by 3 mm).
MODIFIED_KROVAK_CONE_AXIS = 30 + 17 / 60 + 17.30311 / 3600
MODIFIED_KROVAK_CONE_AXIS_ROUNDING = 0.0005 / 3600
MODIFIED_KROVAK_DEFINITION = {"dblLatitudeOrigin": 49.5, "dblLongitudeOrigin": 24 + 50 / 60,
                              "dblAzimuth": MODIFIED_KROVAK_CONE_AXIS, "dblParallelNorth": 78.5,
                              "dblScale": 0.9999, "dblFalseEasting": 5000000.0, "dblFalseNorthing": 5000000.0}
MODIFIED_KROVAK_CORRECTION = {
    "Ordinate 1 of evaluation point": 1089000.0, "Ordinate 2 of evaluation point": 654000.0,
    "C1": 2.946529277e-2, "C2": 2.515965696e-2, "C3": 1.193845912e-7, "C4": -4.668270147e-7,
    "C5": 9.233980362e-12, "C6": 1.523735715e-12, "C7": 1.696780024e-18, "C8": 4.408314235e-18,
    "C9": -8.331083518e-24, "C10": -3.689471323e-24}
MODIFIED_KROVAK_TOLERANCE = 1e-9
# Why build_grids left a grid out, where the reason is its own (grids_report reads it).
GRID_LEFT_OUT = {}
MAPPING.update(GRID_METHODS_ADDED)

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
WESTING_METHODS |= {9828}  # Bonne (South Orientated)
WESTING_METHODS |= {1042}  # Krovak Modified

HELMERT_METHODS = {9603: "translation", 9606: "position vector", 9607: "coordinate frame",
                   9636: "Molodensky-Badekas (coordinate frame)"}
GEOGRAPHIC_OFFSET_METHOD = 9619
# Two candidates whose shares of the system's area differ by less than this rank as covering it equally.
COVERAGE_TIE = 0.01
# The largest horizontal distance by which a geocentric translation standing in for a geographic
# offset may miss the offset anywhere in the system's area of use: a fifth of the offset's own
# stated accuracy, or OFFSET_TOLERANCE metres when it states none.
OFFSET_SHARE_OF_ACCURACY = 0.2
OFFSET_TOLERANCE = 0.5
WGS84_A, WGS84_RF = 6378137.0, 298.257223563
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

    def extents(self, table, code):
        return [r for r in self.rows(
            "SELECT e.south_lat, e.north_lat, e.west_lon, e.east_lon FROM usage u JOIN extent e "
            "ON e.auth_name = u.extent_auth_name AND e.code = u.extent_code "
            "WHERE u.object_table_name = ? AND u.object_auth_name = 'EPSG' AND u.object_code = ? "
            "ORDER BY CAST(u.code AS INTEGER)", table, code) if r[0] is not None]

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


def boxes(extent):
    """An extent as one or two boxes that do not cross the antimeridian."""
    south, north, west, east = extent
    if east >= west:
        return [(south, north, west, east)]
    return [(south, north, west, 180.0), (south, north, -180.0, east)]


def box_area(south, north, west, east):
    if north <= south or east <= west:
        return 0.0
    return (math.sin(math.radians(north)) - math.sin(math.radians(south))) * math.radians(east - west)


def coverage(system_extent, extents):
    """The share of the system's area of use that the best of the transformation's extents covers."""
    total = sum(box_area(*b) for b in boxes(system_extent))
    if total <= 0:
        return 0.0
    best = 0.0
    for extent in extents:
        covered = 0.0
        for s1, n1, w1, e1 in boxes(system_extent):
            for s2, n2, w2, e2 in boxes(extent):
                covered += box_area(max(s1, s2), min(n1, n2), max(w1, w2), min(e1, e2))
        best = max(best, covered / total)
    return min(best, 1.0)


def version_of(name):
    """EPSG numbers the transformations between two systems "(1)", "(2)"...; PROJ prefers the later."""
    if name.endswith(")") and "(" in name:
        text = name[name.rindex("(") + 1:-1]
        if text.isdigit():
            return int(text)
    return 0


def geocentric(lat, lon, a, rf):
    e2 = 0.0 if rf == 0 else (2 - 1 / rf) / rf
    p, l = math.radians(lat), math.radians(lon)
    n = a / math.sqrt(1 - e2 * math.sin(p) ** 2)
    return (n * math.cos(p) * math.cos(l), n * math.cos(p) * math.sin(l), n * (1 - e2) * math.sin(p))


def offset_as_translation(extent, dlat, dlon, a, rf):
    """The geocentric translation that carries the area's centre by the geographic offset, and the
    largest horizontal distance by which it misses the offset over the area (a 9 x 9 lattice)."""
    lattice = []
    for south, north, west, east in boxes(extent):
        for i in range(9):
            for j in range(9):
                lattice.append((south + (north - south) * i / 8, west + (east - west) * j / 8))
    south, north, west, east = extent
    if east < west:
        east += 360
    clat, clon = (south + north) / 2, (west + east) / 2
    if clon > 180:
        clon -= 360
    src = geocentric(clat, clon, a, rf)
    dst = geocentric(clat + dlat, clon + dlon, WGS84_A, WGS84_RF)
    t = [d - s for s, d in zip(src, dst)]
    worst = 0.0
    for lat, lon in lattice:
        moved = [v + dv for v, dv in zip(geocentric(lat, lon, a, rf), t)]
        exact = geocentric(lat + dlat, lon + dlon, WGS84_A, WGS84_RF)
        # Only the horizontal miss moves a converted position; a height the translation adds is
        # not part of a two-dimensional offset.
        d = [m - x for m, x in zip(moved, exact)]
        p, l = math.radians(lat + dlat), math.radians(lon + dlon)
        up = (math.cos(p) * math.cos(l), math.cos(p) * math.sin(l), math.sin(p))
        along = sum(u * v for u, v in zip(up, d))
        worst = max(worst, math.sqrt(max(sum(v * v for v in d) - along * along, 0.0)))
    return t, worst


def contains(extent, lat, lon):
    return any(s <= lat <= n and w <= lon <= e for s, n, w, e in boxes(extent))


def grid_share(grid_centres, extents):
    """The share of a system's map grids whose area-of-use centre one of the extents contains."""
    if not grid_centres:
        return None
    inside = sum(1 for lat, lon in grid_centres if any(contains(e, lat, lon) for e in extents))
    return inside / len(grid_centres)


class Candidate:
    def __init__(self, code, name, method, params, accuracy, area, share, note, grids=None):
        self.code, self.name, self.method, self.params = code, name, method, params
        self.accuracy, self.area, self.share, self.note = accuracy, area, share, note
        self.grids = grids  # share of the system's map grids served, None when it has none
        self.extents = []

    def rank(self):
        # Shares are compared in steps of COVERAGE_TIE, so that a rounding of two equal areas of use
        # does not outweigh the accuracy. Where the system has map grids, the share of them the
        # transformation serves decides first: a system's area of use is often a loose box (NAD27's
        # holds Greenland and Panama), its grids are where it is used.
        grids = self.grids if self.grids is not None else self.share
        return (-math.floor(grids / COVERAGE_TIE + 1e-9), -math.floor(self.share / COVERAGE_TIE + 1e-9),
                self.accuracy if self.accuracy is not None else math.inf,
                -self.area, -version_of(self.name), -self.code)


def helmert_candidates(src, source_code, system_extent=None, ellipsoid=None, target_code=WGS84, centres=None):
    found = []
    for (code, name, method, tx, ty, tz, tuom, rx, ry, rz, ruom, ds, suom, px, py, pz, puom, accuracy,
         source, target) in src.rows(
            "SELECT code, name, method_code, tx, ty, tz, translation_uom_code, rx, ry, rz, rotation_uom_code, "
            "scale_difference, scale_difference_uom_code, px, py, pz, pivot_uom_code, accuracy, "
            "source_crs_code, target_crs_code FROM helmert_transformation_table "
            "WHERE auth_name = 'EPSG' AND deprecated = 0 AND source_crs_auth_name = 'EPSG' "
            "AND target_crs_auth_name = 'EPSG' AND ((source_crs_code = ? AND target_crs_code = ?) "
            "OR (source_crs_code = ? AND target_crs_code = ?))",
            str(source_code), str(target_code), str(target_code), str(source_code)):
        method = int(method)
        if method not in HELMERT_METHODS:
            continue
        reverse = int(source) == int(target_code)
        if reverse and method != 9603:
            # The reverse of a rotation is not the same seven parameters negated in the engine's
            # exact form; only translations turn round exactly.
            continue
        params = [src.to_metres(tx, tuom), src.to_metres(ty, tuom), src.to_metres(tz, tuom)]
        note = HELMERT_METHODS[method]
        if method == 9603:
            if reverse:
                params = [-v if v != 0 else 0.0 for v in params]
                note += ", published the other way and turned round"
            params += [0.0, 0.0, 0.0, 0.0]
            numMethod = 1
        else:
            rot = [src.to_arc_seconds(v, ruom) for v in (rx, ry, rz)]
            if method in (9607, 9636):
                rot = [-v if v != 0 else 0.0 for v in rot]
            scale = src.to_ppm(ds, suom)
            if method == 9636:
                # X' = T + P + M R (X - P) = (T + P - M R P) + M R X.
                p = [src.to_metres(v, puom) for v in (px, py, pz)]
                m = 1 + scale / 1e6
                r = [v * math.pi / (180 * 3600) for v in rot]
                rp = [p[0] - r[2] * p[1] + r[1] * p[2],
                      r[2] * p[0] + p[1] - r[0] * p[2],
                      -r[1] * p[0] + r[0] * p[1] + p[2]]
                params = [params[k] + p[k] - m * rp[k] for k in range(3)]
                note += ", evaluation point folded into the translation"
            params += rot + [scale]
            numMethod = 2
        extents = src.extents("helmert_transformation", code)
        area = src.largest_area("helmert_transformation", code)
        share = coverage(system_extent, extents) if system_extent else 0.0
        found.append(Candidate(int(code), name, numMethod, params,
                               float(accuracy) if accuracy is not None else None, area, share, note,
                               grid_share(centres, extents)))
        found[-1].extents = extents
    if system_extent and ellipsoid and target_code == WGS84:
        for (code, name, p1, v1, u1, p2, v2, u2, accuracy) in src.rows(
                "SELECT code, name, param1_code, param1_value, param1_uom_code, param2_code, param2_value, "
                "param2_uom_code, accuracy FROM other_transformation WHERE auth_name = 'EPSG' AND deprecated = 0 "
                "AND method_auth_name = 'EPSG' AND method_code = ? AND source_crs_auth_name = 'EPSG' "
                "AND source_crs_code = ? AND target_crs_auth_name = 'EPSG' AND target_crs_code = ?",
                str(GEOGRAPHIC_OFFSET_METHOD), str(source_code), str(WGS84)):
            values = {int(p1): src.to_arc_seconds(v1, u1) / 3600, int(p2): src.to_arc_seconds(v2, u2) / 3600}
            t, worst = offset_as_translation(system_extent, values.get(8601, 0.0), values.get(8602, 0.0),
                                             *ellipsoid)
            limit = OFFSET_TOLERANCE if accuracy is None else OFFSET_SHARE_OF_ACCURACY * float(accuracy)
            if worst > limit:
                continue
            extents = src.extents("other_transformation", code)
            found.append(Candidate(int(code), name, 1, [round(v, 3) for v in t] + [0.0, 0.0, 0.0, 0.0],
                                   float(accuracy) if accuracy is not None else None,
                                   src.largest_area("other_transformation", code),
                                   coverage(system_extent, extents),
                                   "geographic offset as a geocentric translation, within %.3f m of it over "
                                   "the system's area" % worst, grid_share(centres, extents)))
            found[-1].extents = extents
    vote(found, centres)
    found.sort(key=Candidate.rank)
    return found


def vote(found, centres):
    """At a point PROJ's cs2cs uses, of the transformations whose area holds it, the one with the best
    stated accuracy. Each candidate's grid share becomes the share of the system's map grids at whose
    area-of-use centre cs2cs would use it, so that the one transformation a datum carries is the one
    its grids meet in PROJ most often."""
    if not centres or not found:
        return
    found.sort(key=lambda c: c.rank()[1:])
    votes = {id(c): 0 for c in found}
    for lat, lon in centres:
        best = None
        for c in found:
            if not any(contains(e, lat, lon) for e in c.extents):
                continue
            if best is None or (c.accuracy if c.accuracy is not None else math.inf) < \
                    (best.accuracy if best.accuracy is not None else math.inf):
                best = c
        if best is not None:
            votes[id(best)] += 1
    for c in found:
        c.grids = votes[id(c)] / len(centres)


def shipped_grid_file(grid_name, old_name):
    for name in (old_name, grid_name):
        if name and os.path.isfile(os.path.join(PROJ_DIR, name)):
            return name
    return None


ARC_SECOND = math.pi / (180 * 3600)


def apply_helmert(params, x):
    """The engine's form: X' = T + M R X, R the small-angle rotation matrix (position vector)."""
    t, r, m = params[0:3], [v * ARC_SECOND for v in params[3:6]], 1 + params[6] / 1e6
    return [t[0] + m * (x[0] - r[2] * x[1] + r[1] * x[2]),
            t[1] + m * (r[2] * x[0] + x[1] - r[0] * x[2]),
            t[2] + m * (-r[1] * x[0] + r[0] * x[1] + x[2])]


def compose(first, second, extent, a, rf):
    """One set of seven parameters for `first` followed by `second`, and the largest distance by
    which it misses the two steps over the area (a 9 x 9 lattice). Translations, scales and
    rotations compose exactly but for the product of the two rotation matrices' small parts."""
    t = apply_helmert(second[0:3] + [second[3], second[4], second[5], second[6]], first[0:3])
    m = (1 + first[6] / 1e6) * (1 + second[6] / 1e6)
    params = [round(v, 4) for v in t] + [first[k] + second[k] for k in (3, 4, 5)] + [(m - 1) * 1e6]
    worst = 0.0
    for south, north, west, east in boxes(extent):
        for i in range(9):
            for j in range(9):
                x = geocentric(south + (north - south) * i / 8, west + (east - west) * j / 8, a, rf)
                worst = max(worst, math.dist(apply_helmert(params, x), apply_helmert(second, apply_helmert(first, x))))
    return params, worst


CHAIN_TOLERANCE = 0.01


def chain_candidates(src, code, extent, ellipsoid, direct, centres):
    """Two Helmert steps through another system that itself has a direct transformation to WGS 84,
    carried as one when the engine's form reproduces the pair within CHAIN_TOLERANCE metres."""
    found = []
    partners = src.rows(
        "SELECT DISTINCT CASE WHEN source_crs_code = ? THEN target_crs_code ELSE source_crs_code END "
        "FROM helmert_transformation_table WHERE auth_name = 'EPSG' AND deprecated = 0 "
        "AND (source_crs_code = ? OR target_crs_code = ?)", str(code), str(code), str(code))
    for (partner,) in partners:
        partner = int(partner)
        if partner == WGS84 or partner not in direct:
            continue
        for step in helmert_candidates(src, code, extent, ellipsoid, target_code=partner, centres=centres):
            for onward in direct[partner]:
                if onward.note.startswith("geographic offset"):
                    continue
                params, worst = compose(step.params, onward.params, extent, *ellipsoid)
                if worst > CHAIN_TOLERANCE:
                    continue
                accuracy = None if step.accuracy is None or onward.accuracy is None else \
                    step.accuracy + onward.accuracy
                # The chain serves where both steps do.
                share = min(step.share, coverage(extent, src.extents("helmert_transformation", onward.code)))
                method = 1 if all(v == 0 for v in params[3:]) else 2
                onward_extents = src.extents("helmert_transformation", onward.code)
                grids = None if step.grids is None else min(
                    step.grids, grid_share(centres, onward_extents))
                found.append(Candidate(step.code, step.name, method, params, accuracy, min(step.area, onward.area),
                                       share, "%s, then EPSG:%d %s (%s), carried as one within %.4f m" % (
                                           step.note, onward.code, onward.name, onward.note, worst), grids))
    found.sort(key=Candidate.rank)
    return found


# Static Helmert methods whose steps a chain may combine: True where EPSG states the rotations in the
# coordinate frame convention (the engine's are position vector). Time-dependent methods count only
# when every rate is zero: otherwise the result depends on the epoch, which the engine does not have.
# Time-specific ones (1065, 1066) hold at their epoch alone, and PROJ does not apply them either.
CHAIN_STEP_METHODS = {9603: False, 1031: False, 1035: False, 1037: False, 9606: False, 1033: False, 1061: False,
                      1063: False, 1053: False, 1054: False,
                      9607: True, 1032: True, 9636: True, 1056: True, 1057: True}
# PROJ's operation search goes through one intermediate datum at most.
CHAIN_MAX_STEPS = 2


class Step:
    """One Helmert step of a chain in geocentric coordinates: X' = T + P + m R (X - P), R the
    small-angle rotation (position vector), P the evaluation point (zero but for Molodensky-Badekas);
    `reverse` when the chain runs it from its target to its source."""

    def __init__(self, auth, code, name, accuracy, t, rot, scale, pivot, reverse):
        self.auth, self.code, self.name, self.accuracy, self.reverse = auth, str(code), name, accuracy, reverse
        self.t, self.pivot, self.m = t, pivot, 1 + scale / 1e6
        rx, ry, rz = [v * ARC_SECOND for v in rot]
        self.r = [[1.0, -rz, ry], [rz, 1.0, -rx], [-ry, rx, 1.0]]
        self.null = not any(t) and not any(rot) and scale == 0

    def label(self):
        return "%s:%s" % (self.auth, self.code)

    def extents(self, src):
        return [r for r in src.rows(
            "SELECT e.south_lat, e.north_lat, e.west_lon, e.east_lon FROM usage u JOIN extent e "
            "ON e.auth_name = u.extent_auth_name AND e.code = u.extent_code "
            "WHERE u.object_table_name = 'helmert_transformation' AND u.object_auth_name = ? "
            "AND u.object_code = ?", self.auth, self.code) if r[0] is not None]

    def rank(self):
        # EPSG's before PROJ's, then the later code.
        return (self.auth != "EPSG", -int(self.code) if self.code.isdigit() else 0)

    def apply(self, x):
        """As PROJ applies it: forward as published; reversed through the transposed rotation."""
        p, r = self.pivot, self.r
        if not self.reverse:
            d = [x[k] - p[k] for k in range(3)]
            return [self.t[i] + p[i] + self.m * sum(r[i][k] * d[k] for k in range(3)) for i in range(3)]
        d = [x[k] - self.t[k] - p[k] for k in range(3)]
        return [p[i] + sum(r[k][i] * d[k] for k in range(3)) / self.m for i in range(3)]

    def affine(self):
        """(A, b) with X' = A X + b."""
        zero = [0.0, 0.0, 0.0]
        b = self.apply(zero)
        a = [[self.apply([1.0 if k == j else 0.0 for k in range(3)])[i] - b[i] for j in range(3)] for i in range(3)]
        return a, b


def chain_steps(src):
    """Every static Helmert step of EPSG and PROJ (PROJ's default authorities), both ways round, keyed
    by the datum it starts from."""
    datum_of = {(a, str(c)): (da, str(dc)) for a, c, da, dc in src.rows(
        "SELECT auth_name, code, datum_auth_name, datum_code FROM geodetic_crs")}
    steps = {}
    for (auth, code, name, method, tx, ty, tz, tuom, rx, ry, rz, ruom, ds, suom, px, py, pz, puom, accuracy,
         source_auth, source, target_auth, target, rates) in src.rows(
            "SELECT auth_name, code, name, method_code, tx, ty, tz, translation_uom_code, rx, ry, rz, rotation_uom_code, "
            "scale_difference, scale_difference_uom_code, px, py, pz, pivot_uom_code, accuracy, "
            "source_crs_auth_name, source_crs_code, target_crs_auth_name, target_crs_code, coalesce(abs(rate_tx), 0) + coalesce(abs(rate_ty), 0) + coalesce(abs(rate_tz), 0) + "
            "coalesce(abs(rate_rx), 0) + coalesce(abs(rate_ry), 0) + coalesce(abs(rate_rz), 0) + "
            "coalesce(abs(rate_scale_difference), 0) FROM helmert_transformation_table WHERE deprecated = 0 "
            "AND method_auth_name = 'EPSG'"):
        frame = CHAIN_STEP_METHODS.get(int(method))
        source, target = datum_of.get((source_auth, str(source))), datum_of.get((target_auth, str(target)))
        if auth not in LINK_AUTHORITIES or frame is None or rates != 0 or source is None or target is None or source == target:
            continue
        rot = [src.to_arc_seconds(v, ruom) for v in (rx, ry, rz)]
        if frame:
            rot = [-v for v in rot]
        pivot = [src.to_metres(v, puom) for v in (px, py, pz)] if px is not None else [0.0, 0.0, 0.0]
        t = [src.to_metres(v, tuom) for v in (tx, ty, tz)]
        scale = src.to_ppm(ds, suom)
        accuracy = float(accuracy) if accuracy is not None else None
        for start, end, reverse in ((source, target, False), (target, source, True)):
            steps.setdefault(start, []).append(
                (end, Step(auth, code, name, accuracy, t, rot, scale, pivot, reverse)))
    return datum_of, steps


def chain_paths(start, steps, extent, src):
    """The chains of up to CHAIN_MAX_STEPS steps from a datum to WGS 84's, each step's area of use
    meeting the system's (PROJ's "intersects"), no datum visited twice."""
    wgs84 = ("EPSG", "6326")
    found, frontier = [], [(start, [], {start})]
    meets = {}

    def usable(step):
        if step.label() not in meets:
            meets[step.label()] = any(boxes_meet(extent, e) for e in step.extents(src))
        return meets[step.label()]

    for _ in range(CHAIN_MAX_STEPS):
        following = []
        for datum, path, seen in frontier:
            for end, step in steps.get(datum, []):
                if end in seen or not usable(step):
                    continue
                if end == wgs84:
                    found.append(path + [step])
                else:
                    following.append((end, path + [step], seen | {end}))
        frontier = following
    return found


def boxes_meet(first, second):
    for s1, n1, w1, e1 in boxes(first):
        for s2, n2, w2, e2 in boxes(second):
            if s1 <= n2 and s2 <= n1 and w1 <= e2 and w2 <= e1:
                return True
    return False


def combine_chain(path, extent, a, rf):
    """One set of seven parameters (engine's form) for the steps applied one after the other, and the
    largest distance by which it misses them over the area (a 9 x 9 lattice per box). The affine map of
    the chain is exact; the approximation is reading it as a scale times a small-angle rotation."""
    matrix, shift = [[1.0 if i == j else 0.0 for j in range(3)] for i in range(3)], [0.0, 0.0, 0.0]
    for step in path:
        a_step, b_step = step.affine()
        matrix = [[sum(a_step[i][k] * matrix[k][j] for k in range(3)) for j in range(3)] for i in range(3)]
        shift = [sum(a_step[i][k] * shift[k] for k in range(3)) + b_step[i] for i in range(3)]
    m = (matrix[0][0] + matrix[1][1] + matrix[2][2]) / 3
    rx = (matrix[2][1] - matrix[1][2]) / (2 * m) / ARC_SECOND
    ry = (matrix[0][2] - matrix[2][0]) / (2 * m) / ARC_SECOND
    rz = (matrix[1][0] - matrix[0][1]) / (2 * m) / ARC_SECOND
    # Adding 0.0 turns a rounded -0.0 into 0, as SQL and the row signatures write it.
    params = [round(v, 4) + 0.0 for v in shift] + [round(v, 6) + 0.0 for v in (rx, ry, rz)] + \
        [round((m - 1) * 1e6, 6) + 0.0]
    worst = 0.0
    for south, north, west, east in boxes(extent):
        for i in range(9):
            for j in range(9):
                x = geocentric(south + (north - south) * i / 8, west + (east - west) * j / 8, a, rf)
                exact = x
                for step in path:
                    exact = step.apply(exact)
                worst = max(worst, math.dist(apply_helmert(params, x), exact))
    return params, worst


def chain_accuracy(path):
    """The root sum of squares of the steps' stated accuracies; unknown when one is."""
    if any(s.accuracy is None for s in path):
        return None
    return round(math.sqrt(sum(s.accuracy ** 2 for s in path)), 3)


def combined_chain(src, code, extent, ellipsoid):
    """A chain of Helmert steps to WGS 84 for a system that EPSG links only that way, carried as one set
    of parameters when it holds within CHAIN_TOLERANCE metres of the steps over the system's area:
    (params, worst, path), or None. Chains of null steps alone are left to tblTransformations' null
    links, as are systems that have a direct or null link."""
    if not hasattr(src, "chain_steps"):
        src.chain_steps = chain_steps(src)
    datum_of, steps = src.chain_steps
    if link_kind(src, code) != LINK_NOT_APPLIED:
        return None
    ranked = []
    for path in chain_paths(datum_of[("EPSG", str(code))], steps, extent, src):
        if all(s.null for s in path):
            continue
        # As PROJ ranks them: the fewest steps, the largest share of the system's area that every step
        # covers, the best accuracy, the later transformations.
        share = min(coverage(extent, s.extents(src)) for s in path)
        accuracy = chain_accuracy(path)
        ranked.append((len(path), -math.floor(share / COVERAGE_TIE + 1e-9), accuracy is None, accuracy or 0.0,
                       [s.rank() for s in path], path))
    for *_, path in sorted(ranked, key=lambda r: r[:5]):
        params, worst = combine_chain(path, extent, *ellipsoid)
        if worst <= CHAIN_TOLERANCE:
            return params, worst, path
    return None


def chain_label(path):
    """The chain's name as PROJ gives it, the steps run backwards as "inverse of"; the first step's code
    is left out, as the row's code names it."""
    return ", then ".join("%s%s%s" % ("inverse of " if s.reverse else "", s.label() + " " if k else "", s.name)
                          for k, s in enumerate(path))


def system_extent(src, code):
    extents = src.extents("geodetic_crs", code)
    if not extents:
        return None
    return max(extents, key=lambda e: sum(box_area(*b) for b in boxes(e)))


def why_none(src, code):
    """Why a system carries no transformation: what EPSG has for it and why the engine cannot use it."""
    reasons = []
    for table, label in (("grid_transformation", "a grid transformation"),
                         ("concatenated_operation", "a chain of operations"),
                         ("other_transformation", "another kind of transformation"),
                         ("helmert_transformation_table", "a Helmert transformation")):
        rows = src.rows("SELECT code, name, method_code FROM %s WHERE auth_name = 'EPSG' AND deprecated = 0 "
                        "AND ((source_crs_code = ? AND target_crs_code = ?) OR (source_crs_code = ? AND "
                        "target_crs_code = ?)) ORDER BY CAST(code AS INTEGER)" % table
                        if table != "concatenated_operation" else
                        "SELECT code, name, NULL FROM concatenated_operation WHERE auth_name = 'EPSG' "
                        "AND deprecated = 0 AND ((source_crs_code = ? AND target_crs_code = ?) OR "
                        "(source_crs_code = ? AND target_crs_code = ?)) ORDER BY CAST(code AS INTEGER)",
                        str(code), str(WGS84), str(WGS84), str(code))
        for c, name, method in rows:
            if table == "grid_transformation":
                why = "its grid file is not in proj-data, or the method is not NTv2"
            elif table == "concatenated_operation":
                why = "the engine carries one operation per datum"
            elif table == "other_transformation" and str(method) == str(GEOGRAPHIC_OFFSET_METHOD):
                why = "a geocentric translation misses the offset by more than a fifth of its accuracy"
            elif table == "helmert_transformation_table" and str(method) != "9603":
                why = "method %s, which the engine cannot express exactly" % method
            else:
                why = "method %s, which the engine does not have" % method
            reasons.append("EPSG:%s %s: %s (%s)" % (c, name, label, why))
    if not reasons:
        return NO_TRANSFORMATION
    return "; ".join(reasons)


NO_TRANSFORMATION = "EPSG has no transformation between this system and WGS 84"


def build_datums(src):
    crs = src.rows(
        "SELECT g.code, g.name, d.ellipsoid_code, d.prime_meridian_code, el.semi_major_axis, el.uom_code, "
        "el.inv_flattening, el.semi_minor_axis FROM geodetic_crs g "
        "JOIN geodetic_datum d ON d.auth_name = g.datum_auth_name AND d.code = g.datum_code "
        "JOIN ellipsoid el ON el.auth_name = d.ellipsoid_auth_name AND el.code = d.ellipsoid_code "
        "WHERE g.auth_name = 'EPSG' AND g.type = 'geographic 2D' AND g.deprecated = 0")
    # The area-of-use centres of each system's projected systems: where its map grids are used.
    centres = {}
    for base, south, north, west, east in src.rows(
            "SELECT p.geodetic_crs_code, e.south_lat, e.north_lat, e.west_lon, e.east_lon FROM projected_crs p "
            "JOIN usage u ON u.object_table_name = 'projected_crs' AND u.object_auth_name = p.auth_name "
            "AND u.object_code = p.code JOIN extent e ON e.auth_name = u.extent_auth_name AND e.code = u.extent_code "
            "WHERE p.auth_name = 'EPSG' AND p.deprecated = 0 AND p.geodetic_crs_auth_name = 'EPSG' "
            "AND e.south_lat IS NOT NULL"):
        if east < west:
            east += 360
        lon = (west + east) / 2
        centres.setdefault(int(base), []).append(((south + north) / 2, lon - 360 if lon > 180 else lon))
    helmert = {}
    ellipsoids = {}
    for code, _, _, _, a, uom, inv_f, b in crs:
        a_m = src.to_metres(a, uom)
        if inv_f is not None:
            rf = float(inv_f)
        else:
            b_m = src.to_metres(b, uom)
            rf = 0.0 if b_m == a_m else a_m / (a_m - b_m)
        candidates = helmert_candidates(src, code, system_extent(src, code), (a_m, rf),
                                        centres=centres.get(int(code)))
        if candidates:
            helmert[int(code)] = candidates
        ellipsoids[int(code)] = (a_m, rf)
    direct = dict(helmert)
    for code, *_ in crs:
        code = int(code)
        extent = system_extent(src, code)
        if code == WGS84 or code in helmert or extent is None:
            continue
        chained = chain_candidates(src, code, extent, ellipsoids[code], direct, centres.get(code))
        if chained:
            helmert[code] = chained

    def wgs84_equivalent(code):
        if code == WGS84:
            return True
        chosen = helmert.get(code)
        return chosen is not None and all(v == 0 for v in chosen[0].params)

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
    report = {}
    # What each system carries, for tblTransformations: (table, code, name, accuracy, extents).
    src.carried = {}
    for code, name, ellipsoid, meridian, *_ in crs:
        code = int(code)
        values = [0.0] * 7
        method, grid_file = 0, ""
        if code == WGS84:
            report[code] = "the pivot itself"
        elif code in ntv2:
            method, grid_file = ntv2[code][2], ntv2[code][3]
            src.carried[code] = carried_grid(src, ntv2[code][1], code)
            report[code] = "EPSG:%d, NTv2 grid %s (method %d): a grid that proj-data ships comes first" % (
                ntv2[code][1], grid_file, method)
        elif code in helmert:
            best = helmert[code][0]
            method, values = best.method, best.params
            src.carried[code] = carried_candidate(src, best)
            accuracy = "%g m" % best.accuracy if best.accuracy is not None else "unknown accuracy"
            others = len(helmert[code]) - 1
            served = "" if best.grids is None else \
                ", the one cs2cs uses for %.0f %% of its map grids" % (100 * best.grids)
            report[code] = "EPSG:%d %s, %s, %s; covers %.0f %% of the system's area%s%s" % (
                best.code, best.name, accuracy, best.note, 100 * best.share, served,
                "; ranked first of %d candidates" % (others + 1) if others else "; the only candidate")
        elif (chain := combined_chain(src, code, system_extent(src, code), ellipsoids[code])) is not None:
            values, worst, path = chain
            method = 1 if all(v == 0 for v in values[3:]) else 2
            accuracy = chain_accuracy(path)
            how = "a chain of %s Helmert steps carried as one, within %.4f m of them" % (
                NUMBER_WORDS.get(len(path), str(len(path))), worst) if len(path) > 1 else \
                "one Helmert step in the engine's form, within %.4f m of it" % worst
            src.carried[code] = (path[0].label(), chain_label(path), accuracy,
                                 largest_extent(src, "helmert_transformation", path[0].auth, path[0].code), WGS84, how)
            report[code] = "%s %s: %s, %s" % (path[0].label(), chain_label(path), src.carried[code][5],
                                           "%g m (root sum of squares)" % accuracy if accuracy is not None
                                           else "unknown accuracy")
        else:
            why = why_none(src, code)
            link = classify_link(src, code, *link_context(src))
            if link[0] == LINK_NOT_APPLIED and why == NO_TRANSFORMATION:
                why = link[5]  # a chain through another datum
            report[code] = "none: " + why
        rows.append([code, name, int(ellipsoid), int(meridian), method, grid_file] + values)
    by_code = {r[0]: r for r in rows}
    for source, target in src.rows(
            "SELECT source_crs_code, target_crs_code FROM other_transformation WHERE auth_name = 'EPSG' "
            "AND deprecated = 0 AND method_auth_name = 'EPSG' AND method_code = '9601' "
            "AND source_crs_auth_name = 'EPSG' AND target_crs_auth_name = 'EPSG' ORDER BY CAST(code AS INTEGER)"):
        row, partner = by_code.get(int(source)), by_code.get(int(target))
        if row is not None and partner is not None and row[4] == 0 and partner[4] != 0:
            row[4:] = partner[4:]
            if partner[0] in src.carried:
                src.carried[row[0]] = src.carried[partner[0]]
            report[row[0]] = "as EPSG:%d, which it differs from only by a longitude rotation: %s" % (
                partner[0], report[partner[0]])
    lines = ["datums-report.txt: generated by tools/catalogue/generate.py with tblDatums.sql.",
             "The transformation to WGS 84 each shipped datum carries, and why; or why it has none.", ""]
    for r in sorted(rows):
        lines.append("%d %s: %s" % (r[0], r[1], report[r[0]]))
    return sorted(rows), "\n".join(lines) + "\n"


# Kinds of a datum's link to WGS 84 in tblTransformations.
LINK_NONE, LINK_CARRIED, LINK_NULL, LINK_NOT_APPLIED, LINK_PIVOT = 0, 1, 2, 3, 4
# The authorities whose transformations PROJ's operation search uses by default.
LINK_AUTHORITIES = ("EPSG", "PROJ")
OPERATION_TABLES = ("helmert_transformation", "grid_transformation", "other_transformation",
                    "concatenated_operation")


def largest_extent(src, table, auth, code):
    """EPSG's name and box of the largest area of use of an object: (name, south, north, west, east)."""
    best, best_area = None, -1.0
    for name, south, north, west, east in src.rows(
            "SELECT e.name, e.south_lat, e.north_lat, e.west_lon, e.east_lon FROM usage u JOIN extent e "
            "ON e.auth_name = u.extent_auth_name AND e.code = u.extent_code WHERE u.object_table_name = ? "
            "AND u.object_auth_name = ? AND u.object_code = ? ORDER BY CAST(u.code AS INTEGER)",
            table, auth, str(code)):
        if south is None:
            continue
        area = sum(box_area(*b) for b in boxes((south, north, west, east)))
        if area > best_area:
            best, best_area = (name, south, north, west, east), area
    return best


def carried_grid(src, code, system):
    """A grid transformation's code, name, accuracy, area and the system at its other end."""
    name, accuracy, source, target = src.rows(
        "SELECT name, accuracy, source_crs_code, target_crs_code FROM grid_transformation "
        "WHERE auth_name = 'EPSG' AND code = ?", str(code))[0]
    partner = int(target) if int(source) == system else int(source)
    return ("EPSG:%d" % code, name, accuracy, largest_extent(src, "grid_transformation", "EPSG", code), partner)


def carried_candidate(src, best):
    table = "other_transformation" if best.note.startswith("geographic offset") else "helmert_transformation"
    return ("EPSG:%d" % best.code, best.name, best.accuracy, largest_extent(src, table, "EPSG", best.code), WGS84)


class Operation:
    """One transformation of proj.db between two geodetic systems, seen from the datums it links."""

    def __init__(self, table, auth, code, name, method, accuracy, source, target, null, steps):
        self.table, self.auth, self.code, self.name = table, auth, code, name
        self.method, self.accuracy, self.source, self.target = method, accuracy, source, target
        self.null, self.steps = null, steps

    def label(self):
        return "%s:%s" % (self.auth, self.code)

    def why_not(self):
        """Why the engine does not apply it, in a few words."""
        if self.table == "concatenated_operation":
            return "a chain of %s operations" % NUMBER_WORDS.get(self.steps, str(self.steps))
        if self.table == "grid_transformation":
            return "a grid transformation (%s) whose grid the engine does not have" % self.method
        return "%s, which the engine cannot express" % self.method


NUMBER_WORDS = {2: "two", 3: "three", 4: "four", 5: "five"}


def load_operations(src):
    """Every non-deprecated transformation of proj.db, keyed by the pair of datums it links."""
    datum_of = {(a, str(c)): (da, str(dc)) for a, c, da, dc in src.rows(
        "SELECT auth_name, code, datum_auth_name, datum_code FROM geodetic_crs")}
    steps = {}
    for auth, code, count in src.rows("SELECT operation_auth_name, operation_code, count(*) FROM "
                                      "concatenated_operation_step GROUP BY operation_auth_name, operation_code"):
        steps[(auth, str(code))] = count
    links = {}
    for table in OPERATION_TABLES:
        if table == "helmert_transformation":
            sql = ("SELECT auth_name, code, name, method_name, accuracy, source_crs_auth_name, source_crs_code, "
                   "target_crs_auth_name, target_crs_code, coalesce(abs(tx), 0) + coalesce(abs(ty), 0) + "
                   "coalesce(abs(tz), 0) + coalesce(abs(rx), 0) + coalesce(abs(ry), 0) + coalesce(abs(rz), 0) + "
                   "coalesce(abs(scale_difference), 0) + coalesce(abs(rate_tx), 0) + coalesce(abs(rate_ty), 0) + "
                   "coalesce(abs(rate_tz), 0) + coalesce(abs(rate_rx), 0) + coalesce(abs(rate_ry), 0) + "
                   "coalesce(abs(rate_rz), 0) + coalesce(abs(rate_scale_difference), 0) FROM %s "
                   "WHERE deprecated = 0" % table)
        elif table == "concatenated_operation":
            sql = ("SELECT auth_name, code, name, 'chain', accuracy, source_crs_auth_name, source_crs_code, "
                   "target_crs_auth_name, target_crs_code, 1 FROM %s WHERE deprecated = 0" % table)
        else:
            sql = ("SELECT auth_name, code, name, method_name, accuracy, source_crs_auth_name, source_crs_code, "
                   "target_crs_auth_name, target_crs_code, 1 FROM %s WHERE deprecated = 0" % table)
        for auth, code, name, method, accuracy, sa, sc, ta, tc, magnitude in src.rows(sql):
            if auth not in LINK_AUTHORITIES:
                continue
            source, target = datum_of.get((sa, str(sc))), datum_of.get((ta, str(tc)))
            if source is None or target is None or source == target:
                continue
            op = Operation(table, auth, code, name, method, accuracy, source, target,
                           table == "helmert_transformation" and magnitude == 0,
                           steps.get((auth, str(code)), 0))
            links.setdefault(frozenset((source, target)), []).append(op)
    for ops in links.values():
        # Null links first, then EPSG's before other authorities', then by code.
        ops.sort(key=lambda o: (not o.null, o.auth != "EPSG", o.accuracy is None,
                                int(o.code) if str(o.code).isdigit() else math.inf, str(o.code)))
    return datum_of, links


def classify_link(src, code, datum_of, links, members, ensemble_accuracy):
    """What PROJ's operation search finds between a system without parameters and WGS 84: a null link,
    which the engine applies as it is (the datum coincides with WGS 84 within the link's accuracy), one
    the engine cannot apply, or nothing. Returns (kind, code, name, accuracy, extent, note)."""
    wgs84 = ("EPSG", "6326")
    datum = datum_of[("EPSG", str(code))]
    if datum in members:
        return (LINK_NULL, "", "member of the WGS 84 datum ensemble", ensemble_accuracy, None,
                "a realisation of WGS 84, which EPSG counts as WGS 84 within the ensemble's accuracy")
    direct = links.get(frozenset((datum, wgs84)), [])
    if direct:
        op = direct[0]
        extent = largest_extent(src, op.table, op.auth, op.code)
        if op.null:
            return (LINK_NULL, op.label(), op.name, op.accuracy, extent, "a null transformation")
        return (LINK_NOT_APPLIED, op.label(), op.name, None, extent,
                "%s, %s, not applied" % (op.label(), op.why_not()))
    best = None
    for pair, first_ops in links.items():
        if datum not in pair:
            continue
        (partner,) = pair - {datum}
        onward = links.get(frozenset((partner, wgs84)), [])
        if partner == wgs84 or not onward:
            continue
        first, second = first_ops[0], onward[0]
        null = first.null and second.null
        accuracy = None if first.accuracy is None or second.accuracy is None else first.accuracy + second.accuracy
        key = (not null, accuracy is None, accuracy or 0.0, first.label(), second.label())
        if best is None or key < best[0]:
            best = (key, first, second, null, accuracy)
    if best is not None:
        _, first, second, null, accuracy = best
        name = "%s %s, then %s %s" % (first.label(), first.name, second.label(), second.name)
        extent = largest_extent(src, first.table, first.auth, first.code)
        if null:
            return (LINK_NULL, first.label(), name, accuracy, extent, "two null transformations")
        obstacles = [why for why in (step_obstacle(src, op) for op in (first, second)) if why]
        return (LINK_NOT_APPLIED, first.label(), name, None, extent,
                "%s then %s, a chain of two operations, not applied%s" % (
                    first.label(), second.label(), " (%s)" % "; ".join(obstacles) if obstacles else ""))
    return (LINK_NONE, "", "", None, None, NO_TRANSFORMATION)


def step_obstacle(src, op):
    """Why one step of a chain keeps the chain from being carried, in a few words; None for a step the
    engine could take."""
    if op.null:
        return None
    if op.table == "helmert_transformation":
        if not hasattr(src, "epoch_steps"):
            src.epoch_steps = {(a, str(c)) for a, c in src.rows(
                "SELECT auth_name, code FROM helmert_transformation_table WHERE coalesce(abs(rate_tx), 0) + "
                "coalesce(abs(rate_ty), 0) + coalesce(abs(rate_tz), 0) + coalesce(abs(rate_rx), 0) + "
                "coalesce(abs(rate_ry), 0) + coalesce(abs(rate_rz), 0) + "
                "coalesce(abs(rate_scale_difference), 0) > 0")}
        if (op.auth, str(op.code)) in src.epoch_steps:
            return "%s changes with the epoch" % op.label()
        if op.method.startswith("Time-specific"):
            return "%s holds at its epoch alone" % op.label()
        return None
    return "%s is %s" % (op.label(), op.why_not())


def link_context(src):
    """The operations, datums and WGS 84 ensemble classify_link reads, loaded once."""
    if not hasattr(src, "link_operations"):
        datum_of, links = load_operations(src)
        members = {(a, str(c)) for a, c in src.rows(
            "SELECT member_auth_name, member_code FROM geodetic_datum_ensemble_member "
            "WHERE ensemble_auth_name = 'EPSG' AND ensemble_code = '6326'")}
        ensemble_accuracy = src.rows("SELECT ensemble_accuracy FROM geodetic_datum WHERE auth_name = 'EPSG' "
                                     "AND code = '6326'")[0][0]
        src.link_operations = (datum_of, links, members, ensemble_accuracy)
    return src.link_operations


def link_kind(src, code):
    return classify_link(src, code, *link_context(src))[0]


def build_transformations(src, datums):
    """tblTransformations: for every shipped datum the transformation to WGS 84 it carries (or the null
    link that makes its row's "no transformation" right), its stated accuracy and area of use; for the
    others what EPSG gives that the engine cannot apply, or that EPSG gives nothing."""
    context = link_context(src)
    rows = []
    for d in datums:
        code, method = d[0], d[4]
        if code == WGS84:
            entry = (LINK_PIVOT, "", "WGS 84 itself", 0.0, None, "the pivot", WGS84)
        elif method != 0 and code in src.carried:
            label, name, accuracy, extent, target, *note = src.carried[code]
            entry = (LINK_CARRIED, label, name, accuracy, extent, note[0] if note else "", target)
        else:
            entry = classify_link(src, code, *context) + (WGS84,)
        kind, label, name, accuracy, extent, note, target = entry
        box = extent[1:] if extent else (None, None, None, None)
        rows.append([code, kind, label, name, accuracy, note] + list(box) + [target])
    return rows


def build_areas(src, datums, grids):
    """tblAreas: the area of use of every shipped datum (its geographic system's largest) and grid (its
    first, the one its country comes from): EPSG's name and box, west greater than east across the
    antimeridian."""
    rows = []
    for kind, table, items in ((0, "geodetic_crs", datums), (1, "projected_crs", grids)):
        for item in items:
            code = item[0]
            if kind == 0:
                extent = largest_extent(src, table, "EPSG", code)
            else:
                found = src.rows(
                    "SELECT e.name, e.south_lat, e.north_lat, e.west_lon, e.east_lon FROM usage u JOIN extent e "
                    "ON e.auth_name = u.extent_auth_name AND e.code = u.extent_code "
                    "WHERE u.object_table_name = ? AND u.object_auth_name = 'EPSG' AND u.object_code = ? "
                    "AND e.south_lat IS NOT NULL ORDER BY CAST(u.code AS INTEGER)", table, str(code))
                extent = found[0] if found else None
            if extent is not None:
                rows.append([kind, code] + list(extent))
    return sorted(rows)


TRANSFORMATION_COLUMNS = ["numDatum", "numKind", "strCode", "strName", "dblAccuracy", "strNote", "dblSouth",
                          "dblNorth", "dblWest", "dblEast", "numTarget"]
AREA_COLUMNS = ["numKind", "numId", "strArea", "dblSouth", "dblNorth", "dblWest", "dblEast"]
TRANSFORMATION_TABLE = """CREATE TABLE tblTransformations (
    numDatum INTEGER NOT NULL PRIMARY KEY,
    numKind INTEGER,
    strCode TEXT,
    strName TEXT,
    dblAccuracy DOUBLE PRECISION,
    strNote TEXT,
    dblSouth DOUBLE PRECISION,
    dblNorth DOUBLE PRECISION,
    dblWest DOUBLE PRECISION,
    dblEast DOUBLE PRECISION,
    numTarget INTEGER
);"""
AREA_TABLE = """CREATE TABLE tblAreas (
    numKind INTEGER NOT NULL,
    numId INTEGER NOT NULL,
    strArea TEXT,
    dblSouth DOUBLE PRECISION,
    dblNorth DOUBLE PRECISION,
    dblWest DOUBLE PRECISION,
    dblEast DOUBLE PRECISION,
    PRIMARY KEY (numKind, numId)
);"""


def nullable_lines(table, columns, rows):
    """INSERT lines where None is SQL's NULL (an unknown accuracy or area)."""
    lines = []
    for line, row in zip(insert_lines(table, columns, [[0 if v is None else v for v in r] for r in rows]), rows):
        literals = line[line.index("VALUES (") + 8:-2]
        parts, depth, current = [], False, ""
        for ch in literals:
            if ch == "'":
                depth = not depth
            if ch == "," and not depth:
                parts.append(current.strip())
                current = ""
            else:
                current += ch
        parts.append(current.strip())
        parts = ["NULL" if v is None else p for p, v in zip(parts, row)]
        lines.append(line[:line.index("VALUES (") + 8] + ", ".join(parts) + ");")
    return lines


def link_files(src, datums, grids):
    """The two files of transformation and area data, each creating its own table, so that an older
    catalogue gets them added without the other tables changing."""
    header = "-- %s: generated by tools/catalogue/generate.py from Debian's proj-data.\n" \
             "-- Do not edit; rerun the generator.\n"
    transformations = build_transformations(src, datums)
    areas = build_areas(src, datums, grids)
    return {
        "tblTransformations.sql": header % "tblTransformations" + TRANSFORMATION_TABLE + "\nBEGIN;\n" + "\n".join(
            nullable_lines("tblTransformations", TRANSFORMATION_COLUMNS, transformations)) + "\nCOMMIT;\n",
        "tblAreas.sql": header % "tblAreas" + AREA_TABLE + "\nBEGIN;\n" + "\n".join(
            nullable_lines("tblAreas", AREA_COLUMNS, areas)) + "\nCOMMIT;\n",
    }


# The record of what each release shipped, by which an upgrade tells a shipped row the user never
# touched (its signature is one a release shipped) from one the user changed.
SHIPPED_TABLES = (("tblEllipsoids", ["numId", "strEllipsoid", "dblAxisA", "dblInverseFlattening"]),
                  ("tblDatums", DATUM_COLUMNS), ("tblGrids", GRID_COLUMNS))
SHIPPED_TABLE = """CREATE TABLE tblShipped (
    strTable TEXT NOT NULL,
    numId INTEGER NOT NULL,
    numRelease INTEGER NOT NULL,
    strSignature TEXT NOT NULL,
    PRIMARY KEY (strTable, numId, numRelease)
);"""


def row_signature(columns, row):
    """FNV-1a (64 bits) of the row's values joined by "|": integers as such, doubles as printf's
    "%.17g", texts as they are. The program computes the same of a catalogue row."""
    parts = []
    for column, value in zip(columns, row):
        if column.startswith("num"):
            parts.append(str(int(value)))
        elif column.startswith("dbl"):
            parts.append("%.17g" % float(value if value is not None else 0.0))
        else:
            parts.append(value or "")
    h = 0xcbf29ce484222325
    for byte in "|".join(parts).encode("utf-8"):
        h = ((h ^ byte) * 0x100000001b3) & 0xffffffffffffffff
    return "%016x" % h


def committed_rows(folder):
    """The rows of the committed catalogue (the release before this one), by table."""
    db = sqlite3.connect(":memory:")
    for part in ("schema", "tblEllipsoids", "tblDatums", "tblGrids", "tblShipped"):
        path = os.path.join(folder, part + ".sql")
        if os.path.exists(path):
            db.executescript(open(path, encoding="utf-8").read())
    rows = {t: db.execute("SELECT %s FROM %s" % (", ".join(c), t)).fetchall() for t, c in SHIPPED_TABLES}
    try:
        record = db.execute("SELECT strTable, numId, numRelease, strSignature FROM tblShipped").fetchall()
    except sqlite3.OperationalError:
        record = []
    return rows, record


def shipped_file(folder, current):
    """tblShipped.sql: every signature a release shipped for a row up to 50000, the committed release's
    and this one's (a new release number when any row changed)."""
    previous, record = committed_rows(folder)
    known = {(t, i, s) for t, i, _, s in record}
    release = max((r for _, _, r, _ in record), default=0)
    entries = set(record)
    if not record:
        release = 1
        for table, columns in SHIPPED_TABLES:
            for row in previous[table]:
                entries.add((table, int(row[0]), 1, row_signature(columns, row)))
        known = {(t, i, s) for t, i, _, s in entries}
    fresh = []
    for table, columns in SHIPPED_TABLES:
        for row in current[table]:
            signature = row_signature(columns, row)
            if int(row[0]) <= 50000 and (table, int(row[0]), signature) not in known:
                fresh.append((table, int(row[0]), signature))
    if fresh:
        release += 1
        entries.update((t, i, release, s) for t, i, s in fresh)
    lines = ["INSERT INTO tblShipped (strTable, numId, numRelease, strSignature) VALUES (%s, %d, %d, %s);" % (
        fmt_text(t), i, r, fmt_text(s)) for t, i, r, s in sorted(entries)]
    return "-- tblShipped: generated by tools/catalogue/generate.py, the record of every release's rows.\n" \
           "-- Do not edit; rerun the generator.\n" + SHIPPED_TABLE + "\nBEGIN;\n" + "\n".join(lines) + "\nCOMMIT;\n"


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
            if column is None and method in MODIFIED_KROVAK_METHODS:
                why = modified_krovak_extra(src, pcode, pvalue)
                if why is None:
                    continue
                GRID_LEFT_OUT[int(code)] = why
            if column is None:
                complete = False
                break
            if column in LENGTH_COLUMNS:
                values[column] = src.length_in(pvalue, puom, unit)
            elif column == "dblScale":
                values[column] = float(pvalue)
            else:
                values[column] = src.to_degrees(pvalue, puom)
        if complete and method in MODIFIED_KROVAK_METHODS:
            why = modified_krovak_mismatch(src, values, base)
            if why is not None:
                GRID_LEFT_OUT[int(code)] = why
                complete = False
            values["dblAzimuth"] = MODIFIED_KROVAK_CONE_AXIS
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


def modified_krovak_extra(src, pcode, pvalue):
    """None when a Krovak Modified parameter with no column is one of the correction's constants with the
    engine's value, else why the grid is left out."""
    found = src.rows("SELECT name FROM conversion_param WHERE auth_name = 'EPSG' AND code = ?", str(pcode))
    name = found[0][0] if found else str(pcode)
    expected = MODIFIED_KROVAK_CORRECTION.get(name)
    if expected is not None and abs(float(pvalue) - expected) <= MODIFIED_KROVAK_TOLERANCE * abs(expected):
        return None
    return "its Krovak Modified parameter %s = %s is not the engine's correction constant" % (name, pvalue)


def modified_krovak_mismatch(src, values, base):
    """None when a Krovak Modified grid has the S-JTSK/05 Krovak definition the engine's correction belongs
    to, else why the grid is left out."""
    meridian = src.rows("SELECT pm.longitude, pm.uom_code FROM geodetic_crs g JOIN geodetic_datum d "
                        "ON d.auth_name = g.datum_auth_name AND d.code = g.datum_code JOIN prime_meridian pm "
                        "ON pm.auth_name = d.prime_meridian_auth_name AND pm.code = d.prime_meridian_code "
                        "WHERE g.auth_name = 'EPSG' AND g.code = ?", str(base))
    greenwich = src.to_degrees(*meridian[0]) if meridian else 0.0
    for column, expected in MODIFIED_KROVAK_DEFINITION.items():
        value = values[column] + (greenwich if column == "dblLongitudeOrigin" else 0.0)
        tolerance = MODIFIED_KROVAK_CONE_AXIS_ROUNDING if column == "dblAzimuth" else \
            MODIFIED_KROVAK_TOLERANCE * max(1.0, abs(expected))
        if abs(value - expected) > tolerance:
            return "its %s %r is not that of the S-JTSK/05 definition the Krovak Modified correction " \
                   "belongs to (%r)" % (column, value, expected)
    return None


def grids_report(src, grids, datum_codes, unit_codes):
    """grids-report.txt: the share of EPSG's map grids shipped, and every one left out with the reason."""
    shipped = {r[0] for r in grids}
    methods = {code for code, _, _ in PROJECTIONS}
    left = []
    total = 0
    for (code, name, cs_code, base_auth, base, method_auth, method, method_name) in src.rows(
            "SELECT p.code, p.name, p.coordinate_system_code, p.geodetic_crs_auth_name, p.geodetic_crs_code, "
            "c.method_auth_name, c.method_code, c.method_name FROM projected_crs p LEFT JOIN conversion c "
            "ON c.auth_name = p.conversion_auth_name AND c.code = p.conversion_code "
            "WHERE p.auth_name = 'EPSG' AND p.deprecated = 0 ORDER BY CAST(p.code AS INTEGER)"):
        total += 1
        if int(code) in shipped:
            continue
        axes = src.rows("SELECT uom_code, orientation FROM axis WHERE coordinate_system_auth_name = 'EPSG' "
                        "AND coordinate_system_code = ?", cs_code)
        units = {int(r[0]) for r in axes}
        if int(code) in GRID_LEFT_OUT:
            why = GRID_LEFT_OUT[int(code)]
        elif method is None or method_auth != "EPSG":
            why = "its conversion is not an EPSG method (a derived or 3D system)"
        elif int(method) not in methods:
            why = "method %s %s, which the engine does not have" % (method, method_name)
        elif base_auth != "EPSG" or int(base) not in datum_codes:
            why = "its base system EPSG:%s is not a shipped geographic 2D datum" % base
        elif len(units) != 1 or not units <= set(unit_codes):
            why = "its axes' unit %s is not one the engine converts" % sorted(units)
        elif any(r[1] in ("west", "south") for r in axes) and int(method) not in WESTING_METHODS:
            why = "its axes point west or south, which a catalogue row cannot say"
        else:
            why = "a parameter of its conversion has no column of the method"
        left.append("%s %s: %s" % (code, name, why))
    lines = ["grids-report.txt: generated by tools/catalogue/generate.py with tblGrids.sql.",
             "EPSG projected systems (not deprecated) in proj.db: %d; shipped: %d (%.1f %%); left out: %d." % (
                 total, len(shipped), 100.0 * len(shipped) / total, len(left)),
             "Each one left out and why:", ""]
    return "\n".join(lines + left) + "\n"


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
    datums, datum_report = build_datums(src)
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
        "datums-report.txt": datum_report,
        "grids-report.txt": grids_report(src, grids, {d[0] for d in datums}, set(UNIT_CODES)),
    }
    files.update(link_files(src, datums, grids))
    files["tblShipped.sql"] = shipped_file(DATA_FOLDER, {"tblEllipsoids": ellipsoids, "tblDatums": datums,
                                                         "tblGrids": grids})
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
