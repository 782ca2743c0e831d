#!/usr/bin/env python3
"""Writes src/ui/hand.cur: the pointing hand the wizard shows over links on systems without one of
their own (Windows 95 and NT 4). A 32x32 monochrome cursor, hot spot at the finger tip.

    tools/make-hand-cursor.py [OUTPUT]     (default: src/ui/hand.cur beside this tools folder)
"""
import os
import struct
import sys

# X: black outline, .: white, blank: transparent. Rows from the top.
HAND = [
    "     XX",
    "    X..X",
    "    X..X",
    "    X..X",
    "    X..X",
    "    X..XXX",
    "    X..X..XXX",
    "    X..X..X..XX",
    "    X..X..X..X.X",
    " XX X..X..X..X..X",
    "X..XX........X..X",
    "X...X...........X",
    " X..............X",
    "  X.............X",
    "  X............X",
    "   X...........X",
    "   X..........X",
    "    X.........X",
    "    X.........X",
    "     X.......X",
    "     X.......X",
    "     XXXXXXXXX",
]
SIZE = 32
HOT_SPOT = (5, 0)


def mask_rows():
    """The colour (XOR) and transparency (AND) masks, bottom row first, 4 bytes per row."""
    xor_rows, and_rows = [], []
    for y in range(SIZE):
        line = HAND[y] if y < len(HAND) else ""
        xor_bits = and_bits = 0
        for x in range(SIZE):
            c = line[x] if x < len(line) else " "
            bit = 1 << (SIZE - 1 - x)
            if c == ".":
                xor_bits |= bit            # white
            elif c != "X":
                and_bits |= bit            # transparent; X stays black (both 0)
        xor_rows.append(struct.pack(">I", xor_bits))
        and_rows.append(struct.pack(">I", and_bits))
    return b"".join(reversed(xor_rows)), b"".join(reversed(and_rows))


def cursor_bytes():
    xor_mask, and_mask = mask_rows()
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    colours = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    image = header + colours + xor_mask + and_mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, HOT_SPOT[0], HOT_SPOT[1], len(image), 6 + 16)
    return directory + entry + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src", "ui", "hand.cur")
    with open(output, "wb") as out:
        out.write(cursor_bytes())


if __name__ == "__main__":
    main()
