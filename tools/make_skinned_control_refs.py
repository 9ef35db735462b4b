#!/usr/bin/python3
"""Draws, with Pillow, the faces the skinned push buttons must show in the internal skin.

Usage: make_skinned_control_refs.py OUT_DIR

The internal skin's pictures come from make_internal_skin.py beside this script. A face is the
section's colour for the state with the state's frame of the section's borders mask laid over
it by the nine-part rule: corners copied, edges stretched (the mask's draw flags ask for
stretching), the centre left to the colour; the mask's lower band is its transparency, each
channel mixed as ((background - picture) * band + picture * 256) >> 8. Writes
button_<state>_<width>x<height>.png for the states 0 (normal), 1 (hot) and 2 (pressed).
"""

import os
import re
import sys

from PIL import Image

SIZES = [(90, 30)]
STATES = [0, 1, 2]


def load_skin_maker():
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import make_internal_skin
    return make_internal_skin


def section_keys(text, name):
    keys = {}
    current = None
    for line in text.split("\r\n"):
        match = re.fullmatch(r"\[(.+)\]", line)
        if match:
            current = match.group(1)
        elif current == name and "=" in line:
            key, value = line.split("=", 1)
            keys[key] = value
    return keys


def rgb_of(tcolor):
    value = int(tcolor)
    return value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF


def mixed(background, picture, band):
    return tuple(((background[c] - picture[c]) * band[c] + picture[c] * 256) >> 8 for c in range(3))


def face(master, mask, colour, state, width, height):
    left, top, right, bottom, wl, wt, wr, wb, frames, bands, flags, _common = mask
    frame_width = (right - left) // frames
    state_height = (bottom - top) // (bands + 1)
    x0 = left + frame_width * min(state, frames - 1)
    picture = master.crop((x0, top, x0 + frame_width, top + state_height))
    band = master.crop((x0, top + state_height, x0 + frame_width, top + 2 * state_height))
    out = Image.new("RGB", (width, height), colour)
    stretch = flags & 1

    def piece(to, frm):
        tw, th = to[2] - to[0], to[3] - to[1]
        fw, fh = frm[2] - frm[0], frm[3] - frm[1]
        if tw <= 0 or th <= 0 or fw <= 0 or fh <= 0:
            return
        p = picture.crop(frm)
        b = band.crop(frm)
        assert stretch or (tw, th) == (fw, fh)
        # Stretching takes the nearest source pixel counted from the piece's start:
        # source = offset * source size // target size.
        for y in range(th):
            for x in range(tw):
                sx, sy = x * fw // tw, y * fh // th
                at = (to[0] + x, to[1] + y)
                out.putpixel(at, mixed(out.getpixel(at), p.getpixel((sx, sy)), b.getpixel((sx, sy))))

    W, H = width, height
    mw, mh = frame_width - wl - wr, state_height - wt - wb
    piece((0, 0, wl, wt), (0, 0, wl, wt))
    piece((0, wt, wl, H - wb), (0, wt, wl, wt + mh))
    piece((wl, 0, W - wr, wt), (wl, 0, wl + mw, wt))
    piece((0, H - wb, wl, H), (0, state_height - wb, wl, state_height))
    piece((wl, H - wb, W - wr, H), (wl, state_height - wb, wl + mw, state_height))
    piece((W - wr, H - wb, W, H), (frame_width - wr, state_height - wb, frame_width, state_height))
    piece((W - wr, 0, W, wt), (frame_width - wr, 0, frame_width, wt))
    piece((W - wr, wt, W, H - wb), (frame_width - wr, wt, frame_width, wt + mh))
    if flags & 4:
        piece((wl, wt, W - wr, H - wb), (wl, wt, wl + mw, wt + mh))
    return out


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    maker = load_skin_maker()
    text, files = maker.build_skin()
    master = files["Master.bmp"].convert("RGB")
    keys = section_keys(text, "BUTTON")
    mask = [int(v) for v in keys["BORDERSMASK"].split("^")[1:]]
    os.makedirs(argv[1], exist_ok=True)
    for width, height in SIZES:
        for state in STATES:
            colour = rgb_of(keys["COLOR"] if state == 0 else keys["HOTCOLOR"])
            image = face(master, mask, colour, state, width, height)
            image.save(os.path.join(argv[1], "button_%d_%dx%d.png" % (state, width, height)))


if __name__ == "__main__":
    main(sys.argv)
