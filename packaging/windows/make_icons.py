#!/usr/bin/env python3
"""Draws the programs' window icons: 16 colours, 32 x 32 and 16 x 16.

The .ico files next to this script are its output, kept in the tree so that
a build needs nothing but the resource compiler. Run it again after changing
a drawing: python3 packaging/windows/make_icons.py
"""
import math
import os
import struct

# The 16-colour palette every Windows display has.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
CLEAR = None


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def encoder_knob(x, y):
    """A rotary encoder seen from above: knurled rim, cap, pointer up and to the right."""
    cx = cy = 0.5
    r = math.hypot(x - cx, y - cy)
    angle = math.atan2(y - cy, x - cx)
    if segment_distance(x, y, cx, cy, cx + 0.30 * math.cos(-math.pi / 3),
                        cy + 0.30 * math.sin(-math.pi / 3)) < 0.05:
        return YELLOW
    if r < 0.30:
        return GREY
    if r < 0.36:
        return BLACK
    if r < 0.47:
        # Twelve ridges round the rim.
        return SILVER if math.cos(12 * angle) > -0.2 else GREY
    if r < 0.50:
        return BLACK
    return CLEAR


def joystick(x, y):
    """A joystick on its base, with the board's analog axes as a cross."""
    if math.hypot(x - 0.5, y - 0.22) < 0.15:
        return RED
    if abs(x - 0.5) < 0.05 and 0.3 < y < 0.7:
        return BLACK
    if 0.08 < x < 0.92 and 0.66 < y < 0.92:
        if x < 0.12 or x > 0.88 or y < 0.70 or y > 0.88:
            return BLACK
        if (abs(y - 0.79) < 0.03 and 0.2 < x < 0.8) or abs(x - 0.5) < 0.03:
            return AQUA
        return NAVY
    return CLEAR


def image(draw, size):
    """BITMAPINFOHEADER, palette, 4-bit colour rows and 1-bit mask rows, bottom-up."""
    pixels = [[draw((col + 0.5) / size, (row + 0.5) / size) for col in range(size)]
              for row in range(size)]
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    colour, mask = b"", b""
    for row in reversed(pixels):
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for col, value in enumerate(row):
            index = 0 if value is CLEAR else value
            line[col // 2] |= index << (4 if col % 2 == 0 else 0)
            if value is CLEAR:
                bits[col // 8] |= 0x80 >> (col % 8)
        colour += bytes(line)
        mask += bytes(bits)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0,
                         len(colour) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + colour + mask


def icon(draw):
    images = [image(draw, size) for size in (32, 16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, draw in (("encoders.ico", encoder_knob), ("config.ico", joystick)):
        with open(os.path.join(here, name), "wb") as f:
            f.write(icon(draw))


if __name__ == "__main__":
    main()
