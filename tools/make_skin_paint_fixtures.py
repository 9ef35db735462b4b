#!/usr/bin/python3
"""Writes the oracle fixtures of the skin painting tests.

hue.csv          r,g,b,offset,r2,g2,b2: colours turned by a hue offset through Python's colorsys
                 (HSV), for offsets of both signs
source.png       a seeded random RGB picture, 37 x 23
bilinear-WxH.png what Pillow's BILINEAR makes of the source at W x H, on a copy mirrored by 8
                 pixels on every side as the resampler mirrors, with a box that puts output pixel i's centre at
                 source x = S x i / N (the resampler's sample positions)

Usage: make_skin_paint_fixtures.py OUTPUT_FOLDER
"""
import colorsys
import os
import random
import sys

import numpy as np
from PIL import Image

PAD = 8
SIZES = [(74, 46), (60, 23), (37, 60), (20, 11), (9, 17), (30, 30)]


def hue_rows():
    rng = random.Random(29)
    colours = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (200, 100, 0), (12, 200, 180), (255, 255, 1)]
    colours += [(rng.randrange(256), rng.randrange(256), rng.randrange(256)) for _ in range(60)]
    offsets = [-360, -250, -120, -45, -1, 1, 30, 120, 181, 359, 360, 725]
    for r, g, b in colours:
        for offset in offsets:
            h, s, v = colorsys.rgb_to_hsv(r / 255, g / 255, b / 255)
            h2 = (h + offset / 360) % 1.0
            r2, g2, b2 = colorsys.hsv_to_rgb(h2, s, v)
            yield r, g, b, offset, round(r2 * 255), round(g2 * 255), round(b2 * 255)


def bilinear(source, width, height):
    sw, sh = source.size
    # The resampler mirrors index j < 0 to -j and j >= S to 2S - 1 - j.
    def mirrored(size):
        return [-j if j < 0 else (2 * size - 1 - j if j >= size else j) for j in range(-PAD, size + PAD)]

    pixels = np.asarray(source)
    padded = pixels[np.ix_(mirrored(sh), mirrored(sw))]
    picture = Image.fromarray(padded)

    def edges(size, new):
        # Pillow samples at box0 + (i + 0.5) * size / new - 0.5 in pixel indexes.
        start = PAD + 0.5 - 0.5 * size / new
        return start, start + size

    x0, x1 = edges(sw, width)
    y0, y1 = edges(sh, height)
    return picture.resize((width, height), Image.BILINEAR, box=(x0, y0, x1, y1))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "hue.csv"), "w") as f:
        for row in hue_rows():
            f.write(",".join(str(v) for v in row) + "\n")
    rng = np.random.default_rng(29)
    source = Image.fromarray(rng.integers(0, 256, (23, 37, 3), dtype=np.uint8))
    source.save(os.path.join(out, "source.png"))
    for width, height in SIZES:
        bilinear(source, width, height).save(os.path.join(out, f"bilinear-{width}x{height}.png"))


if __name__ == "__main__":
    main()
