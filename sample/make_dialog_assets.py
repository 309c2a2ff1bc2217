#!/usr/bin/python3
"""Draws the fixed pictures of the sample's popups, dialogs, modal window and
map, and makes their sounds and the spoken line of the character dialog.

Everything is drawn here with Pillow (python3-pil) from plain shapes, except
the portrait, an emoji of the Noto Color Emoji font (fonts-noto-color-emoji,
SIL Open Font License 1.1); the sounds come from sox and the voice from
espeak-ng (its voice data is GPL-3, the spoken output is ours), converted to
Ogg with sox. Only needed to change the committed files:

    apt-get install python3-pil fonts-noto-color-emoji sox espeak-ng
    /usr/bin/python3 sample/make_dialog_assets.py
"""

import os
import subprocess
import tempfile

from PIL import Image, ImageDraw, ImageFont

from make_ho_assets import out, save

EMOJI_FONT = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf"

GOLD = (214, 182, 99, 255)
EDGE = (214, 182, 99, 128)  # the half-transparent rim outside the gold line
FILL = (34, 27, 22, 255)


def frame_set(folder, corner, line):
    """Nine-slice pieces: corner is (w, h, border x, border y) in the corner
    picture; line is the border's offset in the side pictures."""
    w, h, bx, by = corner
    angle = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    d = ImageDraw.Draw(angle)
    d.rectangle([bx - 2, by - 2, w, h], fill=EDGE)
    d.rectangle([bx, by, w, h], fill=GOLD)
    d.rectangle([bx + 3, by + 3, w, h], fill=FILL)
    save(angle, folder + "/frame_angle")
    v = Image.new("RGBA", (w, 2), (0, 0, 0, 0))
    d = ImageDraw.Draw(v)
    d.rectangle([line - 2, 0, w, 1], fill=EDGE)
    d.rectangle([line, 0, w, 1], fill=GOLD)
    d.rectangle([line + 3, 0, w, 1], fill=FILL)
    save(v, folder + "/frame_v")
    hh = Image.new("RGBA", (2, h), (0, 0, 0, 0))
    d = ImageDraw.Draw(hh)
    top = line if folder.endswith("dialogs") else by - 3
    d.rectangle([0, top - 2, 1, h], fill=EDGE)
    d.rectangle([0, top, 1, h], fill=GOLD)
    d.rectangle([0, top + 3, 1, h], fill=FILL)
    save(hh, folder + "/frame_h")
    save(Image.new("RGBA", (2, 2), FILL), folder + "/frame_bg")
    centre = Image.new("RGBA", (40, 20), (0, 0, 0, 0))
    d = ImageDraw.Draw(centre)
    d.polygon([(0, 10), (20, 0), (39, 10), (20, 19)], fill=GOLD)
    d.polygon([(8, 10), (20, 4), (32, 10), (20, 15)], fill=FILL)
    save(centre, folder + "/frame_center")


def panel(size, path, radius=18, fill=FILL):
    image = Image.new("RGBA", size, (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    d.rounded_rectangle([0, 0, size[0] - 1, size[1] - 1], radius, fill=EDGE)
    d.rounded_rectangle([2, 2, size[0] - 3, size[1] - 3], radius, fill=GOLD)
    d.rounded_rectangle([5, 5, size[0] - 6, size[1] - 6], radius, fill=fill)
    save(image, path)


def button(size, path, light):
    panel(size, path, radius=size[1] // 2, fill=(92, 70, 40, 255) if light else (60, 46, 30, 255))


def close_cross(path, light):
    image = Image.new("RGBA", (64, 64), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    d.ellipse([2, 2, 61, 61], fill=GOLD)
    d.ellipse([6, 6, 57, 57], fill=(92, 70, 40, 255) if light else FILL)
    d.line([20, 20, 43, 43], fill=GOLD, width=6)
    d.line([43, 20, 20, 43], fill=GOLD, width=6)
    save(image, path)


def glow(path):
    image = Image.new("RGBA", (1024, 80), (0, 0, 0, 0))
    for y in range(80):
        ImageDraw.Draw(image).line([0, y, 1023, y], fill=(255, 220, 140, int(150 * y / 79)))
    save(image, path)


def map_picture(path):
    image = Image.new("RGBA", (1024, 768), (214, 196, 150, 255))
    d = ImageDraw.Draw(image)
    d.rectangle([20, 20, 1003, 747], outline=(120, 90, 50, 255), width=6)
    d.line([300, 380, 720, 380], fill=(150, 110, 60, 255), width=8)
    d.line([720, 380, 720, 560], fill=(150, 110, 60, 255), width=8)
    save(image, path)


def room_mark(path, colour):
    image = Image.new("RGBA", (180, 120), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    d.rounded_rectangle([0, 0, 179, 119], 14, fill=(120, 90, 50, 255))
    d.rounded_rectangle([6, 6, 173, 113], 10, fill=colour)
    save(image, path)


def emoji(char, size, path):
    font = ImageFont.truetype(EMOJI_FONT, 109)
    image = Image.new("RGBA", (136, 128), (0, 0, 0, 0))
    ImageDraw.Draw(image).text((0, 0), char, font=font, embedded_color=True)
    image = image.crop(image.getbbox()).resize((size, size), Image.LANCZOS)
    save(image, path)


def sound(path, *effect):
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "1", out(path + ".ogg")] + list(effect), check=True)


def voice(path, line):
    with tempfile.TemporaryDirectory() as tmp:
        wav = os.path.join(tmp, "line.wav")
        subprocess.run(["espeak-ng", "-v", "en", "-s", "150", "-w", wav, line], check=True)
        subprocess.run(["sox", wav, "-r", "44100", out(path + ".ogg")], check=True)


def main():
    frame_set("interface/popup", (44, 32, 14, 10), 14)
    frame_set("interface/dialogs", (80, 84, 40, 42), 18)
    panel((720, 190), "interface/dialogs/talkwindow")
    # The talk window's skip button is the video frame's, drawn by make_media.py.
    panel((440, 460), "interface/hodialog/back")
    button((150, 46), "interface/hodialog/ok", False)
    button((150, 46), "interface/hodialog/ok_over", True)
    close_cross("interface/map/btn_close", False)
    close_cross("interface/map/btn_close_light", True)
    glow("levels/common/gr_bottom_focus")
    map_picture("interface/map/back")
    room_mark("interface/map/room1", (170, 200, 150, 255))
    room_mark("interface/map/room2", (150, 170, 210, 255))
    room_mark("interface/map/ho_room", (210, 160, 140, 255))
    panel((520, 300), "interface/settings/back")
    button((60, 40), "interface/settings/btn", False)
    button((60, 40), "interface/settings/btn_over", True)
    emoji("\U0001F9D9", 150, "interface/dialogs/portrait_mage")
    emoji("\U0001F3C6", 160, "interface/hodialog/trophy")
    sound("levels/common/audio/ad_open_map", "synth", "0.4", "pluck", "C4", "pluck", "G4", "fade", "0", "0.4",
          "0.2")
    sound("levels/common/audio/ad_menu_click", "synth", "0.08", "square", "880", "fade", "0", "0.08", "0.04",
          "vol", "0.4")
    sound("levels/common/audio/ad_menu_focus", "synth", "0.06", "sine", "1320", "fade", "0", "0.06", "0.03",
          "vol", "0.3")
    voice("sounds/voice_mage_hello", "Welcome, traveller. The map will show you the way.")


if __name__ == "__main__":
    main()
