#!/usr/bin/python3
"""BMP oracle for the graphics tests, run with the system Python (PIL).

  bmp_oracle.py make DIR   writes BMP files of many layouts with PIL and ImageMagick
  bmp_oracle.py dump FILE  prints the width and height, then R G B A of every pixel, row by row
"""
import os
import subprocess
import sys

from PIL import Image


def picture(mode, size=(7, 5)):
    image = Image.new("RGBA", size)
    for y in range(size[1]):
        for x in range(size[0]):
            image.putpixel((x, y), ((x * 37) % 256, (y * 61) % 256, ((x + y) * 23) % 256, (x * y * 19) % 256))
    if mode == "P":
        return image.convert("RGB").quantize(colors=200)
    return image.convert(mode)


def make(folder):
    for mode in ("1", "L", "P", "RGB", "RGBA"):
        picture(mode).save(os.path.join(folder, f"pil_{mode}.bmp"))
    source = os.path.join(folder, "source.png")
    picture("RGB", (9, 6)).save(source)
    magick = [
        ("im_pal1.bmp", ["-monochrome", "BMP3:"]),
        ("im_pal4.bmp", ["-colors", "12", "-type", "Palette", "BMP3:"]),
        ("im_pal8.bmp", ["-colors", "100", "-type", "Palette", "-compress", "None", "BMP3:"]),
        ("im_rle8.bmp", ["-colors", "100", "-type", "Palette", "-compress", "RLE", "BMP3:"]),
        ("im_core.bmp", ["-type", "TrueColor", "BMP2:"]),
        ("im_rgb565.bmp", ["-define", "bmp:subtype=RGB565", "BMP:"]),
        ("im_v5alpha.bmp", ["-alpha", "set", "-channel", "A", "-evaluate", "set", "40%", "+channel", "BMP:"]),
    ]
    for name, options in magick:
        target = options[-1] + os.path.join(folder, name)
        subprocess.run(["convert", source] + options[:-1] + [target], check=True)


def dump(path):
    image = Image.open(path)
    image.load()
    rgba = image.convert("RGBA")
    print(rgba.width, rgba.height)
    for y in range(rgba.height):
        print(" ".join("%d,%d,%d,%d" % rgba.getpixel((x, y)) for x in range(rgba.width)))


if __name__ == "__main__":
    {"make": make, "dump": dump}[sys.argv[1]](sys.argv[2])
