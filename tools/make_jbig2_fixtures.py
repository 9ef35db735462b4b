#!/usr/bin/python3
"""Writes the JBIG2 fixtures of the JBIG2 decoder tests.

The JBIG2 data is encoded here, following ITU-T T.88: the MQ arithmetic encoder (Annex E),
the integer encoders (Annex A), generic, refinement, symbol dictionary, text region, pattern
dictionary and halftone region segments, and the standard Huffman tables (Annex B). MMR data
comes from Pillow's Group 4 TIFF writer with the TIFF wrapper removed.

Every fixture is decoded with the installed jbig2dec; it is written only when jbig2dec yields
the bitmap the encoder meant, and jbig2dec's PBM output becomes the expected result.

For a fixture NAME the folder gets NAME.jb2 (the page's segments), NAME.globals.jb2 (the
global segments, when there are any) and NAME.pbm. README.txt lists what each fixture
exercises. A few fixtures are also wrapped as image XObjects into PDFs in pdf/, checked with
pdfimages.

Usage: make_jbig2_fixtures.py [--out FOLDER] [--bench FOLDER] [--only WORD]
  --out    the fixture folder (default tests/pdf/images/JBIG2Fixtures next to this tool)
  --bench  also writes the large benchmark inputs into FOLDER (not committed): 2,480 x 3,508
           pages of a generic region, of a dictionary and text region, and of a halftone
  --only   makes only the fixture groups whose function names contain WORD, keeping the
           folder's other files (for working on the maker)
"""
import argparse
import heapq
import io
import os
import shutil
import struct
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image, ImageDraw, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu"

# ---------------------------------------------------------------------------------------------
# MQ arithmetic encoder (T.88 Annex E)

# Qe, NMPS, NLPS, SWITCH for the 47 states of Table E.1.
QE_TABLE = [
    (0x5601, 1, 1, 1), (0x3401, 2, 6, 0), (0x1801, 3, 9, 0), (0x0AC1, 4, 12, 0),
    (0x0521, 5, 29, 0), (0x0221, 38, 33, 0), (0x5601, 7, 6, 1), (0x5401, 8, 14, 0),
    (0x4801, 9, 14, 0), (0x3801, 10, 14, 0), (0x3001, 11, 17, 0), (0x2401, 12, 18, 0),
    (0x1C01, 13, 20, 0), (0x1601, 29, 21, 0), (0x5601, 15, 14, 1), (0x5401, 16, 14, 0),
    (0x5101, 17, 15, 0), (0x4801, 18, 16, 0), (0x3801, 19, 17, 0), (0x3401, 20, 18, 0),
    (0x3001, 21, 19, 0), (0x2801, 22, 19, 0), (0x2401, 23, 20, 0), (0x2201, 24, 21, 0),
    (0x1C01, 25, 22, 0), (0x1801, 26, 23, 0), (0x1601, 27, 24, 0), (0x1401, 28, 25, 0),
    (0x1201, 29, 26, 0), (0x1101, 30, 27, 0), (0x0AC1, 31, 28, 0), (0x09C1, 32, 29, 0),
    (0x08A1, 33, 30, 0), (0x0521, 34, 31, 0), (0x0441, 35, 32, 0), (0x02A1, 36, 33, 0),
    (0x0221, 37, 34, 0), (0x0141, 38, 35, 0), (0x0111, 39, 36, 0), (0x0085, 40, 37, 0),
    (0x0049, 41, 38, 0), (0x0025, 42, 39, 0), (0x0015, 43, 40, 0), (0x0009, 44, 41, 0),
    (0x0005, 45, 42, 0), (0x0001, 45, 43, 0), (0x5601, 46, 46, 0),
]
QE = [t[0] for t in QE_TABLE]
NMPS = [t[1] for t in QE_TABLE]
NLPS = [t[2] for t in QE_TABLE]
SWITCH = [t[3] for t in QE_TABLE]


class Contexts:
    """One set of coding contexts: a state index and an MPS per context."""

    def __init__(self, bits):
        self.size = 1 << bits
        self.state = bytearray(self.size)
        self.mps = bytearray(self.size)


class MQEncoder:
    def __init__(self):
        self.a = 0x8000
        self.c = 0
        self.ct = 12
        # buf[0] stands for the byte before the first output byte; it is dropped at the end.
        self.buf = bytearray([0])

    def encode(self, cx, ctx, bit):
        self.encode_many(cx, (ctx,), (bit,))

    def encode_many(self, cx, ctxs, bits):
        a, c, ct, buf = self.a, self.c, self.ct, self.buf
        state, mpsv = cx.state, cx.mps
        for ctx, d in zip(ctxs, bits):
            i = state[ctx]
            qe = QE[i]
            a -= qe
            if d == mpsv[ctx]:
                if a & 0x8000:
                    c += qe
                    continue
                if a < qe:
                    a = qe
                else:
                    c += qe
                state[ctx] = NMPS[i]
            else:
                if a < qe:
                    c += qe
                else:
                    a = qe
                if SWITCH[i]:
                    mpsv[ctx] ^= 1
                state[ctx] = NLPS[i]
            while True:
                a <<= 1
                c <<= 1
                ct -= 1
                if ct == 0:
                    b = buf[-1]
                    if b == 0xFF:
                        buf.append(c >> 20)
                        c &= 0xFFFFF
                        ct = 7
                    elif c < 0x8000000:
                        buf.append(c >> 19)
                        c &= 0x7FFFF
                        ct = 8
                    else:
                        buf[-1] = b + 1
                        if b + 1 == 0xFF:
                            c &= 0x7FFFFFF
                            buf.append(c >> 20)
                            c &= 0xFFFFF
                            ct = 7
                        else:
                            buf.append((c >> 19) & 0xFF)
                            c &= 0x7FFFF
                            ct = 8
                if a & 0x8000:
                    break
        self.a, self.c, self.ct = a, c, ct

    def _byteout(self):
        buf = self.buf
        b = buf[-1]
        if b == 0xFF:
            buf.append(self.c >> 20)
            self.c &= 0xFFFFF
            self.ct = 7
        elif self.c < 0x8000000:
            buf.append(self.c >> 19)
            self.c &= 0x7FFFF
            self.ct = 8
        else:
            buf[-1] = b + 1
            if b + 1 == 0xFF:
                self.c &= 0x7FFFFFF
                buf.append(self.c >> 20)
                self.c &= 0xFFFFF
                self.ct = 7
            else:
                buf.append((self.c >> 19) & 0xFF)
                self.c &= 0x7FFFF
                self.ct = 8

    def flush(self):
        """Ends the code (SETBITS, two bytes out) and appends the 0xFF 0xAC marker."""
        temp = self.c + self.a
        self.c |= 0xFFFF
        if self.c >= temp:
            self.c -= 0x8000
        self.c <<= self.ct
        self._byteout()
        self.c <<= self.ct
        self._byteout()
        if self.buf[-1] != 0xFF:
            self.buf.append(0xFF)
        self.buf.append(0xAC)
        return bytes(self.buf[1:])


class IntContexts:
    """The context sets of the integer encoders (T.88 Annex A)."""

    NAMES = ("IADH", "IADW", "IAEX", "IAAI", "IADT", "IAIT", "IAFS", "IADS", "IARDX", "IARDY",
             "IARDW", "IARDH", "IARI")

    def __init__(self, symcodelen):
        for n in self.NAMES:
            setattr(self, n, Contexts(9))
        self.codelen = symcodelen
        self.IAID = Contexts(symcodelen + 1)


def encode_int(mq, cx, value):
    """IAx: value None is the out-of-band value."""
    if value is None:
        bits = [1, 0, 0, 0]
    else:
        s = 1 if value < 0 else 0
        m = abs(value)
        for prefix, nbits, low in (([0], 2, 0), ([1, 0], 4, 4), ([1, 1, 0], 6, 20),
                                   ([1, 1, 1, 0], 8, 84), ([1, 1, 1, 1, 0], 12, 340),
                                   ([1, 1, 1, 1, 1], 32, 4436)):
            if m - low < (1 << nbits):
                v = m - low
                bits = [s] + prefix + [(v >> (nbits - 1 - k)) & 1 for k in range(nbits)]
                break
    prev = 1
    for b in bits:
        mq.encode(cx, prev, b)
        if prev < 256:
            prev = (prev << 1) | b
        else:
            prev = (((prev << 1) | b) & 511) | 256


def encode_iaid(mq, cx, codelen, value):
    prev = 1
    for k in range(codelen - 1, -1, -1):
        b = (value >> k) & 1
        mq.encode(cx, prev, b)
        prev = (prev << 1) | b


def code_length(count):
    n = 0
    while (1 << n) < count:
        n += 1
    return n


# ---------------------------------------------------------------------------------------------
# Context templates

GEN_BITS = {0: 16, 1: 13, 2: 10, 3: 10}
GEN_FIXED = {
    0: [(-1, -2), (0, -2), (1, -2), (-2, -1), (-1, -1), (0, -1), (1, -1), (2, -1),
        (-4, 0), (-3, 0), (-2, 0), (-1, 0)],
    1: [(-1, -2), (0, -2), (1, -2), (2, -2), (-2, -1), (-1, -1), (0, -1), (1, -1), (2, -1),
        (-3, 0), (-2, 0), (-1, 0)],
    2: [(-1, -2), (0, -2), (1, -2), (-2, -1), (-1, -1), (0, -1), (1, -1), (-2, 0), (-1, 0)],
    3: [(-3, -1), (-2, -1), (-1, -1), (0, -1), (1, -1), (-4, 0), (-3, 0), (-2, 0), (-1, 0)],
}
GEN_DEFAULT_AT = {0: [(3, -1), (-3, -1), (2, -2), (-2, -2)], 1: [(3, -1)], 2: [(2, -1)],
                  3: [(2, -1)]}
# The contexts of TPGDON's SLTP bit in the bit order above; for template 3 the AT pixel is
# part of it (0x018B), as jbig2dec decodes.
GEN_TP_CONTEXT = {0: 0x3953, 1: 0x079A, 2: 0x00E3, 3: 0x018B}


def shifted(img, dx, dy):
    """Array whose (y, x) is img's pixel (x + dx, y + dy), 0 outside img."""
    h, w = img.shape
    out = np.zeros((h, w), np.uint32)
    x0, x1 = max(0, -dx), min(w, w - dx)
    y0, y1 = max(0, -dy), min(h, h - dy)
    if x0 < x1 and y0 < y1:
        out[y0:y1, x0:x1] = img[y0 + dy:y1 + dy, x0 + dx:x1 + dx]
    return out


def generic_context_array(img, template, at):
    ctx = np.zeros(img.shape, np.uint32)
    for dx, dy in GEN_FIXED[template] + list(at):
        ctx = (ctx << 1) | shifted(img, dx, dy)
    return ctx


def generic_encode(mq, cx, img, template, at=None, tpgdon=False, skip=None):
    """Generic region coding of img (T.88 6.2) into mq with the context set cx."""
    at = GEN_DEFAULT_AT[template] if at is None else at
    img = np.ascontiguousarray(img, np.uint8)
    ctx = generic_context_array(img, template, at)
    h = img.shape[0]
    ltp = 0
    prev_row = np.zeros(img.shape[1], np.uint8)
    for y in range(h):
        if tpgdon:
            typical = 1 if np.array_equal(img[y], prev_row) else 0
            mq.encode(cx, GEN_TP_CONTEXT[template], typical ^ ltp)
            ltp = typical
            prev_row = img[y]
            if ltp:
                continue
        if skip is not None:
            keep = skip[y] == 0
            mq.encode_many(cx, ctx[y][keep].tolist(), img[y][keep].tolist())
        else:
            mq.encode_many(cx, ctx[y].tolist(), img[y].tolist())


# Refinement templates: pixels of the new bitmap, then of the reference, then AT1 (new) and
# AT2 (reference).
REF_NEW = {0: [(0, -1), (1, -1), (-1, 0)], 1: [(-1, -1), (0, -1), (1, -1), (-1, 0)]}
REF_REF = {0: [(0, -1), (1, -1), (-1, 0), (0, 0), (1, 0), (-1, 1), (0, 1), (1, 1)],
           1: [(0, -1), (-1, 0), (0, 0), (1, 0), (0, 1), (1, 1)]}
REF_DEFAULT_AT = [(-1, -1), (-1, -1)]
# TPGRON's SLTP bit is coded in the context whose only set pixel is the reference pixel at
# (x, y) for template 0 and at (x + 1, y) for template 1, in the bit order above (jbig2dec
# decodes it so).
REF_TP_CONTEXT = {0: 0x0040, 1: 0x0004}


def reference_view(ref, shape, dx, dy):
    """Array of the new bitmap's shape whose (y, x) is ref's pixel (x - dx, y - dy)."""
    h, w = shape
    rh, rw = ref.shape
    big = np.zeros((h, w), np.uint8)
    x0, x1 = max(0, dx), min(w, rw + dx)
    y0, y1 = max(0, dy), min(h, rh + dy)
    if x0 < x1 and y0 < y1:
        big[y0:y1, x0:x1] = ref[y0 - dy:y1 - dy, x0 - dx:x1 - dx]
    return big


def refinement_encode(mq, cx, img, ref, template, dx=0, dy=0, at=None, tpgron=False):
    """Generic refinement coding of img against ref (T.88 6.3)."""
    at = REF_DEFAULT_AT if at is None else at
    img = np.ascontiguousarray(img, np.uint8)
    h, w = img.shape
    # the reference seen in the new bitmap's coordinates, with a margin for the template
    m = 2 + max(abs(v) for p in at for v in p)
    refw = reference_view(ref, (h + 2 * m, w + 2 * m), dx + m, dy + m)

    def rpix(ox, oy):
        return refw[m + oy:m + oy + h, m + ox:m + ox + w].astype(np.uint32)

    ctx = np.zeros((h, w), np.uint32)
    for ox, oy in REF_NEW[template]:
        ctx = (ctx << 1) | shifted(img, ox, oy)
    for ox, oy in REF_REF[template]:
        ctx = (ctx << 1) | rpix(ox, oy)
    if template == 0:
        ctx = (ctx << 1) | shifted(img, at[0][0], at[0][1])
        ctx = (ctx << 1) | rpix(at[1][0], at[1][1])
    if tpgron:
        nb = sum(rpix(ox, oy) for oy in (-1, 0, 1) for ox in (-1, 0, 1))
        uniform = (nb == 0) | (nb == 9)
        uval = (nb == 9).astype(np.uint8)
    ltp = 0
    for y in range(h):
        if tpgron:
            typical = 1 if np.array_equal(img[y][uniform[y]], uval[y][uniform[y]]) else 0
            mq.encode(cx, REF_TP_CONTEXT[template], typical ^ ltp)
            ltp = typical
            if ltp:
                keep = ~uniform[y]
                mq.encode_many(cx, ctx[y][keep].tolist(), img[y][keep].tolist())
                continue
        mq.encode_many(cx, ctx[y].tolist(), img[y].tolist())


# ---------------------------------------------------------------------------------------------
# MMR data from Pillow's Group 4 TIFF writer


def mmr_encode(img):
    """T.6 coded rows of img (1 = black), ending with EOFB, padded to a byte."""
    h, w = img.shape
    # Pillow's Group 4 writer codes the set pixels of a mode "1" image as T.6 black runs.
    im = Image.fromarray((img * 255).astype(np.uint8)).convert("1")
    out = io.BytesIO()
    im.save(out, "TIFF", compression="group4", tiffinfo={278: h})
    data = out.getvalue()
    endian = "<" if data[:2] == b"II" else ">"
    (ifd,) = struct.unpack(endian + "I", data[4:8])
    (count,) = struct.unpack(endian + "H", data[ifd:ifd + 2])
    tags = {}
    for k in range(count):
        e = data[ifd + 2 + 12 * k:ifd + 14 + 12 * k]
        tag, typ, n = struct.unpack(endian + "HHI", e[:8])
        if typ == 3 and n == 1:
            val = struct.unpack(endian + "H", e[8:10])[0]
        elif typ == 4 and n == 1:
            val = struct.unpack(endian + "I", e[8:12])[0]
        else:
            val = None
        tags[tag] = (n, val)
    if tags[273][0] != 1:
        raise RuntimeError("Group 4 data in more than one strip")
    off, size = tags[273][1], tags[279][1]
    return data[off:off + size]


# ---------------------------------------------------------------------------------------------
# Huffman coding (T.88 Annex B)

LOWER, UPPER, OOB = "lower", "upper", "oob"


class HuffmanTable:
    """Rows (prefix length, range length, range low, kind); kind is None for a plain range row,
    LOWER, UPPER or OOB. Codes are assigned as T.88 B.3 does."""

    def __init__(self, rows):
        self.rows = [r if len(r) == 4 else tuple(r) + (None,) for r in rows]
        self.codes = assign_codes([r[0] for r in self.rows])

    def encode(self, bw, value):
        for (plen, rlen, low, kind), code in zip(self.rows, self.codes):
            if plen == 0:
                continue
            if kind == OOB:
                if value is None:
                    bw.write(code, plen)
                    return
                continue
            if value is None:
                continue
            if kind == LOWER:
                if value <= low:
                    bw.write(code, plen)
                    bw.write(low - value, 32)
                    return
            elif kind == UPPER:
                if value >= low:
                    bw.write(code, plen)
                    bw.write(value - low, 32)
                    return
            elif low <= value < low + (1 << rlen):
                bw.write(code, plen)
                bw.write(value - low, rlen)
                return
        raise ValueError("value %r not in the table (%s)" % (value, self.rows[0]))


def assign_codes(lengths):
    codes = [None] * len(lengths)
    first = 0
    count_prev = 0
    for cur in range(1, max(lengths + [0]) + 1):
        first = (first + count_prev) << 1
        code = first
        count_prev = 0
        for i, n in enumerate(lengths):
            if n == cur:
                codes[i] = code
                code += 1
                count_prev += 1
    return codes


def _std(rows, lower=None, upper=None, oob=None):
    out = list(rows)
    if lower:
        out.append((lower[0], 32, lower[1], LOWER))
    if upper:
        out.append((upper[0], 32, upper[1], UPPER))
    if oob:
        out.append((oob, 0, 0, OOB))
    return HuffmanTable(out)


STD = {
    1: _std([(1, 4, 0), (2, 8, 16), (3, 16, 272)], upper=(3, 65808)),
    2: _std([(1, 0, 0), (2, 0, 1), (3, 0, 2), (4, 3, 3), (5, 6, 11)], upper=(6, 75), oob=6),
    3: _std([(8, 8, -256), (1, 0, 0), (2, 0, 1), (3, 0, 2), (4, 3, 3), (5, 6, 11)],
            lower=(8, -257), upper=(7, 75), oob=6),
    4: _std([(1, 0, 1), (2, 0, 2), (3, 0, 3), (4, 3, 4), (5, 6, 12)], upper=(5, 76)),
    5: _std([(7, 8, -256), (1, 0, 0), (2, 0, 1), (3, 0, 2), (4, 3, 3), (5, 6, 11)],
            lower=(7, -257), upper=(6, 75)),
    6: _std([(5, 10, -2048), (4, 9, -1024), (4, 8, -512), (4, 7, -256), (5, 6, -128),
             (5, 5, -64), (4, 5, -32), (2, 7, 0), (3, 7, 128), (3, 8, 256), (4, 9, 512),
             (4, 10, 1024)], lower=(6, -2049), upper=(6, 2048)),
    7: _std([(4, 9, -1024), (3, 8, -512), (4, 7, -256), (5, 6, -128), (5, 5, -64),
             (4, 5, -32), (4, 5, 0), (5, 5, 32), (5, 6, 64), (4, 7, 128), (3, 8, 256),
             (3, 9, 512), (3, 10, 1024)], lower=(5, -1025), upper=(5, 2048)),
    8: _std([(8, 3, -15), (9, 1, -7), (8, 1, -5), (9, 0, -3), (7, 0, -2), (4, 0, -1),
             (2, 1, 0), (5, 0, 2), (6, 0, 3), (3, 4, 4), (6, 1, 20), (4, 4, 22), (4, 5, 38),
             (5, 6, 70), (5, 7, 134), (6, 7, 262), (7, 8, 390), (6, 10, 646)],
            lower=(9, -16), upper=(9, 1670), oob=2),
    9: _std([(8, 4, -31), (9, 2, -15), (8, 2, -11), (9, 1, -7), (7, 1, -5), (4, 1, -3),
             (3, 1, -1), (3, 1, 1), (5, 1, 3), (6, 1, 5), (3, 5, 7), (6, 2, 39), (4, 5, 43),
             (4, 6, 75), (5, 7, 139), (5, 8, 267), (6, 8, 523), (7, 9, 779), (6, 11, 1291)],
            lower=(9, -32), upper=(9, 3339), oob=2),
    10: _std([(7, 4, -21), (8, 0, -5), (7, 0, -4), (5, 0, -3), (2, 2, -2), (5, 0, 2),
              (6, 0, 3), (7, 0, 4), (8, 0, 5), (2, 6, 6), (5, 5, 70), (6, 5, 102), (6, 6, 134),
              (6, 7, 198), (6, 8, 326), (6, 9, 582), (6, 10, 1094), (7, 11, 2118)],
             lower=(8, -22), upper=(8, 4166), oob=2),
    11: _std([(1, 0, 1), (2, 1, 2), (4, 0, 4), (4, 1, 5), (5, 1, 7), (5, 2, 9), (6, 2, 13),
              (7, 2, 17), (7, 3, 21), (7, 4, 29), (7, 5, 45), (7, 6, 77)], upper=(7, 141)),
    12: _std([(1, 0, 1), (2, 0, 2), (3, 1, 3), (5, 0, 5), (5, 1, 6), (6, 1, 8), (7, 0, 10),
              (7, 1, 11), (7, 2, 13), (7, 3, 17), (7, 4, 25), (8, 5, 41)], upper=(8, 73)),
    13: _std([(1, 0, 1), (3, 0, 2), (4, 0, 3), (5, 0, 4), (4, 1, 5), (3, 3, 7), (6, 1, 15),
              (6, 2, 17), (6, 3, 21), (6, 4, 29), (6, 5, 45), (7, 6, 77)], upper=(7, 141)),
    14: _std([(3, 0, -2), (3, 0, -1), (1, 0, 0), (3, 0, 1), (3, 0, 2)]),
    15: _std([(7, 4, -24), (6, 2, -8), (5, 1, -4), (4, 0, -2), (3, 0, -1), (1, 0, 0),
              (3, 0, 1), (4, 0, 2), (5, 1, 3), (6, 2, 5), (7, 4, 9)],
             lower=(7, -25), upper=(7, 25)),
}


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def write(self, value, nbits):
        for k in range(nbits - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> k) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                self.acc, self.n = 0, 0

    def align(self):
        if self.n:
            self.write(0, 8 - self.n)

    def write_bytes(self, data):
        assert self.n == 0
        self.out += data

    def getvalue(self):
        self.align()
        return bytes(self.out)


def huffman_lengths(weights, limit):
    """Code lengths of a Huffman code for the positive weights (0 weight: no code), each at
    most limit (lengths are flattened when the code grows deeper)."""
    used = [i for i, w in enumerate(weights) if w > 0]
    lengths = [0] * len(weights)
    if len(used) == 1:
        lengths[used[0]] = 1
        return lengths
    heap = [(weights[i], k, [i]) for k, i in enumerate(used)]
    heapq.heapify(heap)
    tie = len(heap)
    while len(heap) > 1:
        w1, _, a = heapq.heappop(heap)
        w2, _, b = heapq.heappop(heap)
        for i in a + b:
            lengths[i] += 1
        heapq.heappush(heap, (w1 + w2, tie, a + b))
        tie += 1
    if max(lengths) > limit:
        n = code_length(len(used))
        for i in used:
            lengths[i] = n
    return lengths


def symbol_id_table(lengths):
    """The run-coded symbol ID table of a Huffman text region (T.88 7.4.3.1.7): returns the
    bits as a BitWriter holding the table."""
    runs = []  # (run code, extra bits value, extra bit count)
    i, n = 0, len(lengths)
    while i < n:
        v = lengths[i]
        j = i
        while j < n and lengths[j] == v:
            j += 1
        count = j - i
        if v == 0 and count >= 3:
            take = min(count, 138)
            if take >= 11:
                runs.append((34, take - 11, 7))
            else:
                runs.append((33, take - 3, 3))
            i += take
            continue
        runs.append((v, 0, 0))
        i += 1
        count -= 1
        while v != 0 and count >= 3:
            take = min(count, 6)
            runs.append((32, take - 3, 2))
            i += take
            count -= take
    weights = [0] * 35
    for code, _, _ in runs:
        weights[code] += 1
    rl = huffman_lengths(weights, 15)
    table = HuffmanTable([(rl[k], 0, k) for k in range(35)])
    bw = BitWriter()
    for k in range(35):
        bw.write(rl[k], 4)
    for code, extra, nbits in runs:
        table.encode(bw, code)
        bw.write(extra, nbits)
    return bw


# ---------------------------------------------------------------------------------------------
# Segments and streams

FILE_ID = bytes([0x97, 0x4A, 0x42, 0x32, 0x0D, 0x0A, 0x1A, 0x0A])
OP_OR, OP_AND, OP_XOR, OP_XNOR, OP_REPLACE = range(5)


class Segment:
    def __init__(self, number, type_, data, refs=(), page=1, unknown_length=False,
                 page_4_bytes=False):
        self.number, self.type, self.data = number, type_, bytes(data)
        self.refs, self.page = list(refs), page
        self.unknown_length, self.page_4_bytes = unknown_length, page_4_bytes

    def header(self):
        big_page = self.page_4_bytes or self.page > 255
        h = struct.pack(">IB", self.number, self.type | (0x40 if big_page else 0))
        n = len(self.refs)
        if n <= 4:
            h += bytes([n << 5])
        else:
            h += struct.pack(">I", (7 << 29) | n) + bytes((n + 8) // 8)
        size = 1 if self.number <= 256 else 2 if self.number <= 65536 else 4
        for r in self.refs:
            h += r.to_bytes(size, "big")
        h += struct.pack(">I", self.page) if big_page else bytes([self.page])
        h += struct.pack(">I", 0xFFFFFFFF if self.unknown_length else len(self.data))
        return h


def embedded_stream(segments):
    return b"".join(s.header() + s.data for s in segments)


def file_stream(segments, sequential=True, pages=1):
    flags = (1 if sequential else 0) | (0 if pages else 2)
    out = FILE_ID + bytes([flags]) + (struct.pack(">I", pages) if pages else b"")
    if sequential:
        return out + embedded_stream(segments)
    return out + b"".join(s.header() for s in segments) + b"".join(s.data for s in segments)


def page_info(width, height, default_pixel=0, default_op=OP_OR, striped=0, override=True):
    """Page information data; striped gives the maximum stripe size of a striped page."""
    flags = (default_pixel << 2) | (default_op << 3) | (0x40 if override else 0)
    stripe = (0x8000 | striped) if striped else 0
    return struct.pack(">IIIIBH", width & 0xFFFFFFFF, height & 0xFFFFFFFF, 0, 0, flags, stripe)


def region_info(w, h, x, y, op=OP_OR):
    return struct.pack(">IIiiB", w, h, x, y, op)


def at_bytes(at):
    return b"".join(struct.pack(">bb", dx, dy) for dx, dy in at)


def generic_region_data(img, x=0, y=0, op=OP_OR, template=0, at=None, tpgdon=False,
                        mmr=False, unknown_length=False):
    h, w = img.shape
    d = region_info(w, h, x, y, op) + bytes([(1 if mmr else 0) | (template << 1) |
                                            (8 if tpgdon else 0)])
    if mmr:
        d += mmr_encode(img)
        if unknown_length:
            d += b"\x00\x00" + struct.pack(">I", h)
        return d
    at = GEN_DEFAULT_AT[template] if at is None else at
    d += at_bytes(at)
    mq = MQEncoder()
    generic_encode(mq, Contexts(GEN_BITS[template]), img, template, at, tpgdon)
    d += mq.flush()
    if unknown_length:
        d += struct.pack(">I", h)
    return d


def refinement_region_data(img, ref, x=0, y=0, op=OP_OR, template=0, at=None, tpgron=False):
    h, w = img.shape
    at = REF_DEFAULT_AT if at is None else at
    d = region_info(w, h, x, y, op) + bytes([template | (2 if tpgron else 0)])
    if template == 0:
        d += at_bytes(at)
    mq = MQEncoder()
    refinement_encode(mq, Contexts(13 if template == 0 else 10), img, ref, template, 0, 0, at,
                      tpgron)
    return d + mq.flush()


# ---------------------------------------------------------------------------------------------
# Text regions (T.88 6.4) and symbol dictionaries (T.88 6.5)


class Instance:
    """A symbol instance as coded: symbol ID, S (the running position where it is placed), T
    offset in its strip, and an optional refinement (RDW, RDH, RDX, RDY, target bitmap)."""

    def __init__(self, sid, s, curt=0, refine=None):
        self.sid, self.s, self.curt, self.refine = sid, s, curt, refine


class TextCoder:
    """Codes the instances of a text region, strip by strip, and draws what they decode to.

    strips: list of (STRIPT, [Instance]) in coded order."""

    def __init__(self, symbols, huff=False, refine=False, logstrips=0, corner=1,
                 transposed=False, op=OP_OR, default_pixel=0, ds_offset=0, rtemplate=0,
                 rat=None, tables=(6, 8, 11, 14, 14, 14, 14), symcodelen=None,
                 id_lengths=None):
        self.symbols = symbols
        self.huff, self.refine, self.logstrips = huff, refine, logstrips
        self.corner, self.transposed, self.op = corner, transposed, op
        self.default_pixel, self.ds_offset = default_pixel, ds_offset
        self.rtemplate = rtemplate
        self.rat = REF_DEFAULT_AT if rat is None else rat
        self.tables = tables  # FS, DS, DT, RDW, RDH, RDX, RDY (standard table numbers)
        self.symcodelen = code_length(len(symbols)) if symcodelen is None else symcodelen
        self.id_lengths = id_lengths
        if id_lengths is not None:
            self.id_codes = assign_codes(id_lengths)

    def flags(self):
        assert self.op < 4, "a text region's operator has two bits: no REPLACE"
        f = (1 if self.huff else 0) | (2 if self.refine else 0) | (self.logstrips << 2)
        f |= (self.corner << 4) | (0x40 if self.transposed else 0) | (self.op << 7)
        f |= (self.default_pixel << 9) | ((self.ds_offset & 31) << 10)
        f |= (0x8000 if self.rtemplate else 0)
        return f

    def huffman_flags(self):
        fs, ds, dt, rdw, rdh, rdx, rdy = self.tables
        return ((fs - 6) | ((ds - 8) << 2) | ((dt - 11) << 4) | ((rdw - 14) << 6) |
                ((rdh - 14) << 8) | ((rdx - 14) << 10) | ((rdy - 14) << 12))

    def code(self, strips, w, h, mq=None, ints=None, rcx=None, bw=None):
        """Codes the strips with mq and ints (arithmetic) or bw (Huffman); answers the
        region bitmap they decode to."""
        sbstrips = 1 << self.logstrips
        region = np.full((h, w), self.default_pixel, np.uint8)
        if rcx is None and self.refine:
            rcx = Contexts(13 if self.rtemplate == 0 else 10)

        def integer(name, value):
            if self.huff:
                table = {"IADT": self.tables[2], "IAFS": self.tables[0],
                         "IADS": self.tables[1], "IARDW": self.tables[3],
                         "IARDH": self.tables[4], "IARDX": self.tables[5],
                         "IARDY": self.tables[6]}[name]
                STD[table].encode(bw, value)
            else:
                encode_int(mq, getattr(ints, name), value)

        first_dt = 1 if self.huff else 0
        integer("IADT", first_dt)
        stript = -first_dt * sbstrips
        firsts = 0
        for st, insts in strips:
            assert (st - stript) % sbstrips == 0
            integer("IADT", (st - stript) // sbstrips)
            stript = st
            curs = None
            for k, inst in enumerate(insts):
                if k == 0:
                    integer("IAFS", inst.s - firsts)
                    firsts = inst.s
                else:
                    integer("IADS", inst.s - curs - self.ds_offset)
                curs = inst.s
                if sbstrips > 1:
                    if self.huff:
                        bw.write(inst.curt, self.logstrips)
                    else:
                        encode_int(mq, ints.IAIT, inst.curt)
                t = stript + inst.curt
                if self.huff:
                    if self.id_lengths is not None:
                        bw.write(self.id_codes[inst.sid], self.id_lengths[inst.sid])
                    else:
                        bw.write(inst.sid, self.symcodelen)
                else:
                    encode_iaid(mq, ints.IAID, self.symcodelen, inst.sid)
                sym = self.symbols[inst.sid]
                if self.refine:
                    ri = 1 if inst.refine else 0
                    if self.huff:
                        bw.write(ri, 1)
                    else:
                        encode_int(mq, ints.IARI, ri)
                bm = sym
                if inst.refine:
                    rdw, rdh, rdx, rdy, target = inst.refine
                    assert target.shape == (sym.shape[0] + rdh, sym.shape[1] + rdw)
                    for name, v in (("IARDW", rdw), ("IARDH", rdh), ("IARDX", rdx),
                                    ("IARDY", rdy)):
                        integer(name, v)
                    dx, dy = rdx + rdw // 2, rdy + rdh // 2
                    if self.huff:
                        rmq = MQEncoder()
                        refinement_encode(rmq, rcx, target, sym, self.rtemplate, dx, dy,
                                          self.rat)
                        data = rmq.flush()
                        STD[1].encode(bw, len(data))
                        bw.align()
                        bw.write_bytes(data)
                    else:
                        refinement_encode(mq, rcx, target, sym, self.rtemplate, dx, dy,
                                          self.rat)
                    bm = target
                ih, iw = bm.shape
                if not self.transposed:
                    x = curs
                    y = t - (ih - 1) if self.corner in (0, 2) else t
                    curs += iw - 1
                else:
                    y = curs
                    x = t if self.corner in (0, 1) else t - (iw - 1)
                    curs += ih - 1
                combine(region, bm, x, y, self.op)
            integer("IADS", None)
        return region


def text_region_data(coder, strips, w, h, x=0, y=0, op=OP_OR):
    """Text region segment data; answers (data, region bitmap)."""
    n = sum(len(i) for _, i in strips)
    d = region_info(w, h, x, y, op) + struct.pack(">H", coder.flags())
    if coder.huff:
        d += struct.pack(">H", coder.huffman_flags())
    if coder.refine and coder.rtemplate == 0:
        d += at_bytes(coder.rat)
    d += struct.pack(">I", n)
    if coder.huff:
        bw = symbol_id_table(coder.id_lengths) if coder.id_lengths is not None else BitWriter()
        bw.align()
        region = coder.code(strips, w, h, bw=bw)
        return d + bw.getvalue(), region
    mq = MQEncoder()
    ints = IntContexts(coder.symcodelen)
    region = coder.code(strips, w, h, mq=mq, ints=ints)
    return d + mq.flush(), region


def height_classes(symbols):
    """Consecutive symbols of equal height form one class."""
    classes = []
    for i, sym in enumerate(symbols):
        if classes and classes[-1][0] == sym.shape[0]:
            classes[-1][1].append(i)
        else:
            classes.append((sym.shape[0], [i]))
    return classes


def export_runs(flags):
    runs, cur, n = [], 0, 0
    for f in flags:
        if f != cur:
            runs.append(n)
            cur, n = f, 0
        n += 1
    runs.append(n)
    return runs


class SymbolDictionary:
    """A symbol dictionary as coded. new: the new symbols in coded order; with refagg, codings
    gives per new symbol ("refine", ID, RDX, RDY) or ("aggregate", [(ID, S, T)...])."""

    def __init__(self, inputs, new, export, huff=False, template=0, at=None, refagg=False,
                 rtemplate=0, rat=None, codings=None, dh_table=4, dw_table=2, mmr=False):
        self.inputs, self.new, self.export = inputs, new, export
        self.huff, self.template, self.refagg = huff, template, refagg
        self.at = GEN_DEFAULT_AT[template] if at is None else at
        self.rtemplate = rtemplate
        self.rat = REF_DEFAULT_AT if rat is None else rat
        self.codings = codings
        self.dh_table, self.dw_table, self.mmr = dh_table, dw_table, mmr
        allsyms = list(inputs) + list(new)
        self.exported = [b for b, f in zip(allsyms, export) if f]

    def data(self):
        f = (1 if self.huff else 0) | (2 if self.refagg else 0)
        if self.huff:
            f |= ((self.dh_table - 4) << 2) | ((self.dw_table - 2) << 4)
        f |= (self.template << 10) | (self.rtemplate << 12)
        d = struct.pack(">H", f)
        if not self.huff:
            d += at_bytes(self.at)
        if self.refagg and self.rtemplate == 0:
            d += at_bytes(self.rat)
        d += struct.pack(">II", len(self.exported), len(self.new))
        return d + (self.huffman_data() if self.huff else self.arithmetic_data())

    def arithmetic_data(self):
        nin = len(self.inputs)
        codelen = code_length(nin + len(self.new))
        mq = MQEncoder()
        ints = IntContexts(codelen)
        gcx = Contexts(GEN_BITS[self.template])
        rcx = Contexts(13 if self.rtemplate == 0 else 10)
        syms = list(self.inputs)
        height = 0
        for hc, idx in height_classes(self.new):
            encode_int(mq, ints.IADH, hc - height)
            height = hc
            width = 0
            for i in idx:
                sym = self.new[i]
                encode_int(mq, ints.IADW, sym.shape[1] - width)
                width = sym.shape[1]
                if not self.refagg:
                    generic_encode(mq, gcx, sym, self.template, self.at)
                else:
                    c = self.codings[i]
                    if c[0] == "refine":
                        _, sid, rdx, rdy = c
                        encode_int(mq, ints.IAAI, 1)
                        encode_iaid(mq, ints.IAID, codelen, sid)
                        encode_int(mq, ints.IARDX, rdx)
                        encode_int(mq, ints.IARDY, rdy)
                        refinement_encode(mq, rcx, sym, syms[sid], self.rtemplate, rdx, rdy,
                                          self.rat)
                    else:
                        parts = c[1]
                        encode_int(mq, ints.IAAI, len(parts))
                        coder = TextCoder(syms, refine=True, corner=1,
                                          rtemplate=self.rtemplate, rat=self.rat,
                                          symcodelen=codelen)
                        strips = strips_of(parts)
                        got = coder.code(strips, sym.shape[1], sym.shape[0], mq=mq, ints=ints,
                                         rcx=rcx)
                        assert np.array_equal(got, sym), "aggregate does not give the symbol"
                syms.append(sym)
            encode_int(mq, ints.IADW, None)
        for r in export_runs(self.export):
            encode_int(mq, ints.IAEX, r)
        return mq.flush()

    def huffman_data(self):
        bw = BitWriter()
        height = 0
        for hc, idx in height_classes(self.new):
            STD[self.dh_table].encode(bw, hc - height)
            height = hc
            width = 0
            for i in idx:
                STD[self.dw_table].encode(bw, self.new[i].shape[1] - width)
                width = self.new[i].shape[1]
            STD[self.dw_table].encode(bw, None)
            coll = np.hstack([self.new[i] for i in idx])
            if self.mmr:
                data = mmr_encode(coll)
                STD[1].encode(bw, len(data))
                bw.align()
                bw.write_bytes(data)
            else:
                STD[1].encode(bw, 0)
                bw.align()
                for row in coll:
                    bw.write_bytes(np.packbits(row).tobytes())
        for r in export_runs(self.export):
            STD[1].encode(bw, r)
        return bw.getvalue()


def strips_of(parts, logstrips=0):
    """Instances (ID, S, T[, refinement]) with T the instance's T coordinate, grouped into
    strips in the given order (a new strip wherever the strip's T changes)."""
    strips = []
    for part in parts:
        sid, s_, t = part[:3]
        st = (t >> logstrips) << logstrips
        if not strips or strips[-1][0] != st:
            strips.append((st, []))
        strips[-1][1].append(Instance(sid, s_, t - st, part[3] if len(part) > 3 else None))
    return strips


# ---------------------------------------------------------------------------------------------
# Pattern dictionaries and halftone regions (T.88 6.6, 6.7)


class PatternDictionary:
    def __init__(self, patterns, template=0, mmr=False):
        self.patterns, self.template, self.mmr = patterns, template, mmr

    def data(self):
        ph, pw = self.patterns[0].shape
        d = struct.pack(">BBBI", (1 if self.mmr else 0) | (self.template << 1), pw, ph,
                        len(self.patterns) - 1)
        coll = np.hstack(self.patterns)
        if self.mmr:
            return d + mmr_encode(coll)
        at = [(-pw, 0), (-3, -1), (2, -2), (-2, -2)][:4 if self.template == 0 else 1]
        mq = MQEncoder()
        generic_encode(mq, Contexts(GEN_BITS[self.template]), coll, self.template, at)
        return d + mq.flush()


def halftone_region_data(patterns, gray, w, h, hgx, hgy, hrx, hry, x=0, y=0, op=OP_OR,
                         template=0, mmr=False, skip=False, hcombop=OP_OR, default_pixel=0):
    """Halftone region segment data; answers (data, region bitmap). gray: HGH x HGW values."""
    hgh, hgw = gray.shape
    hph, hpw = patterns[0].shape
    hbpp = code_length(len(patterns))
    flags = (1 if mmr else 0) | (template << 1) | (8 if skip else 0) | (hcombop << 4) | \
        (default_pixel << 7)
    d = region_info(w, h, x, y, op) + struct.pack(">BIIiiHH", flags, hgw, hgh, hgx, hgy, hrx,
                                                  hry)
    mg, ng = np.mgrid[0:hgh, 0:hgw]
    gx = (hgx + mg * hry + ng * hrx) >> 8
    gy = (hgy + mg * hrx - ng * hry) >> 8
    skipmap = None
    if skip:
        skipmap = ((gx + hpw <= 0) | (gx >= w) | (gy + hph <= 0) | (gy >= h)).astype(np.uint8)
        gray = np.where(skipmap == 1, 0, gray)
    code = gray ^ (gray >> 1)
    at = [(3 if template <= 1 else 2, -1), (-3, -1), (2, -2), (-2, -2)][:4 if template == 0
                                                                         else 1]
    mq = MQEncoder()
    cx = Contexts(GEN_BITS[template])
    coded = b""
    for j in range(hbpp - 1, -1, -1):
        plane = ((code >> j) & 1).astype(np.uint8)
        if mmr:
            coded += mmr_encode(plane)
        else:
            generic_encode(mq, cx, plane, template, at, skip=skipmap)
    if not mmr:
        coded = mq.flush()
    region = np.full((h, w), default_pixel, np.uint8)
    for m in range(hgh):
        for n in range(hgw):
            if skipmap is not None and skipmap[m, n]:
                continue
            combine(region, patterns[gray[m, n]], int(gx[m, n]), int(gy[m, n]), hcombop)
    return d + coded, region


# ---------------------------------------------------------------------------------------------
# The encoder's own model of a page


def combine(dst, src, x, y, op):
    """Draws src into dst at (x, y) with a combination operator, clipped at dst's edges."""
    h, w = src.shape
    dh, dw = dst.shape
    x0, y0 = max(0, x), max(0, y)
    x1, y1 = min(dw, x + w), min(dh, y + h)
    if x0 >= x1 or y0 >= y1:
        return
    s = src[y0 - y:y1 - y, x0 - x:x1 - x]
    d = dst[y0:y1, x0:x1]
    if op == OP_OR:
        d |= s
    elif op == OP_AND:
        d &= s
    elif op == OP_XOR:
        d ^= s
    elif op == OP_XNOR:
        d[...] = 1 - (d ^ s)
    elif op == OP_REPLACE:
        d[...] = s


# ---------------------------------------------------------------------------------------------
# Drawing


def font(size, name="DejaVuSans.ttf"):
    return ImageFont.truetype(os.path.join(FONT_DIR, name), size)


def text_bitmap(w, h, lines, size=14, name="DejaVuSans.ttf", x=2, y=1, spacing=None):
    im = Image.new("L", (w, h), 0)
    dr = ImageDraw.Draw(im)
    f = font(size, name)
    step = spacing or int(size * 1.25)
    for k, line in enumerate(lines):
        dr.text((x, y + k * step), line, font=f, fill=255)
    return (np.array(im) >= 128).astype(np.uint8)


def shapes_bitmap(w, h, seed):
    rng = np.random.default_rng(seed)
    im = Image.new("L", (w, h), 0)
    dr = ImageDraw.Draw(im)
    for _ in range(6):
        x0, y0 = int(rng.integers(0, w)), int(rng.integers(0, h))
        x1, y1 = x0 + int(rng.integers(3, w // 2 + 4)), y0 + int(rng.integers(3, h // 2 + 4))
        kind = int(rng.integers(0, 3))
        if kind == 0:
            dr.ellipse((x0, y0, x1, y1), outline=255, width=2)
        elif kind == 1:
            dr.rectangle((x0, y0, x1, y1), fill=255)
        else:
            dr.line((x0, y0, x1, y1), fill=255, width=3)
    return (np.array(im) >= 128).astype(np.uint8)


def noise_bitmap(w, h, seed, density=0.5):
    rng = np.random.default_rng(seed)
    return (rng.random((h, w)) < density).astype(np.uint8)


# ---------------------------------------------------------------------------------------------
# Checking with jbig2dec and writing the fixtures


def read_pbm(data):
    pos, fields = 0, []
    while len(fields) < 3:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    if fields[0] != b"P4":
        raise ValueError("not a raw PBM")
    w, h = int(fields[1]), int(fields[2])
    rowbytes = (w + 7) // 8
    raw = np.frombuffer(data[pos:pos + rowbytes * h], np.uint8).reshape(h, rowbytes)
    return np.unpackbits(raw, axis=1)[:, :w]


def jbig2dec(page_data, globals_data=None, embedded=True):
    """Decodes with jbig2dec; answers (bitmap or None, PBM bytes, messages)."""
    with tempfile.TemporaryDirectory() as tmp:
        p = os.path.join(tmp, "page.jb2")
        with open(p, "wb") as f:
            f.write(page_data)
        args = ["jbig2dec", "-t", "pbm", "-o", os.path.join(tmp, "out.pbm")]
        if embedded:
            args.append("-e")
        if globals_data is not None:
            g = os.path.join(tmp, "globals.jb2")
            with open(g, "wb") as f:
                f.write(globals_data)
            args.append(g)
        args.append(p)
        r = subprocess.run(args, capture_output=True, text=True)
        out = os.path.join(tmp, "out.pbm")
        if not os.path.exists(out):
            return None, None, r.stdout + r.stderr
        with open(out, "rb") as f:
            pbm = f.read()
        return read_pbm(pbm), pbm, r.stdout + r.stderr


class FixtureWriter:
    def __init__(self, folder):
        self.folder = folder
        self.readme = []
        self.failures = []
        self.kept = {}

    def add(self, name, text, page_data, expected, globals_data=None, embedded=True):
        got, pbm, msgs = jbig2dec(page_data, globals_data, embedded)
        expected = np.asarray(expected, np.uint8)
        if got is None or got.shape != expected.shape or not np.array_equal(got, expected):
            if got is not None and got.shape == expected.shape:
                why = "%d pixels differ" % int((got != expected).sum())
            elif got is not None:
                why = "size %s, meant %s" % (got.shape[::-1], expected.shape[::-1])
            else:
                why = "no output"
            self.failures.append(name)
            print("MISMATCH %s: %s\n%s" % (name, why, msgs.strip()), file=sys.stderr)
            return False
        with open(os.path.join(self.folder, name + ".jb2"), "wb") as f:
            f.write(page_data)
        if globals_data is not None:
            with open(os.path.join(self.folder, name + ".globals.jb2"), "wb") as f:
                f.write(globals_data)
        with open(os.path.join(self.folder, name + ".pbm"), "wb") as f:
            f.write(pbm)
        self.readme.append((name, text))
        self.kept[name] = (page_data, globals_data, expected)
        size = len(page_data) + len(globals_data or b"")
        print("%-34s %6d bytes  %dx%d" % (name, size, expected.shape[1], expected.shape[0]))
        return True


# ---------------------------------------------------------------------------------------------
# Fixtures


class Page:
    """A page being built: its segments and the bitmap the encoder means."""

    def __init__(self, width, height, default_pixel=0, first_number=0, page=1, striped=0,
                 default_op=OP_OR):
        self.bitmap = np.full((max(height, 0), width), default_pixel, np.uint8)
        self.default_pixel = default_pixel
        self.page = page
        self.number = first_number
        self.segments = [self.seg(48, page_info(width, height, default_pixel, default_op,
                                                striped))]

    def seg(self, type_, data, refs=(), **kw):
        s = Segment(self.number, type_, data, refs, self.page, **kw)
        self.number += 1
        return s

    def add(self, type_, data, refs=(), **kw):
        s = self.seg(type_, data, refs, **kw)
        self.segments.append(s)
        return s

    def generic(self, img, x=0, y=0, op=OP_OR, immediate=True, **kw):
        unknown = kw.get("unknown_length", False)
        s = self.add(38 if immediate else 36, generic_region_data(img, x, y, op, **kw),
                     unknown_length=unknown)
        if immediate:
            self.draw(img, x, y, op)
        return s

    def refine(self, img, ref, x=0, y=0, op=OP_OR, immediate=True, refs=(), **kw):
        """A refinement region of img against ref (the referred bitmap or the page area)."""
        s = self.add(42 if immediate else 40, refinement_region_data(img, ref, x, y, op, **kw),
                     refs)
        if immediate:
            self.draw(img, x, y, op)
        return s

    def draw(self, img, x, y, op):
        h = self.bitmap.shape[0]
        if self.growing and y + img.shape[0] > h:
            grow = np.full((y + img.shape[0] - h, self.bitmap.shape[1]), self.default_pixel,
                           np.uint8)
            self.bitmap = np.vstack([self.bitmap, grow])
        combine(self.bitmap, img, x, y, op)

    growing = False

    def end(self):
        self.add(49, b"")

    def stream(self):
        return embedded_stream(self.segments)


def sltp_patches(template, w, h, seed):
    """Patches of a template's pixels set to the bits of its TPGDON context, one every 9
    columns and every 3 rows, each around a random pixel."""
    rng = np.random.default_rng(seed)
    img = np.zeros((h, w), np.uint8)
    offsets = GEN_FIXED[template] + GEN_DEFAULT_AT[template]
    ctx = GEN_TP_CONTEXT[template]
    n = len(offsets)
    for y in range(2, h, 3):
        for x in range(4, w - 3, 9):
            for k, (dx, dy) in enumerate(offsets):
                img[y + dy, x + dx] = (ctx >> (n - 1 - k)) & 1
            img[y, x] = rng.integers(0, 2)
    return img


def generic_fixtures(fx):
    body = text_bitmap(150, 44, ["Parchwise JBIG2", "generic region 0"], 15)
    p = Page(150, 44)
    p.generic(body, template=0)
    fx.add("generic_t0", "generic region, template 0, nominal AT pixels", p.stream(), p.bitmap)

    img = text_bitmap(130, 40, ["template one", "{[(|)]} gjpqy"], 14, "DejaVuSerif.ttf")
    p = Page(130, 40)
    p.generic(img, template=1)
    fx.add("generic_t1", "generic region, template 1, nominal AT pixel", p.stream(), p.bitmap)

    img = shapes_bitmap(96, 64, 2)
    p = Page(96, 64)
    p.generic(img, template=2)
    fx.add("generic_t2", "generic region, template 2, shapes", p.stream(), p.bitmap)

    img = text_bitmap(110, 36, ["Template 3", "@#%&*+=?"], 13, "DejaVuSansMono.ttf")
    p = Page(110, 36)
    p.generic(img, template=3)
    fx.add("generic_t3", "generic region, template 3, nominal AT pixel", p.stream(), p.bitmap)

    # TPGDON: blank first rows (typical first row), repeated rows and blank bands
    img = np.zeros((60, 100), np.uint8)
    img[6:26] = text_bitmap(100, 20, ["typical"], 14)
    img[30:34, 10:90] = 1
    img[40:58] = text_bitmap(100, 18, ["rows"], 13)
    for t in range(4):
        p = Page(100, 60)
        p.generic(img, template=t, tpgdon=True)
        fx.add("generic_tpgdon_t%d" % t,
               "template %d with TPGDON: white typical first rows, repeated and blank rows" % t,
               p.stream(), p.bitmap)

    # Pixels whose template neighbourhood equals the TPGDON context: the SLTP bit of each
    # row shares its context with them, so only the right context decodes these.
    for t in range(4):
        img = sltp_patches(t, 96, 36, 70 + t)
        p = Page(96, 36)
        p.generic(img, template=t, tpgdon=True)
        fx.add("generic_tpgdon_context_t%d" % t, "template %d with TPGDON on pixels whose "
               "neighbourhood is the typical-prediction context: pins that context down" % t,
               p.stream(), p.bitmap)

    # AT pixels moved, far ones included
    img = text_bitmap(120, 48, ["moved AT", "pixels 0123"], 15, "DejaVuSans-Bold.ttf")
    cases = [(0, [(-6, -3), (4, -1), (-128, 0), (17, -9)]), (1, [(-1, -4)]),
             (2, [(-9, 0)]), (3, [(127, -128)])]
    for t, at in cases:
        p = Page(120, 48)
        p.generic(img, template=t, at=at)
        fx.add("generic_at_t%d" % t, "template %d with AT pixels moved to %s" % (t, at),
               p.stream(), p.bitmap)

    # noise over the whole region: every context and both MQ exchanges
    img = noise_bitmap(64, 32, 7, 0.3)
    p = Page(64, 32)
    p.generic(img, template=0, tpgdon=True)
    fx.add("generic_noise", "template 0 on random pixels (30% black), TPGDON never typical",
           p.stream(), p.bitmap)

    # unknown data length: the region ends with 0xFF 0xAC and its row count
    img = text_bitmap(120, 30, ["unknown length"], 15)
    p = Page(120, 30)
    p.generic(img, template=0, tpgdon=True, unknown_length=True)
    p.end()
    fx.add("generic_unknown_length",
           "immediate generic region of unknown data length (0xFF 0xAC, row count), then "
           "end of page", p.stream(), p.bitmap)

    # MMR
    img = text_bitmap(140, 44, ["MMR coded", "T.6 rows: 1234"], 15)
    p = Page(140, 44)
    p.generic(img, mmr=True)
    fx.add("generic_mmr", "MMR generic region (T.6 data, EOFB)", p.stream(), p.bitmap)

    img = text_bitmap(120, 30, ["MMR, no length"], 15)
    p = Page(120, 30)
    p.generic(img, mmr=True, unknown_length=True)
    p.end()
    fx.add("generic_mmr_unknown_length", "immediate MMR generic region of unknown data length "
           "(EOFB, then 0x00 0x00 and the row count), then end of page", p.stream(), p.bitmap)

    img = shapes_bitmap(200, 50, 11)
    img[:, 0:3] = 1
    img[20:22, :] = 1
    img[40, 100:] = 1
    p = Page(200, 50)
    p.generic(img, mmr=True)
    fx.add("generic_mmr_shapes", "MMR generic region: long runs, full black rows, black at "
           "both edges, make-up codes", p.stream(), p.bitmap)

    img = noise_bitmap(70, 20, 9, 0.5)
    p = Page(70, 20)
    p.generic(img, mmr=True)
    fx.add("generic_mmr_noise", "MMR generic region on random pixels (horizontal codes, "
           "short runs)", p.stream(), p.bitmap)

    # runs of 1,792 pixels and more take the extended make-up codes
    img = np.zeros((12, 2100), np.uint8)
    img[2:5, 100:2000] = 1
    img[6, 5:2095] = 1
    img[8:10, ::7] = 1
    img[10, 1900:] = 1
    p = Page(2100, 12)
    p.generic(img, mmr=True)
    fx.add("generic_mmr_wide", "MMR region 2,100 pixels wide: white and black runs past "
           "1,792 (extended make-up codes), a row of short runs", p.stream(), p.bitmap)

    # segments longer than their coded data: the reader must go on at the next header
    img = text_bitmap(150, 40, ["padded", "segments"], 15)
    p = Page(150, 40)
    for k, (x0, x1, kw) in enumerate(((0, 50, dict(template=0)), (50, 100, dict(mmr=True)),
                                      (100, 150, dict(template=2, tpgdon=True)))):
        data = generic_region_data(img[:, x0:x1], x0, 0, OP_OR, **kw)
        p.add(38, data + bytes([0xFF, 0xAC, 0, 0x55, 0xFF][:k + 3]))
        p.draw(img[:, x0:x1], x0, 0, OP_OR)
    fx.add("generic_padded_segments", "three generic regions (arithmetic, MMR, arithmetic "
           "with TPGDON) whose data lengths count 3 to 5 bytes after their coded data",
           p.stream(), p.bitmap)

    # tiny regions
    p = Page(20, 12)
    for k, (w, h, x, y, t) in enumerate(((1, 1, 0, 0, 0), (1, 7, 3, 2, 1), (9, 1, 6, 1, 2),
                                         (3, 3, 17, 9, 3), (2, 2, 10, 5, 0))):
        p.generic(noise_bitmap(w, h, 90 + k, 0.6) | (np.arange(w) == 0), x, y, template=t,
                  tpgdon=k % 2 == 1)
    fx.add("generic_tiny", "regions of 1x1, 1x7, 9x1, 3x3 (clipped) and 2x2 pixels, "
           "templates 0 to 3", p.stream(), p.bitmap)

    # combination operators, regions clipped at every page edge
    p = Page(120, 80)
    base = shapes_bitmap(120, 80, 21)
    p.generic(base, template=0)
    rng_imgs = [noise_bitmap(50, 40, 30 + k, 0.5) for k in range(5)]
    # region locations are unsigned: clipping happens at the right and bottom edges
    places = [(0, 0, OP_OR), (90, 5, OP_AND), (10, 55, OP_XOR), (85, 60, OP_XNOR),
              (40, 25, OP_REPLACE)]
    for img, (x, y, op) in zip(rng_imgs, places):
        p.generic(img, x, y, op, template=0)
    fx.add("generic_combine_ops", "five regions with OR, AND, XOR, XNOR and REPLACE over a "
           "drawn page, clipped at the right edge, the bottom edge and both (REPLACE inside)",
           p.stream(), p.bitmap)

    p = Page(90, 50, default_pixel=1)
    img = text_bitmap(80, 30, ["white on", "black"], 13)
    p.generic(img, 5, 10, OP_XOR, template=2)
    p.generic(noise_bitmap(30, 30, 5, 0.2), 70, 30, OP_AND, template=3)
    fx.add("generic_default_pixel", "page default pixel 1, regions combined with XOR and AND,"
           " one clipped at the right and bottom", p.stream(), p.bitmap)

    # region entirely outside the page, zero-sized area drawn nothing
    p = Page(60, 30)
    p.generic(text_bitmap(60, 30, ["in"], 14), template=0)
    p.generic(noise_bitmap(20, 10, 3), 70, 5, OP_REPLACE, template=0)
    p.generic(noise_bitmap(20, 10, 4), 10, 35, OP_REPLACE, template=0)
    fx.add("generic_outside", "regions wholly right of and below the page draw nothing",
           p.stream(), p.bitmap)


def header_fixtures(fx):
    img = text_bitmap(100, 32, ["file header"], 14)
    for name, seq, pages, text in (
            ("file_sequential", True, 1, "sequential organisation, page count 1"),
            ("file_sequential_unknown_pages", True, 0, "sequential organisation, page count "
             "unknown (flags bit 1)"),
            ("file_random_access", False, 1, "random-access organisation: all headers, then "
             "all data")):
        p = Page(100, 32)
        p.generic(img[:, :60], 0, 0, template=0)
        p.generic(img[:, 60:], 60, 0, template=1, tpgdon=True)
        p.end()
        eof = Segment(p.number, 51, b"", (), 0)
        data = file_stream(p.segments + [eof], seq, pages)
        fx.add(name, "JBIG2 file, " + text + "; end of page and end of file", data, p.bitmap,
               embedded=False)

    p = Page(100, 32)
    p.generic(img, template=0)
    p.end()
    eof = Segment(p.number, 51, b"", (), 0)
    fx.add("file_bytes_after_eof", "JBIG2 file whose end-of-file segment is followed by 40 "
           "bytes that are not read", file_stream(p.segments + [eof], True, 1) +
           bytes(range(40)), p.bitmap, embedded=False)

    # the lossless immediate types (39, 43), segments that are skipped: an extension (a
    # comment, and one of an unknown kind) and a profiles segment
    p = Page(100, 32)
    p.add(62, struct.pack(">I", 0x20000000) + b"Title\0Parchwise fixture\0\0")
    p.add(52, struct.pack(">II", 1, 1))
    for x0, x1 in ((0, 50), (50, 100)):
        p.add(39, generic_region_data(img[:, x0:x1], x0, 0, OP_OR, template=0))
        p.draw(img[:, x0:x1], x0, 0, OP_OR)
    p.add(62, struct.pack(">I", 0x00000123) + b"ignored data")
    target = edited(p.bitmap, 3, 5)
    p.add(43, refinement_region_data(target, p.bitmap.copy(), 0, 0, OP_REPLACE, template=1))
    p.draw(target, 0, 0, OP_REPLACE)
    fx.add("segments_skipped_and_lossless", "extension segments (a comment and an unknown "
           "kind) and a profiles segment, all skipped; immediate lossless generic (type 39) "
           "and refinement (type 43) regions", p.stream(), p.bitmap)


def edited(img, seed, count=6):
    """img with a few small blocks flipped: a target for refinement."""
    rng = np.random.default_rng(seed)
    out = img.copy()
    h, w = img.shape
    for _ in range(count if w > 5 and h > 4 else 0):
        x, y = int(rng.integers(0, w - 4)), int(rng.integers(0, h - 3))
        out[y:y + int(rng.integers(1, 4)), x:x + int(rng.integers(1, 5))] ^= 1
    return out


def refinement_fixtures(fx):
    # The page-area refinements cover the whole page: jbig2dec takes the page from its origin
    # as the reference, which is the page area only for a region at (0, 0) of the page's size.
    base = text_bitmap(120, 40, ["refine me", "page area"], 15)
    for t, tp, at in ((0, False, None), (1, True, None), (0, True, [(-3, -1), (2, 1)])):
        p = Page(120, 40)
        p.generic(base, template=0)
        target = edited(base, 40 + t)
        p.refine(target, p.bitmap.copy(), 0, 0, OP_REPLACE, template=t, tpgron=tp, at=at)
        name = "refine_page_t%d%s%s" % (t, "_tpgron" if tp else "", "_at" if at else "")
        fx.add(name, "refinement region without referred segment: refines the page in place "
               "(REPLACE), template %d%s%s" % (t, ", TPGRON" if tp else "",
                                                ", AT pixels moved to %s" % at if at else ""),
               p.stream(), p.bitmap)

    # On random pixels no row is typical, but the SLTP bit of every row shares its context
    # with the pixels: only the right context decodes these.
    for t in (0, 1):
        p = Page(64, 40)
        p.generic(noise_bitmap(64, 40, 3, 0.15), template=0)
        p.refine(noise_bitmap(64, 40, 4, 0.15), p.bitmap.copy(), 0, 0, OP_REPLACE, template=t,
                 tpgron=True)
        fx.add("refine_tpgron_noise_t%d" % t, "refinement template %d with TPGRON on random "
               "pixels: pins down the context of the SLTP bit" % t, p.stream(), p.bitmap)

    # Intermediate refinements refined again; segment numbers whose referred-to numbers take
    # 1, 2 and 4 bytes.
    a = text_bitmap(100, 30, ["chain", "of refinements"], 12, "DejaVuSans-Bold.ttf")
    b = edited(a, 60, 5)
    c = edited(b, 61, 5)
    d = edited(c, 62, 5)
    p = Page(100, 30)
    p.generic(a, template=2)
    p.number = 255
    r1 = p.refine(b, a, immediate=False, template=0)
    p.number = 256
    r2 = p.refine(c, b, 0, 0, immediate=False, refs=[r1.number], template=1, tpgron=True)
    p.number = 300
    r3 = p.refine(d, c, 0, 0, immediate=False, refs=[r2.number], template=0, tpgron=True)
    p.number = 65537
    p.refine(d, d, 0, 0, OP_XOR, refs=[r3.number], template=1)
    fx.add("refine_chain_numbers", "intermediate refinement of the page (segment 255), refined"
           " by segment 256 (1-byte referred number), by 300 (2 bytes), and XORed into the page"
           " by 65537 (4 bytes); templates 0 and 1, TPGRON", p.stream(), p.bitmap)

    e = text_bitmap(60, 24, ["moved"], 14)
    p = Page(100, 40)
    p.generic(np.pad(e, ((0, 16), (0, 40))), template=0)
    r = p.refine(p.bitmap.copy(), p.bitmap.copy(), immediate=False, template=1)
    p.refine(edited(p.bitmap, 70, 8), p.bitmap.copy(), 30, 12, OP_OR, refs=[r.number],
             template=0, tpgron=True)
    fx.add("refine_intermediate_placed", "an intermediate refinement refined again and drawn "
           "at (30, 12), clipped at the page's right and bottom edges", p.stream(), p.bitmap)

    p = Page(100, 30)
    for s in p.segments:
        s.page_4_bytes = True
    p.generic(a, 4, 3, template=0)
    for s in p.segments:
        s.page_4_bytes = True
    fx.add("page_association_4_bytes", "segments with 4-byte page associations",
           p.stream(), p.bitmap)


def glyph(ch, size=16, name="DejaVuSans.ttf"):
    """The inked box of one character."""
    f = font(size, name)
    im = Image.new("L", (size * 2, size * 2), 0)
    ImageDraw.Draw(im).text((size // 2, size // 4), ch, font=f, fill=255)
    a = (np.array(im) >= 128).astype(np.uint8)
    ys, xs = np.nonzero(a)
    return a[ys.min():ys.max() + 1, xs.min():xs.max() + 1]


def glyph_set(chars, size=16, name="DejaVuSans.ttf"):
    """Glyphs sorted by height (their height classes), then width."""
    gl = [(glyph(c, size, name), c) for c in chars]
    gl.sort(key=lambda g: (g[0].shape[0], g[0].shape[1], g[1]))
    return [g[0] for g in gl], [g[1] for g in gl]


def line_parts(text, chars, syms, x, t, corner=1, gap=1, transposed=False):
    """Instances (ID, S, T) setting text along one line; T is the line's reference edge."""
    parts = []
    s_ = x
    for ch in text:
        if ch == " ":
            s_ += 5
            continue
        sid = chars.index(ch)
        parts.append((sid, s_, t))
        s_ += (syms[sid].shape[0] if transposed else syms[sid].shape[1]) + gap
    return parts


def globals_and_page(width, height, dicts, regions_fn, default_pixel=0):
    """Global symbol dictionaries (page association 0) and a page whose segment numbers
    follow them."""
    segs = []
    for k, d in enumerate(dicts):
        refs = d.refs if hasattr(d, "refs") else []
        segs.append(Segment(k, 16 if isinstance(d, PatternDictionary) else 0, d.data(), refs,
                            0))
    p = Page(width, height, default_pixel, first_number=len(dicts))
    regions_fn(p)
    return embedded_stream(segs), p


def text_region(p, coder, strips, w, h, x=0, y=0, op=OP_OR, refs=(), immediate=True):
    data, region = text_region_data(coder, strips, w, h, x, y, op)
    s = p.add(6 if immediate else 4, data, refs)
    if immediate:
        combine(p.bitmap, region, x, y, op)
    return s, region


def symbol_fixtures(fx):
    chars = "JBIG2 fixtures: symbols, text regions & halftones!"
    uniq = "".join(sorted(set(chars.replace(" ", ""))))
    syms, order = glyph_set(uniq)

    # arithmetic dictionary in the globals, arithmetic text regions on the page
    for t in range(4):
        # with template 2 the classes fall in height and the widths fall in each class
        tsyms, torder = (syms[::-1], order[::-1]) if t == 2 else (syms, order)
        sd = SymbolDictionary([], tsyms, [1] * len(tsyms), template=t,
                              at=[(-2, -1), (3, -2), (-3, -2), (1, -3)][:4 if t == 0 else 1]
                              if t in (0, 3) else None)

        def regions(p):
            parts = line_parts("JBIG2 fixtures:", torder, tsyms, 3, 20) + \
                line_parts("symbols, text", torder, tsyms, 6, 42)
            text_region(p, TextCoder(tsyms), strips_of(parts), 200, 50, refs=[0])
        g, p = globals_and_page(200, 50, [sd], regions)
        fx.add("text_arith_sd_t%d" % t, "arithmetic symbol dictionary (template %d%s) in the "
               "globals, exporting all; arithmetic text region on the page" %
               (t, ", moved AT pixels" if t in (0, 3) else
                ", negative height and width deltas" if t == 2 else ""),
               p.stream(), p.bitmap, g)

    # four dictionaries, the last re-exporting two of its input symbols (jbig2dec 0.19 does
    # not read the long form of the referred-to count, so a region refers to four at most)
    groups = ["JB", "IG2", "fixt", "es"]
    dicts, exported = [], []
    for k, grp in enumerate(groups):
        gs, go = glyph_set(grp, 16, "DejaVuSans-Bold.ttf")
        if k < 3:
            d = SymbolDictionary([], gs, [1] * len(gs), template=k)
        else:
            prev = exported[-1][1]
            d = SymbolDictionary(dicts[2].exported, gs, [1, 0, 1, 0] + [1] * len(gs),
                                 template=3)
            d.refs = [2]
            go = [prev[0], prev[2]] + go
        dicts.append(d)
        exported.append((d.exported, go))
    allsyms = [b for e, _ in exported for b in e]
    allch = [c for _, o in exported for c in o]

    def regions(p):
        last = len(exported[-1][0])
        parts = line_parts("JBIG2 fixt", allch, allsyms, 4, 24)
        parts += [(len(allsyms) - last + sid, s_, t) for sid, s_, t in
                  line_parts("".join(allch[-last:]) * 2, allch[-last:], allsyms[-last:], 20,
                             46)]
        text_region(p, TextCoder(allsyms), strips_of(parts), 200, 52, refs=[0, 1, 2, 3])
    g, p = globals_and_page(200, 52, dicts, regions)
    fx.add("text_four_dictionaries", "four arithmetic dictionaries (templates 0 to 3), the "
           "last taking the third's symbols as input and re-exporting two of them; a text "
           "region refers to all four, its symbols being their export lists in order",
           p.stream(), p.bitmap, g)

    # reference corners, transposed, strips, S offsets, clipped instances
    small, sorder = glyph_set("abcdefgh", 14)
    for transposed in (False, True):
        sd = SymbolDictionary([], small, [1] * len(small))

        def regions(p):
            for corner in range(4):
                parts = []
                for k, ch in enumerate("abcdefgh"):
                    sid = sorder.index(ch)
                    parts.append((sid, -3 + 11 * k, 12 + (k % 3)))
                logstrips = corner
                dso = [0, -1, 3, -16][corner]
                coder = TextCoder(small, logstrips=logstrips, corner=corner,
                                  transposed=transposed, ds_offset=dso,
                                  op=[OP_OR, OP_XOR, OP_OR, OP_XNOR][corner])
                strips = strips_of(parts, logstrips)
                pos = [(0, 0), (95, 0), (0, 40), (95, 40)][corner]
                if transposed:
                    pos = [(0, 0), (40, 0), (0, 95), (40, 95)][corner]
                w, h = (90, 36) if not transposed else (36, 90)
                text_region(p, coder, strips, w, h, pos[0], pos[1],
                            [OP_OR, OP_OR, OP_XOR, OP_REPLACE][corner], refs=[0])
        size = (190, 80) if not transposed else (80, 190)
        g, p = globals_and_page(size[0], size[1], [sd], regions, default_pixel=0)
        fx.add("text_corners%s" % ("_transposed" if transposed else ""),
               "four text regions, one per reference corner (0 to 3)%s, strips of 1, 2, 4 "
               "and 8 rows, S offsets 0, -1, 3, -16, instances clipped at the region's edge; "
               "corner by corner the instances are combined with OR, XOR, OR, XNOR and the "
               "regions into the page with OR, OR, XOR, REPLACE"
               % (", transposed" if transposed else ""), p.stream(), p.bitmap, g)

    class Padded(SymbolDictionary):
        """A dictionary whose segment counts 6 bytes after its coded data."""

        def data(self):
            return SymbolDictionary.data(self) + bytes([0xFF, 0xAC, 0, 0, 0xFF, 0xFF])

    def regions(p):
        parts = line_parts("faded", sorder, small, 2, 20, 0)
        data, region = text_region_data(TextCoder(small, corner=0), strips_of(parts), 80, 24)
        p.add(6, data + bytes(7), [0])
        combine(p.bitmap, region, 0, 0, OP_OR)
        p.generic(text_bitmap(40, 20, ["end"], 12), 50, 8, OP_XOR, template=1)
    g, p = globals_and_page(100, 32, [Padded([], small, [1] * len(small), template=2)],
                            regions)
    fx.add("text_padded_segments", "a dictionary and a text region whose data lengths count "
           "bytes after their coded data, then a generic region", p.stream(), p.bitmap, g)

    def regions(p):
        parts = line_parts("bad cafe", sorder, small, 2, 20, 0)
        text_region(p, TextCoder(small, corner=0, default_pixel=1, op=OP_XOR),
                    strips_of(parts), 80, 24, 5, 4, OP_OR, refs=[0])
        # instances overlapping by 2 columns, coded with S offset -3
        tight = line_parts("bad cafe", sorder, small, 2, 20, 0, gap=-2)
        for k, op in enumerate((OP_AND, OP_XOR)):
            coder = TextCoder(small, corner=0, default_pixel=1 - k, op=op, ds_offset=-3)
            text_region(p, coder, strips_of(tight), 80, 24, 5 + 90 * (k + 1), 4, OP_OR,
                        refs=[0])
    g, p = globals_and_page(280, 32, [SymbolDictionary([], small, [1] * len(small))], regions)
    fx.add("text_default_pixel_and_ops", "text regions whose instances are combined with XOR "
           "and AND into default pixel 1 and with XOR into default pixel 0, the last two with "
           "instances overlapping by 2 columns (S offset -3)", p.stream(), p.bitmap, g)




def large_delta_fixtures(fx):
    """Integer codes of every length: strips and instances far outside the region."""
    small, sorder = glyph_set("abcdefgh", 14)
    sd = SymbolDictionary([], small, [1] * len(small))

    def regions(p):
        parts = [(0, 3, 20), (1, 5000, 20), (2, 40, 20), (3, 700, 20), (4, -6000, 20),
                 (5, 80, 20),
                 (6, 10, 520), (7, 150, 520),
                 (0, 20, 44), (1, 100000, 44), (2, 60, 44),
                 (3, -90000, 100000), (4, 30, 40)]
        strips = strips_of(parts)
        text_region(p, TextCoder(small, corner=0), strips, 200, 50, refs=[0])
    g, p = globals_and_page(200, 50, [sd], regions)
    fx.add("text_large_deltas", "arithmetic text region with S and T deltas of every integer "
           "code length up to the 32-bit one (strips and instances far outside the region, "
           "T going back), so the integer contexts pass 256", p.stream(), p.bitmap, g)


def refagg_fixtures(fx):
    """Refined instances and dictionaries with refinement and aggregation."""
    base, border = glyph_set("aeinost", 18, "DejaVuSerif.ttf")
    # jbig2dec 0.19 rejects dictionaries that retain or reuse coding contexts (it reports
    # them as not implemented), so no fixture has them.
    sd1 = SymbolDictionary([], base, [1] * len(base), template=0)
    more, morder = glyph_set("rgh", 18, "DejaVuSerif.ttf")
    # the third refines symbols of the first and aggregates words from both
    allsyms = base + more
    order = border + morder

    def third_dictionary(refined_instance):
        """New symbols and their codings for the third dictionary."""
        new, codings = [], []
        bold = [glyph(c, 18, "DejaVuSerif-Bold.ttf") for c in "aeo"]
        for k, c in enumerate("aeo"):
            src = allsyms[order.index(c)]
            tgt = bold[k]
            new.append(tgt)
            codings.append(("refine", order.index(c), (tgt.shape[1] - src.shape[1]) // 2, 0))
        for word in ("this", "rights", "song"):
            parts = line_parts(word, order, allsyms, 0, 0)
            if word == "song" and refined_instance:
                # the o refined inside the aggregate, one column wider
                sid, s_, t = parts[1]
                o = np.pad(allsyms[sid], ((0, 0), (0, 1)))
                parts[1] = (sid, s_, t, (1, 0, 0, 0, edited(o, 12, 3)))
                parts[2:] = [(i, x + 1, t) for i, x, t in parts[2:]]
            w = parts[-1][1] + allsyms[parts[-1][0]].shape[1]
            h = max(allsyms[part[0]].shape[0] for part in parts)
            coder = TextCoder(allsyms + new, refine=True, corner=1)
            img = coder.code(strips_of(parts), w, h, mq=MQEncoder(),
                             ints=IntContexts(code_length(len(allsyms) + 6)))
            new.append(img)
            codings.append(("aggregate", parts))
        # height classes must be consecutive: sort the new symbols by height, keeping codings
        # in step (the aggregates draw input symbols only)
        idx = sorted(range(len(new)), key=lambda i: new[i].shape[0])
        new = [new[i] for i in idx]
        codings = [codings[i] for i in idx]
        # last, a class of lower height again: a refinement of the dictionary's own first symbol
        new.append(edited(new[0], 13, 3))
        codings.append(("refine", len(allsyms), 0, 0))
        return new, codings

    # jbig2dec 0.19 fails on refined instances inside an aggregate with refinement template
    # 0 (it reports an AT pixel out of field), so only template 1 has one
    for rt in (0, 1):
        new, codings = third_dictionary(rt == 1)
        sd3 = SymbolDictionary(allsyms, new, [0] * len(allsyms) + [1] * len(new), refagg=True,
                               rtemplate=rt, codings=codings)
        sd3.refs = [0, 1]
        sd2b = SymbolDictionary(base, more, [0] * len(base) + [1] * len(more), template=1)
        sd2b.refs = [0]
        exported = sd2b.exported + sd3.exported  # text symbols: dictionaries 1 and 2

        def regions(p):
            parts = []
            ids = list(range(len(exported)))
            x = 2
            for i in ids:
                parts.append((i, x, 40 - 2 * (i % 3)))
                x += exported[i].shape[1] + 2
            text_region(p, TextCoder(exported, corner=0), strips_of(parts), x + 2, 44,
                        refs=[1, 2])
        g, p = globals_and_page(300, 48, [sd1, sd2b, sd3], regions)
        fx.add("sd_refagg_r%d" % rt, "three arithmetic dictionaries: the second takes the "
               "first as input and exports only its new symbols; the third refines symbols "
               "(template %d) and aggregates words from both%s, refines its own first symbol "
               "in a later class of lower height, with IAAI, IAID, IARDX, IARDY; a text region "
               "draws the symbols of the second and third" %
               (rt, " (one with a refined instance)" if rt == 1 else ""), p.stream(), p.bitmap, g)

    # refined instances in an arithmetic text region
    for rt, rat in ((0, [(-1, -2), (2, 1)]), (1, None)):
        def regions(p):
            parts = line_parts("noise", border, base, 4, 30, corner=0)
            strips = strips_of(parts)
            for inst in strips[0][1]:
                sym = base[inst.sid]
                rdw, rdh = [(3, 1), (-3, -2), (0, 0), (2, -1), (-1, 2)][inst.s % 5]
                tgt = np.zeros((sym.shape[0] + rdh, sym.shape[1] + rdw), np.uint8)
                combine(tgt, sym, 1, 0, OP_OR)
                tgt = edited(tgt, inst.s, 3) if min(tgt.shape) > 5 else tgt
                inst.refine = (rdw, rdh, [1, -2, 0][inst.s % 3], [0, 1, -1][inst.s % 3], tgt)
            coder = TextCoder(base, refine=True, corner=0, rtemplate=rt, rat=rat)
            text_region(p, coder, strips, 120, 40, 3, 2, refs=[0])
        g, p = globals_and_page(130, 44, [sd1], regions)
        fx.add("text_refine_r%d" % rt, "arithmetic text region whose instances are refined "
               "(template %d%s) with RDW and RDH of both signs, odd and even" %
               (rt, ", moved AT pixels" if rat else ""), p.stream(), p.bitmap, g)

    # intermediate text region refined onto the page
    def regions(p):
        parts = line_parts("in a note", border, base, 2, 20)
        s, region = text_region(p, TextCoder(base), strips_of(parts), 100, 24, refs=[0],
                                immediate=False)
        p.refine(edited(region, 5, 6), region, 0, 0, OP_OR, refs=[s.number], template=0,
                 tpgron=True)
    g, p = globals_and_page(100, 24, [sd1], regions)
    fx.add("text_intermediate_refined", "an intermediate text region refined (TPGRON) into "
           "the page", p.stream(), p.bitmap, g)




def id_lengths_for(strips, count):
    weights = [0] * count
    for _, insts in strips:
        for inst in insts:
            weights[inst.sid] += 1
    return huffman_lengths(weights, 31)


def huffman_fixtures(fx):
    """Huffman-coded dictionaries and text regions with every standard table choice."""
    chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789.,;:!?"
    syms, order = glyph_set(chars, 13)
    lines = ["Huffman coded text", "WITH STANDARD TABLES", "zebra 42 quick fox?",
             "the end"]
    cases = [
        # name, DH, DW, MMR, FS, DS, DT, log strips, T of the lines, corner
        ("huff_b4_b2_raw", 4, 2, False, 6, 8, 11, 0, [14, 32, 200, 215], 0),
        ("huff_b5_b3_mmr", 5, 3, True, 7, 9, 12, 1, [14, 33, 50, 120], 1),
        ("huff_b4_b3_raw_b10_b13", 4, 3, False, 6, 10, 13, 2, [14, 30, 47, 300], 2),
    ]
    for name, dh, dw, mmr, fs, ds, dt, logs, ts, corner in cases:
        if dt == 13:
            # every symbol exported, few used: the symbol ID table has runs of zero lengths
            lines = ["huffman coded text", "with standard tables", "zebra 42 quick fox",
                     "the end"]
        # a tall bar and a wide rule reach the tables' upper and lower ranges
        big = 300 if mmr else 90
        bars = [np.ones((big, 3), np.uint8), np.ones((3 if mmr else 2, big + 20), np.uint8)]
        allsy, allch = syms + bars, order + ["|", "_"]
        if dh == 5:
            # heights falling and widths falling within a class need the signed tables
            new = sorted(allsy, key=lambda b: (-b.shape[0], -b.shape[1]))
        elif dw == 3:
            new = sorted(allsy, key=lambda b: (b.shape[0], -b.shape[1]))
        else:
            new = sorted(allsy, key=lambda b: b.shape)
        norder = [allch[[id(x) for x in allsy].index(id(b))] for b in new]
        used = set("".join(lines))
        export = [1 if c in used else 0 for c in norder]
        export[0] = 1 if mmr else 0  # with MMR the export runs start with a run of 0
        if dt == 13:
            export = [0] + [1] * (len(new) - 1)
        sd = SymbolDictionary([], new, export, huff=True, dh_table=dh, dw_table=dw, mmr=mmr)
        exp = sd.exported
        eorder = [c for c, f in zip(norder, export) if f]

        def regions(p):
            parts = []
            for k, (text, t) in enumerate(zip(lines, ts)):
                x = [4, 30, 2, 150][k]
                line = line_parts(text, eorder, exp, x, t, corner)
                if k == 1:
                    line = line[::-1]  # right to left: negative S deltas
                    sx = 250
                    moved = []
                    for sid, s_, tt in line:
                        sx -= exp[sid].shape[1] + 1
                        moved.append((sid, sx, tt))
                    line = moved
                # T varies inside each strip
                parts += [(sid, s_, ((tt >> logs) << logs) + (i % (1 << logs)))
                          for i, (sid, s_, tt) in enumerate(line)]
            strips = strips_of(parts, logs)
            lengths = id_lengths_for(strips, len(exp))
            coder = TextCoder(exp, huff=True, logstrips=logs, corner=corner,
                              tables=(fs, ds, dt, 14, 14, 14, 14), id_lengths=lengths)
            text_region(p, coder, strips, 260, max(ts) + 20, refs=[0])
        g, p = globals_and_page(260, max(ts) + 20, [sd], regions)
        text = ("Huffman dictionary (height deltas B.%d, width deltas B.%d, %s collective "
                "bitmaps, B.1 sizes and export runs, the unused symbols not exported; a tall "
                "bar and a wide rule among the symbols reach the tables' outer ranges); Huffman "
                "text region (first S B.%d, S deltas B.%d, T deltas B.%d, %d-row strips, "
                "corner %d, a line set right to left) with a run-coded symbol ID table%s" %
                (dh, dw, "MMR" if mmr else "uncompressed", fs, ds, dt, 1 << logs, corner,
                 " (runs of zero lengths)" if dt == 13 else ""))
        fx.add(name, text, p.stream(), p.bitmap, g)

    # No fixture has refined instances in a Huffman text region: jbig2dec 0.19 fails on
    # the run-code table when the refinement template is 0 and decodes other bitmaps than
    # the encoder meant with template 1 (pdfimages decodes both as meant), so tables B.14
    # and B.15 go unused. Huffman dictionaries with refinement and aggregation are left out:
    # neither jbig2dec nor pdfimages decoded them as meant.


def dither_patterns(size, count):
    """count patterns of size x size, pattern k with about k / (count - 1) of its pixels set,
    in ordered-dither order."""
    order = np.argsort(np.random.default_rng(size).random(size * size), kind="stable")
    pats = []
    for k in range(count):
        n = round(k * size * size / max(count - 1, 1))
        p = np.zeros(size * size, np.uint8)
        p[order[:n]] = 1
        pats.append(p.reshape(size, size))
    return pats


def gray_picture(w, h, levels, seed):
    """A gray picture quantised to 0..levels-1: a radial shade, a word and noise."""
    yy, xx = np.mgrid[0:h, 0:w]
    r = np.hypot(xx - w * 0.3, yy - h * 0.4) / max(w, h)
    v = np.clip(1.0 - 1.3 * r, 0, 1)
    im = Image.new("L", (w, h), 0)
    ImageDraw.Draw(im).text((w // 8, h // 3), "HT", font=font(max(h // 2, 8),
                                                              "DejaVuSans-Bold.ttf"), fill=255)
    v = np.maximum(v, np.array(im) / 255.0 * 0.8)
    v = v + np.random.default_rng(seed).normal(0, 0.05, v.shape)
    return np.clip(np.round(v * (levels - 1)), 0, levels - 1).astype(np.int64)


def halftone_fixtures(fx):
    cases = [
        # name, pattern size, count, dictionary template, region template, MMR, skip,
        # grid (HGX, HGY, HRX, HRY), HCOMBOP, default pixel, region op, text
        ("halftone_t0", 4, 17, 0, 0, False, False, (0, 0, 1024, 0), OP_OR, 0, OP_OR,
         "pattern dictionary and halftone region with template 0, an axis-aligned grid"),
        ("halftone_t1_xor", 4, 8, 1, 1, False, False, (512, 256, 768, 0), OP_XOR, 0,
         OP_OR, "template 1, 8 patterns (HBPP 3), cells 3 pixels apart overlapping by a "
                "column, HCOMBOP XOR, grid origin at (2, 1)"),
        ("halftone_t2_replace_and", 3, 5, 2, 2, False, False, (0, 0, 512, 0), OP_REPLACE, 0,
         OP_AND, "template 2, 5 patterns (HBPP 3), 3x3 cells 2 pixels apart: HCOMBOP REPLACE "
                 "lets later cells cover earlier ones; the region ANDed into a drawn page"),
        ("halftone_t3_skip", 4, 16, 3, 3, False, True, (-1792, -1024, 900, 300), OP_OR, 0,
         OP_OR, "template 3, a grid rotated by HRX 900 and HRY 300 starting at (-7, -4): "
                "HENABLESKIP skips the cells wholly outside, patterns clipped at the left and "
                "top edges"),
        ("halftone_skip_t0_xnor", 5, 9, 0, 0, False, True, (-2304, 5120, 1100, 400), OP_XNOR,
         0, OP_OR, "template 0 with HENABLESKIP, a rotated grid starting at (-9, 20) and "
                   "reaching past every edge, HCOMBOP XNOR"),
        ("halftone_replace", 4, 17, 0, 1, False, False, (0, 0, 1024, 0), OP_OR, 0,
         OP_REPLACE, "pattern dictionary template 0, region template 1; the region REPLACEs "
                     "part of a drawn page"),
        ("halftone_mmr", 4, 17, 0, 0, True, False, (0, 0, 1024, 0), OP_OR, 0, OP_OR,
         "pattern dictionary and gray-scale planes MMR-coded (each plane ending with EOFB)"),
        ("halftone_one_pattern", 6, 1, 0, 0, False, False, (0, 0, 1536, 0), OP_OR, 0, OP_OR,
         "a single pattern: HBPP 0, no plane coded, every cell draws pattern 0"),
    ]
    # jbig2dec 0.19 does not draw halftone regions with HDEFPIXEL 1 as T.88 describes (a
    # region filled with 1 first), so every case has HDEFPIXEL 0.
    for (name, ps, count, dtemp, htemp, mmr, skip, grid, hcop, dp, rop, text) in cases:
        pats = dither_patterns(ps, count)
        pd = PatternDictionary(pats, dtemp, mmr)
        hgx, hgy, hrx, hry = grid
        w, h = 96, 64
        hgw, hgh = w * 256 // hrx + 4, h * 256 // hrx + 4
        gray = gray_picture(hgw, hgh, count, len(name))

        def regions(p):
            if rop in (OP_REPLACE, OP_AND):
                p.generic(text_bitmap(120, 80, ["under", "the", "halftone"], 18), template=0)
            data, region = halftone_region_data(pats, gray, w, h, hgx, hgy, hrx, hry, 10, 8,
                                                rop, htemp, mmr, skip, hcop, dp)
            p.add(22, data, [0])
            combine(p.bitmap, region, 10, 8, rop)
        g, p = globals_and_page(120, 80, [pd], regions)
        fx.add(name, text, p.stream(), p.bitmap, g)




def stripe_fixtures(fx):
    """Pages of unknown height sent in stripes, each closed by an end-of-stripe segment."""
    img = np.vstack([text_bitmap(140, 32, ["striped page"], 18),
                     text_bitmap(140, 32, ["height unknown"], 18, "DejaVuSerif.ttf"),
                     shapes_bitmap(140, 26, 5)])
    for name, default_pixel, text in (
            ("striped_unknown_height", 0, "page of height 0xFFFFFFFF, stripes of at most 32 "
             "rows: an arithmetic region (template 0, TPGDON), a region of unknown data "
             "length whose stripe has 8 rows left uncovered, an MMR region; an end-of-stripe "
             "segment after each (ends 31, 63, 89); the page grows to 90 rows"),
            ("striped_default_pixel_1", 1, "the same stripes on a page of default pixel 1, "
             "the regions XORed")):
        p = Page(140, -1, default_pixel, striped=32)
        p.segments[0] = Segment(0, 48, page_info(140, 0xFFFFFFFF, default_pixel, OP_OR, 32))
        p.growing = True
        op = OP_XOR if default_pixel else OP_OR
        p.generic(img[0:32], 0, 0, op, template=0, tpgdon=True)
        p.add(50, struct.pack(">I", 31))
        p.generic(img[32:56], 0, 32, op, template=1, unknown_length=True)
        p.add(50, struct.pack(">I", 63))
        p.generic(img[64:90], 0, 64, op, mmr=True)
        p.add(50, struct.pack(">I", 89))
        p.end()
        # the uncovered rows 56 to 63 keep the default pixel
        fx.add(name, text, p.stream(), p.bitmap)




def write_pdf(path, page_data, globals_data, w, h):
    import pikepdf
    pdf = pikepdf.new()
    img = pikepdf.Stream(pdf, page_data)
    img.Type = pikepdf.Name.XObject
    img.Subtype = pikepdf.Name.Image
    img.Width, img.Height = w, h
    img.ColorSpace = pikepdf.Name.DeviceGray
    img.BitsPerComponent = 1
    img.Filter = pikepdf.Name.JBIG2Decode
    if globals_data is not None:
        g = pdf.make_indirect(pikepdf.Stream(pdf, globals_data))
        img.DecodeParms = pikepdf.Dictionary(JBIG2Globals=g)
    content = pikepdf.Stream(pdf, b"q %d 0 0 %d 0 0 cm /Im0 Do Q" % (w, h))
    page = pikepdf.Dictionary(Type=pikepdf.Name.Page, MediaBox=[0, 0, w, h],
                              Resources=pikepdf.Dictionary(
                                  XObject=pikepdf.Dictionary(Im0=pdf.make_indirect(img))),
                              Contents=pdf.make_indirect(content))
    pdf.pages.append(pikepdf.Page(page))
    pdf.save(path, compress_streams=False, static_id=True,
             stream_decode_level=pikepdf.StreamDecodeLevel.none)


def pdf_fixtures(fx, out):
    """A few fixtures as image XObjects in PDFs, checked with pdfimages."""
    folder = os.path.join(out, "pdf")
    os.makedirs(folder, exist_ok=True)
    # generic_mmr is not among them: pdfimages (poppler) decodes its MMR rows differently
    # from row 15 on, while jbig2dec gives the meant bitmap.
    for name in ("generic_t0", "generic_mmr_shapes", "text_arith_sd_t0", "huff_b4_b2_raw",
                 "halftone_t0"):
        if name not in fx.kept:
            continue
        page_data, globals_data, expected = fx.kept[name]
        h, w = expected.shape
        path = os.path.join(folder, name + ".pdf")
        write_pdf(path, page_data, globals_data, w, h)
        with tempfile.TemporaryDirectory() as tmp:
            subprocess.run(["pdfimages", "-png", path, os.path.join(tmp, "im")], check=True)
            got = np.array(Image.open(os.path.join(tmp, "im-000.png")).convert("L"))
        if not np.array_equal((got < 128).astype(np.uint8), expected):
            os.remove(path)
            fx.failures.append(name + ".pdf")
            print("MISMATCH %s.pdf: pdfimages gives other pixels" % name, file=sys.stderr)
            continue
        fx.readme.append(("pdf/%s.pdf" % name, "%s as an image XObject with /JBIG2Decode%s; "
                          "its pixels are %s.pbm's" % (name, " and an indirect /JBIG2Globals "
                                                       "stream" if globals_data else
                                                       ", no globals", name)))
        print("%-34s pdf" % name)




def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--out", default=os.path.join(here, "..", "tests", "pdf", "images",
                                                  "JBIG2Fixtures"))
    ap.add_argument("--bench", help="also write the benchmark inputs into this folder")
    ap.add_argument("--only", help="make only the fixture groups whose names contain this")
    args = ap.parse_args()
    out = os.path.normpath(args.out)
    if os.path.isdir(out) and not args.only:
        shutil.rmtree(out)
    os.makedirs(out, exist_ok=True)
    fx = FixtureWriter(out)
    groups = [generic_fixtures, header_fixtures, refinement_fixtures, symbol_fixtures,
              refagg_fixtures, huffman_fixtures, halftone_fixtures,
              stripe_fixtures, large_delta_fixtures]
    for g in groups:
        if args.only and args.only not in g.__name__:
            continue
        g(fx)
    if not args.only:
        pdf_fixtures(fx, out)
        write_readme(fx, out)
    if args.bench:
        write_bench(args.bench)
    if fx.failures:
        print("not confirmed, so not written: " + ", ".join(fx.failures), file=sys.stderr)
        return 1
    return 0


def write_readme(fx, out):
    lines = ["JBIG2 fixtures made by tools/make_jbig2_fixtures.py (run it to regenerate them).",
             "",
             "NAME.jb2 holds the page's segments (embedded form, as PDF stores them, unless the",
             "name starts with file_); NAME.globals.jb2 the global segments when there are any;",
             "NAME.pbm is jbig2dec's output, which equals the bitmap the encoder meant.",
             ""]
    for name, text in fx.readme:
        lines.append("%s\n    %s" % (name, text))
    lines += ["",
              "Not covered, because jbig2dec 0.19 cannot confirm it: symbol dictionaries that",
              "retain or reuse coding contexts (reported as not implemented); intermediate",
              "generic and halftone regions referred to by a refinement; refined instances",
              "in Huffman text regions (tables B.14 and B.15); Huffman dictionaries with",
              "refinement and aggregation; refined instances inside aggregates with",
              "refinement template 0; halftone regions with HDEFPIXEL 1; page-area",
              "refinements other than of the whole page (jbig2dec refines against the page",
              "from its origin); more than four referred-to segments (the long form of the",
              "count). Region locations are unsigned, so regions clip only at the right and",
              "bottom page edges; text instances and halftone grids clip at all four."]
    with open(os.path.join(out, "README.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")


def bench_text_lines(rng, words, count):
    return [" ".join(words[int(k)] for k in rng.integers(0, len(words), count))
            for _ in range(70)]


BENCH_WORDS = ("the of and to in a is that for it as was with be by on not he this are or his "
               "from at which but have an they you were her she there been one all we their "
               "has would when if so no will can more other into some could time these two may "
               "then do first any my now such like our over man me even most made after also "
               "did many before must through back years where much your way well down should "
               "because each just those people how too little state good very make world still "
               "own see men work long get here between both life being under never day same "
               "another know while last might us great old year off come since against go came "
               "right used take three Parchwise JBIG2 decoder benchmark page").split()


def write_bench(folder):
    """The large benchmark inputs: 2,480 x 3,508 pages (A4 at 300 dpi)."""
    os.makedirs(folder, exist_ok=True)
    W, H = 2480, 3508
    fx = FixtureWriter(folder)

    # generic region, template 0, TPGDON, text-like content
    rng = np.random.default_rng(2480)
    lines = bench_text_lines(rng, BENCH_WORDS, 11)
    img = np.zeros((H, W), np.uint8)
    f = font(38, "DejaVuSerif.ttf")
    im = Image.new("L", (W, H), 0)
    dr = ImageDraw.Draw(im)
    for k, line in enumerate(lines):
        dr.text((150, 160 + k * 46), line, font=f, fill=255)
    img = (np.array(im) >= 128).astype(np.uint8)
    p = Page(W, H)
    p.generic(img, template=0, tpgdon=True)
    p.end()
    fx.add("bench_generic", "2480x3508 generic region, template 0, TPGDON", p.stream(),
           p.bitmap)

    # symbol dictionary (globals) and one text region
    chars = sorted(set("".join(BENCH_WORDS)))
    syms, order = glyph_set(chars, 38, "DejaVuSerif.ttf")
    sd = SymbolDictionary([], syms, [1] * len(syms), template=0)
    lines = bench_text_lines(np.random.default_rng(3508), BENCH_WORDS, 11)

    def regions(p):
        parts = []
        for k, line in enumerate(lines):
            parts += line_parts(line, order, syms, 150, 200 + k * 46, corner=0, gap=3)
        text_region(p, TextCoder(syms, corner=0), strips_of(parts), W, H, refs=[0])
    g, p = globals_and_page(W, H, [sd], regions)
    fx.add("bench_text", "2480x3508 page: arithmetic symbol dictionary in the globals, one "
           "arithmetic text region", p.stream(), p.bitmap, g)

    # halftone: 8x8 patterns (65 levels), one cell per 8 pixels
    pats = dither_patterns(8, 65)
    pd = PatternDictionary(pats, 0)
    gray = gray_picture(W // 8, H // 8, 65, 8)

    def regions(p):
        data, region = halftone_region_data(pats, gray, W, H, 0, 0, 2048, 0)
        p.add(22, data, [0])
        combine(p.bitmap, region, 0, 0, OP_OR)
    g, p = globals_and_page(W, H, [pd], regions)
    fx.add("bench_halftone", "2480x3508 halftone region (template 0) over a pattern dictionary "
           "of 65 8x8 patterns in the globals", p.stream(), p.bitmap, g)
    if fx.failures:
        raise SystemExit("benchmark inputs not confirmed by jbig2dec: " +
                         ", ".join(fx.failures))


if __name__ == "__main__":
    sys.exit(main())
