#!/usr/bin/env python3
"""Writes resources/data/HeiseiKakuGo-W5.widths: the built-in widths of the Japanese gothic face
HeiseiKakuGo-W5, used when a document names that font without embedding it.

Layout: six records of 513 bytes, one per high byte of a 16-bit code, in the order 0x00, 0x20,
0x03, 0x01, 0xFB, 0xFF; each record is the high byte and then 256 big-endian 16-bit widths for
the low bytes 0..255, in thousandths of an em, 0 meaning "no entry". 3,078 bytes in all; the
build compresses it like every embedded resource.

Source of the widths (Debian 12 packages, read with fontTools):
  * codes 0x0000-0x03FF, 0x2000-0x20FF and 0xFB00-0xFBFF: the advance widths of Nimbus Sans
    Regular (fonts-urw-base35, metric-compatible with Helvetica, the proportional Latin of the
    gothic face) for the character of that Unicode value; the spaces U+2000-U+200A that it
    lacks take the widths their Unicode definitions give (en quad and en space half an em, em
    quad and em space a full em, three-, four- and six-per-em spaces, thin and hair spaces);
  * codes 0xFF00-0xFFFF: the advance widths of IPAGothic (fonts-ipafont-gothic) for the full-
    and half-width forms.
Codes neither font maps stay 0.

Run with the Debian python3 that has fontTools:
    /usr/bin/python3 tools/make_heisei_widths.py
"""

import os
import struct

from fontTools.ttLib import TTFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LATIN_FONT = "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf"
JAPANESE_FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"
OUTPUT = os.path.join(ROOT, "resources", "data", "HeiseiKakuGo-W5.widths")
HIGH_BYTES = (0x00, 0x20, 0x03, 0x01, 0xFB, 0xFF)

# The widths of the typographic spaces by their Unicode definitions, in thousandths of an em.
DEFINED_SPACES = {0x2000: 500, 0x2001: 1000, 0x2002: 500, 0x2003: 1000, 0x2004: 333,
                  0x2005: 250, 0x2006: 167, 0x2009: 200, 0x200A: 100}


def advance_widths(path):
    """Unicode value -> advance width in thousandths of an em."""
    font = TTFont(path)
    scale = 1000.0 / font["head"].unitsPerEm
    metrics = font["hmtx"].metrics
    return {code: int(round(metrics[name][0] * scale)) for code, name in font.getBestCmap().items()}


def width_of(code, latin, japanese):
    if code >> 8 == 0xFF:
        return japanese.get(code, 0)
    if code in latin:
        return latin[code]
    return DEFINED_SPACES.get(code, 0)


def main():
    latin = advance_widths(LATIN_FONT)
    japanese = advance_widths(JAPANESE_FONT)
    table = bytearray()
    for high in HIGH_BYTES:
        table.append(high)
        for low in range(256):
            table += struct.pack(">H", width_of(high << 8 | low, latin, japanese))
    assert len(table) == 3078
    with open(OUTPUT, "wb") as out:
        out.write(table)


if __name__ == "__main__":
    main()
