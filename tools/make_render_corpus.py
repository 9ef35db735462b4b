#!/usr/bin/python3
"""Writes the pages that the page renderer is compared on, with a manifest.

Usage: make_render_corpus.py OUTPUT_FOLDER

The pages come from generators that are neither of the two renderers we compare against:
reportlab (text in the standard fonts, not embedded; lines, paths, fills, clips, transforms,
colours, transparency, form XObjects, annotations with appearance streams, page boxes and
rotation), pycairo's PDF surface, ghostscript's ps2pdf from small PostScript programs, a few
hand-built pages (Type 3 font, inline image, tiling pattern, shading operator, UserUnit) and qpdf
rewrites of some of them. Pages with embedded fonts: Type 1 (reportlab with the URW .pfb/.afm
files), CFF (ps2pdf with URW faces outside the standard 14), OpenType CFF and TrueType subsets
including CID fonts with Identity-H (pycairo with URW, DejaVu and IPAGothic), a symbolic
TrueType font and Type 3 fonts with their own font matrices, d0 colours, d1 and ToUnicode maps. Output is deterministic, so renders cached by file hash stay valid.

manifest.json lists one entry per page: file, page, features, embedded_fonts (pdffonts says a font
of the file is embedded), shading_pattern, images.
"""

import io
import json
import os
import subprocess
import sys

import cairo
import pikepdf
from PIL import Image
from reportlab.lib.colors import CMYKColor, Color
from reportlab.pdfgen import canvas as rl_canvas

LOREM = "The quick brown fox jumps over the lazy dog 0123456789"


class Corpus:
    """Collects the files and what each page shows."""

    def __init__(self, folder):
        self.folder = folder
        self.entries = []

    def path(self, name):
        return os.path.join(self.folder, name)

    def add(self, name, pages, features, shading_pattern=False, images=False):
        """pages: the page count of the file; every page gets the same features."""
        for page in range(1, pages + 1):
            self.entries.append({"file": name, "page": page, "features": list(features),
                                 "shading_pattern": shading_pattern, "images": images})


# --- reportlab ----------------------------------------------------------------------------------

def new_canvas(corpus, name, size=(400, 300)):
    c = rl_canvas.Canvas(corpus.path(name), pagesize=size, invariant=1, pageCompression=1)
    c.setCreator("make_render_corpus")
    return c


def sample_image(mode="RGB"):
    """A small picture with edges and gradients, so a misplaced image shows."""
    image = Image.new("RGB", (24, 16))
    for y in range(16):
        for x in range(24):
            image.putpixel((x, y), (x * 10, y * 15, 255 - x * 10 if (x + y) % 4 else 0))
    return image.convert(mode)


def text_fonts(c):
    # Baselines on multiples of 3 points land on whole pixels at 72 and 96 dpi, where the peers
    # agree; between pixels each rounds its own way.
    y = 270
    for font, size in [("Helvetica", 12), ("Helvetica-Bold", 14), ("Helvetica-Oblique", 10),
                       ("Helvetica-BoldOblique", 9), ("Times-Roman", 12), ("Times-Bold", 16),
                       ("Times-Italic", 11), ("Times-BoldItalic", 13), ("Courier", 10),
                       ("Courier-Bold", 12), ("Courier-Oblique", 8), ("Courier-BoldOblique", 11)]:
        c.setFont(font, size)
        c.drawString(12, y, font + ": " + LOREM[:30])
        y -= 3 * ((size + 8) // 3)
    c.setFont("Symbol", 14)
    c.drawString(12, y, "\u03b1\u03b2\u03b3\u03b4 \u03b8\u03bb\u03c0\u03c3\u03c9 \u2211 \u221e \u2264 \u2192")
    c.setFont("ZapfDingbats", 14)
    c.drawString(12, y - 21, "\u2701\u2702\u2704\u2706 \u2713\u2714\u2717 \u2605\u2606 \u2663\u2665")


def text_sizes(c):
    y = 282
    for size in [4, 6, 8, 10, 14, 20, 28, 40, 60]:
        baseline = y - 3 * -(-size // 3)
        c.setFont("Times-Roman", size)
        c.drawString(9, baseline, "Rg%d" % size)
        y = baseline - 3
    c.setFont("Helvetica", 72)
    c.drawString(180, 42, "Wg")


def text_spacing(c):
    t = c.beginText(12, 270)
    t.setFont("Helvetica", 12)
    t.setLeading(18)
    for char_space in [0, 1, 3, -0.5]:
        t.setCharSpace(char_space)
        t.textLine("char spacing %g: %s" % (char_space, LOREM[:30]))
    t.setCharSpace(0)
    for word_space in [0, 4, 10]:
        t.setWordSpace(word_space)
        t.textLine("word spacing %g: a b c d e f" % word_space)
    t.setWordSpace(0)
    for scale in [50, 100, 150]:
        t.setHorizScale(scale)
        t.textLine("horizontal scale %d" % scale)
    t.setHorizScale(100)
    t.setLeading(21)
    t.textOut("rise: base ")
    t.setRise(6)
    t.textOut("up ")
    t.setRise(-4)
    t.textOut("down ")
    t.setRise(0)
    t.textLine("back")
    c.drawText(t)


def text_render_modes(c):
    for mode in range(4):
        c.setFillColorRGB(0.1, 0.3, 0.8)
        c.setStrokeColorRGB(0.8, 0.1, 0.1)
        c.setLineWidth(0.8)
        t = c.beginText(12, 260 - mode * 34)
        t.setFont("Helvetica-Bold", 28)
        t.setTextRenderMode(mode)
        t.textOut("Mode %d" % mode)
        c.drawText(t)
    for index, mode in enumerate(range(4, 8)):
        c.saveState()
        c.setFillColorRGB(0.1, 0.6, 0.2)
        c.setStrokeColorRGB(0.2, 0.2, 0.2)
        c.setLineWidth(0.6)
        t = c.beginText(210, 260 - index * 34)
        t.setFont("Times-Bold", 30)
        t.setTextRenderMode(mode)
        t.textOut("Clip%d" % mode)
        c.drawText(t)
        # stripes show through the glyphs that clip
        c.setFillColorRGB(0.9, 0.5, 0.0)
        for x in range(200, 400, 6):
            c.rect(x, 250 - index * 34, 3, 40, stroke=0, fill=1)
        c.restoreState()


def text_transforms(c):
    c.setFont("Helvetica", 16)
    for angle in [0, 30, 90, 160, 270]:
        c.saveState()
        c.translate(200, 150)
        c.rotate(angle)
        c.drawString(20, 0, "rot %d" % angle)
        c.restoreState()
    c.saveState()
    c.translate(20, 40)
    c.skew(20, 0)
    c.drawString(0, 0, "skewed text")
    c.restoreState()
    c.saveState()
    c.translate(380, 40)
    c.scale(-1, 1)
    c.drawString(0, 0, "mirrored")
    c.restoreState()
    c.saveState()
    c.translate(20, 250)
    c.scale(2, 0.7)
    c.drawString(0, 0, "stretched")
    c.restoreState()


def line_styles(c):
    y = 280
    for width in [0, 0.25, 0.5, 1, 2, 4]:
        c.setLineWidth(width)
        c.line(20, y, 180, y)
        y -= 12
    for cap in range(3):
        for join in range(3):
            c.setLineWidth(10)
            c.setLineCap(cap)
            c.setLineJoin(join)
            c.setStrokeColorRGB(0.1 + 0.3 * cap, 0.2, 0.2 + 0.3 * join)
            x, y = 30 + cap * 120, 170 - join * 60
            p = c.beginPath()
            p.moveTo(x, y)
            p.lineTo(x + 40, y + 40)
            p.lineTo(x + 80, y)
            c.drawPath(p, stroke=1, fill=0)
    c.setLineWidth(6)
    c.setLineJoin(0)
    for index, limit in enumerate([1, 2, 10]):
        c.setMiterLimit(limit)
        p = c.beginPath()
        p.moveTo(220 + index * 55, 250)
        p.lineTo(240 + index * 55, 285)
        p.lineTo(260 + index * 55, 250)
        c.drawPath(p, stroke=1, fill=0)


def dashes(c):
    # Lines 3 wide whose edges and dash ends fall on whole pixels at 72 and 96 dpi: between
    # pixels the peers' stroke adjustments part ways.
    y = 280.5
    c.setLineWidth(3)
    for index, (pattern, phase) in enumerate([([6, 3], 0), ([6, 3], 3), ([3, 6], 0), ([12, 3, 3, 3], 0),
                                              ([12], 6), ([3, 3, 9], 3), ([3, 3], 0)]):
        c.setLineCap(index % 3)
        c.setDash(pattern, phase)
        c.line(21, y, 381, y)
        y -= 21
    c.setDash([8, 4], 0)
    c.setLineWidth(2)
    c.circle(90, 60, 40, stroke=1, fill=0)
    c.rect(180, 20, 90, 80, stroke=1, fill=0)
    c.setDash([])
    c.roundRect(290, 20, 90, 80, 15, stroke=1, fill=0)


def rects_and_curves(c):
    c.setFillColorRGB(0.9, 0.2, 0.2)
    c.rect(10, 200, 80, 80, stroke=0, fill=1)
    c.setStrokeColorRGB(0, 0, 0.6)
    c.setLineWidth(3)
    c.rect(100, 200, 80, 80, stroke=1, fill=1)
    c.setFillColorRGB(0.2, 0.7, 0.3)
    c.circle(240, 240, 40, stroke=1, fill=1)
    c.ellipse(290, 200, 390, 280, stroke=0, fill=1)
    c.setFillColorRGB(0.9, 0.8, 0.1)
    c.wedge(10, 20, 150, 160, 30, 120, stroke=1, fill=1)
    c.setLineWidth(2)
    c.arc(170, 20, 280, 130, 10, 250)
    c.bezier(290, 20, 300, 180, 380, -40, 390, 150)
    p = c.beginPath()
    p.moveTo(170, 150)
    p.curveTo(200, 190, 240, 110, 270, 150)
    p.close()
    c.setFillColorRGB(0.5, 0.3, 0.7)
    c.drawPath(p, stroke=1, fill=1)


def star(c, cx, cy, r, turns=2, points=5):
    import math
    p = c.beginPath()
    for i in range(points):
        angle = math.pi / 2 + i * turns * 2 * math.pi / points
        x, y = cx + r * math.cos(angle), cy + r * math.sin(angle)
        (p.moveTo if i == 0 else p.lineTo)(x, y)
    p.close()
    return p


def fill_rules(c):
    c.setFillColorRGB(0.2, 0.4, 0.9)
    c.setStrokeColorRGB(0, 0, 0)
    c.drawPath(star(c, 100, 200, 80), stroke=1, fill=1, fillMode=0)
    c.drawPath(star(c, 300, 200, 80), stroke=1, fill=1, fillMode=1)
    for mode, x in [(0, 100), (1, 300)]:
        p = c.beginPath()
        p.circle(x, 60, 45)
        p.circle(x, 60, 25)
        p.rect(x - 60, 50, 120, 20)
        c.setFillColorRGB(0.8, 0.3, 0.1)
        c.drawPath(p, stroke=0, fill=1, fillMode=mode)


def clipping(c):
    c.saveState()
    p = c.beginPath()
    p.circle(100, 200, 80)
    c.clipPath(p, stroke=0, fill=0)
    c.setFillColorRGB(0.1, 0.5, 0.9)
    for y in range(100, 300, 10):
        c.rect(10, y, 200, 5, stroke=0, fill=1)
    c.restoreState()
    c.saveState()
    c.clipPath(star(c, 300, 200, 80), stroke=0, fill=0, fillMode=1)
    c.setFillColorRGB(0.9, 0.4, 0.1)
    c.rect(200, 100, 200, 200, stroke=0, fill=1)
    c.restoreState()
    # nested clips intersect
    c.saveState()
    p = c.beginPath()
    p.rect(20, 20, 200, 60)
    c.clipPath(p, stroke=0, fill=0)
    p = c.beginPath()
    p.circle(120, 50, 45)
    c.clipPath(p, stroke=0, fill=0)
    c.setFillColorRGB(0.3, 0.7, 0.3)
    c.rect(0, 0, 400, 300, stroke=0, fill=1)
    c.restoreState()
    c.setFont("Helvetica", 10)
    c.drawString(240, 40, "after restore: no clip")


def transforms(c):
    for index in range(8):
        c.saveState()
        c.translate(200, 150)
        c.rotate(index * 45)
        c.scale(1 + index * 0.1, 1)
        c.setFillColorRGB(index / 8, 0.3, 1 - index / 8)
        c.rect(30, -8, 80, 16, stroke=0, fill=1)
        c.restoreState()
    c.saveState()
    c.transform(1, 0.3, 0.2, 1, 20, 20)
    c.setStrokeColorRGB(0, 0, 0)
    c.setLineWidth(2)
    c.rect(0, 0, 60, 40, stroke=1, fill=0)
    c.restoreState()
    c.saveState()
    c.translate(330, 40)
    c.scale(0.5, 2)
    c.circle(0, 0, 15, stroke=1, fill=0)
    c.restoreState()


RGB_AND_GREY = [("rgb", (1, 0, 0)), ("rgb", (0, 0.6, 0)), ("rgb", (0.1, 0.2, 0.9)), ("rgb", (0.5, 0.5, 0.5)),
                ("rgb", (0.9, 0.7, 0.2)), ("rgb", (0.3, 0.8, 0.9)), ("gray", 0.0), ("gray", 0.25), ("gray", 0.75)]
CMYK = [("cmyk", (1, 0, 0, 0)), ("cmyk", (0, 1, 0, 0)), ("cmyk", (0, 0, 1, 0)), ("cmyk", (0, 0, 0, 1)),
        ("cmyk", (0.3, 0.5, 0.1, 0.2)), ("cmyk", (0.6, 0.1, 0.9, 0.05)), ("cmyk", (0, 0, 0, 0.5))]


def swatches(c, entries):
    for index, (space, value) in enumerate(entries):
        x, y = 15 + (index % 4) * 95, 220 - (index // 4) * 80
        if space == "rgb":
            c.setFillColorRGB(*value)
            c.setStrokeColorRGB(*reversed(value))
        elif space == "cmyk":
            c.setFillColorCMYK(*value)
            c.setStrokeColorCMYK(*reversed(value))
        else:
            c.setFillGray(value)
            c.setStrokeGray(1 - value)
        c.setLineWidth(4)
        c.rect(x, y, 80, 60, stroke=1, fill=1)


def colours_rgb_grey(c):
    swatches(c, RGB_AND_GREY)
    c.setFillColor(Color(0.2, 0.5, 0.6))
    c.setFont("Helvetica-Bold", 14)
    c.drawString(15, 12, "RGB text")


def colours_cmyk(c):
    # CMYK to RGB is each renderer's own choice: the peers may well disagree here
    swatches(c, CMYK)
    c.setFillColor(CMYKColor(0.1, 0.9, 0.2, 0.0))
    c.setFont("Helvetica-Bold", 14)
    c.drawString(15, 12, "CMYK text")


def transparency(c):
    for index, (r, g, b) in enumerate([(1, 0, 0), (0, 0.7, 0), (0, 0, 1)]):
        c.setFillColorRGB(r, g, b)
        c.setFillAlpha(0.5)
        c.circle(150 + index * 50, 180 - (index % 2) * 40, 70, stroke=0, fill=1)
    c.setFillAlpha(1)
    c.setStrokeColorRGB(0, 0, 0)
    c.setStrokeAlpha(0.3)
    c.setLineWidth(12)
    c.line(20, 40, 380, 60)
    c.setStrokeAlpha(1)
    for index, alpha in enumerate([0.1, 0.4, 0.7, 1.0]):
        c.setFillAlpha(alpha)
        c.setFillColorRGB(0.2, 0.2, 0.6)
        c.rect(20 + index * 40, 250, 35, 35, stroke=0, fill=1)
    c.setFillAlpha(0.5)
    c.setFont("Helvetica-Bold", 24)
    c.setFillColorRGB(0.9, 0.5, 0)
    c.drawString(220, 255, "alpha")


def form_xobjects(c):
    c.beginForm("badge")
    c.setFillColorRGB(0.2, 0.4, 0.8)
    c.roundRect(0, 0, 60, 30, 6, stroke=0, fill=1)
    c.setFillColorRGB(1, 1, 1)
    c.setFont("Helvetica-Bold", 12)
    c.drawString(8, 10, "form")
    c.endForm()
    c.beginForm("nested")
    c.doForm("badge")
    c.setStrokeColorRGB(0.8, 0.1, 0.1)
    c.setLineWidth(2)
    c.line(0, 0, 60, 30)
    c.endForm()
    for index in range(4):
        c.saveState()
        c.translate(20 + index * 90, 230)
        c.rotate(index * 10)
        c.doForm("badge")
        c.restoreState()
    for index in range(3):
        c.saveState()
        c.translate(40 + index * 120, 80)
        c.scale(1 + index * 0.5, 1 + index * 0.5)
        c.doForm("nested")
        c.restoreState()


def boxes_page(c):
    """Draws a frame and marks so that a wrong box or rotation is visible."""
    # every edge on a multiple of 3 points: whole pixels at 72 and 96 dpi
    width, height = c._pagesize
    c.setStrokeColorRGB(0, 0, 0)
    c.setLineWidth(6)
    c.rect(3, 3, width - 6, height - 6, stroke=1, fill=0)
    c.setFillColorRGB(0.9, 0.1, 0.1)
    c.rect(12, 12, 36, 36, stroke=0, fill=1)  # lower left: red
    c.setFillColorRGB(0.1, 0.1, 0.9)
    c.rect(width - 51, height - 51, 36, 36, stroke=0, fill=1)  # upper right: blue
    c.setFillColorRGB(0, 0, 0)
    c.setFont("Helvetica-Bold", 21)
    c.drawString(60, height / 2, "Up this way")
    c.setFont("Times-Roman", 9)
    for x in range(0, int(width), 51):
        c.drawString(x + 3, 60, str(x))


def links_and_annotation_text(c):
    c.setFont("Helvetica", 14)
    c.drawString(20, 260, "A link without a border around this text")
    c.linkURL("https://example.com/", (18, 255, 300, 275), relative=0, thickness=0)
    c.drawString(20, 60, "Annotations with appearance streams are above")


def images(c):
    image = sample_image()
    gray = sample_image("L")
    c.drawImage(rl_image(image), 20, 160, 120, 80)
    c.drawImage(rl_image(gray), 170, 160, 60, 120)
    c.saveState()
    c.translate(300, 60)
    c.rotate(25)
    c.drawImage(rl_image(image), 0, 0, 80, 50)
    c.restoreState()
    c.setFont("Helvetica", 12)
    c.drawString(20, 20, "Images sit among text and lines")
    c.setLineWidth(2)
    c.rect(15, 155, 130, 90, stroke=1, fill=0)


def rl_image(image):
    from reportlab.lib.utils import ImageReader
    buffer = io.BytesIO()
    image.save(buffer, "PNG")
    buffer.seek(0)
    return ImageReader(buffer)


def gradients(c):
    c.saveState()
    p = c.beginPath()
    p.rect(20, 160, 170, 120)
    c.clipPath(p, stroke=0, fill=0)
    c.linearGradient(20, 160, 190, 280, (Color(1, 0, 0), Color(0, 0, 1)), extend=False)
    c.restoreState()
    c.saveState()
    p = c.beginPath()
    p.circle(300, 220, 60)
    c.clipPath(p, stroke=0, fill=0)
    c.radialGradient(300, 220, 60, (Color(1, 1, 0), Color(0, 0.5, 0)), extend=False)
    c.restoreState()
    c.setFont("Helvetica", 12)
    c.drawString(20, 40, "axial and radial shadings")


def reportlab_pages(corpus):
    single = [
        ("rl-text-fonts.pdf", text_fonts, ["text", "base14-fonts", "symbol", "dingbats"]),
        ("rl-text-sizes.pdf", text_sizes, ["text", "font-sizes"]),
        ("rl-text-spacing.pdf", text_spacing, ["text", "char-spacing", "word-spacing", "horizontal-scaling", "rise"]),
        ("rl-text-render-modes.pdf", text_render_modes, ["text", "render-modes", "text-clip"]),
        ("rl-text-transforms.pdf", text_transforms, ["text", "transforms", "rotation"]),
        ("rl-line-styles.pdf", line_styles, ["lines", "widths", "caps", "joins", "miter-limit"]),
        ("rl-dashes.pdf", dashes, ["lines", "dashes"]),
        ("rl-rects-curves.pdf", rects_and_curves, ["rectangles", "beziers", "fill", "stroke"]),
        ("rl-fill-rules.pdf", fill_rules, ["fill", "nonzero", "even-odd"]),
        ("rl-clipping.pdf", clipping, ["clip", "even-odd-clip", "nested-clip"]),
        ("rl-transforms.pdf", transforms, ["transforms", "rotation", "skew"]),
        ("rl-colours-rgb-grey.pdf", colours_rgb_grey, ["colour", "rgb", "grey"]),
        ("rl-colours-cmyk.pdf", colours_cmyk, ["colour", "cmyk"]),
        ("rl-transparency.pdf", transparency, ["transparency", "fill-alpha", "stroke-alpha"]),
        ("rl-form-xobjects.pdf", form_xobjects, ["form-xobject", "nested-form"]),
    ]
    for name, draw, features in single:
        c = new_canvas(corpus, name)
        draw(c)
        c.showPage()
        c.save()
        corpus.add(name, 1, features)

    name = "rl-images.pdf"
    c = new_canvas(corpus, name)
    images(c)
    c.showPage()
    c.save()
    corpus.add(name, 1, ["images", "text", "lines"], images=True)

    name = "rl-gradients.pdf"
    c = new_canvas(corpus, name)
    gradients(c)
    c.showPage()
    c.save()
    corpus.add(name, 1, ["shading", "axial", "radial", "clip"], shading_pattern=True)

    # one document of several pages: page selection, rotation and boxes per page
    name = "rl-boxes-rotation.pdf"
    c = new_canvas(corpus, name, size=(300, 204))
    for rotation in [0, 90, 180, 270]:
        c.setPageRotation(rotation)
        boxes_page(c)
        c.showPage()
    c.setPageRotation(0)
    c.setPageSize((360, 240))
    c.setCropBox((42, 30, 321, 210))
    boxes_page(c)
    c.showPage()
    c.save()
    for page, features in enumerate([["rotate-0"], ["rotate-90"], ["rotate-180"], ["rotate-270"], ["cropbox"]], 1):
        corpus.entries.append({"file": name, "page": page, "features": ["page-boxes", "text"] + features,
                               "shading_pattern": False, "images": False})

    name = "rl-annotations.pdf"
    c = new_canvas(corpus, name)
    links_and_annotation_text(c)
    c.showPage()
    c.save()
    add_annotations(corpus.path(name))
    corpus.add(name, 1, ["annotations", "appearance-streams", "link", "hidden-annotation"])


def add_annotations(path):
    """Annotations whose appearance streams draw them; the hidden and no-view ones must not show."""
    with pikepdf.open(path, allow_overwriting_input=True) as pdf:
        page = pdf.pages[0]
        font = pikepdf.Dictionary(Type=pikepdf.Name.Font, Subtype=pikepdf.Name.Type1,
                                  BaseFont=pikepdf.Name.Helvetica)

        def appearance(box, content):
            width, height = box[2] - box[0], box[3] - box[1]
            return pdf.make_stream(content, Type=pikepdf.Name.XObject, Subtype=pikepdf.Name.Form,
                                   BBox=[0, 0, width, height],
                                   Resources=pikepdf.Dictionary(Font=pikepdf.Dictionary(F1=font)))

        def annotation(subtype, box, content, flags):
            return pdf.make_indirect(pikepdf.Dictionary(
                Type=pikepdf.Name.Annot, Subtype=subtype, Rect=box, F=flags, Border=[0, 0, 0],
                AP=pikepdf.Dictionary(N=appearance(box, content))))

        square = b"0.9 0.6 0.1 rg 0 0.3 0.6 RG 3 w 2 2 116 56 re B BT /F1 14 Tf 0 0 0 rg 10 22 Td (Stamp) Tj ET"
        circle = (b"0.2 0.6 0.3 RG 4 w 40 2 m 62 2 78 18 78 40 c 78 62 62 78 40 78 c "
                  b"18 78 2 62 2 40 c 2 18 18 2 40 2 c S")
        hidden = b"1 0 0 rg 0 0 100 40 re f"
        annotations = pikepdf.Array([
            annotation(pikepdf.Name.Square, [30, 120, 150, 180], square, 4),
            annotation(pikepdf.Name.Circle, [200, 100, 280, 180], circle, 4),
            annotation(pikepdf.Name.Square, [300, 110, 400, 150], hidden, 2),     # hidden
            annotation(pikepdf.Name.Square, [300, 200, 400, 240], hidden, 0x20),  # no view
        ])
        annotations.extend(page.obj.get("/Annots", pikepdf.Array()))
        page.obj.Annots = annotations
        pdf.save(path, static_id=True)


# --- pycairo ------------------------------------------------------------------------------------

def cairo_document(corpus, name, draw, size=(400, 300)):
    surface = cairo.PDFSurface(corpus.path(name), *size)
    surface.set_metadata(cairo.PDF_METADATA_CREATOR, "make_render_corpus")
    surface.set_metadata(cairo.PDF_METADATA_CREATE_DATE, "2024-01-01T00:00:00Z")
    context = cairo.Context(surface)
    draw(context)
    surface.finish()


def cairo_paths(cr):
    cr.set_source_rgb(0.1, 0.3, 0.7)
    cr.set_line_width(6)
    for index, cap in enumerate([cairo.LINE_CAP_BUTT, cairo.LINE_CAP_ROUND, cairo.LINE_CAP_SQUARE]):
        cr.set_line_cap(cap)
        cr.move_to(20, 30 + index * 25)
        cr.line_to(180, 30 + index * 25)
        cr.stroke()
    cr.set_line_cap(cairo.LINE_CAP_BUTT)
    cr.set_dash([12, 4, 2, 4], 3)
    cr.set_source_rgb(0.7, 0.1, 0.1)
    cr.move_to(20, 110)
    cr.curve_to(80, 40, 140, 180, 200, 110)
    cr.stroke()
    cr.set_dash([])
    cr.arc(290, 80, 60, 0, 5.5)
    cr.close_path()
    cr.set_source_rgb(0.9, 0.8, 0.2)
    cr.fill_preserve()
    cr.set_source_rgb(0, 0, 0)
    cr.set_line_width(2)
    cr.stroke()
    cr.set_fill_rule(cairo.FILL_RULE_EVEN_ODD)
    cr.rectangle(20, 160, 160, 120)
    cr.arc(100, 220, 45, 0, 6.2832)
    cr.set_source_rgb(0.3, 0.6, 0.3)
    cr.fill()
    cr.set_line_join(cairo.LINE_JOIN_ROUND)
    cr.set_line_width(10)
    cr.move_to(220, 270)
    cr.line_to(280, 170)
    cr.line_to(340, 270)
    cr.set_source_rgb(0.4, 0.2, 0.6)
    cr.stroke()


def cairo_clip_alpha(cr):
    cr.arc(120, 150, 100, 0, 6.2832)
    cr.clip()
    for index in range(10):
        cr.set_source_rgb(index / 10, 0.4, 1 - index / 10)
        cr.rectangle(index * 25, 0, 20, 300)
        cr.fill()
    cr.reset_clip()
    cr.set_source_rgba(0.9, 0.1, 0.1, 0.5)
    cr.rectangle(180, 60, 160, 120)
    cr.fill()
    cr.set_source_rgba(0.1, 0.1, 0.9, 0.35)
    cr.arc(300, 200, 70, 0, 6.2832)
    cr.fill()
    cr.save()
    cr.translate(300, 60)
    cr.rotate(0.5)
    cr.set_source_rgb(0, 0, 0)
    cr.set_line_width(3)
    cr.rectangle(-30, -20, 60, 40)
    cr.stroke()
    cr.restore()


def cairo_gradients(cr):
    linear = cairo.LinearGradient(20, 0, 200, 0)
    linear.add_color_stop_rgb(0, 1, 0, 0)
    linear.add_color_stop_rgb(0.5, 1, 1, 0)
    linear.add_color_stop_rgb(1, 0, 0, 1)
    cr.rectangle(20, 20, 180, 120)
    cr.set_source(linear)
    cr.fill()
    radial = cairo.RadialGradient(300, 220, 10, 300, 220, 70)
    radial.add_color_stop_rgb(0, 1, 1, 1)
    radial.add_color_stop_rgb(1, 0, 0.4, 0)
    cr.arc(300, 220, 70, 0, 6.2832)
    cr.set_source(radial)
    cr.fill()


def cairo_pattern(cr):
    tile = cairo.PDFSurface(None, 20, 20)
    tile_cr = cairo.Context(tile)
    tile_cr.set_source_rgb(0.2, 0.5, 0.9)
    tile_cr.rectangle(0, 0, 10, 10)
    tile_cr.fill()
    tile_cr.set_source_rgb(0.9, 0.3, 0.1)
    tile_cr.arc(15, 15, 4, 0, 6.2832)
    tile_cr.fill()
    pattern = cairo.SurfacePattern(tile)
    pattern.set_extend(cairo.EXTEND_REPEAT)
    cr.set_source(pattern)
    cr.rectangle(20, 20, 360, 260)
    cr.fill()


def cairo_pages(corpus):
    cairo_document(corpus, "cairo-paths.pdf", cairo_paths)
    corpus.add("cairo-paths.pdf", 1, ["cairo", "lines", "caps", "joins", "dashes", "beziers", "even-odd"])
    cairo_document(corpus, "cairo-clip-alpha.pdf", cairo_clip_alpha)
    corpus.add("cairo-clip-alpha.pdf", 1, ["cairo", "clip", "transparency"])
    cairo_document(corpus, "cairo-gradients.pdf", cairo_gradients)
    corpus.add("cairo-gradients.pdf", 1, ["cairo", "shading"], shading_pattern=True)
    cairo_document(corpus, "cairo-pattern.pdf", cairo_pattern)
    corpus.add("cairo-pattern.pdf", 1, ["cairo", "tiling-pattern"], shading_pattern=True)


# --- PostScript through ps2pdf ------------------------------------------------------------------

PS_PROGRAMS = {
    "ps-paths.pdf": (["postscript", "lines", "arcs", "fill", "even-odd", "dashes"], """
%!PS
<< /PageSize [400 300] >> setpagedevice
0.2 0.4 0.8 setrgbcolor
newpath 100 150 80 0 360 arc closepath fill
0 setgray 4 setlinewidth
newpath 100 150 60 30 300 arcn stroke
0.8 0.2 0.2 setrgbcolor
newpath 220 40 moveto 380 40 lineto 300 200 lineto closepath
260 80 moveto 340 80 lineto 300 160 lineto closepath eofill
0 0.5 0 setrgbcolor 3 setlinewidth [9 3] 0 setdash
newpath 20 280 moveto 120 200 220 300 380 260 curveto stroke
[] 0 setdash 1 setlinecap 1 setlinejoin 8 setlinewidth 0.5 setgray
newpath 220 240 moveto 260 220 lineto 300 240 lineto stroke
showpage
"""),
    "ps-text.pdf": (["postscript", "text", "base14-fonts"], """
%!PS
<< /PageSize [400 300] >> setpagedevice
/Helvetica findfont 18 scalefont setfont 20 260 moveto (Helvetica from PostScript) show
/Times-Roman findfont 16 scalefont setfont 20 230 moveto (Times-Roman: The quick brown fox) show
/Courier-Bold findfont 14 scalefont setfont 20 200 moveto (Courier-Bold 0123456789) show
gsave 200 100 translate 30 rotate
/Helvetica-Bold findfont 24 scalefont setfont 0.8 0.1 0.1 setrgbcolor 0 0 moveto (rotated) show
grestore
/Times-Italic findfont [20 0 6 14 0 0] makefont setfont 20 40 moveto (slanted and squat) show
showpage
"""),
    "ps-transforms-clip.pdf": (["postscript", "transforms", "clip", "cmyk", "grey"], """
%!PS
<< /PageSize [400 300] >> setpagedevice
gsave
newpath 200 150 120 0 360 arc clip
0 1 19 { /i exch def
  i 20 div 0.2 1 i 20 div sub setrgbcolor
  newpath i 20 mul 0 moveto 10 0 rlineto 0 300 rlineto -10 0 rlineto closepath fill } for
grestore
gsave 60 60 translate
0 30 330 { gsave rotate 0.1 0.6 0.2 0.1 setcmykcolor 0 -3 50 6 rectfill grestore } for
grestore
0.3 setgray 340 240 40 40 rectfill
2 setlinewidth 0 setgray 330 230 60 60 rectstroke
showpage
"""),
}


def postscript_pages(corpus, work):
    for name, (features, program) in PS_PROGRAMS.items():
        source = os.path.join(work, name.replace(".pdf", ".ps"))
        with open(source, "w") as f:
            f.write(program.lstrip())
        raw = os.path.join(work, name)
        run(["ps2pdf", "-dNOSAFER", source, raw])
        settle(raw, corpus.path(name))
        corpus.add(name, 1, features)


def settle(source, target):
    """Drops the dates and identifiers that make two runs differ."""
    with pikepdf.open(source) as pdf:
        for key in ["/CreationDate", "/ModDate"]:
            if key in pdf.docinfo:
                del pdf.docinfo[key]
        if "/Metadata" in pdf.Root:
            del pdf.Root.Metadata
        if "/ID" in pdf.trailer:
            del pdf.trailer.ID
        pdf.save(target, static_id=True)


# --- hand-built pages ---------------------------------------------------------------------------

def pikepdf_page(pdf, content, resources=None, media_box=(0, 0, 400, 300), **extra):
    page = pikepdf.Dictionary(Type=pikepdf.Name.Page, MediaBox=list(media_box),
                              Contents=pdf.make_stream(content),
                              Resources=resources if resources is not None else pikepdf.Dictionary(), **extra)
    pdf.pages.append(pikepdf.Page(page))


def helvetica():
    return pikepdf.Dictionary(Type=pikepdf.Name.Font, Subtype=pikepdf.Name.Type1, BaseFont=pikepdf.Name.Helvetica)


def type3_font(pdf):
    square = pdf.make_stream(b"1000 0 0 0 750 750 d1 0 0 750 750 re f")
    triangle = pdf.make_stream(b"1000 0 0 0 750 750 d1 0 0 m 750 0 l 375 750 l h f")
    return pikepdf.Dictionary(
        Type=pikepdf.Name.Font, Subtype=pikepdf.Name.Type3, FontBBox=[0, 0, 750, 750],
        FontMatrix=[0.001, 0, 0, 0.001, 0, 0], FirstChar=97, LastChar=98, Widths=[1000, 1000],
        Encoding=pikepdf.Dictionary(Type=pikepdf.Name.Encoding, Differences=[97, pikepdf.Name.square,
                                                                             pikepdf.Name.triangle]),
        CharProcs=pikepdf.Dictionary(square=square, triangle=triangle), Resources=pikepdf.Dictionary())


def hand_built_pages(corpus):
    # Type 3 glyphs drawn by content streams
    pdf = pikepdf.new()
    pikepdf_page(pdf, b"BT /T3 24 Tf 20 220 Td 0.8 0.2 0.2 rg (abba ab) Tj 0 -60 Td 2 Tr 0 0 1 RG (ba) Tj ET "
                      b"BT /F1 12 Tf 20 40 Td (Type 3 glyphs above) Tj ET",
                 pikepdf.Dictionary(Font=pikepdf.Dictionary(T3=type3_font(pdf), F1=helvetica())))
    pdf.save(corpus.path("hand-type3.pdf"), static_id=True)
    corpus.add("hand-type3.pdf", 1, ["type3-font", "text"])

    # an inline image among lines
    pixels = bytes((x * 30) % 256 for x in range(8 * 6 * 3))
    pdf = pikepdf.new()
    pikepdf_page(pdf, b"q 120 0 0 90 40 100 cm BI /W 8 /H 6 /BPC 8 /CS /RGB ID " + pixels + b" EI Q "
                      b"0 0 1 RG 3 w 30 90 140 110 re S BT /F1 12 Tf 200 150 Td (inline image) Tj ET",
                 pikepdf.Dictionary(Font=pikepdf.Dictionary(F1=helvetica())))
    pdf.save(corpus.path("hand-inline-image.pdf"), static_id=True)
    corpus.add("hand-inline-image.pdf", 1, ["inline-image", "lines", "text"], images=True)

    # the shading operator and a tiling pattern of our own
    pdf = pikepdf.new()
    function = pikepdf.Dictionary(FunctionType=2, Domain=[0, 1], C0=[1, 0.8, 0], C1=[0, 0.2, 0.8], N=1)
    shading = pikepdf.Dictionary(ShadingType=2, ColorSpace=pikepdf.Name.DeviceRGB, Coords=[20, 0, 380, 0],
                                 Function=function, Extend=[True, True])
    tile = pdf.make_stream(b"0.8 0.1 0.1 rg 0 0 8 8 re f 0 0.5 0 rg 8 8 8 8 re f",
                           Type=pikepdf.Name.Pattern, PatternType=1, PaintType=1, TilingType=1,
                           BBox=[0, 0, 16, 16], XStep=16, YStep=16, Resources=pikepdf.Dictionary())
    pikepdf_page(pdf, b"q 20 160 360 120 re W n /Sh1 sh Q /Pattern cs /P1 scn 20 20 360 120 re f",
                 pikepdf.Dictionary(Shading=pikepdf.Dictionary(Sh1=shading), Pattern=pikepdf.Dictionary(P1=tile)))
    pdf.save(corpus.path("hand-shading-pattern.pdf"), static_id=True)
    corpus.add("hand-shading-pattern.pdf", 1, ["shading", "tiling-pattern"], shading_pattern=True)

    # page geometry: a media box away from the origin, and one with a user unit (the peers
    # disagree on user units, so that page is never agreed)
    pdf = pikepdf.new()
    content = (b"0 0 0 RG 4 w -96 52 392 196 re S 1 0 0 rg -90 60 40 40 re f 0 0 1 rg 250 200 40 40 re f "
               b"BT /F1 18 Tf -60 140 Td (offset media box) Tj ET")
    pikepdf_page(pdf, content, pikepdf.Dictionary(Font=pikepdf.Dictionary(F1=helvetica())),
                 media_box=(-99, 51, 300, 252))
    pikepdf_page(pdf, b"0 0.5 0 rg 10 10 180 80 re f BT /F1 12 Tf 20 50 Td (user unit 2) Tj ET",
                 pikepdf.Dictionary(Font=pikepdf.Dictionary(F1=helvetica())), media_box=(0, 0, 200, 100),
                 UserUnit=2)
    pdf.save(corpus.path("hand-geometry.pdf"), static_id=True)
    corpus.entries.append({"file": "hand-geometry.pdf", "page": 1, "features": ["page-boxes", "offset-mediabox"],
                           "shading_pattern": False, "images": False})
    corpus.entries.append({"file": "hand-geometry.pdf", "page": 2, "features": ["page-boxes", "user-unit"],
                           "shading_pattern": False, "images": False})


# --- embedded fonts -----------------------------------------------------------------------------

URW_TYPE1 = "/usr/share/fonts/X11/Type1"
URW_AFM = "/usr/share/fonts/type1/urw-base35"
TYPE1_FACES = [("NimbusSans-Regular", 18), ("NimbusRoman-Italic", 16), ("C059-Bold", 16),
               ("URWBookman-Light", 14), ("NimbusMonoPS-Regular", 12), ("P052-Roman", 12)]


def reportlab_type1_pages(corpus):
    from reportlab.pdfbase import pdfmetrics
    name = "rl-type1-embedded.pdf"
    c = new_canvas(corpus, name, (400, 300))
    y = 270
    for face_name, size in TYPE1_FACES:
        face = pdfmetrics.EmbeddedType1Face(os.path.join(URW_AFM, face_name + ".afm"),
                                            os.path.join(URW_TYPE1, face_name + ".pfb"))
        pdfmetrics.registerTypeFace(face)
        pdfmetrics.registerFont(pdfmetrics.Font(face_name, face_name, "WinAnsiEncoding"))
        c.setFont(face_name, size)
        c.drawString(14, y, "%s: %s" % (face_name, LOREM[:30]))
        y -= 3 * ((size + 14) // 3)  # baselines on whole pixels at 72 and 96 dpi, as the peers agree there
    c.setFont("NimbusSans-Regular", 10)
    c.setFillColorRGB(0.1, 0.3, 0.7)
    c.drawString(14, y, "Accents: \u00e0\u00e9\u00ee\u00f5\u00fc \u00c5\u00c7\u00d1 \u00df \u00a9 \u00bd")
    c.showPage()
    c.save()
    corpus.add(name, 1, ["embedded-fonts", "type1-font", "text"])


def cairo_text(cr, family, size, x, y, text, slant=cairo.FONT_SLANT_NORMAL, weight=cairo.FONT_WEIGHT_NORMAL):
    cr.select_font_face(family, slant, weight)
    cr.set_font_size(size)
    cr.move_to(x, y)
    cr.show_text(text)


def cairo_fonts(cr):
    cr.set_source_rgb(0, 0, 0)
    cairo_text(cr, "DejaVu Sans", 16, 14, 30, "DejaVu Sans: " + LOREM[:28])
    cairo_text(cr, "DejaVu Serif", 14, 14, 57, "DejaVu Serif, bold", weight=cairo.FONT_WEIGHT_BOLD)
    cairo_text(cr, "Nimbus Sans", 16, 14, 84, "Nimbus Sans (OpenType CFF) " + LOREM[:12])
    cairo_text(cr, "Nimbus Roman", 16, 14, 111, "Nimbus Roman italic", slant=cairo.FONT_SLANT_ITALIC)
    cr.set_source_rgb(0.7, 0.1, 0.1)
    cairo_text(cr, "IPAGothic", 20, 14, 150, "\u65e5\u672c\u8a9e\u306e\u6587\u5b57 \u30c6\u30b9\u30c8 ABC")
    cr.set_source_rgb(0, 0.3, 0)
    cairo_text(cr, "DejaVu Sans", 12, 14, 180, "Greek \u03b1\u03b2\u03b3\u03b4 and more: \u00e9\u00e8\u00ea \u2013 \u2014")
    cr.save()
    cr.translate(260, 260)
    cr.rotate(-0.4)
    cairo_text(cr, "Nimbus Sans", 22, 0, 0, "rotated")
    cr.restore()


def cairo_dense(cr):
    cr.set_source_rgb(0, 0, 0)
    y = 15
    faces = ["DejaVu Sans", "Nimbus Roman", "DejaVu Serif", "Nimbus Sans"]
    for line in range(24):
        cairo_text(cr, faces[line % len(faces)], 7, 9, y, LOREM + " " + LOREM[:18])
        y += 12


def cairo_font_pages(corpus):
    cairo_document(corpus, "cairo-fonts.pdf", cairo_fonts)
    corpus.add("cairo-fonts.pdf", 1, ["cairo", "embedded-fonts", "truetype-font", "opentype-font", "cid-font",
                                      "tounicode", "text"])
    cairo_document(corpus, "cairo-dense-text.pdf", cairo_dense)
    corpus.add("cairo-dense-text.pdf", 1, ["cairo", "embedded-fonts", "truetype-font", "opentype-font", "text",
                                           "dense-text"])


CFF_PROGRAM = """
%!PS
<< /PageSize [400 300] >> setpagedevice
/line { exch findfont exch scalefont setfont moveto show } def
(NimbusSans-Regular: The quick brown fox) 20 270 /NimbusSans-Regular 16 line
(NimbusRoman-Bold: jumps over the lazy dog) 20 245 /NimbusRoman-Bold 16 line
(C059-Italic 0123456789) 20 220 /C059-Italic 16 line
(URWGothic-Book: Sphinx of black quartz) 20 195 /URWGothic-Book 14 line
(NimbusMonoPS-Bold: judge my vow) 20 172 /NimbusMonoPS-Bold 12 line
0.1 0.3 0.7 setrgbcolor
gsave 220 90 translate 20 rotate (P052-Bold rotated) 0 0 /P052-Bold 18 line grestore
(Z003 flourish) 20 60 /Z003-MediumItalic 24 line
showpage
"""


def postscript_font_pages(corpus, work):
    source = os.path.join(work, "ps-cff-fonts.ps")
    with open(source, "w") as f:
        f.write(CFF_PROGRAM.lstrip())
    raw = os.path.join(work, "ps-cff-fonts.pdf")
    run(["ps2pdf", "-dNOSAFER", source, raw])
    settle(raw, corpus.path("ps-cff-fonts.pdf"))
    corpus.add("ps-cff-fonts.pdf", 1, ["postscript", "embedded-fonts", "cff-font", "text"])


def dingbats_program():
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    with open(os.path.join(here, "resources", "data", "SVLDingbats.ttf"), "rb") as f:
        return f.read()


def symbolic_truetype_font(pdf):
    """Our own dingbats TrueType font, embedded whole as a symbolic font with WinAnsi text."""
    program = dingbats_program()
    descriptor = pikepdf.Dictionary(
        Type=pikepdf.Name.FontDescriptor, FontName=pikepdf.Name.SVLDingbats, Flags=4,
        FontBBox=[0, -200, 1000, 900], ItalicAngle=0, Ascent=900, Descent=-200, CapHeight=700, StemV=80,
        FontFile2=pdf.make_stream(program, Length1=len(program)))
    return pikepdf.Dictionary(Type=pikepdf.Name.Font, Subtype=pikepdf.Name.TrueType,
                              BaseFont=pikepdf.Name.SVLDingbats, FirstChar=32, LastChar=126,
                              Encoding=pikepdf.Name.WinAnsiEncoding,
                              Widths=[800] * 95, FontDescriptor=descriptor)


TYPE3_TOUNICODE = b"""/CIDInit /ProcSet findresource begin 12 dict begin begincmap
/CMapName /T3Map def /CMapType 2 def
1 begincodespacerange <00> <FF> endcodespacerange
3 beginbfchar <61> <0058> <62> <0059> <63> <005A> endbfchar
endcmap CMapName currentdict /CMap defineresource pop end end"""


def type3_fonts_more(pdf):
    """Glyph space of 100 units (FontMatrix 0.01): a d0 glyph with its own colours, two d1 glyphs
    that take the text's colour, and a ToUnicode map naming them X, Y and Z."""
    coloured = pdf.make_stream(b"60 0 d0 1 0 0 rg 0 0 25 70 re f 0 0 1 rg 30 0 25 70 re f")
    diamond = pdf.make_stream(b"60 0 0 0 60 70 d1 30 0 m 60 35 l 30 70 l 0 35 l h f")
    ring = pdf.make_stream(b"60 0 0 0 60 70 d1 30 35 m 30 5 l 60 35 l 30 65 l 0 35 l 30 5 l h "
                           b"30 20 m 15 35 l 30 50 l 45 35 l h f*")
    return pikepdf.Dictionary(
        Type=pikepdf.Name.Font, Subtype=pikepdf.Name.Type3, FontBBox=[0, 0, 60, 70],
        FontMatrix=[0.01, 0, 0, 0.01, 0, 0], FirstChar=97, LastChar=99, Widths=[70, 70, 70],
        Encoding=pikepdf.Dictionary(Type=pikepdf.Name.Encoding, Differences=[97, pikepdf.Name.bars,
                                                                             pikepdf.Name.diamond, pikepdf.Name.ring]),
        CharProcs=pikepdf.Dictionary(bars=coloured, diamond=diamond, ring=ring), Resources=pikepdf.Dictionary(),
        ToUnicode=pdf.make_stream(TYPE3_TOUNICODE))


def hand_built_font_pages(corpus):
    pdf = pikepdf.new()
    pikepdf_page(pdf, b"BT /D 28 Tf 20 230 Td (!#$%&'\\(\\)*+,-./01234) Tj 0 -40 Td (ABCDEFGHIJKLMNOPQRST) Tj "
                      b"0.2 0.4 0.8 rg 0 -40 Td (abcdefghijklmnopqrstu) Tj ET "
                      b"BT /F1 12 Tf 20 40 Td (a symbolic TrueType font above) Tj ET",
                 pikepdf.Dictionary(Font=pikepdf.Dictionary(D=symbolic_truetype_font(pdf), F1=helvetica())))
    pdf.save(corpus.path("hand-symbolic-truetype.pdf"), static_id=True)
    corpus.add("hand-symbolic-truetype.pdf", 1, ["embedded-fonts", "truetype-font", "symbolic-font", "text"])

    pdf = pikepdf.new()
    pikepdf_page(pdf, b"BT /T 30 Tf 20 220 Td 0 0.6 0 rg (abcabc) Tj 0 -60 Td 0.5 0 0.5 rg [(cba) -500 (ab)] TJ ET "
                      b"BT /T 18 Tf 1 0 0.3 1 220 120 Tm (bcab) Tj ET "
                      b"BT /F1 12 Tf 20 40 Td (Type 3 glyphs in a glyph space of 100 units) Tj ET",
                 pikepdf.Dictionary(Font=pikepdf.Dictionary(T=type3_fonts_more(pdf), F1=helvetica())))
    pdf.save(corpus.path("hand-type3-fonts.pdf"), static_id=True)
    corpus.add("hand-type3-fonts.pdf", 1, ["type3-font", "tounicode", "text"])


# --- text-dense pages (also the inputs of the font benchmark) -----------------------------------

DENSE_LINE = LOREM + " " + LOREM[:20]


def reportlab_type1_dense(corpus):
    from reportlab.pdfbase import pdfmetrics
    name = "rl-type1-dense.pdf"
    c = new_canvas(corpus, name, (400, 300))
    faces = ["NimbusSans-Regular", "NimbusRoman-Italic", "C059-Bold"]
    for face_name in faces:
        if face_name not in pdfmetrics.getRegisteredFontNames():
            face = pdfmetrics.EmbeddedType1Face(os.path.join(URW_AFM, face_name + ".afm"),
                                                os.path.join(URW_TYPE1, face_name + ".pfb"))
            pdfmetrics.registerTypeFace(face)
            pdfmetrics.registerFont(pdfmetrics.Font(face_name, face_name, "WinAnsiEncoding"))
    y = 288
    for line in range(24):
        c.setFont(faces[line % len(faces)], 7)
        c.drawString(9, y, DENSE_LINE)
        y -= 12
    c.showPage()
    c.save()
    corpus.add(name, 1, ["embedded-fonts", "type1-font", "text", "dense-text"])


CFF_DENSE_PROGRAM = """
%%!PS
<< /PageSize [400 300] >> setpagedevice
/faces [/NimbusSans-Regular /NimbusRoman-Bold /C059-Italic] def
0 1 23 { /i exch def
  faces i 3 mod get findfont 7 scalefont setfont
  9 288 i 12 mul sub moveto (%s) show } for
showpage
"""


def postscript_dense(corpus, work):
    source = os.path.join(work, "ps-cff-dense.ps")
    with open(source, "w") as f:
        f.write((CFF_DENSE_PROGRAM % DENSE_LINE).lstrip())
    raw = os.path.join(work, "ps-cff-dense.pdf")
    run(["ps2pdf", "-dNOSAFER", source, raw])
    settle(raw, corpus.path("ps-cff-dense.pdf"))
    corpus.add("ps-cff-dense.pdf", 1, ["postscript", "embedded-fonts", "cff-font", "text", "dense-text"])


def cairo_dense_truetype(cr):
    cr.set_source_rgb(0, 0, 0)
    faces = ["DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono"]
    for line in range(24):
        cairo_text(cr, faces[line % len(faces)], 7, 9, 12 + 12 * line, DENSE_LINE)


IPAGOTHIC = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"
CJK_TEXT = ("\u65e5\u672c\u8a9e\u306e\u6587\u66f8\u3092\u8868\u793a\u3059\u308b\u30da\u30fc\u30b8\u3067\u3059\u3002"
            "\u6f22\u5b57\u3068\u4eee\u540d\u3001\u30ab\u30bf\u30ab\u30ca\u304c\u4e26\u3073\u307e\u3059\u3002")


def cjk_truetype_font(pdf):
    """The whole IPAGothic TrueType program as a CID font with Identity-H codes (glyph numbers),
    its widths and a ToUnicode map of the characters the page shows."""
    from fontTools.ttLib import TTFont
    with open(IPAGOTHIC, "rb") as f:
        program = f.read()
    font = TTFont(IPAGOTHIC)
    cmap = font.getBestCmap()
    scale = 1000.0 / font["head"].unitsPerEm
    gids = {ch: font.getGlyphID(cmap[ord(ch)]) for ch in set(CJK_TEXT)}
    widths = []
    for ch, gid in sorted(gids.items(), key=lambda item: item[1]):
        widths += [gid, [int(round(font["hmtx"][cmap[ord(ch)]][0] * scale))]]
    pairs = "".join("<%04X> <%04X>\n" % (gid, ord(ch)) for ch, gid in sorted(gids.items(), key=lambda i: i[1]))
    to_unicode = ("/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /IPAMap def "
                  "/CMapType 2 def 1 begincodespacerange <0000> <FFFF> endcodespacerange\n"
                  "%d beginbfchar\n%sendbfchar endcmap CMapName currentdict /CMap defineresource pop end end"
                  % (len(gids), pairs)).encode()
    descriptor = pikepdf.Dictionary(Type=pikepdf.Name.FontDescriptor, FontName=pikepdf.Name.IPAGothic, Flags=4,
                                    FontBBox=[0, -141, 1000, 859], ItalicAngle=0, Ascent=859, Descent=-141,
                                    CapHeight=700, StemV=80,
                                    FontFile2=pdf.make_stream(program, Length1=len(program)))
    descendant = pikepdf.Dictionary(Type=pikepdf.Name.Font, Subtype=pikepdf.Name.CIDFontType2,
                                    BaseFont=pikepdf.Name.IPAGothic, FontDescriptor=descriptor,
                                    CIDSystemInfo=pikepdf.Dictionary(Registry="Adobe", Ordering="Identity",
                                                                     Supplement=0),
                                    CIDToGIDMap=pikepdf.Name.Identity, DW=1000, W=widths)
    font_dict = pikepdf.Dictionary(Type=pikepdf.Name.Font, Subtype=pikepdf.Name.Type0,
                                   BaseFont=pikepdf.Name.IPAGothic, Encoding=pikepdf.Name("/Identity-H"),
                                   DescendantFonts=[pdf.make_indirect(descendant)],
                                   ToUnicode=pdf.make_stream(to_unicode))
    return pdf.make_indirect(font_dict), gids


def hand_built_cjk_page(corpus):
    pdf = pikepdf.new()
    font, gids = cjk_truetype_font(pdf)
    codes = "".join("%04X" % gids[ch] for ch in CJK_TEXT).encode()
    lines = b"".join(b"<" + codes + b"> Tj 0 -18 Td " for _ in range(14))
    pikepdf_page(pdf, b"BT /J 11 Tf 12 270 Td " + lines + b"ET",
                 pikepdf.Dictionary(Font=pikepdf.Dictionary(J=font)))
    pdf.save(corpus.path("hand-cjk-truetype.pdf"), static_id=True)
    corpus.add("hand-cjk-truetype.pdf", 1, ["embedded-fonts", "truetype-font", "cid-font", "large-font", "text",
                                            "dense-text"])


def dense_text_pages(corpus, work):
    reportlab_type1_dense(corpus)
    postscript_dense(corpus, work)
    cairo_document(corpus, "cairo-dense-truetype.pdf", cairo_dense_truetype)
    corpus.add("cairo-dense-truetype.pdf", 1, ["cairo", "embedded-fonts", "truetype-font", "text", "dense-text"])
    hand_built_cjk_page(corpus)


# --- qpdf rewrites ------------------------------------------------------------------------------

QPDF_VARIANTS = [("qdf", ["--qdf", "--static-id"]),
                 ("objstm", ["--object-streams=generate", "--static-id"]),
                 ("uncompressed", ["--stream-data=uncompress", "--static-id"])]
QPDF_SOURCES = ["rl-text-fonts.pdf", "rl-form-xobjects.pdf", "rl-boxes-rotation.pdf", "ps-paths.pdf"]


def qpdf_variants(corpus):
    for source in QPDF_SOURCES:
        originals = [e for e in corpus.entries if e["file"] == source]
        for label, options in QPDF_VARIANTS:
            name = source.replace(".pdf", "-%s.pdf" % label)
            run(["qpdf"] + options + [corpus.path(source), corpus.path(name)], allowed=(0, 3))
            for entry in originals:
                corpus.entries.append(dict(entry, file=name, features=entry["features"] + ["qpdf-" + label]))


# --- manifest -----------------------------------------------------------------------------------

def run(command, allowed=(0,)):
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode not in allowed:
        sys.exit("%s failed (%d): %s" % (command[0], result.returncode, result.stderr.strip()))
    return result.stdout


def has_embedded_fonts(path):
    """Reads pdffonts' 'emb' column at the place its dashed rule gives it (names may be blank)."""
    lines = run(["pdffonts", path]).splitlines()
    header, rule = lines[0], lines[1]
    start = header.index(" emb ") + 1
    end = rule.index(" ", start)
    return any(line[start:end].strip() == "yes" for line in lines[2:])


def write_manifest(corpus):
    embedded = {}
    for entry in corpus.entries:
        name = entry["file"]
        if name not in embedded:
            embedded[name] = has_embedded_fonts(corpus.path(name))
        entry["embedded_fonts"] = embedded[name]
    with open(corpus.path("manifest.json"), "w") as f:
        json.dump(corpus.entries, f, indent=1)
        f.write("\n")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    work = os.path.join(folder, "work")
    os.makedirs(work, exist_ok=True)
    corpus = Corpus(folder)
    reportlab_pages(corpus)
    cairo_pages(corpus)
    postscript_pages(corpus, work)
    hand_built_pages(corpus)
    reportlab_type1_pages(corpus)
    cairo_font_pages(corpus)
    postscript_font_pages(corpus, work)
    hand_built_font_pages(corpus)
    dense_text_pages(corpus, work)
    qpdf_variants(corpus)
    write_manifest(corpus)
    files = len({entry["file"] for entry in corpus.entries})
    print("%d pages in %d files written to %s" % (len(corpus.entries), files, folder))


if __name__ == "__main__":
    main()
