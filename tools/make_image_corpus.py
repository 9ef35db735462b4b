#!/usr/bin/python3
"""Makes the image corpus: small PDFs, one page each, whose page 1 draws one image XObject /Im0
over the whole page (6 points per image pixel), and a few pages of inline images.

Usage: make_image_corpus.py FOLDER

Covers depths 1 to 16, every colour space and Indexed base, Decode arrays, filter chains (Flate
with and without a PNG predictor, LZW, run length, ASCIIHex and ASCII85 before Flate), and every
mask kind (stencil, /Mask image, /SMask, colour keys). Writes manifest.json beside the files:
one entry per file with its name, the image's colour space family, whether the image is lossless
as pdfimages -png writes it (device grey and RGB and Indexed over them), and the PNGs of every
type, depth and interlacing written by ImageMagick for the PNG reader's test (pngs/).
"""

import io
import json
import os
import subprocess
import sys
import zlib

import numpy as np
import pikepdf
from PIL import Image, ImageCms

SCALE = 6  # points per image pixel
W, H = 23, 17  # odd sizes, so rows of 1, 2 and 4 bits end inside a byte


def pattern(components, bits, width=W, height=H, seed=1):
    """Samples of a smooth pattern with noise, every value of the depth reached."""
    rng = np.random.default_rng(seed)
    top = (1 << bits) - 1
    y, x = np.mgrid[0:height, 0:width]
    planes = []
    for c in range(components):
        base = (x * (c + 1) * 7 + y * (3 + c) * 5 + c * 11) % (top + 1)
        noise = rng.integers(0, top + 1, size=(height, width))
        planes.append(np.where((x + y + c) % 5 == 0, noise, base))
    return np.stack(planes, axis=-1).astype(np.uint32)


def pack(samples, bits):
    """Rows of samples packed most significant bits first, each row ending on a byte."""
    height, width, components = samples.shape
    rows = []
    for row in samples:
        flat = row.reshape(-1)
        if bits == 8:
            rows.append(flat.astype(np.uint8).tobytes())
        elif bits == 16:
            rows.append(flat.astype(">u2").tobytes())
        else:
            bitstring = "".join(format(int(v), "0%db" % bits) for v in flat)
            bitstring += "0" * (-len(bitstring) % 8)
            rows.append(int(bitstring, 2).to_bytes(len(bitstring) // 8, "big") if bitstring else b"")
    return b"".join(rows)


def png_predicted(data, row_bytes, bpp):
    """Rows with PNG filter Sub (1) on even rows and Up (2) on odd rows."""
    out, previous = bytearray(), bytes(row_bytes)
    for r in range(len(data) // row_bytes):
        row = data[r * row_bytes:(r + 1) * row_bytes]
        if r % 2 == 0:
            out.append(1)
            out += bytes((row[i] - (row[i - bpp] if i >= bpp else 0)) & 255 for i in range(row_bytes))
        else:
            out.append(2)
            out += bytes((row[i] - previous[i]) & 255 for i in range(row_bytes))
        previous = row
    return bytes(out)


def run_length(data):
    out = bytearray()
    i = 0
    while i < len(data):
        run = 1
        while i + run < len(data) and run < 128 and data[i + run] == data[i]:
            run += 1
        if run > 1:
            out += bytes([257 - run, data[i]])
            i += run
        else:
            literal = data[i:i + 128]
            out += bytes([len(literal) - 1]) + literal
            i += len(literal)
    return bytes(out + b"\x80")


def lzw(data):
    """LZW as PDF writes it (early change), 9 to 12 bits."""
    table = {bytes([i]): i for i in range(256)}
    codes, width, nxt = [256], 9, 258
    w = b""
    out_bits = []

    def emit(code):
        out_bits.append((code, width))

    emit(256)
    for byte in data:
        wc = w + bytes([byte])
        if wc in table:
            w = wc
            continue
        emit(table[w])
        table[wc] = nxt
        nxt += 1
        if nxt + 1 > (1 << width) and width < 12:
            width += 1
        if nxt >= 4094:
            emit(256)
            table = {bytes([i]): i for i in range(256)}
            nxt, width = 258, 9
        w = bytes([byte])
    if w:
        emit(table[w])
        nxt += 1
        if nxt + 1 > (1 << width) and width < 12:
            width += 1
    emit(257)
    value, count, out = 0, 0, bytearray()
    for code, bits in out_bits:
        value = (value << bits) | code
        count += bits
        while count >= 8:
            out.append((value >> (count - 8)) & 255)
            count -= 8
    if count:
        out.append((value << (8 - count)) & 255)
    return bytes(out)


def ascii85(data):
    import base64
    return base64.a85encode(data) + b"~>"


class Corpus:
    def __init__(self, folder):
        self.folder = folder
        self.entries = []

    def page(self, name, pdf, family, lossless, width=W, height=H, content=None, inline=False):
        page = pdf.add_blank_page(page_size=(width * SCALE, height * SCALE))
        if content is None:
            content = b"q %d 0 0 %d 0 0 cm /Im0 Do Q" % (width * SCALE, height * SCALE)
        page.Contents = pdf.make_stream(content)
        path = os.path.join(self.folder, name + ".pdf")
        pdf.save(path)
        self.entries.append({"file": name + ".pdf", "family": family, "lossless": lossless, "inline": inline})

    def image(self, name, space, bits, data, family, lossless=False, filters=None, extra=None, width=W,
              height=H, encode=None, fill=None):
        """One image XObject; data are the raw samples, encoded by `encode` for `filters`."""
        pdf = pikepdf.new()
        stream = pdf.make_stream(encode(data) if encode else zlib.compress(data))
        stream.Type = pikepdf.Name.XObject
        stream.Subtype = pikepdf.Name.Image
        stream.Width, stream.Height = width, height
        if space is not None:
            stream.ColorSpace = space(pdf) if callable(space) else space
        if bits is not None:
            stream.BitsPerComponent = bits
        stream.Filter = filters if filters is not None else pikepdf.Name.FlateDecode
        for key, value in (extra(pdf) if callable(extra) else (extra or {})).items():
            stream[key] = value
        pdf_page_content = None
        if fill:
            pdf_page_content = b"q %s rg %d 0 0 %d 0 0 cm /Im0 Do Q" % (fill, width * SCALE, height * SCALE)
        self.page(name, pdf, family, lossless, width, height, pdf_page_content)
        pdf.pages[0].Resources = pikepdf.Dictionary(XObject=pikepdf.Dictionary(Im0=stream))
        pdf.save(os.path.join(self.folder, name + ".pdf"))

    def write_manifest(self):
        with open(os.path.join(self.folder, "manifest.json"), "w") as f:
            json.dump(self.entries, f, indent=1)


N = pikepdf.Name


def separation(pdf):
    tint = pikepdf.Dictionary(FunctionType=2, Domain=[0, 1], C0=[0, 0, 0, 0], C1=[0.1, 0.7, 0.9, 0.05], N=1)
    return pikepdf.Array([N.Separation, N("/Spot Orange"), N.DeviceCMYK, tint])


def device_n(pdf):
    function = pdf.make_stream(b"{ exch 0.8 mul exch 0.6 mul 0.5 }")
    function.FunctionType = 4
    function.Domain = [0, 1, 0, 1]
    function.Range = [0, 1, 0, 1, 0, 1]
    return pikepdf.Array([N.DeviceN, pikepdf.Array([N.Cyan, N.Magenta]), N.DeviceRGB, function])


def lab(pdf):
    return pikepdf.Array([N.Lab, pikepdf.Dictionary(WhitePoint=[0.9505, 1, 1.089], Range=[-128, 127, -128, 127])])


def icc_rgb(pdf):
    profile = ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes()
    stream = pdf.make_stream(profile)
    stream.N = 3
    return pikepdf.Array([N.ICCBased, stream])


def indexed(base, entries, table):
    return lambda pdf: pikepdf.Array([N.Indexed, base(pdf) if callable(base) else base, entries - 1,
                                      pikepdf.String(bytes(table))])


def make(folder):
    os.makedirs(folder, exist_ok=True)
    corpus = Corpus(folder)
    rng = np.random.default_rng(7)

    for bits in (1, 2, 4, 8, 16):
        corpus.image("gray%d" % bits, N.DeviceGray, bits, pack(pattern(1, bits), bits), "DeviceGray", True)
    for bits in (1, 2, 4, 8, 16):
        corpus.image("rgb%d" % bits, N.DeviceRGB, bits, pack(pattern(3, bits), bits), "DeviceRGB", True)
    corpus.image("cmyk8", N.DeviceCMYK, 8, pack(pattern(4, 8), 8), "DeviceCMYK")
    corpus.image("lab8", lab, 8, pack(pattern(3, 8), 8), "Lab")
    corpus.image("separation8", separation, 8, pack(pattern(1, 8), 8), "Separation")
    corpus.image("devicen8", device_n, 8, pack(pattern(2, 8), 8), "DeviceN")
    corpus.image("iccrgb8", icc_rgb, 8, pack(pattern(3, 8), 8), "ICCBased", True)
    corpus.image("calgray8", lambda pdf: pikepdf.Array([N.CalGray, pikepdf.Dictionary(WhitePoint=[0.9505, 1, 1.089])]),
                 8, pack(pattern(1, 8), 8), "DeviceGray", True)

    # Indexed over every base, at every index depth.
    rgb_table = rng.integers(0, 256, size=256 * 3, dtype=np.uint8)
    for bits in (1, 2, 4, 8):
        corpus.image("indexed_rgb%d" % bits, indexed(N.DeviceRGB, 1 << bits, rgb_table[:3 << bits]), bits,
                     pack(pattern(1, bits), bits), "Indexed", True)
    corpus.image("indexed_gray8", indexed(N.DeviceGray, 200, rng.integers(0, 256, 200, dtype=np.uint8)), 8,
                 pack(pattern(1, 8) % 220, 8), "Indexed", True)
    corpus.image("indexed_cmyk4", indexed(N.DeviceCMYK, 16, rng.integers(0, 256, 64, dtype=np.uint8)), 4,
                 pack(pattern(1, 4), 4), "Indexed")
    corpus.image("indexed_lab4", indexed(lab, 16, rng.integers(0, 256, 48, dtype=np.uint8)), 4,
                 pack(pattern(1, 4), 4), "Indexed")
    corpus.image("indexed_icc4", indexed(icc_rgb, 16, rgb_table[:48]), 4, pack(pattern(1, 4), 4), "Indexed", True)

    # Decode arrays, applied per component.
    corpus.image("decode_gray8", N.DeviceGray, 8, pack(pattern(1, 8), 8), "DeviceGray", True,
                 extra={"/Decode": [1, 0]})
    corpus.image("decode_gray1", N.DeviceGray, 1, pack(pattern(1, 1), 1), "DeviceGray", True,
                 extra={"/Decode": [1, 0]})
    corpus.image("decode_rgb8", N.DeviceRGB, 8, pack(pattern(3, 8), 8), "DeviceRGB", True,
                 extra={"/Decode": [1, 0, 0, 1, 1, 0]})
    corpus.image("decode_half_gray8", N.DeviceGray, 8, pack(pattern(1, 8), 8), "DeviceGray", True,
                 extra={"/Decode": [1, 0.5]})
    corpus.image("decode_cmyk8", N.DeviceCMYK, 8, pack(pattern(4, 8), 8), "DeviceCMYK",
                 extra={"/Decode": [1, 0, 1, 0, 1, 0, 1, 0]})
    corpus.image("decode_indexed4", indexed(N.DeviceRGB, 16, rgb_table[:48]), 4, pack(pattern(1, 4), 4),
                 "Indexed", True, extra={"/Decode": [15, 0]})

    # Filter chains.
    rgb = pack(pattern(3, 8), 8)
    corpus.image("filter_predictor", N.DeviceRGB, 8, rgb, "DeviceRGB", True,
                 encode=lambda d: zlib.compress(png_predicted(d, W * 3, 3)),
                 extra={"/DecodeParms": pikepdf.Dictionary(Predictor=12, Colors=3, BitsPerComponent=8, Columns=W)})
    corpus.image("filter_lzw", N.DeviceRGB, 8, rgb, "DeviceRGB", True, filters=N.LZWDecode, encode=lzw)
    corpus.image("filter_runlength", N.DeviceRGB, 8, rgb, "DeviceRGB", True, filters=N.RunLengthDecode,
                 encode=run_length)
    corpus.image("filter_hex_flate", N.DeviceRGB, 8, rgb, "DeviceRGB", True,
                 filters=pikepdf.Array([N.ASCIIHexDecode, N.FlateDecode]),
                 encode=lambda d: zlib.compress(d).hex().encode() + b">")
    corpus.image("filter_a85_flate", N.DeviceRGB, 8, rgb, "DeviceRGB", True,
                 filters=pikepdf.Array([N.ASCII85Decode, N.FlateDecode]), encode=lambda d: ascii85(zlib.compress(d)))

    # Masks.
    corpus.image("mask_stencil", None, 1, pack(pattern(1, 1), 1), "Stencil", True,
                 extra={"/ImageMask": True}, fill=b"0.8 0.2 0.1")
    corpus.image("mask_stencil_decode", None, 1, pack(pattern(1, 1), 1), "Stencil", True,
                 extra={"/ImageMask": True, "/Decode": [1, 0]}, fill=b"0.8 0.2 0.1")

    def with_smask(pdf):
        smask = pdf.make_stream(zlib.compress(pack(pattern(1, 8, seed=3), 8)))
        smask.Type, smask.Subtype = N.XObject, N.Image
        smask.Width, smask.Height, smask.ColorSpace, smask.BitsPerComponent = W, H, N.DeviceGray, 8
        smask.Filter = N.FlateDecode
        return {"/SMask": smask}

    corpus.image("mask_smask", N.DeviceRGB, 8, rgb, "DeviceRGB", True, extra=with_smask)

    def with_mask_image(pdf):
        mask = pdf.make_stream(zlib.compress(pack(pattern(1, 1, seed=5), 1)))
        mask.Type, mask.Subtype = N.XObject, N.Image
        mask.Width, mask.Height, mask.ImageMask, mask.Filter = W, H, True, N.FlateDecode
        return {"/Mask": mask}

    corpus.image("mask_image", N.DeviceRGB, 8, rgb, "DeviceRGB", True, extra=with_mask_image)
    corpus.image("mask_key_rgb8", N.DeviceRGB, 8, rgb, "DeviceRGB", True, extra={"/Mask": [0, 120, 0, 255, 0, 255]})
    corpus.image("mask_key_gray4", N.DeviceGray, 4, pack(pattern(1, 4), 4), "DeviceGray", True,
                 extra={"/Mask": [3, 7]})
    corpus.image("mask_key_rgb16", N.DeviceRGB, 16, pack(pattern(3, 16), 16), "DeviceRGB", True,
                 extra={"/Mask": [0, 30000, 0, 65535, 0, 65535]})
    corpus.image("mask_key_indexed", indexed(N.DeviceRGB, 16, rgb_table[:48]), 4, pack(pattern(1, 4), 4),
                 "Indexed", True, extra={"/Mask": [2, 5]})

    # Inline images: grey without a filter, RGB through Flate, a stencil, through A85 and Flate.
    gray = pack(pattern(1, 8, 8, 6), 8)
    flate_rgb = zlib.compress(pack(pattern(3, 8, 8, 6), 8))
    stencil = pack(pattern(1, 1, 8, 6), 1)
    a85 = ascii85(zlib.compress(pack(pattern(3, 8, 8, 6), 8)))
    content = (b"q 48 0 0 36 0 0 cm BI /W 8 /H 6 /CS /G /BPC 8 ID " + gray + b" EI Q\n"
               b"q 48 0 0 36 60 0 cm BI /W 8 /H 6 /CS /RGB /BPC 8 /F /Fl ID " + flate_rgb + b"\nEI Q\n"
               b"q 1 0 0 rg 48 0 0 36 0 50 cm BI /W 8 /H 6 /IM true ID " + stencil + b" EI Q\n"
               b"q 48 0 0 36 60 50 cm BI /W 8 /H 6 /CS /RGB /BPC 8 /F [/A85 /Fl] ID " + a85 + b" EI Q\n")
    pdf = pikepdf.new()
    corpus.page("inline_images", pdf, "Inline", True, 20, 15, content=content, inline=True)
    corpus.write_manifest()
    make_pngs(os.path.join(folder, "pngs"))


def make_pngs(folder):
    """ImageMagick PNGs of every colour type, depth and interlacing, for the PNG reader's test."""
    os.makedirs(folder, exist_ok=True)
    source = os.path.join(folder, "source.png")
    y, x = np.mgrid[0:19, 0:29]
    picture = np.stack([(x * 9) % 256, (y * 13) % 256, ((x + y) * 7) % 256, 255 - (x * y) % 256], axis=-1)
    Image.fromarray(picture.astype(np.uint8), "RGBA").save(source)
    kinds = [("gray1", ["-colorspace", "Gray", "-depth", "1", "-define", "png:color-type=0"]),
             ("gray2", ["-colorspace", "Gray", "-depth", "2", "-define", "png:color-type=0"]),
             ("gray4", ["-colorspace", "Gray", "-depth", "4", "-define", "png:color-type=0"]),
             ("gray8", ["-colorspace", "Gray", "-alpha", "off", "PNG8:"]),
             ("gray16", ["-colorspace", "Gray", "-alpha", "off", "-depth", "16", "PNG48:"]),
             ("rgb8", ["-alpha", "off", "PNG24:"]),
             ("rgb16", ["-alpha", "off", "-depth", "16", "PNG48:"]),
             ("rgba8", ["PNG32:"]),
             ("rgba16", ["-depth", "16", "PNG64:"]),
             ("graya8", ["-colorspace", "Gray", "-define", "png:color-type=4"]),
             ("palette", ["-colors", "40", "PNG8:"])]
    for name, options in kinds:
        for interlace in ("None", "PNG"):
            prefix = [o for o in options if o.endswith(":")]
            plain = [o for o in options if not o.endswith(":")]
            target = os.path.join(folder, "%s-%s.png" % (name, interlace.lower()))
            subprocess.run(["convert", source] + plain + ["-interlace", interlace] +
                           [(prefix[0] if prefix else "") + target], check=True)
    os.remove(source)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_image_corpus.py FOLDER")
    make(sys.argv[1])
