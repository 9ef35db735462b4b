#!/usr/bin/env python3
"""Makes icon and PNG fixtures for the image-loading tests, with Pillow's reading of each.

Usage: make_icon_fixtures.py OUTPUT_FOLDER

Icons are made by icotool (BMP entries of 1, 4, 8, 24 and 32 bits with AND masks, and PNG
entries) from PNG pictures drawn here. Next to every fixture FILE the script writes
FILE.expected: per picture (every entry of an icon, in directory order; the one picture of a
PNG) the little-endian 16-bit width, height and bit count, then width * height RGBA pixels as
Pillow decodes them. For rgba.png, rgba.png.over holds the RGB bytes of the picture
alpha-composited by Pillow over the opaque colour OVER_COLOR.
"""

import os
import struct
import subprocess
import sys

from PIL import Image, IcoImagePlugin


OVER_COLOR = (40, 90, 200)


def pattern(size, colors, alpha):
    """A picture of `size` with `colors` distinct colours; `alpha`: 'none' (opaque), 'mask'
    (a transparent corner) or 'soft' (graded alpha)."""
    im = Image.new("RGBA", (size, size))
    # Black is colour 0: icotool counts transparent pixels as black when it picks a depth.
    palette = [(0, 0, 0)] + [((i * 97) % 256, (i * 53 + 40) % 256, (i * 31 + 90) % 256) for i in range(1, colors)]
    for y in range(size):
        for x in range(size):
            r, g, b = palette[(x * 3 + y * 5 + (x * y) // 7) % colors]
            a = 255
            if alpha == "mask" and x + y < size // 2:
                r, g, b, a = 0, 0, 0, 0
            elif alpha == "soft":
                a = (x * 255) // max(size - 1, 1)
                if y < 2:
                    a = 0
            im.putpixel((x, y), (r, g, b, a))
    return im


def write_expected(path, pictures):
    with open(path + ".expected", "wb") as out:
        for im, bits in pictures:
            rgba = im.convert("RGBA")
            out.write(struct.pack("<HHH", rgba.width, rgba.height, bits))
            out.write(rgba.tobytes())


def make_icon(folder, name, entries):
    """entries: (picture, bits, raw_png)."""
    args = ["icotool", "-c", "-o", os.path.join(folder, name)]
    for i, (im, bits, raw) in enumerate(entries):
        source = os.path.join(folder, f"{name}.{i}.png")
        im.save(source)
        args += [f"--raw={source}"] if raw else ["-b", str(bits), source]
    subprocess.run(args, check=True)
    path = os.path.join(folder, name)
    icon = IcoImagePlugin.IcoFile(open(path, "rb"))
    pictures = []
    # Pillow sorts its entries by size; the file's order is the order of their data.
    in_file_order = sorted(range(len(icon.entry)), key=lambda i: icon.entry[i]["offset"])
    for n, i in enumerate(in_file_order):
        frame = icon.frame(i)
        frame.load()
        pictures.append((frame, 32 if entries[n][2] else entries[n][1]))
    write_expected(path, pictures)
    for i in range(len(entries)):
        os.remove(os.path.join(folder, f"{name}.{i}.png"))


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)

    make_icon(folder, "depths.ico", [
        (pattern(16, 2, "mask"), 1, False),
        (pattern(16, 16, "mask"), 4, False),
        (pattern(32, 200, "mask"), 8, False),
        (pattern(24, 300, "mask"), 24, False),
        (pattern(48, 300, "soft"), 32, False),
        (pattern(64, 300, "soft"), 32, True),
    ])
    # The same size twice: the 32-bit entry is the better one.
    make_icon(folder, "sizes.ico", [
        (pattern(16, 16, "mask"), 4, False),
        (pattern(32, 16, "mask"), 4, False),
        (pattern(32, 300, "soft"), 32, False),
        (pattern(48, 300, "soft"), 32, False),
    ])

    pngs = {
        "rgba.png": pattern(20, 300, "soft"),
        "rgb.png": pattern(17, 300, "none").convert("RGB"),
        "gray_alpha.png": pattern(9, 300, "soft").convert("LA"),
        "gray16.png": pattern(11, 300, "none").convert("L").point(lambda v: v * 256, "I").convert("I;16"),
    }
    palette = pattern(13, 12, "mask").convert("RGB").convert("P", palette=Image.ADAPTIVE, colors=12)
    palette.info["transparency"] = 0
    pngs["palette.png"] = palette
    for name, im in pngs.items():
        path = os.path.join(folder, name)
        im.save(path)
        with Image.open(path) as read:
            read.load()
            # Pillow reads 16-bit grey as 32-bit integers; the 8-bit reading keeps the high byte.
            if read.mode in ("I", "I;16"):
                high = bytes(v >> 8 for v in read.getdata())
                read = Image.frombytes("L", read.size, high)
            write_expected(path, [(read, 32)])
    with Image.open(os.path.join(folder, "rgba.png")) as im:
        back = Image.new("RGBA", im.size, OVER_COLOR + (255,))
        over = Image.alpha_composite(back, im.convert("RGBA")).convert("RGB")
        with open(os.path.join(folder, "rgba.png.over"), "wb") as out:
            out.write(over.tobytes())


if __name__ == "__main__":
    main()
