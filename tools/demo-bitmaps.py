#!/usr/bin/env python3
"""Draws the demo product's bitmaps (24-bit BMP files) into demo/res. Run again after changing a picture."""
import math
import os
import struct
import sys

TRANSPARENT = (198, 195, 198)


def write_bmp(path, width, height, pixel):
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b"\0" * (row - width * 3)
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def mix(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


def banner(x, y):
    # A deep blue to teal band with a stylised printer: body, paper tray and a sheet.
    colour = mix((16, 42, 92), (18, 128, 140), y / 313)
    if 32 <= x < 132 and 150 <= y < 200:
        colour = (232, 236, 240)
    if 42 <= x < 122 and 118 <= y < 150:
        colour = (250, 250, 250)
    if 42 <= x < 122 and 200 <= y < 214:
        colour = (200, 206, 214)
    if 112 <= x < 122 and 160 <= y < 166:
        colour = (80, 200, 120)
    return colour


def background(x, y):
    return mix((10, 30, 70), (40, 110, 160), (x + y) / 126)


def dot(fill):
    def pixel(x, y):
        d = math.hypot(x - 7.5, y - 7.5)
        if d > 6.5:
            return TRANSPARENT
        return mix(fill, (255, 255, 255), 0.35) if d < 2.5 else fill
    return pixel


def logo(x, y):
    d = math.hypot(x - 23.5, y - 23.5)
    if d > 22:
        return TRANSPARENT
    if abs(x - 23.5) < 12 and abs(y - 23.5) < 7:
        return (255, 255, 255)
    return mix((18, 128, 140), (16, 42, 92), d / 22)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "demo", "res")
    write_bmp(os.path.join(out, "welcome.bmp"), 164, 314, banner)
    write_bmp(os.path.join(out, "background.bmp"), 64, 64, background)
    write_bmp(os.path.join(out, "link_off.bmp"), 16, 16, dot((40, 90, 170)))
    write_bmp(os.path.join(out, "link_on.bmp"), 16, 16, dot((230, 120, 20)))
    write_bmp(os.path.join(out, "link_clicked.bmp"), 16, 16, dot((200, 40, 40)))
    write_bmp(os.path.join(out, "logo.bmp"), 48, 48, logo)


if __name__ == "__main__":
    main()
