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

# The flat colours the whole-game tests look for in screenshots.
ROOM1_WALL = (40, 60, 120)
ROOM1_FLOOR = (30, 40, 80)
ROOM2_WALL = (50, 110, 60)
ROOM2_FLOOR = (35, 80, 40)
SUB_FILL = (110, 60, 130)
SUB_BORDER = (200, 180, 220)


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


# ---- rooms -------------------------------------------------------------------

def room_background(wall, floor, relative):
    # 1366 wide so that wide screen shows no bars; the design space is the middle 1024.
    img = Image(1366, 768, (*wall, 255))
    img.rect(0, 560, 1366, 768, floor)
    img.save(relative)


def door():
    img = Image(160, 300, (70, 45, 20, 255))
    img.rect(10, 10, 150, 300, (140, 90, 40))
    img.disc(128, 160, 9, 0, (230, 200, 90))
    img.save("rooms/room1/door.png")


def back_arrow():
    img = Image(120, 120)
    img.polygon([(10, 60), (60, 10), (60, 40), (110, 40), (110, 80), (60, 80), (60, 110)], (240, 210, 60))
    img.save("rooms/room2/back.png")


def chest():
    img = Image(200, 140, (90, 55, 20, 255))
    img.rect(6, 6, 194, 134, (170, 110, 50))
    img.rect(6, 50, 194, 58, (90, 55, 20))
    img.rect(88, 44, 112, 72, (230, 200, 90))
    img.save("rooms/room2/chest.png")


def subroom():
    img = Image(640, 480, (*SUB_BORDER, 255))
    img.rect(12, 12, 628, 468, SUB_FILL)
    img.save("rooms/sub_chest/bg.png")


def gem():
    img = Image(96, 96)
    img.polygon([(48, 4), (92, 48), (48, 92), (4, 48)], (60, 220, 230))
    img.polygon([(48, 20), (76, 48), (48, 76), (20, 48)], (170, 250, 255))
    img.save("rooms/sub_chest/gem.png")


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


# ---- cursors -----------------------------------------------------------------
# A cursor is drawn centred on the pointer, so the hot point of every image is
# its centre (32, 32).

OUTLINE = (0, 0, 0)
WHITE = (255, 255, 255)


def outlined_polygon(img, points, fill):
    cx = sum(p[0] for p in points) / len(points)
    cy = sum(p[1] for p in points) / len(points)
    grown = [(x + (x - cx) * 0.18 + (1 if x >= cx else -1), y + (y - cy) * 0.18 + (1 if y >= cy else -1))
             for x, y in points]
    img.polygon(grown, OUTLINE)
    img.polygon(points, fill)


def arrow_cursor(mark=None):
    img = Image(64, 64)
    outlined_polygon(img, [(32, 32), (32, 56), (38, 50), (43, 60), (47, 58), (42, 48), (50, 48)], WHITE)
    if mark:
        img.disc(52, 38, 6, 0, OUTLINE)
        img.disc(52, 38, 4.5, 0, mark)
    return img


def magglass_cursor():
    img = Image(64, 64)
    img.disc(32, 32, 13, 8, OUTLINE)
    img.disc(32, 32, 11.5, 9.5, WHITE)
    img.polygon([(40, 42), (43, 39), (56, 52), (53, 55)], OUTLINE)
    return img


def hand_cursor(fingers):
    img = Image(64, 64)
    img.rect(22, 34, 44, 54, OUTLINE)
    img.rect(24, 36, 42, 52, WHITE)
    for i in range(fingers):
        x = 24 + i * 5 if fingers > 1 else 30
        img.rect(x - 1, 17, x + 5, 36, OUTLINE)
        img.rect(x, 18, x + 4, 36, WHITE)
    return img


def direction_cursor(direction):
    img = Image(64, 64)
    up = [(32, 14), (48, 32), (38, 32), (38, 50), (26, 50), (26, 32), (16, 32)]
    turns = {"up": 0, "right": 1, "down": 2, "left": 3}[direction]
    points = up
    for _ in range(turns):
        points = [(64 - y, x) for x, y in points]
    outlined_polygon(img, points, WHITE)
    return img


def cursors():
    forms = {
        "cursor": arrow_cursor(),
        "cursor_magglass": magglass_cursor(),
        "cursor_get": arrow_cursor(mark=(80, 200, 80)),
        "cursor_hand": hand_cursor(4),
        "cursor_use": arrow_cursor(mark=(240, 150, 40)),
        "cursor_down": direction_cursor("down"),
        "cursor_up": direction_cursor("up"),
        "cursor_left": direction_cursor("left"),
        "cursor_right": direction_cursor("right"),
        "cursor_finger": hand_cursor(1),
    }
    for name, img in forms.items():
        img.save("cursors/%s.png" % name)


def main():
    room_background(ROOM1_WALL, ROOM1_FLOOR, "rooms/room1/bg.png")
    room_background(ROOM2_WALL, ROOM2_FLOOR, "rooms/room2/bg.png")
    door()
    back_arrow()
    chest()
    subroom()
    gem()
    paused_label()
    black()
    cursors()


if __name__ == "__main__":
    main()
