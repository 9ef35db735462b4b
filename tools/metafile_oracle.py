#!/usr/bin/python3
"""Our metafile page outputs read by independent readers, against our own bitmap of the page.

Usage: metafile_oracle.py --renderer PATH --corpus FOLDER [--out FOLDER] [--dpi N]

For each page below, the renderer (parch_render_page, output kind chosen by PARCH_RENDER_KIND)
writes the kind-0 BMP and the kinds 2 (WMF), 3 (EMF) and 8 (EMF+ in dual mode) at the same
resolution. The readers: for EMF and EMF+, `emf2svg-conv` (its SVG rasterised by inkscape) and
`inkscape --export-type=png`; for WMF, `wmf2svg` (rasterised by inkscape), `wmf2gd` and inkscape.
The EMF+ file is also read by `emf2svg-conv -p -v`, which must decode every EMF+ record we wrote,
the header first and the end record last.

A reader's picture is composited on white and compared with our BMP: it must have the BMP's size
within 2 pixels (the overlap is compared), and after taking, for each pixel, the closest colour
within 2 pixels of the same place in the other picture (so text and edges may move a little), the
mean absolute difference over all channels must be at most the reader's mean limit and at most
its share of the pixels may differ by more than 64 in some channel (TOLERANCE: the anti-aliased
readers 4.0 and 3 %; wmf2gd, which draws without anti-aliasing, 8.0 and 6 %).

Not gated, and reported as such: emf2svg on pages with clip paths (it writes the clip paths into
its SVG but applies none of them; we check that it wrote one per clip record instead), and WMF
on pages whose clips are not rectangles (WMF has no paths: a clip path is written as its bounding
rectangle). Writes report.json into the output folder; exits 1 when a reader fails or a gated
picture is out of tolerance.
"""

import argparse
import json
import os
import re
import subprocess
import sys

import numpy as np
from PIL import Image

# Pages with text, vectors, an image (drawn as its placeholder until images are decoded) and
# clips.
PAGES = [("rl-images.pdf", 1, {"picture", "turned-picture"}), ("rl-clipping.pdf", 1, {"clip-path"}),
         ("ps-transforms-clip.pdf", 1, {"clip-path"}), ("rl-text-fonts.pdf", 1, set())]
KINDS = {2: "wmf", 3: "emf", 8: "emfplus.emf"}
TOLERANCE = {"emf2svg": (4.0, 0.03), "inkscape": (4.0, 0.03), "wmf2svg": (4.0, 0.03), "wmf2gd": (8.0, 0.06)}
SHIFT = 2
TIMEOUT = 120


def run(command, env=None):
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=TIMEOUT,
                            env=env, text=True, errors="replace")
    return result.returncode, result.stdout


def render(renderer, pdf, page, dpi, kind, out):
    env = dict(os.environ, PARCH_RENDER_KIND=str(kind))
    code, text = run([renderer, pdf, str(page), str(dpi), out], env)
    if code != 0 or not os.path.exists(out):
        raise RuntimeError("render of kind %d failed: %s" % (kind, text.strip()))


def inkscape_png(source, target, dpi):
    code, text = run(["inkscape", "--export-type=png", "--export-filename=" + target, "--export-dpi=%d" % dpi,
                      "--export-background=white", "--export-background-opacity=1", source])
    if code != 0 or not os.path.exists(target):
        raise RuntimeError("inkscape could not read %s: %s" % (os.path.basename(source), text.strip()[-300:]))


def picture_size(path):
    with Image.open(path) as picture:
        return picture.size


def reader_pictures(path, kind, dpi, work, size):
    """(reader name, PNG path) for every reader of the file."""
    base = os.path.join(work, os.path.basename(path))
    pictures = []
    if kind in (3, 8):
        svg = base + ".emf2svg.svg"
        code, text = run(["emf2svg-conv", "-i", path, "-o", svg])
        if code != 0 or not os.path.exists(svg):
            raise RuntimeError("emf2svg-conv failed: " + text.strip())
        inkscape_png(svg, svg + ".png", 96)
        pictures.append(("emf2svg", svg + ".png"))
    else:
        svg = base + ".wmf2svg.svg"
        code, text = run(["wmf2svg", "-o", svg, path])
        if code != 0 or not os.path.exists(svg):
            raise RuntimeError("wmf2svg failed: " + text.strip())
        inkscape_png(svg, svg + ".png", 96)
        pictures.append(("wmf2svg", svg + ".png"))
        gd = base + ".wmf2gd.png"
        # wmf2gd draws at 72 dpi unless told the size.
        code, text = run(["wmf2gd", "-t", "png", "--maxwidth=%d" % size[0], "--maxheight=%d" % size[1], "--maxsize",
                          "-o", gd, path])
        if code != 0 or not os.path.exists(gd):
            raise RuntimeError("wmf2gd failed: " + text.strip())
        pictures.append(("wmf2gd", gd))
    # Our metafiles name the reference's 96 dpi; inkscape then draws them at their pixel size.
    png = base + ".inkscape.png"
    inkscape_png(path, png, 96)
    pictures.append(("inkscape", png))
    return pictures


def emfplus_structure(path, expected):
    """Decodes the EMF+ stream with emf2svg's dump: every record we wrote, header first, end last."""
    code, text = run(["emf2svg-conv", "-p", "-v", "-i", path, "-o", os.devnull])
    plain = re.sub(r"\x1b\[[0-9;]*m", "", text)
    records = re.findall(r"^\s*U_PMR_(\w+)\s+rec\+:\s*(\d+)", plain, re.M)
    problems = []
    if code != 0:
        problems.append("emf2svg-conv -p exited %d" % code)
    if not records:
        problems.append("no EMF+ records decoded")
    else:
        if records[0][0] != "Header":
            problems.append("first EMF+ record is %s" % records[0][0])
        if records[-1][0] != "EndOfFile":
            problems.append("last EMF+ record is %s" % records[-1][0])
        if expected is not None and len(records) != expected:
            problems.append("%d EMF+ records decoded, %d written" % (len(records), expected))
    return len(records), problems


def emfplus_records_written(path):
    """Counts the EMF+ records inside the EMF comments of a file, walking both record layers."""
    data = open(path, "rb").read()
    count, at = 0, 0
    while at + 8 <= len(data):
        kind, size = int.from_bytes(data[at:at + 4], "little"), int.from_bytes(data[at + 4:at + 8], "little")
        if size < 8:
            break
        if kind == 70 and data[at + 12:at + 16] == b"EMF+":
            inner, end = at + 16, at + 12 + int.from_bytes(data[at + 8:at + 12], "little")
            while inner + 12 <= end:
                count += 1
                inner += int.from_bytes(data[inner + 4:inner + 8], "little")
        at += size
    return count


def on_white(path):
    picture = Image.open(path).convert("RGBA")
    white = Image.new("RGBA", picture.size, (255, 255, 255, 255))
    return np.asarray(Image.alpha_composite(white, picture).convert("RGB"), dtype=np.int16)


def nearest_difference(a, b):
    """Per pixel and channel: the smallest difference between a and b shifted by up to SHIFT."""
    h, w, _ = a.shape
    best = np.full(a.shape, 255, dtype=np.int16)
    padded = np.pad(b, ((SHIFT, SHIFT), (SHIFT, SHIFT), (0, 0)), mode="edge")
    for dy in range(-SHIFT, SHIFT + 1):
        for dx in range(-SHIFT, SHIFT + 1):
            shifted = padded[SHIFT + dy:SHIFT + dy + h, SHIFT + dx:SHIFT + dx + w]
            best = np.minimum(best, np.abs(a - shifted).max(axis=2, keepdims=True).repeat(3, axis=2))
    return best


def not_gated(reader, kind, features):
    """Why a reader's picture of a page is not held to the tolerance, or None."""
    if reader == "emf2svg" and "clip-path" in features:
        return "emf2svg does not apply clip paths"
    if kind == 2 and "clip-path" in features:
        return "WMF keeps a clip path as its bounding rectangle"
    if reader == "wmf2svg" and "picture" in features:
        return "wmf2svg offsets each picture twice (as its x and y and again in its transform)"
    if reader == "inkscape" and kind in (3, 8) and "turned-picture" in features:
        return "inkscape draws no AlphaBlend records, which carry turned pictures"
    return None


def clip_records(path):
    """The number of clip-path records (EMR_SELECTCLIPPATH) of an EMF file."""
    data = open(path, "rb").read()
    count, at = 0, 0
    while at + 8 <= len(data):
        size = int.from_bytes(data[at + 4:at + 8], "little")
        if size < 8:
            break
        count += int.from_bytes(data[at:at + 4], "little") == 67
        at += size
    return count


def compare(ours_path, theirs_path, limits):
    ours, theirs = on_white(ours_path), on_white(theirs_path)
    if abs(ours.shape[0] - theirs.shape[0]) > 2 or abs(ours.shape[1] - theirs.shape[1]) > 2:
        return {"size": [theirs.shape[1], theirs.shape[0]], "expected": [ours.shape[1], ours.shape[0]], "ok": False}
    h, w = min(ours.shape[0], theirs.shape[0]), min(ours.shape[1], theirs.shape[1])
    ours, theirs = ours[:h, :w], theirs[:h, :w]
    # Both ways, so neither a missing nor an extra mark hides behind a neighbour.
    difference = np.maximum(nearest_difference(ours, theirs), nearest_difference(theirs, ours))
    mean = float(difference.mean())
    share = float((difference.max(axis=2) > 64).mean())
    inked = float((ours.min(axis=2) < 200).mean())
    return {"mean": round(mean, 3), "share": round(share, 5), "inked": round(inked, 4),
            "ok": mean <= limits[0] and share <= limits[1]}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--renderer", required=True)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--out", default=None)
    parser.add_argument("--dpi", type=int, default=96)
    args = parser.parse_args()
    work = args.out or os.path.join(args.corpus, "metafile-oracle")
    os.makedirs(work, exist_ok=True)
    manifest = os.path.join(args.corpus, "manifest.json")
    if not os.path.exists(manifest):
        maker = os.path.join(os.path.dirname(os.path.abspath(__file__)), "make_render_corpus.py")
        subprocess.run([sys.executable, maker, args.corpus], check=True, stdout=subprocess.DEVNULL)

    report, failures = [], 0
    for name, page, features in PAGES:
        pdf = os.path.join(args.corpus, name)
        stem = os.path.join(work, "%s-p%d" % (os.path.splitext(name)[0], page))
        try:
            render(args.renderer, pdf, page, args.dpi, 0, stem + ".bmp")
        except (RuntimeError, subprocess.TimeoutExpired) as error:
            report.append({"page": name, "error": str(error)})
            failures += 1
            continue
        for kind, extension in KINDS.items():
            path = "%s.%s" % (stem, extension)
            entry = {"page": name, "kind": kind, "readers": {}}
            try:
                render(args.renderer, pdf, page, args.dpi, kind, path)
                if kind == 8:
                    decoded, problems = emfplus_structure(path, emfplus_records_written(path))
                    entry["emfplus_records"] = decoded
                    if problems:
                        entry["emfplus_problems"] = problems
                        failures += 1
                for reader, png in reader_pictures(path, kind, args.dpi, work, picture_size(stem + ".bmp")):
                    result = compare(stem + ".bmp", png, TOLERANCE[reader])
                    reason = not_gated(reader, kind, features)
                    if reason:
                        result["not_gated"] = reason
                    elif not result["ok"]:
                        failures += 1
                    entry["readers"][reader] = result
                if kind in (3, 8) and "clip-path" in features:
                    svg = os.path.join(work, os.path.basename(path) + ".emf2svg.svg")
                    written, read = clip_records(path), open(svg).read().count("<clipPath")
                    entry["clip_paths"] = {"written": written, "emf2svg": read}
                    if written == 0 or read != written:
                        failures += 1
            except (RuntimeError, subprocess.TimeoutExpired) as error:
                entry["error"] = str(error)
                failures += 1
            report.append(entry)
            print(json.dumps(entry))
    with open(os.path.join(work, "report.json"), "w") as f:
        json.dump(report, f, indent=1)
    print("%d failures" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
