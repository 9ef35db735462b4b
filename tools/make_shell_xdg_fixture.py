#!/usr/bin/python3
"""Makes a small XDG data folder for the shell tests: a shared-mime-info package of a few types,
compiled with update-mime-database, and a hicolor icon theme of 16 and 32 pixel PNGs drawn
here. Point XDG_DATA_DIRS at <folder>/share.

Usage: make_shell_xdg_fixture.py <folder>"""
import os
import subprocess
import sys

from PIL import Image, ImageDraw

MIME_PACKAGE = """<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="application/pdf">
    <comment>PDF document</comment>
    <generic-icon name="x-office-document"/>
    <glob pattern="*.pdf"/>
    <magic priority="50"><match type="string" value="%PDF-" offset="0"/></magic>
  </mime-type>
  <mime-type type="text/plain">
    <comment>plain text document</comment>
    <glob pattern="*.txt"/>
  </mime-type>
  <mime-type type="application/x-parch-sample">
    <comment>Parch sample file</comment>
    <glob pattern="*.parchsample"/>
  </mime-type>
  <mime-type type="inode/directory">
    <comment>Folder</comment>
    <generic-icon name="folder"/>
  </mime-type>
</mime-info>
"""

# Icon name, fill colour, and whether it is drawn as a folder.
ICONS = [
    ("application-x-parch-sample", (200, 40, 40), False),
    ("application-pdf", (40, 90, 200), False),
    ("text-plain", (90, 90, 90), False),
    ("text-x-generic", (140, 140, 140), False),
    ("folder", (220, 170, 40), True),
    ("folder-open", (250, 210, 90), True),
]


def draw_icon(size, colour, folder):
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    edge = max(1, size // 16)
    if folder:
        draw.rectangle([edge, size // 4, size // 2, size // 3], fill=colour + (255,))
        draw.rectangle([edge, size // 3, size - 1 - edge, size - 1 - edge], fill=colour + (255,))
    else:
        draw.rectangle([size // 6, edge, size - 1 - size // 6, size - 1 - edge], fill=(255, 255, 255, 255),
                       outline=colour + (255,), width=edge)
        draw.rectangle([size // 4, size // 3, size - 1 - size // 4, size // 3 + 2 * edge], fill=colour + (255,))
    return image


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def main(folder):
    share = os.path.join(folder, "share")
    write(os.path.join(share, "mime", "packages", "parch-shell.xml"), MIME_PACKAGE)
    subprocess.run(["update-mime-database", os.path.join(share, "mime")], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    theme = os.path.join(share, "icons", "hicolor")
    write(os.path.join(theme, "index.theme"),
          "[Icon Theme]\nName=Hicolor\nComment=Fallback icon theme\nHidden=true\n"
          "Directories=16x16/mimetypes,16x16/places,32x32/mimetypes,32x32/places\n\n" +
          "".join(f"[{size}x{size}/{context}]\nSize={size}\nContext={context.capitalize()}\nType=Threshold\n\n"
                  for size in (16, 32) for context in ("mimetypes", "places")))
    for size in (16, 32):
        for name, colour, folder in ICONS:
            context = "places" if folder else "mimetypes"
            path = os.path.join(theme, f"{size}x{size}", context, name + ".png")
            os.makedirs(os.path.dirname(path), exist_ok=True)
            draw_icon(size, colour, folder).save(path)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
