#!/usr/bin/env python3
"""Writes the picture fixtures of the control tests, byte by byte (no imaging
library needed):

  three_frames.gif  24x24, three frames: a red, a green and a blue square on a
                    transparent border; frame delays 5, 10 and 15 (10 ms units);
                    palette index 0 is the transparent colour (magenta).
  not_a_picture.txt plain text, which no picture decoder accepts.
  fast_frames.gif   as three_frames.gif with frame delays 0, 1 and 2.
  no_delays.gif     as three_frames.gif without graphic control blocks: no
                    frame has a delay.
  frameless.gif     a GIF header, logical screen and trailer: no image.
  huge_screen.gif   a few hundred bytes declaring 10,000 x 10,000 pixels: one
                    image of that size whose data end at once.
  huge.png          about 100 KB of valid PNG: 10,000 x 10,000 grey pixels.
  many_frames.gif   a 400 x 400 logical screen with 120 one-pixel images (each
                    frame within the bounds alone, the decoded frames together
                    beyond them).

Usage: make_fixtures.py <output folder>
       make_fixtures.py --seeds <output folder>
  --seeds writes the pictures (without the text) and copies of each cut at
  a quarter, half and three quarters of its length, as the seed corpus of
  the header reader's fuzz target.
"""
import os
import struct
import sys
import zlib

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


def gif_start(width, height):
    gif = bytearray(b"GIF89a")
    # Logical screen: global colour table of 4 entries (size field 1).
    gif += struct.pack("<HHBBB", width, height, 0x80 | 0x01, 0, 0)
    for r, g, b in PALETTE:
        gif += bytes((r, g, b))
    return gif


def three_frame_gif(delays=DELAYS):
    """delays None: no graphic control blocks at all."""
    gif = gif_start(WIDTH, HEIGHT)
    # Loop forever.
    gif += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
    for frame in range(3):
        if delays is not None:
            # Graphic control: dispose to background, transparent index 0.
            gif += struct.pack("<BBBBHBB", 0x21, 0xF9, 4, (2 << 2) | 0x01, delays[frame], 0, 0)
        gif += struct.pack("<BHHHHB", 0x2C, 0, 0, WIDTH, HEIGHT, 0)
        gif.append(2)  # LZW minimum code size
        gif += sub_blocks(lzw_uncompressed(frame_pixels(frame + 1)))
    gif.append(0x3B)
    return bytes(gif)


def sized_gif(width, height, images, image_side, filled=True):
    """A GIF with that logical screen and that many square images at its
    corner, each of one colour (filled) or with data that end at once."""
    gif = gif_start(width, height)
    for image in range(images):
        gif += struct.pack("<BBBBHBB", 0x21, 0xF9, 4, 0, 10, 0, 0)
        gif += struct.pack("<BHHHHB", 0x2C, 0, 0, image_side, image_side, 0)
        gif.append(2)
        pixels = [1 + image % 3] * (image_side * image_side) if filled else []
        gif += sub_blocks(lzw_uncompressed(pixels))
    gif.append(0x3B)
    return bytes(gif)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def huge_png(width=10000, height=10000):
    png = bytearray(b"\x89PNG\r\n\x1a\n")
    png += png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0))
    # Every row: filter byte 0 and black.
    packer = zlib.compressobj(9)
    row = b"\x00" * (width + 1)
    data = b"".join(packer.compress(row) for _ in range(height)) + packer.flush()
    png += png_chunk(b"IDAT", data)
    png += png_chunk(b"IEND", b"")
    return bytes(png)


def main():
    seeds = len(sys.argv) > 1 and sys.argv[1] == "--seeds"
    args = sys.argv[2:] if seeds else sys.argv[1:]
    out_dir = args[0] if args else "."
    os.makedirs(out_dir, exist_ok=True)
    fixtures = {
        "three_frames.gif": three_frame_gif(),
        "fast_frames.gif": three_frame_gif((0, 1, 2)),
        "no_delays.gif": three_frame_gif(None),
        "frameless.gif": bytes(gif_start(WIDTH, HEIGHT) + b"\x3B"),
        "huge_screen.gif": sized_gif(10000, 10000, 1, 10000, filled=False),
        "huge.png": huge_png(),
        "many_frames.gif": sized_gif(400, 400, 120, 1),
    }
    if seeds:
        # The huge PNG's data are of no interest to a header reader.
        fixtures["huge.png"] = fixtures["huge.png"][:4096]
        for name, data in list(fixtures.items()):
            for quarter in (1, 2, 3):
                fixtures["cut%d_%s" % (quarter, name)] = data[:len(data) * quarter // 4]
    else:
        fixtures["not_a_picture.txt"] = b"This is plain text, not a picture.\r\n"
    for name, data in fixtures.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
