#!/usr/bin/python3
"""Writes the resampling fixtures: source pictures and what Pillow and ImageMagick make of them.

page.png      the bundled sample's first page rendered by pdftoppm at 40 dpi (text, 340 x 440)
picture.png   a synthetic picture: gradients, discs and fine stripes (RGB, 120 x 90)

and, for each source and operation, <source>-<operation>-<peer>.png:
  page      cubic to 227 x 293 and 153 x 198 (Pillow BICUBIC, ImageMagick Catrom),
            Lanczos 3 (Pillow LANCZOS, ImageMagick Lanczos), Mitchell (ImageMagick),
            linear (Pillow BILINEAR), integer reduction by 2 and 4 (Pillow reduce)
  picture   the same filters enlarging to 300 x 225 and shrinking to 80 x 60

Every file is RGB without alpha; the tests read them back as opaque pixels.

Usage: make_resample_fixtures.py OUTPUT_FOLDER
"""
import os
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def render_page(out):
    with tempfile.TemporaryDirectory() as work:
        base = os.path.join(work, "page")
        subprocess.run(["pdftoppm", "-r", "40", "-f", "1", "-l", "1", "-singlefile", "-png",
                        os.path.join(ROOT, "samples", "sample.pdf"), base], check=True)
        Image.open(base + ".png").convert("RGB").save(out)


def make_picture(out):
    h, w = 90, 120
    y, x = np.mgrid[0:h, 0:w].astype(np.float64)
    r = 255 * x / (w - 1)
    g = 255 * y / (h - 1)
    b = 128 + 127 * np.sin(x / 3.0) * (y < h / 2)
    for cx, cy, rad, col in ((30, 60, 18, (250, 20, 40)), (85, 35, 22, (10, 10, 200))):
        inside = (x - cx) ** 2 + (y - cy) ** 2 < rad ** 2
        r[inside], g[inside], b[inside] = col
    stripes = (x > 95) & (y > 60)
    r[stripes] = g[stripes] = b[stripes] = 255 * (x[stripes].astype(int) % 2)
    rgb = np.clip(np.stack([r, g, b], axis=-1), 0, 255).round().astype(np.uint8)
    Image.fromarray(rgb, "RGB").save(out)


def magick(src, out, filt, size):
    subprocess.run(["convert", src, "-filter", filt, "-resize", "%dx%d!" % size,
                    "-define", "png:color-type=2", out], check=True)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    page = os.path.join(folder, "page.png")
    picture = os.path.join(folder, "picture.png")
    render_page(page)
    make_picture(picture)
    jobs = {
        "page": [(227, 293), (153, 198)],
        "picture": [(300, 225), (80, 60)],
    }
    for name, sizes in jobs.items():
        src = os.path.join(folder, name + ".png")
        img = Image.open(src).convert("RGB")
        for size in sizes:
            tag = "%dx%d" % size
            for filt, label in ((Image.BICUBIC, "cubic"), (Image.LANCZOS, "lanczos"), (Image.BILINEAR, "linear")):
                img.resize(size, filt).save(os.path.join(folder, "%s-%s-%s-pillow.png" % (name, label, tag)))
            for filt, label in (("Catrom", "cubic"), ("Lanczos", "lanczos"), ("Mitchell", "mitchell")):
                magick(src, os.path.join(folder, "%s-%s-%s-magick.png" % (name, label, tag)), filt, size)
    img = Image.open(page).convert("RGB")
    for factor in (2, 4):
        img.reduce(factor).save(os.path.join(folder, "page-reduce%d-pillow.png" % factor))


if __name__ == "__main__":
    main()
