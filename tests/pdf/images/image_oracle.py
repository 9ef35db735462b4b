#!/usr/bin/python3
"""The image decoder against outside tools, over the image corpus (tools/make_image_corpus.py).

Usage: image_oracle.py --dump PATH --corpus FOLDER

- Every lossless image (device grey and RGB at every depth, Indexed over them, ICC RGB, Decode
  arrays, filter chains, masks) painted by parch_image_dump on white equals pdfimages -png's
  image composited on white through its mask files (smask: the grey values, mask and stencil:
  the set samples); ICC images within 2 levels. Images whose /Mask is a colour-key range equal
  pdfimages where ours is not the white background, and hide some pixels.
- CMYK, Separation and DeviceN images (and Indexed over them) equal mutool extract's samples put
  through our colour manager: the samples (Decode arrays applied, Indexed entries looked up, as
  mutool writes them) go into a copy of the PDF as 8-bit samples of the same space, which
  parch_image_dump decodes. Both sides convert with the same colour manager, so any difference is
  a sample that differs: they must be equal.
- Lab images (mutool extract writes no Lab samples) lie near poppler's colours (the conversions
  differ: ours is the library's colour manager).
- Our PNG reader equals Pillow on ImageMagick's PNGs of every type, depth and interlacing.
- Our PNG files pass pngcheck and Pillow; our TIFF files read in tiffinfo, tiffcp and Pillow.
Exits 1 on any failure, listing them.
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile
import zlib

import numpy as np
import pikepdf
from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
MAKER = os.path.join(HERE, "..", "..", "..", "tools", "make_image_corpus.py")
FILL = (0xCC, 0x33, 0x19)
# pdfimages writes one-bit pictures without their palette or Decode array, loses 16-bit samples
# near the top of their range and calibrates CalGray: these are checked against mutool's
# rendering of the page at 12 dpi, where one image pixel is one device pixel.
RENDER_ORACLE = {"indexed_rgb1.pdf", "mask_stencil.pdf", "mask_stencil_decode.pdf", "rgb16.pdf", "gray16.pdf",
                 "mask_key_rgb16.pdf", "calgray8.pdf"}


def ensure_corpus(corpus):
    manifest = os.path.join(corpus, "manifest.json")
    if not os.path.exists(manifest) or os.path.getmtime(manifest) < os.path.getmtime(MAKER):
        subprocess.run([sys.executable, MAKER, corpus], check=True, stdout=subprocess.DEVNULL)
    with open(manifest) as f:
        return json.load(f)


def rgb(path):
    """The picture's 8-bit RGB; 16-bit PNG samples keep their high byte."""
    with open(path, "rb") as f:
        head = f.read(32)
    if head[:8] == b"\x89PNG\r\n\x1a\n" and head[24] == 16:
        with Image.open(path) as picture:
            width, height = picture.size
        raw = subprocess.run(["convert", path, "-depth", "16", "-endian", "MSB", "rgb:-"], capture_output=True, check=True).stdout
        return (np.frombuffer(raw, dtype=">u2").reshape(height, width, 3) >> 8).astype(int)
    return np.asarray(Image.open(path).convert("RGB")).astype(int)


def rendered_expected(path, scratch):
    picture = os.path.join(scratch, "render.png")
    subprocess.run(["mutool", "draw", "-q", "-r", "12", "-o", picture, path, "1"], check=True, capture_output=True)
    return rgb(picture), ["render"]


def pdfimages_expected(path, scratch):
    """pdfimages' image composited on white through its mask, or None."""
    prefix = os.path.join(scratch, "pi")
    subprocess.run(["pdfimages", "-png", path, prefix], check=True)
    listing = subprocess.run(["pdfimages", "-list", path], capture_output=True, text=True, check=True).stdout
    kinds = [line.split()[2] for line in listing.splitlines()[2:] if line.strip()]
    files = sorted(f for f in os.listdir(scratch) if f.startswith("pi-"))
    if not kinds:
        return None, kinds
    if kinds[0] == "stencil":
        samples = np.asarray(Image.open(os.path.join(scratch, files[0])).convert("L"))
        return np.where((samples == 255)[..., None], np.array(FILL), 255), kinds
    image = rgb(os.path.join(scratch, files[0]))
    if len(kinds) > 1 and kinds[1] in ("smask", "mask"):
        alpha = np.asarray(Image.open(os.path.join(scratch, files[1])).convert("L")).astype(int)
        if alpha.shape != image.shape[:2]:
            return None, kinds
        return (image * alpha[..., None] + 255 * (255 - alpha[..., None]) + 127) // 255, kinds
    return image, kinds


def image_xobject(pdf):
    """The first image XObject of page 1, as parch_image_dump takes it."""
    xobjects = pdf.pages[0].Resources.XObject
    return xobjects[sorted(xobjects.keys())[0]]


def colour_managed_space(path):
    """The space whose samples mutool extract writes, when our colour manager converts it."""
    with pikepdf.open(path) as pdf:
        space = image_xobject(pdf).get("/ColorSpace")
        if isinstance(space, pikepdf.Array) and space[0] == "/Indexed":
            space = space[1]
        family = space[0] if isinstance(space, pikepdf.Array) else space
        return str(family) if family in ("/DeviceCMYK", "/Separation", "/DeviceN") else None


def read_pam(path):
    with open(path, "rb") as f:
        data = f.read()
    end = data.index(b"ENDHDR\n") + len(b"ENDHDR\n")
    header = dict(line.split(" ", 1) for line in data[:end].decode().splitlines()[1:-1] if " " in line)
    if header["MAXVAL"] != "255":
        raise ValueError("%s: not 8-bit samples" % path)
    shape = (int(header["HEIGHT"]), int(header["WIDTH"]), int(header["DEPTH"]))
    return np.frombuffer(data[end:], dtype=np.uint8).reshape(shape)


def mutool_samples_expected(dump, path, scratch):
    """Our decoding of mutool extract's samples, as 8-bit samples of the image's (base) space."""
    folder = os.path.join(scratch, "mutool")
    os.mkdir(folder)
    subprocess.run(["mutool", "extract", os.path.abspath(path)], cwd=folder, check=True, capture_output=True)
    pams = sorted(f for f in os.listdir(folder) if f.endswith(".pam"))
    if len(pams) != 1:
        return None, "mutool extract wrote %s" % (sorted(os.listdir(folder)) or "nothing")
    samples = read_pam(os.path.join(folder, pams[0]))
    with pikepdf.open(path) as pdf:
        image = image_xobject(pdf)
        space = image.ColorSpace
        if isinstance(space, pikepdf.Array) and space[0] == "/Indexed":
            image.ColorSpace = space[1]
        image.write(zlib.compress(samples.tobytes()), filter=pikepdf.Name.FlateDecode)
        image.BitsPerComponent = 8
        for key in ("/Decode", "/DecodeParms"):
            if key in image:
                del image[key]
        copy = os.path.join(scratch, "mutool-samples.pdf")
        pdf.save(copy)
    picture = os.path.join(scratch, "mutool-samples.png")
    result = subprocess.run([dump, copy, picture], capture_output=True, text=True)
    if result.returncode != 0:
        return None, "mutool's samples not drawn (%s)" % result.stderr.strip()
    return rgb(picture), None


def check_images(dump, corpus, entries, failures):
    checked = 0
    for entry in entries:
        if entry["inline"]:
            continue
        path = os.path.join(corpus, entry["file"])
        name = entry["file"]
        with tempfile.TemporaryDirectory() as scratch:
            ours_file = os.path.join(scratch, "ours.png")
            result = subprocess.run([dump, path, ours_file, "", "%02X%02X%02X" % FILL], capture_output=True, text=True)
            if result.returncode != 0:
                failures.append("%s: not drawn (%s)" % (name, result.stderr.strip()))
                continue
            ours = rgb(ours_file)
            if colour_managed_space(path):
                expected, problem = mutool_samples_expected(dump, path, scratch)
                checked += 1
                if expected is None or expected.shape != ours.shape:
                    failures.append("%s: %s" % (name, problem or "mutool's samples give another size"))
                elif (ours != expected).any():
                    failures.append("%s: differs from mutool's samples by up to %d in %d pixels" %
                                    (name, np.abs(ours - expected).max(), (ours != expected).any(axis=-1).sum()))
                continue
            expected, kinds = (rendered_expected(path, scratch) if name in RENDER_ORACLE
                               else pdfimages_expected(path, scratch))
            if expected is None or expected.shape != ours.shape:
                failures.append("%s: pdfimages gave nothing comparable (%s)" % (name, kinds))
                continue
            difference = np.abs(ours - expected)
            checked += 1
            if name.startswith("mask_key"):
                # Keys compare raw samples; a peer comparing 8-bit values hides a few more.
                shown = (ours != 255).any(axis=-1) & (expected != 255).any(axis=-1)
                if shown.all() or (difference[shown] > 0).any():
                    failures.append("%s: colour key hides nothing or shown pixels differ" % name)
            elif entry["lossless"]:
                # ICC conversions, and Decode ranges between the ends, round differently.
                tolerance = 2 if "icc" in name else 1 if "decode_half" in name else 0
                if difference.max() > tolerance:
                    failures.append("%s: differs from pdfimages by up to %d" % (name, difference.max()))
            elif difference.mean() > 24:
                failures.append("%s: colours far from poppler's (mean difference %.1f)" % (name, difference.mean()))
    return checked


def check_png_reader(dump, corpus, failures):
    folder = os.path.join(corpus, "pngs")
    names = sorted(f for f in os.listdir(folder) if f.endswith(".png"))
    for name in names:
        with tempfile.TemporaryDirectory() as scratch:
            out = os.path.join(scratch, "out.rgba")
            if subprocess.run([dump, "--decode-png", os.path.join(folder, name), out]).returncode != 0:
                failures.append("PNG reader: %s unreadable" % name)
                continue
            picture = Image.open(os.path.join(folder, name))
            reference = np.asarray(picture.convert("RGBA"))
            if picture.mode in ("I;16", "I"):  # Pillow keeps 16-bit grey as integers
                high = (np.asarray(picture).astype(np.uint32) >> 8).astype(np.uint8)
                reference = np.stack([high, high, high, np.full_like(high, 255)], axis=-1)
            ours = np.fromfile(out, dtype=np.uint8).reshape(reference.shape)
            if not (ours == reference).all():
                failures.append("PNG reader: %s differs from Pillow" % name)
    return len(names)


def check_writers(dump, failures):
    with tempfile.TemporaryDirectory() as scratch:
        if subprocess.run([dump, "--write-files", scratch]).returncode != 0:
            failures.append("writers: files not written")
            return
        for name in sorted(os.listdir(scratch)):
            path = os.path.join(scratch, name)
            if name.endswith(".png") and subprocess.run(["pngcheck", "-q", path], capture_output=True).returncode != 0:
                failures.append("pngcheck rejects %s" % name)
            if name.endswith(".tif"):
                if subprocess.run(["tiffinfo", path], capture_output=True).returncode != 0:
                    failures.append("tiffinfo rejects %s" % name)
                if subprocess.run(["tiffcp", path, os.path.join(scratch, "copy.tiff")], capture_output=True).returncode != 0:
                    failures.append("tiffcp rejects %s" % name)
            try:
                with Image.open(path) as picture:
                    picture.load()
            except Exception as error:  # Pillow's errors have no common class
                failures.append("Pillow rejects %s: %s" % (name, error))
        for tiff, png in (("rgb.tif", "rgb.png"), ("noise.tif", "noise.png")):
            if not (rgb(os.path.join(scratch, tiff)) == rgb(os.path.join(scratch, png))).all():
                failures.append("%s does not hold the picture of %s" % (tiff, png))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dump", required=True)
    parser.add_argument("--corpus", required=True)
    args = parser.parse_args()
    entries = ensure_corpus(args.corpus)
    failures = []
    images = check_images(args.dump, args.corpus, entries, failures)
    pngs = check_png_reader(args.dump, args.corpus, failures)
    check_writers(args.dump, failures)
    print("%d images against pdfimages or mutool (rendering or samples), %d PNGs against Pillow, writers checked" % (images, pngs))
    for failure in failures:
        print("FAIL " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
