#include "platform/gdi/Strokes.h"

#include <cstdlib>

#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Raster.h"
#include "platform/gdi/Shapes.h"

namespace parch {
namespace {

// On and off lengths of the styled one-pixel pens.
std::vector<int> DashPattern(DWORD style) {
    switch (style) {
    case PS_DASH: return {18, 6};
    case PS_DOT: return {3, 3};
    case PS_DASHDOT: return {9, 6, 3, 6};
    case PS_DASHDOTDOT: return {9, 3, 3, 3, 3, 3};
    case PS_ALTERNATE: return {1, 1};
    default: return {};
    }
}

}  // namespace

void StrokeDevicePolyline(DeviceContext& dc, const std::vector<POINT>& points, bool closed) {
    const GdiPen* pen = dc.State().pen;
    if (!pen || pen->IsNull() || points.empty()) return;
    Painter painter = Painter::ForPen(dc);
    if (!painter.Active()) return;
    if (!pen->IsThin()) {
        const RECT limit = dc.DrawingLimit(pen->Width() + 2);
        painter.Region(RegionRects::FromSpans(WideStrokeSpans(points, closed, pen->Width(), pen->EndCap(), limit)));
        return;
    }
    const RECT limit = dc.DrawingLimit(1);
    const std::vector<int> dashes = DashPattern(pen->Style());
    long long patternLength = 0;
    for (int d : dashes) patternLength += d;
    std::vector<Span> on, off;
    // The dash pattern runs on from one segment to the next.
    long long phase = 0;
    const size_t segments = closed ? points.size() : points.size() - 1;
    for (size_t s = 0; s < segments; ++s) {
        const POINT a = points[s], b = points[(s + 1) % points.size()];
        ForEachLinePixel(a, b, limit, [&](int x, int y, long long i) {
            bool drawn = true;
            if (patternLength > 0) {
                long long position = (phase + i) % patternLength;
                size_t dash = 0;
                while (position >= dashes[dash]) position -= dashes[dash++];
                drawn = dash % 2 == 0;
            }
            (drawn ? on : off).push_back({y, x, x + 1});
        });
        phase += std::max(std::llabs(static_cast<long long>(b.x) - a.x), std::llabs(static_cast<long long>(b.y) - a.y));
    }
    const RegionRects onPixels = RegionRects::FromSpans(std::move(on));
    painter.Region(onPixels);
    if (!off.empty() && dc.State().bkMode == OPAQUE) {
        Painter gaps(dc, dc.State().bkColor, dc.State().rop2);
        gaps.Region(RegionRects::Combine(RegionRects::FromSpans(std::move(off)), onPixels, RGN_DIFF));
    }
}

void PaintShape(DeviceContext& dc, const RegionRects& outline, const RegionRects& inside) {
    Painter::ForBrush(dc).Region(inside);
    const GdiPen* pen = dc.State().pen;
    if (pen && !pen->IsNull()) Painter::ForPen(dc).Region(outline);
}

}  // namespace parch
