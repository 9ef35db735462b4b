#!/usr/bin/python3
"""Outside readers as oracles for the page output kinds of the render call.

Usage: page_output_oracle.py --renderer PATH --corpus FOLDER [--out FOLDER]

Each page (the bundled sample and a choice of the generated render corpus, which is made in
FOLDER by make_render_corpus.py when its manifest is missing or older than the maker) is rendered
by parch_render_page at 96 dpi in every output kind, and each file is checked against the
page's BMP (output kind 0):

  0 BMP   Pillow and ImageMagick open it at the page's size.
  1 JPEG  ImageMagick reads a baseline JPEG at quality 75, the API object's default.
  4 EPS   ghostscript renders it (cropped to its bounding box, anti-aliased as ours) at the
          BMP's size (less the BMP's last, partly covered column or row); each pixel must match a
          pixel of the BMP within one pixel of its place, for all but a small share of the pixels
          (pages with a known gap, listed below, are reported apart); ghostscript's bbox device
          finds the drawing inside %%BoundingBox.
  5 PNG   pngcheck passes it, Pillow finds the BMP's pixels exactly and 96 dpi in pHYs.
  6 GIF   gif2rgb, giftext, Pillow and ImageMagick read it within the quantiser's error of the
          BMP (exactly, on pages of at most 256 colours).
  7 TIFF  tiffinfo shows the resolution, RGB and LZW; tiffcp decodes it to an uncompressed
          copy; Pillow finds the BMP's pixels exactly.

An output kind that names no output (12) and one this build does not write (2) must make the
render call answer failure and write nothing.

Writes the files into the output folder; prints one line per check and exits 1 when one fails.
"""

import argparse
import io
import json
import os
import re
import subprocess
import sys

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import export_oracle  # noqa: E402

DPI = 96
JPEG_QUALITY = 75
KINDS = {"bmp": 0, "jpg": 1, "eps": 4, "png": 5, "gif": 6, "tif": 7}
# Share of pixels that may differ beyond an edge between ghostscript's anti-aliased rendering of
# the EPS file and our anti-aliased bitmap: the two smooth glyph and hairline edges differently.
EPS_MISS_SHARE = 0.005
# Pages whose EPS file is known to lack part of the drawing, with what it lacks: their comparison
# is printed but does not fail the run.
KNOWN_EPS_GAPS = {}
# The octree keeps 256 colours: on photographs and smooth shading a pixel may move this far
# from its colour in a channel, and the mean error stays small.
GIF_MAX_ERROR = 64
GIF_MEAN_ERROR = 2.0
CORPUS_PAGES = 6  # of the generated corpus, besides every page with images


def run(command, env=None):
    return subprocess.run(command, capture_output=True, timeout=300, env=env)


def render(renderer, pdf, page, kind, out):
    env = dict(os.environ, PARCH_RENDER_KIND=str(kind))
    if os.path.exists(out):
        os.remove(out)
    result = run([renderer, pdf, str(page), str(DPI), out], env=env)
    return result.returncode, result.stderr.decode("latin-1", "replace").strip()


def pixels(path):
    with Image.open(path) as image:
        return np.asarray(image.convert("RGB"), dtype=np.int16)


class Checks:
    def __init__(self):
        self.failed = 0

    def report(self, name, ok, detail=""):
        if not ok:
            self.failed += 1
        print("%-48s %s %s" % (name, "ok" if ok else "FAILED", detail))


def check_bmp(checks, name, path, size):
    with Image.open(path) as image:
        checks.report(name + " BMP Pillow", image.format == "BMP" and image.size == size, str(image.size))
    found = run(["identify", "-format", "%m %w %h", path]).stdout.decode()
    # ImageMagick names the version 3 header it finds "BMP3".
    checks.report(name + " BMP ImageMagick", found in ("BMP %d %d" % size, "BMP3 %d %d" % size), found)


def check_jpeg(checks, name, path, size):
    found = run(["identify", "-format", "%Q %[interlace] %w %h", path]).stdout.decode()
    checks.report(name + " JPEG baseline at quality", found == "%d None %d %d" % ((JPEG_QUALITY,) + size), found)


def eps_misses(eps, bmp):
    """Pixels of either rendering without a matching pixel near the same place of the other."""
    misses = export_oracle.unmatched(eps, bmp) | export_oracle.unmatched(bmp, eps)
    return int(misses.sum())


def check_eps(checks, name, path, bmp):
    result = run(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dEPSCrop", "-sDEVICE=ppmraw", "-r%d" % DPI,
                  "-dTextAlphaBits=4", "-dGraphicsAlphaBits=4", "-sOutputFile=-", path])
    if result.returncode != 0:
        checks.report(name + " EPS ghostscript", False, result.stderr.decode("latin-1", "replace")[:300])
        return
    eps = np.asarray(Image.open(io.BytesIO(result.stdout)).convert("RGB"), dtype=np.int16)
    # Our bitmap takes one pixel more for a side that ends inside a pixel; ghostscript drops it.
    height, width = eps.shape[:2]
    if not (0 <= bmp.shape[0] - height <= 1 and 0 <= bmp.shape[1] - width <= 1):
        checks.report(name + " EPS ghostscript", False, "size %s, BMP %s" % (eps.shape[:2], bmp.shape[:2]))
        return
    bmp = bmp[:height, :width]
    share = eps_misses(eps, bmp) / float(bmp.shape[0] * bmp.shape[1])
    detail = "%.4f %% differ" % (100 * share)
    gap = KNOWN_EPS_GAPS.get(name.split("#")[0])
    if gap and share > EPS_MISS_SHARE:
        print("%-48s known gap (%s): %s" % (name + " EPS ghostscript like the BMP", gap, detail))
    else:
        checks.report(name + " EPS ghostscript like the BMP", share <= EPS_MISS_SHARE, detail)
    with open(os.devnull, "w") as quiet:
        stdout = sys.stdout
        sys.stdout = quiet
        try:
            inside = export_oracle.check_bbox(path)
        finally:
            sys.stdout = stdout
    checks.report(name + " EPS drawing inside its bounding box", inside)


def check_png(checks, name, path, bmp):
    result = run(["pngcheck", path])
    checks.report(name + " PNG pngcheck", result.returncode == 0, result.stdout.decode().strip()[-60:])
    with Image.open(path) as image:
        dpi = tuple(round(v) for v in image.info.get("dpi", (0, 0)))
    checks.report(name + " PNG pHYs", dpi == (DPI, DPI), str(dpi))
    checks.report(name + " PNG pixels are the BMP's", np.array_equal(pixels(path), bmp))


def check_gif(checks, name, path, bmp):
    colours = len(np.unique(bmp.reshape(-1, 3), axis=0))
    exact = colours <= 256
    source = path + ".source.ppm"
    Image.fromarray(bmp.astype(np.uint8)).save(source)
    with open(os.devnull, "w") as quiet:
        stdout = sys.stdout
        sys.stdout = quiet
        try:
            ok = export_oracle.check_gif(path, source, 0 if exact else GIF_MAX_ERROR, 0 if exact else GIF_MEAN_ERROR)
        except (AssertionError, subprocess.CalledProcessError):
            ok = False
        finally:
            sys.stdout = stdout
    errors = np.abs(pixels(path) - bmp)
    checks.report(name + " GIF read by gif2rgb, giftext, Pillow, ImageMagick", ok,
                  "%d colours, max error %d, mean %.3f" % (colours, int(errors.max()), float(errors.mean())))


def check_tiff(checks, name, path, bmp):
    info = run(["tiffinfo", path]).stdout.decode("latin-1")
    wanted = ["Resolution: %d, %d pixels/inch" % (DPI, DPI), "Photometric Interpretation: RGB color",
              "Compression Scheme: LZW"]
    missing = [line for line in wanted if line not in info]
    checks.report(name + " TIFF tiffinfo", not missing, "missing: %s" % missing if missing else "")
    plain = path + ".plain.tif"
    result = run(["tiffcp", "-c", "none", path, plain])
    checks.report(name + " TIFF tiffcp -c none", result.returncode == 0 and os.path.getsize(plain) > 0,
                  result.stderr.decode("latin-1")[:200])
    checks.report(name + " TIFF pixels are the BMP's", np.array_equal(pixels(path), bmp))


def check_page(checks, renderer, out, pdf, page):
    name = "%s#%d" % (os.path.basename(pdf), page)
    stem = os.path.join(out, "%s-%d" % (os.path.splitext(os.path.basename(pdf))[0], page))
    files = {}
    for extension, kind in KINDS.items():
        path = "%s.%s" % (stem, extension)
        code, message = render(renderer, pdf, page, kind, path)
        ok = code == 0 and os.path.exists(path) and os.path.getsize(path) > 0
        if not ok:
            checks.report("%s kind %d written" % (name, kind), False, message)
        files[extension] = path if ok else None
    if not files["bmp"]:
        return
    bmp = pixels(files["bmp"])
    size = (bmp.shape[1], bmp.shape[0])
    check_bmp(checks, name, files["bmp"], size)
    for extension, check in (("jpg", lambda p: check_jpeg(checks, name, p, size)),
                             ("eps", lambda p: check_eps(checks, name, p, bmp)),
                             ("png", lambda p: check_png(checks, name, p, bmp)),
                             ("gif", lambda p: check_gif(checks, name, p, bmp)),
                             ("tif", lambda p: check_tiff(checks, name, p, bmp))):
        if files[extension]:
            check(files[extension])


def check_failures(checks, renderer, out, pdf):
    for kind, wanted in ((12, "Output kind 12 does not exist"), (-1, "Output kind -1 does not exist")):
        path = os.path.join(out, "failure-%d.out" % kind)
        code, message = render(renderer, pdf, 1, kind, path)
        ok = code == 1 and not os.path.exists(path) and message == wanted
        checks.report("kind %d answers failure" % kind, ok, message)


def corpus_pages(corpus):
    manifest = os.path.join(corpus, "manifest.json")
    maker = os.path.join(os.path.dirname(os.path.abspath(__file__)), "make_render_corpus.py")
    if not os.path.exists(manifest) or os.path.getmtime(manifest) < os.path.getmtime(maker):
        os.makedirs(corpus, exist_ok=True)
        subprocess.run([sys.executable, maker, corpus], check=True, stdout=subprocess.DEVNULL)
    with open(manifest) as f:
        entries = json.load(f)
    chosen = [e for i, e in enumerate(entries) if i < CORPUS_PAGES or e.get("images")]
    return [(os.path.join(corpus, e["file"]), e["page"]) for e in chosen]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--renderer", required=True)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--out")
    args = parser.parse_args()
    out = os.path.abspath(args.out or os.path.join(args.corpus, "page-outputs"))
    os.makedirs(out, exist_ok=True)
    sample = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "samples", "sample.pdf")

    checks = Checks()
    for pdf, page in [(sample, 1)] + corpus_pages(args.corpus):
        check_page(checks, args.renderer, out, pdf, page)
    check_failures(checks, args.renderer, out, sample)
    print("%d checks failed" % checks.failed if checks.failed else "all checks hold")
    sys.exit(1 if checks.failed else 0)


if __name__ == "__main__":
    main()
