#!/usr/bin/env python3
# A 24-bit BMP file (as the Wine checks photograph windows) as a PNG file:
#   bmp-to-png.py IN.bmp OUT.png
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
offset = struct.unpack_from("<I", data, 10)[0]
width, height = struct.unpack_from("<ii", data, 18)
stride = (width * 3 + 3) & ~3
rows = []
for y in range(height):
    line = data[offset + (height - 1 - y) * stride:][:3 * width]
    rgb = bytearray(3 * width)
    rgb[0::3], rgb[1::3], rgb[2::3] = line[2::3], line[1::3], line[0::3]
    rows.append(b"\0" + bytes(rgb))
def chunk(kind, body):
    return (struct.pack(">I", len(body)) + kind + body
            + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
with open(sys.argv[2], "wb") as out:
    out.write(b"\x89PNG\r\n\x1a\n"
              + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
              + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))
