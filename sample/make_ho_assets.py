#!/usr/bin/python3
"""Draws the pictures and sounds of the sample's hidden-object room: the
painted room, its findable objects, the key and its lock box, the door that
leads there, and the task panel and inventory bar pictures.

Sources, all freely licensed Debian packages (see assets/rooms/ho_room/LICENSE.txt):
public-domain clip art from openclipart-svg rendered with rsvg-convert, the
Noto Color Emoji font (fonts-noto-color-emoji) drawn with Pillow (python3-pil),
and sox for the two short sounds. Only needed to change the committed files:

    apt-get install openclipart-svg librsvg2-bin fonts-noto-color-emoji python3-pil sox
    /usr/bin/python3 sample/make_ho_assets.py
"""

import io
import os
import random
import subprocess

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
ASSETS = os.path.join(HERE, "assets")
CLIPART = "/usr/share/openclipart/svg"
EMOJI_FONT = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf"

# Findable objects: name, emoji, centre in design units, size.
FINDABLES = [
    ("apple", "\U0001F34E", (590, 468), 52),
    ("candle", "\U0001F56F", (700, 452), 56),
    ("books", "\U0001F4DA", (905, 300), 58),
    ("umbrella", "\u2602", (56, 400), 60),
    ("tophat", "\U0001F3A9", (250, 425), 56),
    ("shell", "\U0001F41A", (470, 600), 48),
    ("feather", "\U0001FAB6", (330, 130), 50),
    ("hourglass", "\u231B", (975, 470), 48),
    ("bell", "\U0001F514", (540, 90), 48),
    ("violin", "\U0001F3BB", (160, 585), 60),
    ("butterfly", "\U0001F98B", (420, 250), 50),
    ("teapot", "\U0001FAD6", (770, 585), 56),
]
KEY = ("key", "\U0001F511", (860, 620), 48)


def out(path):
    full = os.path.join(ASSETS, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    return full


def save(image, path):
    image.save(out(path + ".png"), optimize=True)


def svg(name, width):
    png = subprocess.run(["rsvg-convert", "-w", str(width), os.path.join(CLIPART, name)], check=True,
                         stdout=subprocess.PIPE).stdout
    return Image.open(io.BytesIO(png)).convert("RGBA")


def emoji(char, size):
    font = ImageFont.truetype(EMOJI_FONT, 109)
    image = Image.new("RGBA", (160, 160), (0, 0, 0, 0))
    ImageDraw.Draw(image).text((10, 10), char, font=font, embedded_color=True)
    image = image.crop(image.getbbox())
    scale = size / max(image.size)
    return image.resize((max(1, round(image.width * scale)), max(1, round(image.height * scale))), Image.LANCZOS)


def paste_centred(base, image, centre):
    base.alpha_composite(image, (int(centre[0] - image.width / 2), int(centre[1] - image.height / 2)))


def painted(image):
    """Brush-like strokes: a mode filter flattens detail into patches, a little
    grain brings back the canvas."""
    rgb = image.convert("RGB").filter(ImageFilter.ModeFilter(5)).filter(ImageFilter.SMOOTH_MORE)
    rng = random.Random(7)
    grain = Image.new("L", rgb.size)
    grain.putdata([128 + rng.randint(-10, 10) for _ in range(rgb.width * rgb.height)])
    grain = grain.filter(ImageFilter.GaussianBlur(0.8)).convert("RGB")
    return ImageChops.add(rgb, grain, 1.0, -128)


def room_background():
    room = Image.new("RGBA", (1024, 768))
    draw = ImageDraw.Draw(room)
    for y in range(470):  # warm wall, darker towards the ceiling
        shade = 0.75 + 0.25 * y / 470
        draw.line([(0, y), (1024, y)], fill=(int(150 * shade), int(96 * shade), int(70 * shade)))
    for x in range(0, 1024, 64):  # wallpaper stripes
        draw.rectangle([x, 0, x + 26, 470], fill=(170, 112, 80))
    for y in range(470, 768):  # floor boards
        shade = 0.6 + 0.4 * (y - 470) / 298
        draw.line([(0, y), (1024, y)], fill=(int(110 * shade), int(70 * shade), int(40 * shade)))
    for x in range(-400, 1400, 90):
        draw.line([(512 + (x - 512) * 0.35, 470), (x, 768)], fill=(60, 36, 20), width=2)
    draw.rectangle([0, 440, 1024, 470], fill=(95, 58, 36))  # skirting
    flourish = svg("decorations/flourish_one_horizontal_01.svg", 250)
    for x in range(0, 1024, 256):
        paste_centred(room, flourish, (x + 128, 30))
    paste_centred(room, svg("special/gradients/gradient-square-picture-frame-wood.svg", 170), (200, 170))
    paste_centred(room, svg("signs_and_symbols/clocks/analogue_clock_01.svg", 110), (780, 130))
    paste_centred(room, svg("buildings/furniture/mobile_architetto_france_01.svg", 190), (905, 380))
    paste_centred(room, svg("buildings/furniture/soft_blue_couch_jonadab_01.svg", 360), (240, 470))
    paste_centred(room, svg("buildings/furniture/wooden_table_benji_park_01.svg", 330), (650, 535))
    paste_centred(room, svg("buildings/furniture/wooden_barrel_petri_lumm_01.svg", 110), (75, 560))
    paste_centred(room, svg("office/desk_lamp_gerald_g._01.svg", 90), (760, 420))
    return painted(room)


def interface_pictures():
    back = Image.new("RGBA", (720, 130), (0, 0, 0, 0))
    ImageDraw.Draw(back).rounded_rectangle([0, 0, 719, 129], 18, fill=(34, 26, 44, 225), outline=(182, 150, 96),
                                           width=3)
    save(back, "interface/inventory_tasks/back")
    for name, fill in (("arrow", (182, 150, 96)), ("arrow_over", (255, 226, 150)), ("arrow_disabled", (90, 84, 96))):
        arrow = Image.new("RGBA", (40, 60), (0, 0, 0, 0))
        ImageDraw.Draw(arrow).polygon([(34, 4), (34, 56), (6, 30)], fill=fill)
        save(arrow, "interface/inventory_tasks/" + name)
    glow = Image.new("RGBA", (80, 80), (255, 220, 140, 0))
    mask = Image.new("L", (80, 80), 0)
    ImageDraw.Draw(mask).ellipse([18, 18, 62, 62], fill=170)
    glow.putalpha(mask.filter(ImageFilter.GaussianBlur(8)))
    save(glow, "interface/inventory_tasks/glow")
    save(Image.new("RGBA", (2, 3), (230, 60, 50, 255)), "interface/inventory_tasks/line")
    place = Image.new("RGBA", (140, 44), (255, 240, 170, 0))
    mask = Image.new("L", (140, 44), 0)
    ImageDraw.Draw(mask).ellipse([8, 6, 132, 38], fill=220)
    place.putalpha(mask.filter(ImageFilter.GaussianBlur(6)))
    save(place, "interface/inventory_tasks/place")


def sounds():
    folder = out("sounds/x")[:-1]
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", os.path.join(folder, "ho_find.ogg"), "synth", "0.18",
                    "sine", "880-1320", "fade", "0", "0.18", "0.12", "vol", "0.5"], check=True)
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", os.path.join(folder, "ho_pickup.ogg"), "synth", "0.3",
                    "pluck", "C5", "fade", "0", "0.3", "0.2", "vol", "0.6"], check=True)


def main():
    save(room_background(), "rooms/ho_room/bg")
    for name, char, _, size in FINDABLES + [KEY]:
        save(emoji(char, size), "rooms/ho_room/" + name)
    save(emoji("\U0001F519", 56), "rooms/ho_room/back")
    save(emoji("\U0001F6AA", 130), "rooms/ho_room/door")
    save(svg("containers/closed_box_juliane_krug_r.svg", 130), "rooms/ho_room/box_closed")
    save(svg("containers/open_box_juliane_krug_r.svg", 130), "rooms/ho_room/box_open")
    interface_pictures()
    sounds()
    # Where the findables stand, for the module and the whole-game test.
    for name, _, centre, _ in FINDABLES + [KEY]:
        print(name, centre[0], centre[1])


if __name__ == "__main__":
    main()
