#!/usr/bin/env python3
"""Draws the program's icon (viewer/program/Vorlane.ico): an open book on a blue rounded
square, at 16, 32 and 48 pixels, 32-bit colour with alpha. The shapes are given on a 48-unit
grid and rasterised with 4x4 samples a pixel; run it again after changing them.
    python3 scripts/make-icon.py [OUTPUT]"""
import os
import struct
import sys

BLUE = (0x44, 0x58, 0x7C)
EDGE = (0x21, 0x4E, 0x7A)
PAGE = (0xF0, 0xFD, 0xFF)
INK = (0x44, 0x58, 0x7C)


def rounded_square(x, y, inset, radius):
    lo, hi = inset, 48 - inset
    if x < lo or x > hi or y < lo or y > hi:
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def in_quad(x, y, quad):
    # Convex, corners clockwise on screen: inside when right of every edge.
    for i in range(4):
        (x1, y1), (x2, y2) = quad[i], quad[(i + 1) % 4]
        if (x2 - x1) * (y - y1) - (y2 - y1) * (x - x1) < 0:
            return False
    return True


def near_segment(x, y, a, b, half_width):
    (x1, y1), (x2, y2) = a, b
    dx, dy = x2 - x1, y2 - y1
    t = max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy)))
    px, py = x1 + t * dx, y1 + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= half_width ** 2


LEFT_PAGE = [(7, 13), (23, 10), (23, 38), (7, 41)]
RIGHT_PAGE = [(25, 10), (41, 13), (41, 41), (25, 38)]


def colour_at(x, y, size):
    """The colour (r, g, b) at a point of the 48-unit grid, or None outside the icon."""
    colour = None
    if rounded_square(x, y, 1, 7):
        colour = EDGE
    if rounded_square(x, y, 2.5 if size >= 32 else 3.5, 6):
        colour = BLUE
    if in_quad(x, y, LEFT_PAGE) or in_quad(x, y, RIGHT_PAGE):
        colour = PAGE
        if size >= 32:  # the lines of text only where they can be seen
            for row in range(17, 33, 5):
                if near_segment(x, y, (10, row + 1), (20, row - 1), 0.9) or \
                        near_segment(x, y, (28, row - 1), (38, row + 1), 0.9):
                    colour = INK
    return colour


def render(size):
    """Rows of (b, g, r, a) pixels, top row first."""
    samples = 4
    scale = 48.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0, 0, 0]
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at((px + (sx + 0.5) / samples) * scale, (py + (sy + 0.5) / samples) * scale, size)
                    if c:
                        hits += 1
                        for i in range(3):
                            total[i] += c[i]
            if hits:
                r, g, b = (round(t / hits) for t in total)
                row.append((b, g, r, round(255 * hits / (samples * samples))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def dib(size):
    """A 32-bit BITMAPINFOHEADER image with its AND mask, as an .ico entry holds it."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(p) for row in reversed(rows) for p in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "viewer", "program", "Vorlane.ico")
    sizes = [16, 32, 48]
    images = [dib(s) for s in sizes]
    data = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, image in zip(sizes, images):
        data += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    data += b"".join(images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
