#!/usr/bin/python3
"""Writes the CFF fixtures of the glyph rasterizer tests.

t2ops.otf   an OpenType font whose glyphs use the Type 2 forms one by one: the four flex
            operators, widths, hint masks, the arithmetic operators, local and global
            subroutines, and an endchar accent (Aacute = A + acute).
cid.cff     a bare CID-keyed CFF: two font dicts with local subroutines of their own, picked
            per glyph by a range FDSelect.

Usage: make_cff_fixtures.py OUTPUT_FOLDER
"""
import io
import os
import sys

from fontTools.cffLib import FDArrayIndex, FDSelect, FontDict, PrivateDict, SubrsIndex
from fontTools.fontBuilder import FontBuilder
from fontTools.misc.psCharStrings import T2CharString

# Subroutine numbers are biased by 107 while a list has fewer than 1240 entries.
BIAS = 107


def box(x, y, w, h):
    """A closed rectangle as rlineto runs after a move to (x, y)."""
    return [x, y, "rmoveto", w, "hlineto", h, "vlineto", -w, "hlineto"]


def t2ops_glyphs():
    g = {}
    g[".notdef"] = [500, "endchar"]  # width only
    g["space"] = ["endchar"]
    g["A"] = [600] + box(50, 0, 500, 700) + [200, 100, "rmoveto", 100, 300, "rlineto", 100,
                                              -300, "rlineto", "endchar"]
    g["acute"] = [0, 0, "rmoveto", 40, 80, "rlineto", 30, -20, "rlineto", "endchar"]
    g["Aacute"] = [600, 0, 150, 65, 194, "endchar"]  # width, adx, ady, 'A', 'acute'
    # flex: 12 deltas and the flex depth
    g["F"] = [0, 300, "rmoveto", 100, 20, 100, 20, 100, 0, 100, 0, 100, -20, 100, -20, 50,
              "flex", 0, -300, "rlineto", "endchar"]
    g["G"] = [0, 300, "rmoveto", 100, 100, 30, 100, 100, 100, 100, "hflex", 0, -300,
              "rlineto", "endchar"]
    g["H"] = [0, 300, "rmoveto", 100, 10, 100, 30, 100, 100, 100, -15, 100, "hflex1", 0, -200,
              "rlineto", "endchar"]
    g["I"] = [0, 300, "rmoveto", 100, 10, 100, 30, 100, 5, 100, -5, 100, -30, 60, "flex1",
              5, 100, 5, 50, 5, -20, 5, -30, 5, 10, 40, "flex1", "endchar"]
    # hints: width with hstemhm, an implicit vstem before the first hintmask, then masks
    g["J"] = [700, 0, 50, 600, 50, "hstemhm", 100, 60, 400, 60, "hintmask", bytes([0b11100000]),
              100, 0, "rmoveto", 300, 500, -300, "hlineto", "hintmask", bytes([0b01010000]),
              50, 50, 20, 30, 40, 40, 30, 20, "vvcurveto", 30, 10, 20, 20, 10, "hhcurveto",
              "endchar"]
    # curve forms in both argument shapes
    g["K"] = [0, 0, "hmoveto", 50, 50, 50, 50, 50, 50, 50, 50, 20, "vhcurveto",
              40, 30, 30, 40, "hvcurveto", 10, 20, 30, 40, 50, 60, 70, 80, "vhcurveto",
              10, 20, 30, 40, 50, 60, 70, 80, 90, 15, 25, 35, 45, "hvcurveto", "endchar"]
    g["L"] = [10, 10, "rmoveto", 10, 20, 30, 40, 50, 60, 10, 20, 30, 40, 50, 60, 5, 5,
              "rcurveline", 10, 10, 20, 20, 10, 20, 30, 40, 50, 60, "rlinecurve",
              100, 0, 0, 100, -100, 0, "rrcurveto", "endchar"]
    # arithmetic: 100 = (30 + 20) * 2, 0 = 50 - 50, stored and fetched through the transient
    # array, picked with ifelse, moved with roll and index
    g["M"] = [30, 20, "add", 2, "mul", 0, "put", 0, "get", 50, 50, "sub", "exch", "rmoveto",
              7, 3, 4, 1, 3, -1, "roll", "drop", "drop", 10, "mul", 0, "rlineto",
              1, 2, 5, 4, "ifelse", 100, "mul", 2, "index", "neg", 0, 0, "index", "abs",
              "rlineto", "drop", 9, "sqrt", 100, "mul", 2, 4, "div", "rlineto", "endchar"]
    # subroutines: the local one draws a line and calls the global one
    g["N"] = [0, 0, "rmoveto", 0 - BIAS, "callsubr", 1 - BIAS, "callgsubr", "endchar"]
    return g


LOCAL_SUBRS = [[100, 200, "rlineto", 0 - BIAS, "callgsubr", "return"]]
GLOBAL_SUBRS = [[50, -50, "rlineto", "return"], [-150, -150, "rlineto", "return"]]


def make_t2ops(path):
    glyphs = t2ops_glyphs()
    order = list(glyphs)
    fb = FontBuilder(1000, isTTF=False)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap({ord("A"): "A", 0xB4: "acute", 0xC1: "Aacute", ord(" "): "space",
                          **{ord(n): n for n in "FGHIJKLMN"}})
    fb.setupCFF("ParchT2Ops", {"FullName": "Parch T2 Ops (test) \\ font"},
                {name: T2CharString(program=list(p)) for name, p in glyphs.items()},
                {"defaultWidthX": 0, "nominalWidthX": 0})
    cff = fb.font["CFF "].cff
    top = cff.topDictIndex[0]
    gsubrs = cff.GlobalSubrs
    for p in GLOBAL_SUBRS:
        gsubrs.append(T2CharString(program=list(p), globalSubrs=gsubrs))
    subrs = SubrsIndex()
    for p in LOCAL_SUBRS:
        subrs.append(T2CharString(program=list(p), globalSubrs=gsubrs))
    top.Private.Subrs = subrs
    for name in order:
        cs = top.CharStrings[name]
        cs.private = top.Private
        cs.globalSubrs = gsubrs
    fb.setupHorizontalMetrics({n: (600, 0) for n in order})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    fb.setupNameTable({"familyName": "ParchT2Ops", "styleName": "Regular"})
    fb.setupOS2()
    fb.setupPost()
    # fontTools cannot run the arithmetic operators, so the bounding boxes are given, not
    # measured.
    fb.font.recalcBBoxes = False
    top.FontBBox = [-200, -300, 1200, 1000]
    fb.save(path)


def make_cid(path):
    """The Type 2 glyphs again, CID-keyed, with two font dicts."""
    glyphs = t2ops_glyphs()
    names = list(glyphs)
    # Glyphs up to "J" use font dict 0, the rest font dict 1; each calls its font dict's
    # subroutine, which draws a line of its own, right after its first move.
    split = names.index("K")
    programs = []
    for name in names:
        program = list(glyphs[name])
        if name == "N":
            program = [0, 0, "rmoveto", 0 - BIAS, "callsubr", 0 - BIAS, "callgsubr", "endchar"]
        elif name == "Aacute":
            program = [0, 0, "rmoveto", 0 - BIAS, "callsubr", "endchar"]
        elif "rmoveto" in program:
            at = program.index("rmoveto") + 1
            program[at:at] = [0 - BIAS, "callsubr"]
        programs.append(program)
    order = [".notdef"] + ["cid%05d" % (gid + 10) for gid in range(1, len(names))]
    fb = FontBuilder(1000, isTTF=False)
    fb.setupGlyphOrder(order)
    fb.setupCFF("ParchCID", {}, {n: T2CharString(program=p) for n, p in zip(order, programs)}, {})
    fb.font.recalcBBoxes = False
    cff = fb.font["CFF "].cff
    top = cff.topDictIndex[0]
    gsubrs = cff.GlobalSubrs
    for p in GLOBAL_SUBRS:
        gsubrs.append(T2CharString(program=list(p), globalSubrs=gsubrs))
    fd_array = FDArrayIndex()
    for number, line in enumerate([[100, 200], [-70, 40]]):
        fd = FontDict()
        fd.setCFF2(False)
        private = PrivateDict()
        private.defaultWidthX = 0
        private.nominalWidthX = 0
        subrs = SubrsIndex()
        subrs.append(T2CharString(program=line + ["rlineto", "return"], globalSubrs=gsubrs))
        private.Subrs = subrs
        fd.Private = private
        fd.FontName = "ParchCID-%d" % number
        fd_array.append(fd)
    top.ROS = ("Adobe", "Identity", 0)
    top.CIDCount = len(order) + 10
    top.FDArray = fd_array
    select = FDSelect()
    select.format = 3
    select.gidArray = [0 if gid < split else 1 for gid in range(len(order))]
    top.FDSelect = select
    top.FontBBox = [-200, -300, 1200, 1000]
    for gid, name in enumerate(order):
        cs = top.CharStrings[name]
        cs.private = fd_array[select.gidArray[gid]].Private
        cs.globalSubrs = gsubrs
    top.rawDict.pop("Private", None)
    if "Private" in top.__dict__:
        del top.Private
    buffer = io.BytesIO()
    cff.compile(buffer, fb.font)
    with open(path, "wb") as out:
        out.write(buffer.getvalue())


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "tests", "pdf", "render",
        "ScrivletCFFFixtures")
    os.makedirs(folder, exist_ok=True)
    t2ops = os.path.join(folder, "t2ops.otf")
    make_t2ops(t2ops)
    make_cid(os.path.join(folder, "cid.cff"))


if __name__ == "__main__":
    main()
