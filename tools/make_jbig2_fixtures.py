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

Usage: make_jbig2_fixtures.py [--out FOLDER] [--bench FOLDER]
  --out    the fixture folder (default tests/pdf/images/JBIG2Fixtures next to this tool)
  --bench  also writes the large benchmark inputs into FOLDER (not committed)
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

    def copy(self):
        c = Contexts.__new__(Contexts)
        c.size, c.state, c.mps = self.size, bytearray(self.state), bytearray(self.mps)
        return c


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
GEN_TP_CONTEXT = {0: 0x3953, 1: 0x079A, 2: 0x00E3, 3: 0x018A}


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
           "drawn page, clipped at the right edge, the bottom edge and both (REPLACE inside)", p.stream(), p.bitmap)

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
    p.generic(noise_bitmap(20, 10, 4), 10, -20, OP_REPLACE, template=0)
    fx.add("generic_outside", "regions wholly right of and above the page draw nothing",
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


def edited(img, seed, count=6):
    """img with a few small blocks flipped: a target for refinement."""
    rng = np.random.default_rng(seed)
    out = img.copy()
    h, w = img.shape
    for _ in range(count):
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
    groups = [generic_fixtures, header_fixtures, refinement_fixtures]
    for g in groups:
        if args.only and args.only not in g.__name__:
            continue
        g(fx)
    if not args.only:
        write_readme(fx, out)
    if args.bench:
        write_bench(args.bench)
    if fx.failures:
        print("jbig2dec disagreed on: " + ", ".join(fx.failures), file=sys.stderr)
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
    with open(os.path.join(out, "README.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")


def write_bench(folder):
    pass


if __name__ == "__main__":
    sys.exit(main())
