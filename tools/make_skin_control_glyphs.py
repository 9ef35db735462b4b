#!/usr/bin/python3
"""Draws the small pictures the skinned controls embed:

- ACGL.png: the gauge's travelling light, 60 x 20 RGBA: a white glow, brightest along the middle
  row and fading to nothing toward all four edges;
- PS.bmp, TTF.bmp, RASTER.bmp, UNKNOWN.bmp: 16 x 16 24-bit pictures of the font technologies
  (device/PostScript, TrueType, raster, other) for a font selector, on the key colour 0xFF00FF.

    make_skin_control_glyphs.py OUTPUT_FOLDER

Everything is drawn here from rectangles and lines; the output is the same on every run.
"""

import math
import os
import sys

from PIL import Image, ImageDraw

KEY = (255, 0, 255)
SCALE = 4  # supersampling of the letter shapes


def light():
    width, height = 60, 20
    image = Image.new("RGBA", (width, height))
    pixels = image.load()
    for y in range(height):
        # distance from the middle, 0 at the centre and 1 at the edge
        dy = abs((y + 0.5) - height / 2) / (height / 2)
        for x in range(width):
            dx = abs((x + 0.5) - width / 2) / (width / 2)
            across = max(0.0, 1.0 - dx * dx)
            along = math.exp(-3.2 * dy * dy)
            alpha = round(255 * across * along * 0.85)
            pixels[x, y] = (255, 255, 255, alpha)
    return image


def glyph(draw_letters):
    big = Image.new("RGB", (16 * SCALE, 16 * SCALE), KEY)
    draw_letters(ImageDraw.Draw(big), SCALE)
    # Hard edges against the key colour: nearest sampling keeps the key pure.
    return big.resize((16, 16), Image.NEAREST)


def box(draw, s, x0, y0, x1, y1, colour):
    draw.rectangle([x0 * s, y0 * s, x1 * s - 1, y1 * s - 1], fill=colour)


def postscript(draw, s):
    # A round "a" in dark red on a small page.
    box(draw, s, 2, 1, 14, 15, (255, 255, 255))
    draw.rectangle([2 * s, 1 * s, 14 * s - 1, 15 * s - 1], outline=(96, 96, 96), width=s // 2)
    red = (168, 24, 32)
    draw.ellipse([4 * s, 6 * s, 11 * s, 13 * s], outline=red, width=2 * s)
    box(draw, s, 10, 5, 12, 13, red)
    draw.arc([4 * s, 3 * s, 12 * s, 9 * s], 200, 340, fill=red, width=2 * s)


def truetype(draw, s):
    # Two overlapping "T"s, the back one grey, the front one blue.
    grey, blue = (128, 128, 128), (24, 72, 176)
    box(draw, s, 1, 2, 10, 4, grey)
    box(draw, s, 4, 2, 7, 13, grey)
    box(draw, s, 6, 5, 15, 7, blue)
    box(draw, s, 9, 5, 12, 15, blue)


def raster(draw, s):
    # An "A" built of square dots.
    colour = (40, 40, 40)
    dots = ["....##....", "...####...", "..##..##..", "..##..##..", ".##....##.",
            ".########.", "##......##", "##......##"]
    for row, line in enumerate(dots):
        for col, ch in enumerate(line):
            if ch == "#":
                x, y = 3 + col, 4 + row
                draw.rectangle([x * s, y * s, x * s + s - 2, y * s + s - 2], fill=colour)


def unknown(draw, s):
    # A question mark in a grey frame.
    grey, dark = (150, 150, 150), (60, 60, 60)
    draw.rectangle([1 * s, 1 * s, 15 * s - 1, 15 * s - 1], outline=grey, width=s)
    draw.arc([5 * s, 3 * s, 11 * s, 9 * s], 180, 90, fill=dark, width=2 * s)
    box(draw, s, 7, 8, 9, 11, dark)
    box(draw, s, 7, 12, 9, 14, dark)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    light().save(os.path.join(out, "ACGL.png"), optimize=False)
    for name, drawing in (("PS", postscript), ("TTF", truetype), ("RASTER", raster), ("UNKNOWN", unknown)):
        glyph(drawing).save(os.path.join(out, name + ".bmp"))


if __name__ == "__main__":
    main()
