#pragma once
// Scan conversion of the filled shapes into pixel spans, with the pixel rules of GDI: a box
// covers [left, right) x [top, bottom); polygon pixels are taken where their centres lie inside
// (edges on the left and top belong to the shape, those on the right and bottom do not).

#include <vector>

#include "platform/gdi/RegionRects.h"

namespace parch {

struct PointF {
    double x = 0;
    double y = 0;
};

// Boxes may be given in any corner order.
RECT NormalizedRect(const RECT& r);

std::vector<Span> EllipseSpans(const RECT& box);
std::vector<Span> RoundRectSpans(const RECT& box, int cornerWidth, int cornerHeight);
// The part of the ellipse from the ray towards `start` to the ray towards `end`, counter-
// clockwise on screen unless `clockwise`; equal rays give the whole ellipse.
std::vector<Span> PieSpans(const RECT& box, POINT start, POINT end, bool clockwise);
std::vector<Span> PolygonSpans(const std::vector<std::vector<PointF>>& polygons, int fillMode);

// The pixels of a one-pixel line from `a` to `b`, `b` itself left out (as LineTo draws).
template <class F>
void ForEachLinePixel(POINT a, POINT b, F&& pixel) {
    long long dx = static_cast<long long>(b.x) - a.x, dy = static_cast<long long>(b.y) - a.y;
    const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    dx = dx < 0 ? -dx : dx;
    dy = dy < 0 ? -dy : dy;
    long long x = a.x, y = a.y;
    if (dx >= dy) {
        long long error = 2 * dy - dx;
        for (long long i = 0; i < dx; ++i) {
            pixel(static_cast<int>(x), static_cast<int>(y));
            if (error > 0 || (error == 0 && sx < 0)) {
                y += sy;
                error -= 2 * dx;
            }
            error += 2 * dy;
            x += sx;
        }
    } else {
        long long error = 2 * dx - dy;
        for (long long i = 0; i < dy; ++i) {
            pixel(static_cast<int>(x), static_cast<int>(y));
            if (error > 0 || (error == 0 && sy < 0)) {
                x += sx;
                error -= 2 * dy;
            }
            error += 2 * dx;
            y += sy;
        }
    }
}

// The area a pen of `width` pixels covers along a polyline through pixel centres, with round
// joins and the given end caps (PS_ENDCAP_*).
std::vector<Span> WideStrokeSpans(const std::vector<POINT>& points, bool closed, int width, DWORD endCap);

}  // namespace parch
