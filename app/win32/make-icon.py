#!/usr/bin/env python3
"""Draws the program's icon, a traffic display, and writes it as a 16-colour .ico with a 32x32
and a 16x16 image: make-icon.py res/Corvane.ico

A round black scope with a range ring, the own aircraft in the middle and three traffic
symbols in the colours a collision-avoidance display uses for them: other traffic (cyan
diamond), a traffic advisory (amber disc) and a resolution advisory (red square)."""

import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128),
    (128, 0, 0), (128, 0, 128), (128, 128, 0), (192, 192, 192),
    (128, 128, 128), (0, 0, 255), (0, 255, 0), (0, 255, 255),
    (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
BLACK, DARK_GREY, RED, YELLOW, CYAN, WHITE = 0, 8, 12, 14, 11, 15
TRANSPARENT = None


def draw(size):
    """Rows of palette indices (TRANSPARENT outside the scope), top row first."""
    unit = size / 32.0
    centre = (size - 1) / 2.0
    pixels = [[TRANSPARENT] * size for _ in range(size)]

    def plot(x, y, colour):
        if 0 <= x < size and 0 <= y < size and pixels[y][x] is not TRANSPARENT:
            pixels[y][x] = colour

    for y in range(size):
        for x in range(size):
            distance = ((x - centre) ** 2 + (y - centre) ** 2) ** 0.5
            if distance <= size / 2.0:
                pixels[y][x] = BLACK
            ring = 10.5 * unit
            if abs(distance - ring) < 0.5 and (x + y) % 2 == 0:
                pixels[y][x] = DARK_GREY

    # Own aircraft: a white chevron pointing up.
    cx, cy = int(centre), int(centre + 2 * unit)
    for step in range(int(4 * unit) + 1):
        plot(cx - step, cy + step - int(2 * unit), WHITE)
        plot(cx + 1 + step, cy + step - int(2 * unit), WHITE)
    plot(cx, cy - int(3 * unit), WHITE)
    plot(cx + 1, cy - int(3 * unit), WHITE)

    def diamond(x0, y0, radius, colour, filled):
        for y in range(-radius, radius + 1):
            for x in range(-radius, radius + 1):
                edge = abs(x) + abs(y)
                if edge == radius or (filled and edge < radius):
                    plot(x0 + x, y0 + y, colour)

    def disc(x0, y0, radius, colour):
        for y in range(-radius, radius + 1):
            for x in range(-radius, radius + 1):
                if x * x + y * y <= radius * radius + radius:
                    plot(x0 + x, y0 + y, colour)

    def square(x0, y0, half, colour):
        for y in range(-half, half + 1):
            for x in range(-half, half + 1):
                plot(x0 + x, y0 + y, colour)

    scale = lambda v: int(round(v * unit))
    diamond(scale(9), scale(9), max(1, scale(3)), CYAN, size < 32)
    disc(scale(24), scale(12), max(1, scale(2.5)), YELLOW)
    square(scale(21), scale(24), max(1, scale(2.5)), RED)
    return pixels


def image(size):
    """One BITMAPINFOHEADER image: 4-bit colour rows and a 1-bit AND mask, bottom row first."""
    pixels = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    colour_rows = b''
    mask_rows = b''
    for row in reversed(pixels):
        nibbles = [0 if p is TRANSPARENT else p for p in row]
        line = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        colour_rows += line + b'\0' * (-len(line) % 4)
        bits = 0
        mask = b''
        for i, p in enumerate(row):
            bits = (bits << 1) | (1 if p is TRANSPARENT else 0)
            if i % 8 == 7:
                mask += bytes([bits])
                bits = 0
        mask_rows += mask + b'\0' * (-len(mask) % 4)
    return header + palette + colour_rows + mask_rows


def main():
    sizes = [32, 16]
    images = [image(size) for size in sizes]
    data = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, body in zip(sizes, images):
        data += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(body), offset)
        offset += len(body)
    with open(sys.argv[1], 'wb') as out:
        out.write(data + b''.join(images))


if __name__ == '__main__':
    main()
