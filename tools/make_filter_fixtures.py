#!/usr/bin/python3
"""Writes the stream-filter fixtures of the PDF core tests.

Each case is an encoded stream (<name>.raw), its stream dictionary (a line of cases.txt) and
the bytes it decodes to (<name>.decoded). The encoded data comes from outside encoders where
one exists (zlib, Pillow's PNG writer, libtiff's tiffcp) and from the small encoders below
otherwise; every case is checked to decode correctly with qpdf (through pikepdf) before it is
written, so the fixtures do not rest on our own decoders.

Usage: /usr/bin/python3 tools/make_filter_fixtures.py  (needs python3-pil, python3-pikepdf,
libtiff-tools). Deterministic: the same files come out on every run.
"""
import base64
import io
import os
import random
import struct
import subprocess
import tempfile
import zlib

import pikepdf
from PIL import Image

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "pdf", "core", "fixtures", "filters")


def pixel_bytes(rng, size):
    """Smooth data with noise, so that predictors have something to do."""
    data = bytearray()
    value = rng.randrange(256)
    for i in range(size):
        value = (value + rng.choice((0, 0, 1, -1, 3, -7, 50))) % 256
        data.append(value)
    return bytes(data)


def row_length(colors, bpc, columns):
    return (colors * bpc * columns + 7) // 8


def clear_padding(data, colors, bpc, columns):
    """Zeros the bits after the last pixel of each row, which carry nothing."""
    length = row_length(colors, bpc, columns)
    spare = length * 8 - colors * bpc * columns
    out = bytearray(data)
    for end in range(length - 1, len(out), length):
        out[end] &= (0xFF << spare) & 0xFF
    return bytes(out)


def png_filter(data, colors, bpc, columns, rng):
    """PNG filtering with a random filter type per row (the inverse of the PNG predictors)."""
    length = row_length(colors, bpc, columns)
    bpp = max(1, (colors * bpc + 7) // 8)
    out = bytearray()
    previous = bytes(length)
    for start in range(0, len(data), length):
        row = data[start:start + length]
        kind = rng.randrange(5)
        out.append(kind)
        for i in range(length):
            left = row[i - bpp] if i >= bpp else 0
            up = previous[i]
            upper_left = previous[i - bpp] if i >= bpp else 0
            if kind == 0:
                guess = 0
            elif kind == 1:
                guess = left
            elif kind == 2:
                guess = up
            elif kind == 3:
                guess = (left + up) // 2
            else:
                p = left + up - upper_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - upper_left)
                guess = left if pa <= pb and pa <= pc else (up if pb <= pc else upper_left)
            out.append((row[i] - guess) % 256)
        previous = row
    return bytes(out)


def tiff_difference(data, colors, bpc, columns):
    """TIFF predictor 2 encoding: components minus the same component of the pixel to the left."""
    length = row_length(colors, bpc, columns)
    out = bytearray()
    for start in range(0, len(data), length):
        row = data[start:start + length]
        bits = int.from_bytes(row, "big")
        total = length * 8
        count = colors * columns
        mask = (1 << bpc) - 1
        values = [(bits >> (total - (i + 1) * bpc)) & mask for i in range(count)]
        diffs = values[:colors] + [(values[i] - values[i - colors]) & mask for i in range(colors, count)]
        packed = 0
        for v in diffs:
            packed = (packed << bpc) | v
        packed <<= total - count * bpc
        packed |= bits & ((1 << (total - count * bpc)) - 1)
        out += packed.to_bytes(length, "big")
    return bytes(out)


def lzw_encode(data, early_change=1):
    """PDF LZW, most significant bit first, with a clear code before the table fills."""
    bits = []

    class Decoder:  # the reader's code width, which the writer must follow
        width, next_entry, first = 9, 258, True

    def emit(code):
        bits.extend((code >> (Decoder.width - 1 - i)) & 1 for i in range(Decoder.width))
        if code == 256:
            Decoder.width, Decoder.next_entry, Decoder.first = 9, 258, True
        elif Decoder.first:
            Decoder.first = False
        else:
            if Decoder.next_entry == (1 << Decoder.width) - 1 - early_change and Decoder.width < 12:
                Decoder.width += 1
            Decoder.next_entry += 1

    def fresh_table():
        return {bytes([i]): i for i in range(256)}, 258

    table, next_code = fresh_table()
    emit(256)
    word = b""
    for byte in data:
        candidate = word + bytes([byte])
        if candidate in table:
            word = candidate
            continue
        emit(table[word])
        table[candidate] = next_code
        next_code += 1
        word = bytes([byte])
        if next_code >= 4000:
            emit(table[word])
            emit(256)
            table, next_code = fresh_table()
            word = b""
    if word:
        emit(table[word])
    emit(257)
    bits.extend([0] * (-len(bits) % 8))
    return bytes(int("".join(map(str, bits[i:i + 8])), 2) for i in range(0, len(bits), 8))


def run_length_encode(data, rng):
    out = bytearray()
    i = 0
    while i < len(data):
        run = 1
        while i + run < len(data) and run < 128 and data[i + run] == data[i]:
            run += 1
        if run >= 2:
            out += bytes([257 - run, data[i]])
            i += run
        else:
            literal = data[i:i + rng.randrange(1, 129)]
            out += bytes([len(literal) - 1]) + literal
            i += len(literal)
    out.append(128)
    return bytes(out)


def pil_png_idat(image):
    buffer = io.BytesIO()
    image.save(buffer, "PNG")
    png, position, idat = buffer.getvalue(), 8, b""
    while position < len(png):
        length = struct.unpack(">I", png[position:position + 4])[0]
        if png[position + 4:position + 8] == b"IDAT":
            idat += png[position + 8:position + 8 + length]
        position += 12 + length
    return idat


def tiffcp_strip(image, compression):
    """One strip of a TIFF that libtiff compressed."""
    with tempfile.TemporaryDirectory() as folder:
        plain, packed = os.path.join(folder, "plain.tif"), os.path.join(folder, "packed.tif")
        image.save(plain)
        subprocess.run(["tiffcp", "-c", compression, "-r", "100000", plain, packed], check=True)
        with Image.open(packed) as tiff, open(packed, "rb") as file:
            offset, size = tiff.tag_v2[273][0], tiff.tag_v2[279][0]
            file.seek(offset)
            return file.read(size)


def qpdf_decode(raw, dictionary):
    pdf = pikepdf.new()
    stream = pikepdf.Stream(pdf, raw)
    for key, value in pikepdf.Object.parse(dictionary.encode()).items():
        stream[key] = value
    return stream.read_bytes(decode_level=pikepdf.StreamDecodeLevel.specialized)


def main():
    rng = random.Random(20261210)
    cases = []

    def add(name, dictionary, raw, decoded, qpdf_checks=True):
        if qpdf_checks:
            assert qpdf_decode(raw, dictionary) == decoded, name
        cases.append((name, dictionary, raw, decoded))

    text = b"".join(b"line %d of some stream text; " % (i * i % 97) for i in range(400))
    add("flate_plain", "<< /Filter /FlateDecode >>", zlib.compress(text), text)

    image = Image.new("RGB", (41, 23))
    image.putdata([(x * 6 % 256, (x * y) % 256, rng.randrange(256)) for y in range(23) for x in range(41)])
    add("flate_png_pillow_rgb8",
        "<< /Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors 3 /BitsPerComponent 8 /Columns 41 >> >>",
        pil_png_idat(image),
        image.tobytes())

    for colors, bpc, columns in [(1, 8, 33), (3, 16, 17), (1, 1, 77), (1, 2, 29), (1, 4, 15), (3, 4, 11), (4, 8, 9), (5, 4, 7)]:
        rows = 13
        data = clear_padding(pixel_bytes(rng, row_length(colors, bpc, columns) * rows), colors, bpc, columns)
        parms = "/Colors %d /BitsPerComponent %d /Columns %d" % (colors, bpc, columns)
        add("flate_png_c%d_b%d" % (colors, bpc),
            "<< /Filter /FlateDecode /DecodeParms << /Predictor 12 %s >> >>" % parms,
            zlib.compress(png_filter(data, colors, bpc, columns, rng)), data)
        add("flate_tiff_c%d_b%d" % (colors, bpc),
            "<< /Filter /FlateDecode /DecodeParms << /Predictor 2 %s >> >>" % parms,
            zlib.compress(tiff_difference(data, colors, bpc, columns)), data)
        add("lzw_png_c%d_b%d" % (colors, bpc),
            "<< /Filter /LZWDecode /DecodeParms << /Predictor 11 %s >> >>" % parms,
            lzw_encode(png_filter(data, colors, bpc, columns, rng)), data)

    tiff_image = Image.new("RGB", (57, 31))
    tiff_image.putdata([((x * 5) % 256, (y * 9) % 256, (x ^ y) % 256) for y in range(31) for x in range(57)])
    add("lzw_tiff_libtiff_rgb8",
        "<< /Filter /LZWDecode /DecodeParms << /Predictor 2 /Colors 3 /BitsPerComponent 8 /Columns 57 >> >>",
        tiffcp_strip(tiff_image, "lzw:2"), tiff_image.tobytes())
    add("flate_tiff_libtiff_rgb8",
        "<< /Filter /FlateDecode /DecodeParms << /Predictor 2 /Colors 3 /BitsPerComponent 8 /Columns 57 >> >>",
        tiffcp_strip(tiff_image, "zip:2"), tiff_image.tobytes())
    add("lzw_libtiff_plain", "<< /Filter /LZWDecode >>", tiffcp_strip(tiff_image, "lzw"), tiff_image.tobytes())

    # Varied enough for the code table to fill and be cleared twice.
    long_text = bytes(rng.choice(b"abcdefghijklmnop") for _ in range(20000))
    add("lzw_plain", "<< /Filter /LZWDecode >>", lzw_encode(long_text), long_text)
    add("lzw_late_change", "<< /Filter /LZWDecode /DecodeParms << /EarlyChange 0 >> >>",
        lzw_encode(long_text, early_change=0), long_text)

    packed = zlib.compress(text)
    a85 = base64.a85encode(packed, wrapcol=64, adobe=True)[2:]  # the "<~" prefix is not part of PDF's form
    add("a85_flate", "<< /Filter [ /ASCII85Decode /FlateDecode ] >>", a85, text)
    add("a85_abbreviated", "<< /Filter /A85 >>", a85, packed, qpdf_checks=False)
    hexed = b"\n".join(packed.hex().encode()[i:i + 60] for i in range(0, len(packed) * 2, 60)) + b">"
    add("ahx_flate", "<< /Filter [ /ASCIIHexDecode /FlateDecode ] >>", hexed, text)

    runs = bytes(rng.choice(b"aaaaaaaabbbbbcd") for _ in range(3000)) + b"\0" * 700
    add("runlength", "<< /Filter /RunLengthDecode >>", run_length_encode(runs, rng), runs)
    add("runlength_flate", "<< /Filter [ /FlateDecode /RunLengthDecode ] >>",
        zlib.compress(run_length_encode(runs, rng)), runs)

    os.makedirs(OUT, exist_ok=True)
    with open(os.path.join(OUT, "cases.txt"), "w") as manifest:
        manifest.write("# name, then the stream dictionary; generated by tools/make_filter_fixtures.py\n")
        for name, dictionary, raw, decoded in cases:
            manifest.write("%s %s\n" % (name, dictionary))
            with open(os.path.join(OUT, name + ".raw"), "wb") as file:
                file.write(raw)
            with open(os.path.join(OUT, name + ".decoded"), "wb") as file:
                file.write(decoded)


if __name__ == "__main__":
    main()
