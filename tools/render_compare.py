#!/usr/bin/python3
"""Renders one page with our renderer, pdftoppm and mutool and shows them side by side.

Usage: render_compare.py FILE PAGE DPI [--renderer PATH] [--password PW] [--out FOLDER]

Writes <file>-p<page>-<dpi>-compare.png (next to FILE, or into --out): ours, pdftoppm, mutool and
the amplified differences of ours against each peer and of the peers against each other, and
prints the statistics of each pair. Image areas (from mutool's trace) are masked. Without a
renderer (none given and none built), the peers are compared alone.
"""

import argparse
import os
import sys
import tempfile

import render_pixels as rp


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("file")
    parser.add_argument("page", type=int)
    parser.add_argument("dpi", type=int)
    parser.add_argument("--renderer", default=rp.default_renderer(), help="parch_render_page to run")
    parser.add_argument("--password", default="")
    parser.add_argument("--out", help="folder of the comparison picture (default: beside FILE)")
    args = parser.parse_args()
    if not os.path.isfile(args.file):
        sys.exit("no such file: %s" % args.file)
    if args.page < 1 or not 1 <= args.dpi <= 1200:
        sys.exit("the page starts at 1 and the resolution lies in 1..1200")

    out = args.out or os.path.dirname(os.path.abspath(args.file))
    os.makedirs(out, exist_ok=True)
    stem = "%s-p%d-%d" % (os.path.splitext(os.path.basename(args.file))[0], args.page, args.dpi)
    with tempfile.TemporaryDirectory() as scratch:
        renders = {peer: rp.render_peer(peer, args.file, args.page, args.dpi, scratch, args.password)
                   for peer in rp.PEERS}
        if args.renderer:
            renders["ours"] = rp.render_ours(args.renderer, args.file, args.page, args.dpi,
                                             os.path.join(out, stem + "-ours.bmp"), args.password)
        else:
            print("no renderer given or built: comparing the peers only")
        facts = rp.trace_page(args.file, args.page, scratch, args.password) or {"image_quads": []}
        pictures = {side: rp.load(r) for side, r in renders.items()}

    for side, render in renders.items():
        print("%-9s %s" % (side, "%dx%d" % pictures[side].shape[1::-1] if render.ok else "FAILED: " + render.error))
    panels = [(side, pictures.get(side)) for side in ("ours",) + rp.PEERS if side in renders]
    for first, second in [("ours", "pdftoppm"), ("ours", "mutool"), ("pdftoppm", "mutool")]:
        a, b = pictures.get(first), pictures.get(second)
        if a is None or b is None:
            continue
        print("%-18s %s" % (first + " vs " + second, rp.describe(rp.difference(a, b, None))))
        panels.append(("%s - %s" % (first, second), rp.amplified_difference(a, b, None)))
    if facts.get("shading_pattern"):
        print("the page draws shadings or patterns")
    picture = os.path.join(out, stem + "-compare.png")
    rp.side_by_side(panels, picture)
    print("wrote", picture)


if __name__ == "__main__":
    main()
