#!/usr/bin/env python3
"""Draws the hover pointer, a pointing hand, as a Windows cursor file: data/HAND-M.CUR.

Usage: python3 tools/make_hand_cursor.py [output path]
The hotspot is the tip of the index finger.
"""
import struct
import sys
from pathlib import Path

# '#' outline, '.' fill, anything else transparent.
HAND = """
      ##
     #..#
     #..#
     #..#
     #..#
     #..###
     #..#..###
     #..#..#..##
     #..#..#..#.#
  ## #..#..#..#..#
 #..##........#..#
 #...#...........#
  #..............#
   #.............#
   #............#
    #...........#
    #..........#
     #.........#
     #.........#
      #.......#
      #.......#
      #########
"""

SIZE = 32
HOTSPOT = (7, 1)


def pixels():
    rows = HAND.strip("\n").split("\n")
    grid = [[" "] * SIZE for _ in range(SIZE)]
    for y, row in enumerate(rows):
        for x, mark in enumerate(row):
            grid[y + 1][x + 1] = mark
    return grid


def cursor_bytes():
    grid = pixels()
    colour = bytearray()
    mask = bytearray()
    for row in reversed(grid):  # bitmaps are stored bottom-up
        bits = 0
        for x, mark in enumerate(row):
            if mark == "#":
                colour += bytes((0, 0, 0, 255))
            elif mark == ".":
                colour += bytes((255, 255, 255, 255))
            else:
                colour += bytes((0, 0, 0, 0))
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    image = header + colour + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, HOTSPOT[0], HOTSPOT[1], len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "data" / "HAND-M.CUR"
    out.write_bytes(cursor_bytes())
    print(f"wrote {out}")
