#!/usr/bin/env python3
"""Draws the program's icon: one 64 x 64 image with a 256-colour palette (a play triangle on a disc)."""
import struct, sys

SIZE = 64
palette = [(0, 0, 0)] * 256
palette[1] = (40, 40, 48)      # disc
palette[2] = (255, 128, 0)     # triangle, the overlay's orange
palette[3] = (128, 255, 128)   # rim, the overlay's green

def colour(x, y):
    cx, cy = x - 31.5, y - 31.5
    r2 = cx * cx + cy * cy
    if r2 > 31.5 ** 2:
        return None
    if r2 > 28 ** 2:
        return 3
    if 22 <= x <= 46 and abs(cy) <= (x - 22) * 0.0 + (46 - x) * 0.6:
        return 2
    return 1

pixels = bytearray()
mask = bytearray()
for y in reversed(range(SIZE)):          # bitmaps are stored bottom-up
    bits = 0
    for x in range(SIZE):
        c = colour(x, y)
        pixels.append(c or 0)
        bits = (bits << 1) | (1 if c is None else 0)
    mask += bits.to_bytes(SIZE // 8, 'big')

header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 8, 0, len(pixels) + len(mask), 0, 0, 256, 0)
colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
image = header + colours + pixels + mask
directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 8, len(image), 22)
open(sys.argv[1], 'wb').write(directory + image)
