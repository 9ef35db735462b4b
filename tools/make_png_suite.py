#!/usr/bin/python3
"""Writes the PNG test suite of the skin engine's reader.

    make_png_suite.py OUTPUT_FOLDER

Standard files: every colour type at every bit depth, plain and Adam7, rows cycling through the
five filter types, with tRNS, gAMA, split and empty IDAT chunks and chunk names in other letter
cases. Damaged files: bad CRCs, truncation, critical unknown chunks, short palettes, bad headers.
The chunks are written by this script; pypng and Pillow read every standard file back and must
agree on its samples. "expected.txt" lists each file with "ok" or the error text the reader
gives.
"""

import io
import os
import struct
import sys
import zlib

import png
from PIL import Image

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def chunk(kind, data, crc_delta=0):
    crc = (zlib.crc32(kind + data) + crc_delta) & 0xFFFFFFFF
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc)


def ihdr(width, height, depth, colour, interlace=0, compression=0):
    return chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, compression, 0, interlace))


def sample_grid(width, height, depth, colour):
    """Deterministic samples: rows of pixels, each a list of channel values."""
    top = (1 << depth) - 1
    n = CHANNELS[colour]
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            pixel = []
            for c in range(n):
                v = (x * 37 + y * 101 + c * 59 + (x * y) % 7) % (top + 1)
                if colour == 3:
                    v %= 6 if depth > 1 else 2  # palette of six entries
                pixel.append(v)
            row.append(pixel)
        rows.append(row)
    return rows


def pack_row(pixels, depth):
    flat = [v for p in pixels for v in p]
    if depth == 16:
        return b"".join(struct.pack(">H", v) for v in flat)
    if depth == 8:
        return bytes(flat)
    out = bytearray()
    per = 8 // depth
    for i in range(0, len(flat), per):
        byte = 0
        group = flat[i:i + per]
        for j, v in enumerate(group):
            byte |= v << (8 - depth * (j + 1))
        out.append(byte)
    return bytes(out)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_row(kind, row, previous, bpp):
    out = bytearray()
    for i, v in enumerate(row):
        left = row[i - bpp] if i >= bpp else 0
        up = previous[i] if previous else 0
        upper_left = previous[i - bpp] if previous and i >= bpp else 0
        predictor = [0, left, up, (left + up) // 2, paeth(left, up, upper_left)][kind]
        out.append((v - predictor) & 0xFF)
    return bytes([kind]) + bytes(out)


def raw_data(rows, depth, colour, interlace, first_filter=0):
    bpp = max(1, CHANNELS[colour] * depth // 8)
    out = bytearray()
    counter = first_filter

    def emit(sub_rows):
        nonlocal counter
        previous = None
        for pixels in sub_rows:
            packed = pack_row(pixels, depth)
            out.extend(filter_row(counter % 5, packed, previous, bpp))
            counter += 1
            previous = packed

    height, width = len(rows), len(rows[0])
    if not interlace:
        emit(rows)
    else:
        for x0, y0, dx, dy in ADAM7:
            if x0 >= width or y0 >= height:
                continue
            emit([rows[y][x0::dx] for y in range(y0, height, dy)])
    return bytes(out)


PALETTE = bytes([0, 0, 0, 255, 255, 255, 200, 40, 40, 40, 160, 60, 30, 60, 200, 240, 200, 20])


def build(width, height, depth, colour, interlace=0, extra_before=b"", idat_split=1, empty_idat=False,
          idat_name=b"IDAT", palette=PALETTE, first_filter=0):
    rows = sample_grid(width, height, depth, colour)
    data = zlib.compress(raw_data(rows, depth, colour, interlace, first_filter), 9)
    out = b"\x89PNG\r\n\x1a\n" + ihdr(width, height, depth, colour, interlace) + extra_before
    if colour == 3 and palette is not None:
        if palette is PALETTE:
            palette = PALETTE[:3 * min(6, 1 << depth)]
        out += chunk(b"PLTE", palette)
    step = max(1, (len(data) + idat_split - 1) // idat_split)
    pieces = [data[i:i + step] for i in range(0, len(data), step)]
    for i, piece in enumerate(pieces):
        out += chunk(idat_name, piece)
        if empty_idat and i == 0:
            out += chunk(idat_name, b"")
    return out + chunk(b"IEND", b"")


def standard_files():
    files = {}
    depths = {0: [1, 2, 4, 8, 16], 2: [8, 16], 3: [1, 2, 4, 8], 4: [8, 16], 6: [8, 16]}
    for colour, ds in depths.items():
        for depth in ds:
            for interlace in (0, 1):
                name = "c%d_d%02d_%s.png" % (colour, depth, "adam7" if interlace else "plain")
                files[name] = build(13, 11, depth, colour, interlace)
    # Adam7 passes that begin with Up, Average and Paeth rows
    for first in (2, 3, 4):
        files["c6_d08_adam7_filter%d.png" % first] = build(9, 9, 8, 6, 1, first_filter=first)
    grey_trns = chunk(b"tRNS", struct.pack(">H", 1))
    for depth in (1, 2, 4, 8, 16):
        data = build(8, 4, depth, 0)
        files["c0_d%02d_trns.png" % depth] = insert_before_idat(data, grey_trns)
    files["c2_d08_trns.png"] = insert_before_idat(build(8, 4, 8, 2), chunk(b"tRNS", struct.pack(">HHH", 10, 20, 30)))
    files["c3_d08_trns.png"] = insert_before_idat(build(8, 4, 8, 3), chunk(b"tRNS", bytes([0, 128])))
    gamma = chunk(b"gAMA", struct.pack(">I", 100000))
    files["c2_d08_gamma.png"] = build(9, 5, 8, 2, extra_before=gamma)
    files["c6_d16_gamma.png"] = build(9, 5, 16, 6, extra_before=gamma)
    files["c0_d08_gamma.png"] = build(9, 5, 8, 0, extra_before=gamma)
    files["c3_d04_gamma.png"] = build(9, 5, 4, 3, extra_before=gamma)
    files["c6_d08_split_idat.png"] = build(16, 16, 8, 6, idat_split=7, empty_idat=True)
    files["c6_d08_5x5.png"] = build(5, 5, 8, 6)
    files["c2_d08_text.png"] = build(6, 6, 8, 2, extra_before=chunk(b"tEXt", b"Comment\x00ours"))
    files["c2_d08_bkgd.png"] = build(6, 6, 8, 2, extra_before=chunk(b"bKGD", struct.pack(">HHH", 1, 2, 3)))
    files["c2_d08_plte.png"] = build(6, 6, 8, 2, extra_before=chunk(b"PLTE", PALETTE))
    return files


def insert_before_idat(data, extra):
    at = data.index(b"IDAT") - 4
    return data[:at] + extra + data[at:]


def flip_idat_crc(data):
    at = data.index(b"IDAT") - 4
    length = struct.unpack(">I", data[at:at + 4])[0]
    crc_at = at + 8 + length
    return data[:crc_at] + bytes([data[crc_at] ^ 1]) + data[crc_at + 1:]


def damaged_files():
    invalid = "Cannot load image. Invalid or unexpected PNG image format."
    crc = "Cannot load image. CRC error found in PNG file."
    good = build(8, 8, 8, 6)
    idat_at = good.index(b"IDAT") - 4
    files = {
        "bad_signature.png": (b"\x89PNG\r\n\x1a\x0b" + good[8:], invalid),
        "first_chunk_not_ihdr.png": (good[:8] + chunk(b"gAMA", struct.pack(">I", 45455)) + good[8:], invalid),
        "zero_width.png": (good[:8] + ihdr(0, 8, 8, 6) + good[33:], invalid),
        "short_ihdr.png": (good[:8] + chunk(b"IHDR", struct.pack(">IIBB", 8, 8, 8, 6)) + good[33:], invalid),
        "bad_ihdr_crc.png": (good[:8] + ihdr(8, 8, 8, 6)[:-1] + b"\x00" + good[33:], crc),
        "bad_idat_crc.png": (flip_idat_crc(good), crc),
        "compression_method.png": (good[:8] + ihdr(8, 8, 8, 6, compression=1) + good[33:],
                                   "Cannot load image. The compression scheme is not supported for PNG files."),
        "critical_unknown.png": (insert_before_idat(good, chunk(b"TEXT", b"x")),
                                 "Cannot load PNG image. Unexpected but critical chunk detected."),
        "plte_not_multiple_of_3.png": (build(4, 4, 8, 3, palette=PALETTE[:7]),
                                       "Cannot load image. Palette in PNG file is invalid."),
        "colour_type_5.png": (good[:8] + ihdr(8, 8, 8, 5) + good[33:], "Invalid color format in PNG file."),
        "rgb_depth_4.png": (good[:8] + ihdr(8, 8, 4, 2) + good[33:], "Invalid color format in PNG file."),
        "truncated.png": (good[:idat_at + 20], "Cannot load image. A PNG chunk runs past the end of the data."),
        "no_iend.png": (good[:-12], "Stream read error"),
        "huge_length.png": (good[:idat_at] + struct.pack(">I", 0x7FFFFFF0) + good[idat_at + 4:],
                            "Cannot load image. A PNG chunk runs past the end of the data."),
        "huge_size.png": (good[:8] + ihdr(0x7FFFFFFF, 0x7FFFFFFF, 8, 6) + good[33:],
                          "Cannot load image. The PNG image is too large."),
        "corrupt_zlib.png": (good[:idat_at] + chunk(b"IDAT", b"\x78\x9c\xff\xff\xff\xff") + chunk(b"IEND", b""),
                             "Cannot load image. Compression error found in PNG file."),
        "extra_data.png": (good[:idat_at] + chunk(b"IDAT", zlib.compress(raw_data(sample_grid(8, 8, 8, 6), 8, 6, 0))
                                                  + b"trailing bytes") + chunk(b"IEND", b""),
                           "Cannot load image. Extra compressed data found in PNG file."),
    }
    return files


def tolerated_files():
    """Damaged in ways the reader accepts."""
    short_data = zlib.compress(raw_data(sample_grid(8, 8, 8, 2), 8, 2, 0)[:3 * 25])
    return {
        "short_plte.png": build(8, 4, 4, 3, palette=PALETTE[:6]),
        "missing_rows.png": build(8, 8, 8, 2)[:33] + chunk(b"IDAT", short_data) + chunk(b"IEND", b""),
        "no_plte.png": build(4, 4, 8, 3, palette=None),
        "short_trns.png": insert_before_idat(build(4, 4, 8, 2), chunk(b"tRNS", b"\x00\x01")),
        "short_bkgd.png": insert_before_idat(build(4, 4, 8, 2), chunk(b"bKGD", b"\x00")),
        "filter_type_9.png": build_with_filter_byte(9),
        # the same pixels as c6_d08_5x5.png and c2_d08_text.png
        "lower_idat.png": build(5, 5, 8, 6, idat_name=b"idat"),
        "mixed_idat.png": build(5, 5, 8, 6, idat_name=b"IdAt"),
        "text_bad_crc.png": build(6, 6, 8, 2, extra_before=chunk(b"tEXt", b"Comment\x00ours", 1)),
    }


def build_with_filter_byte(kind):
    rows = sample_grid(4, 2, 8, 0)
    raw = b"".join(bytes([kind]) + pack_row(r, 8) for r in rows)
    return b"\x89PNG\r\n\x1a\n" + ihdr(4, 2, 8, 0) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def check_standard(name, data):
    """pypng and Pillow read the same samples (Pillow where it keeps the samples as stored)."""
    reader = png.Reader(bytes=data)
    width, height, rows, meta = reader.read()
    samples = [list(r) for r in rows]
    assert len(samples) == height and len(samples[0]) == width * meta["planes"], name
    image = Image.open(io.BytesIO(data))
    image.load()
    if meta["bitdepth"] == 8 and not meta.get("palette") and meta["planes"] in (1, 3, 4) and "gamma" not in meta:
        flat = list(image.getdata())
        for y in range(height):
            for x in range(width):
                pixel = flat[y * width + x]
                pixel = pixel if isinstance(pixel, tuple) else (pixel,)
                got = list(pixel[:meta["planes"]])
                want = samples[y][x * meta["planes"]:(x + 1) * meta["planes"]]
                assert got == want, (name, x, y, got, want)
    assert image.size == (width, height), name


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    lines = []
    for name, data in sorted(standard_files().items()):
        check_standard(name, data)
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        lines.append("%s\tok" % name)
    for name, data in sorted(tolerated_files().items()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        lines.append("%s\ttolerated" % name)
    for name, (data, message) in sorted(damaged_files().items()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        lines.append("%s\t%s" % (name, message))
    with open(os.path.join(out, "expected.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv)
