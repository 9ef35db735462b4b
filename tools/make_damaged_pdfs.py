#!/usr/bin/env python3
"""Writes damaged variants of good PDF files, for the cross-reference reconstruction tests.

Usage: make_damaged_pdfs.py OUTPUT_FOLDER

The good files are those of make_pdf_corpus.py (a classic table, an incremental update, a
cross-reference stream, a hybrid file) and qpdf's rewrite of one of them with object streams.
Each is damaged several ways: tables deleted, object offsets shifted, startxref wrong or gone,
the file truncated, objects duplicated by an appended copy, object-stream indexes broken.
manifest.tsv lists each file with the damage it shows and the page count of the good file it
was made from; what a reader should make of it is left to the test, which asks qpdf.
"""

import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_pdf_corpus import base_objects, classic, hybrid, incremental, xref_stream_file  # noqa: E402


def startxref_value(data):
    return int(data.rsplit(b"startxref", 1)[1].split()[0])


def without_tables(data):
    """Every classic table and trailer gone; startxref still names the last table's place."""
    return re.sub(rb"xref\s+\d+ \d+\s.*?trailer\s*<<.*?>>\s*(?=startxref)", b"", data, flags=re.S)


def without_table_keep_trailer(data):
    """Every classic table gone, trailers kept."""
    return re.sub(rb"(?<!start)xref\s+\d+ \d+\s.*?(?=trailer)", b"", data, flags=re.S)


def without_xref_streams(data):
    """Cross-reference stream objects blanked out (their bytes kept as spaces)."""
    def blank(match):
        return b" " * len(match.group(0))
    return re.sub(rb"\d+ 0 obj\s*<<[^>]*?/Type\s*/XRef.*?endobj", blank, data, flags=re.S)


def with_startxref(data, value):
    head, tail = data.rsplit(b"startxref", 1)
    rest = tail.split(b"\n", 2)[2] if tail.startswith(b"\n") else b""
    return head + b"startxref\n%d\n" % value + rest


def shifted_offsets(data, delta):
    """Every in-use entry of every classic table moved by delta bytes."""
    def shift(match):
        return b"%010d %s n" % (int(match.group(1)) + delta, match.group(2))
    return re.sub(rb"(\d{10}) (\d{5}) n", shift, data)


def with_appended_objects(data, objects):
    """Objects appended after the end without any table: only a scan can find them."""
    body = bytearray(data)
    for number, text in objects.items():
        body += b"%d 0 obj\n%s\nendobj\n" % (number, text)
    return bytes(body)


def with_broken_object_stream_index(data):
    """The object-stream headers decoded and their numbers garbled, then stored uncompressed."""
    import zlib
    def rewrite(match):
        entries, raw = match.group(1), match.group(3)
        try:
            decoded = zlib.decompress(raw)
        except zlib.error:
            return match.group(0)
        first = int(re.search(rb"/First (\d+)", entries).group(1))
        garbled = re.sub(rb"\d+", lambda m: b"9" * len(m.group(0)), decoded[:first]) + decoded[first:]
        entries = re.sub(rb"/Filter\s*/FlateDecode", b"", entries)
        entries = re.sub(rb"/Length \d+", b"/Length %d" % len(garbled), entries)
        return b"<<" + entries + b">>\nstream\n" + garbled + b"\nendstream"
    return re.sub(rb"<<((?:(?!>>).)*?/Type\s*/ObjStm(?:(?!>>).)*?)>>(\s*stream\r?\n)(.*?)\r?\nendstream",
                  rewrite, data, flags=re.S)


def qpdf_rewrite(folder, source_bytes, *options):
    source = os.path.join(folder, "source.tmp.pdf")
    target = os.path.join(folder, "target.tmp.pdf")
    with open(source, "wb") as file:
        file.write(source_bytes)
    result = subprocess.run(["qpdf", *options, source, target], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    if result.returncode not in (0, 3):
        sys.exit("qpdf failed: %s" % " ".join(options))
    with open(target, "rb") as file:
        data = file.read()
    os.remove(source)
    os.remove(target)
    return data


def variants(name, good):
    """The damages that apply to every file."""
    size = len(good)
    yield name + "-no-tables", without_tables(good), "tables and trailers deleted"
    yield name + "-no-table-keep-trailer", without_table_keep_trailer(good), "tables deleted, trailers kept"
    yield name + "-startxref-zero", with_startxref(good, 0), "startxref 0"
    yield name + "-startxref-beyond", with_startxref(good, size * 3), "startxref beyond the end"
    yield name + "-startxref-middle", with_startxref(good, size // 2), "startxref into the middle of an object"
    yield name + "-startxref-gone", good[: good.rindex(b"startxref")], "startxref and end marker cut"
    for percent in (70, 40, 10):
        cut = good.rfind(b"endobj\n", 0, size * percent // 100)
        kept = good[: cut + 7] if cut >= 0 else good[: size * percent // 100]
        yield "%s-truncated-%d" % (name, percent), kept, "the objects in the first %d%% kept" % percent
    yield name + "-cut-95", good[: size * 95 // 100], "cut anywhere after 95%"
    yield name + "-junk-prefix", b"garbage\n" * 300 + good, "2,400 bytes before the header, tables not moved"


def make(folder):
    os.makedirs(folder, exist_ok=True)
    classic_file = classic(base_objects(3))
    objstm_file = qpdf_rewrite(folder, classic(base_objects(4)), "--object-streams=generate")
    goods = {
        "classic": classic_file,
        "incremental": incremental(3),
        "xrefstream": xref_stream_file(3),
        "hybrid": hybrid(3),
        "objstm": objstm_file,
    }
    pages = {"classic": 3, "incremental": 4, "xrefstream": 3, "hybrid": 3, "objstm": 4}
    rows = []
    for name, good in goods.items():
        rows.extend((variant, data, note, pages[name]) for variant, data, note in variants(name, good))
    # Encrypted, with an empty user password: the rebuilt trailer must keep /Encrypt and /ID, and
    # object streams can be read only once the password is known.
    encrypted = qpdf_rewrite(folder, classic(base_objects(3)), "--encrypt", "", "owner", "256", "--")
    encrypted_objstm = qpdf_rewrite(folder, classic(base_objects(3)), "--object-streams=generate",
                                    "--encrypt", "", "owner", "128", "--use-aes=y", "--")
    rows.append(("encrypted-no-table-keep-trailer", without_table_keep_trailer(encrypted),
                 "AES-256, tables deleted, trailer kept", 3))
    rows.append(("encrypted-objstm-startxref-zero", with_startxref(encrypted_objstm, 0),
                 "AES-128 with object streams, startxref 0", 3))
    rows.append(("classic-offsets-plus100", shifted_offsets(classic_file, 100), "every offset 100 bytes late", 3))
    rows.append(("classic-offsets-minus60", shifted_offsets(classic_file, -60), "every offset 60 bytes early", 3))
    rows.append(("incremental-offsets-plus40", shifted_offsets(incremental(3), 40), "every offset 40 bytes late", 4))
    rows.append(("hybrid-no-streams", without_xref_streams(hybrid(3)), "cross-reference stream blanked out", 3))
    rows.append(("xrefstream-blanked", without_xref_streams(xref_stream_file(3)),
                 "the only cross-reference stream blanked out: no trailer, a catalog to find", 3))
    rows.append(("objstm-xref-blanked", without_xref_streams(objstm_file),
                 "cross-reference stream blanked out: objects only in object streams", 4))
    rows.append(("objstm-broken-index", with_broken_object_stream_index(objstm_file),
                 "object-stream headers name numbers that do not exist", 4))
    rows.append(("objstm-broken-index-no-xref", without_xref_streams(with_broken_object_stream_index(objstm_file)),
                 "object-stream headers garbled and the cross-reference stream gone", 4))
    # A later copy of the page tree root, outside any table, with one kid fewer: the copy wins.
    two_kids = base_objects(3)[2].replace(b"/Count 3", b"/Count 2").replace(b" 14 0 R", b"")
    rows.append(("classic-duplicate-pages-no-tables",
                 without_tables(with_appended_objects(classic_file, {2: two_kids})),
                 "page tree root defined twice, tables deleted", 2))
    rows.append(("classic-duplicate-pages-appended", with_appended_objects(classic_file, {2: two_kids}),
                 "page tree root defined again after the end, tables intact", 3))
    rows.append(("classic-catalog-type-only", without_tables(classic_file).replace(b"/Root 1 0 R", b""),
                 "no table and no /Root: the catalog is found by its type", 3))
    rows.append(("garbage-objects", b"%PDF-1.4\n1 0 obj\n(no catalog here)\nendobj\n2 0 obj\n<< /Kids [] >>\nendobj\n",
                 "objects but no catalog", 0))
    with open(os.path.join(folder, "manifest.tsv"), "w", encoding="utf-8") as manifest:
        manifest.write("file\tcase\tpages of the good file\n")
        for name, data, note, good_pages in rows:
            with open(os.path.join(folder, name + ".pdf"), "wb") as file:
                file.write(data)
            manifest.write("%s.pdf\t%s\t%d\n" % (name, note, good_pages))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    make(sys.argv[1])


if __name__ == "__main__":
    main()
