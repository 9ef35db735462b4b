#include "platform/gdi/Regions.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Raster.h"
#include "platform/gdi/Shapes.h"

namespace parch {
namespace {

// Bound on the rectangles ExtCreateRegion accepts, so a damaged header cannot ask for more.
constexpr std::int64_t kMaxRegionRects = 1 << 22;

HRGN NewRegion(RegionRects rects) { return AdoptGdiObject(std::make_unique<GdiRegion>(std::move(rects))); }

// A region given in logical coordinates, moved to device coordinates.
RegionRects ToDevice(DeviceContext& context, const RegionRects& logical) {
    const POINT shift = context.ToDevice(POINT{0, 0});
    return logical.Offsetted(shift.x, shift.y);
}

}  // namespace

RegionRects EllipseRegion(const RECT& box) { return RegionRects::FromSpans(EllipseSpans(box)); }

RegionRects RoundRectRegion(const RECT& box, int cornerWidth, int cornerHeight) {
    return RegionRects::FromSpans(RoundRectSpans(box, cornerWidth, cornerHeight));
}

RegionRects PolygonRegion(const POINT* const* polygons, const int* counts, int polygonCount, int fillMode) {
    std::vector<std::vector<PointF>> shapes;
    for (int i = 0; i < polygonCount; ++i) {
        std::vector<PointF> shape;
        for (int k = 0; k < counts[i]; ++k) shape.push_back({double(polygons[i][k].x), double(polygons[i][k].y)});
        shapes.push_back(std::move(shape));
    }
    return RegionRects::FromSpans(PolygonSpans(shapes, fillMode));
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    return NewRegion(RegionRects(NormalizedRect(RECT{left, top, right, bottom})));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
    return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight) {
    return NewRegion(RoundRectRegion(RECT{left, top, right, bottom}, cornerWidth, cornerHeight));
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
    return NewRegion(EllipseRegion(RECT{left, top, right, bottom}));
}

HRGN CreateEllipticRgnIndirect(const RECT* rect) {
    return rect ? CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
    return CreatePolyPolygonRgn(points, &count, 1, fillMode);
}

HRGN CreatePolyPolygonRgn(const POINT* points, const INT* counts, int polygonCount, int fillMode) {
    if (!points || !counts || polygonCount <= 0 || (fillMode != ALTERNATE && fillMode != WINDING)) return nullptr;
    std::vector<const POINT*> starts;
    const POINT* next = points;
    for (int i = 0; i < polygonCount; ++i) {
        if (counts[i] < 0) return nullptr;
        starts.push_back(next);
        next += counts[i];
    }
    return NewRegion(PolygonRegion(starts.data(), counts, polygonCount, fillMode));
}

int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode) {
    GdiRegion* target = ResolveHandle(destination);
    GdiRegion* a = ResolveHandle(source1);
    if (!target || !a || mode < RGN_AND || mode > RGN_COPY) return ERROR;
    if (mode == RGN_COPY) {
        target->Rects() = a->Rects();
        return target->Rects().Type();
    }
    GdiRegion* b = ResolveHandle(source2);
    if (!b) return ERROR;
    target->Rects() = RegionRects::Combine(a->Rects(), b->Rects(), mode);
    return target->Rects().Type();
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
    GdiRegion* live = ResolveHandle(region);
    if (!live) return 0;
    live->Rects() = RegionRects(NormalizedRect(RECT{left, top, right, bottom}));
    return 1;
}

int OffsetRgn(HRGN region, int dx, int dy) {
    GdiRegion* live = ResolveHandle(region);
    if (!live) return ERROR;
    live->Rects().Offset(dx, dy);
    return live->Rects().Type();
}

int GetRgnBox(HRGN region, RECT* rect) {
    GdiRegion* live = ResolveHandle(region);
    if (!live || !rect) return ERROR;
    *rect = live->Rects().Bounds();
    return live->Rects().Type();
}

BOOL PtInRegion(HRGN region, int x, int y) {
    GdiRegion* live = ResolveHandle(region);
    return live && live->Rects().Contains(x, y) ? 1 : 0;
}

BOOL RectInRegion(HRGN region, const RECT* rect) {
    GdiRegion* live = ResolveHandle(region);
    return live && rect && live->Rects().Overlaps(NormalizedRect(*rect)) ? 1 : 0;
}

BOOL EqualRgn(HRGN region1, HRGN region2) {
    GdiRegion* a = ResolveHandle(region1);
    GdiRegion* b = ResolveHandle(region2);
    if (!a || !b) return static_cast<BOOL>(ERROR);
    return a->Rects() == b->Rects() ? 1 : 0;
}

DWORD GetRegionData(HRGN region, DWORD size, RGNDATA* data) {
    GdiRegion* live = ResolveHandle(region);
    if (!live) return 0;
    const auto& rects = live->Rects().Rects();
    const std::int64_t needed = sizeof(RGNDATAHEADER) + static_cast<std::int64_t>(rects.size()) * sizeof(RECT);
    if (!data) return static_cast<DWORD>(needed);
    if (size < needed) return 0;
    RGNDATAHEADER header;
    header.nCount = static_cast<DWORD>(rects.size());
    header.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    header.rcBound = live->Rects().Bounds();
    std::memcpy(static_cast<void*>(data), &header, sizeof header);
    if (!rects.empty())
        std::memcpy(reinterpret_cast<BYTE*>(data) + sizeof header, rects.data(), rects.size() * sizeof(RECT));
    return size;
}

HRGN ExtCreateRegion(const void* xform, DWORD size, const RGNDATA* data) {
    if (xform || !data || size < sizeof(RGNDATAHEADER)) return nullptr;
    RGNDATAHEADER header;
    std::memcpy(&header, static_cast<const void*>(data), sizeof header);
    if (header.iType != RDH_RECTANGLES || header.dwSize < sizeof(RGNDATAHEADER) || header.dwSize > size) return nullptr;
    const std::int64_t count = header.nCount;
    if (count > kMaxRegionRects || header.dwSize + count * static_cast<std::int64_t>(sizeof(RECT)) > size) return nullptr;
    std::vector<RECT> rects(static_cast<size_t>(count));
    if (count > 0)
        std::memcpy(rects.data(), reinterpret_cast<const BYTE*>(data) + header.dwSize, rects.size() * sizeof(RECT));
    return NewRegion(RegionRects::FromRects(std::move(rects)));
}

BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush) {
    DeviceContext* context = ResolveHandle(dc);
    GdiRegion* live = ResolveHandle(region);
    GdiBrush* fill = ResolveHandle(brush);
    if (!context || !live || !fill) return 0;
    Painter(*context, fill, R2_COPYPEN).Region(ToDevice(*context, live->Rects()));
    return 1;
}

BOOL PaintRgn(HDC dc, HRGN region) {
    DeviceContext* context = ResolveHandle(dc);
    return context ? FillRgn(dc, region, context->State().brush) : 0;
}

BOOL InvertRgn(HDC dc, HRGN region) {
    DeviceContext* context = ResolveHandle(dc);
    GdiRegion* live = ResolveHandle(region);
    if (!context || !live) return 0;
    Painter(*context, RGB(0, 0, 0), R2_NOT).Region(ToDevice(*context, live->Rects()));
    return 1;
}

BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height) {
    DeviceContext* context = ResolveHandle(dc);
    GdiRegion* live = ResolveHandle(region);
    GdiBrush* fill = ResolveHandle(brush);
    if (!context || !live || !fill || width <= 0 || height <= 0) return 0;
    // The inside: pixels at least `width` columns and `height` rows away from the outside.
    const RegionRects inside = live->Rects().ErodedBy(width, height);
    const RegionRects frame = RegionRects::Combine(live->Rects(), inside, RGN_DIFF);
    Painter(*context, fill, R2_COPYPEN).Region(ToDevice(*context, frame));
    return 1;
}

}  // namespace parch
