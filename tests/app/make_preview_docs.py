#!/usr/bin/python3
"""Documents for the desktop program's preview tests, written into the folder given:

three-pages.pdf   A4, three pages, each with its number in large type and a coloured band
small-page.pdf    one page of 200 by 150 points (fits the preview at 100 %)
locked.pdf        small-page.pdf encrypted (AES, user password "user")
damaged-page.pdf  opens and counts one page, but the page claims a size no renderer can draw
"""
import sys
import zlib
from pathlib import Path

import pikepdf
from reportlab.lib.pagesizes import A4
from reportlab.pdfgen import canvas

BANDS = [(0.85, 0.2, 0.2), (0.2, 0.6, 0.25), (0.2, 0.35, 0.85)]


def three_pages(path):
    c = canvas.Canvas(str(path), pagesize=A4)
    width, height = A4
    for number, band in enumerate(BANDS, start=1):
        c.setFillColorRGB(*band)
        c.rect(40, height - 160, width - 80, 100, fill=1, stroke=0)
        c.setFillColorRGB(0, 0, 0)
        c.setFont("Helvetica-Bold", 160)
        c.drawCentredString(width / 2, height / 2 - 60, str(number))
        c.setFont("Helvetica", 18)
        c.drawCentredString(width / 2, 80, "Page %d of %d" % (number, len(BANDS)))
        c.showPage()
    c.save()


def small_page(path):
    c = canvas.Canvas(str(path), pagesize=(200, 150))
    c.setFillColorRGB(0.9, 0.6, 0.1)
    c.rect(10, 10, 180, 130, fill=1, stroke=0)
    c.setFillColorRGB(0, 0, 0)
    c.setFont("Helvetica", 20)
    c.drawString(30, 65, "small page")
    c.showPage()
    c.save()


def damaged_page(path):
    """A well-formed file whose only page is 200000 points square, with undecodable content."""
    garbage = b"this is not deflated data" * 4
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200000 200000] /Contents 4 0 R >>",
        b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(garbage) + garbage + b"\nendstream",
    ]
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for number, body in enumerate(objects, start=1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    Path(path).write_bytes(bytes(out))


def main():
    folder = Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    three_pages(folder / "three-pages.pdf")
    small_page(folder / "small-page.pdf")
    damaged_page(folder / "damaged-page.pdf")
    with pikepdf.open(folder / "small-page.pdf") as pdf:
        pdf.save(folder / "locked.pdf", encryption=pikepdf.Encryption(user="user", owner="owner", R=4, aes=True))


if __name__ == "__main__":
    main()
