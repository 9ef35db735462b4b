#!/usr/bin/env python3
"""Turns the committed data files into the PDF library's embedded resources.

Each resource is converted into the binary form its reader expects, zlib-compressed and
written as a byte array into one generated C++ source, found at run time by its number or by
its name (a resource named like a form description names its data, "acSHDA").

Usage: embed_resources.py OUTPUT.cpp ID:KIND:PATH...
  ID is a number (1..65535) or a name (a letter or "_", then letters, digits or "_"); names are
  told apart without letter case, as their readers look them up.
Kinds:
  raw        the file's bytes as they are
  glyphlist  an Adobe Glyph List text: a first-character index, then the records
             (name length, name, UTF-16 value little-endian), sorted by name
  cmap       a CMap text (cidrange/cidchar or bfrange/bfchar): sections of one code length
             and one value width each, codes as deltas, values as big-endian bytes
"""

import re
import struct
import sys
import zlib

# ---------------------------------------------------------------------------------------------
# Glyph list

FIRST_INDEXED, LAST_INDEXED = ord("A"), ord("z")


def glyph_list(text):
    records = {}
    for line in text.splitlines():
        if not line or line.startswith("#"):
            continue
        name, values = line.split(";")
        value = int(values.split()[0], 16)  # a name for several code points keeps the first
        if value > 0xFFFF or not 0 < len(name) < 256:
            raise ValueError(f"glyph list entry out of range: {line}")
        records.setdefault(name.encode("ascii"), value)
    names = sorted(records)

    index_size = 3 * (LAST_INDEXED - FIRST_INDEXED + 1)
    body = bytearray()
    first_offset = {}  # first character -> 1-based offset of its first record in the data
    for name in names:
        first_offset.setdefault(name[0], index_size + len(body) + 1)
        body += bytes([len(name)]) + name + struct.pack("<H", records[name])
    end_offset = index_size + len(body) + 1

    def offset_for(char):
        if ord("[") <= char <= ord("`"):
            char = ord("a")
        later = [o for c, o in first_offset.items() if c >= char]
        return min(later) if later else end_offset

    index = bytearray()
    for char in range(FIRST_INDEXED, LAST_INDEXED + 1):
        index += struct.pack("<I", offset_for(char))[:3]
    return bytes(index + body)


# ---------------------------------------------------------------------------------------------
# CMaps

MAX_SECTION_ENTRIES = 65535
HEX = re.compile(rb"<([0-9A-Fa-f]*)>")


def hex_token(token):
    return len(token) // 2, int(token, 16)


def next_value(value, width):
    """The destination of the next code of a range: the last UTF-16 unit grows by one."""
    data = bytearray(value.to_bytes(width, "big"))
    last = (int.from_bytes(data[-2:], "big") + 1) & 0xFFFF if width >= 2 else None
    if last is None:
        return (value + 1) & 0xFF
    data[-2:] = last.to_bytes(2, "big")
    return int.from_bytes(data, "big")


def cmap_mappings(text):
    """(code length, code, value bytes) in the order the CMap defines them."""
    blocks = re.finditer(
        rb"begin(cidrange|cidchar|bfrange|bfchar)(.*?)end\1", text, re.S)
    for block in blocks:
        kind, body = block.group(1), block.group(2)
        for line in body.splitlines():
            line = line.split(b"%")[0].strip()
            if not line:
                continue
            codes = [hex_token(t) for t in HEX.findall(line)]
            if kind == b"cidchar":
                length, code = codes[0]
                cid = int(line.split()[-1])
                yield length, code, cid.to_bytes(2, "big")
            elif kind == b"cidrange":
                (length, low), (_, high) = codes[0], codes[1]
                cid = int(line.split()[-1])
                for offset, code in enumerate(range(low, high + 1)):
                    yield length, code, (cid + offset).to_bytes(2, "big")
            elif kind == b"bfchar":
                (length, code), (width, value) = codes[0], codes[1]
                yield length, code, value.to_bytes(width, "big")
            elif b"[" in line:  # bfrange with one destination per code
                (length, low), (_, high) = codes[0], codes[1]
                for code, (width, value) in zip(range(low, high + 1), codes[2:]):
                    yield length, code, value.to_bytes(width, "big")
            else:
                (length, low), (_, high), (width, value) = codes[0], codes[1], codes[2]
                for code in range(low, high + 1):
                    yield length, code, value.to_bytes(width, "big")
                    value = next_value(value, width)


def cmap(text):
    sections = {}  # (code length, value width) -> [(code, value)], in order of first use
    for length, code, value in cmap_mappings(text):
        sections.setdefault((length, len(value)), []).append((code, value))

    out = bytearray()
    chunks = []
    for (length, width), entries in sections.items():
        entries.sort(key=lambda entry: entry[0])  # stable: equal codes keep their order
        for start in range(0, len(entries), MAX_SECTION_ENTRIES):
            chunks.append((length, width, entries[start:start + MAX_SECTION_ENTRIES]))
    out += struct.pack("<I", len(chunks))
    delta_format = {1: "<B", 2: "<H"}
    for length, width, entries in chunks:
        out += struct.pack("<III", length, width, len(entries))
        previous = 0
        for code, _ in entries:
            out += struct.pack(delta_format.get(length, "<I"), code - previous)
            previous = code
        for _, value in entries:
            out += value
    return bytes(out)


# ---------------------------------------------------------------------------------------------
# Output

CONVERTERS = {"raw": lambda data: data, "glyphlist": lambda data: glyph_list(data.decode("ascii")),
              "cmap": cmap}


def c_array(name, data):
    lines = [f"const unsigned char {name}[] = {{"]
    for start in range(0, len(data), 24):
        lines.append("    " + ",".join(str(b) for b in data[start:start + 24]) + ",")
    lines.append("};")
    return "\n".join(lines)


NAME = re.compile(r"[A-Za-z_][A-Za-z0-9_]*")


def parse_request(request):
    """(number, name, kind, path): a numbered resource has the name "", a named one number 0."""
    parts = request.split(":", 2)
    if len(parts) != 3 or parts[1] not in CONVERTERS:
        raise ValueError(f"not ID:KIND:PATH with a known kind: {request}")
    ident, kind, path = parts
    if ident.isdigit() and 1 <= int(ident) <= 65535:
        return int(ident), "", kind, path
    if NAME.fullmatch(ident):
        return 0, ident, kind, path
    raise ValueError(f"resource id is neither a number 1..65535 nor a name: {ident}")


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    output, requests = argv[0], argv[1:]
    arrays, entries, seen = [], [], set()
    for index, request in enumerate(requests):
        number, name, kind, path = parse_request(request)
        key = number or name.lower()
        if key in seen:
            raise ValueError(f"resource given twice: {number or name}")
        seen.add(key)
        with open(path, "rb") as f:
            compressed = zlib.compress(CONVERTERS[kind](f.read()), 9)
        symbol = f"kResource{index}"
        arrays.append(c_array(symbol, compressed))
        entries.append(f'    {{{number}, "{name}", {{reinterpret_cast<const char*>({symbol}), sizeof({symbol})}}}},')
    source = "\n".join([
        "// Generated by tools/embed_resources.py from resources/data; do not edit.",
        '#include "resources/EmbeddedResources.h"',
        "",
        "namespace parch {",
        "namespace {",
        "",
        *arrays,
        "",
        "const EmbeddedResource kResources[] = {",
        *entries,
        "};",
        "",
        "}  // namespace",
        "",
        "std::span<const EmbeddedResource> EmbeddedResourceTable() { return kResources; }",
        "",
        "}  // namespace parch",
        "",
    ])
    with open(output, "w") as f:
        f.write(source)


if __name__ == "__main__":
    main(sys.argv[1:])
