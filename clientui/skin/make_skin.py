"""Paints the skin set of both clients.

    python3 make_skin.py --out DIR [--rc-out DIR] [--sheet FILE.png]

--out      writes every file of skin_manifest.ENTRIES below DIR (DIR/Resource/...).
--rc-out   also writes the pictures compiled into the programs (RC_ENTRIES).
--sheet    renders every generated picture onto one contact sheet (PNG),
           with a small mock-up panel built from the pieces, to judge the look.

The output is deterministic: the same inputs give the same bytes. Every
picture is drawn in code; the only outside input is the CJK font.

One look throughout: a calm sky-blue family (the colours the programs paint
their own gradients with), navy text, light blue-grey surfaces, and amber as
the single accent. Edges that meet a transparent key colour are kept hard
(no blending into the key), so keyed pictures show no coloured fringes.
"""

import argparse
import io
import math
import os
import struct
import sys
import wave

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import skin_manifest  # noqa: E402

FONT_FILE = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

# ---------------------------------------------------------------- palette
WHITE = (255, 255, 255)
MAGENTA = (255, 0, 255)
RED_KEY = (255, 0, 0)
KEYS = {"magenta": MAGENTA, "white": WHITE, "red": RED_KEY}

NAVY = (28, 48, 76)
TEXT = (36, 56, 84)
MUTED = (112, 132, 156)
CAP_TOP = (76, 160, 216)
CAP_BOT = (40, 124, 188)
CAP_HI = (122, 190, 234)
CAP_LO = (30, 102, 160)
LINE = (200, 217, 231)
LINE_DARK = (160, 188, 212)
SURFACE = (242, 247, 251)
SURFACE_2 = (228, 238, 247)
BLUE = (46, 132, 200)
BLUE_DARK = (30, 98, 160)
BLUE_LIGHT = (120, 182, 230)
ACCENT = (245, 166, 35)
ACCENT_DARK = (206, 128, 16)
GREY = (164, 174, 186)
GREY_DARK = (120, 132, 146)
TIP_BAR = (255, 249, 197)   # the tip bar's fill, 0xC5F9FF

STATUS_COLOURS = {0: (72, 178, 92), 1: (222, 78, 62), 2: ACCENT, 3: (204, 52, 52),
                  4: (150, 162, 176), 5: (170, 178, 188)}

# Gradient the settings and profile panels paint under their caption
# (0xECB338 COLORREF to white over 60 pixels, then white to 0xFAF3E3).
PANEL_GRAD_TOP = (0x38, 0xB3, 0xEC)
PANEL_GRAD_LOW = (0xE3, 0xF3, 0xFA)

_fonts = {}


def font(size, bold=False):
    key = (size, bold)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(FONT_FILE, size, index=0)
    return _fonts[key]


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def vgradient(img, box, top, bottom):
    x0, y0, x1, y1 = box
    d = ImageDraw.Draw(img)
    rows = max(1, y1 - y0)
    for y in range(y0, y1):
        t = (y - y0) / (rows - 1) if rows > 1 else 0
        d.line([(x0, y), (x1 - 1, y)], fill=mix(top, bottom, t))


class Layer:
    """A supersampled RGBA drawing surface, addressed in target pixels."""

    def __init__(self, w, h, scale=6):
        self.w, self.h, self.s = w, h, scale
        self.im = Image.new("RGBA", (w * scale, h * scale), (0, 0, 0, 0))
        self.d = ImageDraw.Draw(self.im)

    def _b(self, box):
        return [v * self.s for v in box]

    def _p(self, pts):
        return [(x * self.s, y * self.s) for x, y in pts]

    def ellipse(self, box, fill=None, outline=None, width=1.0):
        self.d.ellipse(self._b(box), fill=_c(fill), outline=_c(outline),
                       width=int(round(width * self.s)) if outline else 0)

    def rect(self, box, fill=None, outline=None, width=1.0, radius=0):
        if radius:
            self.d.rounded_rectangle(self._b(box), radius=radius * self.s, fill=_c(fill),
                                     outline=_c(outline),
                                     width=int(round(width * self.s)) if outline else 0)
        else:
            self.d.rectangle(self._b(box), fill=_c(fill), outline=_c(outline),
                             width=int(round(width * self.s)) if outline else 0)

    def poly(self, pts, fill):
        self.d.polygon(self._p(pts), fill=_c(fill))

    def line(self, pts, fill, width=1.0, round_caps=True):
        w = max(1, int(round(width * self.s)))
        self.d.line(self._p(pts), fill=_c(fill), width=w, joint="curve")
        if round_caps:
            r = w / 2.0
            for x, y in self._p(pts):
                self.d.ellipse([x - r, y - r, x + r, y + r], fill=_c(fill))

    def arc(self, box, start, end, fill, width=1.0):
        self.d.arc(self._b(box), start, end, fill=_c(fill), width=max(1, int(round(width * self.s))))

    def result(self):
        return self.im.convert("RGBa").resize((self.w, self.h), Image.BOX).convert("RGBA")


def _c(colour):
    if colour is None:
        return None
    return tuple(colour) + ((255,) if len(colour) == 3 else ())


def over(dst, layer_img, at=(0, 0)):
    """Blends an RGBA layer onto an RGB picture."""
    dst.paste(layer_img.convert("RGB"), at, layer_img.getchannel("A"))


def keyed(layer_img, key, backdrop, threshold=128):
    """Flattens an RGBA drawing onto a key colour with hard edges: pixels
    under the threshold become the key, the rest are blended over the
    backdrop the picture is expected to sit on. No inner pixel ends up equal
    to the key."""
    w, h = layer_img.size
    out = Image.new("RGB", (w, h), key)
    src = layer_img.load()
    dst = out.load()
    for y in range(h):
        for x in range(w):
            r, g, b, a = src[x, y]
            if a < threshold:
                continue
            t = a / 255.0
            c = (int(round(r * t + backdrop[0] * (1 - t))),
                 int(round(g * t + backdrop[1] * (1 - t))),
                 int(round(b * t + backdrop[2] * (1 - t))))
            dst[x, y] = nudge(c, key)
    return out


def nudge(c, key):
    if c != key:
        return c
    return tuple(v - 2 if v > 127 else v + 2 for v in c)


def guard_key(img, key, box=None):
    """Moves every pixel that equals the key inside box off the key."""
    px = img.load()
    x0, y0, x1, y1 = box or (0, 0) + img.size
    for y in range(y0, y1):
        for x in range(x0, x1):
            if px[x, y] == key:
                px[x, y] = nudge(key, key)


def text_centre(img, box, text, size, fill, bold=False, dy=0):
    if not text:
        return
    f = font(size, bold)
    d = ImageDraw.Draw(img)
    x0, y0, x1, y1 = box
    l, t, r, b = d.textbbox((0, 0), text, font=f)
    tw, th = r - l, b - t
    x = x0 + (x1 - x0 - tw) // 2 - l
    y = y0 + (y1 - y0 - th) // 2 - t + dy
    d.text((x, y), text, font=f, fill=fill)


def text_width(text, size):
    if not text:
        return 0
    l, t, r, b = ImageDraw.Draw(Image.new("RGB", (1, 1))).textbbox((0, 0), text, font=font(size))
    return r - l


# ------------------------------------------------------------------ bands
def paint_band(entry, band):
    w, h = entry["size"]
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    if band == "caption":
        vgradient(img, (0, 0, w, h), CAP_TOP, CAP_BOT)
        d.line([(0, 0), (w - 1, 0)], fill=CAP_HI)
        d.line([(0, h - 1), (w - 1, h - 1)], fill=CAP_LO)
    elif band == "bottom":
        vgradient(img, (0, 1, w, h), (246, 249, 252), SURFACE_2)
        d.line([(0, 0), (w - 1, 0)], fill=LINE)
    elif band in ("header68", "header52"):
        vgradient(img, (0, 0, w, h - 1), (251, 253, 255), (226, 238, 248))
        d.line([(0, h - 1), (w - 1, h - 1)], fill=LINE)
    elif band in ("toolrow", "toolbar27"):
        vgradient(img, (0, 1, w, h - 1), (248, 251, 253), (232, 241, 248))
        d.line([(0, 0), (w - 1, 0)], fill=LINE)
        d.line([(0, h - 1), (w - 1, h - 1)], fill=LINE)
    elif band == "leftpanel":
        vgradient(img, (0, 0, w, 27), (249, 251, 254), (230, 240, 248))
        d.line([(0, 27), (w - 1, 27)], fill=LINE)
        d.rectangle([0, 28, w - 1, h - 1], fill=SURFACE)
    else:
        raise ValueError(band)
    return img


def paint_grip(entry):
    w, h = entry["size"]
    bottom = paint_band({"size": (w, 28)}, "bottom")
    img = bottom.crop((0, 28 - h, w, 28))
    d = ImageDraw.Draw(img)
    # Six dots on the diagonal, each with a light shadow, as a size grip.
    for i in range(3):
        for j in range(3 - i):
            x = w - 3 - 4 * j
            y = h - 3 - 4 * i
            d.rectangle([x - 1, y - 1, x, y], fill=LINE_DARK)
            d.point([(x + 1, y + 1)], fill=WHITE)
    return img


# ---------------------------------------------------------------- buttons
BUTTON_STYLES = {
    # (top, bottom, border, text) per state: normal, hover, pressed
    "plain": [((255, 255, 255), (226, 237, 247), LINE_DARK, TEXT),
              ((255, 255, 255), (208, 230, 249), (86, 156, 214), NAVY),
              ((204, 224, 242), (222, 235, 248), (60, 126, 184), NAVY)],
    "primary": [((86, 168, 226), (44, 126, 192), BLUE_DARK, WHITE),
                ((108, 184, 236), (58, 144, 208), BLUE_DARK, WHITE),
                ((40, 116, 178), (58, 138, 200), (24, 84, 140), WHITE)],
}
BUTTON_STYLES["primary_big"] = BUTTON_STYLES["primary"]
BUTTON_STYLES["primary_left"] = BUTTON_STYLES["primary"]
BUTTON_STYLES["primary_right"] = BUTTON_STYLES["primary"]
BUTTON_STYLES["small"] = BUTTON_STYLES["plain"]


def button_face(img, box, top, bottom, border, radius=2, round_left=True, round_right=True):
    """A rounded button face with a one-pixel border and hard corners; what
    lies outside the rounding keeps the picture's key colour."""
    x0, y0, x1, y1 = box  # inclusive
    d = ImageDraw.Draw(img)
    inner = Image.new("RGB", (x1 - x0 + 1, y1 - y0 + 1))
    vgradient(inner, (0, 0) + inner.size, top, bottom)
    mask = Image.new("L", inner.size, 0)
    md = ImageDraw.Draw(mask)
    md.rectangle([0, 0, inner.size[0] - 1, inner.size[1] - 1], fill=255)
    corners = []
    if round_left:
        corners += [(0, 0, 1, 1), (0, inner.size[1] - 1, 1, -1)]
    if round_right:
        corners += [(inner.size[0] - 1, 0, -1, 1), (inner.size[0] - 1, inner.size[1] - 1, -1, -1)]
    for cx, cy, sx, sy in corners:
        md.point([(cx, cy)], fill=0)
        if radius >= 2:
            md.point([(cx + sx, cy), (cx, cy + sy)], fill=0)
    img.paste(inner, (x0, y0), mask)
    # Border: straight runs plus the corner steps.
    ins = radius if radius >= 2 else 1
    lx0 = x0 + (ins if round_left else 0)
    lx1 = x1 - (ins if round_right else 0)
    d.line([(lx0, y0), (lx1, y0)], fill=border)
    d.line([(lx0, y1), (lx1, y1)], fill=border)
    if round_left:
        d.line([(x0, y0 + ins), (x0, y1 - ins)], fill=border)
        if radius >= 2:
            d.point([(x0 + 1, y0 + 1), (x0 + 1, y1 - 1)], fill=border)
    else:
        d.line([(x0, y0), (x0, y1)], fill=border)
    if round_right:
        d.line([(x1, y0 + ins), (x1, y1 - ins)], fill=border)
        if radius >= 2:
            d.point([(x1 - 1, y0 + 1), (x1 - 1, y1 - 1)], fill=border)
    else:
        d.line([(x1, y0), (x1, y1)], fill=border)
    # A one-pixel inner highlight along the top gives the face some depth.
    hl = mix(top, WHITE, 0.55)
    d.line([(lx0 + (0 if round_left else 1), y0 + 1), (lx1 - (0 if round_right else 1), y0 + 1)],
           fill=hl)


def paint_button(entry, text, style, state, glyph):
    w, h = entry["size"]
    img = Image.new("RGB", (w, h), MAGENTA)
    top, bottom, border, ink = BUTTON_STYLES[style][state]
    radius = 3 if style == "primary_big" else 2
    if style == "small":
        radius = 1
    button_face(img, (0, 0, w - 1, h - 1), top, bottom, border, radius,
                round_left=style != "primary_right", round_right=style != "primary_left")
    if style == "primary_left":
        # The send button and its option arrow read as one split button.
        ImageDraw.Draw(img).line([(w - 1, 2), (w - 1, h - 3)], fill=mix(border, WHITE, 0.35))
    dy = 1 if state == 2 else 0
    size = 12
    if style == "small" or h <= 14:
        size = 11
    if style == "primary_big":
        size = 17
    if text and text_width(text, size) > w - 6:
        size = 11
    gw = 12 if glyph and glyph != "down" else 0
    if glyph == "down":
        lay = Layer(w, h)
        cx, cy = w / 2.0, h / 2.0 + dy
        lay.poly([(cx - 3.5, cy - 1.5), (cx + 3.5, cy - 1.5), (cx, cy + 2.5)], ink)
        over(img, lay.result())
    elif glyph:
        tw = text_width(text, size)
        gap = 3
        total = gw + gap + tw
        gx = (w - total) // 2
        lay = Layer(12, 12)
        draw_glyph(lay, glyph, BLUE if style in ("plain", "small") else WHITE,
                   accent=ACCENT)
        over(img, lay.result(), (gx, (h - 12) // 2 + dy))
        text_centre(img, (gx + gw + gap, 0, gx + gw + gap + tw, h), text, size, ink, dy=dy)
    else:
        text_centre(img, (0, 0, w, h), text, size, ink, dy=dy)
    if style == "primary_big":
        # A soft accent line under the text marks the main action.
        d = ImageDraw.Draw(img)
        y = h // 2 + 14 + dy
        d.line([(w // 2 - 10, y), (w // 2 + 9, y)], fill=ACCENT)
    guard_key(img, MAGENTA, (2, 2, w - 2, h - 2))
    return img


def draw_glyph(lay, glyph, ink, accent=ACCENT):
    """12 x 12 tool glyphs for the buttons with a caption."""
    if glyph == "font":
        lay.poly([(1.5, 11), (5, 1.5), (7, 1.5), (10.5, 11), (8.6, 11), (7.7, 8.3), (4.3, 8.3),
                  (3.4, 11)], ink)
        lay.poly([(4.8, 6.8), (7.2, 6.8), (6, 3.2)], (255, 255, 255, 0))
        lay.rect((4.6, 6.6, 7.4, 7.0), None)
    elif glyph == "smile":
        lay.ellipse((0.8, 0.8, 11.2, 11.2), outline=ink, width=1.3)
        lay.ellipse((3.4, 3.6, 4.9, 5.1), fill=ink)
        lay.ellipse((7.1, 3.6, 8.6, 5.1), fill=ink)
        lay.arc((3.0, 4.0, 9.0, 9.4), 20, 160, ink, width=1.2)
    elif glyph == "picture":
        lay.rect((0.8, 1.8, 11.2, 10.2), outline=ink, width=1.2, radius=1)
        lay.poly([(2, 9), (5, 5.2), (7.2, 7.6), (8.4, 6.4), (10, 9)], ink)
        lay.ellipse((7.6, 3.2, 9.4, 5.0), fill=accent)
    elif glyph == "scissors":
        lay.ellipse((0.8, 7.2, 4.6, 11.0), outline=ink, width=1.2)
        lay.ellipse((7.4, 7.2, 11.2, 11.0), outline=ink, width=1.2)
        lay.line([(3.8, 7.6), (8.8, 1.0)], ink, width=1.3)
        lay.line([(8.2, 7.6), (3.2, 1.0)], ink, width=1.3)
    elif glyph == "clock":
        lay.ellipse((0.8, 0.8, 11.2, 11.2), outline=ink, width=1.3)
        lay.line([(6, 6), (6, 3)], ink, width=1.2)
        lay.line([(6, 6), (8.4, 7.2)], accent, width=1.2)
    elif glyph == "bubble":
        lay.rect((0.6, 1.2, 11.4, 8.6), fill=ink, radius=2.5)
        lay.poly([(2.6, 8.0), (5.4, 8.0), (2.4, 11.2)], ink)
        for x in (3.6, 6.0, 8.4):
            lay.ellipse((x - 0.8, 4.1, x + 0.8, 5.7), fill=BLUE)
    elif glyph == "magnifier":
        lay.ellipse((0.8, 0.8, 8.2, 8.2), outline=ink, width=1.4)
        lay.line([(7.2, 7.2), (10.8, 10.8)], ink, width=1.8)
    else:
        raise ValueError(glyph)


def paint_caption_button(entry, glyph, state):
    w, h = entry["size"]
    img = Image.new("RGB", (w, h), MAGENTA)
    d = ImageDraw.Draw(img)
    if state > 0:
        # A face only while hovered or pressed; the caption shows through
        # the key elsewhere.
        if glyph == "close":
            top, bottom = ((232, 86, 74), (206, 58, 48)) if state == 1 else ((178, 44, 36), (198, 56, 46))
        else:
            top, bottom = ((108, 182, 230), (74, 152, 210)) if state == 1 else ((34, 100, 156), (46, 116, 176))
        face = Image.new("RGB", (w, h - 2))
        vgradient(face, (0, 0, w, h - 2), top, bottom)
        mask = Image.new("L", face.size, 255)
        md = ImageDraw.Draw(mask)
        fw, fh = face.size
        md.point([(0, 0), (fw - 1, 0), (0, fh - 1), (fw - 1, fh - 1)], fill=0)
        img.paste(face, (0, 1), mask)
    ink = WHITE if state > 0 else (250, 252, 255)
    shadow = (30, 96, 150)
    cx, cy = w // 2, h // 2
    def strokes(dd, col, ox, oy):
        if glyph == "min":
            dd.rectangle([cx - 4 + ox, cy + 3 + oy, cx + 3 + ox, cy + 4 + oy], fill=col)
        elif glyph == "max":
            dd.rectangle([cx - 4 + ox, cy - 4 + oy, cx + 4 + ox, cy + 4 + oy], outline=col)
            dd.line([(cx - 4 + ox, cy - 3 + oy), (cx + 4 + ox, cy - 3 + oy)], fill=col)
        elif glyph == "close":
            for i in range(-3, 4):
                dd.point([(cx + i + ox, cy + i + oy), (cx + i + 1 + ox, cy + i + oy),
                          (cx + i + ox, cy - i + oy), (cx + i + 1 + ox, cy - i + oy)], fill=col)
    if state == 0:
        strokes(d, shadow, 0, 1)
    strokes(d, ink, 0, 0)
    return img


def paint_glyph_button(entry, glyph, state, flat=False):
    w, h = entry["size"]
    img = Image.new("RGB", (w, h), MAGENTA)
    if flat:
        if state:
            top, bottom, border = ((255, 232, 160), (250, 214, 120), (220, 170, 60)) if state == 1 else \
                                  ((240, 200, 100), (248, 214, 128), (196, 146, 40))
            button_face(img, (0, 0, w - 1, h - 1), top, bottom, border, 2)
        ink = (120, 100, 60) if state == 0 else (90, 64, 20)
    else:
        top, bottom, border, ink = BUTTON_STYLES["plain"][state]
        button_face(img, (0, 0, w - 1, h - 1), top, bottom, border, 2 if w > 16 else 1)
        ink = BLUE if state == 0 else BLUE_DARK
    lay = Layer(w, h)
    dy = 0.5 if state == 2 else 0
    cx, cy = w / 2.0, h / 2.0 + dy
    if glyph in ("first", "prev", "next", "last"):
        s = 1 if glyph in ("next", "last") else -1
        lay.poly([(cx - 2.2 * s + 0.4 * s, cy - 3.2), (cx - 2.2 * s + 0.4 * s, cy + 3.2),
                  (cx + 2.4 * s + 0.4 * s, cy)], ink)
        if glyph in ("first", "last"):
            x = cx + 2.6 * s + 0.4 * s
            lay.rect((min(x, x + 1.3 * s), cy - 3.2, max(x, x + 1.3 * s), cy + 3.2), fill=ink)
    elif glyph == "calendar":
        lay.rect((4.5, 5.5, 17.5, 17.5), fill=WHITE, outline=ink, width=1.2, radius=1.5)
        lay.rect((4.5, 5.5, 17.5, 9.0), fill=ink, radius=1.5)
        lay.rect((4.5, 7.5, 17.5, 9.0), fill=ink)
        lay.line([(8, 4), (8, 6.5)], ink, width=1.4)
        lay.line([(14, 4), (14, 6.5)], ink, width=1.4)
        for row in range(2):
            for col in range(3):
                x = 7.2 + col * 3.4
                y = 11.0 + row * 3.2
                lay.rect((x, y, x + 1.8, y + 1.6), fill=ACCENT if (row, col) == (1, 2) else GREY_DARK)
    elif glyph == "x":
        lay.line([(cx - 3.2, cy - 3.2), (cx + 3.2, cy + 3.2)], ink, width=1.5)
        lay.line([(cx - 3.2, cy + 3.2), (cx + 3.2, cy - 3.2)], ink, width=1.5)
    else:
        raise ValueError(glyph)
    if flat and state == 0:
        # No face: the glyph meets the key directly, so its edge stays hard
        # (blended over the tip bar's colour) instead of fading into magenta.
        return keyed(lay.result(), MAGENTA, TIP_BAR)
    over(img, lay.result())
    return img


# ------------------------------------------------------------ scroll bars
SC_TRACK = (240, 244, 248)
SC_EDGE = (222, 230, 238)
SC_THUMB = (196, 212, 228)
SC_THUMB_EDGE = (156, 182, 206)
SC_ARROW = (104, 134, 164)


def scroll_vertical(role, w, h):
    img = Image.new("RGB", (w, h), SC_TRACK)
    d = ImageDraw.Draw(img)
    d.line([(0, 0), (0, h - 1)], fill=SC_EDGE)
    x0, x1 = 4, w - 4  # thumb columns (inclusive)
    if role in ("arrow_up", "arrow_down"):
        lay = Layer(w, h)
        cx, cy = w / 2.0 + 0.5, h / 2.0
        if role == "arrow_up":
            lay.poly([(cx - 4, cy + 2), (cx + 4, cy + 2), (cx, cy - 2.5)], SC_ARROW)
        else:
            lay.poly([(cx - 4, cy - 2), (cx + 4, cy - 2), (cx, cy + 2.5)], SC_ARROW)
        over(img, lay.result())
    elif role in ("thumb_top", "thumb_bottom"):
        rows = [(x0 + 2, x1 - 2, "edge"), (x0 + 1, x1 - 1, "in"), (x0, x1, "in")]
        for y, (a, b, kind) in enumerate(rows):
            d.line([(a, y), (b, y)], fill=SC_THUMB_EDGE if kind == "edge" else SC_THUMB)
            if kind == "in":
                d.point([(a, y), (b, y)], fill=SC_THUMB_EDGE)
        if role == "thumb_bottom":
            img = img.transpose(Image.FLIP_TOP_BOTTOM)
            ImageDraw.Draw(img).line([(0, 0), (0, h - 1)], fill=SC_EDGE)
    elif role in ("thumb_vmid", "grip_v"):
        d.rectangle([x0, 0, x1, h - 1], fill=SC_THUMB)
        d.line([(x0, 0), (x0, h - 1)], fill=SC_THUMB_EDGE)
        d.line([(x1, 0), (x1, h - 1)], fill=SC_THUMB_EDGE)
        if role == "grip_v":
            for y in (1, 3, 5):
                d.line([(x0 + 3, y), (x1 - 3, y)], fill=SC_THUMB_EDGE)
                d.line([(x0 + 3, y + 1), (x1 - 3, y + 1)], fill=(222, 232, 242))
    elif role == "trough_v":
        pass
    else:
        raise ValueError(role)
    return img


def paint_scroll(entry, role):
    w, h = entry["size"]
    horizontal = {"arrow_left": "arrow_up", "arrow_right": "arrow_down", "grip_h": "grip_v",
                  "thumb_left": "thumb_top", "thumb_right": "thumb_bottom",
                  "thumb_hmid": "thumb_vmid", "trough_h": "trough_v"}
    if role in horizontal:
        return scroll_vertical(horizontal[role], h, w).transpose(Image.TRANSPOSE)
    return scroll_vertical(role, w, h)


# ------------------------------------------------------------ search box
FIELD_BORDER = (168, 194, 216)
FIELD_OUTSIDE = SURFACE


def paint_search_field(entry, piece):
    w, h = entry["size"]
    img = Image.new("RGB", (w, h), WHITE)
    d = ImageDraw.Draw(img)
    if piece == "mid":
        d.line([(0, 0), (w - 1, 0)], fill=FIELD_BORDER)
        d.line([(0, h - 1), (w - 1, h - 1)], fill=FIELD_BORDER)
        d.line([(0, 1), (w - 1, 1)], fill=(238, 243, 248))
    elif piece in ("left", "right"):
        d.point([(0, 0), (0, h - 1)], fill=FIELD_OUTSIDE)
        d.line([(1, 0), (w - 1, 0)], fill=FIELD_BORDER)
        d.line([(1, h - 1), (w - 1, h - 1)], fill=FIELD_BORDER)
        d.line([(0, 1), (0, h - 2)], fill=FIELD_BORDER)
        d.line([(1, 1), (w - 1, 1)], fill=(238, 243, 248))
        d.point([(1, 1)], fill=mix(FIELD_BORDER, WHITE, 0.5))
        d.point([(1, h - 2)], fill=mix(FIELD_BORDER, WHITE, 0.5))
        if piece == "right":
            img = img.transpose(Image.FLIP_LEFT_RIGHT)
    elif piece == "search":
        lay = Layer(w, h)
        lay.ellipse((1.0, 1.0, 8.2, 8.2), outline=MUTED, width=1.4)
        lay.line([(7.4, 7.4), (10.8, 10.8)], MUTED, width=1.8)
        over(img, lay.result())
    elif piece == "close":
        lay = Layer(w, h)
        lay.ellipse((0.5, 0.5, 11.5, 11.5), fill=(178, 190, 202))
        lay.line([(4, 4), (8, 8)], WHITE, width=1.4)
        lay.line([(4, 8), (8, 4)], WHITE, width=1.4)
        over(img, lay.result())
    else:
        raise ValueError(piece)
    return img


# --------------------------------------------------------------- pictures
def paint_advert(entry):
    w, h = entry["size"]
    img = Image.new("RGB", (w, h))
    px = img.load()
    a, b = (238, 246, 252), (206, 228, 246)
    for y in range(h):
        for x in range(w):
            t = min(1.0, max(0.0, 0.65 * x / (w - 1) + 0.35 * y / (h - 1)))
            px[x, y] = mix(a, b, t)
    lay = Layer(w, h, scale=4)
    # Soft rings in the background at the right.
    for r, alpha in ((70, 34), (52, 26), (34, 22)):
        lay.ellipse((w - 60 - r, h / 2 + 10 - r, w - 60 + r, h / 2 + 10 + r),
                    outline=(255, 255, 255, alpha), width=1.5)
    # Two speech bubbles: the agent (blue) and the customer (amber).
    lay.rect((22, 22, 78, 60), fill=BLUE, radius=9)
    lay.poly([(32, 58), (44, 58), (30, 72)], BLUE)
    for x in (38, 50, 62):
        lay.ellipse((x - 3, 38, x + 3, 44), fill=WHITE)
    lay.rect((62, 44, 104, 74), fill=ACCENT, radius=8)
    lay.poly([(92, 72), (84, 72), (98, 84)], ACCENT)
    lay.rect((72, 55, 94, 58.5), fill=(255, 255, 255, 235), radius=1.5)
    lay.rect((72, 62, 88, 65.5), fill=(255, 255, 255, 235), radius=1.5)
    over(img, lay.result())
    d = ImageDraw.Draw(img)
    title = "企业客服即时通讯"
    d.text((126, 24), title, font=font(22), fill=NAVY)
    d.line([(127, 58), (150, 58)], fill=ACCENT, width=2)
    d.text((127, 66), "连接每一位客户 · 安全 稳定 高效", font=font(12), fill=MUTED)
    return img


def paint_face(entry, size, gray):
    w, h = entry["size"]
    top, bottom = ((122, 186, 234), (62, 136, 200)) if not gray else ((196, 202, 210), (150, 158, 168))
    body = (246, 250, 253) if not gray else (236, 238, 241)
    keyed_face = entry.get("key") == "white"
    img = Image.new("RGB", (w, h), WHITE)
    radius = max(2, size // 7)
    inset = 0 if keyed_face else 1
    grad = Image.new("RGB", (w, h))
    vgradient(grad, (0, 0, w, h), top, bottom)
    lay = Layer(w, h)
    lay.rect((inset, inset, w - inset, h - inset), fill=(255, 255, 255), radius=radius)
    shape = lay.result().getchannel("A").point(lambda v: 255 if v >= 128 else 0)
    img.paste(grad, (0, 0), shape)
    fig = Layer(w, h)
    s = size / 40.0
    cx = w / 2.0
    fig.ellipse((cx - 7.5 * s, 7 * s, cx + 7.5 * s, 22 * s), fill=body)
    fig.ellipse((cx - 15 * s, 24 * s, cx + 15 * s, 52 * s), fill=body)
    figure = fig.result()
    # The figure is cut to the rounded square so its hard edge follows it.
    alpha = Image.composite(figure.getchannel("A"), Image.new("L", (w, h), 0), shape)
    figure.putalpha(alpha)
    over(img, figure)
    if keyed_face:
        guard_key(img, WHITE)
        px = img.load()
        sp = shape.load()
        for y in range(h):
            for x in range(w):
                if sp[x, y] == 0:
                    px[x, y] = WHITE
    else:
        d = ImageDraw.Draw(img)
        # Framed like a photo: a white inner line and a light outer border.
        d.rounded_rectangle([0, 0, w - 1, h - 1], radius=radius, outline=LINE_DARK)
        outside = shape.point(lambda v: 255 - v)
        img.paste(Image.new("RGB", (w, h), (236, 244, 250)), (0, 0), outside)
        d.rounded_rectangle([0, 0, w - 1, h - 1], radius=radius, outline=LINE_DARK)
    return img


def paint_status_mark(entry, status):
    w, h = entry["size"]
    lay = Layer(w, h, scale=8)
    c = STATUS_COLOURS[status]
    ring = (250, 250, 250)
    lay.ellipse((0, 0, w, h), fill=ring)
    if status == 4:
        lay.ellipse((1, 1, w - 1, h - 1), fill=c)
        lay.ellipse((3, 3, w - 3, h - 3), fill=ring)
    else:
        lay.ellipse((1, 1, w - 1, h - 1), fill=c)
    if status == 0:
        lay.line([(3.2, 5.8), (4.8, 7.4), (7.8, 3.9)], ring, width=1.3)
    elif status == 1:
        lay.ellipse((4.2, 4.2, 6.8, 6.8), fill=ring)
    elif status == 2:
        lay.line([(5.5, 3.0), (5.5, 5.7), (7.5, 6.8)], ring, width=1.2)
    elif status == 3:
        lay.rect((2.8, 4.7, 8.2, 6.3), fill=ring)
    elif status == 5:
        lay.line([(3.8, 3.8), (7.2, 7.2)], ring, width=1.2)
        lay.line([(3.8, 7.2), (7.2, 3.8)], ring, width=1.2)
    return keyed(lay.result(), WHITE, WHITE)


def paint_list_down(entry):
    w, h = entry["size"]
    lay = Layer(w, h, scale=8)
    cx, cy = w / 2.0, h / 2.0
    lay.poly([(cx - 3.5, cy - 1.6), (cx + 3.5, cy - 1.6), (cx, cy + 2.2)], (78, 98, 124))
    im = lay.result()
    # Transparent pixels carry white, so a picture drawn with white as its
    # transparent colour (instead of its alpha) looks the same.
    px = im.load()
    for y in range(h):
        for x in range(w):
            r, g, b, a = px[x, y]
            if a == 0:
                px[x, y] = (255, 255, 255, 0)
    return im


def person(lay, x, y, s, fill, headset=None):
    lay.ellipse((x - 3.0 * s, y - 6.5 * s, x + 3.0 * s, y - 0.5 * s), fill=fill)
    lay.ellipse((x - 6.0 * s, y + 0.8 * s, x + 6.0 * s, y + 12 * s), fill=fill)
    if headset:
        lay.arc((x - 4.2 * s, y - 8.0 * s, x + 4.2 * s, y + 0.2 * s), 180, 360, headset, width=1.1 * s)
        lay.rect((x - 4.8 * s, y - 4.6 * s, x - 3.2 * s, y - 2.0 * s), fill=headset)
        lay.rect((x + 3.2 * s, y - 4.6 * s, x + 4.8 * s, y - 2.0 * s), fill=headset)


def paint_person(entry, who, selected):
    w, h = entry["size"]
    lay = Layer(w, h, scale=8)
    if who == "agent":
        fill = BLUE if not selected else (30, 110, 186)
        person(lay, 8, 6.8, 1.0, fill, headset=ACCENT if selected else NAVY)
    else:
        fill = (96, 168, 222) if not selected else (54, 140, 210)
        person(lay, 8, 6.8, 1.0, fill)
        if selected:
            lay.ellipse((11, 0.5, 15.5, 5.0), fill=ACCENT)
    img = keyed(lay.result(), WHITE, WHITE)
    return img


def paint_person_big(entry, size, bg):
    w, h = entry["size"]
    lay = Layer(w, h)
    lay.rect((1, 1, w - 1, h - 1), fill=(232, 242, 250), radius=7)
    lay.rect((1, 1, w - 1, h - 1), outline=LINE_DARK, width=1.0, radius=7)
    person(lay, w / 2.0, h * 0.44, 2.2, BLUE, headset=NAVY)
    lay.rect((w / 2.0 + 5.0, h * 0.44 - 1.5, w / 2.0 + 9.5, h * 0.44 + 1.0), fill=NAVY)
    return keyed(lay.result(), RED_KEY, WHITE)


def paint_handover_icon(entry):
    w, h = entry["size"]
    img = Image.new("RGB", (w, h), WHITE)
    lay = Layer(w, h)
    lay.rect((0.5, 0.5, w - 0.5, h - 0.5), fill=(236, 245, 252), radius=6)
    person(lay, 11, 15, 1.2, BLUE, headset=NAVY)
    person(lay, 29, 15, 1.2, (96, 168, 222), headset=NAVY)
    lay.line([(14.5, 33), (25.5, 33)], ACCENT, width=2.0)
    lay.poly([(24, 29.6), (29, 33), (24, 36.4)], ACCENT)
    over(img, lay.result())
    return img


def paint_folder(entry, open):
    w, h = entry["size"]
    lay = Layer(w, h, scale=8)
    back, front, edge = (236, 178, 70), (250, 204, 98), (196, 134, 30)
    lay.rect((0.5, 0.8, 7.0, 4.0), fill=back, radius=1)
    lay.rect((0.5, 2.0, 15.0, 12.4), fill=back, radius=1.2)
    if open:
        lay.rect((2.0, 3.2, 13.6, 8.0), fill=(250, 250, 250))
        lay.poly([(2.4, 5.4), (15.8, 5.4), (14.0, 12.4), (0.5, 12.4)], front)
    else:
        lay.rect((0.5, 4.2, 15.0, 12.4), fill=front, radius=1.2)
    lay.line([(1.2, 12.2), (14.4, 12.2)], edge, width=0.8, round_caps=False)
    return keyed(lay.result(), WHITE, WHITE)


def paint_tab_icon(entry, kind, selected):
    w, h = entry["size"]
    lay = Layer(w, h, scale=8)
    ink = BLUE if selected else (138, 158, 180)
    ink2 = (96, 168, 222) if selected else (170, 186, 202)
    if kind == 0:      # own customers
        person(lay, 8, 6.0, 1.0, ink)
        lay.ellipse((10.6, 9.6, 15.4, 14.4), fill=ACCENT if selected else ink2)
        lay.line([(11.8, 12.0), (12.8, 13.0), (14.4, 11.0)], WHITE, width=0.9)
    elif kind == 1:    # own team
        person(lay, 10.5, 6.0, 0.85, ink2)
        person(lay, 6.0, 7.2, 0.9, ink)
    elif kind == 2:    # free users
        person(lay, 7.0, 6.0, 1.0, ink2)
        lay.poly([(12.5, 8.6), (13.4, 10.8), (15.6, 10.9), (13.8, 12.3), (14.5, 14.6), (12.5, 13.2),
                  (10.5, 14.6), (11.2, 12.3), (9.4, 10.9), (11.6, 10.8)], ACCENT if selected else ink)
    elif kind == 3:    # organisation
        lay.rect((5.5, 1.0, 10.5, 5.0), fill=ink, radius=0.8)
        lay.rect((0.8, 10.5, 5.8, 14.5), fill=ink2, radius=0.8)
        lay.rect((10.2, 10.5, 15.2, 14.5), fill=ink2, radius=0.8)
        lay.line([(8, 5), (8, 7.8), (3.3, 7.8), (3.3, 10.5)], ink, width=1.0, round_caps=False)
        lay.line([(8, 7.8), (12.7, 7.8), (12.7, 10.5)], ink, width=1.0, round_caps=False)
    return keyed(lay.result(), MAGENTA, (250, 251, 253))


def paint_tool_icon(entry, glyph):
    w, h = entry["size"]
    lay = Layer(w, h, scale=8)
    s = w / 20.0
    if glyph == "import":
        lay.rect((2 * s, 11 * s, 18 * s, 18 * s), outline=BLUE, width=1.5 * s, radius=1.5 * s)
        lay.line([(7 * s, 2 * s), (7 * s, 11.5 * s)], BLUE, width=1.6 * s)
        lay.poly([(4.2 * s, 9 * s), (9.8 * s, 9 * s), (7 * s, 13 * s)], BLUE)
        lay.line([(13 * s, 13.5 * s), (13 * s, 4.5 * s)], ACCENT, width=1.6 * s)
        lay.poly([(10.2 * s, 6 * s), (15.8 * s, 6 * s), (13 * s, 2 * s)], ACCENT)
    elif glyph == "refresh":
        lay.arc((3 * s, 3 * s, 17 * s, 17 * s), 30, 320, BLUE, width=2.0 * s)
        lay.poly([(12.6 * s, 1.6 * s), (17.8 * s, 3.6 * s), (13.6 * s, 7.6 * s)], BLUE)
    elif glyph == "delete":
        lay.rect((4 * s, 6 * s, 16 * s, 18.5 * s), fill=(198, 214, 230), outline=BLUE_DARK,
                 width=1.3 * s, radius=1.5 * s)
        lay.rect((2.5 * s, 3.8 * s, 17.5 * s, 5.8 * s), fill=BLUE_DARK, radius=0.8 * s)
        lay.rect((7.5 * s, 1.8 * s, 12.5 * s, 4.2 * s), outline=BLUE_DARK, width=1.2 * s, radius=0.8 * s)
        for x in (7.5, 10, 12.5):
            lay.line([(x * s, 8.5 * s), (x * s, 16 * s)], BLUE_DARK, width=1.1 * s)
    elif glyph == "back":
        lay.ellipse((0.6, 0.6, 15.4, 15.4), fill=BLUE)
        lay.line([(11.5, 8), (5.2, 8)], (250, 250, 250), width=1.6)
        lay.line([(8.0, 4.8), (4.8, 8), (8.0, 11.2)], (250, 250, 250), width=1.6)
    elif glyph == "gear16":
        gear(lay, 8, 8, 7.2, 5.0, 2.3, BLUE, (250, 250, 250), teeth=8)
    else:
        raise ValueError(glyph)
    return keyed(lay.result(), WHITE, WHITE)


def gear(lay, cx, cy, r_out, r_body, r_hole, fill, hole, teeth=8):
    pts = []
    n = teeth * 4
    for i in range(n):
        a = 2 * math.pi * i / n
        r = r_out if (i % 4) in (1, 2) else r_body
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    lay.poly(pts, fill)
    lay.ellipse((cx - r_body, cy - r_body, cx + r_body, cy + r_body), fill=fill)
    lay.ellipse((cx - r_hole, cy - r_hole, cx + r_hole, cy + r_hole), fill=hole)


def panel_gradient_row(y):
    """The colour the settings and profile panels paint at window row y."""
    caption = 28
    if y < caption + 60:
        return mix(PANEL_GRAD_TOP, WHITE, (y - caption) / 59.0)
    return mix(WHITE, PANEL_GRAD_LOW, min(1.0, (y - caption - 60) / 320.0))


def gradient_backdrop(w, h, top):
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        d.line([(0, y), (w - 1, y)], fill=panel_gradient_row(top + y))
    return img


def paint_settings_icon(entry, top):
    w, h = entry["size"]
    img = gradient_backdrop(w, h, top)
    lay = Layer(w, h)
    lay.ellipse((1, 1, w - 1, h - 1), fill=(255, 255, 255, 210))
    gear(lay, w / 2.0, h / 2.0, 12.5, 9.0, 3.8, BLUE, WHITE, teeth=9)
    lay.ellipse((w / 2.0 - 2.0, h / 2.0 - 2.0, w / 2.0 + 2.0, h / 2.0 + 2.0), fill=ACCENT)
    over(img, lay.result())
    return img


def paint_profile_pic(entry, top):
    w, h = entry["size"]
    img = gradient_backdrop(w, h, top)
    lay = Layer(w, h, scale=4)
    lay.rect((4, 6, w - 4, h - 4), fill=(0, 40, 80, 28), radius=8)
    lay.rect((3, 4, w - 5, h - 6), fill=WHITE, outline=LINE_DARK, width=1.0, radius=8)
    lay.rect((3, 4, w - 5, 26), fill=BLUE, radius=8)
    lay.rect((3, 16, w - 5, 26), fill=BLUE)
    lay.ellipse((w / 2.0 - 19, 12, w / 2.0 + 19, 50), fill=WHITE)
    lay.ellipse((w / 2.0 - 16, 15, w / 2.0 + 16, 47), fill=(122, 186, 234))
    person(lay, w / 2.0, 28, 1.45, (246, 250, 253))
    lay.ellipse((w / 2.0 - 19, 12, w / 2.0 + 19, 50), outline=WHITE, width=3)
    lay.rect((18, 58, w - 20, 62), fill=(196, 212, 228), radius=2)
    lay.rect((24, 68, w - 26, 71.5), fill=(220, 230, 240), radius=1.75)
    lay.rect((30, 77, w - 32, 80.5), fill=(220, 230, 240), radius=1.75)
    over(img, lay.result())
    return img


def paint_choice(entry, kind, on):
    w, h = entry["size"]
    lay = Layer(w, h, scale=8)
    face = (250, 252, 254)
    if kind == "check":
        if on:
            lay.rect((1.5, 2.5, 14.0, 15.0), fill=BLUE, radius=2)
            lay.line([(4.4, 8.8), (6.9, 11.3), (11.4, 5.9)], (250, 250, 250), width=1.7)
        else:
            lay.rect((1.5, 2.5, 14.0, 15.0), fill=face, outline=(126, 156, 186), width=1.1, radius=2)
    else:
        if on:
            lay.ellipse((1.5, 2.5, 14.0, 15.0), fill=face, outline=BLUE, width=1.3)
            lay.ellipse((4.9, 5.9, 10.6, 11.6), fill=BLUE)
        else:
            lay.ellipse((1.5, 2.5, 14.0, 15.0), fill=face, outline=(126, 156, 186), width=1.1)
    return keyed(lay.result(), WHITE, WHITE)


def paint_tip_icon(entry):
    w, h = entry["size"]
    lay = Layer(w, h, scale=8)
    lay.ellipse((0.6, 0.6, 15.4, 15.4), fill=ACCENT)
    lay.rect((7.1, 3.4, 8.9, 9.6), fill=WHITE, radius=0.9)
    lay.ellipse((7.0, 10.9, 9.0, 12.9), fill=WHITE)
    return lay.result()


def paint_typing(entry, frame):
    w, h = entry["size"]
    lay = Layer(w, h, scale=8)
    lay.rect((0.5, 1.5, 15.5, 11.5), fill=WHITE, radius=3)
    lay.poly([(3.0, 11.0), (7.0, 11.0), (2.6, 15.0)], WHITE)
    for i, x in enumerate((4.5, 8.0, 11.5)):
        lit = (i == 0) or (frame == 1) or (i == 1)
        if frame == 0 and i == 2:
            lit = False
        colour = BLUE if lit else (196, 214, 232)
        lay.ellipse((x - 1.2, 5.3, x + 1.2, 7.7), fill=colour)
    return lay.result()


def paint_header_marks(entry):
    w, h = entry["size"]
    img = Image.new("RGB", (w, h), MAGENTA)
    d = ImageDraw.Draw(img)
    # Image 0: a small sort triangle; image 1: empty box 12x12 at (20, 3);
    # image 2: checked box 13x12 at (36, 3).
    d.polygon([(4, 10), (11, 10), (7, 5)], fill=MUTED)
    d.rectangle([20, 3, 31, 14], fill=(250, 252, 254), outline=(126, 156, 186))
    d.rectangle([36, 3, 47, 14], fill=BLUE, outline=BLUE_DARK)
    lay = Layer(13, 12, scale=8)
    lay.line([(2.6, 6.2), (4.9, 8.6), (10.0, 3.0)], (250, 250, 250), width=1.6)
    over(img, lay.result(), (36, 3))
    return img


def paint_group_mark(entry, open):
    w, h = entry["size"]
    img = Image.new("RGB", (w, h), WHITE)
    d = ImageDraw.Draw(img)
    ink = (84, 106, 134)
    if open:
        d.polygon([(1, 3), (7, 3), (4, 6)], fill=ink)
    else:
        d.polygon([(3, 1), (3, 7), (6, 4)], fill=ink)
    return img


# ------------------------------------------------------------ GIF pictures
def paint_spinner(entry):
    w, h = entry["size"]
    frames = []
    n = entry["frames"]
    for f in range(n):
        lay = Layer(w, h, scale=6)
        for i in range(n):
            a = 2 * math.pi * i / n - math.pi / 2
            age = (f - i) % n
            t = age / float(n - 1)
            colour = mix(BLUE, (214, 228, 242), min(1.0, t * 1.25))
            r = 2.9 - 0.9 * t
            x = w / 2.0 + 10.5 * math.cos(a)
            y = h / 2.0 + 10.5 * math.sin(a)
            lay.ellipse((x - r, y - r, x + r, y + r), fill=colour)
        frame = Image.new("RGB", (w, h), WHITE)
        over(frame, lay.result())
        frames.append(frame)
    return frames


def paint_broken_picture(entry):
    w, h = entry["size"]
    img = Image.new("RGB", (w, h), WHITE)
    lay = Layer(w, h, scale=6)
    frame = (150, 166, 184)
    fill = (238, 243, 248)
    # The picture, split in two by a jagged crack, its halves a little apart.
    left = [(5, 8), (25, 8), (22, 16), (27, 23), (21, 31), (25, 40), (5, 40)]
    right = [(28, 8), (43, 8), (43, 40), (28, 40), (24, 31), (30, 23), (25, 16)]
    for poly in (left, right):
        lay.poly(poly, frame)
    inset_l = [(7, 10), (22.2, 10), (19.6, 16.2), (24.4, 23), (18.6, 31), (21.8, 38), (7, 38)]
    inset_r = [(30.4, 10), (41, 10), (41, 38), (30.6, 38), (27.6, 31), (33.2, 23), (28.2, 16.2)]
    for poly in (inset_l, inset_r):
        lay.poly(poly, fill)
    lay.poly([(8, 36), (14, 26), (19, 33), (19.5, 36)], (176, 190, 206))
    lay.poly([(31.5, 36), (30, 32), (34, 27), (40, 36)], (176, 190, 206))
    lay.ellipse((33.5, 13, 38.5, 18), fill=(196, 208, 222))
    # A red mark tells the picture could not be shown.
    lay.ellipse((31, 31, 46, 46), fill=WHITE)
    lay.ellipse((32.5, 32.5, 44.5, 44.5), fill=(214, 68, 56))
    lay.line([(35.6, 35.6), (41.4, 41.4)], WHITE, width=1.8)
    lay.line([(35.6, 41.4), (41.4, 35.6)], WHITE, width=1.8)
    over(img, lay.result())
    return [img]


def save_gif(frames, path, delay_ms):
    # One shared palette made from all frames keeps the frames consistent.
    strip = Image.new("RGB", (frames[0].width * len(frames), frames[0].height))
    for i, f in enumerate(frames):
        strip.paste(f, (i * f.width, 0))
    palette = strip.quantize(colors=64, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    indexed = [f.quantize(palette=palette, dither=Image.Dither.NONE) for f in frames]
    buf = io.BytesIO()
    if len(indexed) == 1:
        indexed[0].save(buf, "GIF", optimize=False)
    else:
        indexed[0].save(buf, "GIF", save_all=True, append_images=indexed[1:], duration=delay_ms,
                        loop=0, optimize=False, disposal=1)
    write_bytes(path, buf.getvalue())


# ------------------------------------------------------------------ icons
def paint_icon_image(size, glyph, status=None):
    lay = Layer(size, size, scale=8)
    s = size / 32.0
    def bubble(x0, y0, x1, y1, tail, fill):
        lay.rect((x0 * s, y0 * s, x1 * s, y1 * s), fill=fill, radius=6 * s)
        lay.poly([(p[0] * s, p[1] * s) for p in tail], fill)
    if glyph in ("logo", "tray"):
        grey = glyph == "tray" and status == 5
        back = (196, 202, 210) if grey else ACCENT
        front = (150, 160, 172) if grey else BLUE
        badge = glyph == "tray" and status not in (0, 5)
        if size <= 16:
            # Laid out on the 16-pixel grid so the dots stay separate.
            lay.rect((6, 0.5, 16, 9.5), fill=back, radius=3)
            lay.poly([(12, 9), (15, 9), (15.5, 12)], back)
            lay.rect((0, 3.5, 13, 12.5), fill=front, radius=3)
            lay.poly([(2, 12), (6, 12), (1.5, 15.5)], front)
            for x in (3, 6, 9):
                lay.rect((x, 7, x + 2, 9), fill=WHITE)
            if badge:
                lay.ellipse((8.5, 8.5, 16, 16), fill=WHITE)
                lay.ellipse((9.5, 9.5, 15, 15), fill=STATUS_COLOURS[status])
                if status == 3:
                    lay.rect((10.5, 11.75, 14, 12.75), fill=WHITE)
                elif status in (1, 4):
                    lay.rect((11.5, 11.5, 13, 13), fill=WHITE)
            return lay.result()
        bubble(12, 4, 31, 19, [(24, 18), (29, 18), (29, 24)], back)
        bubble(1, 8, 24, 26, [(5, 25), (11, 25), (4, 31)], front)
        for x in (7.0, 12.5, 18.0):
            lay.ellipse(((x - 1.9) * s, 15.1 * s, (x + 1.9) * s, 18.9 * s), fill=WHITE)
        if badge:
            c = STATUS_COLOURS[status]
            lay.ellipse((19 * s, 19 * s, 32 * s, 32 * s), fill=WHITE)
            lay.ellipse((20.5 * s, 20.5 * s, 30.5 * s, 30.5 * s), fill=c)
            if status == 2:
                lay.line([(25.5 * s, 22.5 * s), (25.5 * s, 25.8 * s), (27.8 * s, 27.2 * s)], WHITE,
                         width=1.5 * s)
            elif status == 3:
                lay.rect((22.5 * s, 24.6 * s, 28.5 * s, 26.4 * s), fill=WHITE)
            elif status == 4:
                lay.ellipse((22.8 * s, 22.8 * s, 28.2 * s, 28.2 * s), fill=WHITE)
            elif status == 1:
                lay.ellipse((24 * s, 24 * s, 27 * s, 27 * s), fill=WHITE)
    elif glyph == "chat":
        bubble(2, 4, 30, 24, [(7, 23), (14, 23), (6, 30)], BLUE)
        lay.rect((8 * s, 10 * s, 24 * s, 12.5 * s), fill=WHITE, radius=1.2 * s)
        lay.rect((8 * s, 15.5 * s, 19 * s, 18 * s), fill=WHITE, radius=1.2 * s)
    elif glyph == "message":
        lay.rect((2 * s, 6 * s, 30 * s, 26 * s), fill=ACCENT, radius=3 * s)
        lay.line([(4 * s, 9 * s), (16 * s, 18 * s), (28 * s, 9 * s)], WHITE, width=2.2 * s)
    elif glyph == "noface":
        lay.rect((1 * s, 1 * s, 31 * s, 31 * s), fill=(200, 208, 218), radius=5 * s)
        person(lay, 16 * s, 14 * s, 1.55 * s, (246, 248, 250))
    else:
        raise ValueError(glyph)
    return lay.result()


def ico_bytes(images):
    """An .ico file with one 32-bit DIB image (and its AND mask) per size."""
    entries = []
    blobs = []
    for im in images:
        w, h = im.size
        px = im.load()
        xor = bytearray()
        for y in range(h - 1, -1, -1):
            for x in range(w):
                r, g, b, a = px[x, y]
                xor += bytes((b, g, r, a))
        row_bytes = ((w + 31) // 32) * 4
        mask = bytearray()
        for y in range(h - 1, -1, -1):
            row = bytearray(row_bytes)
            for x in range(w):
                if px[x, y][3] == 0:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blobs.append(header + bytes(xor) + bytes(mask))
        entries.append((w, h))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for (w, h), blob in zip(entries, blobs):
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


# ------------------------------------------------------------------ sound
def chime_bytes(rate, seconds):
    """A short two-note chime, 16-bit mono PCM."""
    n = int(rate * seconds)
    notes = ((0.0, 880.0, 0.9), (0.11, 1318.5, 1.0))
    frames = bytearray()
    for i in range(n):
        t = i / float(rate)
        v = 0.0
        for start, freq, gain in notes:
            if t >= start:
                u = t - start
                env = math.exp(-u * 9.0) * min(1.0, u / 0.004)
                v += gain * env * (math.sin(2 * math.pi * freq * u) + 0.25 * math.sin(4 * math.pi * freq * u))
        tail = min(1.0, (n - i) / (rate * 0.02))
        sample = int(max(-1.0, min(1.0, v * 0.32 * tail)) * 32767)
        frames += struct.pack("<h", sample)
    buf = io.BytesIO()
    with wave.open(buf, "wb") as wf:
        wf.setnchannels(1)
        wf.setsampwidth(2)
        wf.setframerate(rate)
        wf.writeframes(bytes(frames))
    return buf.getvalue()


# ------------------------------------------------------------------ output
PAINTERS = {
    "band": lambda e, a: paint_band(e, a["band"]),
    "grip": lambda e, a: paint_grip(e),
    "button": lambda e, a: paint_button(e, a["text"], a["style"], a["state"], a.get("glyph")),
    "caption_button": lambda e, a: paint_caption_button(e, a["glyph"], a["state"]),
    "glyph_button": lambda e, a: paint_glyph_button(e, a["glyph"], a["state"], a.get("flat", False)),
    "scroll": lambda e, a: paint_scroll(e, a["role"]),
    "search_field": lambda e, a: paint_search_field(e, a["piece"]),
    "advert": lambda e, a: paint_advert(e),
    "face": lambda e, a: paint_face(e, a["size"], a["gray"]),
    "status_mark": lambda e, a: paint_status_mark(e, a["status"]),
    "list_down": lambda e, a: paint_list_down(e),
    "person": lambda e, a: paint_person(e, a["who"], a["selected"]),
    "person_big": lambda e, a: paint_person_big(e, a["size"], a["bg"]),
    "handover_icon": lambda e, a: paint_handover_icon(e),
    "folder": lambda e, a: paint_folder(e, a["open"]),
    "tab_icon": lambda e, a: paint_tab_icon(e, a["kind"], a["selected"]),
    "tool_icon": lambda e, a: paint_tool_icon(e, a["glyph"]),
    "settings_icon": lambda e, a: paint_settings_icon(e, a["top"]),
    "profile_pic": lambda e, a: paint_profile_pic(e, a["top"]),
    "choice": lambda e, a: paint_choice(e, a["kind"], a["on"]),
    "tip_icon": lambda e, a: paint_tip_icon(e),
    "typing": lambda e, a: paint_typing(e, a["frame"]),
    "header_marks": lambda e, a: paint_header_marks(e),
    "group_mark": lambda e, a: paint_group_mark(e, a["open"]),
    "spinner": lambda e, a: paint_spinner(e),
    "broken_picture": lambda e, a: paint_broken_picture(e),
}


def write_bytes(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def encode(img, fmt):
    buf = io.BytesIO()
    if fmt == "bmp":
        img.convert("RGB").save(buf, "BMP")
    elif fmt == "png":
        img.convert("RGB").save(buf, "PNG", optimize=False, compress_level=9)
    elif fmt == "rgba":
        img.convert("RGBA").save(buf, "PNG", optimize=False, compress_level=9)
    else:
        raise ValueError(fmt)
    return buf.getvalue()


def render(entry):
    """The picture(s) of one entry: a list of images (frames or icon sizes),
    or None for a sound."""
    name, args = entry["paint"]
    fmt = entry["fmt"]
    if fmt == "ico":
        return [paint_icon_image(size, args["glyph"], args.get("status")) for size in entry["size"]]
    if fmt == "wav":
        return None
    result = PAINTERS[name](entry, args)
    return result if isinstance(result, list) else [result]


def produce(entry, root):
    path = os.path.join(root, *entry["path"].split("/"))
    fmt = entry["fmt"]
    if fmt == "wav":
        write_bytes(path, chime_bytes(entry["rate"], entry["seconds"]))
        return None
    images = render(entry)
    if fmt == "ico":
        write_bytes(path, ico_bytes(images))
    elif fmt in ("gif", "agif"):
        save_gif(images, path, 90)
    else:
        write_bytes(path, encode(images[0], fmt))
    return images


# ------------------------------------------------------------ contact sheet
def preview(entry, img):
    """A picture as it looks in place: the key replaced by what lies behind."""
    key = entry.get("key")
    if img.mode == "RGBA":
        back = Image.new("RGB", img.size, CAP_BOT if "InputAnimate" in entry["path"] else
                         ((255, 249, 197) if "tipWndbar" in entry["path"] else WHITE))
        over(back, img)
        return back
    if not key:
        return img
    if "/Comm/btn/m" in entry["path"] or "/Comm/btn/close" in entry["path"]:
        backdrop = Image.new("RGB", img.size)
        vgradient(backdrop, (0, 0) + img.size, mix(CAP_TOP, CAP_BOT, 1 / 28.0), mix(CAP_TOP, CAP_BOT, 19 / 28.0))
    elif "tipWndbar" in entry["path"]:
        backdrop = Image.new("RGB", img.size, (255, 249, 197))
    else:
        backdrop = Image.new("RGB", img.size, SURFACE if key == "magenta" else WHITE)
    px = img.convert("RGB").load()
    out = backdrop.copy()
    op = out.load()
    k = KEYS[key]
    for y in range(img.height):
        for x in range(img.width):
            if px[x, y] != k:
                op[x, y] = px[x, y]
    return out


def tile_onto(img, pic, box):
    """Repeats `pic` over `box` of `img`, cutting the last row and column."""
    x0, y0, x1, y1 = box
    y = y0
    while y < y1:
        x = x0
        while x < x1:
            img.paste(pic.crop((0, 0, min(pic.width, x1 - x), min(pic.height, y1 - y))), (x, y))
            x += pic.width
        y += pic.height


def keyed_paste_onto(img, pic, at, key=MAGENTA):
    """Pastes `pic` at `at`, leaving out the pixels of the key colour."""
    mask = Image.new("L", pic.size, 0)
    mp = mask.load()
    pp = pic.load()
    for y in range(pic.height):
        for x in range(pic.width):
            if pp[x, y] != key:
                mp[x, y] = 255
    img.paste(pic, at, mask)


class MockupCanvas:
    """A white picture of W x H on which a mock-up is assembled from the skin
    pieces: get names a piece, tile and keyed_paste put it on the picture."""

    def __init__(self, by_path, W, H):
        self.by_path = by_path
        self.img = Image.new("RGB", (W, H), WHITE)
        self.draw = ImageDraw.Draw(self.img)

    def get(self, path):
        return self.by_path[path][0]

    def tile(self, pic, box):
        tile_onto(self.img, pic, box)

    def keyed_paste(self, pic, at, key=MAGENTA):
        keyed_paste_onto(self.img, pic, at, key)


def mockup(by_path):
    """A settings-like panel and a chat window assembled from the pieces."""
    W, H = 520, 330
    canvas = MockupCanvas(by_path, W, H)
    img, d = canvas.img, canvas.draw
    get, tile, keyed_paste = canvas.get, canvas.tile, canvas.keyed_paste

    tile(get("Resource/Comm/frame_top_title.bmp"), (0, 0, W, 28))
    for y in range(28, H - 28):
        d.line([(0, y), (W - 1, y)], fill=panel_gradient_row(y))
    tile(get("Resource/Comm/frame_bottom.bmp"), (0, H - 28, W, H))
    logo = by_path["Resource/Comm/logo32.ico"][0]
    img.paste(logo.convert("RGB"), (5, 5), logo.getchannel("A"))
    d.text((26, 6), "系统设置", font=font(12), fill=WHITE)
    keyed_paste(get("Resource/Comm/btn/min01.bmp"), (W - 78, 1))
    keyed_paste(get("Resource/Comm/btn/max02.bmp"), (W - 56, 1))
    keyed_paste(get("Resource/Comm/btn/close01.bmp"), (W - 35, 1))
    img.paste(get("Resource/System/ico_setting.bmp"), (140, 40))
    d.text((180, 44), "系统设置", font=font(20), fill=NAVY)
    # A search box.
    sx, sy, sw = 20, 90, 200
    img.paste(get("Resource/Comm/search/left.bmp"), (sx, sy))
    tile(get("Resource/Comm/search/mid.bmp"), (sx + 3, sy, sx + sw - 3, sy + 22))
    img.paste(get("Resource/Comm/search/right.bmp"), (sx + sw - 3, sy))
    img.paste(get("Resource/Comm/search/search.bmp"), (sx + 5, sy + 5))
    img.paste(get("Resource/Comm/search/close.bmp"), (sx + sw - 16, sy + 5))
    d.text((sx + 22, sy + 4), "查找联系人", font=font(12), fill=MUTED)
    # Options.
    for i, (name, label) in enumerate((("Resource/System/choice_multi_02.bmp", "允许来消息时自动弹出窗口"),
                                       ("Resource/System/choice_sigle_02.bmp", "默认声音"),
                                       ("Resource/System/choice_sigle_01.bmp", "关闭声音"))):
        keyed_paste(get(name), (20, 124 + 22 * i), WHITE)
        d.text((38, 125 + 22 * i), label, font=font(12), fill=(0x35, 0x59, 0x89))
    # A list with a scroll bar.
    lx, ly, lw, lh = 240, 90, 180, 130
    d.rectangle([lx, ly, lx + lw, ly + lh], fill=WHITE, outline=LINE_DARK)
    for i, t in enumerate(("您好，我现在有事不在。", "工作中，请勿打扰！", "我去吃饭了，一会再联系!")):
        if i == 1:
            d.rectangle([lx + 1, ly + 2 + 20 * i, lx + lw - 18, ly + 20 + 20 * i], fill=(0xFA, 0xEB, 0xAA))
        d.text((lx + 6, ly + 4 + 20 * i), t, font=font(12), fill=TEXT)
    bx = lx + lw - 17
    up = get("Resource/Comm/Scroll/Vscrolled_arrow_up_over.bmp")
    down = get("Resource/Comm/Scroll/Vscrolled_arrow_down.bmp")
    img.paste(up, (bx, ly + 1))
    img.paste(down, (bx, ly + lh - 17))
    tr = get("Resource/Comm/Scroll/Vscrolled_trough.bmp").resize((17, lh - 35))
    img.paste(tr, (bx, ly + 18))
    t0, t1 = ly + 30, ly + 80
    img.paste(get("Resource/Comm/Scroll/Vscrolled_slider_top.bmp"), (bx, t0))
    img.paste(get("Resource/Comm/Scroll/Vscrolled_slider_middle.bmp").resize((17, t1 - t0 - 6)), (bx, t0 + 3))
    img.paste(get("Resource/Comm/Scroll/Vscrolled_slider_bottom.bmp"), (bx, t1 - 3))
    img.paste(get("Resource/Comm/Scroll/Vscrolled_slider_center.bmp"), (bx, (t0 + t1) // 2 - 4))
    # Buttons.
    for i, stem in enumerate(("addmes_01", "correct_02", "deletemes_03")):
        keyed_paste(get("Resource/System/%s.bmp" % stem), (430, 110 + 30 * i))
    for i, stem in enumerate(("sure_01", "cancel_01", "apply_02")):
        keyed_paste(get("Resource/Comm/btn/%s.bmp" % stem), (W - 170 + 53 * i, H - 24))
    img.paste(get("Resource/Comm/resize.bmp"), (W - 13, H - 13))
    # Status marks on faces.
    face = get("Resource/Face/0_0.bmp")
    for i in range(6):
        x = 20 + 46 * i
        keyed_paste(face if i < 4 else get("Resource/Face/0_1.bmp"), (x, 200), WHITE)
        keyed_paste(get("Resource/Status/status_%d.bmp" % i), (x + 29, 229), WHITE)
    # Tool row.
    tile(get("Resource/chat/chat_main_bar_bk.bmp"), (0, 250, W, 278))
    for i, stem in enumerate(("setFont_01", "screenshot_02", "setEmo_01", "sendPic_01")):
        keyed_paste(get("Resource/chat/btn/%s.bmp" % stem), (8 + 55 * i, 253))
    keyed_paste(get("Resource/chat/btn/showMsg_01.bmp"), (W - 71, 253))
    keyed_paste(get("Resource/chat/btn/close_01.bmp"), (20, H - 24))
    keyed_paste(get("Resource/chat/btn/send_01.bmp"), (80, H - 24))
    keyed_paste(get("Resource/chat/btn/list_01.bmp"), (131, H - 24))
    d.rectangle([0, 0, W - 1, H - 1], outline=(0x6E, 0x6E, 0x6E))
    return img


def mockup_main(by_path):
    """The messenger's main window assembled from the pieces."""
    W, H = 250, 330
    canvas = MockupCanvas(by_path, W, H)
    img, d = canvas.img, canvas.draw
    get, tile, keyed_paste = canvas.get, canvas.tile, canvas.keyed_paste

    tile(get("Resource/Comm/frame_top_title.bmp"), (0, 0, W, 28))
    logo = by_path["Resource/Comm/logo32.ico"][0]
    img.paste(logo.convert("RGB"), (5, 5), logo.getchannel("A"))
    d.text((26, 6), "IM", font=font(12), fill=WHITE)
    keyed_paste(get("Resource/Comm/btn/min01.bmp"), (W - 78, 1))
    keyed_paste(get("Resource/Comm/btn/max01.bmp"), (W - 56, 1))
    keyed_paste(get("Resource/Comm/btn/close02.bmp"), (W - 35, 1))
    tile(get("Resource/MainPanel/frame_main_panel_line_2.bmp") if "Resource/MainPanel/frame_main_panel_line_2.bmp"
         in by_path else get("Resource/chat/frame_chat_panel_line_2.bmp"), (0, 28, W, 96))
    img.paste(get("Resource/Head/face_01.bmp"), (5, 36))
    keyed_paste(get("Resource/Status/status_0.bmp"), (67, 44), WHITE)
    ld = by_path["Resource/Status/listDown.png"][0]
    img.paste(ld.convert("RGB"), (83, 44), ld.getchannel("A"))
    d.text((103, 40), "李明  [在线]", font=font(12), fill=(0x00, 0x1C, 0x7B))
    d.text((67, 66), "今天也要加油！", font=font(12), fill=(0x00, 0x1C, 0x7B))
    sx, sy, sw = 1, 93, W - 2
    img.paste(get("Resource/Comm/search/left.bmp"), (sx, sy))
    tile(get("Resource/Comm/search/mid.bmp"), (sx + 3, sy, sx + sw - 3, sy + 22))
    img.paste(get("Resource/Comm/search/right.bmp"), (sx + sw - 3, sy))
    img.paste(get("Resource/Comm/search/search.bmp"), (sx + 5, sy + 5))
    d.text((sx + 22, sy + 4), "搜索联系人", font=font(12), fill=MUTED)
    y = 116
    groups = (("我的好友 [2/3]", True), ("同事 [1/2]", False))
    rows = (("王芳", "周末一起去爬山吗", 0, 0), ("张伟(小张)", "暂无个性签名信息", 2, 0),
            ("赵磊", "出差中", 5, 1))
    for name, opened in groups:
        for yy in range(y, y + 26):
            d.line([(1, yy), (W - 2, yy)], fill=mix((0xD5, 0xEC, 0xFA), (0xE9, 0xF4, 0xFF), (yy - y) / 25.0))
        group = by_path.get("group_open.bmp" if opened else "group_closed.bmp")
        if group:
            g = group[0]
            mask = Image.eval(g.convert("L"), lambda v: 255 if v < 250 else 0)
            img.paste(g, (4, y + 9), mask)
        d.text((17, y + 6), name, font=font(12), fill=(0, 0, 0))
        y += 26
        if opened:
            for i, (nick, sig, st, face) in enumerate(rows):
                if i == 1:
                    for yy in range(y, y + 52):
                        d.line([(1, yy), (W - 2, yy)],
                               fill=mix((0xFD, 0xED, 0xB0), (0xFC, 0xE9, 0x9E), (yy - y) / 51.0))
                keyed_paste(get("Resource/Face/0_%d.bmp" % face), (6, y + 6), WHITE)
                if st in (1, 2, 3):
                    keyed_paste(get("Resource/Status/status_%d.bmp" % st), (35, y + 35), WHITE)
                d.text((51, y + 6), nick, font=font(12), fill=(0, 0, 0))
                d.text((51, y + 25), sig, font=font(12), fill=(128, 128, 128))
                y += 52
    tile(get("Resource/Comm/frame_bottom.bmp"), (0, H - 28, W, H))
    img.paste(get("Resource/Comm/resize.bmp"), (W - 13, H - 13))
    d.rectangle([0, 0, W - 1, H - 1], outline=(0x6E, 0x6E, 0x6E))
    return img


def contact_sheet(rendered, path):
    width = 1500
    pad = 10
    label_font = font(10)
    cells = []
    for entry, images in rendered:
        if images is None:
            continue
        if entry["fmt"] == "ico":
            pics = []
            for im in images:
                bg = Image.new("RGB", im.size, WHITE)
                over(bg, im)
                pics.append(bg)
        else:
            pics = [preview(entry, im) for im in images]
        biggest = max(max(p.size) for p in pics)
        scale = 3 if biggest <= 24 else (2 if biggest <= 60 else 1)
        pics = [p.resize((p.width * scale, p.height * scale), Image.NEAREST) for p in pics]
        pw = sum(p.width for p in pics) + 4 * (len(pics) - 1)
        ph = max(p.height for p in pics)
        label = entry["path"].replace("Resource/", "")
        lw = text_width(label, 10)
        cells.append((pics, max(pw, lw), ph, label))
    rows = []
    row, x = [], pad
    for cell in cells:
        if x + cell[1] > width - pad and row:
            rows.append(row)
            row, x = [], pad
        row.append(cell)
        x += cell[1] + pad
    if row:
        rows.append(row)
    by = {}
    for entry, images in rendered:
        by[entry["path"]] = images
    first, second = mockup(by), mockup_main(by)
    mock = Image.new("RGB", (first.width + pad + second.width, max(first.height, second.height)),
                     (214, 220, 228))
    mock.paste(first, (0, 0))
    mock.paste(second, (first.width + pad, 0))
    height = pad + mock.height + pad + sum(max(c[2] for c in r) + 18 + pad for r in rows)
    sheet = Image.new("RGB", (width, height), (214, 220, 228))
    sheet.paste(mock, (pad, pad))
    d = ImageDraw.Draw(sheet)
    y = pad + mock.height + pad
    for r in rows:
        x = pad
        rh = max(c[2] for c in r)
        for pics, cw, ph, label in r:
            px = x
            for p in pics:
                sheet.paste(p, (px, y))
                px += p.width + 4
            d.text((x, y + rh + 3), label, font=label_font, fill=(60, 70, 84))
            x += cw + pad
        y += rh + 18 + pad
    sheet.save(path, "PNG")


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", required=True, help="folder that receives Resource/...")
    ap.add_argument("--rc-out", help="folder for the pictures compiled into the programs")
    ap.add_argument("--sheet", help="write a contact sheet of every picture to this PNG")
    args = ap.parse_args(argv)
    if not os.path.exists(FONT_FILE):
        print("make_skin.py: font %s is missing (Debian package fonts-wqy-microhei)" % FONT_FILE,
              file=sys.stderr)
        return 1
    rendered = []
    for entry in skin_manifest.ENTRIES:
        rendered.append((entry, produce(entry, args.out)))
    if args.rc_out:
        for entry in skin_manifest.RC_ENTRIES:
            rendered.append((entry, produce(entry, args.rc_out)))
    if args.sheet:
        contact_sheet(rendered, args.sheet)
    return 0


if __name__ == "__main__":
    sys.exit(main())
