#!/usr/bin/env python3
"""Makes the sample's video clips, their alpha streams and subtitles (the
cut-scene's; the hall's clip plays without), and the rain drop.

The videos are encoded by Debian's ffmpeg (libtheora) from its built-in colour
and drawing filters: no outside pictures. The ".zalpha" planes and the images
are drawn here. Run from anywhere: python3 sample/make_media.py
(ffmpeg is needed only here; the results are committed).
"""

import os
import subprocess
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_assets import ROOT, Image  # noqa: E402

VIDEO_DIR = os.path.join(ROOT, "video")
# The hall's projector shows an old reel on its screen through a round iris (the
# clip's ".zalpha"); clicked, it plays the reel again in the video frame, in a soft
# oval. Both are the house of the menu in sepia, panning slowly, with flicker, grain,
# dust and scratches.
CLIP_SIZE = (160, 96)
CLIP_RADIUS = 44
CLIP_FRAMES = 75  # 3 s at 25 frames a second
SMALL_SIZE = (64, 64)
CUTSCENE_SIZE = (480, 288)
CUTSCENE_FRAMES = 75
# The ending: 6 s at 25 frames a second, shown between the video frame's bars.
ENDING_SIZE = (960, 540)
ENDING_FRAMES = 150


def ffmpeg(*args):
    subprocess.run(["ffmpeg", "-hide_banner", "-loglevel", "error", "-y"] + list(args), check=True)


def theora(source, size, frames, out):
    """A Theora file from a lavfi source; a white block walks along the top so that
    no two pictures are identical (the encoder drops repeated ones)."""
    w, h = size
    graph = ("%s:s=%dx%d:r=25:d=%f[bg];color=c=white:s=8x8:r=25[blk];"
             "[bg][blk]overlay=x='mod(n*4,%d)':y=0:shortest=1,format=yuv420p" % (source, w, h, frames / 25.0, w - 8))
    ffmpeg("-f", "lavfi", "-i", graph, "-frames:v", str(frames), "-c:v", "libtheora", "-q:v", "8", out)


def disc_plane(size, radius):
    w, h = size
    plane = bytearray(w * h)
    for y in range(h):
        for x in range(w):
            if (x + 0.5 - w / 2) ** 2 + (y + 0.5 - h / 2) ** 2 <= radius * radius:
                plane[y * w + x] = 255
    return bytes(plane)


def zalpha(path, plane, frames):
    block = zlib.compress(plane, 9)
    with open(path, "wb") as f:
        for _ in range(frames):
            f.write(len(block).to_bytes(4, "little") + block)


def soft_oval_plane(size):
    """Opaque inside 0.7 of the half-axes, fading to clear at the ellipse."""
    w, h = size
    plane = bytearray(w * h)
    for y in range(h):
        for x in range(w):
            d = (((x + 0.5 - w / 2) / (w / 2)) ** 2 + ((y + 0.5 - h / 2) / (h / 2)) ** 2) ** 0.5
            # In steps of 32, which keep the stored planes small.
            plane[y * w + x] = 255 if d <= 0.7 else min(255, max(0, int(8 * (1.0 - d) / 0.3)) * 32)
    return bytes(plane)


def subtitles(path, lines):
    with open(path, "w") as f:
        for i, (start, end, key) in enumerate(lines, 1):
            stamp = lambda t: "00:00:%02d,%03d" % (int(t), round((t - int(t)) * 1000))  # noqa: E731
            f.write("%d\n%s --> %s\n%s\n\n" % (i, stamp(start), stamp(end), key))


def reel(size, frames, out, seed):
    """The old reel, drawn frame by frame: every picture differs (flicker, dust), so
    the encoder keeps them all."""
    import random
    import tempfile
    from PIL import Image as Picture, ImageDraw, ImageFilter, ImageOps
    from make_menu_assets import house_scene
    w, h = size
    big = house_scene((int(w * 1.25), int(h * 1.25)), lit=3.0, warmth=1.0, house_scale=1.2,
                      centre=w * 0.625)
    grey = ImageOps.autocontrast(ImageOps.grayscale(big.convert("RGB")), cutoff=1)
    sepia = ImageOps.colorize(grey, (34, 20, 10), (252, 234, 190),
                              mid=(176, 132, 78))
    vignette = Picture.new("L", (w, h), 0)
    ImageDraw.Draw(vignette).ellipse((-w * 0.1, -h * 0.1, w * 1.1, h * 1.1), fill=255)
    vignette = vignette.filter(ImageFilter.GaussianBlur(min(w, h) / 6))
    rng = random.Random(seed)
    with tempfile.TemporaryDirectory() as tmp:
        for n in range(frames):
            t = n / max(1, frames - 1)
            ox, oy = int((big.width - w) * t), int((big.height - h) * 0.55) + rng.randint(-1, 1)
            frame = sepia.crop((ox, oy, ox + w, oy + h))
            level = 0.84 + 0.16 * rng.random()
            frame = Picture.composite(frame.point(lambda v: int(v * level)), Picture.new("RGB", (w, h)), vignette)
            d = ImageDraw.Draw(frame)
            for _ in range(rng.randint(0, 2)):
                x = rng.randrange(w)
                d.line((x, 0, x + rng.randint(-4, 4), h), fill=(226, 206, 160), width=1)
            for _ in range(rng.randint(3, 9)):
                x, y, r = rng.randrange(w), rng.randrange(h), rng.choice((1, 1, 2, 3))
                d.ellipse((x - r, y - r, x + r, y + r), fill=(24, 14, 6) if rng.random() < 0.6 else (240, 226, 190))
            frame.save(os.path.join(tmp, "f%03d.png" % n))
        ffmpeg("-framerate", "25", "-i", os.path.join(tmp, "f%03d.png"), "-c:v", "libtheora", "-q:v", "6",
               "-pix_fmt", "yuv420p", out)


def videos():
    os.makedirs(VIDEO_DIR, exist_ok=True)
    clip = os.path.join(VIDEO_DIR, "clip")
    reel(CLIP_SIZE, CLIP_FRAMES, clip + ".ogg", 3)
    zalpha(clip + ".zalpha", disc_plane(CLIP_SIZE, CLIP_RADIUS), CLIP_FRAMES)
    small = os.path.join(VIDEO_DIR, "ring")
    theora("color=c=0x30C0E0", SMALL_SIZE, 50, small + ".ogg")
    # The alpha video: a grey ring (the luma is the alpha); a corner block changes
    # every frame so that no frame is dropped as a repeat.
    w, h = SMALL_SIZE
    graph = ("color=c=black:s=%dx%d:r=25:d=2,format=gray,"
             "geq=lum='if(lt(X,8)*lt(Y,8),mod(N*9,200),if(between(hypot(X-%d,Y-%d),14,30),255,0))',format=yuv420p" % (w, h, w // 2, h // 2))
    ffmpeg("-f", "lavfi", "-i", graph, "-frames:v", "50", "-c:v", "libtheora", "-q:v", "8",
           "-f", "ogg", small + ".oggalpha")
    cutscene = os.path.join(VIDEO_DIR, "cutscene")
    reel(CUTSCENE_SIZE, CUTSCENE_FRAMES, cutscene + ".ogg", 5)
    zalpha(cutscene + ".zalpha", soft_oval_plane(CUTSCENE_SIZE), CUTSCENE_FRAMES)
    subtitles(cutscene + ".srt", [(0.2, 2.8, "sample_cutscene_line1")])


def video_frame_pictures():
    """The frame's bar (a black patch the frame stretches) and the skip button."""
    Image(2, 2, (0, 0, 0, 255)).save("interface/videoframe/frame.png")
    for name, border in (("skip", (150, 130, 90)), ("skip_over", (255, 226, 150))):
        button = Image(140, 40, (0, 0, 0, 0))
        button.rect(0, 0, 140, 40, border)
        button.rect(3, 3, 137, 37, (30, 26, 34))
        button.save("interface/videoframe/%s.png" % name)


def rain_drop():
    drop = Image(4, 16, (200, 220, 255, 255))
    drop.save("effects/drop.png")


def ending():
    """The ending's clip: the house of the menu, its three lamps lighting one by one
    and the sky brightening towards dawn, with two subtitle lines. Stars twinkle so
    that no two pictures are the same (the encoder would drop a repeated one)."""
    import random
    import tempfile
    from make_menu_assets import house_scene
    w, h = ENDING_SIZE
    with tempfile.TemporaryDirectory() as tmp:
        rng = random.Random(4)
        for n in range(ENDING_FRAMES):
            t = n / 25.0
            lit = sum(max(0.0, min(1.0, (t - start) / 0.5)) for start in (1.0, 2.0, 3.0))
            warmth = max(0.0, min(1.0, (t - 3.4) / 2.4))
            frame = house_scene((w, h), lit=lit, warmth=warmth, centre=w * 0.5, house_scale=0.9)
            for _ in range(12):
                x, y = rng.randrange(w), rng.randrange(h // 2)
                frame.putpixel((x, y), (255, 250, 230, 255))
            frame.convert("RGB").save(os.path.join(tmp, "f%03d.png" % n))
        ffmpeg("-framerate", "25", "-i", os.path.join(tmp, "f%03d.png"), "-c:v", "libtheora", "-q:v", "6",
               "-pix_fmt", "yuv420p", os.path.join(VIDEO_DIR, "ending.ogg"))
    subtitles(os.path.join(VIDEO_DIR, "ending.srt"),
              [(0.4, 3.0, "sample_ending_line1"), (3.3, 5.8, "sample_ending_line2")])


def main():
    video_frame_pictures()
    rain_drop()
    videos()
    ending()


if __name__ == "__main__":
    main()
