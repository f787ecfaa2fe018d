#!/usr/bin/env python3
"""Draws Vexa's icons and writes them as .ico files: an optical disc with a padlock.

    python3 res/make-icons.py        (rewrites res/app.ico and res/tray.ico)

The drawing is computed, not painted, so every run gives the same bytes. Each image comes in
two forms: 32 bits per pixel with an alpha channel, and 8 bits per pixel with a fixed palette
and a transparency mask for old displays.
"""
import math
import os
import struct

SUPERSAMPLE = 8

OUTLINE = (40, 44, 56)
DISC_EDGE = (150, 156, 170)
HUB = (222, 226, 234)
LOCK_BODY = (232, 170, 32)
LOCK_DARK = (120, 80, 10)
SHACKLE = (96, 100, 112)


def disc_colour(x, y):
    """The disc's silver surface with a faint rainbow sheen that turns around the centre."""
    angle = math.atan2(y - 0.44, x - 0.44)
    sheen = 0.5 + 0.5 * math.cos(2 * angle)
    r = 175 + 60 * sheen * (0.5 + 0.5 * math.sin(angle))
    g = 185 + 45 * sheen
    b = 205 + 45 * (1 - sheen)
    return (min(r, 255), min(g, 255), min(b, 255))


def sample(x, y):
    """Colour (r, g, b) and opacity at a point of the unit square, topmost shape first."""
    # Padlock body with its outline and keyhole.
    if 0.50 <= x <= 0.97 and 0.56 <= y <= 0.97:
        if x < 0.56 or x > 0.91 or y < 0.62 or y > 0.91:
            return OUTLINE, 1.0
        if math.hypot(x - 0.735, y - 0.74) < 0.05 or (0.715 <= x <= 0.755 and 0.74 <= y <= 0.84):
            return LOCK_DARK, 1.0
        return LOCK_BODY, 1.0
    # Shackle: the upper half of a ring above the body.
    d = math.hypot(x - 0.735, y - 0.56)
    if y <= 0.56 and 0.10 <= d <= 0.20:
        return (SHACKLE if 0.13 <= d <= 0.17 else OUTLINE), 1.0
    # Disc: outline, surface, hub ring and the hole in the middle.
    d = math.hypot(x - 0.44, y - 0.44)
    if d <= 0.43:
        if d < 0.07:
            return (0, 0, 0), 0.0
        if d < 0.10:
            return OUTLINE, 1.0
        if d < 0.17:
            return HUB, 1.0
        if d > 0.385:
            return OUTLINE, 1.0
        if d > 0.36:
            return DISC_EDGE, 1.0
        return disc_colour(x, y), 1.0
    return (0, 0, 0), 0.0


def render(size):
    """Rows of (r, g, b, a) from the top, each pixel averaged over SUPERSAMPLE² samples."""
    rows = []
    n = SUPERSAMPLE * SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    (cr, cg, cb), ca = sample((px + (sx + 0.5) / SUPERSAMPLE) / size,
                                              (py + (sy + 0.5) / SUPERSAMPLE) / size)
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


def write_ico(path, sizes):
    images = []
    for size in sizes:
        rows = render(size)
        for bits in (8, 32):
            images.append((size, bits, dib(rows, bits)))
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(here, 'app.ico'), [16, 24, 32, 48])
    write_ico(os.path.join(here, 'tray.ico'), [16])
