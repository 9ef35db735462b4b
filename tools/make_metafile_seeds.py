#!/usr/bin/python3
"""Writes the seed corpus of fuzz_metafile: small enhanced and Windows metafiles built record by
record after [MS-EMF] and [MS-WMF] (shapes, objects, a path with a clip, a bitmap, text).

Usage: make_metafile_seeds.py OUTPUT_FOLDER
"""

import os
import struct
import sys


def emr(kind, body):
    body += b"\0" * (-len(body) % 4)
    return struct.pack("<II", kind, 8 + len(body)) + body


def emf(records):
    body = b"".join(records) + emr(14, struct.pack("<III", 0, 16, 20))
    header_size = 108
    count = len(records) + 2
    header = struct.pack("<II4i4iIIIIHHIII2i2iIIIII", 1, header_size, 0, 0, 47, 47, 0, 0, 1270, 1270,
                         0x464D4520, 0x10000, header_size + len(body), count, 4, 0, 0, 0, 0,
                         1920, 1920, 508, 508, 0, 0, 0, 508000, 508000)
    return header + body


def points(kind, pts):
    xs, ys = [p[0] for p in pts], [p[1] for p in pts]
    return emr(kind, struct.pack("<4iI", min(xs), min(ys), max(xs), max(ys), len(pts)) +
               b"".join(struct.pack("<hh", *p) for p in pts))


def shapes():
    return emf([
        emr(38, struct.pack("<IIiiI", 1, 0, 3, 0, 0xC00000)),
        emr(37, struct.pack("<I", 1)),
        emr(39, struct.pack("<IIII", 2, 0, 0x0000C0, 0)),
        emr(37, struct.pack("<I", 2)),
        emr(43, struct.pack("<4i", 4, 4, 20, 18)),
        emr(42, struct.pack("<4i", 22, 6, 44, 30)),
        points(86, [(6, 40), (20, 24), (30, 44)]),
        points(87, [(30, 40), (46, 34), (40, 46)]),
        emr(37, struct.pack("<I", 0x80000007)),
        emr(40, struct.pack("<I", 1)),
    ])


def path_and_clip():
    return emf([
        emr(33, b""),
        emr(30, struct.pack("<4i", 8, 8, 40, 40)),
        emr(59, b""),
        emr(27, struct.pack("<ii", 24, 0)),
        points(88, [(48, 10), (40, 48), (24, 48)]),
        emr(61, b""),
        emr(60, b""),
        emr(67, struct.pack("<I", 1)),
        emr(39, struct.pack("<IIII", 1, 0, 0xFF0000, 0)),
        emr(37, struct.pack("<I", 1)),
        emr(43, struct.pack("<4i", 0, 0, 48, 48)),
        emr(34, struct.pack("<i", -1)),
        emr(75, struct.pack("<II", 0, 5)),
    ])


def bitmap_and_text():
    bits = bytes(range(48))
    bmi = struct.pack("<IiiHHIIiiII", 40, 4, 3, 1, 32, 0, len(bits), 0, 0, 0, 0)
    stretch = struct.pack("<4iiiiiiiIIIIIIii", 5, 7, 20, 18, 5, 7, 0, 0, 4, 3, 80, 40, 120, len(bits), 0,
                          0x00CC0020, 16, 12) + bmi + bits
    font = struct.pack("<I5i8B", 3, -16, 0, 0, 0, 400, 0, 0, 0, 1, 0, 0, 0, 0) + "Arial".encode("utf-16-le")
    font += b"\0" * (4 + 92 - len(font))
    text = "Emf".encode("utf-16-le")
    out = struct.pack("<4iIffiiIIIiiiiI", 0, 0, -1, -1, 1, 0, 0, 3, 30, 3, 76, 0, 0, 0, 0, 0, 0) + text
    return emf([emr(81, stretch), emr(82, font), emr(37, struct.pack("<I", 3)), emr(84, out)])


def wmf_record(function, params):
    return struct.pack("<IH", 3 + len(params) // 2, function) + params


def wmf():
    records = [
        wmf_record(0x0103, struct.pack("<h", 8)),
        wmf_record(0x020B, struct.pack("<hh", 0, 0)),
        wmf_record(0x020C, struct.pack("<hh", 48, 48)),
        wmf_record(0x02FA, struct.pack("<HhhI", 0, 2, 0, 0x0000FF)),
        wmf_record(0x012D, struct.pack("<H", 0)),
        wmf_record(0x02FC, struct.pack("<HIH", 0, 0x00FF00, 0)),
        wmf_record(0x012D, struct.pack("<H", 1)),
        wmf_record(0x041B, struct.pack("<hhhh", 30, 30, 4, 4)),
        wmf_record(0x0324, struct.pack("<h6h", 3, 6, 40, 20, 24, 30, 44)),
        wmf_record(0x0416, struct.pack("<hhhh", 40, 40, 8, 8)),
        wmf_record(0x0418, struct.pack("<hhhh", 44, 44, 20, 20)),
        wmf_record(0x01F0, struct.pack("<H", 0)),
        wmf_record(0x0000, b""),
    ]
    body = b"".join(records)
    largest = max(len(r) for r in records) // 2
    return struct.pack("<HHHIHIH", 1, 9, 0x0300, (18 + len(body)) // 2, 2, largest, 0) + body


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, data in [("shapes.emf", shapes()), ("path-clip.emf", path_and_clip()),
                       ("bitmap-text.emf", bitmap_and_text()), ("shapes.wmf", wmf())]:
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
