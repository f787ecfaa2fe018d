#!/usr/bin/env python3
"""Draws Vexa's icons and writes them as .ico files: an optical disc with a padlock.

    python3 res/make-icons.py        (rewrites res/app.ico, res/tray.ico and res/tray-light.ico)

app.ico is the program's icon (windows, Explorer, Alt+Tab). tray.ico is the notification-area
icon for a dark taskbar (Windows' default, and the older taskbars), with a light outline;
tray-light.ico is the same icon for a light taskbar, with a dark outline.

Each size is drawn for itself, not scaled down from a big picture: the shapes' edges fall on
whole pixels, outlines are whole pixels wide, and the small sizes leave out the details that
would only blur (the sheen, the hub ring, the keyhole's round top).

Images of 32 pixels and up are PNG-compressed (Windows Vista and later read them); the smaller
ones are plain 32-bit bitmaps with an alpha channel, which every reader of icons knows. The
three icons, uncompressed, would take Vexa.exe over 256 KiB; for the same reason there is no
8-bit form for displays of 256 colours any more (Windows, since Vista, draws the 32-bit ones
on those too).

The drawing is computed, not painted, and PNG and zlib are written with fixed settings, so every
run gives the same bytes.
"""
import math
import os
import struct
import zlib

SUPERSAMPLE = 8
PNG_FROM = 32  # images this big and bigger are stored as PNG

TRAY_SIZES = [16, 20, 24, 32, 40, 48, 64]
APP_SIZES = TRAY_SIZES + [256]

DISC_EDGE = (150, 156, 170)
DISC_FLAT = (180, 188, 204)
HUB = (222, 226, 234)
LOCK_BODY = (232, 170, 32)
LOCK_DARK = (120, 80, 10)
SHACKLE = (96, 100, 112)

# The outline: what sets the icon off from what is behind it.
DARK_OUTLINE = (40, 44, 56)
LIGHT_OUTLINE = (240, 242, 247)

TRANSPARENT = ((0, 0, 0), 0.0)


def disc_colour(x, y):
    """The disc's silver surface with a faint rainbow sheen that turns around the centre
    (x and y relative to the centre)."""
    angle = math.atan2(y, x)
    sheen = 0.5 + 0.5 * math.cos(2 * angle)
    r = 175 + 60 * sheen * (0.5 + 0.5 * math.sin(angle))
    g = 185 + 45 * sheen
    b = 205 + 45 * (1 - sheen)
    return (min(r, 255), min(g, 255), min(b, 255))


class Drawing:
    """The icon at one size, in pixel units: every edge that can be straight lies on a whole
    pixel, and every outline is a whole number of pixels wide."""

    def __init__(self, size, outline):
        s = size
        self.outline_colour = outline
        self.detailed = s >= 32
        self.o = max(1, round(s / 24)) if s <= 64 else round(s / 32)  # outline width
        # The disc fills the top left; its diameter is even, so that the hole is centred on a
        # pixel corner and comes out as whole pixels.
        self.disc_r = round(s * 0.4375)
        self.c = self.disc_r
        self.hole_r = max(1, round(s * 0.07))
        self.hub_r = round(s * 0.17)
        # The padlock's body: the bottom right corner, on whole pixels.
        self.left, self.top, self.right, self.bottom = round(s * 0.5), round(s * 0.56), s, s
        body_w = self.right - self.left
        self.bx = (self.left + self.right) / 2
        # The shackle: an arch above the body, square-cornered at the small sizes.
        self.sw = round(body_w * 0.36)  # outer half-width
        self.st = 2 * self.o + max(1, round(s * 0.025)) if self.detailed else 2  # thickness
        self.shackle_top = self.top - round(s * 0.26)
        # The keyhole: a slot in the small sizes, a round top and a slot in the big ones.
        self.kw = max(2, round(s * 0.08) // 2 * 2)
        self.ky = (self.top + self.o + self.bottom - self.o) / 2

    def lock(self, x, y):
        o = self.o
        if self.left <= x < self.right and self.top <= y < self.bottom:
            if (x < self.left + o or x >= self.right - o or y < self.top + o
                    or y >= self.bottom - o):
                return self.outline_colour, 1.0
            if self.bottom - self.top - 2 * o >= 5:
                half = self.kw / 2
                if self.detailed:
                    if math.hypot(x - self.bx, y - (self.ky - half)) < self.kw * 0.75:
                        return LOCK_DARK, 1.0
                    if abs(x - self.bx) < half / 1.5 and self.ky - half <= y < self.ky + self.kw:
                        return LOCK_DARK, 1.0
                elif abs(x - self.bx) < half and abs(y - self.ky) < self.kw * 0.75:
                    return LOCK_DARK, 1.0
            return LOCK_BODY, 1.0
        return None

    def shackle(self, x, y):
        if y >= self.top or y < self.shackle_top:
            return None
        dx = abs(x - self.bx)
        if not self.detailed:
            # A square U two pixels thick: the outline outside, the metal inside, so that it
            # shows against the disc and against the taskbar alike.
            outer = self.sw
            if dx < outer and (dx >= outer - self.st or y < self.shackle_top + self.st):
                inside = dx < outer - 1 and y >= self.shackle_top + 1
                return (SHACKLE if inside else self.outline_colour), 1.0
            return None
        # An arch: a half ring on two legs; outlined, with the metal between.
        cy = self.shackle_top + self.sw
        d = math.hypot(dx, y - cy) if y < cy else dx
        if self.sw - self.st <= d < self.sw:
            inner = self.sw - self.st + self.o
            outer = self.sw - self.o
            return (SHACKLE if inner <= d < outer else self.outline_colour), 1.0
        return None

    def disc(self, x, y):
        dx, dy = x - self.c, y - self.c
        d = math.hypot(dx, dy)
        if d >= self.disc_r or d < self.hole_r:
            return None if d >= self.disc_r else TRANSPARENT
        o = self.o
        if d >= self.disc_r - o:
            return self.outline_colour, 1.0
        if self.detailed:
            if d < self.hole_r + o:
                return self.outline_colour, 1.0
            if d < self.hub_r:
                return HUB, 1.0
            if d >= self.disc_r - 2 * o:
                return DISC_EDGE, 1.0
            return disc_colour(dx, dy), 1.0
        return DISC_FLAT, 1.0

    def sample(self, x, y):
        """Colour (r, g, b) and opacity at a point, topmost shape first."""
        for shape in (self.lock, self.shackle, self.disc):
            found = shape(x, y)
            if found is not None:
                return found
        return TRANSPARENT


def render(size, outline):
    """Rows of (r, g, b, a) from the top, each pixel averaged over SUPERSAMPLE² samples."""
    drawing = Drawing(size, outline)
    rows = []
    n = SUPERSAMPLE * SUPERSAMPLE
    offsets = [(i + 0.5) / SUPERSAMPLE for i in range(SUPERSAMPLE)]
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for oy in offsets:
                for ox in offsets:
                    (cr, cg, cb), ca = drawing.sample(px + ox, py + oy)
                    r += cr * ca
                    g += cg * ca
                    b += cb * ca
                    a += ca
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(r / a), round(g / a), round(b / a), round(255 * a / n)))
        rows.append(row)
    return rows


def palette():
    """A fixed 256-colour palette: the 6x6x6 colour cube and a ramp of 40 greys."""
    cube = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    greys = [(v * 255 // 41, v * 255 // 41, v * 255 // 41) for v in range(1, 41)]
    return cube + greys


def nearest(colours, rgb):
    return min(range(len(colours)),
               key=lambda i: sum((c - v) * (c - v) for c, v in zip(colours[i], rgb)))


def mask_rows(rows):
    """The AND mask, bottom row first: 1 bit per pixel, set where the pixel is transparent."""
    size = len(rows)
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def dib(rows, bits):
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, 0, 0, 0,
                         256 if bits == 8 else 0, 0)
    body = bytearray()
    if bits == 32:
        for row in reversed(rows):
            for r, g, b, a in row:
                body += bytes((b, g, r, a))
        return header + bytes(body) + mask_rows(rows)
    colours = palette()
    table = b''.join(bytes((b, g, r, 0)) for r, g, b in colours)
    stride = (size + 3) // 4 * 4
    cache = {}
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            if a >= 128:
                key = (r, g, b)
                if key not in cache:
                    cache[key] = nearest(colours, key)
                line[x] = cache[key]
        body += line
    return header + table + bytes(body) + mask_rows(rows)


def png_chunk(kind, data):
    return (struct.pack('>I', len(data)) + kind + data +
            struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def png(rows):
    """An 8-bit RGBA PNG. Each row takes the filter whose output has the smallest sum of
    absolute values (the usual rule of thumb), which compresses the flat areas best."""
    size = len(rows)
    raw = bytearray()
    previous = bytes(4 * size)
    for row in rows:
        line = bytes(v for pixel in row for v in pixel)
        candidates = []
        for kind in range(5):
            out = bytearray([kind])
            for i, v in enumerate(line):
                left = line[i - 4] if i >= 4 else 0
                up = previous[i]
                corner = previous[i - 4] if i >= 4 else 0
                predictor = (0, left, up, (left + up) // 2, paeth(left, up, corner))[kind]
                out.append((v - predictor) & 0xFF)
            cost = sum(b if b < 128 else 256 - b for b in out[1:])
            candidates.append((cost, kind, out))
        raw += min(candidates)[2]
        previous = line
    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + png_chunk(b'IHDR', header) +
            png_chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + png_chunk(b'IEND', b''))


def write_ico(path, sizes, outline):
    images = []
    for size in sizes:
        rows = render(size, outline)
        if size >= PNG_FROM:
            images.append((size, 32, png(rows)))
        else:
            images.append((size, 32, dib(rows, 32)))
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        side = size if size < 256 else 0  # 0 stands for 256
        out += struct.pack('<BBBBHHII', side, side, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(here, 'app.ico'), APP_SIZES, DARK_OUTLINE)
    write_ico(os.path.join(here, 'tray.ico'), TRAY_SIZES, LIGHT_OUTLINE)
    write_ico(os.path.join(here, 'tray-light.ico'), TRAY_SIZES, DARK_OUTLINE)
