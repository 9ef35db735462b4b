#!/usr/bin/python3
"""The pixel gate of the page renderer: ours against pdftoppm and mutool.

Usage: render_oracle.py --renderer PATH --corpus FOLDER [--shared FOLDER] [--images FOLDER] [--jobs N]
                        [--out FOLDER]

Pages: every page of the generated corpus in FOLDER (made by make_render_corpus.py when its
manifest is missing or older than the maker), the pages of the image corpus in --images (made by
make_image_corpus.py likewise) and the first pages of every file of the shared qpdf corpus that the peers
can read (passwords from qpdf-passwords.tsv beside it). Each page is rendered at 72 and 96 dpi by
ours (parch_render_page), `pdftoppm -cropbox` and `mutool draw`.

Two renders are within tolerance when they have the same size, the mean absolute difference over
all channels is at most 2.0 and at most 1 % of the pixels differ by more than 64 in some channel.
Images count like everything else, except on pages that draw an image behind a codec ours does
not decode yet (UNDRAWN_CODECS): there the image areas (mutool's trace reports where images are
drawn) are left out of every comparison. A render is agreed when both peers work, give pictures of
one size and are within tolerance of each other (pages with a /UserUnit are not: mutool applies
it). Gated: agreed renders of pages without shadings or patterns, whatever fonts they use; ours
passes one when it is within tolerance of at least one peer. The gate holds when ours passes at
least 98 % of the gated renders and the text check below passes. Pages with shadings or patterns
are listed apart.

Text: every page of the generated corpus also runs through our text funnel (parch_render_page
--text); its characters, white space aside and in any order, must be those `pdftotext -raw` finds
on the page. Pages showing the ZapfDingbats standard font are not compared: our text of its codes
is that of their names in the standard encoding, pdftotext's the dingbat characters.

Peer renders are cached in the output folder by file contents, page and resolution, so reruns
render only ours. Writes report.json there and, for each failing render, a comparison picture;
exits 1 when the gate fails, 2 on bad arguments.
"""

import argparse
import collections
import concurrent.futures
import json
import os
import subprocess
import sys

import pikepdf

import render_pixels as rp

RESOLUTIONS = (72, 96)
# Image filters whose images ours leaves undrawn for now; pages drawing one keep images masked.
UNDRAWN_CODECS = {"/DCTDecode", "/DCT", "/JPXDecode", "/JBIG2Decode", "/CCITTFaxDecode", "/CCF"}
SHARED_PAGES = 3  # the first pages of each shared file
GATE_SHARE = 0.98


class Page:
    def __init__(self, path, page, origin, password="", embedded_fonts=False, shading_pattern=False,
                 features=()):
        self.path, self.page, self.origin, self.password = path, page, origin, password
        self.embedded_fonts, self.shading_pattern, self.features = embedded_fonts, shading_pattern, list(features)

    @property
    def name(self):
        return "%s/%s#%d" % (self.origin, os.path.basename(self.path), self.page)


# --- the pages ----------------------------------------------------------------------------------

def generated_pages(corpus):
    manifest = os.path.join(corpus, "manifest.json")
    maker = os.path.join(os.path.dirname(os.path.abspath(__file__)), "make_render_corpus.py")
    if not os.path.exists(manifest) or os.path.getmtime(manifest) < os.path.getmtime(maker):
        subprocess.run([sys.executable, maker, corpus], check=True, stdout=subprocess.DEVNULL)
    with open(manifest) as f:
        entries = json.load(f)
    return [Page(os.path.join(corpus, e["file"]), e["page"], "generated", "", e["embedded_fonts"],
                 e["shading_pattern"], e["features"]) for e in entries]


def image_corpus_pages(folder):
    manifest = os.path.join(folder, "manifest.json")
    maker = os.path.join(os.path.dirname(os.path.abspath(__file__)), "make_image_corpus.py")
    if not os.path.exists(manifest) or os.path.getmtime(manifest) < os.path.getmtime(maker):
        subprocess.run([sys.executable, maker, folder], check=True, stdout=subprocess.DEVNULL)
    with open(manifest) as f:
        entries = json.load(f)
    return [Page(os.path.join(folder, e["file"]), 1, "images", features=["image " + e["family"]]) for e in entries]


def read_passwords(shared):
    passwords = {}
    table = os.path.join(shared, "qpdf-passwords.tsv")
    if os.path.exists(table):
        for line in open(table).read().splitlines()[1:]:
            name, _, password = line.partition("\t")
            passwords[name] = password
    return passwords


def poppler_tool(tool, path, password, *options):
    """Output of pdfinfo or pdffonts, None when the tool cannot read the file."""
    command = [tool] + list(options) + (["-opw", password, "-upw", password] if password else []) + [path]
    try:
        result = subprocess.run(command, capture_output=True, timeout=rp.INFO_TIMEOUT)
    except subprocess.TimeoutExpired:
        return None
    return result.stdout.decode("latin-1") if result.returncode == 0 else None


def shared_file_facts(path, password, cache):
    """Page count and whether the first pages use embedded fonts, cached; None when unreadable."""
    cached = os.path.join(cache, "%s-facts.json" % rp.file_key(path))
    if os.path.exists(cached):
        with open(cached) as f:
            return json.load(f)
    facts = None
    info = poppler_tool("pdfinfo", path, password)
    pages = [line.split()[1] for line in (info or "").splitlines() if line.startswith("Pages:")]
    if pages and pages[0].isdigit() and int(pages[0]) > 0:
        fonts = poppler_tool("pdffonts", path, password, "-f", "1", "-l", str(SHARED_PAGES))
        facts = {"pages": int(pages[0]), "embedded_fonts": fonts is not None and embedded_font_listed(fonts)}
    rp.write_whole(cached, json.dumps(facts))
    return facts


def embedded_font_listed(listing):
    """pdffonts' 'emb' column, at the place its dashed rule gives it."""
    lines = listing.splitlines()
    if len(lines) < 2 or " emb " not in lines[0]:
        return False
    start = lines[0].index(" emb ") + 1
    end = lines[1].find(" ", start)
    return any(line[start:end].strip() == "yes" for line in lines[2:])


def shared_pages(shared, cache, jobs):
    """The first pages of every readable file, and the names of the files the peers cannot read."""
    passwords = read_passwords(shared)
    folder = os.path.join(shared, "qpdf")
    files = sorted(name for name in os.listdir(folder) if name.endswith(".pdf"))
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        facts = list(pool.map(lambda name: shared_file_facts(os.path.join(folder, name), passwords.get(name, ""),
                                                             cache), files))
    pages, unreadable = [], []
    for name, fact in zip(files, facts):
        if fact is None:
            unreadable.append(name)
            continue
        for page in range(1, min(fact["pages"], SHARED_PAGES) + 1):
            pages.append(Page(os.path.join(folder, name), page, "qpdf", passwords.get(name, ""),
                              fact["embedded_fonts"]))
    return pages, unreadable


# --- one page -----------------------------------------------------------------------------------

def image_filters(stream):
    value = stream.get("/Filter")
    if value is None:
        return []
    return [str(f) for f in value] if isinstance(value, pikepdf.Array) else [str(value)]


def draws_undrawn_codec(path, number, password):
    """Whether the page draws an image (XObject, in forms too, or inline) behind a codec ours
    does not decode yet; True also when the page cannot be read."""
    try:
        with pikepdf.open(path, password=password) as pdf:
            page = pdf.pages[number - 1]
            pending, seen = [page], set()
            while pending:
                holder = pending.pop()
                for operands, operator in pikepdf.parse_content_stream(holder):
                    if str(operator) == "INLINE IMAGE":
                        filters = operands[0].obj.get("/F", operands[0].obj.get("/Filter"))
                        names = [str(f) for f in filters] if isinstance(filters, pikepdf.Array) else \
                            [str(filters)] if filters is not None else []
                        if UNDRAWN_CODECS.intersection(names):
                            return True
                resources = holder.get("/Resources") if hasattr(holder, "get") else None
                xobjects = resources.get("/XObject") if resources is not None else None
                for _, xobject in (xobjects.items() if xobjects is not None else []):
                    if xobject.objgen in seen and xobject.objgen != (0, 0):
                        continue
                    seen.add(xobject.objgen)
                    subtype = str(xobject.get("/Subtype"))
                    if subtype == "/Image":
                        masks = [xobject] + [xobject[k] for k in ("/SMask", "/Mask")
                                             if isinstance(xobject.get(k), pikepdf.Stream)]
                        if any(UNDRAWN_CODECS.intersection(image_filters(m)) for m in masks):
                            return True
                    elif subtype == "/Form":
                        pending.append(xobject)
        return False
    except Exception:  # pikepdf and qpdf raise many kinds; an unreadable page keeps its mask
        return True

def check_page(page, renderer, out, cache):
    """Renders and compares one page at every resolution; a list of result records."""
    facts = rp.trace_page(page.path, page.page, cache, page.password) or {"image_quads": [], "shading_pattern": False}
    if facts["image_quads"] and not draws_undrawn_codec(page.path, page.page, page.password):
        facts = dict(facts, masked_quads=[])
    shading_pattern = page.shading_pattern or facts["shading_pattern"]
    results = []
    for dpi in RESOLUTIONS:
        peers = {peer: rp.render_peer(peer, page.path, page.page, dpi, cache, page.password) for peer in rp.PEERS}
        ours_file = os.path.join(out, "ours", "%s-%s-p%d-%d.bmp" % (page.origin, os.path.basename(page.path),
                                                                   page.page, dpi))
        ours = rp.render_ours(renderer, page.path, page.page, dpi, ours_file, page.password)
        record = {"page": page.name, "file": page.path, "number": page.page, "dpi": dpi,
                  "embedded_fonts": page.embedded_fonts, "shading_pattern": shading_pattern,
                  "images": len(facts["image_quads"]), "features": page.features}
        record.update(compare(peers, ours, facts.get("masked_quads", facts["image_quads"]), dpi))
        record["category"] = category(record)
        if record["category"] in ("failed", "apart") and not record["passed"]:
            record["picture"] = comparison_picture(page, dpi, peers, ours, facts, out)
        results.append(record)
        if ours.ok:
            os.remove(ours.image)
    return results


def compare(peers, ours, quads, dpi):
    renders = dict(peers, ours=ours)
    pictures = {side: rp.load(render) for side, render in renders.items()}
    record = {"errors": {side: render.error for side, render in renders.items() if not render.ok}}
    pictures = {side: picture for side, picture in pictures.items() if picture is not None}
    reference = pictures.get("pdftoppm", pictures.get("mutool"))
    mask = rp.image_mask(quads, dpi, reference.shape) if reference is not None else None
    if all(peer in pictures for peer in rp.PEERS):
        record["peers"] = rp.difference(pictures["pdftoppm"], pictures["mutool"], mask)
    for peer in rp.PEERS:
        if peer in pictures and "ours" in pictures:
            record["vs_" + peer] = rp.difference(pictures["ours"], pictures[peer], mask)
    record["agreed"] = record.get("peers", {}).get("ok", False)
    record["passed"] = any(record.get("vs_" + peer, {}).get("ok", False) for peer in rp.PEERS)
    return record


def category(record):
    if not record["agreed"]:
        return "not agreed"
    if record["shading_pattern"]:
        return "apart"
    return "passed" if record["passed"] else "failed"


def comparison_picture(page, dpi, peers, ours, facts, out):
    panels = [(side, rp.load(render)) for side, render in [("ours", ours)] + list(peers.items())]
    pictures = dict(panels)
    for peer in rp.PEERS:
        if pictures["ours"] is not None and pictures[peer] is not None:
            mask = rp.image_mask(facts.get("masked_quads", facts["image_quads"]), dpi, pictures[peer].shape)
            panels.append(("ours - " + peer, rp.amplified_difference(pictures["ours"], pictures[peer], mask)))
    name = "%s-p%d-%d.png" % (os.path.splitext(os.path.basename(page.path))[0], page.page, dpi)
    path = os.path.join(out, "failures", page.origin + "-" + name)
    rp.side_by_side(panels, path)
    return path


# --- the text of a page ------------------------------------------------------------------------

def page_characters(command):
    """The characters a command prints, white space left out; None when it fails."""
    result = subprocess.run(command, capture_output=True)
    if result.returncode != 0:
        return None
    text = result.stdout.decode("utf-8", "replace")
    return collections.Counter(c for c in text if not c.isspace())


def check_text(page, renderer):
    """Our text funnel's characters against pdftotext's for one page."""
    ours = page_characters([renderer, "--text", page.path, str(page.page)])
    peer = page_characters(["pdftotext", "-raw", "-f", str(page.page), "-l", str(page.page), page.path, "-"])
    record = {"page": page.name, "agreed": ours is not None and ours == peer}
    if not record["agreed"]:
        record["missing"] = "".join(sorted((peer - ours).elements())) if ours is not None and peer else ""
        record["extra"] = "".join(sorted((ours - peer).elements())) if ours is not None and peer else ""
        record["failed"] = "ours" if ours is None else "pdftotext" if peer is None else ""
    return record


def print_text_summary(records):
    differing = [r for r in records if not r["agreed"]]
    print("\n%-44s %3d of %d" % ("pages whose text agrees with pdftotext", len(records) - len(differing),
                                 len(records)))
    for record in differing:
        print("  %s: missing %r, extra %r %s" % (record["page"], record["missing"], record["extra"],
                                                ("(%s failed)" % record["failed"]) if record["failed"] else ""))
    return not differing


# --- the report ---------------------------------------------------------------------------------

def statistics_text(record):
    parts = []
    for peer in rp.PEERS:
        if "vs_" + peer in record:
            parts.append("vs %s: %s" % (peer, rp.describe(record["vs_" + peer])))
    for side, error in record["errors"].items():
        parts.append("%s failed: %s" % (side, error))
    return "; ".join(parts)


def print_summary(results, unreadable):
    counts = {}
    for record in results:
        counts[record["category"]] = counts.get(record["category"], 0) + 1
    gated = counts.get("passed", 0) + counts.get("failed", 0)
    apart = [r for r in results if r["category"] == "apart"]
    print("\n%-44s %6s" % ("renders (page x resolution)", len(results)))
    for name in ("passed", "failed", "apart", "not agreed"):
        print("  %-42s %6d" % (name, counts.get(name, 0)))
    print("  %-42s %6d" % ("apart and within tolerance of a peer", sum(r["passed"] for r in apart)))
    print("%-44s %6d" % ("shared files the peers cannot read", len(unreadable)))
    share = counts.get("passed", 0) / gated if gated else 0.0
    print("%-44s %5.1f %%  (needs %.0f %%)" % ("gated renders within tolerance", 100 * share, 100 * GATE_SHARE))
    failing = [r for r in results if r["category"] == "failed"]
    if failing:
        print("\nFailing renders:")
        for record in failing:
            print("  %s @%d: %s" % (record["page"], record["dpi"], statistics_text(record)))
    if apart:
        print("\nApart (shadings or patterns), not gated:")
        for record in apart:
            verdict = "within tolerance" if record["passed"] else statistics_text(record)
            print("  %s @%d: %s" % (record["page"], record["dpi"], verdict))
    return gated, share


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--renderer", required=True, help="parch_render_page")
    parser.add_argument("--corpus", required=True, help="folder of the generated corpus (made when missing)")
    parser.add_argument("--shared", default=rp.shared_corpus(), help="the shared corpus folder (holds qpdf/)")
    parser.add_argument("--images", help="folder of the image corpus (made by make_image_corpus.py when missing)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--out", help="cache, renders and report (default: CORPUS/oracle)")
    args = parser.parse_args()
    if not (os.path.isfile(args.renderer) and os.access(args.renderer, os.X_OK)):
        print("no renderer at %s" % args.renderer, file=sys.stderr)
        return 2
    if args.jobs < 1:
        print("--jobs needs at least 1", file=sys.stderr)
        return 2
    renderer = os.path.abspath(args.renderer)
    out = os.path.abspath(args.out or os.path.join(args.corpus, "oracle"))
    cache = os.path.join(out, "cache")
    for folder in (cache, os.path.join(out, "ours"), os.path.join(out, "failures")):
        os.makedirs(folder, exist_ok=True)
    for old in os.listdir(os.path.join(out, "failures")):
        os.remove(os.path.join(out, "failures", old))

    pages = generated_pages(args.corpus)
    if args.images:
        pages += image_corpus_pages(args.images)
    unreadable = []
    if args.shared:
        more, unreadable = shared_pages(args.shared, cache, args.jobs)
        pages += more
    else:
        print("no shared corpus found: generated pages only")
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        results = [r for page_results in pool.map(lambda p: check_page(p, renderer, out, cache), pages)
                   for r in page_results]

    generated = [page for page in pages if page.origin == "generated" and "dingbats" not in page.features]
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        texts = list(pool.map(lambda p: check_text(p, renderer), generated))

    gated, share = print_summary(results, unreadable)
    text_holds = print_text_summary(texts)
    holds = gated > 0 and share >= GATE_SHARE and text_holds
    report = {"renderer": renderer, "resolutions": list(RESOLUTIONS),
              "tolerance": {"max_mean": rp.MAX_MEAN, "max_far_share": rp.MAX_FAR_SHARE,
                            "far_difference": rp.FAR_DIFFERENCE},
              "gate": {"needs": GATE_SHARE, "gated": gated, "share": round(share, 4), "text_agrees": text_holds,
                       "holds": holds},
              "unreadable_shared_files": unreadable, "renders": results, "texts": texts}
    with open(os.path.join(out, "report.json"), "w") as f:
        json.dump(report, f, indent=1)
    print("\nreport: %s" % os.path.join(out, "report.json"))
    print("GATE %s" % ("HOLDS" if holds else "FAILS" if gated else "FAILS: nothing agreed to gate"))
    return 0 if holds else 1


if __name__ == "__main__":
    sys.exit(main())
