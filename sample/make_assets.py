#!/usr/bin/env python3
"""Draws the sample game's images: room backgrounds, room objects, the subroom,
the interface pictures the level needs and the eleven cursors.

Everything is drawn here from plain shapes and written as PNG with zlib, so the
images need nothing but Python. Run from anywhere: python3 sample/make_assets.py
"""

import os
import struct
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "assets")

class Image:
    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = [list(fill) for _ in range(width * height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = list(colour if len(colour) == 4 else (*colour, 255))

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.put(x, y, colour)

    def polygon(self, points, colour):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        for y in range(max(0, int(min(ys))), min(self.height, int(max(ys)) + 1)):
            for x in range(max(0, int(min(xs))), min(self.width, int(max(xs)) + 1)):
                if inside(points, x + 0.5, y + 0.5):
                    self.put(x, y, colour)

    def disc(self, cx, cy, r_outer, r_inner, colour):
        for y in range(int(cy - r_outer) - 1, int(cy + r_outer) + 2):
            for x in range(int(cx - r_outer) - 1, int(cx + r_outer) + 2):
                d = ((x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2) ** 0.5
                if r_inner <= d <= r_outer:
                    self.put(x, y, colour)

    def save(self, relative):
        path = os.path.join(ROOT, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        rows = bytearray()
        for y in range(self.height):
            rows.append(0)
            for x in range(self.width):
                rows.extend(self.pixels[y * self.width + x])
        with open(path, "wb") as f:
            f.write(png_bytes(self.width, self.height, bytes(rows)))


def inside(points, x, y):
    result = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_bytes(width, height, rows):
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) +
            chunk(b"IEND", b""))


# ---- interface ---------------------------------------------------------------

GLYPHS = {
    "P": ["1110", "1001", "1001", "1110", "1000", "1000", "1000"],
    "A": ["0110", "1001", "1001", "1111", "1001", "1001", "1001"],
    "U": ["1001", "1001", "1001", "1001", "1001", "1001", "0110"],
    "S": ["0111", "1000", "1000", "0110", "0001", "0001", "1110"],
    "E": ["1111", "1000", "1000", "1110", "1000", "1000", "1111"],
    "D": ["1110", "1001", "1001", "1001", "1001", "1001", "1110"],
}


def paused_label():
    img = Image(256, 64)
    cell = 6
    x = 10
    for letter in "PAUSED":
        for row, bits in enumerate(GLYPHS[letter]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    img.rect(x + col * cell, 11 + row * cell, x + (col + 1) * cell, 11 + (row + 1) * cell,
                             (255, 255, 255))
        x += 5 * cell - 1
    img.save("interface/main/paused.png")


def black():
    Image(2, 2, (0, 0, 0, 255)).save("interface/main/black.png")


def main():
    paused_label()
    black()
    # The rooms and cursors need Pillow and the clip art (see their scripts).
    import make_cursors
    import make_rooms
    make_rooms.main()
    make_cursors.main()


if __name__ == "__main__":
    main()
