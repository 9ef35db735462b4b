"""What the render comparison scripts share: rendering one page with our page renderer and with the
two peers (pdftoppm and mutool), reading the pictures, masking image areas, and the difference
statistics with their tolerance.

Our renderer is the executable parch_render_page (FILE PAGE DPI OUT.bmp [PASSWORD]). The peers
render the crop box, as ours does: `pdftoppm -cropbox -r N` and `mutool draw -r N`.
"""

import glob
import hashlib
import json
import math
import os
import re
import subprocess
import threading

import numpy as np
from PIL import Image, ImageDraw

PEERS = ("pdftoppm", "mutool")
RENDER_TIMEOUT = 60  # seconds; a render that takes longer counts as failed
INFO_TIMEOUT = 20

# Tolerance between two renders of one page: the mean absolute difference over all channels
# (0..255) and the share of pixels whose largest channel difference exceeds FAR_DIFFERENCE.
MAX_MEAN = 2.0
MAX_FAR_SHARE = 0.01
FAR_DIFFERENCE = 64


def repository_root():
    return os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def default_renderer():
    """The most recently built parch_render_page of any build preset, or None."""
    found = glob.glob(os.path.join(repository_root(), "build", "*", "bin", "parch_render_page"))
    return max(found, key=os.path.getmtime) if found else None


def shared_corpus():
    """shared/corpus beside the checkout, or beside a folder above it (worktrees sit deeper)."""
    folder = repository_root()
    while True:
        candidate = os.path.join(os.path.dirname(folder), "shared", "corpus")
        if os.path.isdir(os.path.join(candidate, "qpdf")):
            return candidate
        parent = os.path.dirname(folder)
        if parent == folder:
            return None
        folder = parent


def file_key(path):
    """Cache key of a file's contents."""
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()[:20]


# --- running the renderers ----------------------------------------------------------------------

class Render:
    """One render of a page: the picture's path when it worked, otherwise why not."""

    def __init__(self, side, image=None, error=""):
        self.side = side
        self.image = image
        self.error = error

    @property
    def ok(self):
        return self.image is not None


def run_tool(command, output, picture_suffices=False):
    """Runs a renderer; the render is good when it exits 0 and leaves a non-empty output file.
    With picture_suffices, the file alone makes a good render: mutool exits 1 after errors in a
    page's content although it drew the rest, as the others do."""
    if os.path.exists(output):
        os.remove(output)
    try:
        result = subprocess.run(command, capture_output=True, timeout=RENDER_TIMEOUT)
    except subprocess.TimeoutExpired:
        return "timed out after %d s" % RENDER_TIMEOUT
    except OSError as error:
        return "cannot start: %s" % error
    if result.returncode != 0 and not (picture_suffices and os.path.exists(output) and os.path.getsize(output) > 0):
        text = (result.stderr or result.stdout).decode("utf-8", "replace").strip().splitlines()
        return "exit %d: %s" % (result.returncode, text[-1] if text else "")
    if not os.path.exists(output) or os.path.getsize(output) == 0:
        return "no output written"
    return ""


def peer_command(peer, path, page, dpi, output, password):
    if peer == "pdftoppm":
        command = ["pdftoppm", "-cropbox", "-r", str(dpi), "-f", str(page), "-l", str(page), "-singlefile"]
        if password:
            command += ["-opw", password, "-upw", password]
        return command + [path, output[:-len(".ppm")]]
    # -i: draw what can be drawn past errors in the content, as pdftoppm and ours do
    command = ["mutool", "draw", "-q", "-i", "-r", str(dpi), "-o", output]
    if password:
        command += ["-p", password]
    return command + [path, str(page)]


def render_peer(peer, path, page, dpi, cache, password=""):
    """A peer's render, cached by the file's contents, page and resolution (failures too)."""
    # the command's options are part of the key: changing them renders afresh
    options = hashlib.sha256(" ".join(peer_command(peer, "F", page, dpi, "O.ppm", password)).encode()).hexdigest()
    base = os.path.join(cache, "%s-p%d-%d-%s-%s" % (file_key(path), page, dpi, peer, options[:8]))
    image, failure = base + ".ppm", base + ".failed"
    if os.path.exists(image):
        return Render(peer, image)
    if os.path.exists(failure):
        return Render(peer, error=open(failure).read())
    # Pages of equal files share their renders, and may be rendered at the same time: each
    # render goes to a name of its own and is moved into place whole.
    scratch = "%s-%d-%d.ppm" % (base, os.getpid(), threading.get_ident())
    error = run_tool(peer_command(peer, path, page, dpi, scratch, password), scratch, picture_suffices=True)
    if error:
        if os.path.exists(scratch):
            os.remove(scratch)
        write_whole(failure, error)
        return Render(peer, error=error)
    os.replace(scratch, image)
    return Render(peer, image)


def render_ours(renderer, path, page, dpi, output, password=""):
    command = [renderer, path, str(page), str(dpi), output] + ([password] if password else [])
    error = run_tool(command, output)
    return Render("ours", error=error) if error else Render("ours", output)


def load(render):
    """The render's RGB picture; None when there is none or it cannot be read (the render then
    counts as failed, with the reason)."""
    if not render.ok:
        return None
    try:
        with Image.open(render.image) as picture:
            return np.asarray(picture.convert("RGB"))
    except (OSError, ValueError) as error:
        render.error = "unreadable picture: %s" % error
        render.image = None
        return None


# --- what a page holds, from mutool's trace device ----------------------------------------------

IMAGE_CALL = re.compile(r'<(?:fill_image|fill_image_mask|clip_image_mask)\b[^>]*?\btransform="([^"]+)"')
PAGE_BOX = re.compile(r'<page\b[^>]*?\bmediabox="([^"]+)"')


def trace_page(path, page, cache, password=""):
    """Image quads (corner points at 72 dpi, pixel space) and whether shadings or patterns are drawn.

    None when mutool cannot trace the page."""
    cached = os.path.join(cache, "%s-p%d-trace-i.json" % (file_key(path), page))
    if os.path.exists(cached):
        with open(cached) as f:
            return json.load(f)
    command = ["mutool", "draw", "-q", "-i", "-F", "trace", "-r", "72"] + (["-p", password] if password else [])
    try:
        result = subprocess.run(command + [path, str(page)], capture_output=True, timeout=RENDER_TIMEOUT)
        text = result.stdout.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        text = ""
    # like its renders, mutool's trace may end in an error after a complete page
    text = text if "</page>" in text else None
    facts = None if text is None else {
        "image_quads": image_quads(text),
        "shading_pattern": "<fill_shade" in text or "<begin_tile" in text,
    }
    write_whole(cached, json.dumps(facts))
    return facts


def write_whole(path, text):
    """Writes a cache file under a name of its own first, so no reader sees half of it."""
    scratch = "%s-%d-%d" % (path, os.getpid(), threading.get_ident())
    with open(scratch, "w") as f:
        f.write(text)
    os.replace(scratch, path)


def image_quads(trace):
    box = PAGE_BOX.search(trace)
    x0, y0 = (float(v) for v in box.group(1).split()[:2]) if box else (0.0, 0.0)
    quads = []
    for match in IMAGE_CALL.finditer(trace):
        values = [float(v) for v in match.group(1).split()]
        if len(values) != 6 or not all(math.isfinite(v) and abs(v) < 1e6 for v in values):
            continue  # a degenerate placement covers no pixels we could mask
        a, b, c, d, e, f = values
        corners = [(0, 0), (1, 0), (1, 1), (0, 1)]
        quads.append([(a * u + c * v + e - x0, b * u + d * v + f - y0) for u, v in corners])
    return quads


# --- statistics ---------------------------------------------------------------------------------

def difference(a, b, mask=None):
    """Statistics of two pictures; pictures of different sizes have none but their sizes."""
    stats = {"sizes": ["%dx%d" % (a.shape[1], a.shape[0]), "%dx%d" % (b.shape[1], b.shape[0])]}
    if a.shape != b.shape:
        stats.update(same_size=False, ok=False)
        return stats
    delta = np.abs(a.astype(np.int16) - b.astype(np.int16))
    keep = np.ones(a.shape[:2], bool) if mask is None else ~mask
    counted = int(keep.sum())
    if counted == 0:
        mean, share = 0.0, 0.0
    else:
        mean = float(delta[keep].mean())
        share = float((delta.max(axis=2)[keep] > FAR_DIFFERENCE).mean())
    stats.update(same_size=True, mean=round(mean, 4), far_share=round(share, 6),
                 masked_share=round(1 - counted / keep.size, 4))
    stats["ok"] = mean <= MAX_MEAN and share <= MAX_FAR_SHARE
    return stats


def describe(stats):
    if not stats.get("same_size"):
        return "sizes differ %s vs %s" % tuple(stats["sizes"])
    text = "mean %.3f, far %.3f %%" % (stats["mean"], 100 * stats["far_share"])
    if stats.get("masked_share"):
        text += " (%.1f %% masked)" % (100 * stats["masked_share"])
    return text + (", within tolerance" if stats["ok"] else ", OUT of tolerance")


# --- pictures for people ------------------------------------------------------------------------

def amplified_difference(a, b, mask=None):
    """White where equal, darker with the difference (x4), red where beyond FAR_DIFFERENCE;
    masked areas light blue. Pictures of different sizes are compared over their common part."""
    height, width = min(a.shape[0], b.shape[0]), min(a.shape[1], b.shape[1])
    delta = np.abs(a[:height, :width].astype(np.int16) - b[:height, :width].astype(np.int16)).max(axis=2)
    grey = (255 - np.minimum(255, delta * 4)).astype(np.uint8)
    picture = np.dstack([grey, grey, grey])
    picture[delta > FAR_DIFFERENCE] = (230, 0, 0)
    if mask is not None and mask.shape == (height, width):
        picture[mask] = (200, 225, 255)
    return picture


def side_by_side(panels, path):
    """panels: (label, picture or None) left to right, each under its label."""
    label_height, gap = 16, 6
    height = max(p.shape[0] for _, p in panels if p is not None) + label_height
    widths = [p.shape[1] if p is not None else 120 for _, p in panels]
    sheet = Image.new("RGB", (sum(widths) + gap * (len(panels) - 1), height), (128, 128, 128))
    draw = ImageDraw.Draw(sheet)
    x = 0
    for (label, picture), width in zip(panels, widths):
        draw.text((x + 3, 2), label, fill=(255, 255, 255))
        if picture is not None:
            sheet.paste(Image.fromarray(picture), (x, label_height))
        x += width + gap
    sheet.save(path)
