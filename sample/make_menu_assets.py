#!/usr/bin/python3
"""Draws the sample's main menu and the screens around it: the house at dusk
behind the menu (also the ending's pictures, see make_media.py), the title
banner, the menu's plaques, the players panel, the question box, the credits,
the card album's page and card back, and the settings window's parts.

Everything is drawn here with Pillow (python3-pil); the flourishes are public-
domain drawings of the Open Clip Art Library (openclipart-svg) rendered with
rsvg-convert (librsvg2-bin). Licences: assets/levels/menu/LICENSE.txt. Only
needed to change the committed files:

    apt-get install python3-pil openclipart-svg librsvg2-bin
    /usr/bin/python3 sample/make_menu_assets.py
"""

import math
import random

from PIL import Image, ImageChops, ImageDraw, ImageFilter

from sample_art import (DARK, GOLD, GOLD_LIGHT, INK, PARCHMENT, canvas, glow, paste_centred, plaque, save,
                        save_jpeg, shadow_of, star_points, svg, tinted, vertical_gradient)

WIDE = (1366, 768)
SILHOUETTE = (28, 22, 38, 255)
WINDOW_DARK = (44, 38, 58, 255)
LAMP = (255, 204, 112, 255)
FLOURISH = "decorations/flourish_two_horizontal_01.svg"


def grain(image, amount=8, seed=3):
    rng = random.Random(seed)
    noise = Image.new("L", image.size)
    noise.putdata([128 + rng.randint(-amount, amount) for _ in range(image.width * image.height)])
    noise = noise.filter(ImageFilter.GaussianBlur(0.7)).convert("RGB")
    return ImageChops.add(image.convert("RGB"), noise, 1.0, -128)


def pine(d, x, base, height, colour):
    for k in range(4):
        w = height * (0.38 - 0.07 * k)
        top = base - height * (0.35 + 0.2 * k)
        d.polygon([(x - w, base - height * 0.18 * k), (x, top - height * 0.2), (x + w, base - height * 0.18 * k)],
                  fill=colour)
    d.rectangle((x - 4, base - 4, x + 4, base + 10), fill=colour)


# The three windows that are the house's lamps, and the others, as rectangles around
# the house's base centre (bx, by); the ending lights the lamps one by one.
LAMP_WINDOWS = [(-128, -150, -92, -95), (-18, -150, 18, -95), (92, -150, 128, -95)]
OTHER_WINDOWS = [(-128, -70, -92, -20), (92, -70, 128, -20), (-200, -230, -172, -185), (190, -110, 222, -70),
                 (240, -110, 262, -70)]


def house(d, bx, by, lit, warmth):
    """The manor in silhouette: tower, gabled main block, low wing, chimney; lit is
    how many of the three lamp windows burn (a fraction lights the next in part)."""
    def poly(points):
        d.polygon([(bx + x, by + y) for x, y in points], fill=SILHOUETTE)
    poly([(-170, 0), (-170, -200), (170, -200), (170, 0)])
    poly([(-190, -200), (0, -330), (190, -200)])
    poly([(-232, 0), (-232, -280), (-140, -280), (-140, 0)])
    poly([(-246, -280), (-186, -420), (-126, -280)])
    poly([(150, 0), (150, -140), (280, -140), (280, 0)])
    poly([(140, -140), (215, -205), (290, -140)])
    poly([(70, -310), (70, -260), (104, -240), (104, -310)])
    d.rectangle((bx - 24, by - 70, bx + 24, by), fill=(20, 16, 28))  # the door
    d.ellipse((bx - 26, by - 282, bx + 26, by - 230), fill=WINDOW_DARK)  # the attic's round window
    for i, (x0, y0, x1, y1) in enumerate(LAMP_WINDOWS):
        level = max(0.0, min(1.0, lit - i))
        colour = tuple(int(w + (l - w) * level) for w, l in zip(WINDOW_DARK, LAMP))
        d.rectangle((bx + x0, by + y0, bx + x1, by + y1), fill=colour)
        d.line((bx + (x0 + x1) / 2, by + y0, bx + (x0 + x1) / 2, by + y1), fill=SILHOUETTE, width=3)
        d.line((bx + x0, by + (y0 + y1) / 2, bx + x1, by + (y0 + y1) / 2), fill=SILHOUETTE, width=3)
    for x0, y0, x1, y1 in OTHER_WINDOWS:
        colour = tuple(int(w + (l - w) * warmth * 0.8) for w, l in zip(WINDOW_DARK, LAMP))
        d.rectangle((bx + x0, by + y0, bx + x1, by + y1), fill=colour)


def house_scene(size, lit=0.0, warmth=0.0, centre=None, house_scale=1.0):
    """The house on its hill under a dusk sky; warmth (0..1) brightens the sky and
    the other windows for the ending."""
    w, h = size
    night = [(0.0, (16, 20, 52)), (0.45, (58, 48, 104)), (0.72, (150, 92, 112)), (1.0, (196, 128, 104))]
    dawn = [(0.0, (40, 52, 110)), (0.45, (110, 96, 150)), (0.72, (226, 150, 120)), (1.0, (250, 196, 140))]
    stops = [(f, tuple(int(a + (b - a) * warmth) for a, b in zip(c0, c1))) for (f, c0), (_, c1) in zip(night, dawn)]
    sky = vertical_gradient(w, h, stops).convert("RGBA")
    rng = random.Random(11)
    d = ImageDraw.Draw(sky)
    for _ in range(int(w * h / 4000)):
        x, y = rng.randrange(w), rng.randrange(int(h * 0.55))
        a = rng.randint(90, 230)
        d.point((x, y), fill=(255, 250, 230, a))
    mx, my = int(w * 0.86), int(h * 0.16)
    paste_centred(sky, glow(int(h * 0.42), (255, 236, 190, 90), int(h * 0.12)), (mx, my))
    r = int(h * 0.05)
    moon = canvas(2 * r + 2, 2 * r + 2)
    ImageDraw.Draw(moon).ellipse((0, 0, 2 * r, 2 * r), fill=(250, 240, 214, 255))
    bite = canvas(2 * r + 2, 2 * r + 2)
    ImageDraw.Draw(bite).ellipse((r // 2, -r // 4, 2 * r + r // 2, 2 * r - r // 4), fill=(255, 255, 255, 255))
    moon.putalpha(ImageChops.subtract(moon.getchannel("A"), bite.getchannel("A")))
    paste_centred(sky, moon.filter(ImageFilter.GaussianBlur(0.6)), (mx, my))
    scale = h / 768
    land = canvas(w, h)
    ld = ImageDraw.Draw(land)
    far = (52, 40, 70, 255)
    ld.polygon([(0, h * 0.72)] + [(x, h * 0.70 - 28 * scale * math.sin(x / w * 5.0)) for x in range(0, w + 1, 16)]
               + [(w, h), (0, h)], fill=far)
    for i in range(9):
        pine(ld, w * (0.02 + 0.11 * i) + 17 * math.sin(i * 3), h * 0.74, h * (0.13 + 0.03 * (i % 3)), far)
    sky.alpha_composite(land.filter(ImageFilter.GaussianBlur(1.5)))
    near = canvas(w, h)
    nd = ImageDraw.Draw(near)
    bx = centre if centre is not None else w * 0.31
    by = h * 0.84
    nd.polygon([(0, h * 0.86)] + [(x, h * 0.83 - 34 * scale * math.cos((x - bx) / w * 3.2)) for x in range(0, w + 1, 16)]
               + [(w, h), (0, h)], fill=(24, 20, 32, 255))
    scale *= house_scale
    house_layer = canvas(int(w / scale) + 1, int(h / scale) + 1)
    house(ImageDraw.Draw(house_layer), bx / scale, by / scale, lit, warmth)
    near.alpha_composite(house_layer.resize((w, h), Image.LANCZOS))
    for x in (bx - 420 * scale, bx + 380 * scale, bx + 470 * scale):
        pine(nd, x, by + 6 * scale, 210 * scale, (22, 18, 30, 255))
    # Light spilling from the lit windows onto the garden.
    for i, (x0, y0, x1, y1) in enumerate(LAMP_WINDOWS):
        level = max(0.0, min(1.0, lit - i))
        if level > 0:
            spot = glow(int(150 * scale), (255, 200, 120, int(110 * level)), int(40 * scale))
            paste_centred(sky, spot, (bx + (x0 + x1) / 2 * scale, by + (y0 + y1) / 2 * scale))
    sky.alpha_composite(near)
    fog = canvas(w, h)
    ImageDraw.Draw(fog).rectangle((0, by - 10 * scale, w, by + 30 * scale), fill=(180, 160, 200, 40))
    sky.alpha_composite(fog.filter(ImageFilter.GaussianBlur(18 * scale)))
    for i, (x0, y0, x1, y1) in enumerate(LAMP_WINDOWS):
        level = max(0.0, min(1.0, lit - i))
        if level > 0:
            paste_centred(sky, glow(int(70 * scale), (255, 220, 150, int(120 * level)), int(18 * scale)),
                          (bx + (x0 + x1) / 2 * scale, by + (y0 + y1) / 2 * scale))
    return sky


def menu_background():
    scene = house_scene(WIDE, house_scale=0.82)
    # A soft darkening behind the buttons on the right, so the plaques stand out.
    veil = canvas(*WIDE)
    ImageDraw.Draw(veil).rounded_rectangle((800, 215, 1100, 655), 40, fill=(10, 8, 20, 100))
    scene.alpha_composite(veil.filter(ImageFilter.GaussianBlur(30)))
    save_jpeg(grain(scene), "levels/menu/bg", 88)


def title_banner():
    """The title's plaque: the title above a gold rule with a flourish and two stars,
    the tagline below it (main_menu.xml writes both texts: the title 30 above the
    plaque's centre, the tagline 68 below)."""
    w, h = 560, 240
    banner = canvas(w, h)
    body = plaque(w - 40, 200, (40, 28, 44, 235), GOLD, radius=26, light=-40)
    shade, pad = shadow_of(body, 8)
    banner.alpha_composite(shade.crop((pad - 20, pad - 20, pad - 20 + w, pad - 20 + h)))
    banner.alpha_composite(body, (20, 20))
    d = ImageDraw.Draw(banner)
    rule = h // 2 + 24
    for x0, x1 in ((70, w // 2 - 46), (w // 2 + 46, w - 70)):
        d.line((x0, rule, x1, rule), fill=GOLD, width=2)
    for x in (62, w - 62):
        d.polygon(star_points(x, rule, 9, 4, 4), fill=GOLD)
    paste_centred(banner, tinted(svg(FLOURISH, 76), GOLD), (w // 2, rule))
    save(banner, "levels/menu/title", 128)


def buttons():
    for name, w, h in (("button", 300, 48), ("small", 176, 42)):
        save(plaque(w, h, (52, 36, 50, 240)), "levels/menu/" + name, 96)
        save(plaque(w, h, (110, 74, 70, 250), GOLD_LIGHT, light=60), "levels/menu/" + name + "_over", 96)
    row = canvas(340, 38)
    save(row, "levels/menu/row")
    lit = canvas(340, 38)
    ImageDraw.Draw(lit).rounded_rectangle((0, 2, 339, 35), 12, fill=(250, 226, 150, 70), outline=(250, 226, 150, 160))
    save(lit, "levels/menu/row_over")
    for name, fill, rim in (("delete", (70, 30, 30, 255), GOLD), ("delete_over", (150, 50, 40, 255), GOLD_LIGHT)):
        cross = canvas(34, 34)
        d = ImageDraw.Draw(cross)
        d.ellipse((1, 1, 32, 32), fill=rim)
        d.ellipse((4, 4, 29, 29), fill=fill)
        d.line((11, 11, 22, 22), fill=rim, width=3)
        d.line((22, 11, 11, 22), fill=rim, width=3)
        save(cross, "levels/menu/" + name)
    field = canvas(240, 40)
    ImageDraw.Draw(field).rounded_rectangle((0, 0, 239, 39), 8, fill=(16, 12, 18, 230), outline=GOLD, width=2)
    save(field, "levels/menu/field")


def framed_panel(w, h, path):
    panel = canvas(w + 60, h + 60)
    body = plaque(w, h, (36, 27, 34, 248), GOLD, radius=22, light=-40)
    d = ImageDraw.Draw(body)
    d.rounded_rectangle((14, 14, w - 15, h - 15), 14, outline=(214, 182, 99, 90), width=2)
    corner = tinted(svg("decorations/flourish_three_corner_01.svg", 70), (214, 182, 99, 200))
    body.alpha_composite(corner, (18, 18))
    body.alpha_composite(corner.transpose(Image.FLIP_LEFT_RIGHT), (w - 18 - corner.width, 18))
    body.alpha_composite(corner.transpose(Image.FLIP_TOP_BOTTOM), (18, h - 18 - corner.height))
    body.alpha_composite(corner.transpose(Image.ROTATE_180), (w - 18 - corner.width, h - 18 - corner.height))
    shade, pad = shadow_of(body, 10)
    panel.alpha_composite(shade.crop((pad - 30, pad - 30, pad - 30 + w + 60, pad - 30 + h + 60)))
    panel.alpha_composite(body, (30, 30))
    save(panel, path, 160)


def credits_background():
    scene = house_scene(WIDE, lit=3.0, warmth=0.55)
    veil = canvas(*WIDE)
    ImageDraw.Draw(veil).rounded_rectangle((250, 40, 1116, 730), 40, fill=(12, 8, 20, 228))
    scene.alpha_composite(veil.filter(ImageFilter.GaussianBlur(18)))
    d = ImageDraw.Draw(scene)
    d.rounded_rectangle((262, 52, 1104, 718), 30, outline=(214, 182, 99, 160), width=2)
    flourish = tinted(svg(FLOURISH, 220), GOLD)
    scene.alpha_composite(flourish, (683 - 110, 118))
    save_jpeg(grain(scene, 5), "levels/menu/credits", 86)


def album():
    """The album's page: a leather table, an open album with three card frames."""
    page = vertical_gradient(1366, 768, [(0, (58, 30, 24)), (1, (34, 18, 14))]).convert("RGBA")
    d = ImageDraw.Draw(page)
    rng = random.Random(5)
    for _ in range(900):  # the leather's grain
        x, y = rng.randrange(1366), rng.randrange(768)
        d.ellipse((x, y, x + 3, y + 2), fill=(0, 0, 0, 30))
    sheet = canvas(940, 660)
    sd = ImageDraw.Draw(sheet)
    sd.rounded_rectangle((0, 0, 939, 659), 20, fill=PARCHMENT, outline=(120, 80, 40, 255), width=6)
    sd.rounded_rectangle((18, 18, 921, 641), 14, outline=(150, 110, 60, 110), width=2)
    shade, pad = shadow_of(sheet, 14, 170)
    page.alpha_composite(shade, (683 - 470 - pad, 384 - 330 - pad))
    page.alpha_composite(sheet, (683 - 470, 384 - 330))
    d = ImageDraw.Draw(page)
    for x in (292, 512, 732):  # a sunken place under each card (design x + 171)
        cx = x + 171
        d.rounded_rectangle((cx - 110, 380 - 150, cx + 110, 380 + 150), 16, fill=(206, 186, 140, 255),
                            outline=(150, 110, 60, 160), width=2)
    save_jpeg(grain(page, 4), "interface/cards/album", 86)
    back = canvas(200, 280)
    bd = ImageDraw.Draw(back)
    bd.rounded_rectangle((0, 0, 199, 279), 18, fill=(110, 70, 96, 255), outline=(214, 182, 99, 255), width=6)
    bd.rounded_rectangle((16, 16, 183, 263), 12, outline=(214, 182, 99, 140), width=2)
    bd.polygon(star_points(100, 140, 46, 20), fill=(214, 182, 99, 160))
    save(back, "interface/cards/card_back", 96)
    # The album's close button: the menu's small plaque, kept with the interface it serves.
    save(plaque(176, 42, (52, 36, 50, 240)), "interface/cards/close", 96)
    save(plaque(176, 42, (110, 74, 70, 250), GOLD_LIGHT, light=60), "interface/cards/close_over", 96)


def settings_parts():
    framed_panel(600, 480, "interface/settings/back")
    for name, fill, rim in (("btn", (52, 36, 50, 255), GOLD), ("btn_over", (110, 74, 70, 255), GOLD_LIGHT)):
        save(plaque(48, 42, fill, rim), "interface/settings/" + name, 64)
    for state in ("off", "on"):
        for over in ("", "_over"):
            box = canvas(32, 32)
            d = ImageDraw.Draw(box)
            rim = GOLD_LIGHT if over else GOLD
            d.rounded_rectangle((1, 1, 30, 30), 6, fill=(16, 12, 18, 255), outline=rim, width=3)
            if state == "on":
                d.line((8, 16, 14, 23, 25, 8), fill=rim, width=4)
            save(box, "interface/settings/box_" + state + over)
    track = canvas(240, 16)
    d = ImageDraw.Draw(track)
    d.rounded_rectangle((0, 3, 239, 12), 5, fill=(16, 12, 18, 255), outline=GOLD, width=2)
    save(track, "interface/settings/track")
    knob = canvas(24, 24)
    d = ImageDraw.Draw(knob)
    d.ellipse((1, 1, 22, 22), fill=GOLD_LIGHT, outline=(120, 90, 40, 255), width=2)
    d.ellipse((7, 6, 13, 11), fill=(255, 250, 230, 200))
    save(knob, "interface/settings/knob")


def main():
    menu_background()
    title_banner()
    buttons()
    framed_panel(520, 520, "levels/menu/panel")
    framed_panel(480, 200, "levels/menu/ask")
    credits_background()
    album()
    settings_parts()


if __name__ == "__main__":
    main()
