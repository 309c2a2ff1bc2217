#!/usr/bin/python3
"""Paints the sample's hidden-object room (the attic): the room with its
clutter, the twelve objects to find, the pieces of clutter drawn over them, the
key and the lock box it opens, the door that leads there, and the attic's
sounds. The task panel and inventory bar are make_hud_assets.py's.

Sources, all freely licensed Debian packages (see assets/rooms/ho_room/LICENSE.txt):
public-domain clip art from openclipart-svg rendered with rsvg-convert, the
Noto Color Emoji font (fonts-noto-color-emoji) drawn with Pillow (python3-pil),
and sox for the short sounds. Only needed to change the committed files:

    apt-get install openclipart-svg librsvg2-bin fonts-noto-color-emoji python3-pil sox
    /usr/bin/python3 sample/make_ho_assets.py

It prints where each object stands, for ho_room.xml and the whole-game tests.
"""

import os
import random
import subprocess

from PIL import Image, ImageDraw, ImageFilter

import room_painter as rp
from room_painter import d, emoji, out, svg  # noqa: F401 (the other scripts import them from here)

LIGHT = (255, 214, 160)  # the attic's warm lantern light

# Findable objects: name, emoji, centre in design units, size, angle (radians),
# tint (the colour multipliers of the sprite, toward the attic's light).
FINDABLES = [
    ("apple", "\U0001F34E", (818, 452), 40, 0.3, (1, 0.9, 0.8)),
    ("candle", "\U0001F56F", (62, 300), 44, 0.0, (1, 1, 1)),
    ("books", "\U0001F4DA", (372, 560), 50, -0.25, (0.95, 0.85, 0.75)),
    ("umbrella", "\u2602", (228, 462), 58, 0.35, (0.85, 0.8, 0.75)),
    ("tophat", "\U0001F3A9", (318, 372), 46, -0.2, (1, 1, 1)),
    ("shell", "\U0001F41A", (590, 436), 34, 0.9, (1, 0.92, 0.82)),
    ("feather", "\U0001FAB6", (452, 300), 42, 1.1, (1, 1, 1)),
    ("hourglass", "\u231B", (950, 438), 40, 0.0, (0.95, 0.85, 0.7)),
    ("bell", "\U0001F514", (150, 404), 38, -0.4, (0.9, 0.85, 0.8)),
    ("violin", "\U0001F3BB", (128, 584), 64, 0.6, (0.9, 0.82, 0.75)),
    ("butterfly", "\U0001F98B", (676, 360), 34, -0.3, (1, 0.95, 0.85)),
    ("teapot", "\U0001FAD6", (700, 598), 44, 0.0, (0.9, 0.85, 0.8)),
]
KEY = ("key", "\U0001F511", (890, 600), 44, 0.5, (1, 1, 1))
# Clutter drawn over the findables (sprites above them, taking no clicks):
# name, emoji, centre, size, angle.
COVERS = [
    ("cover_pear", "\U0001F350", (846, 466), 40, -0.2),
    ("cover_box", "\U0001F4E6", (408, 566), 62, 0.0),
    ("cover_scarf", "\U0001F9E3", (296, 384), 44, 0.3),
    ("cover_basket", "\U0001F9FA", (168, 612), 64, 0.0),
    ("cover_chair", "\U0001FA91", (742, 566), 96, 0.0),
    ("cover_book", "\U0001F4D5", (86, 316), 36, 0.1),
    ("cover_yarn", "\U0001F9F6", (930, 458), 34, 0.0),
]
# Clutter painted into the room: emoji, centre (design units), size, angle in degrees.
CLUTTER = [
    ("\U0001F9F8", (46, 400), 60, 0), ("\U0001F3FA", (100, 400), 52, 0), ("\U0001F570", (150, 300), 48, 0),
    ("\U0001F52D", (40, 508), 60, 0), ("\U0001FA86", (100, 504), 44, 0), ("\U0001F4DC", (150, 510), 48, 20),
    ("\U0001F381", (300, 452), 56, 0), ("\U0001F4E6", (350, 458), 74, 0), ("\U0001F4E6", (326, 400), 60, -4),
    ("\U0001F5BC", (660, 380), 96, 6), ("\U0001FA9E", (722, 400), 70, -8), ("\U0001F3EE", (0, 0), 0, 0),
    ("\U0001F347", (796, 458), 40, 0), ("\U0001F376", (870, 446), 44, 0), ("\U0001F56F", (0, 0), 0, 0),
    ("\u2615", (900, 462), 34, 0), ("\U0001F9ED", (980, 460), 36, 0), ("\U0001F3BA", (530, 440), 50, -12),
    ("\U0001F941", (270, 590), 60, 0), ("\U0001FA81", (580, 300), 70, 30), ("\U0001F9E9", (480, 610), 34, 25),
    ("\U0001F3B2", (520, 620), 26, 0), ("\u265F", (548, 614), 28, 0), ("\U0001F462", (620, 600), 50, -10),
    ("\U0001F452", (470, 430), 50, 10), ("\U0001F380", (410, 420), 36, 0), ("\U0001F9F5", (960, 600), 36, 0),
    ("\U0001F4EF", (820, 600), 46, 15), ("\U0001FA98", (560, 470), 0, 0), ("\U0001F3A8", (200, 300), 40, -10),
    ("\U0001F36F", (30, 300), 38, 0), ("\U0001FAD9", (190, 404), 36, 0), ("\U0001FA94", (40, 612), 0, 0),
    ("\u23F0", (990, 600), 40, 0), ("\U0001FA97", (860, 530), 0, 0), ("\U0001F9E6", (580, 560), 0, 0),
    ("\U0001FAB5", (640, 630), 0, 0), ("\U0001F3F5", (930, 380), 0, 0),
]


def save(image, path):
    image.save(out(path + ".png"), optimize=True)


def paste_centred(base, image, centre):
    base.alpha_composite(image, (int(centre[0] - image.width / 2), int(centre[1] - image.height / 2)))


def object_picture(char, size, tint=(1, 1, 1)):
    """An emoji made to sit in the painting: light from above, the attic's tint, soft strokes."""
    img = rp.shaded(emoji(char, size), 1.08, 0.8)
    return rp.sprite_painted(img, 3)


def attic():
    room = rp.Room((d(262)[0], 170, d(762)[0], 452), (683, 330))
    img = room.image
    boards = (150, 104, 66)
    rp.quad_paste(img, rp.planks((600, 320), boards, 40, 1, vertical=True), room.back_wall())
    rp.quad_paste(img, rp.planks((900, 500), boards, 44, 2, vertical=True), room.left_wall())
    rp.quad_paste(img, rp.planks((900, 500), boards, 44, 3, vertical=True), room.right_wall())
    rp.quad_paste(img, rp.planks((900, 1400), (126, 86, 54), 52, 4, vertical=True), room.floor())
    rp.quad_paste(img, rp.planks((1000, 400), (110, 74, 46), 40, 5), room.ceiling())
    room.edges(14, 130)
    dr = ImageDraw.Draw(img, "RGBA")
    # Rafters: the roof comes down on both sides.
    for side in (1, -1):
        cx = 683
        top = (cx + side * 60, -10)
        dr.polygon([top, (cx + side * 100, -10), (cx + side * 760, 420), (cx + side * 720, 440)], fill=(70, 44, 26, 255))
        dr.line([(cx + side * 100, -10), (cx + side * 760, 420)], fill=(120, 84, 50, 255), width=4)
    # The round window and its beam of evening light.
    wx, wy = d(512, 262)
    dr.ellipse((wx - 62, wy - 62, wx + 62, wy + 62), fill=(80, 52, 30, 255))
    dr.ellipse((wx - 50, wy - 50, wx + 50, wy + 50), fill=(250, 196, 120, 255))
    dr.line((wx - 50, wy, wx + 50, wy), fill=(80, 52, 30, 255), width=6)
    dr.line((wx, wy - 50, wx, wy + 50), fill=(80, 52, 30, 255), width=6)
    shelf_unit(img)
    table(img)
    from make_rooms import chest_picture
    rp.place(img, rp.tinted(rp.fit(chest_picture(), 180), (150, 90, 70), 0.5), d(560, 486), lean=0.3)
    rug = Image.new("RGB", (500, 300), (80, 60, 90))
    rd = ImageDraw.Draw(rug)
    rd.rectangle((16, 16, 484, 284), outline=(170, 140, 90), width=12)
    rp.quad_paste(img, rp.shade(rug, rp.noise(rug.size, 3, 9, 40), 0.2),
                  [room.floor_point(d(360)[0], 0.3), room.floor_point(d(660)[0], 0.3),
                   room.floor_point(d(660)[0], 0.9), room.floor_point(d(360)[0], 0.9)])
    lantern = rp.svg("tools/hurricane_lamp_ganson.svg", 60)
    dr = ImageDraw.Draw(img, "RGBA")
    lx, ly = d(420, 100)
    dr.line((lx, 0, lx, ly - 30), fill=(40, 30, 20, 255), width=3)
    rp.hang(img, rp.tinted(lantern, (230, 200, 150), 0.3), (lx, ly))
    light = rp.light_map([(lx, ly + 60, 420, (110, 80, 40)), (wx, wy + 140, 300, (90, 60, 30)),
                          (d(200)[0], 520, 260, (40, 30, 20))], (120, 104, 96))
    rp.apply_light(img, light)
    img = rp.painted(img).convert("RGBA")
    # The clutter keeps its colours: painted after the room, lit by the same light.
    for char, centre, size, angle in hung():
        item = rp.tinted(object_picture(char, size).rotate(angle, expand=True, resample=Image.BICUBIC), LIGHT, 0.35)
        rp.hang(img, item, d(*centre), drop=(5, 6))
    for char, centre, size, angle in sorted(CLUTTER + piles(), key=lambda c: c[1][1]):
        if size:
            item = object_picture(char, size).rotate(angle, expand=True, resample=Image.BICUBIC)
            item = rp.tinted(item, LIGHT, 0.3)
            foot = d(centre[0], centre[1] + item.height / 2)
            rp.place(img, item, foot, light=None, lean=0.35)
    rp.apply_light(img, rp.light_map([(lx, ly + 60, 520, (60, 40, 20))], (200, 190, 184)))
    rp.glow(img, lx, ly + 10, 40, (255, 200, 120), 0.8)
    beam = Image.new("L", (rp.W, rp.H), 0)
    ImageDraw.Draw(beam).polygon([(wx - 40, wy - 30), (wx + 40, wy - 30), (wx + 170, 640), (wx - 60, 660)], fill=40)
    beam = beam.filter(ImageFilter.GaussianBlur(18))
    rp.glow_mask(img, beam, (255, 220, 170))
    rp.vignette(img, 160)
    return img.convert("RGB").filter(ImageFilter.SMOOTH)


PILE_CHARS = ("\U0001F9F8 \U0001F381 \U0001F4E6 \U0001F3FA \U0001F570 \U0001F9FA \U0001FA86 \U0001F9F6 "
              "\U0001F3BA \U0001F941 \U0001FA95 \U0001F3A8 \U0001F5BC \U0001F350 \U0001F347 \u2615 \U0001F376 "
              "\U0001FA9E \U0001FAB4 \U0001F4DC \U0001F4D5 \U0001F9ED \U0001F3EE \U0001F9E4 \U0001F462 \U0001F452 "
              "\U0001F380 \U0001FA80 \U0001F3B2 \u265F \U0001F9E9 \U0001F9E3 \U0001F97E \U0001F9F5 \U0001F4EF "
              "\U0001FA98 \U0001F3B7 \U0001FAB5 \U0001F3F5 \U0001F9E6 \U0001F36F \U0001FAD9 \U0001FA94 \u23F0 "
              "\U0001F4FB \U0001FA97").split()
# Where piles lie: resting line y, from x, to x, sizes (design units).
SURFACES = [(340, 18, 182, (26, 40)), (440, 18, 182, (26, 40)), (540, 18, 182, (26, 42)),
            (472, 772, 990, (24, 38)), (492, 270, 470, (34, 60)), (500, 640, 770, (34, 56)),
            (628, 200, 1010, (30, 56)), (580, 230, 1000, (28, 48)), (470, 620, 770, (30, 50)),
            (540, 780, 1010, (30, 50)), (600, -150, 10, (40, 70)), (600, 1010, 1190, (40, 70))]
# Walls where odds and ends hang: from x, to x, from y, to y, count.
WALLS = [(236, 440, 190, 340, 7), (580, 790, 190, 330, 6), (800, 1010, 200, 420, 8), (-160, 0, 200, 520, 8),
         (1030, 1190, 200, 520, 8)]
HUNG_CHARS = ("\U0001F5BC \U0001FA9E \U0001F570 \U0001FA81 \U0001F452 \U0001F9E3 \U0001F3EE \U0001F4DC "
              "\U0001F3A8 \U0001F9E4 \U0001F380 \U0001F4EF \U0001FA97 \U0001F3BA \U0001FA95 \U0001F9ED").split()


def hung(seed=23):
    rng = random.Random(seed)
    items = []
    for x0, x1, y0, y1, count in WALLS:
        for i in range(count):
            x = x0 + (x1 - x0) * (i + rng.random()) / count
            items.append((rng.choice(HUNG_CHARS), (x, rng.uniform(y0, y1)), rng.randint(34, 64), rng.randint(-25, 25)))
    return items


def piles(count_per_surface=13, seed=17):
    rng = random.Random(seed)
    items = []
    for y, x0, x1, (s0, s1) in SURFACES:
        for i in range(count_per_surface):
            size = rng.randint(s0, s1)
            x = x0 + (x1 - x0) * (i + rng.random()) / count_per_surface
            items.append((rng.choice(PILE_CHARS), (x, y - size / 2), size, rng.randint(-20, 20)))
    return items


def shelf_unit(img):
    """A tall open shelf on the left, full of odds and ends."""
    w, h = 200, 380
    unit = rp.planks((w, h), (96, 62, 38), 30, 11, vertical=True).convert("RGBA")
    dr = ImageDraw.Draw(unit, "RGBA")
    dr.rectangle((10, 10, w - 10, h - 10), fill=(44, 30, 20, 255))
    for y in (110, 210, 310):
        dr.rectangle((4, y, w - 4, y + 12), fill=(130, 90, 56, 255))
        dr.line((4, y + 12, w - 4, y + 12), fill=(30, 20, 12, 255), width=3)
    rp.place(img, rp.shaded(unit, 1.05, 0.8), d(100, 610), lean=0.3)


def table(img):
    w = 240
    tab = Image.new("RGBA", (w, 140), (0, 0, 0, 0))
    dr = ImageDraw.Draw(tab)
    dr.rectangle((14, 20, 28, 140), fill=(70, 46, 28, 255))
    dr.rectangle((w - 28, 20, w - 14, 140), fill=(70, 46, 28, 255))
    top = rp.planks((w, 22), (140, 96, 60), 22, 12).convert("RGBA")
    tab.alpha_composite(top, (0, 0))
    dr.rectangle((10, 22, w - 10, 40), fill=(90, 60, 36, 255))
    rp.place(img, rp.shaded(tab), d(880, 612), lean=-0.3)


def ho_sounds():
    folder = out("sounds/x")[:-1]
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", os.path.join(folder, "ho_find.ogg"), "synth", "0.18",
                    "sine", "880-1320", "fade", "0", "0.18", "0.12", "vol", "0.5"], check=True)
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", os.path.join(folder, "ho_pickup.ogg"), "synth", "0.3",
                    "pluck", "C5", "fade", "0", "0.3", "0.2", "vol", "0.6"], check=True)
    # A misclick: a short dull knock.
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", os.path.join(folder, "ho_miss.ogg"), "synth", "0.12",
                    "brownnoise", "lowpass", "600", "fade", "0", "0.12", "0.1", "vol", "0.5"], check=True)


def main():
    rp.save_jpg(attic(), "rooms/ho_room/bg", 86)
    for name, char, centre, size, angle, tint in FINDABLES + [KEY]:
        save(object_picture(char, size), "rooms/ho_room/" + name)
    for name, char, centre, size, angle in COVERS:
        save(object_picture(char, size), "rooms/ho_room/" + name)
    ho_sounds()
    for name, _, centre, _, angle, tint in FINDABLES + [KEY]:
        print(name, centre[0], centre[1], "ang=%.2f" % angle, "tint=%s" % (tint,))


if __name__ == "__main__":
    main()
