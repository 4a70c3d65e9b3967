#!/usr/bin/env python3
"""Writes the picture fixtures of the control tests, byte by byte (no imaging
library needed):

  three_frames.gif  24x24, three frames: a red, a green and a blue square on a
                    transparent border; frame delays 5, 10 and 15 (10 ms units);
                    palette index 0 is the transparent colour (magenta).
  not_a_picture.txt plain text, which no picture decoder accepts.

Usage: make_fixtures.py <output folder>
"""
import os
import struct
import sys

WIDTH = HEIGHT = 24
BORDER = 4
DELAYS = (5, 10, 15)
PALETTE = [(255, 0, 255), (255, 0, 0), (0, 160, 0), (0, 0, 255)]


def lzw_uncompressed(indices, min_code_size=2):
    """LZW data that a decoder reads as literal codes: a clear code after every
    second pixel keeps the code width at min_code_size + 1 bits."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    width = min_code_size + 1
    codes = []
    for i, index in enumerate(indices):
        if i % 2 == 0:
            codes.append(clear)
        codes.append(index)
    codes.append(end)
    out, acc, bits = bytearray(), 0, 0
    for code in codes:
        acc |= code << bits
        bits += width
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    if bits:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def frame_pixels(colour_index):
    pixels = []
    for y in range(HEIGHT):
        for x in range(WIDTH):
            inside = BORDER <= x < WIDTH - BORDER and BORDER <= y < HEIGHT - BORDER
            pixels.append(colour_index if inside else 0)
    return pixels


def three_frame_gif():
    gif = bytearray(b"GIF89a")
    # Logical screen: global colour table of 4 entries (size field 1).
    gif += struct.pack("<HHBBB", WIDTH, HEIGHT, 0x80 | 0x01, 0, 0)
    for r, g, b in PALETTE:
        gif += bytes((r, g, b))
    # Loop forever.
    gif += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
    for frame, delay in enumerate(DELAYS):
        # Graphic control: dispose to background, transparent index 0.
        gif += struct.pack("<BBBBHBB", 0x21, 0xF9, 4, (2 << 2) | 0x01, delay, 0, 0)
        gif += struct.pack("<BHHHHB", 0x2C, 0, 0, WIDTH, HEIGHT, 0)
        gif.append(2)  # LZW minimum code size
        gif += sub_blocks(lzw_uncompressed(frame_pixels(frame + 1)))
    gif.append(0x3B)
    return bytes(gif)


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, "three_frames.gif"), "wb") as f:
        f.write(three_frame_gif())
    with open(os.path.join(out_dir, "not_a_picture.txt"), "wb") as f:
        f.write(b"This is plain text, not a picture.\r\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
