#!/usr/bin/python3
"""Draws the pictures and sounds of the HUD buttons, the hint glow, the caption
bar, the HUD side panels, the inventory bar and task panel, and the subroom
frame.

Every picture is drawn here with Pillow (python3-pil) from plain shapes, the
sounds are synthesised with sox; no outside material. Licence: CC0 (see
assets/interface/LICENSE-hud.txt). Only needed to change the committed files:

    apt-get install python3-pil sox
    /usr/bin/python3 sample/make_hud_assets.py
"""

import math
import os
import subprocess
import sys

from PIL import Image, ImageDraw, ImageFilter

from sample_art import out, save, star_points

GOLD = (232, 190, 96, 255)
TEAL = (56, 120, 128, 255)
PLUM = (70, 44, 72, 255)


def write(path, text):
    with open(out(path), "w", encoding="utf-8") as f:
        f.write(text)


def canvas(w, h):
    return Image.new("RGBA", (w, h), (0, 0, 0, 0))


def glow(size, colour, softness):
    """A soft round light, brightest in the middle."""
    image = canvas(size, size)
    d = ImageDraw.Draw(image)
    m = size // 2
    r = m - softness
    d.ellipse((m - r, m - r, m + r, m + r), fill=colour)
    return image.filter(ImageFilter.GaussianBlur(softness / 2))


def ring(size, colour, width):
    image = canvas(size, size)
    ImageDraw.Draw(image).ellipse((width, width, size - width, size - width), outline=colour, width=width)
    return image.filter(ImageFilter.GaussianBlur(2))


def disc(size, fill, rim):
    image = canvas(size, size)
    d = ImageDraw.Draw(image)
    d.ellipse((2, 2, size - 3, size - 3), fill=rim)
    d.ellipse((7, 7, size - 8, size - 8), fill=fill)
    return image


def magnifier(d, cx, cy, colour):
    cx, cy, r = cx - 6, cy - 6, 16
    d.ellipse((cx - r, cy - r, cx + r, cy + r), outline=colour, width=5)
    d.line((cx + r * 0.7, cy + r * 0.7, cx + r * 1.7, cy + r * 1.7), fill=colour, width=8)


def arrows(d, cx, cy, colour):
    for dx in (-14, 4):
        d.polygon([(cx + dx, cy - 14), (cx + dx + 16, cy), (cx + dx, cy + 14)], fill=colour)


def charge_frame(size, fraction, emblem, fill):
    """A round button whose rim fills clockwise as the charge comes back."""
    image = disc(size, fill, (40, 32, 40, 255))
    d = ImageDraw.Draw(image)
    if fraction > 0:
        d.arc((4, 4, size - 5, size - 5), -90, -90 + 360 * fraction, fill=GOLD, width=6)
    shade = tuple(int(80 + (c - 80) * fraction) for c in GOLD[:3]) + (255,)
    emblem(d, size // 2, size // 2, shade)
    return image


def strip(path, frames, texture_name):
    """Writes the frames side by side as one sheet plus its frame texture."""
    w, h = frames[0].size
    sheet = canvas(w * len(frames), h)
    lines = []
    for i, frame in enumerate(frames):
        sheet.alpha_composite(frame, (i * w, 0))
        lines.append('    <frame texture="%s" left="%d" top="0" widht="%d" height="%d" x="%d" y="%d"/>'
                     % (texture_name, i * w, w, h, w // 2, h // 2))
    folder = os.path.dirname(path)
    save(sheet, os.path.join(folder, texture_name))
    write(os.path.join(folder, texture_name + "_ft.xml"),
          "<frametexture>\n" + "\n".join(lines) + "\n</frametexture>\n")


def animation(path, texture_name, functions):
    body = ""
    for name, frametime, loop, frames in functions:
        idx = "".join('<frame idx="%d"/>' % i for i in frames)
        body += '    <function name="%s" frametime="%d" loop="%d">%s</function>\n' % (name, frametime, loop, idx)
    write(path + ".xml", '<animation frame_texture="%s_ft">\n%s</animation>\n' % (texture_name, body))


def charge_animation(path, sheet, emblem, fill, count=8):
    frames = [charge_frame(96, i / (count - 1), emblem, fill) for i in range(count)]
    strip(path, frames, sheet)
    animation(path, sheet, [("DoAnim", 100, 0, range(count))])


def hint():
    charge_animation("interface/hint/hint_charge", "hint_charge_sheet", magnifier, TEAL)
    plate = disc(90, (90, 90, 96, 255), (50, 50, 56, 255))
    d = ImageDraw.Draw(plate)
    d.rectangle((30, 42, 60, 66), fill=(200, 200, 210, 255))
    d.arc((34, 24, 56, 50), 180, 360, fill=(200, 200, 210, 255), width=5)
    save(plate, "interface/hint/hardcore_mode")
    save(ring(120, (255, 236, 170, 255), 6), "interface/hint/hint_charge_end_light")
    save(glow(140, (255, 230, 150, 150), 24), "interface/hint/hint_full_light")
    # The hint rings the object it points at: a soft bright ring, clear inside.
    effect = canvas(140, 140)
    d = ImageDraw.Draw(effect)
    d.ellipse((14, 14, 126, 126), outline=(255, 214, 110, 150), width=14)
    effect = effect.filter(ImageFilter.GaussianBlur(5))
    ImageDraw.Draw(effect).ellipse((20, 20, 120, 120), outline=(255, 246, 200, 255), width=4)
    save(effect, "interface/hint/hint_effect")


def minigame():
    charge_animation("interface/minigame/skip_charge", "skip_charge_sheet", arrows, PLUM)
    full = []
    for i in range(6):
        frame = charge_frame(96, 1.0, arrows, PLUM)
        halo = glow(96, (255, 230, 150, int(60 + 50 * math.sin(i * math.pi / 3))), 12)
        halo.alpha_composite(frame)
        full.append(halo)
    strip("interface/minigame/skip_full", full, "skip_full_sheet")
    animation("interface/minigame/skip_full", "skip_full_sheet", [("DoAnim", 120, 1, range(6))])
    # The HUD writes each button's caption 30 units above its centre: the picture
    # puts a plate there, and the round icon below it. The buttons stand 80 apart,
    # so the icon ends 24 below the centre, clear of the next button's plate.
    for name, mark in (("info", "i"), ("reset", "r")):
        for over in (False, True):
            button = canvas(100, 112)
            d = ImageDraw.Draw(button)
            d.rounded_rectangle((2, 12, 97, 39), 10, fill=(46, 34, 48, 240) if not over else (90, 62, 76, 250),
                                outline=GOLD if not over else (255, 230, 160, 255), width=2)
            icon = canvas(38, 38)
            d = ImageDraw.Draw(icon)
            d.ellipse((1, 1, 36, 36), fill=GOLD)
            d.ellipse((4, 4, 33, 33), fill=(90, 70, 50, 255) if not over else (130, 100, 60, 255))
            if mark == "i":
                d.ellipse((16, 9, 21, 14), fill=GOLD)
                d.rectangle((16, 17, 21, 29), fill=GOLD)
            else:
                d.arc((10, 10, 28, 28), 60, 320, fill=GOLD, width=3)
                # The arrowhead at the arc's end, pointing on round the circle.
                a = math.radians(320)
                end = (19 + 7.5 * math.cos(a), 19 + 7.5 * math.sin(a))
                t, n = (-math.sin(a), math.cos(a)), (math.cos(a), math.sin(a))
                d.polygon([(end[0] + 5 * t[0], end[1] + 5 * t[1]),
                           (end[0] - 2 * t[0] + 5 * n[0], end[1] - 2 * t[1] + 5 * n[1]),
                           (end[0] - 2 * t[0] - 5 * n[0], end[1] - 2 * t[1] - 5 * n[1])], fill=GOLD)
            button.alpha_composite(icon, (31, 42))
            save(button, "interface/minigame/" + name + ("_over" if over else ""))


def plaque(w, h, fill, rim):
    image = canvas(w, h)
    ImageDraw.Draw(image).rounded_rectangle((1, 1, w - 2, h - 2), radius=h // 3, fill=fill, outline=rim, width=3)
    return image


def book(d, x, y, colour):
    d.polygon([(x - 10, y - 6), (x, y - 3), (x, y + 8), (x - 10, y + 5)], fill=colour)
    d.polygon([(x + 10, y - 6), (x, y - 3), (x, y + 8), (x + 10, y + 5)], fill=colour)
    d.line((x, y - 3, x, y + 8), fill=(40, 28, 40, 255), width=1)


def cog(d, x, y, colour):
    for i in range(8):
        a = i * math.pi / 4
        d.line((x + 6 * math.cos(a), y + 6 * math.sin(a), x + 10 * math.cos(a), y + 10 * math.sin(a)),
               fill=colour, width=4)
    d.ellipse((x - 7, y - 7, x + 7, y + 7), fill=colour)
    d.ellipse((x - 3, y - 3, x + 3, y + 3), fill=(60, 40, 58, 255))


def main_bar():
    # The Guide and Menu buttons carry their own small emblem (a book, a cog) at the
    # left, so that their captions read as theirs, not as names of the hint button
    # or the map scroll above them; a rule in the panel parts the two.
    for name, emblem in (("menu_button", cog), ("guide_button", book)):
        for over in (False, True):
            image = plaque(124, 40, (100, 70, 90, 235) if over else (60, 40, 58, 235),
                           (255, 230, 160, 255) if over else GOLD)
            emblem(ImageDraw.Draw(image), 20, 20, (255, 230, 160, 255) if over else GOLD)
            save(image, "interface/main/" + name + ("_over" if over else ""))
    for name, w, h, rule in (("main_left", 220, 164, 112), ("main_right", 220, 140, 82)):
        panel = canvas(w, h)
        d = ImageDraw.Draw(panel)
        d.rounded_rectangle((4, 4, w - 5, h + 40), radius=40, fill=(46, 34, 48, 230), outline=GOLD, width=4)
        d.line((24, rule, w - 24, rule), fill=(214, 182, 99, 150), width=2)
        save(panel, "interface/main/" + name)


def map_button():
    frames = []
    for i in range(6):
        t = i / 5
        frame = canvas(120, 100)
        d = ImageDraw.Draw(frame)
        half = 20 + 30 * t
        d.rectangle((60 - half, 24, 60 + half, 76), fill=(226, 206, 160, 255), outline=(120, 90, 50, 255), width=3)
        d.ellipse((60 - half - 8, 20, 60 - half + 8, 80), fill=(200, 170, 120, 255))
        d.ellipse((60 + half - 8, 20, 60 + half + 8, 80), fill=(200, 170, 120, 255))
        if t > 0.4:
            d.line((60 - half * 0.6, 60, 60, 38, 60 + half * 0.6, 58), fill=(170, 40, 40, 255), width=3)
        frames.append(frame)
    strip("interface/map/map", frames, "map_sheet")
    animation("interface/map/map", "map_sheet", [("AnimOpen", 60, 0, range(6)), ("AnimClose", 60, 0, range(5, -1, -1))])


def inventory_buttons():
    frames = []
    for count in range(10):
        frame = canvas(70, 70)
        d = ImageDraw.Draw(frame)
        for k in range(min(max(count, 1), 5)):
            d.rounded_rectangle((14 + 3 * k, 10 + 2 * k, 46 + 3 * k, 56 + 2 * k), radius=4,
                                fill=(240, 232, 210, 255), outline=(120, 60, 60, 255), width=2)
        frames.append(frame)
    strip("interface/inventory_tasks/cards", frames, "cards_sheet")
    animation("interface/inventory_tasks/cards", "cards_sheet", [("Idle", 100, 0, [0])])
    save(glow(70, (255, 230, 160, 170), 10), "interface/inventory_tasks/cards_over")
    for name, shut in (("lock", False), ("lock_enabled", True)):
        image = canvas(48, 48)
        d = ImageDraw.Draw(image)
        d.rounded_rectangle((10, 22, 38, 44), radius=4, fill=GOLD)
        d.arc((14, 6, 34, 34) if shut else (22, 4, 42, 32), 180, 360, fill=GOLD, width=5)
        save(image, "interface/inventory_tasks/" + name)
    save(glow(48, (255, 240, 190, 160), 8), "interface/inventory_tasks/lock_over")


def caption_bar():
    # Scaled 683 x 28 by the caption: two pixels become the whole top strip.
    save(Image.new("RGBA", (2, 2), (8, 6, 10, 210)), "interface/bbtext/back")


def subroom_frame():
    # The frame stretches its sides 4 units outside the subroom's picture (left and
    # right) and 3 above and below it: 4 thick, they cover whole pixels (centred 2.5
    # past a pixel edge, an odd thickness would be smoothed over two rows). The corner
    # (108 x 106, from 26 outside the left edge and 25 above the top) draws the same
    # lines on columns and rows 20 to 23; the close corner (92 x 124, from 82 inside the
    # right edge and 43 above the top) the top line on rows 38 to 41, the right one on
    # columns 84 to 87, and the close button at (65, 48).
    corner = canvas(108, 106)
    d = ImageDraw.Draw(corner)
    d.rectangle((20, 20, 107, 23), fill=GOLD)
    d.rectangle((20, 20, 23, 105), fill=GOLD)
    d.polygon(star_points(21.5, 21.5, 13, 5, 4), fill=GOLD)
    d.ellipse((17, 17, 26, 26), fill=(120, 40, 40, 255))
    save(corner, "interface/subroom/frame_angle")
    close = canvas(92, 124)
    d = ImageDraw.Draw(close)
    d.rectangle((0, 38, 87, 41), fill=GOLD)
    d.rectangle((84, 38, 87, 123), fill=GOLD)
    d.ellipse((49, 32, 81, 64), fill=(60, 40, 58, 255), outline=GOLD, width=3)
    d.line((58, 41, 72, 55), fill=GOLD, width=3)
    d.line((72, 41, 58, 55), fill=GOLD, width=3)
    save(close, "interface/subroom/frame_angle_close")
    # Sides are stretched along their length: two pixels long, scaled by the frame.
    save(Image.new("RGBA", (4, 2), GOLD), "interface/subroom/frame_v")
    save(Image.new("RGBA", (2, 4), GOLD), "interface/subroom/frame_h")
    save(glow(40, (255, 240, 190, 190), 6), "interface/subroom/frame_close_over")


def inventory_and_tasks():
    """One picture serves the inventory bar and the task panel, both centred on y 708
    when up: opaque (the panel hides the bar beneath it), 118 high from 60 above the
    centre, framed all round down to the bottom of the screen (768), so nothing runs
    off it, and the closed bar (at 786) still shows its header."""
    back = canvas(740, 240)
    d = ImageDraw.Draw(back)
    d.rounded_rectangle((10, 60, 729, 179), 18, fill=(120, 90, 50, 255))
    d.rounded_rectangle((12, 62, 727, 177), 16, fill=GOLD)
    d.rounded_rectangle((16, 66, 723, 173), 14, fill=(38, 28, 42, 255))
    d.rounded_rectangle((270, 66, 470, 92), 10, fill=(46, 34, 50, 255))
    d.line((30, 95, 710, 95), fill=(214, 182, 99, 90), width=1)
    save(back, "interface/inventory_tasks/back")
    for name, fill in (("arrow", (182, 150, 96)), ("arrow_over", (255, 226, 150)), ("arrow_disabled", (90, 84, 96))):
        arrow = canvas(40, 60)
        ImageDraw.Draw(arrow).polygon([(34, 6), (34, 54), (8, 30)], fill=fill, outline=(40, 30, 40, 255))
        save(arrow, "interface/inventory_tasks/" + name)
    save(glow(80, (255, 220, 140, 150), 16), "interface/inventory_tasks/glow")
    save(Image.new("RGBA", (2, 3), (230, 60, 50, 255)), "interface/inventory_tasks/line")
    place = canvas(140, 44)
    mask = Image.new("L", (140, 44), 0)
    ImageDraw.Draw(mask).ellipse([8, 6, 132, 38], fill=220)
    place = Image.new("RGBA", (140, 44), (255, 240, 170, 0))
    place.putalpha(mask.filter(ImageFilter.GaussianBlur(6)))
    save(place, "interface/inventory_tasks/place")


def sounds():
    tones = {"ad_hint": "sine 660-990", "ad_skip": "sine 440-880", "ad_reset": "sine 880-440",
             "ad_map": "pinknoise", "ad_mapclose": "brownnoise"}
    for name, synth in tones.items():
        path = out("levels/common/audio/%s.ogg" % name)
        subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", path, "synth", "0.25"] + synth.split()
                       + ["fade", "0.01", "0.25", "0.1", "vol", "0.4"], check=True)


def main():
    hint()
    minigame()
    main_bar()
    map_button()
    inventory_buttons()
    caption_bar()
    subroom_frame()
    inventory_and_tasks()
    if "--no-sound" not in sys.argv:
        sounds()


if __name__ == "__main__":
    main()
