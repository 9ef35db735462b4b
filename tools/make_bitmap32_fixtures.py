#!/usr/bin/env python3
"""Makes 32-bit bitmap fixtures written by Pillow, ImageMagick and by hand, and reads BMP files
back through Pillow for the tests that check our own BMP files.

Usage:
  make_bitmap32_fixtures.py OUTPUT_FOLDER
      Writes, next to each FILE, FILE.expected: little-endian 32-bit width and height, then
      width * height RGBA pixels (top row first) of the picture the file holds:
        pillow_rgba.bmp      Pillow's RGBA writer: 40-byte header, 32-bit BI_RGB, bottom-up
        magick_v5.bmp        ImageMagick's default writer: 124-byte (V5) header, bit fields
                             with an alpha mask, pixels at offset 138
        magick_rgb24.bmp     ImageMagick BMP3: 40-byte header, 24 bits per pixel (opaque)
        bitfields_rgb.bmp    40-byte header, BI_BITFIELDS with three masks in an unusual order
                             (no alpha mask, so opaque), pixels at offset 66, top-down; its
                             expected picture is ImageMagick's reading
  make_bitmap32_fixtures.py --decode BMP_FILE OUTPUT_FILE
      Writes OUTPUT_FILE in the .expected layout with Pillow's decoding of BMP_FILE as RGBA.
"""

import os
import struct
import subprocess
import sys

from PIL import Image


WIDTH, HEIGHT = 7, 5


def picture():
    """An RGBA picture with distinct colours and graded alpha (fully transparent and fully
    opaque pixels included)."""
    im = Image.new("RGBA", (WIDTH, HEIGHT))
    pixels = []
    for y in range(HEIGHT):
        for x in range(WIDTH):
            i = y * WIDTH + x
            alpha = 0 if i == 0 else (255 if i == 1 else (i * 37) % 256)
            pixels.append(((i * 41 + 3) % 256, (i * 97 + 11) % 256, (i * 13 + 200) % 256, alpha))
    im.putdata(pixels)
    return im


def write_expected(path, im):
    im = im.convert("RGBA")
    with open(path, "wb") as f:
        f.write(struct.pack("<ii", im.width, im.height))
        f.write(im.tobytes())


def bitfields_file(im):
    """A top-down 32-bit BI_BITFIELDS file with a 40-byte header and masks after it."""
    rows = b""
    for r, g, b, _ in im.getdata():
        # Masks put red in the low byte, blue in the third: not the usual order.
        rows += struct.pack("<I", r | (g << 8) | (b << 16) | (0x5A << 24))
    masks = struct.pack("<III", 0x000000FF, 0x0000FF00, 0x00FF0000)
    offset = 14 + 40 + len(masks)
    header = b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, im.width, -im.height, 1, 32, 3, len(rows), 0, 0, 0, 0)
    return header + info + masks + rows


def make(folder):
    os.makedirs(folder, exist_ok=True)
    im = picture()
    png = os.path.join(folder, "picture.png")
    im.save(png)

    pillow = os.path.join(folder, "pillow_rgba.bmp")
    im.save(pillow)
    # Pillow stores the alpha bytes but reads such files as RGB: the picture itself is expected.
    write_expected(pillow + ".expected", im)

    magick_v5 = os.path.join(folder, "magick_v5.bmp")
    subprocess.run(["convert", png, "BMP:" + magick_v5], check=True)
    write_expected(magick_v5 + ".expected", Image.open(magick_v5))

    magick_rgb = os.path.join(folder, "magick_rgb24.bmp")
    subprocess.run(["convert", png, "-alpha", "off", "BMP3:" + magick_rgb], check=True)
    write_expected(magick_rgb + ".expected", Image.open(magick_rgb))

    bitfields = os.path.join(folder, "bitfields_rgb.bmp")
    with open(bitfields, "wb") as f:
        f.write(bitfields_file(im))
    # Pillow does not read this mask order; ImageMagick's reading is the expected picture.
    decoded = subprocess.run(["convert", bitfields, "rgba:-"], check=True, capture_output=True).stdout
    write_expected(bitfields + ".expected", Image.frombytes("RGBA", (im.width, im.height), decoded))


def main(argv):
    if len(argv) == 4 and argv[1] == "--decode":
        write_expected(argv[3], Image.open(argv[2]))
    elif len(argv) == 2:
        make(argv[1])
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
