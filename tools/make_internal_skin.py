#!/usr/bin/python3
"""Draws Parchdesk's own skin "Steelmoor (internal)": flat, light, a steel-blue accent and
smooth corners.

Writes the skin as a folder (Options.dat, a 24-bit Master.bmp, ButtonHuge.bmp and PNG pictures
with alpha for the glows and the extended border) and as a pack (Steelmoor.vlz: "VLzf", member
count, then name length, name, unpacked size and one zlib stream per member), plus the two form
shadow pictures acSHDA.png and acSHDI.png (33 x 33, alpha).

    make_internal_skin.py OUTPUT_FOLDER

Everything is drawn here; the output is the same on every run.
"""

import io
import os
import struct
import sys
import zlib

from PIL import Image, ImageDraw

KEY = (255, 0, 255)
SCALE = 4  # supersampling of rounded shapes

# Palette (RGB)
FACE = (243, 245, 248)
WINDOW = (255, 255, 255)
LINE = (184, 194, 204)
TEXT = (32, 38, 46)
MUTED = (140, 148, 158)
ACCENT = (70, 130, 180)        # steel blue
ACCENT_LIGHT = (214, 228, 240)
ACCENT_DARK = (46, 96, 140)
TITLE = (228, 233, 239)


def tcolor(rgb):
    """A framework colour value: red in the low byte."""
    r, g, b = rgb
    return r | (g << 8) | (b << 16)


# ---------------------------------------------------------------------------------------------
# Drawing


def rounded_band(width, height, radius, fill, border, border_width=1):
    """One frame: the picture band and its transparency band (0 opaque, 255 transparent)."""
    big = Image.new("L", (width * SCALE, height * SCALE), 0)
    ImageDraw.Draw(big).rounded_rectangle(
        (0, 0, width * SCALE - 1, height * SCALE - 1), radius * SCALE, fill=255)
    coverage = big.resize((width, height), Image.LANCZOS)
    picture = Image.new("RGB", (width, height), border)
    if width > 2 * border_width and height > 2 * border_width:
        inner = Image.new("L", (width * SCALE, height * SCALE), 0)
        ImageDraw.Draw(inner).rounded_rectangle(
            (border_width * SCALE, border_width * SCALE,
             (width - border_width) * SCALE - 1, (height - border_width) * SCALE - 1),
            max(radius - border_width, 0) * SCALE, fill=255)
        picture.paste(Image.new("RGB", (width, height), fill), (0, 0),
                      inner.resize((width, height), Image.LANCZOS))
    mask = coverage.point(lambda v: 255 - v)
    return picture, Image.merge("RGB", (mask, mask, mask))


def frames_strip(states, width, height, radius, banded=True):
    """States side by side; with banded the lower half holds the transparency masks."""
    strip = Image.new("RGB", (width * len(states), height * (2 if banded else 1)), KEY)
    for i, (fill, border) in enumerate(states):
        picture, mask = rounded_band(width, height, radius, fill, border)
        if not banded:
            picture = picture.copy()
            corner = mask.split()[0].point(lambda v: 255 if v > 128 else 0)
            picture.paste(Image.new("RGB", (width, height), KEY), (0, 0), corner)
        strip.paste(picture, (i * width, 0))
        if banded:
            strip.paste(mask, (i * width, height))
    return strip


def glyph_strip(draw_one, count, size, background=KEY):
    strip = Image.new("RGB", (size * count, size), background)
    for i in range(count):
        cell = Image.new("RGB", (size * SCALE, size * SCALE), background)
        draw_one(ImageDraw.Draw(cell), i, size * SCALE)
        strip.paste(cell.resize((size, size), Image.NEAREST if background == KEY else Image.LANCZOS),
                    (i * size, 0))
    return strip


def state_colours(disabled=True):
    states = [(FACE, LINE), (ACCENT_LIGHT, ACCENT), (ACCENT, ACCENT_DARK)]
    if disabled:
        states.append((FACE, (216, 220, 226)))
    return states


def check_box(d, state, s, checked, radio=False, grey=False):
    pad = s // 8
    box = (pad, pad, s - pad - 1, s - pad - 1)
    border = [LINE, ACCENT, ACCENT_DARK, (216, 220, 226)][state]
    fill = [WINDOW, ACCENT_LIGHT, ACCENT_LIGHT, FACE][state]
    if radio:
        d.ellipse(box, fill=fill, outline=border, width=SCALE)
    else:
        d.rounded_rectangle(box, s // 6, fill=fill, outline=border, width=SCALE)
    mark = MUTED if state == 3 else ACCENT
    if checked and radio:
        c = s // 2
        r = s // 5
        d.ellipse((c - r, c - r, c + r, c + r), fill=mark)
    elif checked:
        d.line([(s * 0.28, s * 0.52), (s * 0.44, s * 0.68), (s * 0.72, s * 0.34)], fill=mark, width=2 * SCALE)
    elif grey:
        d.rectangle((s * 0.3, s * 0.3, s * 0.7, s * 0.7), fill=MUTED)


def title_icon(kind):
    def draw(d, state, s):
        colour = [TEXT, ACCENT_DARK, WINDOW, MUTED][state]
        if state == 2:
            d.rounded_rectangle((s * 0.1, s * 0.1, s * 0.9, s * 0.9), s // 6,
                                fill=(196, 60, 60) if kind == "close" else ACCENT)
        w = max(SCALE, s // 14)
        if kind == "close":
            d.line([(s * 0.32, s * 0.32), (s * 0.68, s * 0.68)], fill=colour, width=w)
            d.line([(s * 0.68, s * 0.32), (s * 0.32, s * 0.68)], fill=colour, width=w)
        elif kind == "max":
            d.rectangle((s * 0.32, s * 0.32, s * 0.68, s * 0.68), outline=colour, width=w)
        elif kind == "min":
            d.line([(s * 0.32, s * 0.64), (s * 0.68, s * 0.64)], fill=colour, width=w)
        elif kind == "norm":
            d.rectangle((s * 0.38, s * 0.28, s * 0.72, s * 0.62), outline=colour, width=w)
            d.rectangle((s * 0.28, s * 0.38, s * 0.62, s * 0.72), outline=colour, width=w)
        elif kind == "help":
            d.arc((s * 0.36, s * 0.26, s * 0.64, s * 0.52), 180, 90, fill=colour, width=w)
            d.line([(s * 0.5, s * 0.52), (s * 0.5, s * 0.6)], fill=colour, width=w)
            d.ellipse((s * 0.47, s * 0.68, s * 0.53, s * 0.74), fill=colour)
    return draw


def arrow(direction):
    def draw(d, state, s):
        colour = [MUTED, ACCENT_DARK, WINDOW, (200, 204, 210)][state]
        a, b, c = s * 0.3, s * 0.5, s * 0.7
        points = {
            "up": [(a, 0.6 * s), (b, 0.38 * s), (c, 0.6 * s)],
            "down": [(a, 0.4 * s), (b, 0.62 * s), (c, 0.4 * s)],
            "left": [(0.6 * s, a), (0.38 * s, b), (0.6 * s, c)],
            "right": [(0.4 * s, a), (0.62 * s, b), (0.4 * s, c)],
        }[direction]
        d.polygon(points, fill=colour)
    return draw


def flat(width, height, colour, frames=1):
    return Image.new("RGB", (width * frames, height), colour)


def gradient_strip(width, height, top, bottom):
    image = Image.new("RGB", (width, height))
    for y in range(height):
        t = y / max(height - 1, 1)
        image.paste(tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)), (0, y, width, y + 1))
    return image


def glow_png(size, colour):
    """A soft round glow with alpha, for the title icons."""
    image = Image.new("RGBA", (size, size), colour + (0,))
    pixels = image.load()
    c = (size - 1) / 2
    for y in range(size):
        for x in range(size):
            d = (((x - c) ** 2 + (y - c) ** 2) ** 0.5) / c
            pixels[x, y] = colour + (max(0, round(160 * (1 - d) ** 2)) if d < 1 else 0,)
    return image


def exborder_png(frame, border):
    """Two frames (inactive, active) of the extended border: a soft shadow around a 1-pixel line."""
    image = Image.new("RGBA", (frame * 2, frame), (0, 0, 0, 0))
    for i, line in enumerate((LINE, ACCENT)):
        cell = Image.new("RGBA", (frame, frame), (0, 0, 0, 0))
        pixels = cell.load()
        for y in range(frame):
            for x in range(frame):
                dist = min(x, y, frame - 1 - x, frame - 1 - y)
                if dist < border - 1:
                    a = round(70 * ((dist + 1) / border) ** 2) * (2 if i else 1) // 2
                    pixels[x, y] = (0, 0, 0, a)
                elif dist == border - 1:
                    pixels[x, y] = line + (255,)
        image.paste(cell, (i * frame, 0))
    return image


def shadow_png(size, strength):
    """A form shadow template: black whose alpha fades from the middle out to the edges."""
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    pixels = image.load()
    half = size // 2
    for y in range(size):
        for x in range(size):
            dist = min(x, y, size - 1 - x, size - 1 - y)
            pixels[x, y] = (0, 0, 0, round(strength * (dist / half) ** 2))
    return image


# ---------------------------------------------------------------------------------------------
# Master bitmap layout


class Master:
    """Places pictures on the master bitmap in rows, left to right."""

    WIDTH = 256

    def __init__(self):
        self.items = []
        self.x = self.y = self.row = 0

    def place(self, picture):
        w, h = picture.size
        if self.x + w > self.WIDTH:
            self.x, self.y, self.row = 0, self.y + self.row, 0
        rect = (self.x, self.y, self.x + w, self.y + h)
        self.items.append((rect, picture))
        self.x += w
        self.row = max(self.row, h)
        return rect

    def image(self):
        height = self.y + self.row
        out = Image.new("RGB", (self.WIDTH, height), KEY)
        for rect, picture in self.items:
            out.paste(picture, rect[:2])
        return out


def at(rect, frames, bands):
    l, t, r, b = rect
    return "@%04d@%04d@%04d@%04d@%d@%d" % (l, t, r, b, frames, bands)


def caret(rect, widths, frames, bands, draw_flags=1, common=0):
    l, t, r, b = rect
    return "^%04d^%04d^%04d^%04d^%04d^%04d^%04d^%04d^%d^%d^%d^%d" % (
        (l, t, r, b) + tuple(widths) + (frames, bands, draw_flags, common))


def tilde(rect, draw_flags=0, bands=0):
    l, t, r, b = rect
    return "~%04d~%04d~%04d~%04d~%02d~%d" % (l, t, r, b, draw_flags, bands)


# ---------------------------------------------------------------------------------------------
# The skin


def section_text(name, keys):
    lines = ["[%s]" % name] + ["%s=%s" % (k, v) for k, v in keys]
    return "\r\n".join(lines) + "\r\n"


def build_skin():
    master = Master()
    files = {}
    sections = []

    def add(name, keys):
        sections.append((name, keys))

    def colours(fill=FACE, hot=ACCENT_LIGHT, font=TEXT, hot_font=TEXT, states=4, parent=None, extra=()):
        keys = []
        if parent:
            keys.append(("PARENTCLASS", parent))
        keys += [("STATES", states), ("COLOR", tcolor(fill)), ("HOTCOLOR", tcolor(hot)),
                 ("FONTCOLOR", tcolor(font)), ("HOTFONTCOLOR", tcolor(hot_font)),
                 ("GCOL", tcolor(ACCENT)), ("HGCOL", tcolor(ACCENT))]
        return keys + list(extra)

    def borders(w, h, radius, states=None, banded=True, widths=None):
        states = states or state_colours()
        rect = master.place(frames_strip(states, w, h, radius, banded))
        bw = widths or (radius + 1,) * 4
        return caret(rect, bw, len(states), 1 if banded else 0, 1 if banded else 1)

    # Glyph pictures of GLOBALINFO
    check_names = [("BOXCHECKED", True, False, False), ("BOXUNCHECKED", False, False, False),
                   ("BOXGRAYED", False, False, True), ("RADIOCHECKED", True, True, False),
                   ("RADIOUNCHECKED", False, True, False), ("RADIOGRAYED", False, True, True)]
    global_keys = [("MASTERBITMAP", "Master.bmp"), ("VERSION", "7.50"), ("AUTHOR", "Parchwise"),
                   ("DESCRIPTION", "Steelmoor: flat and light with a steel-blue accent"),
                   ("BORDERWIDTH", 4), ("TITLEHEIGHT", 30), ("MAXHEIGHT", 26), ("FORMOFFSET", 8),
                   ("BORDERMODE", 0), ("SHADOW1COLOR", 0), ("SHADOW1OFFSET", "1"), ("SHADOW1BLUR", "2"),
                   ("SHADOW1TRANSPARENCY", "60"), ("BORDERCOLOR", tcolor(LINE)), ("BISPACE", 2),
                   ("BIVALIGN", 0), ("BIRIGHT", 4), ("BILEFT", 4), ("BITOP", 3), ("BIKEEPHUE", 2),
                   ("BICONCLOSEGLOW", "8"), ("BICONCLOSEGLOWMARGIN", "4"), ("BICONMAXGLOW", "0"),
                   ("BICONMAXGLOWMARGIN", "0"), ("BICONMINGLOW", "0"), ("BICONMINGLOWMARGIN", "0"),
                   ("COLOR", tcolor(FACE)), ("HOTCOLOR", tcolor(WINDOW)), ("FONTCOLOR", 0),
                   ("HOTFONTCOLOR", 0), ("STATES", 2)]
    for name, checked, radio, grey in check_names:
        strip = glyph_strip(lambda d, i, s, c=checked, r=radio, g=grey: check_box(d, i, s, c, r, g), 4, 16)
        global_keys.append((name, at(master.place(strip), 4, 0)))
    for name, checked, grey in (("SMALLCHECKED", True, False), ("SMALLUNCHECKED", False, False),
                                ("SMALLGRAYED", False, True)):
        strip = glyph_strip(lambda d, i, s, c=checked, g=grey: check_box(d, i, s, c, False, g), 4, 12)
        global_keys.append((name, at(master.place(strip), 4, 0)))
    check = glyph_strip(lambda d, i, s: check_box(d, 1, s, True), 2, 12)
    global_keys.append(("CHECK", at(master.place(check), 2, 0)))

    def grip(d, i, s):
        for k in range(3):
            for j in range(k + 1):
                x, y = s * (0.75 - 0.22 * j), s * (0.75 - 0.22 * (k - j))
                d.rectangle((x - s * 0.06, y - s * 0.06, x + s * 0.06, y + s * 0.06), fill=MUTED)

    global_keys.append(("GRIPIMAGE", at(master.place(glyph_strip(grip, 1, 14)), 1, 0)))
    dots_h = flat(12, 6, FACE)
    ImageDraw.Draw(dots_h).point([(2, 2), (5, 2), (8, 2), (2, 4), (5, 4), (8, 4)], fill=MUTED)
    global_keys.append(("GRIPHORZ", at(master.place(dots_h), 1, 0)))
    global_keys.append(("GRIPVERT", at(master.place(dots_h.transpose(Image.ROTATE_90)), 1, 0)))
    global_keys.append(("TITLEBUTTON", borders(22, 20, 4, [(TITLE, TITLE), (ACCENT_LIGHT, ACCENT_LIGHT),
                                                          (ACCENT, ACCENT), (TITLE, TITLE)])))
    for prefix, size in (("BICON", 20), ("SICON", 14)):
        for kind in ("close", "max", "min", "norm") + (("help",) if prefix == "BICON" else ()):
            strip = glyph_strip(title_icon(kind), 4, size)
            global_keys.append((prefix + kind.upper(), at(master.place(strip), 4, 0)))
    alone = glyph_strip(title_icon("close"), 4, 24)
    global_keys.append(("BICLOSEALONE", at(master.place(alone), 4, 0)))
    files["CloseGlow.png"] = glow_png(36, (196, 60, 60))
    global_keys.append(("BICONCLOSEGLOW0", "!CLOSEGLOW.PNG!1!0!2"))
    files["MaxGlow.png"] = glow_png(36, ACCENT)
    global_keys.append(("BICONMAXGLOW0", "!MAXGLOW.PNG!1!0!2"))
    files["ExBorder.png"] = exborder_png(40, 10)
    global_keys.append(("EXBORDER", "!EXBORDER.PNG!2!0!0!0010!0010!0010!0010!0"))
    add("GLOBALINFO", global_keys)

    # Forms, dialogs, captions
    title_grad = "%d;%d;100;0;0" % (tcolor(TITLE), tcolor((218, 225, 233)))
    form_mask = master.place(frames_strip([(FACE, LINE), (FACE, ACCENT)], 24, 24, 6))
    add("FORM", colours(states=2, extra=[("BORDERSMASK", caret(form_mask, (6, 6, 6, 6), 2, 1))]))
    title_rect = master.place(gradient_strip(12, 30, TITLE, (218, 225, 233)).resize((12, 30)))
    add("FORMTITLE", colours(fill=TITLE, hot=TITLE, states=2, extra=[
        ("GRADIENTPERCENT", 100), ("GRADIENTDATA", title_grad), ("HOTGRADIENTPERCENT", 100),
        ("HOTGRADIENTDATA", title_grad), ("TITLEBAR", tilde(title_rect)), ("GIVEOWNFONT", 1)]))
    add("DIALOG", colours(parent="FORM"))
    add("DIALOGTITLE", colours(parent="FORMTITLE", fill=TITLE, hot=TITLE, states=2))
    add("CAPTION", colours(fill=TITLE, hot=TITLE, states=2, font=TEXT, hot_font=ACCENT_DARK))
    add("MAINMENU", colours(fill=FACE, hot=FACE, states=2))
    add("MENUITEM", colours(fill=WINDOW, hot=ACCENT_LIGHT, states=2, hot_font=TEXT,
                            extra=[("BORDERSMASK", borders(12, 12, 3, [(WINDOW, WINDOW), (ACCENT_LIGHT, ACCENT)]))]))
    add("MENULINE", colours(fill=LINE, hot=LINE, states=1))
    add("MENUCAPTION", colours(fill=TITLE, hot=TITLE, states=1, font=ACCENT_DARK))
    add("ICOLINE", colours(fill=FACE, hot=FACE, states=1))
    add("EXTRALINE", colours(fill=ACCENT, hot=ACCENT, states=1, font=WINDOW))
    add("DIVIDER", colours(fill=LINE, hot=LINE, states=1))
    add("DIVIDERV", colours(parent="DIVIDER", states=1, fill=LINE, hot=LINE))
    add("SELECTION", colours(fill=ACCENT_LIGHT, hot=ACCENT, states=2, font=TEXT, hot_font=WINDOW,
                             extra=[("BORDERSMASK", borders(10, 10, 3, [(ACCENT_LIGHT, ACCENT), (ACCENT, ACCENT_DARK)]))]))
    add("HINT", colours(fill=WINDOW, hot=WINDOW, states=1,
                        extra=[("BORDERSMASK", borders(12, 12, 4, [(WINDOW, LINE)]))]))
    add("MDIAREA", colours(fill=(226, 231, 237), hot=(226, 231, 237), states=1))

    # Edits and buttons
    edit_states = [(WINDOW, LINE), (WINDOW, ACCENT), (WINDOW, ACCENT_DARK), (FACE, (216, 220, 226))]
    add("EDIT", colours(fill=WINDOW, hot=WINDOW, extra=[("BORDERSMASK", borders(12, 12, 3, edit_states))]))
    combo_glyph = glyph_strip(arrow("down"), 4, 16)
    add("COMBOBOX", colours(parent="EDIT", fill=WINDOW, hot=WINDOW,
                            extra=[("GLYPHMASK", at(master.place(combo_glyph), 4, 0))]))
    add("COMBOBTN", colours(extra=[("BORDERSMASK", borders(12, 12, 3))]))
    button_mask = borders(16, 16, 4)
    add("BUTTON", colours(extra=[("BORDERSMASK", button_mask), ("FADINGENABLED", 1), ("FADINGITERATIONS", 5),
                                 ("SHOWFOCUS", 1)]))
    huge = frames_strip(state_colours(disabled=False), 96, 96, 24)
    files["ButtonHuge.bmp"] = huge
    add("BUTTON_HUGE", colours(parent="BUTTON", states=3,
                               extra=[("BORDERSMASK", "!BUTTONHUGE.BMP!3!1!0!0047!0047!0047!0047!0")]))
    add("WEBBUTTON", colours(fill=FACE, hot=FACE, font=ACCENT, hot_font=ACCENT_DARK))
    add("SPEEDBUTTON", colours(parent="BUTTON"))
    add("SPEEDBUTTON_SMALL", colours(parent="SPEEDBUTTON", extra=[("BORDERSMASK", borders(10, 10, 3))]))
    add("TOOLBUTTON", colours(parent="SPEEDBUTTON"))
    add("MENUBTN", colours(parent="BUTTON"))
    add("UPDOWNBTN", colours(parent="BUTTON", extra=[("BORDERSMASK", borders(10, 10, 2))]))
    add("CHECKBOX", colours(states=2))
    add("RADIOBUTTON", colours(parent="CHECKBOX", states=2))
    add("GROUPBOX", colours(states=1, extra=[("BORDERSMASK", borders(14, 14, 4, [(FACE, LINE)]))]))
    add("PANEL", colours(states=1))
    add("PANEL_LOW", colours(parent="PANEL", states=1, fill=(236, 239, 243), hot=(236, 239, 243),
                             extra=[("BORDERSMASK", borders(10, 10, 3, [((236, 239, 243), LINE)]))]))
    add("BAR", colours(states=1))
    add("BARTITLE", colours(parent="FORMTITLE", states=1, fill=TITLE, hot=TITLE))
    add("TOOLBAR", colours(states=1))
    add("DRAGBAR", colours(states=2, fill=TITLE, hot=ACCENT_LIGHT))
    add("SPLITTER", colours(states=2, fill=FACE, hot=ACCENT_LIGHT))

    # Pages and tabs
    add("TABSHEET", colours(fill=WINDOW, hot=WINDOW, states=1))
    page_mask = borders(12, 12, 3, [(WINDOW, LINE)])
    add("PAGECONTROL", colours(fill=WINDOW, hot=WINDOW, states=1, extra=[("BORDERSMASK", page_mask)]))
    for side in ("BOTTOM", "LEFT", "RIGHT"):
        add("PAGECONTROL" + side, colours(parent="PAGECONTROL", fill=WINDOW, hot=WINDOW, states=1))
    tab_states = [(FACE, LINE), (ACCENT_LIGHT, ACCENT), (WINDOW, ACCENT), (FACE, (216, 220, 226))]
    add("TABTOP", colours(extra=[("BORDERSMASK", borders(16, 16, 4, tab_states))]))
    for side in ("BOTTOM", "LEFT", "RIGHT"):
        add("TAB" + side, colours(parent="TABTOP"))
    add("STATUSBAR", colours(states=1, extra=[
        ("STATUSPANELMASK", borders(10, 10, 2, [(FACE, LINE)]))]))

    # Progress, track bars, headers
    add("GAUGE", colours(fill=WINDOW, hot=ACCENT, states=2, extra=[("BORDERSMASK", borders(10, 10, 3, [(WINDOW, LINE)]))]))
    progress = master.place(gradient_strip(16, 16, (110, 160, 205), ACCENT))
    add("PROGRESSH", colours(parent="GAUGE", fill=ACCENT, hot=ACCENT, states=1, extra=[("PATTERN", tilde(progress))]))
    add("PROGRESSV", colours(parent="PROGRESSH", fill=ACCENT, hot=ACCENT, states=1))
    slider = glyph_strip(lambda d, i, s: d.ellipse((s * 0.15, s * 0.15, s * 0.85, s * 0.85),
                                                   fill=[WINDOW, ACCENT_LIGHT, ACCENT, FACE][i],
                                                   outline=[LINE, ACCENT, ACCENT_DARK, LINE][i], width=SCALE), 4, 16)
    channel = master.place(frames_strip([(LINE, LINE)], 8, 6, 2, banded=False))
    tick = flat(1, 4, MUTED)
    add("TRACKBAR", colours(states=1, extra=[
        ("SLIDERMASK", at(master.place(slider), 4, 0)),
        ("SLIDERCHANNEL", caret(channel, (3, 2, 3, 2), 1, 0)),
        ("TICKHORZ", at(master.place(tick), 1, 0)),
        ("TICKVERT", at(master.place(tick.transpose(Image.ROTATE_90)), 1, 0))]))
    add("COLHEADER", colours(extra=[("BORDERSMASK", borders(10, 10, 0, [(FACE, LINE), (ACCENT_LIGHT, LINE),
                                                                       (ACCENT_LIGHT, ACCENT), (FACE, LINE)]))]))

    # Scroll bars
    for side, direction in (("TOP", "up"), ("BOTTOM", "down"), ("LEFT", "left"), ("RIGHT", "right")):
        glyph = at(master.place(glyph_strip(arrow(direction), 4, 14)), 4, 0)
        add("SCROLLBTN" + side, colours(parent="BUTTON", extra=[("BORDERSMASK", borders(10, 10, 3)),
                                                                ("GLYPHMASK", glyph)]))
    for orientation in ("H", "V"):
        add("SCROLLSLIDER" + orientation, colours(parent="BUTTON", extra=[
            ("BORDERSMASK", borders(12, 12, 4)),
            ("GLYPHMASK", at(master.place(glyph_strip(grip, 4, 10)), 4, 0))]))
    for bar in ("SCROLLBAR1H", "SCROLLBAR1V", "SCROLLBAR2H", "SCROLLBAR2V"):
        add(bar, colours(fill=(236, 239, 243), hot=(230, 234, 239), states=2))

    # Window region of the round title buttons
    lrgn = master.place(frames_strip([(FACE, FACE)], 12, 12, 5, banded=False))
    sections.append(("CAPTION", sections.pop([n for n, _ in sections].index("CAPTION"))[1] +
                     [("LRGN", at(lrgn, 1, 0))]))

    text = "".join(section_text(name, keys) for name, keys in sections)
    files["Master.bmp"] = master.image()
    return text, files


# ---------------------------------------------------------------------------------------------
# Output


def encode(name, picture):
    buffer = io.BytesIO()
    if name.lower().endswith(".png"):
        picture.save(buffer, "PNG", optimize=False, compress_level=9)
    else:
        picture.convert("RGB").save(buffer, "BMP")
    return buffer.getvalue()


def pack(members):
    out = bytearray(b"VLzf")
    out += struct.pack("<i", len(members))
    for name, data in members:
        raw = name.encode("latin-1")
        out += struct.pack("<i", len(raw)) + raw + struct.pack("<i", len(data)) + zlib.compress(data, 9)
    return bytes(out)


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    out = argv[1]
    folder = os.path.join(out, "Steelmoor")
    os.makedirs(folder, exist_ok=True)
    text, pictures = build_skin()
    members = [("Options.dat", text.encode("latin-1"))]
    members += [(name, encode(name, picture)) for name, picture in sorted(pictures.items())]
    for name, data in members:
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    with open(os.path.join(out, "Steelmoor.vlz"), "wb") as f:
        f.write(pack(members))
    for name, strength in (("acSHDA.png", 90), ("acSHDI.png", 50)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(encode(name, shadow_png(33, strength)))


if __name__ == "__main__":
    main(sys.argv)
