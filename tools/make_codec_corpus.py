#!/usr/bin/python3
"""Writes the codec fixtures of the image tests: JPEG (DCT), CCITT fax and JPEG 2000 images.

Every case is a one-page PDF whose page draws one image XObject (<name>.pdf), the image
stream's raw codec bytes (<name>.data), the stream's parameters (a line of cases.txt) and the
pixels an outside decoder gives for it (<name>.expected, a binary PGM or PPM):

- DCT and CCITT images, and 8-bit JPEG 2000 images: poppler's `pdfimages -png` output;
- JPEG 2000 images of other depths: `opj_decompress` samples, brought to 8 bits as the image
  decoder does ((sample + signed offset) * 255 // (2^precision - 1));
- CMYK JPEGs: the ink values the picture was drawn with (the test allows for JPEG's loss).

The coded data comes from libjpeg (through Pillow and ImageMagick), libtiff (tiffcp) and
OpenJPEG (opj_compress); a few cases are edited at the bit or box level below (end-of-line codes
stripped, a JP2 channel-definition box, an sYCC colour box). The raw codec bytes also seed the
fuzz targets (fuzz/corpus/ccitt, dct, jpx).

Usage: /usr/bin/python3 tools/make_codec_corpus.py  (needs python3-pil, python3-pikepdf,
libtiff-tools, libopenjp2-tools, imagemagick, poppler-utils). Deterministic.
"""
import io
import os
import re
import shutil
import struct
import subprocess
import tempfile

import pikepdf
from PIL import Image, ImageDraw

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
OUT = os.path.join(ROOT, "tests", "pdf", "images", "codecs")
FUZZ = os.path.join(ROOT, "fuzz", "corpus")


def run(*args, **kwargs):
    return subprocess.run(args, check=True, capture_output=True, **kwargs).stdout


# --- PDF and expected pixels ----------------------------------------------------------------

def write_pdf(path, data, dictionary):
    pdf = pikepdf.new()
    stream = pikepdf.Stream(pdf, data)
    for key, value in dictionary.items():
        stream[key] = value
    stream.Type = pikepdf.Name.XObject
    stream.Subtype = pikepdf.Name.Image
    width, height = int(dictionary["/Width"]), int(dictionary["/Height"])
    page = pikepdf.Page(pikepdf.Dictionary(
        Type=pikepdf.Name.Page, MediaBox=[0, 0, width, height],
        Resources=pikepdf.Dictionary(XObject=pikepdf.Dictionary(Im0=stream)),
        Contents=pikepdf.Stream(pdf, b"q %d 0 0 %d 0 0 cm /Im0 Do Q" % (width, height))))
    pdf.pages.append(page)
    pdf.save(path, compress_streams=False, static_id=True)


def pdfimages_picture(pdf_path):
    with tempfile.TemporaryDirectory() as work:
        run("pdfimages", "-png", pdf_path, os.path.join(work, "img"))
        names = sorted(n for n in os.listdir(work) if n.startswith("img-000"))
        image = Image.open(os.path.join(work, names[0]))
        image.load()
        return image


def write_pnm(path, image):
    """Binary PBM for bilevel pictures, PGM for grey, PPM for colour."""
    if image.mode == "P" and len(set(image.convert("L").getdata())) <= 2 and set(image.convert("L").getdata()) <= {0, 255}:
        image = image.convert("1")
    if image.mode != "1":
        image = image.convert("L" if image.mode == "L" else "RGB")
    image.save(path, format="PPM")


def pdf_value(value):
    if isinstance(value, bool):
        return value
    if isinstance(value, int):
        return value
    if isinstance(value, list):
        return pikepdf.Array([pdf_value(v) for v in value])
    if isinstance(value, str) and value.startswith("/"):
        return pikepdf.Name(value)
    raise ValueError(value)


CASES = []


def add_case(name, kind, data, dictionary, parameters, expected=None, seed_prefix=b""):
    """Writes the PDF, the raw data, the expected picture and the cases.txt line."""
    pdf_dictionary = {k: pdf_value(v) for k, v in dictionary.items()}
    if parameters:
        pdf_dictionary["/DecodeParms"] = pikepdf.Dictionary({k: pdf_value(v) for k, v in parameters.items()})
    pdf_path = os.path.join(OUT, name + ".pdf")
    write_pdf(pdf_path, data, pdf_dictionary)
    with open(os.path.join(OUT, name + ".data"), "wb") as f:
        f.write(data)
    if expected is None:
        expected = pdfimages_picture(pdf_path)
    write_pnm(os.path.join(OUT, name + ".expected"), expected)
    fields = [name, kind]
    for key, value in list(dictionary.items()) + list(parameters.items()):
        if key in ("/Filter",):
            continue
        if isinstance(value, list):
            value = "[" + " ".join(str(v) for v in value) + "]"
        elif isinstance(value, bool):
            value = "true" if value else "false"
        fields.append("%s=%s" % (key[1:], value))
    CASES.append(" ".join(fields))
    folder = os.path.join(FUZZ, kind)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(seed_prefix + data)


# --- CCITT ------------------------------------------------------------------------------------

def bilevel_picture(width, height, blank_rows=()):
    """Shapes and lines on white, with fully blank rows where asked."""
    image = Image.new("1", (width, height), 1)
    draw = ImageDraw.Draw(image)
    for i in range(0, width, 97):
        draw.rectangle([i + 3, 4 + i % 11, i + 40 + i % 23, height - 6 - i % 7], outline=0)
        draw.ellipse([i + 10, 10, i + 60, height // 2 + i % 13], fill=0 if (i // 97) % 2 else None, outline=0)
        draw.line([i, 0, i + 90, height - 1], fill=0, width=1 + i % 3)
    for x in range(0, width, 3):
        image.putpixel((x, height // 3), 0)
    for row in blank_rows:
        draw.line([0, row, width - 1, row], fill=1)
    return image


def min_is_white_tiff(image):
    """An uncompressed one-strip TIFF with 0 for white, as the fax encoders take it."""
    width, height = image.size
    inverted = Image.eval(image.convert("L"), lambda v: 255 - v).convert("1")
    strip = inverted.tobytes()
    entries = [(256, 4, width), (257, 4, height), (258, 3, 1), (259, 3, 1), (262, 3, 0),
               (273, 4, 0), (277, 3, 1), (278, 4, height), (279, 4, len(strip))]
    header_size = 8 + 2 + 12 * len(entries) + 4
    out = bytearray(b"II*\x00" + struct.pack("<I", 8) + struct.pack("<H", len(entries)))
    for tag, kind, value in entries:
        if tag == 273:
            value = header_size
        out += struct.pack("<HHI", tag, kind, 1)
        out += struct.pack("<HH", value, 0) if kind == 3 else struct.pack("<I", value)
    out += struct.pack("<I", 0)
    return bytes(out) + strip


def tiff_strip(data):
    """The one strip of a little-endian TIFF."""
    assert data[:2] == b"II"
    offset = struct.unpack_from("<I", data, 4)[0]
    count = struct.unpack_from("<H", data, offset)[0]
    values = {}
    for i in range(count):
        tag, kind, n, value = struct.unpack_from("<HHII", data, offset + 2 + 12 * i)
        if kind == 3:
            value &= 0xFFFF
        values[tag] = value
    return data[values[273]:values[273] + values[279]]


def fax_strip(image, compression):
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "in.tif")
        target = os.path.join(work, "out.tif")
        with open(source, "wb") as f:
            f.write(min_is_white_tiff(image))
        run("tiffcp", "-c", compression, "-r", str(image.size[1]), source, target)
        with open(target, "rb") as f:
            return tiff_strip(f.read())


def strip_end_of_lines(data):
    """The coded bits without their end-of-line codes; the bits before each code stay (a code
    ends the longest run of zeros, eleven of them and the one)."""
    bits = "".join(format(b, "08b") for b in data)
    bits = re.sub("0{11,}1", lambda m: m.group(0)[:-12], bits)
    bits += "0" * (-len(bits) % 8)
    return bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))


def ccitt_seed_prefix(parameters, rows):
    """The fuzz target's header: K, columns, rows, flags."""
    flags = (parameters.get("/EncodedByteAlign", False) | parameters.get("/BlackIs1", False) << 1
             | parameters.get("/EndOfLine", False) << 2)
    return struct.pack("<bHHB", parameters.get("/K", 0), parameters["/Columns"], rows, flags)


def add_ccitt(name, image, compression, parameters, transform=None, extra=None):
    data = fax_strip(image, compression)
    if transform:
        data = transform(data)
    width, height = image.size
    parameters = dict(parameters, **{"/Columns": width, "/Rows": height})
    dictionary = {"/Width": width, "/Height": height, "/ColorSpace": "/DeviceGray", "/BitsPerComponent": 1,
                  "/Filter": "/CCITTFaxDecode"}
    dictionary.update(extra or {})
    add_case(name, "ccitt", data, dictionary, parameters, seed_prefix=ccitt_seed_prefix(parameters, height))


def make_ccitt():
    small = bilevel_picture(300, 120)
    wide = bilevel_picture(2480, 48, blank_rows=range(20, 30))
    add_ccitt("ccitt_g4", small, "g4", {"/K": -1})
    add_ccitt("ccitt_g4_blackis1", small, "g4", {"/K": -1, "/BlackIs1": True})
    add_ccitt("ccitt_g4_decode", small, "g4", {"/K": -1}, extra={"/Decode": [1, 0]})
    add_ccitt("ccitt_g4_wide", wide, "g4", {"/K": -1})
    add_ccitt("ccitt_g3_1d", small, "g3:1d", {"/K": 0, "/EndOfLine": True})
    add_ccitt("ccitt_g3_1d_aligned", small, "g3:1d:fill", {"/K": 0, "/EndOfLine": True, "/EncodedByteAlign": True})
    add_ccitt("ccitt_g3_1d_wide_noeol", wide, "g3:1d", {"/K": 0}, transform=strip_end_of_lines)
    add_ccitt("ccitt_g3_2d", small, "g3:2d", {"/K": 4, "/EndOfLine": True})
    add_ccitt("ccitt_g3_2d_noeol", small, "g3:2d", {"/K": 4}, transform=strip_end_of_lines)
    add_ccitt("ccitt_g3_2d_wide_noeol", wide, "g3:2d", {"/K": 4}, transform=strip_end_of_lines)


# --- DCT --------------------------------------------------------------------------------------

def colour_picture(width, height):
    image = Image.new("RGB", (width, height))
    pixels = image.load()
    for y in range(height):
        for x in range(width):
            pixels[x, y] = ((x * 255) // (width - 1), (y * 255) // (height - 1), ((x + y) * 7) % 256)
    draw = ImageDraw.Draw(image)
    draw.ellipse([width // 4, height // 4, width * 3 // 4, height * 3 // 4], fill=(250, 250, 30))
    draw.rectangle([5, 5, 30, 25], fill=(20, 40, 200))
    return image


def pillow_jpeg(image, **options):
    out = io.BytesIO()
    image.save(out, format="JPEG", **options)
    return out.getvalue()


INKS = [(255, 0, 0, 0), (0, 255, 0, 0), (0, 0, 255, 0), (0, 0, 0, 255), (128, 64, 0, 32), (0, 0, 0, 0)]


def ink_bars(width, height):
    """Vertical bars of the CMYK inks above, as raw 8-bit CMYK."""
    bar = width // len(INKS)
    row = b"".join(bytes(INKS[min(x // bar, len(INKS) - 1)]) for x in range(width))
    return row * height


def ink_expected(width, height):
    """The inks as a PPM of four-byte pixels is not a format; the test reads bars from this
    grey picture: each pixel holds the bar's index."""
    bar = width // len(INKS)
    image = Image.new("L", (width, height))
    image.putdata([min(x // bar, len(INKS) - 1) for x in range(width)] * height)
    return image


def cmyk_jpeg(stored, width, height, ycck):
    """A four-component JPEG whose samples are `stored` (raw CMYK bytes). Both writers store
    CMYK as Adobe's programs do, inverted (255 - value), so they are given the inverse:
    Pillow writes plain CMYK (Adobe transform 0), ImageMagick YCCK (transform 2)."""
    given = bytes(255 - b for b in stored)
    if not ycck:
        out = io.BytesIO()
        Image.frombytes("CMYK", (width, height), given).save(out, format="JPEG", quality=95, subsampling=0)
        return out.getvalue()
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "in.cmyk")
        target = os.path.join(work, "out.jpg")
        with open(source, "wb") as f:
            f.write(given)
        run("convert", "-size", "%dx%d" % (width, height), "-depth", "8", "cmyk:" + source, "-quality", "95",
            "-sampling-factor", "1x1", target)
        with open(target, "rb") as f:
            data = f.read()
    assert Image.open(io.BytesIO(data)).info.get("adobe_transform") == 2
    return data


def add_dct(name, data, width, height, colour_space, extra=None, expected=None):
    dictionary = {"/Width": width, "/Height": height, "/ColorSpace": colour_space, "/BitsPerComponent": 8,
                  "/Filter": "/DCTDecode"}
    dictionary.update(extra or {})
    add_case(name, "dct", data, dictionary, {}, expected=expected)


def make_dct():
    picture = colour_picture(120, 80)
    add_dct("dct_rgb", pillow_jpeg(picture, quality=85), 120, 80, "/DeviceRGB")
    add_dct("dct_rgb_444", pillow_jpeg(picture, quality=92, subsampling=0), 120, 80, "/DeviceRGB")
    add_dct("dct_gray", pillow_jpeg(picture.convert("L"), quality=90), 120, 80, "/DeviceGray")
    add_dct("dct_progressive", pillow_jpeg(picture, quality=80, progressive=True), 120, 80, "/DeviceRGB")
    add_dct("dct_rgb_decode", pillow_jpeg(picture, quality=85), 120, 80, "/DeviceRGB",
            extra={"/Decode": [1, 0, 0, 1, 0, 1]})
    # Drawn at twice its size: poppler's picture of the JPEG at its own size is the oracle.
    small = pillow_jpeg(picture.resize((60, 40)), quality=85)
    with tempfile.TemporaryDirectory() as work:
        own_size = os.path.join(work, "own.pdf")
        write_pdf(own_size, small, {"/Width": 60, "/Height": 40, "/ColorSpace": pikepdf.Name.DeviceRGB,
                                    "/BitsPerComponent": 8, "/Filter": pikepdf.Name.DCTDecode})
        at_own_size = pdfimages_picture(own_size)
    add_dct("dct_stretched", small, 120, 80, "/DeviceRGB", expected=at_own_size)
    # Ink bars stored as they are (no Decode), or inverted as Adobe stores them, which PDFs
    # declare with a Decode array of [1 0 1 0 1 0 1 0].
    inks = ink_bars(120, 24)
    inverted = bytes(255 - b for b in inks)
    bars = ink_expected(120, 24)
    adobe = {"/Decode": [1, 0, 1, 0, 1, 0, 1, 0]}
    for kind, ycck in (("cmyk", False), ("ycck", True)):
        add_dct("dct_%s_plain" % kind, cmyk_jpeg(inks, 120, 24, ycck), 120, 24, "/DeviceCMYK", expected=bars)
        add_dct("dct_%s_adobe" % kind, cmyk_jpeg(inverted, 120, 24, ycck), 120, 24, "/DeviceCMYK", extra=adobe,
                expected=bars)


# --- JPEG 2000 --------------------------------------------------------------------------------

def opj_compress(source_bytes, suffix, target_suffix, *options):
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "in" + suffix)
        target = os.path.join(work, "out" + target_suffix)
        with open(source, "wb") as f:
            f.write(source_bytes)
        run("opj_compress", "-i", source, "-o", target, *options)
        with open(target, "rb") as f:
            return f.read()


def opj_samples(data, suffix):
    """opj_decompress's samples: a list of (precision, signed, width, height, values) per
    component, read from its raw output with its description."""
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "in" + suffix)
        with open(source, "wb") as f:
            f.write(data)
        target = os.path.join(work, "out.raw")
        log = run("opj_decompress", "-i", source, "-o", target).decode()
        with open(target, "rb") as f:
            raw = f.read()
    return log, raw


def png_bytes(image):
    out = io.BytesIO()
    image.save(out, format="PNG")
    return out.getvalue()


def boxes(data):
    """Top-level (or nested) JP2 boxes as (type, start, end of content)."""
    position = 0
    found = []
    while position + 8 <= len(data):
        length, kind = struct.unpack_from(">I4s", data, position)
        if length == 0:
            length = len(data) - position
        found.append((kind, position, position + length))
        position += length
    return found


def with_box_in_header(jp2, box):
    """The JP2 file with a box appended to its header box (jp2h)."""
    for kind, start, end in boxes(jp2):
        if kind == b"jp2h":
            header = jp2[start + 8:end] + box
            return jp2[:start] + struct.pack(">I4s", 8 + len(header), b"jp2h") + header + jp2[end:]
    raise ValueError("no jp2h box")


def with_enumerated_colour_space(jp2, enumcs):
    for kind, start, end in boxes(jp2):
        if kind == b"jp2h":
            for inner, istart, iend in boxes(jp2[start + 8:end]):
                if inner == b"colr":
                    at = start + 8 + istart + 8 + 3
                    return jp2[:at] + struct.pack(">I", enumcs) + jp2[at + 4:]
    raise ValueError("no colr box")


def channel_definitions(entries):
    body = struct.pack(">H", len(entries)) + b"".join(struct.pack(">HHH", *e) for e in entries)
    return struct.pack(">I4s", 8 + len(body), b"cdef") + body


def to_bytes_formula(values, precision, signed):
    offset = 1 << (precision - 1) if signed else 0
    maximum = (1 << precision) - 1
    if precision == 8:
        return bytes((v + offset) & 0xFF for v in values)
    return bytes(((v + offset) * 255) // maximum for v in values)


def add_jpx(name, data, width, height, colour_space, expected=None, bpc=8, extra=None):
    dictionary = {"/Width": width, "/Height": height, "/Filter": "/JPXDecode"}
    if colour_space:
        dictionary["/ColorSpace"] = colour_space
        dictionary["/BitsPerComponent"] = bpc
    dictionary.update(extra or {})
    add_case(name, "jpx", data, dictionary, {}, expected=expected)


def grey_samples_picture(width, height, precision, signed):
    """A ramp over the whole range of the precision, as raw big-endian 16-bit samples."""
    maximum = (1 << precision) - 1
    values = [((x + y * width) * maximum) // (width * height - 1) for y in range(height) for x in range(width)]
    if signed:
        values = [v - (1 << (precision - 1)) for v in values]
    return values


def make_jpx():
    picture = colour_picture(96, 64)
    add_jpx("jpx_rgb_jp2", opj_compress(png_bytes(picture), ".png", ".jp2"), 96, 64, "/DeviceRGB")
    add_jpx("jpx_rgb_j2k", opj_compress(png_bytes(picture), ".png", ".j2k"), 96, 64, "/DeviceRGB")
    add_jpx("jpx_gray_lossy", opj_compress(png_bytes(picture.convert("L")), ".png", ".jp2", "-r", "20"), 96, 64,
            "/DeviceGray")

    # Blue, green, red components, put right by a channel-definition box.
    b, g, r = picture.split()[2], picture.split()[1], picture.split()[0]
    swapped = opj_compress(png_bytes(Image.merge("RGB", (b, g, r))), ".png", ".jp2")
    add_jpx("jpx_cdef_bgr", with_box_in_header(swapped, channel_definitions([(0, 0, 3), (1, 0, 2), (2, 0, 1)])), 96,
            64, None, expected=picture)

    rgba = picture.copy()
    rgba.putalpha(Image.linear_gradient("L").resize((96, 64)))
    add_jpx("jpx_alpha", opj_compress(png_bytes(rgba), ".png", ".jp2"), 96, 64, None, expected=picture)

    for precision, signed in ((12, False), (12, True), (4, False)):
        width, height = 64, 16
        values = grey_samples_picture(width, height, precision, signed)
        raw = b"".join(struct.pack(">h" if signed else ">H", v) for v in values) if precision > 8 else bytes(values)
        layout = "%d,%d,1,%d,%s" % (width, height, precision, "s" if signed else "u")
        data = opj_compress(raw, ".raw", ".j2k", "-F", layout, "-n", "3")
        expected = Image.frombytes("L", (width, height), to_bytes_formula(values, precision, signed))
        name = "jpx_gray%d%s" % (precision, "_signed" if signed else "")
        add_jpx(name, data, width, height, None, expected=expected)

    # 4:2:0 YCbCr samples, declared sYCC (enumerated colour space 18).
    y_plane = picture.convert("YCbCr").split()[0]
    cb_plane = picture.convert("YCbCr").split()[1].resize((48, 32), Image.NEAREST)
    cr_plane = picture.convert("YCbCr").split()[2].resize((48, 32), Image.NEAREST)
    raw = y_plane.tobytes() + cb_plane.tobytes() + cr_plane.tobytes()
    j2k = opj_compress(raw, ".raw", ".jp2", "-F", "96,64,3,8,u@1x1:2x2:2x2")
    sycc = with_enumerated_colour_space(j2k, 18)
    # The image decoder's conversion of the shared chroma, pixel by pixel.
    expected = Image.new("RGB", (96, 64))
    for yy in range(64):
        for xx in range(96):
            luma = y_plane.getpixel((xx, yy))
            cb = cb_plane.getpixel((xx // 2, yy // 2)) - 128
            cr = cr_plane.getpixel((xx // 2, yy // 2)) - 128
            clamp = lambda v: max(0, min(255, int(round(v))))
            expected.putpixel((xx, yy), (clamp(luma + 1.402 * cr), clamp(luma - 0.34414 * cb - 0.71414 * cr),
                                         clamp(luma + 1.772 * cb)))
    add_jpx("jpx_sycc420", sycc, 96, 64, None, expected=expected)


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    os.makedirs(OUT)
    for kind in ("ccitt", "dct", "jpx"):
        shutil.rmtree(os.path.join(FUZZ, kind), ignore_errors=True)
    make_ccitt()
    make_dct()
    make_jpx()
    with open(os.path.join(OUT, "cases.txt"), "w") as f:
        f.write("\n".join(CASES) + "\n")


if __name__ == "__main__":
    main()
