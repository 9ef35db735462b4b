#!/usr/bin/python3
"""Writes the reference masks of the hint shapes (white inside, black outside) with Pillow's
rounded_rectangle, ellipse and polygon, for every style and mouse corner, on the box the hint
window tests use: 160 x 100 pixels, tail zone 20, corner size 24, no shadow.

Run: /usr/bin/python3 tools/make_hint_shape_fixtures.py (writes tests/skin/frames/shapes/)."""

import os

from PIL import Image, ImageDraw

WIDTH, HEIGHT = 160, 100
EX_OFFSET, RADIUS = 20, 24
OUT = os.path.join(os.path.dirname(__file__), "..", "tests", "skin", "frames", "shapes")


def div(a, b):
    """Integer division truncating toward zero."""
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def body(corner):
    if corner in (1, 3):
        return 0, 0, WIDTH, HEIGHT - EX_OFFSET
    return 0, EX_OFFSET, WIDTH, HEIGHT


def tail_point(corner):
    return (WIDTH - 3 if corner >= 2 else 3, HEIGHT - 3 if corner in (1, 3) else 3)


def tail(draw, corner, r):
    left, top, right, bottom = r
    w, h = right - left, bottom - top
    cx, half = left + w // 2, max(0, w // 8)
    base = bottom - h // 2 if corner in (1, 3) else top + h // 2
    draw.polygon([tail_point(corner), (cx - half, base), (cx + half, base)], fill=255)


def comics(draw, corner):
    r = body(corner)
    draw.rounded_rectangle(r, radius=RADIUS // 2, fill=255)
    tail(draw, corner, r)


def ellipse(draw, corner):
    r = body(corner)
    draw.ellipse(r, fill=255)
    tail(draw, corner, r)


def balloon(draw, corner):
    left, top, right, bottom = body(corner)
    w, h = right - left, bottom - top
    cx, n, d, s = w // 2 + left, 5, 4, 0
    q, r = w // d, h // d
    draw.ellipse((left, top, right, bottom), fill=255)
    if corner == 0:
        dx, dy = div(w // 2 - q, n + 1), div(h // 6 + top - r, n + 1)
        x, y = cx - q, h // 6 + top - r
    elif corner == 1:
        dx, dy = div(w // 2 - q, n - 1), div(bottom - HEIGHT, n - 1)
        x, y = cx - div(dx, 2), bottom + dy + div(dy, 2)
    elif corner == 2:
        dx, dy = div(q - div(s + w, 2), n) * 2, div(h // 6 + top - r, n + 1)
        x, y = cx + dx, h // 6 + top - r
    else:
        dx, dy = div(div(q, 2) - (s + WIDTH - cx), n - 1), div(r - s - bottom - div(h, 6), n - 1)
        x, y = cx + div(dx, 2), bottom + dy + div(dy, 2)
    for i in range(1, n + 1):
        qi, ri = w // (i * d), h // (i * d)
        x -= dx
        y -= dy
        if qi > 0 and ri > 0:
            draw.ellipse((x, y, x + qi, y + ri), fill=255)


def simply(draw, corner):
    draw.rectangle((0, 0, WIDTH - 1, HEIGHT - 1), fill=255)


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, shape in (("simply", simply), ("comics", comics), ("ellipse", ellipse), ("balloon", balloon)):
        for corner in range(4):
            image = Image.new("L", (WIDTH, HEIGHT), 0)
            shape(ImageDraw.Draw(image), corner)
            image.save(os.path.join(OUT, f"{name}-{corner}.png"))


if __name__ == "__main__":
    main()
