#!/usr/bin/python3
"""Draws the sample's ten cursors (assets/cursors/): arrow, magnifier, grabbing
hand, pointing hand, use (a hand with a cog), the four direction arrows and the
finger. Pillow only; the drawings are this project's own (CC0, see
assets/cursors/SOURCES.txt). Run again only to change them:

    apt-get install python3-pil
    /usr/bin/python3 sample/make_cursors.py

A cursor is drawn centred on the pointer, so the hot point of every picture is
its centre (32, 32): the arrow's tip, the fingertip and the lens's middle sit there.
"""

import math

from PIL import Image, ImageDraw, ImageFilter

from room_painter import out

S = 4  # drawn four times larger, then scaled down smoothly
SIZE = 64
INK = (34, 22, 14, 255)
GOLD = (244, 206, 110, 255)
GOLD_DARK = (176, 128, 48, 255)
SKIN = (250, 222, 186, 255)
SKIN_DARK = (206, 160, 120, 255)


def canvas():
    return Image.new("RGBA", (SIZE * S, SIZE * S), (0, 0, 0, 0))


def sc(points, dx=0, dy=0):
    return [((x + dx) * S, (y + dy) * S) for x, y in points]


def finish(img):
    """A soft shadow under the drawing, then down to 64 x 64."""
    shadow = Image.new("RGBA", img.size, (0, 0, 0, 0))
    shadow.putalpha(img.getchannel("A").point(lambda v: v * 110 // 255))
    shadow = shadow.filter(ImageFilter.GaussianBlur(2 * S))
    base = Image.new("RGBA", img.size, (0, 0, 0, 0))
    base.alpha_composite(shadow, (2 * S, 3 * S))
    base.alpha_composite(img)
    return base.resize((SIZE, SIZE), Image.LANCZOS)


def shape(img, points, fill, light=None, width=2.2):
    """An outlined shape, lit along its upper edge."""
    dr = ImageDraw.Draw(img)
    dr.polygon(sc(points), fill=fill)
    if light:
        top = sorted(points, key=lambda p: p[1])[:max(2, len(points) // 2)]
        dr.line(sc(sorted(top)), fill=light, width=int(1.2 * S))
    dr.line(sc(points + points[:1]), fill=INK, width=int(width * S), joint="curve")


ARROW = [(32, 32), (32, 56), (38, 50.5), (42.5, 60), (47, 58), (42.5, 48.5), (50, 48.5)]


def arrow():
    img = canvas()
    shape(img, ARROW, GOLD, (255, 244, 200, 255))
    ImageDraw.Draw(img).polygon(sc([(34.5, 38), (34.5, 51), (39, 46.5), (44, 46.5)]), fill=(255, 232, 160, 255))
    return img


def magnifier():
    img = canvas()
    dr = ImageDraw.Draw(img)
    cx, cy, r = 32, 32, 11
    dr.line(sc([(cx + 8, cy + 8), (cx + 20, cy + 20)]), fill=INK, width=9 * S)
    dr.line(sc([(cx + 9, cy + 9), (cx + 19, cy + 19)]), fill=(120, 70, 36, 255), width=5 * S)
    dr.ellipse(sc([(cx - r - 3, cy - r - 3), (cx + r + 3, cy + r + 3)]), fill=INK)
    dr.ellipse(sc([(cx - r - 1.5, cy - r - 1.5), (cx + r + 1.5, cy + r + 1.5)]), fill=GOLD)
    dr.ellipse(sc([(cx - r + 1, cy - r + 1), (cx + r - 1, cy + r - 1)]), fill=(190, 226, 240, 200))
    dr.arc(sc([(cx - r + 4, cy - r + 4), (cx + r - 4, cy + r - 4)]), 200, 260, fill=(255, 255, 255, 255),
           width=2 * S)
    return img


def hand(pointing=True, cog=False):
    """A gloved hand: one finger up (pointing), or all four curled to take."""
    img = canvas()
    dr = ImageDraw.Draw(img)
    tip = (32, 32)
    palm = [(27, 44), (45, 44), (46, 56), (42, 62), (30, 62), (25, 54), (21, 47), (23, 44)]
    fingers = []
    if pointing:
        fingers.append([(tip[0] - 3, tip[1] + 1), (tip[0] - 3, 46), (tip[0] + 3, 46), (tip[0] + 3, tip[1] + 1)])
        for x, top in ((35.5, 40), (39.5, 41), (43.5, 43)):
            fingers.append([(x - 2, top), (x - 2, 47), (x + 2, 47), (x + 2, top)])
    else:
        for x, top in ((29, 34), (33, 33), (37, 33.5), (41, 35)):
            fingers.append([(x - 2, top), (x - 2, 46), (x + 2, 46), (x + 2, top)])
    for f in fingers:
        x0, y0 = f[0][0], f[0][1]
        x1, y1 = f[2][0], f[2][1]
        dr.rounded_rectangle(sc([(x0 - 1.2, y0 - 1.2), (x1 + 1.2, y1 + 1.2)]), radius=3 * S, fill=INK)
        dr.rounded_rectangle(sc([(x0, y0), (x1, y1)]), radius=2 * S, fill=SKIN)
    shape(img, palm, SKIN, (255, 240, 220, 255))
    dr = ImageDraw.Draw(img)
    dr.line(sc([(22, 47), (25, 44), (28, 45)]), fill=SKIN_DARK, width=S)
    dr.rectangle(sc([(29, 58), (43, 63)]), fill=GOLD_DARK, outline=INK, width=S)  # cuff
    if cog:
        cx, cy = 49, 30
        teeth = []
        for i in range(16):
            r = 9 if i % 2 == 0 else 6.5
            a = i * math.pi / 8
            teeth.append((cx + r * math.cos(a), cy + r * math.sin(a)))
        shape(img, teeth, GOLD, width=1.6)
        ImageDraw.Draw(img).ellipse(sc([(cx - 2.5, cy - 2.5), (cx + 2.5, cy + 2.5)]), fill=INK)
    return img


def direction(turns):
    """A fat arrow pointing up, turned by quarter turns clockwise; its tip at the centre."""
    up = [(32, 32), (45, 45), (37, 45), (37, 58), (27, 58), (27, 45), (19, 45)]
    points = up
    for _ in range(turns):
        points = [(64 - y, x) for x, y in points]
    img = canvas()
    shape(img, points, GOLD)
    return img


def main():
    forms = {
        "cursor": arrow(),
        "cursor_magglass": magnifier(),
        "cursor_get": hand(pointing=False),
        "cursor_hand": hand(),
        "cursor_use": hand(cog=True),
        "cursor_up": direction(0),
        "cursor_right": direction(1),
        "cursor_down": direction(2),
        "cursor_left": direction(3),
        "cursor_finger": hand(),
    }
    for name, img in forms.items():
        finish(img).save(out("cursors/%s.png" % name), optimize=True)


if __name__ == "__main__":
    main()
