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
three icons, uncompressed, would take Vexa.exe over 256 KiB.

For sessions of 256 colours, the program's icon also holds 8-bit images at 16, 24, 32 and 48
pixels, and the tray icons one at 16: the same shapes, drawn in the 20 colours every
256-colour display keeps in its palette (so they show as drawn, not matched to whatever else
the palette holds), each pixel one whole colour, and a 1-bit mask for what is transparent. Their
colour tables list only the colours they use.

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

# The colours the 8-bit images use, all from the 20 that Windows keeps in the system palette;
# black first, the colour of the transparent pixels.
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
DARK_GREY = (128, 128, 128)
MEDIUM_GREY = (160, 160, 164)
LIGHT_GREY = (192, 192, 192)
SKY_BLUE = (166, 202, 240)
YELLOW = (255, 255, 0)
DARK_YELLOW = (128, 128, 0)
SYSTEM_COLOURS = [BLACK, WHITE, DARK_GREY, MEDIUM_GREY, LIGHT_GREY, SKY_BLUE, YELLOW, DARK_YELLOW]

INDEXED_SIZES = {'app': [16, 24, 32, 48], 'tray': [16]}


def disc_colour(x, y):
    """The disc's silver surface with a faint rainbow sheen that turns around the centre
    (x and y relative to the centre)."""
    angle = math.atan2(y, x)
    sheen = 0.5 + 0.5 * math.cos(2 * angle)
    r = 175 + 60 * sheen * (0.5 + 0.5 * math.sin(angle))
    g = 185 + 45 * sheen
    b = 205 + 45 * (1 - sheen)
    return (min(r, 255), min(g, 255), min(b, 255))


def disc_colour_indexed(x, y):
    """The sheen in two colours: sky blue above and below the hole, where the full-colour sheen
    is bluest, light grey to the sides."""
    return SKY_BLUE if abs(y) > abs(x) else LIGHT_GREY


class Colours:
    """What each part of the drawing is painted with."""

    def __init__(self, outline, disc_edge, disc_flat, surface, hub, lock_body, lock_dark,
                 shackle):
        self.outline, self.disc_edge, self.disc_flat, self.surface = (outline, disc_edge,
                                                                      disc_flat, surface)
        self.hub, self.lock_body, self.lock_dark, self.shackle = hub, lock_body, lock_dark, shackle


def full_colours(outline):
    return Colours(outline, DISC_EDGE, DISC_FLAT, disc_colour, HUB, LOCK_BODY, LOCK_DARK, SHACKLE)


def system_outline(outline):
    return BLACK if outline == DARK_OUTLINE else WHITE


def system_colours(outline):
    """The same parts in the system palette's colours: black or white outlines, a yellow
    padlock with an olive keyhole, grey metal."""
    return Colours(outline, MEDIUM_GREY, LIGHT_GREY, disc_colour_indexed, WHITE, YELLOW,
                   DARK_YELLOW, DARK_GREY)


class Drawing:
    """The icon at one size, in pixel units: every edge that can be straight lies on a whole
    pixel, and every outline is a whole number of pixels wide."""

    def __init__(self, size, colours, whole_colours=False):
        s = size
        self.colours = colours
        self.outline_colour = colours.outline
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
        # Its round top; when every pixel is one colour, at least 2 pixels in radius, or at
        # 32 pixels it would be no wider than the slot.
        self.kr = max(self.kw * 0.75, 2) if whole_colours else self.kw * 0.75
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
                    if math.hypot(x - self.bx, y - (self.ky - half)) < self.kr:
                        return self.colours.lock_dark, 1.0
                    if abs(x - self.bx) < half / 1.5 and self.ky - half <= y < self.ky + self.kw:
                        return self.colours.lock_dark, 1.0
                elif abs(x - self.bx) < half and abs(y - self.ky) < self.kw * 0.75:
                    return self.colours.lock_dark, 1.0
            return self.colours.lock_body, 1.0
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
                return (self.colours.shackle if inside else self.outline_colour), 1.0
            return None
        # An arch: a half ring on two legs; outlined, with the metal between.
        cy = self.shackle_top + self.sw
        d = math.hypot(dx, y - cy) if y < cy else dx
        if self.sw - self.st <= d < self.sw:
            inner = self.sw - self.st + self.o
            outer = self.sw - self.o
            return (self.colours.shackle if inner <= d < outer else self.outline_colour), 1.0
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
                return self.colours.hub, 1.0
            if d >= self.disc_r - 2 * o:
                return self.colours.disc_edge, 1.0
            return self.colours.surface(dx, dy), 1.0
        return self.colours.disc_flat, 1.0

    def sample(self, x, y):
        """Colour (r, g, b) and opacity at a point, topmost shape first."""
        for shape in (self.lock, self.shackle, self.disc):
            found = shape(x, y)
            if found is not None:
                return found
        return TRANSPARENT


OFFSETS = [(i + 0.5) / SUPERSAMPLE for i in range(SUPERSAMPLE)]


def render(size, outline):
    """Rows of (r, g, b, a) from the top, each pixel averaged over SUPERSAMPLE² samples."""
    drawing = Drawing(size, full_colours(outline))
    rows = []
    n = SUPERSAMPLE * SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for oy in OFFSETS:
                for ox in OFFSETS:
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


def render_indexed(size, outline):
    """Rows of (r, g, b) or None (transparent) from the top, in the system colours: each pixel
    takes the one colour that covers most of it, and is transparent when more than half of it
    is, so that edges stay sharp and no colour is mixed or dithered."""
    drawing = Drawing(size, system_colours(outline), whole_colours=True)
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            counts = {}
            for oy in OFFSETS:
                for ox in OFFSETS:
                    colour, a = drawing.sample(px + ox, py + oy)
                    key = colour if a > 0 else None
                    counts[key] = counts.get(key, 0) + 1
            if counts.get(None, 0) * 2 > SUPERSAMPLE * SUPERSAMPLE:
                row.append(None)
            else:
                opaque = [(-n, SYSTEM_COLOURS.index(c), c) for c, n in counts.items()
                          if c is not None]
                row.append(min(opaque)[2])
        rows.append(row)
    return rows


def mask_rows(transparent):
    """The AND mask, bottom row first: 1 bit per pixel, set where the pixel is transparent
    (transparent holds one row of booleans for each row from the top)."""
    size = len(transparent)
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(transparent):
        bits = bytearray(stride)
        for x, clear in enumerate(row):
            if clear:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def bitmap_header(size, bits, colours_used):
    # The height counts the colour bitmap and the mask.
    return struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, 0, 0, 0, colours_used, 0)


def dib(rows):
    """A 32-bit bitmap with its alpha channel, and a mask for readers that ignore alpha."""
    size = len(rows)
    body = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            body += bytes((b, g, r, a))
    return (bitmap_header(size, 32, 0) + bytes(body) +
            mask_rows([[a < 128 for _, _, _, a in row] for row in rows]))


def dib_indexed(rows):
    """An 8-bit bitmap whose colour table holds only the system colours up to the last one
    used; transparent pixels are colour 0, black, as the mask expects."""
    size = len(rows)
    used = max([SYSTEM_COLOURS.index(c) for row in rows for c in row if c is not None] + [0]) + 1
    table = b''.join(bytes((b, g, r, 0)) for r, g, b in SYSTEM_COLOURS[:used])
    stride = (size + 3) // 4 * 4
    body = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, colour in enumerate(row):
            line[x] = SYSTEM_COLOURS.index(colour) if colour is not None else 0
        body += line
    return (bitmap_header(size, 8, used) + table + bytes(body) +
            mask_rows([[c is None for c in row] for row in rows]))


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


def write_ico(path, sizes, indexed_sizes, outline):
    """Images by size, small first; at a size with both, the 32-bit image before the 8-bit one."""
    images = []
    for size in sizes:
        rows = render(size, outline)
        if size >= PNG_FROM:
            images.append((size, 32, png(rows)))
        else:
            images.append((size, 32, dib(rows)))
        if size in indexed_sizes:
            images.append((size, 8, dib_indexed(render_indexed(size, system_outline(outline)))))
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
    write_ico(os.path.join(here, 'app.ico'), APP_SIZES, INDEXED_SIZES['app'], DARK_OUTLINE)
    write_ico(os.path.join(here, 'tray.ico'), TRAY_SIZES, INDEXED_SIZES['tray'], LIGHT_OUTLINE)
    write_ico(os.path.join(here, 'tray-light.ico'), TRAY_SIZES, INDEXED_SIZES['tray'],
              DARK_OUTLINE)
