#!/usr/bin/env python3
"""Writes the two 16x16 toolbox bitmaps of the control library (resources
102 and 106) as 24-bit BMP files: a framed picture with a sun and a hill;
the transparent variant's frame is dashed.

Usage: make_toolbox_bitmaps.py <output folder>
"""
import os
import struct
import sys

SIZE = 16
GREY, WHITE, SKY, SUN, HILL = (128, 128, 128), (255, 255, 255), (170, 210, 255), (255, 200, 0), (40, 150, 60)


def pixel(x, y, dashed):
    edge = x in (0, SIZE - 1) or y in (0, SIZE - 1)
    if edge:
        return WHITE if dashed and (x + y) % 2 else GREY
    if (x - 10) ** 2 + (y - 5) ** 2 <= 5:
        return SUN
    if y > 9 + abs(x - 6) // 2:
        return HILL
    return SKY


def bmp(dashed):
    row_bytes = SIZE * 3  # 48: already a multiple of 4
    pixels = bytearray()
    for y in reversed(range(SIZE)):  # bottom-up rows
        for x in range(SIZE):
            r, g, b = pixel(x, y, dashed)
            pixels += bytes((b, g, r))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, row_bytes * SIZE, 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(pixels), 0, 0, 14 + len(header))
    return file_header + header + bytes(pixels)


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out_dir, exist_ok=True)
    for name, dashed in (("Mervale.bmp", False), ("ReMervale.bmp", True)):
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(bmp(dashed))
    return 0


if __name__ == "__main__":
    sys.exit(main())
