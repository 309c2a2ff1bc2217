#!/usr/bin/python3
"""Builds testfont.ttf: a tiny TrueType font of plain boxes with round advances.

At 1000 units per em every glyph edge falls on a whole pixel at 20 px, so tests
can predict widths and pixels exactly:
  - ASCII 0x21..0x7E, U+00E9, U+20AC: box x 50..450, y 0..700, advance 500;
  - space: no outline, advance 500;
  - U+4E00..U+4E0F, U+3002, U+1F600: box x 50..950, y 0..700, advance 1000;
  - "|": a tall bar y -600..1400 (reaches outside the block), advance 500;
  - "_": starts left of the pen, x -300..450, y 0..100, advance 500.
U+00E4 and every other code point are missing.
Needs Debian's python3-fonttools. Run: /usr/bin/python3 make_test_font.py
"""
import os

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen


def box(x0, y0, x1, y1):
    pen = TTGlyphPen(None)
    pen.moveTo((x0, y0))
    pen.lineTo((x0, y1))
    pen.lineTo((x1, y1))
    pen.lineTo((x1, y0))
    pen.closePath()
    return pen.glyph()


def empty():
    return TTGlyphPen(None).glyph()


def main():
    glyphs, advances, cmap = {}, {}, {}

    def add(name, glyph, advance, codepoint=None):
        glyphs[name] = glyph
        advances[name] = advance
        if codepoint is not None:
            cmap[codepoint] = name

    add(".notdef", box(50, 0, 450, 700), 500)
    add("space", empty(), 500, 0x20)
    for c in range(0x21, 0x7F):
        if c == ord("|"):
            g = box(200, -600, 300, 1400)
        elif c == ord("_"):
            g = box(-300, 0, 450, 100)
        else:
            g = box(50, 0, 450, 700)
        add("u%04X" % c, g, 500, c)
    for c in (0xE9, 0x20AC):
        add("u%04X" % c, box(50, 0, 450, 700), 500, c)
    for c in list(range(0x4E00, 0x4E10)) + [0x3002, 0x1F600]:
        add("u%04X" % c, box(50, 0, 950, 700), 1000, c)

    order = list(glyphs)
    fb = FontBuilder(1000, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(glyphs)
    for name in order:
        glyphs[name].recalcBounds(fb.font["glyf"])
    fb.setupHorizontalMetrics(
        {n: (advances[n], getattr(glyphs[n], "xMin", 0)) for n in order})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    fb.setupNameTable({"familyName": "nE Test Boxes", "styleName": "Regular"})
    fb.setupOS2(sTypoAscender=800, sTypoDescender=-200, usWinAscent=800, usWinDescent=200)
    fb.setupPost()
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "testfont.ttf")
    fb.save(out)


if __name__ == "__main__":
    main()
