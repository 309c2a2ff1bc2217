#!/usr/bin/python3
"""Draws the fixed pictures of the sample's popups, text and character dialogs,
the hidden-object dialog and the map, and makes their sounds and the mage's
spoken lines.

Everything is drawn here with Pillow (python3-pil) from plain shapes, except
the mage (portrait and figure), the trophy and the map's room pictures, emoji
of the Noto Color Emoji font (fonts-noto-color-emoji: images Apache 2.0, font
SIL Open Font License 1.1); the sounds come from sox and the voices from
espeak-ng (its voice data is GPL-3, the spoken output is ours), converted to
Ogg with sox. Only needed to change the committed files:

    apt-get install python3-pil fonts-noto-color-emoji sox espeak-ng
    /usr/bin/python3 sample/make_dialog_assets.py

The map's rooms are the rooms' own pictures: run it after make_assets.py and
make_ho_assets.py when those change.
"""

import os
import random
import subprocess
import sys
import tempfile

from PIL import Image, ImageChops, ImageDraw, ImageFilter

from sample_art import (DARK, GOLD, GOLD_LIGHT, INK, PARCHMENT, canvas, emoji, glow, out, paste_centred, plaque,
                        save, save_jpeg, shadow_of, star_points, svg, tinted, vertical_gradient)

EDGE = (90, 70, 40, 255)
FILL = (34, 27, 22, 250)

# The mage's lines as the voice speaks them (the texts are in strings.xml).
VOICES = {
    "voice_mage_hello": "Welcome, traveller. I am Aldric, keeper of this house. Its lamps went dark the night "
                        "the lock box was shut, and the key was lost upstairs in the attic.",
    "voice_mage_map": "Find everything on the attic's list and the key is yours. Open the lock box here in the "
                      "hall, then light the three lamps in the workshop. The map shows where there is still "
                      "something to do.",
    "voice_mage_box": "The box is open and the taper is yours! Carry its flame to the workshop and light the "
                      "three lamps. The map shows the way.",
}


def border_template(size, rim):
    """A box whose outer edge is the picture's edge: the rim's rings from the edge
    inwards (dark outline, gold band, dark line, a thin gold line), then the fill."""
    w, h = size
    image = canvas(w, h)
    d = ImageDraw.Draw(image)
    r = rim
    d.rounded_rectangle((0, 0, w - 1, h - 1), r["radius"], fill=EDGE)
    d.rounded_rectangle((1, 1, w - 2, h - 2), r["radius"] - 1, fill=GOLD)
    inner = r["band"]
    d.rounded_rectangle((inner, inner, w - 1 - inner, h - 1 - inner), max(1, r["radius"] - inner), fill=EDGE)
    d.rounded_rectangle((inner + 2, inner + 2, w - 3 - inner, h - 3 - inner), max(1, r["radius"] - inner - 2),
                        fill=FILL)
    line = r["line"]
    d.rounded_rectangle((line, line, w - 1 - line, h - 1 - line), max(1, r["radius"] - line),
                        outline=(214, 182, 99, 150), width=1)
    return image


def frame_set(folder, corner, side_len, top_len, edge, rim, ornament):
    """The five pieces of a frame, cut from one drawn box so that their edges meet:
    corner is the corner picture's size, edge where the drawn picture's edge lies in
    it (column, row); side_len and top_len the lengths of frame_v and frame_h."""
    template = border_template((400, 400), rim)
    cw, ch = corner
    ex, ey = edge
    angle = canvas(cw, ch)
    angle.alpha_composite(template.crop((0, 0, cw - ex, ch - ey)), (ex, ey))
    save(angle, folder + "/frame_angle")
    save(template.crop((0, 200, side_len, 202)), folder + "/frame_v")
    save(template.crop((200, 0, 202, top_len)), folder + "/frame_h")
    save(canvas(2, 2, FILL), folder + "/frame_bg")
    save(ornament, folder + "/frame_center")


def gem(w, h):
    image = canvas(w, h)
    d = ImageDraw.Draw(image)
    d.polygon([(0, h // 2), (w // 2, 0), (w - 1, h // 2), (w // 2, h - 1)], fill=EDGE)
    d.polygon([(2, h // 2), (w // 2, 1), (w - 3, h // 2), (w // 2, h - 2)], fill=GOLD)
    d.polygon([(w // 4, h // 2), (w // 2, h // 4), (3 * w // 4, h // 2), (w // 2, 3 * h // 4)], fill=(150, 40, 40, 255))
    return image


def frames():
    # Popup: corner 42 x 30 whose top 3 rows are cut off; sides 42 and 30 long.
    frame_set("interface/popup", (42, 30), 42, 30, (0, 3), {"radius": 8, "band": 5, "line": 9}, gem(28, 16))
    # Text dialog: corner 80 x 82 from column 4 and row 3; frame_v 92 wide, frame_h 98 high.
    flourish = tinted(svg("decorations/flourish_two_horizontal_01.svg", 90), GOLD)
    top = canvas(110, 40)
    paste_centred(top, flourish, (55, 20))
    paste_centred(top, gem(26, 16), (55, 20))
    frame_set("interface/dialogs", (80, 82), 92, 98, (4, 3), {"radius": 16, "band": 7, "line": 14}, top)


def talk_window():
    w, h = 560, 212  # the continue hint stands 77 below the centre: inside the inner line
    window = canvas(w, h)
    body = plaque(w, h, (30, 24, 26, 245), GOLD, radius=22, light=-40)
    d = ImageDraw.Draw(body)
    d.rounded_rectangle((12, 12, w - 13, h - 13), 14, outline=(214, 182, 99, 110), width=2)
    window.alpha_composite(body)
    save(window, "interface/dialogs/talkwindow", 160)
    save(plaque(170, 40, (70, 40, 56, 255), GOLD), "interface/dialogs/name_plate", 96)


MAGE = "\U0001F9D9\u200D\u2642\uFE0F"  # the bearded mage
ROBE = (48, 69, 162, 255)
STAR = (250, 224, 60, 255)


def mage_figure():
    """Aldric standing: the emoji's head and shoulders over a long robe with stars
    and a rope belt, his staff reaching the floor. The feet are 14 above the
    picture's bottom, over a soft shadow."""
    bust = emoji(MAGE, 170)
    bust = bust.crop((0, 0, bust.width, bust.height - 3))  # its soft bottom edge would show as a seam
    bw, bh = bust.size
    w, h = 220, 372
    cx, robe_top, hem = w // 2, bh - 10, h - 30
    row = [x for x in range(bw) if bust.getpixel((x, bh - 3))[3] > 128]
    left, right = cx - bw // 2 + min(row), cx - bw // 2 + max(row)
    figure = canvas(w, h)
    shadow = canvas(w, h)
    ImageDraw.Draw(shadow).ellipse((cx - 80, h - 30, cx + 84, h - 4), fill=(0, 0, 0, 120))
    figure.alpha_composite(shadow.filter(ImageFilter.GaussianBlur(5)))
    d = ImageDraw.Draw(figure)
    for dx in (-20, 14):  # shoes under the hem
        d.ellipse((cx + dx - 16, hem - 10, cx + dx + 18, hem + 14), fill=(58, 36, 24, 255))
    belt = robe_top + 58
    outline = [(left, robe_top), (right, robe_top), (right - 6, belt), (right + 24, hem), (left - 24, hem),
               (left + 6, belt)]
    robe = canvas(w, h)
    rd = ImageDraw.Draw(robe)
    rd.polygon(outline, fill=ROBE)
    rd.ellipse((left - 24, hem - 12, right + 24, hem + 8), fill=ROBE)
    rng = random.Random(6)
    for row_y in range(robe_top + 34, hem - 6, 30):  # stars spread over the cloth
        for col in range(-2, 3):
            x = cx + col * 30 + rng.uniform(-9, 9) + (15 if (row_y // 30) % 2 else 0)
            y = row_y + rng.uniform(-8, 8)
            half = (right - left) / 2 + 24 * max(0, y - belt) / (hem - belt) - 8
            if abs(x - cx) < half and abs(y - belt) > 10:
                rd.polygon(star_points(x, y, 6, 2.6, turn=rng.uniform(-1.9, -1.2)), fill=STAR)
    rd.rectangle((left - 26, hem - 3, right + 26, hem + 8), fill=GOLD)
    mask = canvas(w, h)
    md = ImageDraw.Draw(mask)
    md.polygon(outline, fill=(255,) * 4)
    md.ellipse((left - 24, hem - 12, right + 24, hem + 8), fill=(255,) * 4)
    # Round shading, darker toward both sides and down the folds, fading in below the
    # shoulders so that the emoji's flat colour meets the cloth without a seam.
    shade = canvas(w, h)
    sd = ImageDraw.Draw(shade)
    for x in range(w):
        t = abs(x - cx) / (w / 2)
        sd.line((x, 0, x, h), fill=(0, 0, 30, int(150 * t ** 2)))
    for fx in (-40, -14, 12, 38):
        sd.line((cx + fx * 0.3, belt + 6, cx + fx, hem), fill=(0, 0, 30, 80), width=5)
    fade = Image.linear_gradient("L").resize((w, 40))
    ramp = Image.new("L", (w, h), 255)
    ramp.paste(Image.new("L", (w, robe_top + 4), 0), (0, 0))
    ramp.paste(fade, (0, robe_top + 4))
    shade.putalpha(ImageChops.multiply(shade.getchannel("A"), ramp))
    shade = shade.filter(ImageFilter.GaussianBlur(3))
    robe.alpha_composite(Image.composite(shade, canvas(w, h), mask.getchannel("A")))
    figure.alpha_composite(robe)
    d = ImageDraw.Draw(figure)
    d.line((left + 2, belt, cx, belt + 5, right - 2, belt), fill=(214, 170, 70, 255), width=7, joint="curve")
    d.ellipse((cx - 16, belt - 3, cx - 4, belt + 9), fill=(190, 146, 56, 255))
    d.line((cx - 10, belt + 6, cx - 16, belt + 66), fill=(214, 170, 70, 255), width=4)
    d.line((cx - 8, belt + 6, cx - 2, belt + 58), fill=(214, 170, 70, 255), width=4)
    staff_x = cx - bw // 2 + int(bw * 0.84)
    d.line((staff_x, robe_top - 10, staff_x + 4, hem + 12), fill=(150, 96, 36, 255), width=8)
    d.line((staff_x - 2, robe_top - 10, staff_x + 1, hem + 10), fill=(214, 150, 60, 255), width=3)
    figure.alpha_composite(bust, (cx - bw // 2, 0))
    # The hall's evening light.
    lit = ImageChops.multiply(figure.convert("RGB"), Image.new("RGB", figure.size, (214, 214, 232)))
    lit.putalpha(figure.getchannel("A"))
    return lit


def mage():
    save(emoji(MAGE, 150), "interface/dialogs/portrait_mage")
    save(mage_figure(), "interface/dialogs/mage_figure")
    note = canvas(70, 84)
    paper = canvas(56, 66, PARCHMENT)
    d = ImageDraw.Draw(paper)
    d.rectangle((0, 0, 55, 65), outline=(170, 140, 90, 255))
    for y in range(16, 60, 8):
        d.line((8, y, 48 - (y * 7) % 13, y), fill=(110, 80, 50, 200), width=1)
    paper = paper.rotate(-6, expand=True, resample=Image.BICUBIC)
    shade, pad = shadow_of(paper, 3, 120, (2, 3))
    paste_centred(note, shade, (36, 44))
    paste_centred(note, paper, (35, 43))
    d = ImageDraw.Draw(note)
    d.ellipse((30, 6, 40, 16), fill=(180, 40, 40, 255), outline=(90, 20, 20, 255))
    save(note, "interface/dialogs/note")


def ho_dialog():
    body = plaque(440, 460, (34, 27, 30, 240), GOLD, radius=26, light=-40)
    ImageDraw.Draw(body).rounded_rectangle((14, 14, 425, 445), 18, outline=(214, 182, 99, 110), width=2)
    save(body, "interface/hodialog/back", 160)
    save(plaque(150, 46, (52, 36, 50, 255)), "interface/hodialog/ok", 96)
    save(plaque(150, 46, (110, 74, 70, 255), GOLD_LIGHT, light=60), "interface/hodialog/ok_over", 96)
    save(emoji("\U0001F3C6", 160), "interface/hodialog/trophy")


def close_cross(path, light):
    image = canvas(64, 64)
    d = ImageDraw.Draw(image)
    d.ellipse((2, 2, 61, 61), fill=GOLD_LIGHT if light else GOLD)
    d.ellipse((6, 6, 57, 57), fill=(110, 60, 50, 255) if light else (60, 36, 40, 255))
    d.line((21, 21, 42, 42), fill=GOLD_LIGHT, width=6)
    d.line((42, 21, 21, 42), fill=GOLD_LIGHT, width=6)
    save(image, path)


# The map's rooms as the map's module places their marks (centre and size around the
# map's centre), each shown by a small painting of the room itself; the attic fills
# the roof.
MAP_ROOMS = {"sample_room1": ((-300, 95, 250, 230), "rooms/room1/bg.jpg"),
             "sample_room2": ((0, 95, 250, 230), "rooms/room2/bg.jpg"),
             "sample_mg_room": ((300, 95, 250, 230), "rooms/minigame/bg.jpg")}
ATTIC = ((0, -143, 840, 238), "rooms/ho_room/bg.jpg")  # the triangle under the roof, its box
ROOF_APEX, EAVES_Y, EAVES_X = -300, -18, 480


def room_painting(path, size):
    """The room's picture, the 4:3 design area cropped to fill size, faded a little
    toward the paper like a coloured drawing."""
    room = Image.open(out(path)).convert("RGB").crop((171, 60, 1195, 768))
    w, h = size
    scale = max(w / room.width, h / room.height)
    room = room.resize((max(w, round(room.width * scale)), max(h, round(room.height * scale))), Image.LANCZOS)
    x, y = (room.width - w) // 2, (room.height - h) // 2
    room = room.crop((x, y, x + w, y + h))
    return Image.blend(room, Image.new("RGB", size, PARCHMENT[:3]), 0.18).convert("RGBA")


def attic_triangle(w, h):
    """The attic's outline in its box: apex at the top centre, the floor along the bottom."""
    return [(w / 2, 0), (w - 1, h - 1), (0, h - 1)]


def map_pictures():
    """The house in cross-section on a parchment sheet, over a dark table: the attic
    under the roof and the three rooms below, each a small painting of the room; the
    title at the bottom, where no popup reaches (they open above the pointer)."""
    table = vertical_gradient(1366, 768, [(0, (44, 30, 22)), (1, (26, 17, 12))]).convert("RGBA")
    d = ImageDraw.Draw(table)
    for x in range(0, 1366, 46):
        d.line((x, 0, x, 768), fill=(18, 12, 8, 255), width=2)
    sheet = canvas(980, 730)
    sd = ImageDraw.Draw(sheet)
    sd.rounded_rectangle((0, 0, 979, 729), 18, fill=PARCHMENT, outline=(120, 80, 40, 255), width=6)
    spots = canvas(980, 730)
    rng = random.Random(9)
    for _ in range(260):  # age spots, blended onto the sheet
        x, y, r = rng.randrange(980), rng.randrange(730), rng.randint(3, 14)
        ImageDraw.Draw(spots).ellipse((x - r, y - r, x + r, y + r), fill=(170, 130, 80, rng.randint(8, 22)))
    mask = sheet.getchannel("A")
    sheet.alpha_composite(spots.filter(ImageFilter.GaussianBlur(3)))
    sheet.putalpha(mask)
    shade, pad = shadow_of(sheet, 14, 170)
    table.alpha_composite(shade, (683 - 490 - pad, 384 - 365 - pad))
    table.alpha_composite(sheet, (683 - 490, 384 - 365))
    d = ImageDraw.Draw(table)
    ink, wall = INK, (120, 80, 40, 255)
    cx, cy = 683, 384
    # The roof: shingles between the roof's line and the attic's.
    roof = [(cx - EAVES_X, cy + EAVES_Y), (cx, cy + ROOF_APEX), (cx + EAVES_X, cy + EAVES_Y)]
    d.polygon(roof, fill=(150, 96, 70, 255))
    for i in range(1, 9):
        t = i / 9
        y = cy + ROOF_APEX + (EAVES_Y - ROOF_APEX) * t
        d.line((cx - EAVES_X * t, y, cx + EAVES_X * t, y), fill=(110, 66, 46, 255), width=2)
    (ax, ay, aw, ah), attic_path = ATTIC
    painting = room_painting(attic_path, (aw, ah))
    tri = canvas(aw, ah)
    ImageDraw.Draw(tri).polygon(attic_triangle(aw, ah), fill=(255, 255, 255, 255))
    painting.putalpha(tri.getchannel("A"))
    x0, y0 = cx + ax - aw // 2, cy + ay - ah // 2
    table.alpha_composite(painting, (x0, y0))
    d = ImageDraw.Draw(table)
    d.polygon([(x0 + px, y0 + py) for px, py in attic_triangle(aw, ah)], outline=wall, width=5)
    d.rounded_rectangle((cx - 90, cy + ay + ah // 2 - 40, cx + 90, cy + ay + ah // 2 - 5), 8,
                        fill=(236, 222, 186, 225))  # under the attic's name
    d.line(roof, fill=ink, width=7, joint="curve")
    d.rectangle((cx + 70, cy + ROOF_APEX + 40, cx + 100, cy + ROOF_APEX + 110), fill=(110, 66, 46, 255),
                outline=ink, width=3)  # the chimney
    # The ground floor: three rooms and the walls between them.
    floor_top, floor_bottom = cy + 95 - 115, cy + 95 + 115
    d.rectangle((cx - 470, floor_top, cx + 470, floor_bottom), fill=(214, 196, 160, 255))
    for room, ((x, y, w, h), path) in MAP_ROOMS.items():
        x0, y0 = cx + x - w // 2, cy + y - h // 2
        table.alpha_composite(room_painting(path, (w, h)), (x0, y0))
        d = ImageDraw.Draw(table)
        d.rectangle((x0, y0, x0 + w, y0 + h), outline=wall, width=5)
        d.rectangle((x0 + 5, y0 + h - 40, x0 + w - 5, y0 + h - 5), fill=(236, 222, 186, 225))  # under the name
    d.rectangle((cx - 470, floor_top, cx + 470, floor_bottom), outline=ink, width=6)
    d.line((cx - 490, floor_bottom + 8, cx + 490, floor_bottom + 8), fill=(110, 140, 70, 255), width=6)
    flourish = tinted(svg("decorations/flourish_two_horizontal_01.svg", 120), INK)
    for x in (cx - 300, cx + 300):  # on both sides of the title, which the map's module writes
        paste_centred(table, flourish, (x, cy + 270))
    save_jpeg(table, "interface/map/back", 86)
    light = canvas(64, 64)
    ImageDraw.Draw(light).rounded_rectangle((0, 0, 63, 63), 8, fill=(255, 226, 130, 90))
    ImageDraw.Draw(light).rounded_rectangle((2, 2, 61, 61), 7, outline=(200, 60, 40, 220), width=3)
    save(light, "interface/map/light")
    attic_light = canvas(aw, ah)
    ImageDraw.Draw(attic_light).polygon(attic_triangle(aw, ah), fill=(255, 226, 130, 80), outline=(200, 60, 40, 220),
                                        width=4)
    save(attic_light, "interface/map/light_attic")
    pin = canvas(44, 64)
    d = ImageDraw.Draw(pin)
    d.polygon([(10, 30), (22, 62), (34, 30)], fill=(120, 20, 20, 255))
    d.ellipse((2, 2, 41, 41), fill=(190, 40, 40, 255), outline=(90, 10, 10, 255), width=3)
    d.ellipse((11, 9, 21, 19), fill=(255, 200, 190, 220))
    save(pin, "interface/map/here")
    plate = canvas(156, 32)
    ImageDraw.Draw(plate).rounded_rectangle((0, 0, 155, 31), 10, fill=(244, 232, 200, 240), outline=INK, width=2)
    save(plate, "interface/map/here_plate")
    # The popups' pictures: the room again, small, in a gold frame.
    for room, (_, path) in list(MAP_ROOMS.items()) + [("sample_ho_room", ATTIC)]:
        thumb = canvas(128, 72)
        thumb.alpha_composite(room_painting(path if room != "sample_ho_room" else ATTIC[1], (128, 72)))
        ImageDraw.Draw(thumb).rounded_rectangle((0, 0, 127, 71), 6, outline=GOLD, width=3)
        save(thumb, "interface/map/thumb_" + room)
    close_cross("interface/map/btn_close", False)
    close_cross("interface/map/btn_close_light", True)
    glow_bar = canvas(1024, 80)
    for y in range(80):
        ImageDraw.Draw(glow_bar).line([0, y, 1023, y], fill=(255, 220, 140, int(150 * y / 79)))
    save(glow_bar, "levels/common/gr_bottom_focus")


def sound(path, *effect):
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "1", out(path + ".ogg")] + list(effect), check=True)


def voice(path, line):
    with tempfile.TemporaryDirectory() as tmp:
        wav = os.path.join(tmp, "line.wav")
        subprocess.run(["espeak-ng", "-v", "en-gb", "-s", "140", "-p", "35", "-w", wav, line], check=True)
        subprocess.run(["sox", wav, "-r", "22050", "-C", "2", out(path + ".ogg")], check=True)


def sounds():
    sound("levels/common/audio/ad_open_map", "synth", "0.4", "pluck", "C4", "pluck", "G4", "fade", "0", "0.4",
          "0.2")
    sound("levels/common/audio/ad_menu_click", "synth", "0.08", "square", "880", "fade", "0", "0.08", "0.04",
          "vol", "0.4")
    sound("levels/common/audio/ad_menu_focus", "synth", "0.06", "sine", "1320", "fade", "0", "0.06", "0.03",
          "vol", "0.3")
    for name, line in VOICES.items():
        voice("sounds/" + name, line)


def main():
    frames()
    talk_window()
    mage()
    ho_dialog()
    map_pictures()
    if "--no-sound" not in sys.argv:
        sounds()


if __name__ == "__main__":
    main()
