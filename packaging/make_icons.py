#!/usr/bin/env python3
"""Draws the programs' icons from one set of shapes per program.

Outputs, kept in the tree so that a build needs no image tools:
  windows/<program>.ico                         16 colours, 32 x 32 and 16 x 16
  linux/icons/<N>x<N>/tq5271-<program>.png      true colour with alpha
  linux/icons/scalable/tq5271-<program>.svg

Run it again after changing a drawing:  python3 packaging/make_icons.py
Check that the files in the tree are its output:  ... make_icons.py --check
"""
import math
import os
import struct
import sys
import zlib

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

PNG_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
SVG_SIZE = 256


# Shapes in a unit square, y downwards. Each can tell whether a point is
# inside it and write itself as SVG scaled to SVG_SIZE.
def hex_colour(colour):
    return "#%02x%02x%02x" % PALETTE[colour]


def svg_number(value):
    return ("%.3f" % (value * SVG_SIZE)).rstrip("0").rstrip(".")


class Circle:
    def __init__(self, cx, cy, r, colour):
        self.cx, self.cy, self.r, self.colour = cx, cy, r, colour

    def contains(self, x, y):
        return math.hypot(x - self.cx, y - self.cy) < self.r

    def svg(self):
        return '<circle cx="%s" cy="%s" r="%s" fill="%s"/>' % (
            svg_number(self.cx), svg_number(self.cy), svg_number(self.r),
            hex_colour(self.colour))


class Rect:
    def __init__(self, x0, y0, x1, y1, colour):
        self.x0, self.y0, self.x1, self.y1, self.colour = x0, y0, x1, y1, colour

    def contains(self, x, y):
        return self.x0 < x < self.x1 and self.y0 < y < self.y1

    def svg(self):
        return '<rect x="%s" y="%s" width="%s" height="%s" fill="%s"/>' % (
            svg_number(self.x0), svg_number(self.y0), svg_number(self.x1 - self.x0),
            svg_number(self.y1 - self.y0), hex_colour(self.colour))


class Segment:
    """A stroke with round ends, half_width either side of a to b."""

    def __init__(self, ax, ay, bx, by, half_width, colour):
        self.a, self.b, self.half_width, self.colour = (ax, ay), (bx, by), half_width, colour

    def contains(self, x, y):
        (ax, ay), (bx, by) = self.a, self.b
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) < self.half_width

    def svg(self):
        return ('<line x1="%s" y1="%s" x2="%s" y2="%s" stroke="%s" stroke-width="%s" '
                'stroke-linecap="round"/>') % (
            svg_number(self.a[0]), svg_number(self.a[1]), svg_number(self.b[0]),
            svg_number(self.b[1]), hex_colour(self.colour), svg_number(2 * self.half_width))


class Wedges:
    """`count` pie slices round a centre, evenly spaced from angle 0."""

    def __init__(self, cx, cy, r, count, half_angle, colour):
        self.cx, self.cy, self.r, self.count = cx, cy, r, count
        self.half_angle, self.colour = half_angle, colour

    def contains(self, x, y):
        if math.hypot(x - self.cx, y - self.cy) >= self.r:
            return False
        turn = self.count * math.atan2(y - self.cy, x - self.cx)
        off = (turn + math.pi) % (2 * math.pi) - math.pi
        return abs(off) < self.count * self.half_angle

    def svg(self):
        paths = []
        for k in range(self.count):
            middle = 2 * math.pi * k / self.count
            start, end = middle - self.half_angle, middle + self.half_angle
            paths.append("M%s %sL%s %sA%s %s 0 0 1 %s %sZ" % (
                svg_number(self.cx), svg_number(self.cy),
                svg_number(self.cx + self.r * math.cos(start)),
                svg_number(self.cy + self.r * math.sin(start)),
                svg_number(self.r), svg_number(self.r),
                svg_number(self.cx + self.r * math.cos(end)),
                svg_number(self.cy + self.r * math.sin(end))))
        return '<path d="%s" fill="%s"/>' % ("".join(paths), hex_colour(self.colour))


# A rotary encoder seen from above: knurled rim, cap, pointer up and to the
# right. Bottom shape first.
ENCODER_KNOB = [
    Circle(0.5, 0.5, 0.50, BLACK),
    Circle(0.5, 0.5, 0.47, GREY),
    # Twelve ridges round the rim.
    Wedges(0.5, 0.5, 0.47, 12, math.acos(-0.2) / 12, SILVER),
    Circle(0.5, 0.5, 0.36, BLACK),
    Circle(0.5, 0.5, 0.30, GREY),
    Segment(0.5, 0.5, 0.5 + 0.30 * math.cos(-math.pi / 3), 0.5 + 0.30 * math.sin(-math.pi / 3),
            0.05, YELLOW),
]

# A joystick on its base, with the board's analog axes as a cross.
JOYSTICK = [
    Rect(0.08, 0.66, 0.92, 0.92, BLACK),
    Rect(0.12, 0.70, 0.88, 0.88, NAVY),
    Rect(0.20, 0.76, 0.80, 0.82, AQUA),
    Rect(0.47, 0.70, 0.53, 0.88, AQUA),
    Rect(0.45, 0.30, 0.55, 0.70, BLACK),
    Circle(0.5, 0.22, 0.15, RED),
]


def colour_at(shapes, x, y):
    for shape in reversed(shapes):
        if shape.contains(x, y):
            return shape.colour
    return CLEAR


def ico_image(shapes, size):
    """BITMAPINFOHEADER, palette, 4-bit colour rows and 1-bit mask rows, bottom-up."""
    pixels = [[colour_at(shapes, (col + 0.5) / size, (row + 0.5) / size) for col in range(size)]
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


def ico(shapes):
    images = [ico_image(shapes, size) for size in (32, 16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def png(shapes, size):
    """RGBA, edges smoothed by averaging a grid of samples in each pixel."""
    grid = 4 if size <= 64 else 2
    rows = []
    for row in range(size):
        line = bytearray(b"\0")
        for col in range(size):
            r = g = b = covered = 0
            for sy in range(grid):
                for sx in range(grid):
                    value = colour_at(shapes, (col + (sx + 0.5) / grid) / size,
                                      (row + (sy + 0.5) / grid) / size)
                    if value is not CLEAR:
                        pr, pg, pb = PALETTE[value]
                        r, g, b, covered = r + pr, g + pg, b + pb, covered + 1
            if covered:
                line += bytes((r // covered, g // covered, b // covered,
                               255 * covered // (grid * grid)))
            else:
                line += bytes(4)
        rows.append(bytes(line))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def svg(shapes, title):
    body = "\n".join("  " + shape.svg() for shape in shapes)
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="{0}" height="{0}" '
            'viewBox="0 0 {0} {0}">\n  <title>{1}</title>\n{2}\n</svg>\n'
            ).format(SVG_SIZE, title, body).encode()

# A meter's screen: three bars of input levels and a row of button lamps,
# one of them lit.
INPUT_METER = [
    Rect(0.06, 0.10, 0.94, 0.90, BLACK),
    Rect(0.10, 0.14, 0.90, 0.86, NAVY),
    Rect(0.16, 0.20, 0.74, 0.30, LIME),
    Rect(0.16, 0.36, 0.50, 0.46, LIME),
    Rect(0.16, 0.52, 0.84, 0.62, YELLOW),
    Circle(0.24, 0.75, 0.07, RED),
    Circle(0.42, 0.75, 0.07, GREY),
    Circle(0.60, 0.75, 0.07, GREY),
    Circle(0.78, 0.75, 0.07, GREY),
]


def outputs():
    """Every file this script makes, as (path below packaging/, bytes)."""
    for program, shapes, title in (("encoders", ENCODER_KNOB, "TQ5271 rotary encoders"),
                                   ("config", JOYSTICK, "TQ5271 configuration"),
                                   ("monitor", INPUT_METER, "TQ5271 input monitor")):
        yield os.path.join("windows", program + ".ico"), ico(shapes)
        name = "tq5271-" + program
        for size in PNG_SIZES:
            yield (os.path.join("linux", "icons", "%dx%d" % (size, size), name + ".png"),
                   png(shapes, size))
        yield os.path.join("linux", "icons", "scalable", name + ".svg"), svg(shapes, title)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    check = "--check" in sys.argv[1:]
    stale = []
    for relative, data in outputs():
        path = os.path.join(here, relative)
        if check:
            try:
                with open(path, "rb") as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                stale.append(relative)
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    if stale:
        print("not what make_icons.py draws now: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
