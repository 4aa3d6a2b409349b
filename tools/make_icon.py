#!/usr/bin/env python3
"""Draws the program icon, a cairn of stones, as a 16-colour .ico (32x32 and 16x16).

The icon is checked in; run this only to change the artwork:
    python3 tools/make_icon.py resources/Cairnkeep.ico
"""
import struct
import sys

# The standard 16-colour palette, so the icon looks the same at any colour depth.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREEN, SILVER, GREY, WHITE, RED = 0, 2, 7, 8, 15, 9

# Stones from the bottom up: centre x, centre y, half width, half height, on a 32 grid.
STONES = [(16, 26.5, 13, 4.5), (15, 18.5, 10, 4), (17, 11.5, 7, 3.5), (15.5, 5.5, 4, 3)]


def draw(size):
    scale = size / 32.0
    pixels = [[None] * size for _ in range(size)]  # None is transparent
    for y in range(size):
        for x in range(size):
            px, py = (x + 0.5) / scale, (y + 0.5) / scale
            for cx, cy, rx, ry in STONES:
                d = ((px - cx) / rx) ** 2 + ((py - cy) / ry) ** 2
                if d <= 1.0:
                    if d > 0.72:
                        colour = BLACK
                    elif py < cy - ry * 0.35 and px < cx:
                        colour = WHITE
                    elif py > cy + ry * 0.2:
                        colour = GREY
                    else:
                        colour = SILVER
                    pixels[y][x] = colour
    # A red mark on the top stone: the character that is kept safe.
    mx, my = int(15 * scale), int(5 * scale)
    pixels[my][mx] = RED
    return pixels


def bitmap(size):
    pixels = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor_rows, and_rows = [], []
    for y in reversed(range(size)):  # bottom-up
        row = bytearray(xor_stride)
        mask = bytearray(and_stride)
        for x in range(size):
            p = pixels[y][x]
            if p is None:
                mask[x // 8] |= 0x80 >> (x % 8)
                p = 0
            row[x // 2] |= p << (4 if x % 2 == 0 else 0)
        xor_rows.append(bytes(row))
        and_rows.append(bytes(mask))
    return header + palette + b"".join(xor_rows) + b"".join(and_rows)


def main(path):
    sizes = [32, 16]
    images = [bitmap(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "Cairnkeep.ico")
