#include "platform/gdi/Shapes.h"

#include <algorithm>
#include <cmath>

namespace parch {
namespace {

using Wide = __int128;

long long ISqrt(Wide value) {
    if (value <= 0) return 0;
    long long r = static_cast<long long>(std::sqrt(static_cast<long double>(value)));
    while (static_cast<Wide>(r) * r > value) --r;
    while (static_cast<Wide>(r + 1) * (r + 1) <= value) ++r;
    return r;
}

long long FloorDiv2(long long v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }
long long CeilDiv2(long long v) { return -FloorDiv2(-v); }

// The columns [first, last] of row y of the ellipse inscribed in `box`; false when none.
bool EllipseRow(const RECT& box, int y, int& first, int& last) {
    const long long w = static_cast<long long>(box.right) - box.left;
    const long long h = static_cast<long long>(box.bottom) - box.top;
    if (w <= 0 || h <= 0) return false;
    // Twice the distance of the pixel centre from the centre: Y in units of half pixels.
    const long long yy = 2LL * y - box.top - box.bottom + 1;
    const Wide room = static_cast<Wide>(w) * w * (static_cast<Wide>(h) * h - static_cast<Wide>(yy) * yy);
    if (room < 0) return false;
    const long long xMax = ISqrt(room / (static_cast<Wide>(h) * h));
    const long long centre = static_cast<long long>(box.left) + box.right - 1;
    const long long a = CeilDiv2(centre - xMax), b = FloorDiv2(centre + xMax);
    if (a > b) return false;
    first = static_cast<int>(a);
    last = static_cast<int>(b);
    return true;
}

constexpr double kPi = 3.14159265358979323846;

double Angle(double dx, double dy) {
    const double a = std::atan2(-dy, dx);  // screen y grows downwards
    return a < 0 ? a + 2 * kPi : a;
}

std::vector<PointF> Disc(PointF centre, double radius) {
    const int steps = std::clamp(static_cast<int>(radius * 4), 8, 256);
    std::vector<PointF> points;
    for (int i = 0; i < steps; ++i) {
        const double t = 2 * kPi * i / steps;
        points.push_back({centre.x + radius * std::cos(t), centre.y + radius * std::sin(t)});
    }
    return points;
}

}  // namespace

RECT NormalizedRect(const RECT& r) {
    // Within 29 bits the exact ellipse arithmetic stays inside 128 bits.
    auto clamp = [](LONG v) { return std::clamp<LONG>(v, -(1 << 29), 1 << 29); };
    return RECT{clamp(std::min(r.left, r.right)), clamp(std::min(r.top, r.bottom)), clamp(std::max(r.left, r.right)),
                clamp(std::max(r.top, r.bottom))};
}

std::vector<Span> EllipseSpans(const RECT& rect, const RECT& limit) {
    const RECT box = NormalizedRect(rect);
    std::vector<Span> spans;
    for (int y = std::max(box.top, limit.top); y < std::min(box.bottom, limit.bottom); ++y) {
        int a, b;
        if (EllipseRow(box, y, a, b)) spans.push_back({y, a, b + 1});
    }
    return spans;
}

std::vector<Span> RoundRectSpans(const RECT& rect, int cornerWidth, int cornerHeight, const RECT& limit) {
    const RECT box = NormalizedRect(rect);
    const int w = box.right - box.left, h = box.bottom - box.top;
    const int cw = std::clamp(cornerWidth, 0, w), ch = std::clamp(cornerHeight, 0, h);
    std::vector<Span> spans;
    if (w <= 0 || h <= 0) return spans;
    const RECT corner{box.left, box.top, box.left + cw, box.top + ch};
    for (int y = std::max(box.top, limit.top); y < std::min(box.bottom, limit.bottom); ++y) {
        int cornerRow = -1;
        if (y < box.top + ch / 2) cornerRow = y;
        else if (y >= box.bottom - ch / 2) cornerRow = box.top + ch - (box.bottom - y);
        int left = box.left;
        if (cornerRow >= 0 && cw > 0) {
            int a, b;
            if (!EllipseRow(corner, cornerRow, a, b)) continue;
            left = a;
        }
        spans.push_back({y, left, box.left + box.right - left});
    }
    return spans;
}

std::vector<Span> PieSpans(const RECT& rect, POINT start, POINT end, bool clockwise, const RECT& limit) {
    const RECT box = NormalizedRect(rect);
    const double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
    double from = Angle(start.x - cx, start.y - cy), to = Angle(end.x - cx, end.y - cy);
    if (clockwise) std::swap(from, to);
    double sweep = to - from;
    if (sweep <= 0) sweep += 2 * kPi;
    std::vector<Span> spans;
    for (const Span& row : EllipseSpans(box, limit)) {
        int runStart = -1;
        const int x0 = std::max(row.x0, limit.left), x1 = std::min(row.x1, limit.right);
        for (int x = x0; x <= x1; ++x) {
            bool inside = false;
            if (x < x1) {
                double offset = Angle(x + 0.5 - cx, row.y + 0.5 - cy) - from;
                if (offset < 0) offset += 2 * kPi;
                inside = offset <= sweep + 1e-9 || (x + 0.5 == cx && row.y + 0.5 == cy);
            }
            if (inside && runStart < 0) runStart = x;
            if (!inside && runStart >= 0) {
                spans.push_back({row.y, runStart, x});
                runStart = -1;
            }
        }
    }
    return spans;
}

std::vector<Span> PolygonSpans(const std::vector<std::vector<PointF>>& polygons, int fillMode, const RECT& limit) {
    struct Edge {
        double x0, y0, x1, y1;
        int direction;
    };
    std::vector<Edge> edges;
    double top = 1e300, bottom = -1e300;
    for (const auto& polygon : polygons) {
        for (size_t i = 0; i < polygon.size(); ++i) {
            const PointF a = polygon[i], b = polygon[(i + 1) % polygon.size()];
            if (!std::isfinite(a.x) || !std::isfinite(a.y) || a.y == b.y) continue;
            edges.push_back(a.y < b.y ? Edge{a.x, a.y, b.x, b.y, 1} : Edge{b.x, b.y, a.x, a.y, -1});
            top = std::min({top, a.y, b.y});
            bottom = std::max({bottom, a.y, b.y});
        }
    }
    std::vector<Span> spans;
    if (edges.empty()) return spans;
    struct Crossing {
        double x;
        int direction;
    };
    std::vector<Crossing> crossings;
    const int firstRow = static_cast<int>(std::max<double>(std::ceil(top - 0.5), limit.top));
    const int lastRow = static_cast<int>(std::min<double>(std::ceil(bottom - 0.5), limit.bottom)) - 1;
    // Columns are cut just outside the limit, which keeps every conversion in range.
    auto column = [&limit](double x) {
        return static_cast<int>(std::clamp(std::ceil(x - 0.5), limit.left - 1.0, limit.right + 1.0));
    };
    for (int y = firstRow; y <= lastRow; ++y) {
        const double yc = y + 0.5;
        crossings.clear();
        for (const Edge& e : edges)
            if (e.y0 <= yc && yc < e.y1)
                crossings.push_back({e.x0 + (yc - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.direction});
        std::sort(crossings.begin(), crossings.end(), [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
        int winding = 0;
        for (size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += crossings[i].direction;
            const bool inside = fillMode == WINDING ? winding != 0 : (i % 2) == 0;
            if (!inside) continue;
            // Pixels whose centres lie in [x_i, x_i+1).
            const int x0 = column(crossings[i].x);
            const int x1 = column(crossings[i + 1].x);
            if (x0 < x1) spans.push_back({y, x0, x1});
        }
    }
    return spans;
}

std::vector<Span> WideStrokeSpans(const std::vector<POINT>& points, bool closed, int width, DWORD endCap,
                                  const RECT& limit) {
    std::vector<Span> spans;
    if (points.empty()) return spans;
    const double half = width / 2.0;
    auto centre = [](POINT p) { return PointF{p.x + 0.5, p.y + 0.5}; };
    auto add = [&spans, &limit](const std::vector<PointF>& polygon) {
        auto piece = PolygonSpans({polygon}, WINDING, limit);
        spans.insert(spans.end(), piece.begin(), piece.end());
    };
    const size_t count = points.size();
    const size_t segments = closed ? count : count - 1;
    for (size_t i = 0; i < segments; ++i) {
        PointF a = centre(points[i]), b = centre(points[(i + 1) % count]);
        const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
        if (length == 0) continue;
        const double ux = dx / length, uy = dy / length;
        if (!closed && endCap == PS_ENDCAP_SQUARE) {
            if (i == 0) a = {a.x - ux * half, a.y - uy * half};
            if (i + 1 == segments) b = {b.x + ux * half, b.y + uy * half};
        }
        const double nx = -uy * half, ny = ux * half;
        add({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}});
    }
    // Round joins, and round caps at open ends.
    for (size_t i = 0; i < count; ++i) {
        const bool end = !closed && (i == 0 || i + 1 == count);
        if (end && endCap != PS_ENDCAP_ROUND) continue;
        add(Disc(centre(points[i]), half));
    }
    return spans;
}

}  // namespace parch
