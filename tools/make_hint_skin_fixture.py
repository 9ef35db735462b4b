#!/usr/bin/python3
"""Composes with Pillow the skinned hint of the committed internal skin (Steelmoor), as its
"HINT" section describes it, on a 120 x 40 window without text: the section colour, then the
borders mask's nine parts (corners kept, edges and centre stretched) blended by the mask's lower
half (red 255: nothing of the image) over it. The section is opaque, so its colour fills the
corners the mask leaves out and the hint keeps its whole rectangle.

Run: /usr/bin/python3 tools/make_hint_skin_fixture.py (writes tests/skin/frames/skinned_hint.png)."""

import configparser
import os

from PIL import Image

ROOT = os.path.join(os.path.dirname(__file__), "..")
SKIN = os.path.join(ROOT, "resources", "skins", "Steelmoor")
WIDTH, HEIGHT = 120, 40


def tcolor(value):
    value = int(value)
    return value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF


def nine_part(image, width, height, left, top, right, bottom):
    """Corners kept, edges and centre stretched to the nearest pixel."""
    sw, sh = image.size

    def source(d, size, src, first, last):
        if d < first:
            return min(d, src - 1)
        if d >= size - last:
            return max(0, min(src - 1, src - (size - d)))
        middle_dst, middle_src = size - first - last, src - first - last
        return min(src - 1, first + (d - first) * middle_src // middle_dst)

    out = Image.new(image.mode, (width, height))
    for y in range(height):
        sy = source(y, height, sh, top, bottom)
        for x in range(width):
            out.putpixel((x, y), image.getpixel((source(x, width, sw, left, right), sy)))
    return out


def main():
    options = configparser.ConfigParser(strict=False, interpolation=None)
    with open(os.path.join(SKIN, "Options.dat"), encoding="latin-1") as f:
        options.read_string(f.read())
    hint = options["HINT"]
    fields = hint["BORDERSMASK"].split("^")[1:]
    x1, y1, x2, y2, left, top, right, bottom = (int(v) for v in fields[:8])
    master = Image.open(os.path.join(SKIN, "Master.bmp")).convert("RGB")
    state_height = (y2 - y1) // 2
    picture = master.crop((x1, y1, x2, y1 + state_height))
    mask = master.crop((x1, y1 + state_height, x2, y2)).split()[0]
    picture = nine_part(picture, WIDTH, HEIGHT, left, top, right, bottom)
    mask = nine_part(mask, WIDTH, HEIGHT, left, top, right, bottom)
    body = Image.new("RGB", (WIDTH, HEIGHT), tcolor(hint["COLOR"]))
    composed = Image.composite(body, picture, mask)
    composed.save(os.path.join(ROOT, "tests", "skin", "frames", "skinned_hint.png"))


if __name__ == "__main__":
    main()
