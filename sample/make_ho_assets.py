#!/usr/bin/python3
"""Paints the sample's hidden-object room (the attic): the room heaped with
clutter, the twelve objects to find, the pieces of clutter drawn over them, the
key and the lock box it opens, the door that leads there, a misclick's mark and
the attic's sounds. Each object is drawn turned and sized as it lies, lit and
tinted by the room's own light at its place, some faded into the boards behind
them, with a rim too faint to see that still takes a click just beside it. The
task panel and inventory bar are make_hud_assets.py's.

Sources, all freely licensed Debian packages (see assets/rooms/ho_room/LICENSE.txt):
public-domain clip art from openclipart-svg rendered with rsvg-convert, the
Noto Color Emoji font (fonts-noto-color-emoji) drawn with Pillow (python3-pil),
and sox for the short sounds (--no-sound leaves them as they are). Only needed
to change the committed files:

    apt-get install openclipart-svg librsvg2-bin fonts-noto-color-emoji python3-pil sox
    /usr/bin/python3 sample/make_ho_assets.py

It prints where each object stands and a point of it clear of the covers, for
ho_room.xml and the whole-game tests (HO_FINDS in tests/game/check_game.py).
"""

import math
import os
import random
import subprocess
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter

import room_painter as rp
from room_painter import d, emoji, out, svg  # noqa: F401 (the other scripts import them from here)

LIGHT = (255, 214, 160)  # the attic's warm lantern light

# Findable objects: name, emoji, centre in design units, size, angle (radians),
# blend (0: drawn like the clutter round it; up to 1: faded further into the
# painting, its colours dulled toward the boards behind it). Each is lit by the
# room's own light where it lies, turned, and put among things of its colours.
FINDABLES = [
    ("apple", "\U0001F34E", (806, 452), 30, 0.5, 0.1),
    ("candle", "\U0001F56F", (66, 292), 36, -0.35, 0.2),
    ("books", "\U0001F4DA", (384, 574), 44, 0.3, 0.15),
    ("umbrella", "\u2602", (214, 470), 70, 1.75, 0.35),
    ("tophat", "\U0001F3A9", (40, 500), 38, -0.55, 0.45),
    ("shell", "\U0001F41A", (912, 478), 30, 2.4, 0.2),
    ("feather", "\U0001FAB6", (480, 214), 54, 1.25, 0.6),
    ("hourglass", "\u231B", (996, 380), 34, 0.35, 0.25),
    ("bell", "\U0001F514", (546, 446), 30, -0.5, 0.2),
    ("violin", "\U0001F3BB", (262, 330), 74, -0.85, 0.5),
    ("butterfly", "\U0001F98B", (704, 384), 24, 0.6, 0.15),
    ("teapot", "\U0001FAD6", (736, 604), 40, 0.15, 0.2),
]
KEY = ("key", "\U0001F511", (890, 600), 44, 0.0, 0.0)
# Clutter drawn over the findables (sprites above them, taking no clicks), each
# covering a part of one: name, emoji, centre, size, angle (radians).
COVERS = [
    ("cover_pear", "\U0001F350", (824, 468), 30, -0.2),
    ("cover_book", "\U0001F4D5", (86, 308), 32, 0.1),
    ("cover_box", "\U0001F4E6", (414, 580), 56, 0.0),
    ("cover_basket", "\U0001F9FA", (178, 492), 56, 0.0),
    ("cover_scarf", "\U0001F9E3", (250, 470), 44, 0.5),
    ("cover_boot", "\U0001F462", (24, 516), 40, -0.3),
    ("cover_cup", "\u2615", (936, 492), 30, 0.0),
    ("cover_clock", "\U0001F570", (1014, 396), 34, 0.0),
    ("cover_horn", "\U0001F3BA", (566, 460), 40, -0.4),
    ("cover_frame", "\U0001F5BC", (286, 362), 54, 0.1),
    ("cover_kite", "\U0001FA81", (720, 398), 36, 0.3),
    ("cover_yarn", "\U0001F9F6", (756, 616), 30, 0.0),
    ("cover_chair", "\U0001FA91", (700, 590), 70, 0.0),
    ("cover_lantern", "\U0001F3EE", (500, 232), 30, 0.2),
]
# Clutter painted into the room: emoji, centre (design units), size, angle in degrees.
CLUTTER = [
    ("\U0001F9F8", (46, 400), 60, 0), ("\U0001F3FA", (100, 400), 52, 0), ("\U0001F570", (150, 300), 48, 0),
    ("\U0001F52D", (40, 508), 60, 0), ("\U0001FA86", (100, 504), 44, 0), ("\U0001F4DC", (150, 510), 48, 20),
    ("\U0001F381", (300, 452), 56, 0), ("\U0001F4E6", (350, 458), 74, 0), ("\U0001F4E6", (326, 400), 60, -4),
    ("\U0001F5BC", (660, 380), 96, 6), ("\U0001FA9E", (722, 400), 70, -8),
    ("\U0001F347", (796, 458), 40, 0), ("\U0001F376", (870, 446), 44, 0), ("\U0001F345", (786, 470), 30, 0),
    ("\u2615", (900, 462), 34, 0), ("\U0001F9ED", (980, 460), 36, 0), ("\U0001F3BA", (530, 440), 50, -12),
    ("\U0001F941", (270, 590), 60, 0), ("\U0001FA81", (580, 300), 70, 30), ("\U0001F9E9", (480, 610), 34, 25),
    ("\U0001F3B2", (520, 620), 26, 0), ("\u265F", (548, 614), 28, 0), ("\U0001F462", (620, 600), 50, -10),
    ("\U0001F452", (470, 430), 50, 10), ("\U0001F380", (410, 420), 36, 0), ("\U0001F9F5", (960, 600), 36, 0),
    ("\U0001F4EF", (820, 600), 46, 15), ("\U0001F3A8", (200, 300), 40, -10), ("\U0001F4D9", (350, 566), 40, 8),
    ("\U0001F36F", (30, 300), 38, 0), ("\U0001FAD9", (190, 404), 36, 0), ("\U0001F4D8", (402, 556), 34, -6),
    ("\u23F0", (990, 600), 40, 0), ("\U0001F95B", (868, 480), 30, 0),
    ("\U0001F570", (1040, 360), 40, 0), ("\u231A", (960, 368), 30, 0),
    ("\U0001F342", (452, 236), 30, 40), ("\U0001FAB5", (520, 200), 50, 80),
    ("\U0001FA95", (228, 350), 56, -30),
]
def save(image, path):
    image.save(out(path + ".png"), optimize=True)


def object_picture(char, size):
    """An emoji made to sit in the painting: light from above, soft strokes."""
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
    lx, ly = LANTERN
    dr.line((lx, 0, lx, ly - 30), fill=(40, 30, 20, 255), width=3)
    rp.hang(img, rp.tinted(lantern, (230, 200, 150), 0.3), (lx, ly))
    light = rp.light_map([(lx, ly + 60, 420, (110, 80, 40)), (wx, wy + 140, 300, (90, 60, 30)),
                          (d(200)[0], 520, 260, (40, 30, 20))], (120, 104, 96))
    rp.apply_light(img, light)
    img = rp.painted(img).convert("RGBA")
    # The clutter, dulled a little and tinted by the lantern, is painted after the room
    # and lit by the same light as the objects drawn over it.
    for char, centre, size, angle in hung():
        item = clutter_picture(char, size, angle, 0.35)
        rp.hang(img, item, d(*centre), drop=(5, 6))
    for char, centre, size, angle in sorted(CLUTTER + piles(), key=lambda c: c[1][1]):
        if size:
            item = clutter_picture(char, size, angle, 0.3)
            foot = d(centre[0], centre[1] + item.height / 2)
            rp.place(img, item, foot, light=None, lean=0.35)
    return finish(img).filter(ImageFilter.SMOOTH)


LANTERN = d(420, 100)
WINDOW = d(512, 262)
MUTE = 0.72  # the saturation left to the clutter and the objects


def finish(img):
    """The room's last light: the lantern's pool, its glow, the window's beam, the vignette."""
    img = img.convert("RGBA")
    lx, ly = LANTERN
    wx, wy = WINDOW
    rp.apply_light(img, rp.light_map([(lx, ly + 60, 520, (60, 40, 20))], (200, 190, 184)))
    rp.glow(img, lx, ly + 10, 40, (255, 200, 120), 0.8)
    beam = Image.new("L", (rp.W, rp.H), 0)
    ImageDraw.Draw(beam).polygon([(wx - 40, wy - 30), (wx + 40, wy - 30), (wx + 170, 640), (wx - 60, 660)], fill=40)
    beam = beam.filter(ImageFilter.GaussianBlur(18))
    rp.glow_mask(img, beam, (255, 220, 170))
    rp.vignette(img, 160)
    return img.convert("RGB")


def muted(image, saturation):
    grey = image.convert("L").convert("RGB")
    rgb = Image.blend(grey, image.convert("RGB"), saturation)
    rgb.putalpha(image.getchannel("A"))
    return rgb


def clutter_picture(char, size, angle, tint):
    item = object_picture(char, size).rotate(angle, expand=True, resample=Image.BICUBIC)
    return muted(rp.tinted(item, LIGHT, tint), MUTE)


class Scene:
    """The finished room, and the light it was finished with, to draw the sprites
    over it as if they had been painted with it."""

    def __init__(self):
        self.room = attic()
        # The last light as a multiplier: mid grey through the same finish, over 128.
        self.field = finish(Image.new("RGBA", (rp.W, rp.H), (128, 128, 128, 255)))
        self.blurred = self.room.filter(ImageFilter.GaussianBlur(10))

    def lit(self, char, size, angle, centre, blend=0.0):
        """An object turned by angle (radians, clockwise), lit and tinted as the room is at
        its centre (design units); blend fades it toward the boards behind it."""
        item = object_picture(char, size).rotate(-math.degrees(angle), expand=True, resample=Image.BICUBIC)
        item = muted(rp.tinted(item, LIGHT, 0.3 + 0.2 * blend), MUTE - 0.3 * blend)
        x, y = d(*centre)
        box = (int(round(x - item.width / 2)), int(round(y - item.height / 2)))
        box = box + (box[0] + item.width, box[1] + item.height)
        rgb = ImageChops.multiply(item.convert("RGB"), self.field.crop(box)).point(lambda v: min(255, v * 2))
        if blend:
            rgb = Image.blend(rgb, self.blurred.crop(box), 0.3 * blend)
        alpha = item.getchannel("A").point(lambda v: 0 if v < 24 else int(v * (1 - 0.18 * blend)))
        rgb.putalpha(alpha)
        return rp.sprite_painted(rgb, 3)


def fair(picture, margin=4):
    """A rim round the picture, too faint to see (alpha 1), that still takes clicks: a
    click just beside a small object counts."""
    alpha = picture.getchannel("A")
    grown = Image.new("L", (picture.width + 2 * margin, picture.height + 2 * margin), 0)
    grown.paste(alpha, (margin, margin))
    rim = grown.filter(ImageFilter.MaxFilter(2 * margin + 1)).point(lambda v: 1 if v else 0)
    out_ = Image.new("RGBA", grown.size, (0, 0, 0, 0))
    out_.paste(picture, (margin, margin))
    out_.putalpha(ImageChops.lighter(out_.getchannel("A"), rim))
    return out_


def miss_mark():
    """A misclick's mark: a puff of dust round a small dull-red cross."""
    size = 64
    mark = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    dr = ImageDraw.Draw(mark)
    for i in range(8):
        a = i * math.pi / 4 + 0.3
        cx, cy = 32 + 20 * math.cos(a), 32 + 20 * math.sin(a)
        r = 5 if i % 2 else 7
        dr.ellipse((cx - r, cy - r, cx + r, cy + r), fill=(240, 226, 200, 170))
    mark = mark.filter(ImageFilter.GaussianBlur(2))
    dr = ImageDraw.Draw(mark)
    for a, b in (((23, 23), (41, 41)), ((41, 23), (23, 41))):
        dr.line((a, b), fill=(60, 20, 14, 220), width=9)
        dr.line((a, b), fill=(196, 60, 44, 255), width=5)
    return mark


def visible_point(pictures, name, covers):
    """A point of the object (design units) well inside its opaque part and clear of the
    covers: where a player, and the tests, click it."""
    picture, centre = pictures[name]
    x0, y0 = d(centre[0] - picture.width / 2, centre[1] - picture.height / 2)
    mask = picture.getchannel("A").point(lambda v: 255 if v > 160 else 0)
    for cover, c_centre in covers:
        cx0, cy0 = d(c_centre[0] - cover.width / 2, c_centre[1] - cover.height / 2)
        hole = Image.new("L", mask.size, 0)
        hole.paste(cover.getchannel("A").point(lambda v: 255 if v > 8 else 0), (int(cx0 - x0), int(cy0 - y0)))
        mask = ImageChops.subtract(mask, hole)
    inner = mask.filter(ImageFilter.MinFilter(7))
    w, h = mask.size
    best = None
    for y in range(h):
        for x in range(w):
            if inner.getpixel((x, y)):
                dist = (x - w / 2) ** 2 + (y - h / 2) ** 2
                if best is None or dist < best[0]:
                    best = (dist, x, y)
    if best is None:
        raise SystemExit("%s has no clear part to click" % name)
    return round(x0 + best[1] - rp.OX), round(y0 + best[2])


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
            (540, 780, 1010, (30, 50)), (600, -150, 10, (40, 70)), (600, 1010, 1190, (40, 70)),
            (530, 300, 520, (28, 46)), (560, 600, 780, (28, 46)), (640, 170, 330, (30, 50)),
            (400, 236, 330, (26, 40)), (510, -160, 20, (30, 50))]
# Walls where odds and ends hang: from x, to x, from y, to y, count.
WALLS = [(236, 440, 190, 340, 9), (580, 790, 190, 330, 8), (800, 1010, 200, 420, 10), (-160, 0, 200, 520, 10),
         (1030, 1190, 200, 520, 10)]
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


def piles(count_per_surface=17, seed=17):
    rng = random.Random(seed)
    depth = random.Random(seed + 1)
    items = []
    for y, x0, x1, (s0, s1) in SURFACES:
        # Heaps on the floor spread back and forth; things on a shelf stand in a row.
        spread = 16 if y >= 490 and x0 != 18 else 0
        for i in range(count_per_surface):
            size = rng.randint(s0, s1)
            x = x0 + (x1 - x0) * (i + rng.random()) / count_per_surface
            foot = y + depth.uniform(-spread, spread)
            items.append((rng.choice(PILE_CHARS), (x, foot - size / 2), size, rng.randint(-20, 20)))
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
    scene = Scene()
    rp.save_jpg(scene.room, "rooms/ho_room/bg", 86)
    pictures = {}
    for name, char, centre, size, angle, blend in FINDABLES:
        picture = scene.lit(char, size, angle, centre, blend)
        save(fair(picture), "rooms/ho_room/" + name)
        pictures[name] = (picture, centre)
    # The key is the list's reward, not one of its objects: it keeps its own gold
    # (ho_room.xml turns it), and goes to the inventory as it is.
    name, char, centre, size, angle, blend = KEY
    pictures[name] = (object_picture(char, size), centre)
    save(pictures[name][0], "rooms/ho_room/" + name)
    covers = []
    for name, char, centre, size, angle in COVERS:
        picture = scene.lit(char, size, angle, centre)
        save(picture, "rooms/ho_room/" + name)
        covers.append((picture, centre))
    save(miss_mark(), "rooms/ho_room/miss")
    if "--no-sound" not in sys.argv:
        ho_sounds()
    for name, _, centre, size, angle, blend in FINDABLES + [KEY]:
        print(name, "at", centre, "click", visible_point(pictures, name, covers))


if __name__ == "__main__":
    main()
