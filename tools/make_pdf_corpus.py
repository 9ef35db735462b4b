#!/usr/bin/env python3
"""Writes a corpus of PDF files for the document-opening tests, with a manifest.

Usage: make_pdf_corpus.py OUTPUT_FOLDER

Hand-written files (flat and nested page trees, incremental updates, a hybrid file, a
cross-reference stream), qpdf's object streams and linearized files, files encrypted by qpdf
(RC4 40 and 128 bits, AES-128, AES-256, revisions 2 to 6, clear metadata) and by this script
(key lengths, crypt filters and dictionaries qpdf does not write; AES through openssl, AES-256
with key values qpdf made), and damaged variants. manifest.tsv lists, per
file and password, the error code a user expects from opening it (0 opened, 401 unreadable, 403
unsupported encryption, 404 password needed or wrong) and qpdf's page count.
"""

import hashlib
import os
import re
import subprocess
import sys
import zlib

PADDING = bytes.fromhex("28BF4E5E4E758A4164004E56FFFA01082E2E00B6D0683E802F0CA9FE6453697A")
XMP = (b'<?xpacket begin="\xef\xbb\xbf" id="W5M0MpCehiHzreSzNTczkc9d"?>\n'
       b'<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF '
       b'xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">'
       b'<rdf:Description xmlns:dc="http://purl.org/dc/elements/1.1/">'
       b'<dc:format>application/pdf</dc:format></rdf:Description></rdf:RDF></x:xmpmeta>\n'
       b'<?xpacket end="w"?>')


# --- Hand-written documents -------------------------------------------------------------------

def stream(entries, data, length=None):
    length = len(data) if length is None else length
    return b"<< %s /Length %d >>\nstream\n%s\nendstream" % (entries, length, data)


def page_content(number):
    text = b"BT /F1 24 Tf 72 720 Td (Page %d) Tj ET" % number
    return stream(b"/Filter /FlateDecode", zlib.compress(text))


def base_objects(pages, nested=False):
    """Catalog 1, pages 2, metadata 3, font 4, info 5, then a page and its content per page."""
    objects = {
        1: b"<< /Type /Catalog /Pages 2 0 R /Metadata 3 0 R >>",
        3: stream(b"/Type /Metadata /Subtype /XML", XMP),
        4: b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        5: b"<< /Title (Corpus document) /Producer (make_pdf_corpus) >>",
    }
    page_refs = []
    for i in range(pages):
        page, content = 10 + 2 * i, 11 + 2 * i
        objects[page] = (b"<< /Type /Page /Parent %%d 0 R /MediaBox [0 0 612 792] "
                         b"/Resources << /Font << /F1 4 0 R >> >> /Contents %d 0 R >>" % content)
        objects[content] = page_content(i + 1)
        page_refs.append(page)
    parent_of = {p: 2 for p in page_refs}
    if nested and pages >= 2:
        inner = page_refs[:-1]
        objects[6] = b"<< /Type /Pages /Parent 2 0 R /Count %d /Kids [%s] >>" % (
            len(inner), b" ".join(b"%d 0 R" % p for p in inner))
        for p in inner:
            parent_of[p] = 6
        kids = [6, page_refs[-1]]
    else:
        kids = page_refs
    for p in page_refs:
        objects[p] = objects[p] % parent_of[p]
    objects[2] = b"<< /Type /Pages /Count %d /Kids [%s] >>" % (pages, b" ".join(b"%d 0 R" % k for k in kids))
    return objects


def write_body(objects, header=b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n", start=0):
    body = bytearray(header)
    offsets = {}
    for number in sorted(objects):
        offsets[number] = start + len(body)
        body += b"%d 0 obj\n%s\nendobj\n" % (number, objects[number])
    return body, offsets


def xref_table(offsets, size, first_label=0, shift=0):
    lines = [b"0000000000 65535 f \n"]
    for number in range(1, size):
        if number in offsets:
            lines.append(b"%010d 00000 n \n" % (offsets[number] + shift))
        else:
            lines.append(b"0000000000 65535 f \n")
    return b"xref\n%d %d\n" % (first_label, size) + b"".join(lines)


def classic(objects, trailer=b"", header=b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n", first_label=0, shift=0,
            startxref_delta=0, prev=None):
    body, offsets = write_body(objects, header)
    size = max(objects) + 1
    xref_at = len(body)
    body += xref_table(offsets, size, first_label, shift)
    extra = b" /Prev %d" % prev if prev is not None else b""
    body += b"trailer\n<< /Size %d /Root 1 0 R /Info 5 0 R%s%s >>\n" % (size, trailer, extra)
    body += b"startxref\n%d\n%%%%EOF\n" % (xref_at + startxref_delta)
    return bytes(body)


def incremental(pages):
    """A document, then an update that adds one page and frees the info dictionary."""
    first = classic(base_objects(pages))
    objects = base_objects(pages + 1)
    changed = {2: objects[2], 10 + 2 * pages: objects[10 + 2 * pages], 11 + 2 * pages: objects[11 + 2 * pages]}
    previous_xref = int(first.rsplit(b"startxref\n", 1)[1].split(b"\n")[0])
    body = bytearray(first)
    offsets = {}
    for number in sorted(changed):
        offsets[number] = len(body)
        body += b"%d 0 obj\n%s\nendobj\n" % (number, changed[number])
    xref_at = len(body)
    body += b"xref\n0 1\n0000000000 65535 f \n2 1\n%010d 00000 n \n" % offsets[2]
    body += b"5 1\n0000000000 00001 f \n"  # a newer free entry leaves the older one in force
    body += b"%d 2\n%010d 00000 n \n%010d 00000 n \n" % (
        10 + 2 * pages, offsets[10 + 2 * pages], offsets[11 + 2 * pages])
    size = 12 + 2 * pages
    body += b"trailer\n<< /Size %d /Root 1 0 R /Info 5 0 R /Prev %d >>\nstartxref\n%d\n%%%%EOF\n" % (
        size, previous_xref, xref_at)
    return bytes(body)


def xref_stream_entries(entries, widths=(1, 2, 1)):
    data = bytearray()
    for fields in entries:
        for value, width in zip(fields, widths):
            data += value.to_bytes(width, "big") if width else b""
    return bytes(data)


def xref_stream_file(pages, prev_loop=False):
    """Every object listed by a cross-reference stream without /Index."""
    objects = base_objects(pages)
    body, offsets = write_body(objects, b"%PDF-1.5\n%\xe2\xe3\xcf\xd3\n")
    number = max(objects) + 1
    xref_at = len(body)
    offsets[number] = xref_at
    entries = [(1, offsets[n], 0) if n in offsets else (0, 0, 0) for n in range(number + 1)]
    entries[0] = (0, 0, 255)
    data = zlib.compress(xref_stream_entries(entries))
    prev = b" /Prev %d" % xref_at if prev_loop else b""
    body += b"%d 0 obj\n%s\nendobj\n" % (number, stream(
        b"/Type /XRef /Size %d /W [1 2 1] /Root 1 0 R /Info 5 0 R /Filter /FlateDecode%s" % (number + 1, prev), data))
    body += b"startxref\n%d\n%%%%EOF\n" % xref_at
    return bytes(body)


def hybrid(pages):
    """A classic table for the plain objects and /XRefStm for font and info in an object stream."""
    objects = base_objects(pages)
    packed = {4: objects.pop(4), 5: objects.pop(5)}
    header_numbers, packed_data = [], b""
    for n in sorted(packed):
        header_numbers.append(b"%d %d" % (n, len(packed_data)))
        packed_data += packed[n] + b"\n"
    head = b" ".join(header_numbers) + b"\n"
    objstm = max(objects) + 1
    objects[objstm] = stream(b"/Type /ObjStm /N %d /First %d /Filter /FlateDecode" % (len(packed), len(head)),
                             zlib.compress(head + packed_data))
    body, offsets = write_body(objects, b"%PDF-1.5\n%\xe2\xe3\xcf\xd3\n")
    xrefstm = objstm + 1
    stm_at = len(body)
    entries = [(0, 0, 0)] * (xrefstm + 1)
    for index, n in enumerate(sorted(packed)):
        entries[n] = (2, objstm, index)
    entries[xrefstm] = (1, stm_at, 0)
    data = xref_stream_entries(entries)
    body += b"%d 0 obj\n%s\nendobj\n" % (xrefstm, stream(
        b"/Type /XRef /Size %d /W [1 2 1] /Root 1 0 R" % (xrefstm + 1), data))
    table_at = len(body)
    size = xrefstm + 1
    body += xref_table(offsets, size)
    body += b"trailer\n<< /Size %d /Root 1 0 R /Info 5 0 R /XRefStm %d >>\nstartxref\n%d\n%%%%EOF\n" % (
        size, stm_at, table_at)
    return bytes(body)


# --- The standard security handler, revisions 2 to 4 (ISO 32000-1 algorithms 1 to 5) ----------

def rc4(key, data):
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) % 256
        s[i], s[j] = s[j], s[i]
    out, i, j = bytearray(), 0, 0
    for byte in data:
        i = (i + 1) % 256
        j = (j + s[i]) % 256
        s[i], s[j] = s[j], s[i]
        out.append(byte ^ s[(s[i] + s[j]) % 256])
    return bytes(out)


def pad(password):
    return (password + PADDING)[:32]


def owner_value(owner, user, revision, n):
    key = hashlib.md5(pad(owner or user)).digest()
    if revision >= 3:
        for _ in range(50):
            key = hashlib.md5(key[:n]).digest()
    key = key[:n]
    value = rc4(key, pad(user))
    if revision >= 3:
        for i in range(1, 20):
            value = rc4(bytes(b ^ i for b in key), value)
    return value


def file_key(user, o, p, first_id, revision, n):
    digest = hashlib.md5(pad(user) + o + (p & 0xFFFFFFFF).to_bytes(4, "little") + first_id).digest()
    if revision >= 3:
        for _ in range(50):
            digest = hashlib.md5(digest[:n]).digest()
    return digest[:n]


def user_value(key, first_id, revision):
    if revision == 2:
        return rc4(key, PADDING)
    value = rc4(key, hashlib.md5(PADDING + first_id).digest())
    for i in range(1, 20):
        value = rc4(bytes(b ^ i for b in key), value)
    return value + bytes(16)


ATTACHED = b"Attached text"


def with_attachment(objects):
    """Adds an embedded file (objects 7 to 9) to the catalog's name tree."""
    objects[1] = objects[1][:-2] + b"/Names << /EmbeddedFiles 7 0 R >> >>"
    objects[7] = b"<< /Names [(note.txt) 8 0 R] >>"
    objects[8] = b"<< /Type /Filespec /F (note.txt) /EF << /F 9 0 R >> >>"
    objects[9] = stream(b"/Type /EmbeddedFile", ATTACHED)
    return objects


def aes_cbc(key, data, seed):
    """AES-CBC with a padded last block, the IV (made from the seed) in front."""
    iv = hashlib.md5(seed).digest()
    result = subprocess.run(["openssl", "enc", "-aes-%d-cbc" % (8 * len(key)), "-K", key.hex(), "-iv", iv.hex()],
                            input=data, capture_output=True, check=True)
    return iv + result.stdout


def crypt(method, key, number, data):
    """Encrypts one string or stream of object `number` (generation 0); None leaves it."""
    if method is None:
        return data
    if method == "aesv3":
        return aes_cbc(key, data, b"%d" % number + data)
    salt = b"sAlT" if method == "aesv2" else b""
    object_key = hashlib.md5(key + number.to_bytes(4, "little")[:3] + bytes(2) + salt).digest()[:min(len(key) + 5, 16)]
    if method == "aesv2":
        return aes_cbc(object_key, data, b"%d" % number + data)
    return rc4(object_key, data)


def encrypt_objects(objects, key, strings="rc4", streams="rc4", files=None):
    """Encrypts the literal strings and the streams of the hand-written objects with the method
    of each: strings, streams, and embedded files (which take the streams' by default); a
    stream with a /Crypt filter of its own stays clear."""
    files = streams if files is None else files
    result = {}
    for number, text in objects.items():
        if b"stream\n" in text:
            head, rest = text.split(b"stream\n", 1)
            data = rest[: rest.rindex(b"\nendstream")]
            method = files if b"/Type /EmbeddedFile" in head else streams
            if b"/Filter /Crypt" in head:  # its own crypt filter, always /Identity here
                method = None
            encrypted = crypt(method, key, number, data)
            head = head.replace(b"/Length %d" % len(data), b"/Length %d" % len(encrypted))
            text = head + b"stream\n" + encrypted + b"\nendstream"
        elif strings is not None:
            while b"(" in text:
                start, end = text.index(b"("), text.index(b")")
                hexadecimal = crypt(strings, key, number, text[start + 1:end]).hex().encode()
                text = text[:start] + b"<" + hexadecimal + b">" + text[end + 1:]
        result[number] = text
    return result


def std_cf(method, length=None, name=b"StdCF"):
    """A /CF dictionary with one crypt filter."""
    entry = b"" if length is None else b" /Length %d" % length
    return b"/CF << /%s << /CFM /%s%s >> >>" % (name, method, entry)


def rc4_encrypted(pages, user, owner, bits, revision=3, version=2, length_entry=True, with_id=True,
                  filters=b"", strings="rc4", streams="rc4", files=None, attachment=False, length=None,
                  clear_metadata_filter=False):
    """A hand-written document encrypted by the algorithms above (RC4, or AES-128 when the
    methods say so). `filters` goes into the dictionary as it stands; `length` replaces the
    /Length of V 1 to 3."""
    n = bits // 8
    p = -4
    first_id = hashlib.md5(b"corpus").digest() if with_id else b""
    o = owner_value(owner, user, revision, n)
    key = file_key(user, o, p, first_id, revision, n)
    u = user_value(key, first_id, revision)
    objects = base_objects(pages)
    if attachment:
        with_attachment(objects)
    if clear_metadata_filter:
        objects[3] = stream(b"/Type /Metadata /Subtype /XML /Filter /Crypt"
                             b" /DecodeParms << /Type /CryptFilterDecodeParms /Name /Identity >>", XMP)
    objects = encrypt_objects(objects, key, strings, streams, files)
    number = max(objects) + 1
    entries = b"/Filter /Standard /V %d /R %d /O <%s> /U <%s> /P %d" % (
        version, revision, o.hex().encode(), u.hex().encode(), p)
    if length_entry and version in (1, 2, 3):
        entries += b" /Length %s" % (b"%d" % bits if length is None else length)
    objects[number] = b"<< %s %s >>" % (entries, filters)
    trailer = b" /Encrypt %d 0 R" % number
    if with_id:
        trailer += b" /ID [<%s> <%s>]" % (first_id.hex().encode(), first_id.hex().encode())
    return classic(objects, trailer)


def aesv3_encrypted(values, pages, filters, strings="aesv3", streams="aesv3", files=None, attachment=False):
    """A hand-written revision-6 document whose key values and file key qpdf made."""
    objects = base_objects(pages)
    if attachment:
        with_attachment(objects)
    objects = encrypt_objects(objects, values["key"], strings, streams, files)
    number = max(objects) + 1
    entries = b" ".join(b"/%s <%s>" % (name.encode(), values[name].hex().encode())
                        for name in ("O", "U", "OE", "UE", "Perms"))
    objects[number] = b"<< /Filter /Standard /V 5 /R 6 /Length 256 /P %d %s %s >>" % (values["P"], entries, filters)
    first_id = hashlib.md5(b"corpus").hexdigest().encode()
    return classic(objects, b" /Encrypt %d 0 R /ID [<%s> <%s>]" % (number, first_id, first_id))


def count_pages_written(data):
    """The /Count of the last root page node this script wrote into the file."""
    found = re.findall(rb"<< /Type /Pages /Count (\d+) /Kids", data)
    return int(found[-1]) if found and int(found[-1]) < 1000 else None


# --- Files and the manifest -------------------------------------------------------------------

class Corpus:
    def __init__(self, folder):
        self.folder = folder
        self.rows = []
        os.makedirs(folder, exist_ok=True)

    def path(self, name):
        return os.path.join(self.folder, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as file:
            file.write(data)
        return name

    def qpdf(self, source, name, *options):
        result = subprocess.run(["qpdf", *options, self.path(source), self.path(name)],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if result.returncode not in (0, 3):
            sys.exit("qpdf failed making %s" % name)
        return name

    def qpdf_r6_values(self, source):
        """The key values, /P and the file key of a revision-6 file that qpdf encrypts."""
        path = self.path(self.qpdf(source, "r6-values.pdf", "--encrypt", "user", "owner", "256", "--"))
        with open(path, "rb") as file:
            number = re.search(rb"/Encrypt (\d+) 0 R", file.read()).group(1).decode()
        shown = subprocess.run(["qpdf", "--show-object=" + number, "--password=user", path],
                               capture_output=True, check=True).stdout
        values = {name: bytes.fromhex(re.search(rb"/%s <([0-9a-f]+)>" % name.encode(), shown).group(1).decode())
                  for name in ("O", "U", "OE", "UE", "Perms")}
        values["P"] = int(re.search(rb"/P (-?\d+)", shown).group(1))
        report = subprocess.run(["qpdf", "--show-encryption", "--show-encryption-key", "--password=user", path],
                                capture_output=True, text=True, check=True).stdout
        values["key"] = bytes.fromhex(re.search(r"Encryption key = ([0-9a-f]+)", report).group(1))
        os.remove(path)
        return values

    def agrees(self, name, password, number, expected, stream=False):
        """qpdf, the oracle, reads the expected text out of object `number` of the file."""
        command = ["qpdf", "--show-object=%d" % number, "--password=" + password]
        command += ["--filtered-stream-data"] if stream else []
        result = subprocess.run(command + [self.path(name)], capture_output=True)
        if expected not in result.stdout:
            sys.exit("qpdf does not read %r out of object %d of %s" % (expected, number, name))

    def pages(self, name, password):
        """The pages qpdf finds walking the tree; --show-npages would repeat a false /Count."""
        command = ["qpdf", "--show-pages"] + (["--password=" + password] if password else []) + [self.path(name)]
        result = subprocess.run(command, capture_output=True, text=True)
        if result.returncode not in (0, 3):
            return ""
        return str(sum(1 for line in result.stdout.splitlines() if line.startswith("page ")))

    def expect(self, name, password, error, note, known_pages=None):
        """qpdf counts the pages; where qpdf cannot read a file, the count the script wrote."""
        pages = self.pages(name, password) if error == 0 else ""
        if error == 0 and not pages and known_pages is not None:
            pages = str(known_pages)
        if error == 0 and not pages:
            sys.exit("qpdf cannot count the pages of %s, expected to open" % name)
        self.rows.append((name, password, str(error), pages, note))

    def expect_passwords(self, name, user, owner, note, known_pages=None):
        self.expect(name, user, 0, note + ", user password", known_pages)
        self.expect(name, owner, 0, note + ", owner password", known_pages)
        self.expect(name, "wrong", 404, note + ", wrong password")
        if user:
            self.expect(name, "", 404, note + ", no password")

    def save_manifest(self):
        with open(self.path("manifest.tsv"), "w", encoding="utf-8") as file:
            file.write("file\tpassword\terror\tpages\tcase\n")
            for row in self.rows:
                file.write("\t".join(row) + "\n")


def make_plain(corpus):
    corpus.expect(corpus.write("hand-1page.pdf", classic(base_objects(1))), "", 0, "one page")
    corpus.expect(corpus.write("hand-flat.pdf", classic(base_objects(5))), "", 0, "flat tree")
    corpus.expect(corpus.write("hand-nested.pdf", classic(base_objects(5, nested=True))), "", 0, "nested tree")
    corpus.expect(corpus.write("hand-incremental.pdf", incremental(3)), "", 0, "incremental update")
    corpus.expect(corpus.write("hand-xrefstream.pdf", xref_stream_file(4)), "", 0, "cross-reference stream")
    corpus.expect(corpus.write("hand-hybrid.pdf", hybrid(4)), "", 0, "hybrid file")
    corpus.expect(corpus.qpdf("hand-nested.pdf", "qpdf-objstm.pdf", "--object-streams=generate"), "", 0,
                  "object streams and cross-reference stream")
    corpus.expect(corpus.qpdf("hand-flat.pdf", "qpdf-linearized.pdf", "--linearize"), "", 0, "linearized")
    corpus.expect(corpus.qpdf("hand-nested.pdf", "qpdf-linearized-objstm.pdf", "--linearize",
                              "--object-streams=generate"), "", 0, "linearized with object streams")


QPDF_ENCRYPTIONS = [
    ("qpdf-r2-40.pdf", "user", "owner", ["40"], "RC4 40 bits, revision 2"),
    ("qpdf-r3-128.pdf", "user", "owner", ["128", "--use-aes=n"], "RC4 128 bits, revision 3"),
    ("qpdf-r4-rc4.pdf", "user", "owner", ["128", "--use-aes=n", "--force-V4"], "RC4 128 bits, revision 4"),
    ("qpdf-r4-aes.pdf", "user", "owner", ["128", "--use-aes=y"], "AES-128, revision 4"),
    ("qpdf-r4-aes-clearmeta.pdf", "user", "owner", ["128", "--use-aes=y", "--cleartext-metadata"],
     "AES-128 with clear metadata"),
    ("qpdf-r4-emptyuser.pdf", "", "owner", ["128", "--use-aes=y"], "AES-128, empty user password"),
    ("qpdf-r5.pdf", "user", "owner", ["256", "--force-R5"], "AES-256, revision 5"),
    ("qpdf-r6.pdf", "user", "owner", ["256"], "AES-256, revision 6"),
    ("qpdf-r6-clearmeta.pdf", "user", "owner", ["256", "--cleartext-metadata"], "AES-256 with clear metadata"),
    ("qpdf-r6-unicode.pdf", "p\u00e4ssw\u00f6rd", "\u00f6wn\u00e9r", ["256"], "AES-256, non-ASCII passwords"),
]


def make_encrypted(corpus):
    for name, user, owner, options, note in QPDF_ENCRYPTIONS:
        corpus.qpdf("hand-nested.pdf", name, "--allow-weak-crypto", "--encrypt", user, owner, *options, "--")
        corpus.expect_passwords(name, user, owner, note)
    # The same password typed in decomposed form: normalised, it is the same password.
    corpus.expect("qpdf-r6-unicode.pdf", "pa\u0308ssw\u00f6rd", 0, "decomposed non-ASCII user password",
                  known_pages=5)
    corpus.qpdf("qpdf-objstm.pdf", "qpdf-r6-objstm.pdf", "--encrypt", "user", "owner", "256", "--")
    corpus.expect_passwords("qpdf-r6-objstm.pdf", "user", "owner", "AES-256 with object streams")

    values = corpus.qpdf_r6_values("hand-1page.pdf")
    both = b" /StmF /StdCF /StrF /StdCF"
    title, content, attached = (5, b"(Corpus document)", False), (11, b"(Page 1) Tj", True), (9, ATTACHED, True)
    readable = (title, content)
    # name, data, user password, what qpdf must read back (where it can: it knows no /CFM /None, no
    # /EFF and no V 2 without a usable /Length), note
    made = [
        ("py-r3-40bit.pdf", rc4_encrypted(3, b"user", b"owner", 40), "user", readable, "RC4 40 bits under revision 3"),
        ("py-r3-56bit.pdf", rc4_encrypted(3, b"user", b"owner", 56), "user", readable, "RC4 56 bits"),
        ("py-v2-nolength.pdf", rc4_encrypted(3, b"user", b"owner", 40, length_entry=False), "user", (),
         "V 2 without /Length"),
        ("py-v2-nolength-128.pdf", rc4_encrypted(3, b"user", b"owner", 128, length_entry=False), "user", (),
         "V 2 without /Length, 128-bit key"),
        ("py-v2-badlength-128.pdf", rc4_encrypted(3, b"user", b"owner", 128, length=b"44"), "user", (),
         "V 2 with an unusable /Length, 128-bit key"),
        ("py-r2-noid.pdf", rc4_encrypted(3, b"user", b"owner", 40, revision=2, with_id=False), "user", readable, "no /ID"),
        ("py-r4-length-bytes.pdf", rc4_encrypted(3, b"user", b"owner", 128, revision=4, version=4,
                                                 filters=std_cf(b"V2", 16) + both), "user", readable,
         "crypt filter /Length in bytes"),
        ("py-r4-length-bits.pdf", rc4_encrypted(3, b"user", b"owner", 128, revision=4, version=4,
                                                filters=std_cf(b"V2", 128) + both), "user", readable,
         "crypt filter /Length in bits"),
        ("py-r4-nolength-emptyuser.pdf", rc4_encrypted(3, b"", b"owner", 128, revision=4, version=4,
                                                       filters=std_cf(b"V2") + both), "", readable,
         "RC4 crypt filter without /Length, empty user password"),
        ("py-r4-rc4-identity-streams.pdf", rc4_encrypted(3, b"user", b"owner", 128, revision=4, version=4,
                                                         filters=std_cf(b"V2", 16) + b" /StmF /Identity /StrF /StdCF",
                                                         streams=None, attachment=True), "user", readable + (attached,),
         "RC4 strings, Identity streams"),
        ("py-r4-aes-identity-strings.pdf", rc4_encrypted(3, b"user", b"owner", 128, revision=4, version=4,
                                                         filters=std_cf(b"AESV2", 16) + b" /StmF /StdCF /StrF /Identity",
                                                         strings=None, streams="aesv2", attachment=True), "user", readable + (attached,),
         "AES-128 streams, Identity strings"),
        ("py-r4-cfm-none.pdf", rc4_encrypted(3, b"user", b"owner", 128, revision=4, version=4,
                                             filters=b"/CF << /StdCF << /CFM /AESV2 /Length 16 >> /PlainCF << /CFM /None >> >>"
                                                     b" /StmF /StdCF /StrF /PlainCF",
                                             strings=None, streams="aesv2"), "user", (),
         "AES-128 streams, strings under a crypt filter whose method is /None (qpdf knows no /None)"),
        ("py-r4-aes-crypt-identity.pdf", rc4_encrypted(3, b"user", b"owner", 128, revision=4, version=4,
                                                       filters=std_cf(b"AESV2", 16) + both, streams="aesv2",
                                                       strings="aesv2", clear_metadata_filter=True), "user",
         readable + ((3, b"<?xpacket begin=", True),), "AES-128, metadata clear by its own /Crypt filter"),
        ("py-r6-identity-streams.pdf", aesv3_encrypted(values, 3, std_cf(b"AESV3", 32) + b" /StmF /Identity /StrF /StdCF",
                                                       streams=None, attachment=True), "user", readable + (attached,),
         "AES-256 strings, Identity streams"),
        ("py-r6-attachments-only.pdf", aesv3_encrypted(values, 3, std_cf(b"AESV3", 32) +
                                                       b" /StmF /Identity /StrF /Identity /EFF /StdCF",
                                                       strings=None, streams=None, files="aesv3", attachment=True),
         "user", readable, "AES-256, only the attachment encrypted"),
        ("py-r6-nolength.pdf", aesv3_encrypted(values, 3, std_cf(b"AESV3") + both, attachment=True), "user", readable + (attached,),
         "AES-256 crypt filter without /Length"),
        ("py-r6-no-filters.pdf", aesv3_encrypted(values, 3, b"", strings=None, streams=None), "user", readable,
         "AES-256 password, no crypt filter named: nothing encrypted"),
    ]
    for name, data, user, oracle, note in made:
        corpus.write(name, data)
        corpus.expect_passwords(name, user, "owner", note, known_pages=3)
        for number, text, is_stream in oracle:
            corpus.agrees(name, user, number, text, is_stream)

    unsupported = [
        ("unsupported-v3.pdf", rc4_encrypted(2, b"user", b"owner", 40, version=3), "V 3"),
        ("unsupported-cfm.pdf", rc4_encrypted(2, b"user", b"owner", 128, revision=4, version=4,
                                              filters=std_cf(b"FooBar", 16) + both), "unknown crypt filter method"),
        ("unsupported-undefined-filter.pdf", rc4_encrypted(2, b"user", b"owner", 128, revision=4, version=4,
                                                           filters=std_cf(b"V2", 16) + b" /StmF /StdCF /StrF /OtherCF"),
         "a crypt filter that /CF does not define"),
        ("unsupported-mixed-methods.pdf", rc4_encrypted(2, b"user", b"owner", 128, revision=4, version=4,
                                                        filters=b"/CF << /StdCF << /CFM /V2 /Length 16 >> "
                                                                b"/AESCF << /CFM /AESV2 /Length 16 >> >>"
                                                                b" /StmF /AESCF /StrF /StdCF"),
         "strings and streams under different methods"),
        ("unsupported-aesv3-under-v4.pdf", rc4_encrypted(2, b"user", b"owner", 128, revision=4, version=4,
                                                         filters=std_cf(b"AESV3", 32) + both), "AESV3 under V 4"),
    ]
    data = open(corpus.path("qpdf-r4-rc4.pdf"), "rb").read()
    unsupported.append(("unsupported-handler.pdf", data.replace(b"/Filter /Standard", b"/Filter /Adobe.PP", 1),
                        "another security handler"))
    for name, data, note in unsupported:
        corpus.write(name, data)
        for password in ("", "user", "owner"):
            corpus.expect(name, password, 403, note)

    data = open(corpus.path("qpdf-r6.pdf"), "rb").read()
    corpus.write("damaged-r6-no-ue.pdf", data.replace(b"/UE ", b"/XE ", 1))
    corpus.expect("damaged-r6-no-ue.pdf", "user", 401, "AES-256 without /UE, right password")
    corpus.expect("damaged-r6-no-ue.pdf", "wrong", 404, "AES-256 without /UE, wrong password")


def make_damaged(corpus):
    good = classic(base_objects(3))
    cases = [
        ("damaged-junk-100.pdf", b"JUNK" * 25 + good, 0, "100 bytes before the header"),
        ("damaged-junk-2000.pdf", b"x" * 2000 + good, 0, "2,000 bytes before the header"),
        ("damaged-startxref-plus5.pdf", classic(base_objects(3), startxref_delta=5), 0, "startxref 5 bytes late"),
        ("damaged-startxref-minus7.pdf", classic(base_objects(3), startxref_delta=-7), 0,
         "startxref 7 bytes early"),
        ("damaged-offsets-early.pdf", classic(base_objects(3), shift=-3), 0, "object offsets 3 bytes early"),
        ("damaged-offsets-late.pdf", classic(base_objects(3), shift=2), 0, "object offsets 2 bytes late"),
        ("damaged-xref-from-1.pdf", classic(base_objects(3), first_label=1), 0, "subsection numbered from 1"),
        ("damaged-no-eof.pdf", good[: good.rindex(b"%%EOF")], 0, "end marker cut"),
        ("damaged-truncated.pdf", good[: len(good) // 2], 0, "second half cut, rebuilt from the objects left"),
        ("damaged-no-header.pdf", good.replace(b"%PDF-1.4", b"%XYZ-1.4", 1), 401, "no header"),
        ("damaged-header-version.pdf", good.replace(b"%PDF-1.4\n", b"%PDF-1.4.1", 1), 401, "version with two points"),
        ("damaged-garbage.pdf", bytes(range(256)) * 8, 401, "not a PDF"),
        ("damaged-empty.pdf", b"", 401, "empty file"),
        ("damaged-xrefstream-prev-loop.pdf", xref_stream_file(2, prev_loop=True), 0, "/Prev names its own section"),
    ]
    objects = base_objects(3)
    objects[11] = stream(b"/Filter /FlateDecode", zlib.compress(b"BT ET"), length=len(zlib.compress(b"BT ET")) - 2)
    objects[13] = stream(b"/Filter /FlateDecode", zlib.compress(b"BT ET"), length=len(zlib.compress(b"BT ET")) + 40)
    objects[15] = stream(b"/Filter /FlateDecode", zlib.compress(b"BT ET"), length=-5)
    cases.append(("damaged-wrong-lengths.pdf", classic(objects), 0, "/Length short, long and negative"))
    prev_loop = classic(base_objects(2))
    xref_at = int(prev_loop.rsplit(b"startxref\n", 1)[1].split(b"\n")[0])
    cases.append(("damaged-prev-loop.pdf", prev_loop.replace(b"/Info 5 0 R >>", b"/Info 5 0 R /Prev %d >>" % xref_at),
                  0, "/Prev names its own section"))
    objects = base_objects(2)
    objects[2] = objects[2].replace(b"/Count 2", b"/Count 2147483647")
    cases.append(("damaged-count-huge.pdf", classic(objects), 0, "/Count far above the pages"))
    for name, data, error, note in cases:
        corpus.write(name, data)
        corpus.expect(name, "", error, note, known_pages=count_pages_written(data))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    corpus = Corpus(sys.argv[1])
    make_plain(corpus)
    make_encrypted(corpus)
    make_damaged(corpus)
    corpus.save_manifest()


if __name__ == "__main__":
    main()
