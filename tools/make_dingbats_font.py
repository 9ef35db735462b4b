#!/usr/bin/env python3
"""Makes resources/data/SVLDingbats.ttf: a TrueType font with the 201 ZapfDingbats glyphs
(and the space) at their standard codes, drawn from DejaVu Sans.

The PDF library loads it in place of ZapfDingbats when a document uses the standard font
without embedding it. Glyphs are reachable by code through (3,0) and (3,1) cmaps, through a
(1,0) cmap of 256 codes, and by their ZapfDingbats names ("a1" ...) through the post table.

Run with the Debian python3 that has fontTools:
    /usr/bin/python3 tools/make_dingbats_font.py
Inputs: DejaVuSans.ttf (fonts-dejavu-core), the standard codes from the URW Dingbats metrics
(fonts-urw-base35) and resources/data/zapfdingbats.txt (names to Unicode, Adobe).
"""

import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont
from fontTools.ttLib.tables._c_m_a_p import CmapSubtable

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
CODES_AFM = "/usr/share/fonts/type1/urw-base35/D050000L.afm"
NAMES_TO_UNICODE = os.path.join(ROOT, "resources", "data", "zapfdingbats.txt")
OUTPUT = os.path.join(ROOT, "resources", "data", "SVLDingbats.ttf")
FAMILY = "SVLDingbats"


def standard_codes():
    """(code, glyph name) of every encoded glyph of the dingbats font."""
    codes = []
    with open(CODES_AFM, encoding="latin-1") as afm:
        for line in afm:
            if not line.startswith("C "):
                continue
            fields = dict(f.strip().split(" ", 1) for f in line.split(";") if f.strip())
            code = int(fields["C"])
            if code >= 0:
                codes.append((code, fields["N"]))
    return codes


def names_to_unicode():
    table = {"space": 0x20}
    with open(NAMES_TO_UNICODE, encoding="latin-1") as f:
        for line in f:
            if line.startswith("#") or ";" not in line:
                continue
            name, value = line.strip().split(";")
            table[name] = int(value, 16)
    return table


def outline(source_glyphs, source_name):
    """The glyph decomposed into a simple TrueType glyph."""
    recording = DecomposingRecordingPen(source_glyphs)
    source_glyphs[source_name].draw(recording)
    pen = TTGlyphPen(None)
    recording.replay(pen)
    return pen.glyph()


def cmap_subtable(fmt, platform, encoding, mapping):
    table = CmapSubtable.newSubtable(fmt)
    table.platformID, table.platEncID, table.language = platform, encoding, 0
    table.cmap = mapping
    return table


def main():
    source = TTFont(SOURCE_FONT)
    source_cmap = source.getBestCmap()
    source_glyphs = source.getGlyphSet()
    unicode_of = names_to_unicode()

    order = [".notdef"]
    glyphs = {".notdef": TTGlyphPen(None).glyph()}
    metrics = {".notdef": (source["hmtx"][".notdef"][0], 0)}
    by_code = {}
    for code, name in standard_codes():
        source_name = source_cmap.get(unicode_of[name])
        if source_name is None:
            sys.exit(f"DejaVu Sans has no glyph for {name} (U+{unicode_of[name]:04X})")
        glyph = outline(source_glyphs, source_name)
        glyph.recalcBounds(None)
        order.append(name)
        glyphs[name] = glyph
        metrics[name] = (source["hmtx"][source_name][0], getattr(glyph, "xMin", 0))
        by_code[code] = name

    builder = FontBuilder(source["head"].unitsPerEm, isTTF=True)
    builder.setupGlyphOrder(order)
    builder.setupCharacterMap({})
    builder.font["cmap"].tables = [
        cmap_subtable(0, 1, 0, {c: by_code.get(c, ".notdef") for c in range(256)}),
        cmap_subtable(4, 3, 0, {0xF000 + c: n for c, n in by_code.items()}),
        cmap_subtable(4, 3, 1, dict(by_code)),
    ]
    builder.setupGlyf(glyphs)
    builder.setupHorizontalMetrics(metrics)
    ascent, descent = source["hhea"].ascent, source["hhea"].descent
    builder.setupHorizontalHeader(ascent=ascent, descent=descent)
    builder.setupNameTable({
        "familyName": FAMILY,
        "styleName": "Regular",
        "uniqueFontIdentifier": FAMILY + "-Regular",
        "fullName": FAMILY,
        "psName": FAMILY,
        "version": "Version 1.0",
        "copyright": "Copyright (c) 2003 by Bitstream, Inc. All Rights Reserved. "
                     "DejaVu changes are in public domain. Glyphs taken from DejaVu Sans.",
    })
    builder.setupOS2(sTypoAscender=ascent, sTypoDescender=descent, usWinAscent=ascent,
                     usWinDescent=-descent, usFirstCharIndex=0x20, usLastCharIndex=0xFE,
                     ulCodePageRange1=1 << 31)
    builder.setupPost(keepGlyphNames=True)
    builder.font["head"].created = builder.font["head"].modified = 0x7C259DC0  # fixed: 2001
    builder.save(OUTPUT)
    print(f"{OUTPUT}: {len(order) - 1} encoded glyphs")


if __name__ == "__main__":
    main()
