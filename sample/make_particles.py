#!/usr/bin/env python3
"""Draws the sample's particle pictures (white, so that the effects tint them):
a soft dot and a four-pointed star (the HUD's, so it lives under interface/). Run from anywhere:
python3 sample/make_particles.py
"""

import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_assets import Image  # noqa: E402


def soft_dot(size):
    img = Image(size, size)
    c = (size - 1) / 2.0
    for y in range(size):
        for x in range(size):
            d = math.hypot(x - c, y - c) / (size / 2.0)
            a = max(0.0, 1.0 - d) ** 1.5
            img.put(x, y, (255, 255, 255, int(round(255 * a))))
    return img


def star(size):
    img = Image(size, size)
    c = (size - 1) / 2.0
    for y in range(size):
        for x in range(size):
            dx, dy = abs(x - c) / c, abs(y - c) / c
            # Two thin crossing rays over a small glow.
            ray = max(0.0, 1.0 - dx * 6.0 - dy) + max(0.0, 1.0 - dy * 6.0 - dx)
            glow = max(0.0, 1.0 - math.hypot(dx, dy) * 2.5)
            a = min(1.0, ray + glow)
            img.put(x, y, (255, 255, 255, int(round(255 * a))))
    return img


def main():
    soft_dot(16).save("particles/dot.png")
    star(32).save("interface/particles/star.png")


if __name__ == "__main__":
    main()
