#include "platform/gdi/Strokes.h"

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
        painter.Region(RegionRects::FromSpans(WideStrokeSpans(points, closed, pen->Width(), pen->EndCap())));
        return;
    }
    const std::vector<int> dashes = DashPattern(pen->Style());
    std::vector<Span> on, off;
    size_t dash = 0;
    int left = dashes.empty() ? 0 : dashes[0];
    auto visit = [&](int x, int y) {
        if (dashes.empty()) {
            on.push_back({y, x, x + 1});
            return;
        }
        ((dash % 2) == 0 ? on : off).push_back({y, x, x + 1});
        if (--left == 0) {
            dash = (dash + 1) % dashes.size();
            left = dashes[dash];
        }
    };
    const size_t segments = closed ? points.size() : points.size() - 1;
    for (size_t i = 0; i < segments; ++i) ForEachLinePixel(points[i], points[(i + 1) % points.size()], visit);
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
