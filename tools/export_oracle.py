#!/usr/bin/python3
"""Outside readers as oracles for the page encoders' files.

Usage:
  export_oracle.py gif GIF SOURCE.ppm MAX_ERROR MEAN_ERROR
      gif2rgb, giftext, Pillow and ImageMagick must each read the file, at the source's size;
      every reader's pixels must lie within MAX_ERROR of the source in every channel, and their
      mean error within MEAN_ERROR (0 0 asks for the exact pixels).
  export_oracle.py eps EPS PDF [PNG_PREFIX]
      ghostscript renders the EPS file (cropped to its bounding box, no anti-aliasing) and
      pdftoppm the PDF page of the same drawing, both at 144 dpi; every pixel must match a pixel
      within one pixel of its place in the other rendering (edges may move by a pixel), and
      ghostscript's bbox device must find the drawing inside the file's %%BoundingBox. With a
      prefix, both renderings are also saved as PNG files for viewing.
  export_oracle.py bbox EPS
      only the bounding-box check.

Prints what it found; the exit code is 0 when every check holds.
"""

import io
import os
import re
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image

DPI = 144
# Colour difference still taken as the same colour: the two renderers turn CMYK into RGB by
# different formulas (black ink alone comes out as 0 0 0 in one and 35 31 32 in the other).
COLOUR_TOLERANCE = 40


def run(command, **kwargs):
    return subprocess.run(command, check=True, capture_output=True, timeout=120, **kwargs)


def read_pnm(path):
    return np.asarray(Image.open(path).convert("RGB"), dtype=np.int16)


# --- GIF -------------------------------------------------------------------------------------------

def gif_readers(path, width, height):
    """Pixels as each reader decodes them."""
    found = {}
    with tempfile.TemporaryDirectory() as scratch:
        out = os.path.join(scratch, "out.rgb")
        run(["gif2rgb", "-1", "-o", out, path])
        raw = np.fromfile(out, dtype=np.uint8)
        if raw.size != width * height * 3:
            raise AssertionError("gif2rgb gave %d bytes for %d x %d" % (raw.size, width, height))
        found["gif2rgb"] = raw.reshape(height, width, 3).astype(np.int16)
    text = run(["giftext", path]).stdout.decode("latin-1")
    size = re.search(r"Image Size - Left = \d+, Top = \d+, Width = (\d+), Height = (\d+)", text)
    if not size or (int(size.group(1)), int(size.group(2))) != (width, height):
        raise AssertionError("giftext: no image of %d x %d in:\n%s" % (width, height, text[:400]))
    with Image.open(path) as image:
        if image.size != (width, height):
            raise AssertionError("Pillow reads %s" % (image.size,))
        found["Pillow"] = np.asarray(image.convert("RGB"), dtype=np.int16)
    raw = run(["convert", path, "-depth", "8", "rgb:-"]).stdout
    if len(raw) != width * height * 3:
        raise AssertionError("ImageMagick gave %d bytes for %d x %d" % (len(raw), width, height))
    found["ImageMagick"] = np.frombuffer(raw, dtype=np.uint8).reshape(height, width, 3).astype(np.int16)
    return found


def check_gif(path, source_path, max_error, mean_error):
    source = read_pnm(source_path)
    height, width = source.shape[:2]
    ok = True
    for reader, pixels in gif_readers(path, width, height).items():
        error = np.abs(pixels - source)
        worst, mean = int(error.max()), float(error.mean())
        verdict = worst <= max_error and mean <= mean_error
        ok &= verdict
        print("%s: %s max error %d, mean error %.3f" % (reader, "ok" if verdict else "FAILED", worst, mean))
    return ok


# --- EPS -------------------------------------------------------------------------------------------

def bounding_box(path):
    with open(path, "rb") as eps:
        for line in eps:
            if line.startswith(b"%%BoundingBox:"):
                return [int(v) for v in line.split()[1:5]]
    raise AssertionError("no %%BoundingBox in " + path)


def check_bbox(path):
    declared = bounding_box(path)
    result = run(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=bbox", path])
    match = re.search(rb"%%HiResBoundingBox: ([-\d.]+) ([-\d.]+) ([-\d.]+) ([-\d.]+)", result.stderr)
    if not match:
        print("bbox: nothing drawn")
        return True
    found = [float(v) for v in match.groups()]
    # The bbox device reports fills on the box edge a hundredth of a point outside it.
    slack = 0.05
    inside = (found[0] >= declared[0] - slack and found[1] >= declared[1] - slack and
              found[2] <= declared[2] + slack and found[3] <= declared[3] + slack)
    print("bbox: declared %s, drawn %s: %s" % (declared, found, "ok" if inside else "FAILED"))
    return inside


def render_eps(path):
    result = run(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dEPSCrop", "-sDEVICE=ppmraw", "-r%d" % DPI,
                  "-dTextAlphaBits=1", "-dGraphicsAlphaBits=1", "-dUseFastColor=true", "-sOutputFile=-", path])
    return np.asarray(Image.open(io.BytesIO(result.stdout)).convert("RGB"), dtype=np.int16)


def render_pdf(path):
    result = run(["pdftoppm", "-r", str(DPI), "-aa", "no", "-aaVector", "no", "-singlefile", path])
    return np.asarray(Image.open(io.BytesIO(result.stdout)).convert("RGB"), dtype=np.int16)


def unmatched(a, b):
    """Pixels of a whose colour lies outside the range of b's colours within one pixel of the
    same place (widened by the colour tolerance): an edge may move by a pixel, and a renderer
    that smooths an enlarged image may blend the two sides of an edge."""
    height, width = a.shape[:2]
    padded = np.pad(b, ((1, 1), (1, 1), (0, 0)), mode="edge")
    low = np.full(a.shape, 1 << 14, dtype=np.int32)
    high = np.full(a.shape, -(1 << 14), dtype=np.int32)
    for dy in (0, 1, 2):
        for dx in (0, 1, 2):
            shifted = padded[dy:dy + height, dx:dx + width]
            low = np.minimum(low, shifted)
            high = np.maximum(high, shifted)
    outside = (a < low - COLOUR_TOLERANCE) | (a > high + COLOUR_TOLERANCE)
    return outside.any(axis=2)


def check_eps(eps_path, pdf_path, png_prefix=None):
    eps, pdf = render_eps(eps_path), render_pdf(pdf_path)
    if png_prefix:
        Image.fromarray(eps.astype(np.uint8)).save(png_prefix + "-eps.png")
        Image.fromarray(pdf.astype(np.uint8)).save(png_prefix + "-pdf.png")
    if eps.shape != pdf.shape:
        print("size: EPS %s, PDF %s: FAILED" % (eps.shape[:2], pdf.shape[:2]))
        return False
    misses = unmatched(eps, pdf) | unmatched(pdf, eps)
    count = int(misses.sum())
    ok = count == 0
    if not ok:
        ys, xs = np.nonzero(misses)
        print("first differing pixels (x, y): %s" % list(zip(xs[:8].tolist(), ys[:8].tolist())))
    print("pixels: %d of %d differ beyond an edge: %s" % (count, misses.size, "ok" if ok else "FAILED"))
    return check_bbox(eps_path) and ok


def main():
    args = sys.argv[1:]
    try:
        if len(args) == 5 and args[0] == "gif":
            ok = check_gif(args[1], args[2], int(args[3]), float(args[4]))
        elif len(args) in (3, 4) and args[0] == "eps":
            ok = check_eps(args[1], args[2], args[3] if len(args) == 4 else None)
        elif len(args) == 2 and args[0] == "bbox":
            ok = check_bbox(args[1])
        else:
            sys.exit(__doc__)
    except (AssertionError, subprocess.CalledProcessError, OSError) as error:
        detail = getattr(error, "stderr", b"") or b""
        print("FAILED: %s %s" % (error, detail.decode("latin-1", "replace")[:400]))
        ok = False
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
