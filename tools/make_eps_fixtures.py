#!/usr/bin/python3
"""Writes the drawings that the EPS page writer is checked on, each in two forms.

Usage: make_eps_fixtures.py OUTPUT_FOLDER

Every drawing is a list of calls, one per line, as the page renderer makes them on the EPS
writer (NAME.calls), and the same drawing as a one-page PDF (NAME.pdf, written with pikepdf), so
that ghostscript's rendering of the writer's output can be held against pdftoppm's rendering of
the page. Pictures and masks used by the calls are binary PPM (colour) and PGM (grey) files.

Call lines (numbers in PDF user space, which the writer keeps):
  page X1 Y1 X2 Y2                      the page box (BeginDocument; EndDocument after the last call)
  n | h | s | f | f* | B | W | W* | q | Q
  m X Y | l X Y | c X1 Y1 X2 Y2 X3 Y3 | v X2 Y2 X3 Y3 | y X1 Y1 X3 Y3 | quad X1 Y1 X2 Y2
  cm A B C D E F | w X | J N | j N | M X
  color TEXT                            a PostScript colour text for fill and stroke alike
  image NAME PICTURE [mask MASK] [stencil]
                                        NAME "-" for an image without a name; the image covers
                                        the unit square of the current matrix
"""

import os
import sys

import numpy as np
import pikepdf
from pikepdf import Array, Dictionary, Name


def write_pnm(path, pixels):
    pixels = np.asarray(pixels, dtype=np.uint8)
    height, width = pixels.shape[:2]
    magic = b"P6" if pixels.ndim == 3 else b"P5"
    with open(path, "wb") as out:
        out.write(magic + b"\n%d %d\n255\n" % (width, height))
        out.write(pixels.tobytes())


def gradient_picture(width, height):
    """Smooth colours with a few hard edges, so that a shifted or swapped picture shows."""
    y, x = np.mgrid[0:height, 0:width]
    red = (x * 255 // max(1, width - 1))
    green = (y * 255 // max(1, height - 1))
    blue = np.where((x // 10 + y // 10) % 2 == 0, 40, 220)
    return np.stack([red, green, blue], axis=-1).astype(np.uint8)


def flat_picture(width, height, colour):
    picture = np.zeros((height, width, 3), dtype=np.uint8)
    picture[:, :] = colour
    return picture


def disc_mask(width, height):
    """White (opaque) inside an ellipse, black outside: no partial opacity, so both renderings
    agree away from the edge."""
    y, x = np.mgrid[0:height, 0:width]
    inside = ((x + 0.5 - width / 2) / (width / 2)) ** 2 + ((y + 0.5 - height / 2) / (height / 2)) ** 2 <= 0.8
    return np.where(inside, 255, 0).astype(np.uint8)


def ring_stencil(size):
    y, x = np.mgrid[0:size, 0:size]
    r = np.hypot(x + 0.5 - size / 2, y + 0.5 - size / 2)
    return np.where((r > size * 0.2) & (r < size * 0.45), 255, 0).astype(np.uint8)


class Drawing:
    def __init__(self, folder, name):
        self.folder = folder
        self.name = name
        self.calls = []
        self.content = []
        self.box = None
        self.pdf = pikepdf.new()
        self.xobjects = Dictionary()
        self.colour_spaces = Dictionary()
        self.images = {}
        self.picture_count = 0
        self.current = (0.0, 0.0)

    # -- calls that are the same in both forms --

    def page(self, x1, y1, x2, y2):
        self.box = [x1, y1, x2, y2]
        self.calls.append("page %s %s %s %s" % tuple(fmt(v) for v in self.box))

    def op(self, name, *numbers):
        text = " ".join(fmt(v) for v in numbers)
        self.calls.append((name + " " + text).strip())
        pdf_name = {"s": "S", "quad": None}.get(name, name)
        if name in ("m", "l"):
            self.current = numbers
        elif name in ("c",):
            self.current = numbers[4:6]
        elif name in ("v", "y"):
            self.current = numbers[2:4]
        if name == "quad":
            cx, cy = self.current
            x1, y1, x2, y2 = numbers
            cubic = (cx + (x1 - cx) * 2 / 3, cy + (y1 - cy) * 2 / 3, x1 + (x2 - x1) / 3, y1 + (y2 - y1) / 3, x2, y2)
            self.content.append(" ".join(fmt(v) for v in cubic) + " c")
            self.current = (x2, y2)
            return
        if name == "cm":
            self.content.append(text + " cm")
        elif name in ("W", "W*"):
            self.content.append(name + " n")
        else:
            self.content.append((text + " " + pdf_name).strip())

    def rect(self, x, y, w, h):
        self.op("m", x, y)
        self.op("l", x + w, y)
        self.op("l", x + w, y + h)
        self.op("l", x, y + h)
        self.op("h")

    def colour(self, text):
        self.calls.append("color " + text)
        words = text.split()
        if words[-1] == "setrgbcolor":
            r, g, b = words[:3]
            self.content.append("%s %s %s rg %s %s %s RG" % (r, g, b, r, g, b))
        elif words[-1] == "setgray":
            self.content.append("%s g %s G" % (words[0], words[0]))
        elif words[-1] == "setcmykcolor":
            values = " ".join(words[:4])
            self.content.append("%s k %s K" % (values, values))
        elif words[-1] == "setcustomcolor":
            c, m, y, k = (float(v) for v in words[:4])
            colorant = text[text.index("(") + 1:text.index(")")]
            tint = words[-2]
            key = "CS" + colorant
            if Name("/" + key) not in self.colour_spaces:
                function = Dictionary(FunctionType=2, Domain=Array([0, 1]), C0=Array([0, 0, 0, 0]),
                                      C1=Array([c, m, y, k]), N=1)
                self.colour_spaces[Name("/" + key)] = Array([Name.Separation, Name("/" + colorant),
                                                            Name.DeviceCMYK, function])
            self.content.append("/%s cs %s scn /%s CS %s SCN" % (key, tint, key, tint))
        else:
            raise ValueError(text)

    def image(self, name, picture, mask=None, stencil=False):
        """picture: an (h, w, 3) array, or for a stencil an (h, w) array whose light pixels paint."""
        index = self.picture_count
        self.picture_count += 1
        picture_file = "%s-image%d.%s" % (self.name, index, "pgm" if stencil else "ppm")
        write_pnm(os.path.join(self.folder, picture_file), picture)
        line = "image %s %s" % (name, picture_file)
        key = (name, picture_file) if name == "-" else name
        if key not in self.images:
            height, width = picture.shape[:2]
            if stencil:
                painted = np.asarray(picture) > 127
                # PDF stencils paint their 0 samples.
                bits = np.packbits(~painted, axis=1)
                stream = pikepdf.Stream(self.pdf, bits.tobytes())
                stream.ImageMask = True
                stream.BitsPerComponent = 1
            else:
                stream = pikepdf.Stream(self.pdf, np.asarray(picture, dtype=np.uint8).tobytes())
                stream.ColorSpace = Name.DeviceRGB
                stream.BitsPerComponent = 8
            stream.Type = Name.XObject
            stream.Subtype = Name.Image
            stream.Width = width
            stream.Height = height
            if mask is not None:
                mask_file = "%s-mask%d.pgm" % (self.name, index)
                write_pnm(os.path.join(self.folder, mask_file), mask)
                soft = pikepdf.Stream(self.pdf, np.asarray(mask, dtype=np.uint8).tobytes())
                soft.Type = Name.XObject
                soft.Subtype = Name.Image
                soft.Width = mask.shape[1]
                soft.Height = mask.shape[0]
                soft.ColorSpace = Name.DeviceGray
                soft.BitsPerComponent = 8
                stream.SMask = self.pdf.make_indirect(soft)
                self.images[key] = ("Im%d" % index, mask_file)
            else:
                self.images[key] = ("Im%d" % index, None)
            self.xobjects[Name("/Im%d" % index)] = self.pdf.make_indirect(stream)
        xobject, mask_file = self.images[key]
        if mask_file:
            line += " mask " + mask_file
        if stencil:
            line += " stencil"
        self.calls.append(line)
        self.content.append("/%s Do" % xobject)

    def save(self):
        with open(os.path.join(self.folder, self.name + ".calls"), "w") as out:
            out.write("\n".join(self.calls) + "\n")
        resources = Dictionary()
        if len(self.xobjects):
            resources.XObject = self.xobjects
        if len(self.colour_spaces):
            resources.ColorSpace = self.colour_spaces
        contents = pikepdf.Stream(self.pdf, ("\n".join(self.content) + "\n").encode())
        page = pikepdf.Page(Dictionary(Type=Name.Page, MediaBox=Array(self.box), Resources=resources,
                                       Contents=self.pdf.make_indirect(contents)))
        self.pdf.pages.append(page)
        self.pdf.save(os.path.join(self.folder, self.name + ".pdf"), static_id=True)


def fmt(value):
    text = ("%.4f" % value).rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


def paths(folder):
    d = Drawing(folder, "paths")
    d.page(0, 0, 240, 160)
    # Pure green first: a writer that assumes some colour is already set leaves it out.
    d.colour("0 1 0 setrgbcolor")
    d.op("n")
    d.rect(10, 10, 60, 40)
    d.op("f")
    d.colour("0.8 0.1 0.1 setrgbcolor")
    d.op("w", 6)
    d.op("J", 1)
    d.op("j", 1)
    d.op("n")
    d.op("m", 90, 20)
    d.op("c", 110, 70, 140, -10, 170, 40)
    d.op("v", 190, 60, 220, 20)
    d.op("s")
    d.colour("0.1 0.2 0.7 setrgbcolor")
    d.op("w", 2)
    d.op("J", 0)
    d.op("j", 0)
    d.op("M", 10)
    d.op("n")
    d.op("m", 20, 70)
    d.op("y", 40, 120, 60, 70)
    d.op("quad", 80, 140, 100, 70)
    d.op("h")
    d.op("B")
    # Even-odd: the inner square stays empty.
    d.colour("0.3 setgray")
    d.op("n")
    d.rect(120, 70, 50, 50)
    d.rect(135, 85, 20, 20)
    d.op("f*")
    # A clip inside q/Q, and the colour stack across it.
    d.op("q")
    d.op("n")
    d.rect(180, 70, 30, 70)
    d.op("W")
    d.op("n")
    d.colour("0.9 0.6 0 setrgbcolor")
    d.op("cm", 1, 0, 0, 1, 10, 0)
    d.rect(160, 80, 70, 50)
    d.op("f")
    d.op("Q")
    d.op("n")
    d.rect(215, 130, 20, 20)
    d.op("f")
    d.save()


def colours(folder):
    d = Drawing(folder, "colours")
    d.page(0, 0, 200, 100)
    d.colour("0.2 0.4 0.6 setrgbcolor")
    d.op("n"); d.rect(5, 55, 40, 40); d.op("f")
    d.colour("0.5 setgray")
    d.op("n"); d.rect(55, 55, 40, 40); d.op("f")
    d.colour("0 0 0 1 setcmykcolor")
    d.op("n"); d.rect(105, 55, 40, 40); d.op("f")
    d.colour("0 0 0 0.5 setcmykcolor")
    d.op("n"); d.rect(155, 55, 40, 40); d.op("f")
    d.colour("0 0 0 1 (Ink) findcmykcustomcolor 1 setcustomcolor")
    d.op("n"); d.rect(5, 5, 40, 40); d.op("f")
    d.colour("0 0 0 1 (Ink) findcmykcustomcolor 0.4 setcustomcolor")
    d.op("n"); d.rect(55, 5, 40, 40); d.op("f")
    d.colour("0 0 0 0.8 (Shade) findcmykcustomcolor 0.5 setcustomcolor")
    d.op("n"); d.rect(105, 5, 40, 40); d.op("f")
    d.save()


def images(folder):
    d = Drawing(folder, "images")
    d.page(0, 0, 240, 160)
    # Stripes under everything, so that transparent parts show what lies beneath.
    for i in range(12):
        d.colour("0.2 0.6 0.9 setrgbcolor" if i % 2 else "1 0.9 0.2 setrgbcolor")
        d.op("n"); d.rect(i * 20, 0, 20, 160); d.op("f")
    picture = gradient_picture(100, 50)
    d.op("q"); d.op("cm", 100, 0, 0, 50, 10, 100); d.image("12.0.R", picture); d.op("Q")
    # The same name again: defined once, drawn twice.
    d.op("q"); d.op("cm", 50, 0, 0, 25, 130, 125); d.image("12.0.R", picture); d.op("Q")
    # A soft-masked image: only the disc covers the stripes.
    d.op("q"); d.op("cm", 100, 0, 0, 50, 10, 40); d.image("7/0(R)", picture, mask=disc_mask(100, 50)); d.op("Q")
    # Two images without a name and with different pixels.
    d.op("q"); d.op("cm", 30, 0, 0, 30, 130, 80); d.image("-", flat_picture(8, 8, (200, 30, 30))); d.op("Q")
    d.op("q"); d.op("cm", 30, 0, 0, 30, 170, 80); d.image("-", flat_picture(8, 8, (30, 160, 30))); d.op("Q")
    # A stencil paints in the current colour.
    d.colour("0.5 0 0.5 setrgbcolor")
    d.op("q"); d.op("cm", 64, 0, 0, 64, 140, 5); d.image("Ring", ring_stencil(64), stencil=True); d.op("Q")
    # A named image drawn again while a grey colour is current.
    d.colour("0.3 setgray")
    d.op("n"); d.rect(210, 140, 25, 15); d.op("f")
    d.op("q"); d.op("cm", 25, 0, 0, 12, 210, 115); d.image("12.0.R", picture); d.op("Q")
    # An image outside any q/Q, then the colour from before it.
    d.op("cm", 25, 0, 0, 25, 210, 80)
    d.image("-", flat_picture(4, 4, (20, 20, 200)))
    d.op("cm", 0.04, 0, 0, 0.04, -8.4, -3.2)
    d.colour("0.3 setgray")
    d.op("n"); d.rect(210, 50, 25, 20); d.op("f")
    d.save()


def box(folder):
    """A page box off the integer grid, painted to its edges."""
    d = Drawing(folder, "box")
    d.page(1.5, 2.5, 120.5, 80.25)
    d.colour("0.4 0.4 0.4 setrgbcolor")
    d.op("n"); d.rect(1.5, 2.5, 119, 77.75); d.op("f")
    d.save()


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for make in (paths, colours, images, box):
        make(folder)


if __name__ == "__main__":
    main()
