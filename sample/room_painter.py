"""Shared brushes of the sample's room scripts (make_assets.py, make_ho_assets.py):
rooms in one-point perspective with textured walls, floor and ceiling, clip-art
props with shadows and tints, light and shade, and a painterly finish.

Images are 1366 x 768, the wide screen; design x is image x - 171. Needs Pillow,
librsvg2-bin (rsvg-convert) and openclipart-svg; see the scripts' docstrings.
"""

import io
import math
import os
import random
import subprocess

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

W, H = 1366, 768
OX = 171
CLIPART = "/usr/share/openclipart/svg"
EMOJI_FONT = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf"
HERE = os.path.dirname(os.path.abspath(__file__))
ASSETS = os.path.join(HERE, "assets")


def out(path):
    full = os.path.join(ASSETS, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    return full


def save_png(image, path, colours=None):
    """A PNG, quantised to a palette with alpha when colours is given (small files)."""
    if colours:
        image = image.quantize(colours, method=Image.Quantize.FASTOCTREE, dither=Image.Dither.NONE)
    image.save(out(path + ".png"), optimize=True)


def save_jpg(image, path, quality=84):
    stale = out(path + ".png")
    if os.path.exists(stale):  # a ".png" would be found before the ".jpg"
        os.remove(stale)
    image.convert("RGB").save(out(path + ".jpg"), quality=quality, optimize=True, progressive=False)


def d(x, y=0):
    """A design point as an image point."""
    return (x + OX, y)


# ---- sources -----------------------------------------------------------------

def svg(name, width=None, height=None):
    args = ["rsvg-convert"]
    if width:
        args += ["-w", str(int(width))]
    if height:
        args += ["-h", str(int(height))]
    if width and height:
        args += ["--keep-aspect-ratio"]
    png = subprocess.run(args + [os.path.join(CLIPART, name)], check=True, stdout=subprocess.PIPE).stdout
    image = Image.open(io.BytesIO(png)).convert("RGBA")
    box = image.getbbox()
    return image.crop(box) if box else image


def emoji(char, size):
    font = ImageFont.truetype(EMOJI_FONT, 109)
    image = Image.new("RGBA", (160, 160), (0, 0, 0, 0))
    ImageDraw.Draw(image).text((10, 10), char, font=font, embedded_color=True)
    image = image.crop(image.getbbox())
    scale = size / max(image.size)
    return image.resize((max(1, round(image.width * scale)), max(1, round(image.height * scale))), Image.LANCZOS)


def fit(image, width=None, height=None):
    if width and not height:
        height = image.height * width / image.width
    elif height and not width:
        width = image.width * height / image.height
    return image.resize((max(1, round(width)), max(1, round(height))), Image.LANCZOS)


# ---- noise and textures --------------------------------------------------------

def noise(size, scale, seed, sigma=40):
    """Smooth grey noise around 128: detail of about scale pixels."""
    random.seed(seed)
    w, h = max(2, size[0] // scale + 2), max(2, size[1] // scale + 2)
    small = Image.new("L", (w, h))
    small.putdata([max(0, min(255, int(random.gauss(128, sigma)))) for _ in range(w * h)])
    return small.resize((size[0] + 2 * scale, size[1] + 2 * scale), Image.BICUBIC).crop(
        (scale, scale, scale + size[0], scale + size[1]))


def shade(image, grey, amount):
    """Lightens or darkens the image where grey is above or below 128."""
    rgb = image.convert("RGB")
    up = grey.point(lambda v: max(0, v - 128) * 2 * amount)
    down = grey.point(lambda v: max(0, 128 - v) * 2 * amount)
    rgb = ImageChops.add(rgb, Image.merge("RGB", (up, up, up)))
    return ImageChops.subtract(rgb, Image.merge("RGB", (down, down, down)))


def plaster(size, colour, seed):
    tex = Image.new("RGB", size, colour)
    tex = shade(tex, noise(size, 90, seed, 30), 0.16)
    tex = shade(tex, noise(size, 5, seed + 1, 25), 0.06)
    return tex


def planks(size, colour, board, seed, vertical=False, gap=(30, 20, 14), vary=(0.82, 1.15)):
    """Wooden boards with their own tone and grain, joined by dark gaps."""
    w, h = (size[1], size[0]) if vertical else size
    rng = random.Random(seed)
    tex = Image.new("RGB", (w, h), colour)
    dr = ImageDraw.Draw(tex)
    y = 0
    while y < h:
        k = rng.uniform(*vary)
        dr.rectangle((0, y, w, y + board), fill=tuple(int(c * k) for c in colour))
        x = rng.randint(-w // 2, 0)
        while x < w:  # board ends
            x += rng.randint(w // 3, w)
            dr.line((x, y, x, y + board), fill=gap, width=2)
        y += board
        dr.line((0, y - 1, w, y - 1), fill=gap, width=2)
    grain = noise((w, h // 3 + 1), 3, seed + 2, 50).resize((w, h), Image.BICUBIC)
    grain = grain.transform((w, h), Image.AFFINE, (1, 0, 0, 0.04, 1, 0), Image.BICUBIC)
    stretched = noise((w // 40 + 1, h), 1, seed + 3, 60).resize((w, h), Image.BICUBIC)
    tex = shade(tex, grain, 0.05)
    tex = shade(tex, stretched, 0.08)
    return tex.rotate(90, expand=True) if vertical else tex


def wallpaper(size, base, motif, seed, step=(70, 90), stripe=None):
    """A printed paper: soft stripes and a repeated motif over a mottled ground."""
    tex = plaster(size, base, seed)
    dr = ImageDraw.Draw(tex, "RGBA")
    if stripe:
        for x in range(0, size[0], step[0]):
            dr.rectangle((x + step[0] // 2 - 6, 0, x + step[0] // 2 + 6, size[1]), fill=stripe)
    for row, y in enumerate(range(0, size[1] + step[1], step[1])):
        for x in range(-step[0], size[0] + step[0], step[0]):
            cx = x + (step[0] // 2 if row % 2 else 0)
            for r, a in ((13, 1.0), (7, 0.0)):
                dr.ellipse((cx - r * 0.7, y - r, cx + r * 0.7, y + r), fill=motif if a else None,
                           outline=None if a else motif)
            dr.polygon([(cx, y - 22), (cx + 5, y - 12), (cx - 5, y - 12)], fill=motif)
            dr.polygon([(cx, y + 22), (cx + 5, y + 12), (cx - 5, y + 12)], fill=motif)
    return tex.filter(ImageFilter.GaussianBlur(0.6))


def panelling(size, colour, seed, panel=(150, 0)):
    """Wainscot: boards with raised panels lit from above."""
    tex = planks(size, colour, size[1] + 10, seed, gap=colour)
    dr = ImageDraw.Draw(tex, "RGBA")
    m = 14
    for x in range(0, size[0], panel[0]):
        box = (x + m, m, x + panel[0] - m, size[1] - m)
        dr.rectangle(box, outline=(255, 235, 200, 60), width=3)
        dr.line((box[0], box[3], box[2], box[3]), fill=(0, 0, 0, 90), width=3)
        dr.line((box[2], box[1], box[2], box[3]), fill=(0, 0, 0, 70), width=3)
    dr.rectangle((0, 0, size[0], 8), fill=tuple(int(c * 0.7) for c in colour) + (255,))
    return tex


def bricks(size, colour, seed, brick=(64, 26)):
    rng = random.Random(seed)
    tex = Image.new("RGB", size, (70, 62, 56))
    dr = ImageDraw.Draw(tex)
    for row, y in enumerate(range(0, size[1], brick[1])):
        off = (brick[0] // 2) if row % 2 else 0
        for x in range(-off, size[0], brick[0]):
            k = rng.uniform(0.75, 1.15)
            dr.rectangle((x + 2, y + 2, x + brick[0] - 2, y + brick[1] - 2), fill=tuple(int(c * k) for c in colour))
    tex = shade(tex, noise(size, 4, seed, 40), 0.12)
    return shade(tex, noise(size, 80, seed + 1, 40), 0.1)


# ---- geometry ------------------------------------------------------------------

def _solve(a, b):
    n = len(b)
    m = [row[:] + [b[i]] for i, row in enumerate(a)]
    for c in range(n):
        p = max(range(c, n), key=lambda r: abs(m[r][c]))
        m[c], m[p] = m[p], m[c]
        for r in range(n):
            if r != c:
                f = m[r][c] / m[c][c]
                m[r] = [x - f * y for x, y in zip(m[r], m[c])]
    return [m[i][n] / m[i][i] for i in range(n)]


def perspective(src, dst):
    """Pillow's PERSPECTIVE coefficients taking each dst corner to its src corner."""
    a, b = [], []
    for (x, y), (u, v) in zip(dst, src):
        a.append([x, y, 1, 0, 0, 0, -u * x, -u * y])
        a.append([0, 0, 0, x, y, 1, -v * x, -v * y])
        b += [u, v]
    return _solve(a, b)


def quad_paste(base, tex, quad):
    """Lays the texture onto the quadrilateral (top left, top right, bottom right,
    bottom left, image points)."""
    w, h = tex.size
    coeffs = perspective([(0, 0), (w, 0), (w, h), (0, h)], quad)
    warped = tex.convert("RGBA").transform(base.size, Image.PERSPECTIVE, coeffs, Image.BICUBIC)
    mask = Image.new("L", base.size, 0)
    ImageDraw.Draw(mask).polygon(quad, fill=255)
    base.paste(warped, (0, 0), ImageChops.multiply(mask, warped.getchannel("A")))


def toward(vp, p, x=None, y=None):
    """The point on the line from the vanishing point through p at that x (or y)."""
    if x is not None:
        t = (x - vp[0]) / (p[0] - vp[0])
    else:
        t = (y - vp[1]) / (p[1] - vp[1])
    return (vp[0] + t * (p[0] - vp[0]), vp[1] + t * (p[1] - vp[1]))


class Room:
    """A box seen from its open front: back wall (image rectangle), vanishing point."""

    def __init__(self, back, vp):
        self.back = back
        self.vp = vp
        x0, y0, x1, y1 = back
        self.tl, self.tr, self.br, self.bl = (x0, y0), (x1, y0), (x1, y1), (x0, y1)
        self.image = Image.new("RGBA", (W, H), (0, 0, 0, 255))

    def left_wall(self):
        return [toward(self.vp, self.tl, x=0), self.tl, self.bl, toward(self.vp, self.bl, x=0)]

    def right_wall(self):
        return [self.tr, toward(self.vp, self.tr, x=W), toward(self.vp, self.br, x=W), self.br]

    def floor(self):
        return [self.bl, self.br, toward(self.vp, self.br, y=H * 1.6), toward(self.vp, self.bl, y=H * 1.6)]

    def ceiling(self):
        return [toward(self.vp, self.tl, y=-H * 0.6), toward(self.vp, self.tr, y=-H * 0.6), self.tr, self.tl]

    def back_wall(self):
        return [self.tl, self.tr, self.br, self.bl]

    def side_point(self, side, depth, height):
        """A point on a side wall: depth 0 at the front edge of the picture, 1 at the
        back wall; height 0 at the floor, 1 at the ceiling line of the back wall."""
        x0, y0, x1, y1 = self.back
        bx = x0 if side == "left" else x1
        front_x = 0 if side == "left" else W
        by = y1 - (y1 - y0) * height
        p = (bx, by)
        fx = front_x + (bx - front_x) * depth
        return toward(self.vp, p, x=fx)

    def side_quad(self, side, d0, d1, h0, h1):
        a, b = (d0, d1) if side == "left" else (d1, d0)
        return [self.side_point(side, a, h1), self.side_point(side, b, h1),
                self.side_point(side, b, h0), self.side_point(side, a, h0)]

    def floor_point(self, x, depth):
        """A floor point: x across the back wall's bottom edge (image x there), depth
        0 at the back wall growing toward the viewer (1 at the image's bottom)."""
        p = (x, self.back[3])
        y = self.back[3] + (H - self.back[3]) * depth
        return toward(self.vp, p, y=y)

    def edges(self, width=10, strength=110):
        """Soft shadows where walls meet."""
        shadow = Image.new("L", (W, H), 0)
        dr = ImageDraw.Draw(shadow)
        for a, b in ((self.tl, self.bl), (self.tr, self.br), (self.bl, self.br), (self.tl, self.tr)):
            dr.line((a, b), fill=strength, width=width)
        for corner in (self.tl, self.tr, self.bl, self.br):
            dr.line((corner, toward(self.vp, corner, x=0 if corner[0] < self.vp[0] else W)), fill=strength // 2,
                    width=width)
        shadow = shadow.filter(ImageFilter.GaussianBlur(width * 1.6))
        darken(self.image, shadow)


# ---- light -----------------------------------------------------------------------

def darken(image, mask, colour=(0, 0, 0)):
    layer = Image.new("RGBA", image.size, colour + (255,))
    layer.putalpha(mask)
    image.alpha_composite(layer)


def light_map(sources, ambient, size=(W, H)):
    """An RGB map to multiply by: the ambient colour plus round pools of light
    (x, y, radius, colour) falling off softly."""
    small = (size[0] // 4, size[1] // 4)
    acc = Image.new("RGB", small, ambient)
    for x, y, r, colour in sources:
        pool = Image.new("L", small, 0)
        ImageDraw.Draw(pool).ellipse(((x - r) / 4, (y - r) / 4, (x + r) / 4, (y + r) / 4), fill=255)
        pool = pool.filter(ImageFilter.GaussianBlur(r / 8))
        acc = ImageChops.add(acc, ImageChops.multiply(Image.new("RGB", small, colour), Image.merge("RGB", [pool] * 3)))
    return acc.resize(size, Image.BICUBIC)


def apply_light(image, light):
    rgb = ImageChops.multiply(image.convert("RGB"), light)
    image.paste(rgb, (0, 0))


def glow(image, x, y, r, colour, strength=1.0):
    """Adds light: a soft round pool brightening what is under it."""
    pool = Image.new("L", (W, H), 0)
    ImageDraw.Draw(pool).ellipse((x - r, y - r, x + r, y + r), fill=int(255 * strength))
    pool = pool.filter(ImageFilter.GaussianBlur(r / 2.5))
    add = ImageChops.multiply(Image.new("RGB", (W, H), colour), Image.merge("RGB", [pool] * 3))
    image.paste(ImageChops.add(image.convert("RGB"), add), (0, 0))


def vignette(image, strength=150):
    mask = Image.new("L", (W // 4, H // 4), strength)
    ImageDraw.Draw(mask).ellipse((-W // 16, -H // 10, W // 4 + W // 16, H // 4 + H // 10), fill=0)
    mask = mask.filter(ImageFilter.GaussianBlur(30)).resize((W, H), Image.BICUBIC)
    darken(image, mask)


# ---- props -----------------------------------------------------------------------

def tinted(image, colour, amount):
    """Multiplies the picture toward the colour of the room's light."""
    rgb = image.convert("RGB")
    lit = ImageChops.multiply(rgb, Image.new("RGB", image.size, colour))
    mixed = Image.blend(rgb, lit, amount)
    mixed.putalpha(image.getchannel("A"))
    return mixed


def shaded(image, top=1.1, bottom=0.7):
    """Light from above: brighter top, darker bottom."""
    grad = Image.linear_gradient("L").resize(image.size)
    lo, hi = int(255 * bottom / 1.2), int(255 * top / 1.2)
    grad = grad.point(lambda v: hi + (lo - hi) * v // 255)
    rgb = ImageChops.multiply(image.convert("RGB"), Image.merge("RGB", [grad] * 3))
    rgb = rgb.point(lambda v: min(255, int(v * 1.2)))
    rgb.putalpha(image.getchannel("A"))
    return rgb


def cast_shadow(base, image, foot, spread=0.28, lean=0.5, opacity=120, blur=6):
    """A shadow on the floor behind an object standing at foot (bottom centre)."""
    alpha = image.getchannel("A")
    h = max(2, int(image.height * spread))
    flat = alpha.resize((image.width, h))
    pad = int(image.height * abs(lean) * spread) + blur * 3
    sheet = Image.new("L", (image.width + 2 * pad, h + blur * 6), 0)
    sheet.paste(flat, (pad, blur * 3))
    sheet = sheet.transform(sheet.size, Image.AFFINE, (1, lean, -lean * (h + blur * 3), 0, 1, 0), Image.BICUBIC)
    sheet = sheet.point(lambda v: v * opacity // 255).filter(ImageFilter.GaussianBlur(blur))
    layer = Image.new("RGBA", sheet.size, (10, 6, 4, 255))
    layer.putalpha(sheet)
    base.alpha_composite(layer, (int(foot[0] - image.width / 2 - pad), int(foot[1] - h - blur * 3 + h * 0.15)))


def contact_shadow(base, foot, width, opacity=150):
    layer = Image.new("RGBA", (int(width * 1.4), 40), (0, 0, 0, 0))
    dr = ImageDraw.Draw(layer)
    dr.ellipse((0, 12, layer.width, 28), fill=(8, 5, 3, opacity))
    layer = layer.filter(ImageFilter.GaussianBlur(5))
    base.alpha_composite(layer, (int(foot[0] - layer.width / 2), int(foot[1] - 20)))


def place(base, image, foot, shadow=True, tint=None, light=(1.1, 0.75), lean=0.5):
    """Stands a prop with its bottom centre at foot (image point)."""
    if light:
        image = shaded(image, *light)
    if tint:
        image = tinted(image, *tint)
    if shadow:
        cast_shadow(base, image, foot, lean=lean)
        contact_shadow(base, foot, image.width * 0.9)
    base.alpha_composite(image, (int(foot[0] - image.width / 2), int(foot[1] - image.height)))
    return image


def hang(base, image, centre, drop=(6, 8), tint=None):
    """A picture on a wall, with its shadow on the wall."""
    if tint:
        image = tinted(image, *tint)
    sil = Image.new("RGBA", image.size, (0, 0, 0, 0))
    sil.putalpha(image.getchannel("A").point(lambda v: v * 110 // 255))
    sil = sil.filter(ImageFilter.GaussianBlur(5))
    pos = (int(centre[0] - image.width / 2), int(centre[1] - image.height / 2))
    base.alpha_composite(sil, (pos[0] + drop[0], pos[1] + drop[1]))
    base.alpha_composite(image, pos)


# ---- finish ----------------------------------------------------------------------

def painted(image, strokes=5, grain=4, seed=7):
    """Brush-like strokes: a mode filter flattens detail into patches, a little
    grain brings back the canvas."""
    rgb = image.convert("RGB").quantize(256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    rgb = rgb.filter(ImageFilter.ModeFilter(strokes)).convert("RGB").filter(ImageFilter.SMOOTH_MORE)
    canvas = noise(rgb.size, 3, seed, 30).filter(ImageFilter.GaussianBlur(0.7))
    return shade(rgb, canvas, grain / 100)


def sprite_painted(image, strokes=3):
    """The same finish for a picture with alpha."""
    rgb = image.convert("RGB").quantize(64, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    rgb = rgb.filter(ImageFilter.ModeFilter(strokes)).convert("RGB").filter(ImageFilter.SMOOTH)
    rgb.putalpha(image.getchannel("A"))
    return rgb


def cut(image, centre, size):
    """The part of an image round a design-space centre, for sprites drawn over the room."""
    x, y = d(*centre)
    return image.crop((int(x - size[0] / 2), int(y - size[1] / 2), int(x + size[0] / 2), int(y + size[1] / 2)))


def glow_mask(image, mask, colour):
    """Adds light of that colour where the grey mask says."""
    add = ImageChops.multiply(Image.new("RGB", image.size, colour), Image.merge("RGB", [mask] * 3))
    image.paste(ImageChops.add(image.convert("RGB"), add), (0, 0))
