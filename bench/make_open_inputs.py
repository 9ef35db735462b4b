#!/usr/bin/env python3
"""Writes the inputs of the document-opening benchmark into a folder.

Usage: make_open_inputs.py FOLDER

  one-page-3mb.pdf     one page that shows a ~3 MB image stream
  book-352.pdf         352 pages of text in chapters, with outlines and page labels,
                       rewritten by qpdf with object streams as modern producers write
  pages-2000.pdf       2,000 and 10,000 small pages in a page tree of 50-kid nodes,
  pages-10000.pdf      rewritten by qpdf with object streams
  book-352-aes256.pdf  the book encrypted by qpdf with AES-256, empty user password

Files are written under temporary names and renamed, so a folder that holds all of them is
complete. The output is reproducible.
"""
import os
import random
import subprocess
import sys
import zlib

WORDS = ("the of and to in is that for it as with was on be by this are from at which or an "
         "document page extraction image text stream object reader chapter section figure table "
         "version structure content printed margin paragraph column index").split()


class Writer:
    def __init__(self):
        self.objects = []

    def reserve(self):
        self.objects.append(None)
        return len(self.objects)

    def set(self, number, body):
        self.objects[number - 1] = body

    def add(self, body):
        self.objects.append(body)
        return len(self.objects)

    def stream(self, dictionary, data, compress=True):
        if compress:
            data = zlib.compress(data, 6)
            dictionary += b" /Filter /FlateDecode"
        return self.add(b"<< " + dictionary + b" /Length %d >>\nstream\n" % len(data) + data + b"\nendstream")

    def output(self, root, info=None):
        out = bytearray(b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n")
        offsets = []
        for number, body in enumerate(self.objects, 1):
            offsets.append(len(out))
            out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
        xref = len(out)
        out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(self.objects) + 1)
        for offset in offsets:
            out += b"%010d 00000 n \n" % offset
        extra = b" /Info %d 0 R" % info if info else b""
        out += b"trailer\n<< /Size %d /Root %d 0 R%s >>\nstartxref\n%d\n%%%%EOF\n" % (
            len(self.objects) + 1, root, extra, xref)
        return bytes(out)


def page_tree(writer, pages_number, page_numbers, fan_out=50):
    """Groups the pages under intermediate nodes of fan_out kids below the root node."""
    nodes = []
    for start in range(0, len(page_numbers), fan_out):
        group = page_numbers[start:start + fan_out]
        node = writer.reserve()
        for page in group:
            writer.set(page, writer.objects[page - 1].replace(b"/Parent 0 0 R", b"/Parent %d 0 R" % node))
        writer.set(node, b"<< /Type /Pages /Parent %d 0 R /Count %d /Kids [%s] >>"
                   % (pages_number, len(group), b" ".join(b"%d 0 R" % p for p in group)))
        nodes.append(node)
    writer.set(pages_number, b"<< /Type /Pages /Count %d /Kids [%s] >>"
               % (len(page_numbers), b" ".join(b"%d 0 R" % n for n in nodes)))


def add_page(writer, content_number, resources):
    return writer.add(b"<< /Type /Page /Parent 0 0 R /MediaBox [0 0 612 792] /Contents %d 0 R"
                      b" /Resources %s >>" % (content_number, resources))


def info(writer, title):
    return writer.add(b"<< /Title (%s) /Producer (make_open_inputs.py) /CreationDate (D:20240101000000Z) >>" % title)


def one_page_big_stream():
    writer = Writer()
    pages = writer.reserve()
    side = 1024  # 1024 x 1024 RGB: 3 MB of pixels that do not compress
    pixels = random.Random(3).randbytes(side * side * 3)
    image = writer.stream(b"/Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceRGB"
                          b" /BitsPerComponent 8" % (side, side), pixels, compress=False)
    content = writer.stream(b"", b"q 540 0 0 540 36 126 cm /Im1 Do Q")
    page = add_page(writer, content, b"<< /XObject << /Im1 %d 0 R >> >>" % image)
    page_tree(writer, pages, [page])
    catalog = writer.add(b"<< /Type /Catalog /Pages %d 0 R >>" % pages)
    return writer.output(catalog, info(writer, b"One page"))


def book_page_text(rng, number):
    lines = [b"BT /F1 10 Tf 12 TL 72 740 Td"]
    for _ in range(52):
        line = " ".join(rng.choice(WORDS) for _ in range(14))
        lines.append(b"(%s) '" % line.encode("latin-1"))
    lines.append(b"ET BT /F2 9 Tf 300 40 Td (%d) Tj ET" % number)
    return b"\n".join(lines)


def book(pages=352, chapter_pages=16):
    rng = random.Random(352)
    writer = Writer()
    pages_number = writer.reserve()
    fonts = (b"<< /Font << /F1 %d 0 R /F2 %d 0 R >> /ProcSet [/PDF /Text] >>"
             % (writer.add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman /Encoding /WinAnsiEncoding >>"),
                writer.add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>")))
    page_numbers = []
    for index in range(pages):
        content = writer.stream(b"", book_page_text(rng, index + 1))
        page_numbers.append(add_page(writer, content, fonts))
    page_tree(writer, pages_number, page_numbers, fan_out=10)
    outlines = writer.reserve()
    chapters = []
    for first in range(0, pages, chapter_pages):
        chapters.append(writer.add(b"<< /Title (Chapter %d) /Parent %d 0 R /Dest [%d 0 R /XYZ 0 792 null] >>"
                                   % (len(chapters) + 1, outlines, page_numbers[first])))
    for i, chapter in enumerate(chapters):
        links = b""
        if i > 0:
            links += b" /Prev %d 0 R" % chapters[i - 1]
        if i + 1 < len(chapters):
            links += b" /Next %d 0 R" % chapters[i + 1]
        writer.set(chapter, writer.objects[chapter - 1][:-2] + links + b" >>")
    writer.set(outlines, b"<< /Type /Outlines /First %d 0 R /Last %d 0 R /Count %d >>"
               % (chapters[0], chapters[-1], len(chapters)))
    labels = b"<< /Nums [0 << /S /r >> 8 << /S /D >>] >>"
    catalog = writer.add(b"<< /Type /Catalog /Pages %d 0 R /Outlines %d 0 R /PageLabels %s /PageMode /UseOutlines >>"
                         % (pages_number, outlines, labels))
    return writer.output(catalog, info(writer, b"A book"))


def many_pages(pages):
    writer = Writer()
    pages_number = writer.reserve()
    font = writer.add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>")
    page_numbers = []
    for index in range(pages):
        content = writer.stream(b"", b"BT /F1 12 Tf 72 720 Td (Page %d) Tj ET" % (index + 1))
        page_numbers.append(add_page(writer, content, b"<< /Font << /F1 %d 0 R >> >>" % font))
    page_tree(writer, pages_number, page_numbers)
    catalog = writer.add(b"<< /Type /Catalog /Pages %d 0 R >>" % pages_number)
    return writer.output(catalog)


def write(path, data):
    with open(path + ".part", "wb") as f:
        f.write(data)
    os.replace(path + ".part", path)


def qpdf(*arguments):
    # 3 is qpdf's "succeeded with warnings"
    done = subprocess.run(["qpdf", *arguments], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if done.returncode not in (0, 3):
        sys.exit("qpdf failed: " + done.stderr.decode(errors="replace"))


def rewritten(path, data, *options):
    write(path + ".raw", data)
    qpdf(*options, path + ".raw", path + ".part")
    os.remove(path + ".raw")
    os.replace(path + ".part", path)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    join = lambda name: os.path.join(folder, name)
    write(join("one-page-3mb.pdf"), one_page_big_stream())
    rewritten(join("book-352.pdf"), book(), "--object-streams=generate")
    for count in (2000, 10000):
        rewritten(join("pages-%d.pdf" % count), many_pages(count), "--object-streams=generate")
    qpdf("--encrypt", "", "owner", "256", "--", join("book-352.pdf"), join("book-352-aes256.pdf.part"))
    os.replace(join("book-352-aes256.pdf.part"), join("book-352-aes256.pdf"))


if __name__ == "__main__":
    main()
