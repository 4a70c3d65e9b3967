#!/usr/bin/env python3
"""Pictures for the rich-edit tests, painted at build time.

photo.png   a small landscape, the "received picture" of the chat-log scene
wave.gif    a three-frame animated GIF
broken.gif  bytes that are no picture (a download that went wrong)
"""
import os
import sys

from PIL import Image, ImageDraw


def photo(path):
    width, height = 160, 100
    image = Image.new("RGB", (width, height))
    draw = ImageDraw.Draw(image)
    for y in range(height):
        # Sky from deep to pale blue.
        t = y / (height * 0.62)
        draw.line([(0, y), (width, y)], fill=(int(70 + 120 * t), int(130 + 90 * t), int(210 + 40 * t)))
    draw.ellipse([112, 12, 138, 38], fill=(255, 214, 90))
    draw.polygon([(0, 72), (40, 38), (78, 70), (112, 44), (160, 76), (160, 100), (0, 100)], fill=(74, 120, 84))
    draw.polygon([(0, 84), (60, 66), (120, 82), (160, 72), (160, 100), (0, 100)], fill=(98, 160, 92))
    draw.rectangle([0, 92, 160, 100], fill=(60, 110, 70))
    image.save(path)


def wave(path):
    frames = []
    for i in range(3):
        frame = Image.new("P", (32, 32), 0)
        frame.putpalette([255, 255, 255, 230, 80, 60, 60, 140, 230, 250, 190, 40] + [0] * (256 * 3 - 12))
        draw = ImageDraw.Draw(frame)
        draw.ellipse([4 + i * 4, 8, 18 + i * 4, 22], fill=i + 1)
        frames.append(frame)
    frames[0].save(path, save_all=True, append_images=frames[1:], duration=[100, 100, 100], loop=0)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    photo(os.path.join(out, "photo.png"))
    wave(os.path.join(out, "wave.gif"))
    with open(os.path.join(out, "broken.gif"), "wb") as f:
        f.write(b"GIF89a this is not a picture")


if __name__ == "__main__":
    main()
