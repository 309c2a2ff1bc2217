#!/usr/bin/python3
"""Draws the pictures of the sample's cards screen and strategy guide: three
cards, the guide's book, the highlight behind a contents entry, and the
guide's screenshots of the sample's own rooms.

The screenshots are taken by the program itself: it runs on the sample under
xvfb-run with --screenshot, replaying the clicks that lead to each room, and
the design area of each shot is scaled down. Give the built program to take
them again; without it only the drawn pictures are made:

    apt-get install openclipart-svg librsvg2-bin fonts-noto-color-emoji python3-pil xvfb
    /usr/bin/python3 sample/make_guide_assets.py [build/bin/notengine]

Sources: see assets/interface/guide/LICENSE.txt.
"""

import os
import subprocess
import sys
import tempfile

from PIL import Image, ImageChops, ImageDraw, ImageFilter

from sample_art import emoji, out, paste_centred, svg

HERE = os.path.dirname(os.path.abspath(__file__))

# Cards: name, emoji, border colour.
CARDS = [("card_0", "\U0001F989", (120, 80, 160)), ("card_1", "\U0001F319", (60, 110, 170)),
         ("card_2", "\U0001F56F", (170, 110, 50))]

# Screenshots: name, design points to click (each 70 turns after the one before),
# turns to run. Each starts with the menu's "New game" and a click beside the room
# that fades its caption away. The lit lamps are drawn (lamps_picture): only a game
# that has played through the attic holds the taper that lights them.
WIDE_OFFSET = 171
DOOR, HO_DOOR, MG_DOOR, REST, NEW_GAME = (745, 352), (745, 352), (285, 352), (-150, 20), (780, 240)
SHOTS = [("hall", [NEW_GAME, REST], 190), ("study", [NEW_GAME, REST, DOOR], 260),
         ("ho_room", [NEW_GAME, REST, DOOR, HO_DOOR], 330), ("workshop", [NEW_GAME, REST, DOOR, MG_DOOR], 330)]
LAMPS = [(312, 410), (512, 410), (712, 410)]  # as in assets/levels/minigame.xml
SHOT_SIZE = (640, 480)  # shown at 0.2687 in a 172 x 130 slot, whole in the enlarged view


def parchment(size, radius, border):
    sheet = Image.new("RGBA", size, (0, 0, 0, 0))
    draw = ImageDraw.Draw(sheet)
    draw.rounded_rectangle([0, 0, size[0] - 1, size[1] - 1], radius, fill=(236, 222, 186, 255), outline=border,
                           width=6)
    draw.rounded_rectangle([14, 14, size[0] - 15, size[1] - 15], max(2, radius - 8), outline=border + (120,),
                           width=2)
    return sheet


def cards():
    for name, char, border in CARDS:
        card = parchment((200, 280), 18, border)
        paste_centred(card, emoji(char, 120), (100, 140))
        card.save(out("interface/cards/" + name + ".png"), optimize=True)


def book():
    table = Image.new("RGBA", (1366, 768), (70, 44, 28, 255))
    draw = ImageDraw.Draw(table)
    for x in range(0, 1366, 40):  # boards
        draw.line([(x, 0), (x, 768)], fill=(58, 36, 22), width=3)
    shadow = Image.new("RGBA", (1366, 768), (0, 0, 0, 0))
    ImageDraw.Draw(shadow).rounded_rectangle([221, 46, 1161, 740], 24, fill=(0, 0, 0, 150))
    table.alpha_composite(shadow.filter(ImageFilter.GaussianBlur(12)))
    page = parchment((920, 680), 24, (120, 80, 40))
    corner = svg("decorations/flourish_three_corner_01.svg", 110)
    page.alpha_composite(corner, (20, 20))
    page.alpha_composite(corner.transpose(Image.FLIP_LEFT_RIGHT), (920 - 20 - corner.width, 20))
    table.alpha_composite(page, (WIDE_OFFSET + 52, 30))
    table.convert("RGB").save(out("interface/guide/book.jpg"), quality=88)
    light = Image.new("RGBA", (400, 38), (255, 236, 170, 0))
    mask = Image.new("L", (400, 38), 0)
    ImageDraw.Draw(mask).rounded_rectangle([10, 6, 390, 32], 12, fill=150)
    light.putalpha(mask.filter(ImageFilter.GaussianBlur(5)))
    light.save(out("levels/menu/strguide/layers/light.png"), optimize=True)


def screenshots(program):
    for name, clicks, turns in SHOTS:
        with tempfile.TemporaryDirectory() as work:
            events, turn = [], 10
            for x, y in clicks:
                x += WIDE_OFFSET
                events += ["%d 4 0 %d %d 0" % (turn, x, y), "%d 1 0 %d %d 0" % (turn + 1, x, y),
                           "%d 3 0 %d %d 0" % (turn + 2, x, y)]
                turn += 70
            events.append("%d 4 0 %d %d 0" % (turn, REST[0] + WIDE_OFFSET, REST[1]))
            replay, shot = os.path.join(work, "input.txt"), os.path.join(work, "shot.png")
            with open(replay, "w") as f:
                f.write("".join(e + "\n" for e in events))
            env = dict(os.environ, NOTENGINE_USER_DIR=work, ALSOFT_DRIVERS="null")
            subprocess.run(["xvfb-run", "-a", "-s", "-screen 0 1920x1080x24", os.path.abspath(program), "--windowed",
                            "--fixed-step", "--frames", str(turns), "--input", replay, "--screenshot", shot],
                           cwd=HERE, env=env, check=True, stderr=subprocess.DEVNULL)
            image = Image.open(shot).convert("RGB").crop((WIDE_OFFSET, 0, WIDE_OFFSET + 1024, 768))
            image.resize(SHOT_SIZE, Image.LANCZOS).save(out("interface/guide/screens/" + name + ".jpg"),
                                                        quality=85)


def ending_picture():
    """The ending's page shows a picture of the ending's clip: the lit house at dawn."""
    from make_menu_assets import house_scene
    scene = house_scene((1024, 768), lit=3.0, warmth=0.8, centre=512, house_scale=1.1)
    scene.convert("RGB").resize(SHOT_SIZE, Image.LANCZOS).save(out("interface/guide/screens/ending.jpg"), quality=85)


def lamps_picture():
    """The lamps' page: the workshop with its three lamps burning."""
    room = Image.open(out("rooms/minigame/bg.jpg")).convert("RGBA")
    glow_picture = Image.open(out("rooms/room1/lamp_glow.png")).convert("RGBA")
    lamp = Image.open(out("rooms/minigame/lamp_on.png")).convert("RGBA")
    # The glow is added to what is under it, as the game draws it.
    black = Image.new("RGB", glow_picture.size)
    glow_rgb = Image.composite(glow_picture.convert("RGB"), black, glow_picture.getchannel("A"))
    light = Image.new("RGB", room.size)
    for x, y in LAMPS:
        x += WIDE_OFFSET
        room.alpha_composite(lamp, (x - lamp.width // 2, y - lamp.height // 2))
        light.paste(ImageChops.add(light.crop((x - glow_rgb.width // 2, y - 30 - glow_rgb.height // 2,
                                               x + (glow_rgb.width + 1) // 2, y - 30 + (glow_rgb.height + 1) // 2)),
                                   glow_rgb), (x - glow_rgb.width // 2, y - 30 - glow_rgb.height // 2))
    room = ImageChops.add(room.convert("RGB"), light)
    room = room.crop((WIDE_OFFSET, 0, WIDE_OFFSET + 1024, 768))
    room.resize(SHOT_SIZE, Image.LANCZOS).save(out("interface/guide/screens/lamps.jpg"), quality=85)


def main():
    cards()
    book()
    ending_picture()
    lamps_picture()
    if len(sys.argv) > 1:
        screenshots(sys.argv[1])


if __name__ == "__main__":
    main()
