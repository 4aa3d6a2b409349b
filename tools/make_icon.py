#!/usr/bin/env python3
"""Draws the program's artwork: the program icon, a cairn of stones, and the
About box's icon, a speech bubble, as 16-colour .ico files (32x32 and 16x16);
and the link's pointing-hand cursor as a 32x32 .cur with its hot spot on the
fingertip.

The files are checked in; run this only to change the artwork:
    python3 tools/make_icon.py resources/Cairnkeep.ico
    python3 tools/make_icon.py --about resources/About.ico
    python3 tools/make_icon.py --hand resources/Hand.cur
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
BLACK, DARK_GREEN, NAVY, SILVER, GREY, WHITE, RED, BLUE = 0, 2, 4, 7, 8, 15, 9, 12

# Stones from the bottom up: centre x, centre y, half width, half height, on a 32 grid.
STONES = [(16, 26.5, 13, 4.5), (15, 18.5, 10, 4), (17, 11.5, 7, 3.5), (15.5, 5.5, 4, 3)]


def draw_cairn(size):
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


def bubble_inside(px, py):
    oval = ((px - 16) / 14.5) ** 2 + ((py - 13) / 10.5) ** 2 <= 1.0
    # The tail, a triangle below the bubble's lower left.
    tail = 18 <= py <= 30 and px >= 6 and px - 6 <= (30 - py) * 0.7
    return oval or tail


def draw_bubble(size):
    """A blue speech bubble with three white dots: the About box speaks."""
    scale = size / 32.0
    at = lambda x, y: bubble_inside((x + 0.5) / scale, (y + 0.5) / scale)
    pixels = [[None] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if at(x, y):
                edge = not all(at(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                pixels[y][x] = NAVY if edge else BLUE
            for cx in (9.5, 16, 22.5):
                if ((x + 0.5) / scale - cx) ** 2 + ((y + 0.5) / scale - 13) ** 2 <= 5.5:
                    pixels[y][x] = WHITE
    return pixels


def bitmap(size, draw):
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


# The hand, on the cursor's 32 grid: the index finger points up to the hot
# spot at (12, 1); the other fingers are curled into the palm.
HOT_SPOT = (12, 1)
HAND_PARTS = [  # left, top, right, bottom, inclusive
    (10, 2, 14, 16), (11, 1, 13, 1),  # index finger and its rounded tip
    (15, 10, 18, 17), (19, 11, 22, 17), (23, 13, 25, 18),  # curled fingers
    (5, 15, 9, 19), (6, 20, 9, 21),  # thumb
    (9, 16, 25, 26), (11, 27, 23, 30),  # palm and wrist
]
FINGER_GAPS = [(15, 10, 15, 15), (19, 11, 19, 15), (23, 13, 23, 16)]


def hand_inside(x, y):
    return any(l <= x <= r and t <= y <= b for l, t, r, b in HAND_PARTS)


def cursor_bitmap():
    """32x32 monochrome: black outline and gaps, white inside, clear outside."""
    size = 32
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    xor_rows, and_rows = [], []
    for y in reversed(range(size)):
        xor, mask = bytearray(4), bytearray(4)
        for x in range(size):
            bit = 0x80 >> (x % 8)
            if not hand_inside(x, y):
                mask[x // 8] |= bit
                continue
            outline = any(not hand_inside(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            gap = any(l <= x <= r and t <= y <= b for l, t, r, b in FINGER_GAPS)
            if not (outline or gap):
                xor[x // 8] |= bit
        xor_rows.append(bytes(xor))
        and_rows.append(bytes(mask))
    return header + palette + b"".join(xor_rows) + b"".join(and_rows)


def write_cursor(path):
    image = cursor_bitmap()
    out = struct.pack("<HHH", 0, 2, 1)
    out += struct.pack("<BBBBHHII", 32, 32, 2, 0, HOT_SPOT[0], HOT_SPOT[1], len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(out + image)


def write_icon(path, draw):
    sizes = [32, 16]
    images = [bitmap(s, draw) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


def main(args):
    if args[:1] == ["--hand"]:
        write_cursor(args[1])
    elif args[:1] == ["--about"]:
        write_icon(args[1], draw_bubble)
    else:
        write_icon(args[0] if args else "Cairnkeep.ico", draw_cairn)


if __name__ == "__main__":
    main(sys.argv[1:])
