"""Drawing helpers shared by the sample's interface scripts (make_menu_assets.py,
make_dialog_assets.py, make_hud_assets.py, make_guide_assets.py, make_media.py):
where files go, clip art and emoji rendering, and the few shapes every panel
of the sample is made of. Needs python3-pil; svg() needs librsvg2-bin and
openclipart-svg, emoji() fonts-noto-color-emoji."""

import io
import math
import os
import subprocess

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
ASSETS = os.path.join(HERE, "assets")
CLIPART = "/usr/share/openclipart/svg"
EMOJI_FONT = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf"

GOLD = (214, 182, 99, 255)
GOLD_LIGHT = (250, 226, 150, 255)
DARK = (34, 27, 22, 255)
PARCHMENT = (236, 222, 186, 255)
INK = (92, 56, 26, 255)


def out(path):
    full = os.path.join(ASSETS, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    return full


def save(image, path, colours=None):
    """A PNG; with colours, quantised to that many (alpha kept) to stay small."""
    if colours:
        image = image.quantize(colours, method=Image.Quantize.FASTOCTREE, dither=Image.Dither.NONE)
    image.save(out(path + ".png"), optimize=True)


def save_jpeg(image, path, quality=86):
    image.convert("RGB").save(out(path + ".jpg"), quality=quality, optimize=True)


def canvas(w, h, fill=(0, 0, 0, 0)):
    return Image.new("RGBA", (w, h), fill)


def svg(name, width):
    png = subprocess.run(["rsvg-convert", "-w", str(width), os.path.join(CLIPART, name)], check=True,
                         stdout=subprocess.PIPE).stdout
    return Image.open(io.BytesIO(png)).convert("RGBA")


def tinted(image, colour):
    """The picture's shape in one colour, its alpha kept."""
    flat = Image.new("RGBA", image.size, colour[:3] + (255,))
    flat.putalpha(Image.eval(image.getchannel("A"), lambda a: a * colour[3] // 255))
    return flat


def emoji(char, size):
    font = ImageFont.truetype(EMOJI_FONT, 109)
    image = Image.new("RGBA", (160, 160), (0, 0, 0, 0))
    ImageDraw.Draw(image).text((10, 10), char, font=font, embedded_color=True)
    image = image.crop(image.getbbox())
    scale = size / max(image.size)
    return image.resize((max(1, round(image.width * scale)), max(1, round(image.height * scale))), Image.LANCZOS)


def paste_centred(base, image, centre):
    base.alpha_composite(image, (int(centre[0] - image.width / 2), int(centre[1] - image.height / 2)))


def vertical_gradient(w, h, stops):
    """stops: (fraction, (r, g, b)) from the top down."""
    image = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(image)
    for y in range(h):
        f = y / max(1, h - 1)
        for (f0, c0), (f1, c1) in zip(stops, stops[1:]):
            if f0 <= f <= f1:
                t = (f - f0) / max(1e-6, f1 - f0)
                d.line([(0, y), (w, y)], fill=tuple(int(a + (b - a) * t) for a, b in zip(c0, c1)))
                break
    return image


def glow(size, colour, softness):
    """A soft round light, brightest in the middle."""
    image = canvas(size, size)
    m = size // 2
    r = m - softness
    ImageDraw.Draw(image).ellipse((m - r, m - r, m + r, m + r), fill=colour)
    return image.filter(ImageFilter.GaussianBlur(softness / 2))


def shadow_of(image, blur, alpha=150, offset=(0, 6)):
    """A blurred dark copy to put under a panel, on a canvas grown by the blur."""
    pad = blur * 3
    shade = canvas(image.width + 2 * pad, image.height + 2 * pad)
    shade.alpha_composite(tinted(image, (0, 0, 0, alpha)), (pad + offset[0], pad + offset[1]))
    return shade.filter(ImageFilter.GaussianBlur(blur)), pad


def plaque(w, h, fill, rim=GOLD, radius=None, light=0):
    """A rounded plaque with a gold rim, lit from above: the sample's buttons and panels."""
    radius = h // 2 if radius is None else radius
    image = canvas(w, h)
    d = ImageDraw.Draw(image)
    d.rounded_rectangle((0, 0, w - 1, h - 1), radius, fill=(rim[0] // 2, rim[1] // 2, rim[2] // 2, 255))
    d.rounded_rectangle((2, 2, w - 3, h - 3), max(1, radius - 2), fill=rim)
    d.rounded_rectangle((5, 5, w - 6, h - 6), max(1, radius - 5), fill=fill)
    # Light from above: a soft sheen over the upper half.
    sheen = canvas(w, h)
    ImageDraw.Draw(sheen).rounded_rectangle((8, 7, w - 9, h // 2), max(1, radius - 8),
                                            fill=(255, 240, 200, 40 + light))
    sheen = sheen.filter(ImageFilter.GaussianBlur(3))
    mask = canvas(w, h)
    ImageDraw.Draw(mask).rounded_rectangle((5, 5, w - 6, h - 6), max(1, radius - 5), fill=(255, 255, 255, 255))
    image.alpha_composite(Image.composite(sheen, canvas(w, h), mask.getchannel("A")))
    return image


def star_points(cx, cy, outer, inner, points=5, turn=-math.pi / 2):
    return [(cx + (outer if i % 2 == 0 else inner) * math.cos(turn + i * math.pi / points),
             cy + (outer if i % 2 == 0 else inner) * math.sin(turn + i * math.pi / points)) for i in range(2 * points)]
