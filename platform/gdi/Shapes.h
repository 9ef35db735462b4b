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

// Scan conversion only produces pixels inside a limit rectangle, so that absurd coordinates
// cost no more than the visible area. Drawing passes the visible area (with a margin);
// region shapes use this default, far beyond any surface.
constexpr RECT kShapeLimit{-(1 << 17), -(1 << 17), 1 << 17, 1 << 17};

// Boxes may be given in any corner order.
RECT NormalizedRect(const RECT& r);

std::vector<Span> EllipseSpans(const RECT& box, const RECT& limit = kShapeLimit);
std::vector<Span> RoundRectSpans(const RECT& box, int cornerWidth, int cornerHeight, const RECT& limit = kShapeLimit);
// The part of the ellipse from the ray towards `start` to the ray towards `end`, counter-
// clockwise on screen unless `clockwise`; equal rays give the whole ellipse.
std::vector<Span> PieSpans(const RECT& box, POINT start, POINT end, bool clockwise, const RECT& limit = kShapeLimit);
std::vector<Span> PolygonSpans(const std::vector<std::vector<PointF>>& polygons, int fillMode,
                               const RECT& limit = kShapeLimit);

// The pixels of a one-pixel line from `a` to `b`, `b` itself left out (as LineTo draws), as
// pixel(x, y, i) with i the pixel's number along the line; only pixels inside `limit` are
// visited. The minor coordinate of pixel i is i x d / n rounded, halves towards the start of
// the line for lines running right or down.
template <class F>
void ForEachLinePixel(POINT a, POINT b, const RECT& limit, F&& pixel) {
    const long long dx = static_cast<long long>(b.x) - a.x, dy = static_cast<long long>(b.y) - a.y;
    const bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    const long long n = xMajor ? (dx < 0 ? -dx : dx) : (dy < 0 ? -dy : dy);
    if (n == 0) return;
    const long long major0 = xMajor ? a.x : a.y, minor0 = xMajor ? a.y : a.x;
    const int majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const long long minorDelta = xMajor ? dy : dx;
    const long long minorLength = minorDelta < 0 ? -minorDelta : minorDelta;
    const int minorStep = minorDelta < 0 ? -1 : 1;
    // Steps along the major axis that stay inside the limit.
    const long long low = xMajor ? limit.left : limit.top, high = (xMajor ? limit.right : limit.bottom) - 1;
    long long first = majorStep > 0 ? low - major0 : major0 - high;
    long long last = majorStep > 0 ? high - major0 : major0 - low;
    first = first < 0 ? 0 : first;
    last = last > n - 1 ? n - 1 : last;
    for (long long i = first; i <= last; ++i) {
        // Number of minor steps after i major steps.
        const long long k = majorStep > 0 ? (2 * i * minorLength + n - 1) / (2 * n)
                                          : (2 * i * minorLength + n) / (2 * n);
        const long long major = major0 + majorStep * i, minor = minor0 + minorStep * k;
        const long long x = xMajor ? major : minor, y = xMajor ? minor : major;
        if (x < limit.left || x >= limit.right || y < limit.top || y >= limit.bottom) continue;
        pixel(static_cast<int>(x), static_cast<int>(y), i);
    }
}

// The area a pen of `width` pixels covers along a polyline through pixel centres, with round
// joins and the given end caps (PS_ENDCAP_*).
std::vector<Span> WideStrokeSpans(const std::vector<POINT>& points, bool closed, int width, DWORD endCap,
                                  const RECT& limit = kShapeLimit);

}  // namespace parch
