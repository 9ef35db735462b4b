#!/usr/bin/env python3
"""Writes the bundled sample PDF: a few pages of text with embedded images of the three kinds
the image engine distinguishes (colour, grey, one-bit), plus one tiny colour image.

Usage: make_sample.py [--pages N] [--title TEXT] OUTPUT.pdf   (standard library only; output is reproducible)
"""
import argparse
import zlib

TEXT = [
    "Parchwise sample document",
    "This page carries plain text in two columns of words",
    "and a picture that the image run extracts.",
]


def colour_image(width, height, seed):
    rows = bytearray()
    for y in range(height):
        for x in range(width):
            rows += bytes(((x * 4 + seed) % 256, (y * 5) % 256, (x * y + seed * 7) % 256))
    return rows


def grey_image(width, height, seed):
    return bytes((x * 8 + y * 3 + seed) % 256 for y in range(height) for x in range(width))


def bit_image(width, height, seed):
    stride = (width + 7) // 8
    rows = bytearray()
    for y in range(height):
        for b in range(stride):
            rows.append(0xAA if (y // 4 + b + seed) % 2 else 0x55)
    return bytes(rows)


class Writer:
    def __init__(self):
        self.objects = []

    def add(self, body):
        self.objects.append(body)
        return len(self.objects)

    def stream(self, dictionary, data):
        packed = zlib.compress(data, 9)
        return self.add(b"<< " + dictionary + b" /Filter /FlateDecode /Length %d >>\nstream\n" % len(packed)
                        + packed + b"\nendstream")

    def output(self, root, info):
        out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
        offsets = []
        for number, body in enumerate(self.objects, 1):
            offsets.append(len(out))
            out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
        xref = len(out)
        out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(self.objects) + 1)
        for offset in offsets:
            out += b"%010d 00000 n \n" % offset
        out += b"trailer\n<< /Size %d /Root %d 0 R /Info %d 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
            len(self.objects) + 1, root, info, xref)
        return bytes(out)


def image_for_page(writer, index):
    kind = index % 3
    if kind == 0:
        return writer.stream(b"/Type /XObject /Subtype /Image /Width 64 /Height 48 /ColorSpace /DeviceRGB"
                             b" /BitsPerComponent 8", colour_image(64, 48, index))
    if kind == 1:
        return writer.stream(b"/Type /XObject /Subtype /Image /Width 32 /Height 32 /ColorSpace /DeviceGray"
                             b" /BitsPerComponent 8", grey_image(32, 32, index))
    return writer.stream(b"/Type /XObject /Subtype /Image /Width 40 /Height 32 /ImageMask false"
                         b" /ColorSpace /DeviceGray /BitsPerComponent 1", bit_image(40, 32, index))


def build(pages, title):
    writer = Writer()
    font = writer.add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>")
    tiny = writer.stream(b"/Type /XObject /Subtype /Image /Width 8 /Height 8 /ColorSpace /DeviceRGB"
                         b" /BitsPerComponent 8", colour_image(8, 8, 99))
    pages_number = len(writer.objects) + 2 * pages + pages + 1
    kids = []
    for index in range(pages):
        image = image_for_page(writer, index)
        lines = TEXT + ["Page %d of %d." % (index + 1, pages)]
        content = b"BT /F1 14 Tf 72 720 Td 18 TL\n"
        for line in lines:
            content += b"(" + line.encode("latin-1") + b") Tj T*\n"
        content += b"ET\nq 128 0 0 96 72 500 cm /Im1 Do Q\n"
        if index == 0:
            content += b"q 16 0 0 16 300 500 cm /Im2 Do Q\n"
        contents = writer.stream(b"", content)
        xobjects = b"/Im1 %d 0 R" % image + (b" /Im2 %d 0 R" % tiny if index == 0 else b"")
        kids.append(writer.add(b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] /Contents %d 0 R"
                               b" /Resources << /Font << /F1 %d 0 R >> /XObject << %s >> >> >>"
                               % (pages_number, contents, font, xobjects)))
    assert len(writer.objects) + 1 == pages_number
    writer.add(b"<< /Type /Pages /Count %d /Kids [%s] >>" % (pages, b" ".join(b"%d 0 R" % k for k in kids)))
    catalog = writer.add(b"<< /Type /Catalog /Pages %d 0 R >>" % pages_number)
    info = writer.add(b"<< /Title (" + title.encode("latin-1") + b") /Producer (make_sample.py) >>")
    return writer.output(catalog, info)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pages", type=int, default=3)
    parser.add_argument("--title", default="Parchwise sample")
    parser.add_argument("output")
    args = parser.parse_args()
    with open(args.output, "wb") as f:
        f.write(build(args.pages, args.title))


if __name__ == "__main__":
    main()
