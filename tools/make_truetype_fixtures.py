#!/usr/bin/python3
"""Writes small TrueType fonts that exercise the outline reader's hard cases.

usage: make_truetype_fixtures.py OUTPUT_FOLDER

offcurve.ttf   contours that start off the curve (last point on, last point off, all off),
               post names, a (3,1) and a symbolic (3,0) character map
composite.ttf  composites of composites (three levels, scaled, 2x2, offsets) and a composite
               that names itself
upem0.ttf      a head table with unitsPerEm 0
manyglyphs.ttf maxp claiming 65535 glyphs over a glyf of a few glyphs, and a glyph whose
               'loca' range points past the end of 'glyf'
selfref.ttf    composite.ttf with a composite whose component is the glyph itself
pair.ttc       offcurve.ttf and composite.ttf as one collection
"""
import os
import struct
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.ttLib import TTFont
from fontTools.ttLib.tables._g_l_y_f import Glyph, GlyphComponent, GlyphCoordinates


def simple_glyph(contours):
    """contours: lists of (x, y, on_curve)."""
    glyph = Glyph()
    glyph.numberOfContours = len(contours)
    coords, flags, ends = [], [], []
    for contour in contours:
        for x, y, on in contour:
            coords.append((x, y))
            flags.append(1 if on else 0)
        ends.append(len(coords) - 1)
    glyph.coordinates = GlyphCoordinates(coords)
    glyph.flags = bytearray(flags)
    glyph.endPtsOfContours = ends
    glyph.program = None
    from fontTools.ttLib.tables import ttProgram
    glyph.program = ttProgram.Program()
    glyph.program.fromBytecode(b"")
    return glyph


def composite_glyph(parts):
    """parts: (glyph name, dx, dy, transform or None)."""
    glyph = Glyph()
    glyph.numberOfContours = -1
    glyph.components = []
    for name, dx, dy, transform in parts:
        component = GlyphComponent()
        component.glyphName = name
        component.x, component.y = dx, dy
        component.flags = 0x0004  # ROUND_XY_TO_GRID, as font tools write it
        if transform is not None:
            component.transform = transform
        glyph.components.append(component)
    return glyph


def square(x0, y0, size):
    return [(x0, y0, True), (x0 + size, y0, True), (x0 + size, y0 + size, True), (x0, y0 + size, True)]


def build(path, upem, glyphs, cmap, symbolic_cmap=None):
    order = list(glyphs)
    builder = FontBuilder(upem if upem else 1000, isTTF=True)
    builder.setupGlyphOrder(order)
    builder.setupCharacterMap(cmap)
    builder.setupGlyf(glyphs)
    builder.setupHorizontalMetrics({name: (upem // 2 if upem else 600, 0) for name in order})
    builder.setupHorizontalHeader(ascent=800, descent=-200)
    builder.setupNameTable({"familyName": "Parch Fixture", "styleName": "Regular"})
    builder.setupOS2()
    builder.setupPost()
    font = builder.font
    if symbolic_cmap:
        from fontTools.ttLib.tables._c_m_a_p import cmap_format_4
        table = cmap_format_4(4)
        table.platformID, table.platEncID, table.language = 3, 0, 0
        table.cmap = symbolic_cmap
        font["cmap"].tables.append(table)
    # Side bearings equal to each glyph's left edge, as font tools write them: readers place the
    # outline by the bearing.
    glyf = font["glyf"]
    for name in order:
        glyph = glyf[name]
        glyph.recalcBounds(glyf)
        font["hmtx"][name] = (font["hmtx"][name][0], getattr(glyph, "xMin", 0))
    if not upem:
        font["head"].unitsPerEm = 0
    font.save(path)


def offcurve_font(folder):
    glyphs = {
        ".notdef": simple_glyph([square(50, 0, 400)]),
        # first point off, last on: the contour starts at the last point
        "lastOn": simple_glyph([[(100, 0, False), (400, 0, True), (400, 300, False), (100, 300, True)]]),
        # first and last off: the contour starts halfway between them
        "bothOff": simple_glyph([[(100, 0, False), (400, 0, True), (400, 300, True), (100, 300, False)]]),
        # four off-curve points: a rounded shape of implied points only
        "allOff": simple_glyph([[(0, 0, False), (500, 0, False), (500, 500, False), (0, 500, False)]]),
        # two contours, one point alone
        "dot": simple_glyph([square(0, 0, 100), [(300, 300, True)]]),
        "space": simple_glyph([]),
    }
    glyphs["space"].numberOfContours = 0
    build(os.path.join(folder, "offcurve.ttf"), 1000, glyphs,
          {0x41: "lastOn", 0x42: "bothOff", 0x43: "allOff", 0x2E: "dot", 0x20: "space"},
          symbolic_cmap={0xF041: "allOff", 0xF042: "dot"})


def composite_font(folder):
    glyphs = {
        ".notdef": simple_glyph([square(0, 0, 500)]),
        "base": simple_glyph([[(0, 0, True), (200, 0, True), (200, 200, False), (0, 200, True)]]),
        "accent": simple_glyph([square(40, 600, 120)]),
        # Transforms keep every point on whole units, so the outline can be compared exactly.
        "level1": composite_glyph([("base", 100, 0, None), ("accent", 0, 50, [[0.5, 0], [0, 0.5]])]),
        "level2": composite_glyph([("level1", 30, 40, [[0, 1], [-1, 0]]), ("accent", 300, 0, None)]),
        "level3": composite_glyph([("level2", -10, 20, [[0.5, 0], [0, 1.5]]), ("base", 600, 0, None)]),
    }
    build(os.path.join(folder, "composite.ttf"), 2048, glyphs, {0x61: "base", 0x62: "level1", 0x63: "level2", 0x64: "level3"})
    # A composite naming itself: point its component at its own glyph index.
    font = TTFont(os.path.join(folder, "composite.ttf"))
    order = font.getGlyphOrder()
    font.save(os.path.join(folder, "composite.ttf"))
    data = bytearray(open(os.path.join(folder, "composite.ttf"), "rb").read())
    loop_at = patch_self_reference(data, order.index("level1"))
    open(os.path.join(folder, "selfref.ttf"), "wb").write(data if loop_at else b"")


def table_range(data, tag):
    count = struct.unpack(">H", data[4:6])[0]
    for i in range(count):
        entry = 12 + 16 * i
        if data[entry:entry + 4] == tag:
            offset, length = struct.unpack(">II", data[entry + 8:entry + 16])
            return offset, length
    raise KeyError(tag)


def glyph_range(data, index):
    head, _ = table_range(data, b"head")
    long_loca = struct.unpack(">h", data[head + 50:head + 52])[0] == 1
    loca, _ = table_range(data, b"loca")
    glyf, _ = table_range(data, b"glyf")
    if long_loca:
        start, end = struct.unpack(">II", data[loca + 4 * index:loca + 4 * index + 8])
    else:
        start, end = (2 * v for v in struct.unpack(">HH", data[loca + 2 * index:loca + 2 * index + 4]))
    return glyf + start, glyf + end


def patch_self_reference(data, index):
    """Makes the first component of composite glyph `index` name the glyph itself."""
    start, _ = glyph_range(data, index)
    struct.pack_into(">H", data, start + 10 + 2, index)
    return True


def upem0_font(folder):
    glyphs = {".notdef": simple_glyph([square(0, 0, 512)]), "box": simple_glyph([square(100, 100, 1024)])}
    build(os.path.join(folder, "upem0.ttf"), 0, glyphs, {0x41: "box"})


def manyglyphs_font(folder):
    glyphs = {".notdef": simple_glyph([square(0, 0, 500)]), "box": simple_glyph([square(100, 100, 300)]),
              "far": simple_glyph([square(0, 0, 10)])}
    path = os.path.join(folder, "manyglyphs.ttf")
    build(path, 1000, glyphs, {0x41: "box", 0x42: "far"})
    data = bytearray(open(path, "rb").read())
    maxp, _ = table_range(data, b"maxp")
    struct.pack_into(">H", data, maxp + 4, 65535)
    # The glyph "far" claims a range far beyond 'glyf'.
    head, _ = table_range(data, b"head")
    loca, _ = table_range(data, b"loca")
    if struct.unpack(">h", data[head + 50:head + 52])[0] == 1:
        struct.pack_into(">I", data, loca + 4 * 3, 0xFFFFF0)
    else:
        struct.pack_into(">H", data, loca + 2 * 3, 0xFFF0)
    open(path, "wb").write(data)


def collection(folder):
    from fontTools.ttLib import TTCollection
    fonts = TTCollection()
    fonts.fonts = [TTFont(os.path.join(folder, name)) for name in ("offcurve.ttf", "composite.ttf")]
    fonts.save(os.path.join(folder, "pair.ttc"))


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    offcurve_font(folder)
    composite_font(folder)
    upem0_font(folder)
    manyglyphs_font(folder)
    collection(folder)


if __name__ == "__main__":
    main()
