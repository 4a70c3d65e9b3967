"""Checks a generated skin set against skin_manifest.py.

    python3 check_skin.py --out DIR [--rc DIR] [--regenerate]

DIR is the folder that holds "Resource" (the program folder). Every file of
the manifest must exist with its declared format and size; a picture with a
transparent key must show that key, and a button picture must have it in
its rounded corners. Icons must hold exactly
their declared 32-bit images, sounds must be short valid PCM files, animated
pictures must have several frames with delays.

--regenerate paints the whole set again into a temporary folder and compares
it byte for byte with DIR: it fails when the output is not deterministic or
DIR is out of date.

Exit status 0 when everything holds; otherwise every failure is listed.
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile
import wave

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import skin_manifest  # noqa: E402

KEYS = {"magenta": (255, 0, 255), "white": (255, 255, 255), "red": (255, 0, 0)}
BUTTON_PAINTERS = ("button", "caption_button", "glyph_button")
PIL_FORMATS = {"bmp": ("BMP", "RGB"), "png": ("PNG", "RGB"), "rgba": ("PNG", "RGBA"),
               "gif": ("GIF", None), "agif": ("GIF", None)}


def check_picture(entry, path):
    problems = []
    fmt = entry["fmt"]
    want_format, want_mode = PIL_FORMATS[fmt]
    with Image.open(path) as im:
        if im.format != want_format:
            problems.append("format %s, expected %s" % (im.format, want_format))
        if want_mode and im.mode != want_mode:
            problems.append("mode %s, expected %s" % (im.mode, want_mode))
        if tuple(im.size) != tuple(entry["size"]):
            problems.append("size %dx%d, expected %dx%d" % (im.size + tuple(entry["size"])))
        frames = getattr(im, "n_frames", 1)
        if fmt == "gif" and frames != 1:
            problems.append("%d frames, expected one" % frames)
        if fmt == "agif":
            if frames != entry["frames"] or frames < 2:
                problems.append("%d frames, expected %d" % (frames, entry["frames"]))
            for i in range(frames):
                im.seek(i)
                if not im.info.get("duration"):
                    problems.append("frame %d has no delay" % i)
                    break
            im.seek(0)
        if fmt == "rgba":
            alpha = im.getchannel("A")
            lo, hi = alpha.getextrema()
            if lo != 0 or hi != 255:
                problems.append("alpha range %d..%d: expected transparent and opaque pixels" % (lo, hi))
        key = entry.get("key")
        if key:
            rgb = im.convert("RGB")
            colours = rgb.getcolors(rgb.width * rgb.height)
            if not any(c == KEYS[key] for _, c in colours):
                problems.append("no %s pixel for the transparent key" % key)
            elif len(colours) < 2:
                problems.append("nothing but the %s key" % key)
            w, h = rgb.size
            corners = [rgb.getpixel(p) for p in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1))]
            if entry["paint"][0] in BUTTON_PAINTERS and KEYS[key] not in corners:
                problems.append("no corner shows the %s key (rounded corners)" % key)
    return problems


def check_icon(entry, path):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 6:
        return ["shorter than an icon header"]
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        return ["not an icon file"]
    problems = []
    sizes = []
    for i in range(count):
        if 6 + 16 * (i + 1) > len(data):
            return ["directory runs past the end"]
        w, h, _, _, planes, bpp, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        w, h = w or 256, h or 256
        sizes.append(w)
        if w != h:
            problems.append("image %d is %dx%d, not square" % (i, w, h))
        if bpp != 32:
            problems.append("image %d has %d bits per pixel, expected 32" % (i, bpp))
        if offset + length > len(data):
            problems.append("image %d runs past the end" % i)
            continue
        hdr_size, dib_w, dib_h, _, dib_bpp = struct.unpack_from("<IiiHH", data, offset)
        if hdr_size != 40 or dib_w != w or dib_h != 2 * h or dib_bpp != 32:
            problems.append("image %d has an unexpected bitmap header" % i)
        mask_row = ((w + 31) // 32) * 4
        if length != 40 + w * h * 4 + mask_row * h:
            problems.append("image %d has length %d, expected %d" % (i, length, 40 + w * h * 4 + mask_row * h))
    if sorted(sizes) != sorted(entry["size"]):
        problems.append("sizes %s, expected %s" % (sizes, entry["size"]))
    try:
        with Image.open(path) as im:
            im.load()
    except Exception as exc:  # a reader that cannot open it counts as broken
        problems.append("unreadable: %s" % exc)
    return problems


def check_sound(entry, path):
    problems = []
    try:
        with wave.open(path, "rb") as wf:
            if wf.getnchannels() != 1 or wf.getsampwidth() != 2:
                problems.append("expected 16-bit mono PCM")
            if wf.getframerate() != entry["rate"]:
                problems.append("rate %d, expected %d" % (wf.getframerate(), entry["rate"]))
            seconds = wf.getnframes() / float(wf.getframerate())
            if abs(seconds - entry["seconds"]) > 0.01 or seconds > 2.0:
                problems.append("%.3f s long, expected %.3f s" % (seconds, entry["seconds"]))
            frames = wf.readframes(wf.getnframes())
            peak = max(abs(v) for (v,) in struct.iter_unpack("<h", frames)) if frames else 0
            if peak < 1000 or peak >= 32767:
                problems.append("peak level %d: silent or clipping" % peak)
    except (wave.Error, EOFError) as exc:
        problems.append("not a valid WAV file: %s" % exc)
    return problems


def check_entry(entry, root):
    path = os.path.join(root, *entry["path"].split("/"))
    if not os.path.isfile(path):
        return ["missing"]
    try:
        if entry["fmt"] == "ico":
            return check_icon(entry, path)
        if entry["fmt"] == "wav":
            return check_sound(entry, path)
        return check_picture(entry, path)
    except (OSError, ValueError, struct.error) as exc:
        return ["unreadable: %s" % exc]


def unlisted_files(entries, root):
    """Files under root/Resource that the manifest does not name."""
    listed = {e["path"].lower() for e in entries}
    extra = []
    base = os.path.join(root, "Resource")
    for folder, _, files in os.walk(base):
        for name in files:
            rel = os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")
            if rel.lower() not in listed:
                extra.append(rel)
    return sorted(extra)


def tree_bytes(root, entries):
    out = {}
    for e in entries:
        path = os.path.join(root, *e["path"].split("/"))
        with open(path, "rb") as f:
            out[e["path"]] = f.read()
    return out


def regenerate_and_compare(out, rc):
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        args = [sys.executable, os.path.join(HERE, "make_skin.py"), "--out", os.path.join(tmp, "out")]
        if rc:
            args += ["--rc-out", os.path.join(tmp, "rc")]
        subprocess.run(args, check=True)
        sets = [(skin_manifest.ENTRIES, out, os.path.join(tmp, "out"))]
        if rc:
            sets.append((skin_manifest.RC_ENTRIES, rc, os.path.join(tmp, "rc")))
        for entries, have_root, fresh_root in sets:
            have = tree_bytes(have_root, entries)
            fresh = tree_bytes(fresh_root, entries)
            for path in sorted(fresh):
                if have[path] != fresh[path]:
                    failures.append("%s: differs from a fresh run" % path)
    return failures


def main(argv=None):
    ap = argparse.ArgumentParser(description="Checks a generated skin set.")
    ap.add_argument("--out", required=True, help="folder that holds Resource/...")
    ap.add_argument("--rc", help="folder with the pictures compiled into the programs")
    ap.add_argument("--regenerate", action="store_true",
                    help="paint the set again and compare byte for byte")
    args = ap.parse_args(argv)

    failures = []
    sets = [(skin_manifest.ENTRIES, args.out)]
    if args.rc:
        sets.append((skin_manifest.RC_ENTRIES, args.rc))
    checked = 0
    for entries, root in sets:
        for entry in entries:
            checked += 1
            for problem in check_entry(entry, root):
                failures.append("%s: %s" % (entry["path"], problem))
    if not failures and args.regenerate:
        failures += regenerate_and_compare(args.out, args.rc)
    for path in unlisted_files(skin_manifest.ENTRIES, args.out):
        print("note: %s is not in the manifest (left over from an older set?)" % path)

    for line in failures:
        print("FAIL " + line)
    print("%d files checked, %d problems" % (checked, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
