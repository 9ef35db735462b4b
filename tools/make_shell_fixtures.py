#!/usr/bin/env python3
"""Makes a folder of shell fixtures: many file types, links, hidden items, a FIFO, names with
"*" and "?", non-ASCII names and nested folders. Usage: make_shell_fixtures.py <folder>"""
import os
import stat
import sys
import zipfile

PDF = b"%PDF-1.4\n1 0 obj<</Type/Catalog>>endobj\ntrailer<</Root 1 0 R>>\n%%EOF\n"
PNG = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010806000000"
                    "1f15c4890000000d49444154789c6360000002000154a24f5d0000000049454e44ae426082")
JPG = bytes.fromhex("ffd8ffe000104a46494600010100000100010000ffd9")


def write(path, data):
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def main(root):
    os.makedirs(root, exist_ok=True)
    files = {
        "doc.pdf": PDF, "UPPER.PDF": PDF, "notes.txt": "plain text\n", "pic.png": PNG,
        "photo.jpg": JPG, "page.html": "<html><body>x</body></html>\n",
        "data.unknownext": "some text\n", "README": "no extension, text\n",
        "blob.bin": bytes(range(256)), "star*name.pdf": PDF, "what?.txt": "q\n",
        "Überraschung.pdf": PDF, "日本語.txt": "文字\n", "nested/inner.pdf": PDF,
        "nested/deeper/leaf.txt": "leaf\n", ".hidden.txt": "h\n", ".hiddendir/in.txt": "i\n",
        "readonly.txt": "r\n", "doc.pdf.txt": "not a pdf\n",
        "pdf-without-extension": PDF, "png-without-extension": PNG,
        "script-without-extension": "#!/bin/sh\necho hi\n", "empty-file": "",
    }
    for name, data in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        write(path, data)
    os.chmod(os.path.join(root, "readonly.txt"), 0o444)
    script = os.path.join(root, "run.sh")
    write(script, "#!/bin/sh\necho hi\n")
    os.chmod(script, 0o755)
    with zipfile.ZipFile(os.path.join(root, "archive.zip"), "w") as z:
        z.writestr("a.txt", "a")
    # An OpenDocument text: a zip whose first entry is the stored mimetype.
    with zipfile.ZipFile(os.path.join(root, "letter.odt"), "w") as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.text")
        z.writestr("content.xml", "<office:document-content/>")
    os.makedirs(os.path.join(root, "emptydir"), exist_ok=True)
    for link, target in (("link-to-file.pdf", "doc.pdf"), ("link-to-folder", "nested"),
                         ("dangling.pdf", "no-such-file")):
        path = os.path.join(root, link)
        if not os.path.lexists(path):
            os.symlink(target, path)
    fifo = os.path.join(root, "fifo.pdf")
    if not os.path.exists(fifo):
        os.mkfifo(fifo)
    assert stat.S_ISFIFO(os.stat(fifo).st_mode)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
