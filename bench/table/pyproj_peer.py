#!/usr/bin/env python3
"""The peer of the SQLite table benchmark: what a user would write instead.
Converts lat/lon of table t from WGS 84 to UTM zone 31N into north/east, in
one transaction, with pyproj."""
import sqlite3
import sys

from pyproj import Transformer

db = sqlite3.connect(sys.argv[1])
to_utm = Transformer.from_crs("EPSG:4326", "EPSG:32631", always_xy=True)
ids, lat, lon = zip(*db.execute("SELECT rowid, lat, lon FROM t"))
east, north = to_utm.transform(lon, lat)
with db:
    db.executemany("UPDATE t SET north = ?, east = ? WHERE rowid = ?",
                   zip((round(n, 3) for n in north), (round(e, 3) for e in east), ids))
db.close()
