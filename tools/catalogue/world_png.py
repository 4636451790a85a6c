#!/usr/bin/env python3
"""Draws data/world.png, the flag of the "World" country row: a 16x11 globe in the size of the
famfamfam flags, on the transparent colour RGB(254, 254, 254) the flag lists key out.

    python3 tools/catalogue/world_png.py
"""
import os
import struct
import zlib

W, H = 16, 11
KEY = (254, 254, 254)
SEA = (58, 110, 190)
LAND = (80, 160, 70)
GRID = (200, 220, 245)

# Rough continents on an 11x11 disc, '#' land.
LAND_MAP = [
    "...........",
    "....##.....",
    "..####..#..",
    ".#####.###.",
    "..###..####",
    "...##...##.",
    "....##..#..",
    "....###....",
    ".....#...#.",
    "..........#",
    "...........",
]


def pixel(x, y):
    cx, cy, r = 7.5, 5.0, 5.4
    dx, dy = x - cx, y - cy
    if dx * dx + dy * dy > r * r:
        return KEY
    mx, my = int(round(dx + 5)), int(round(dy + 5))
    if 0 <= my < 11 and 0 <= mx < 11 and LAND_MAP[my][mx] == "#":
        return LAND
    if y == 5 or x == 7:
        return GRID
    return SEA


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    raw = b"".join(b"\x00" + b"".join(bytes(pixel(x, y)) for x in range(W)) for y in range(H))
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    out = os.path.join(os.path.dirname(__file__), "..", "..", "data", "world.png")
    with open(os.path.normpath(out), "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main()
