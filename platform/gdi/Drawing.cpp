#include "platform/gdi/Drawing.h"

#include <algorithm>
#include <functional>
#include <mutex>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/EmfRecordTypes.h"
#include "platform/gdi/MetafileRecorder.h"
#include "platform/gdi/Paths.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Raster.h"
#include "platform/gdi/Shapes.h"
#include "platform/gdi/Strokes.h"

namespace parch {
namespace {

std::mutex threeDMutex;
ThreeDColors threeDColors;

using ShapeSpans = std::function<std::vector<Span>(const RECT& box, const RECT& limit)>;

// Draws a closed shape whose pixels `spansOf` gives for a box: the pen covers the band
// between the box grown by half the pen and the box shrunk by the rest (inside-frame pens stay
// inside the box); the brush fills what the pen leaves inside. Without a pen the shape is one
// pixel smaller to the right and bottom, as GDI draws it.
void DrawShape(DeviceContext& dc, RECT box, const ShapeSpans& spansOf) {
    const GdiPen* pen = dc.State().pen;
    // The margin keeps the shape's own edges, not the cut, where the pen band is worked out.
    const RECT limit = dc.DrawingLimit((pen ? pen->Width() : 1) + 2);
    if (!pen || pen->IsNull()) {
        PaintShape(dc, {}, RegionRects::FromSpans(spansOf(RECT{box.left, box.top, box.right - 1, box.bottom - 1}, limit)));
        return;
    }
    const int w = pen->Width();
    if (w <= 1) {
        const RegionRects shape = RegionRects::FromSpans(spansOf(box, limit));
        const RegionRects inside = shape.Eroded(1);
        PaintShape(dc, RegionRects::Combine(shape, inside, RGN_DIFF), inside);
        return;
    }
    RECT outer = box, inner{box.left + w, box.top + w, box.right - w, box.bottom - w};
    if (pen->Style() != PS_INSIDEFRAME) {
        const int k = w / 2;
        outer = RECT{box.left - k, box.top - k, box.right - 1 - k + w, box.bottom - 1 - k + w};
        inner = RECT{box.left - k + w, box.top - k + w, box.right - 1 - k, box.bottom - 1 - k};
    }
    const RegionRects shape = RegionRects::FromSpans(spansOf(outer, limit));
    const RegionRects inside = inner.left < inner.right && inner.top < inner.bottom
                                   ? RegionRects::FromSpans(spansOf(inner, limit))
                                   : RegionRects();
    PaintShape(dc, RegionRects::Combine(shape, inside, RGN_DIFF), inside);
}

std::vector<POINT> ToDevice(DeviceContext& dc, const POINT* points, int count) {
    std::vector<POINT> device;
    device.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) device.push_back(dc.ToDevice(points[i]));
    return device;
}

// Figures drawn while a path is open go into the path instead.
bool RecordInPath(DeviceContext& dc, const std::vector<POINT>& points, bool closed) {
    GdiPath* path = dc.Path();
    if (!path || !path->Open()) return false;
    if (points.empty()) return true;
    path->MoveTo(points[0]);
    for (size_t i = 1; i < points.size(); ++i) path->LineTo(points[i]);
    if (closed) path->CloseFigure();
    return true;
}

COLORREF Lerp16(const TRIVERTEX& a, const TRIVERTEX& b, std::int64_t i, std::int64_t n, BYTE& alpha) {
    auto mix = [&](COLOR16 ca, COLOR16 cb) {
        return static_cast<BYTE>((ca + (static_cast<std::int64_t>(cb) - ca) * i / n) >> 8);
    };
    alpha = mix(a.Alpha, b.Alpha);
    return RGB(mix(a.Red, b.Red), mix(a.Green, b.Green), mix(a.Blue, b.Blue));
}

void WriteGradientPixel(const PixelView& view, int x, int y, COLORREF color, BYTE alpha) {
    DWORD value = view.ValueOfColor(ColorOfColorRef(color));
    if (view.bitsPerPixel == 32) value |= static_cast<DWORD>(alpha) << 24;
    view.WriteValue(x, y, value);
}

void GradientRect(DeviceContext& dc, const TRIVERTEX& v1, const TRIVERTEX& v2, bool vertical) {
    const POINT a = dc.ToDevice(POINT{v1.x, v1.y}), b = dc.ToDevice(POINT{v2.x, v2.y});
    const RECT box = NormalizedRect(RECT{a.x, a.y, b.x, b.y});
    // The colour runs from the first vertex's side to the second's.
    const TRIVERTEX& first = (vertical ? a.y <= b.y : a.x <= b.x) ? v1 : v2;
    const TRIVERTEX& second = &first == &v1 ? v2 : v1;
    const PixelView view = PixelView::Of(*dc.Target());
    const POINT o = dc.SurfaceOrigin();
    const std::int64_t n = vertical ? box.bottom - box.top : box.right - box.left;
    ForEachVisibleSpan(dc, box, [&](int y, int x0, int x1) {
        for (int x = x0; x < x1; ++x) {
            const std::int64_t i = vertical ? y - o.y - box.top : x - o.x - box.left;
            BYTE alpha;
            const COLORREF color = Lerp16(first, second, i, n, alpha);
            WriteGradientPixel(view, x, y, color, alpha);
        }
    });
}

void GradientTriangle(DeviceContext& dc, const TRIVERTEX& v1, const TRIVERTEX& v2, const TRIVERTEX& v3) {
    const POINT p[3] = {dc.ToDevice(POINT{v1.x, v1.y}), dc.ToDevice(POINT{v2.x, v2.y}), dc.ToDevice(POINT{v3.x, v3.y})};
    const TRIVERTEX* v[3] = {&v1, &v2, &v3};
    const double area = double(p[1].x - p[0].x) * (p[2].y - p[0].y) - double(p[2].x - p[0].x) * (p[1].y - p[0].y);
    if (area == 0) return;
    const auto spans = PolygonSpans({{{double(p[0].x), double(p[0].y)}, {double(p[1].x), double(p[1].y)},
                                      {double(p[2].x), double(p[2].y)}}}, ALTERNATE, dc.DrawingLimit(0));
    const PixelView view = PixelView::Of(*dc.Target());
    for (const Span& s : spans) {
        ForEachVisibleSpan(dc, RECT{s.x0, s.y, s.x1, s.y + 1}, [&](int ty, int x0, int x1) {
            const POINT o = dc.SurfaceOrigin();
            for (int x = x0; x < x1; ++x) {
                const double px = x - o.x + 0.5, py = ty - o.y + 0.5;
                double w[3];
                for (int k = 0; k < 3; ++k) {
                    const POINT& b = p[(k + 1) % 3];
                    const POINT& c = p[(k + 2) % 3];
                    w[k] = std::clamp(((c.x - b.x) * (py - b.y) - (px - b.x) * (c.y - b.y)) / area, 0.0, 1.0);
                }
                auto channel = [&](COLOR16 TRIVERTEX::*field) {
                    const double sum = w[0] * (v[0]->*field) + w[1] * (v[1]->*field) + w[2] * (v[2]->*field);
                    return static_cast<BYTE>(std::clamp(static_cast<int>(sum) >> 8, 0, 255));
                };
                WriteGradientPixel(view, x, ty, RGB(channel(&TRIVERTEX::Red), channel(&TRIVERTEX::Green), channel(&TRIVERTEX::Blue)),
                                   channel(&TRIVERTEX::Alpha));
            }
        });
    }
}

// One-pixel lines of a 3-D edge.
void EdgeLines(DeviceContext& dc, const RECT& r, UINT flags, COLORREF topLeft, COLORREF bottomRight) {
    Painter tl(dc, topLeft, R2_COPYPEN), br(dc, bottomRight, R2_COPYPEN);
    if (flags & BF_LEFT) tl.Region(RegionRects(RECT{r.left, r.top, r.left + 1, r.bottom}));
    if (flags & BF_TOP) tl.Region(RegionRects(RECT{r.left, r.top, r.right, r.top + 1}));
    if (flags & BF_RIGHT) br.Region(RegionRects(RECT{r.right - 1, r.top, r.right, r.bottom}));
    if (flags & BF_BOTTOM) br.Region(RegionRects(RECT{r.left, r.bottom - 1, r.right, r.bottom}));
}

RECT Deflated(RECT r, UINT flags) {
    if (flags & BF_LEFT) ++r.left;
    if (flags & BF_TOP) ++r.top;
    if (flags & BF_RIGHT) --r.right;
    if (flags & BF_BOTTOM) --r.bottom;
    return r;
}

// The colours of one edge ring: (top-left, bottom-right).
std::pair<COLORREF, COLORREF> RingColors(UINT ring, bool outer, UINT flags, const ThreeDColors& c) {
    if (flags & BF_MONO) return {c.windowText, c.windowText};
    if (flags & BF_FLAT) return {c.shadow, c.shadow};
    const bool raised = outer ? (ring & BDR_RAISEDOUTER) : (ring & BDR_RAISEDINNER);
    if (outer) return raised ? std::pair{(flags & BF_SOFT) ? c.highlight : c.light, c.darkShadow}
                             : std::pair{c.shadow, c.highlight};
    return raised ? std::pair{(flags & BF_SOFT) ? c.light : c.highlight, c.shadow}
                  : std::pair{c.darkShadow, c.light};
}

}  // namespace

void SetThreeDColors(const ThreeDColors& colors) {
    std::lock_guard lock(threeDMutex);
    threeDColors = colors;
}

ThreeDColors GetThreeDColors() {
    std::lock_guard lock(threeDMutex);
    return threeDColors;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    DeviceContext* context = ResolveHandle(dc);
    GdiBrush* fill = ResolveHandle(brush);
    if (!context || !fill || !rect) return 0;
    if (MetafileRecorder* recorder = context->Recorder()) return recorder->FillRect(*context, *rect, fill), 1;
    Painter(*context, fill, R2_COPYPEN).Region(RegionRects(context->ToDevice(*rect)));
    return 1;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
    DeviceContext* context = ResolveHandle(dc);
    GdiBrush* fill = ResolveHandle(brush);
    if (!context || !fill || !rect) return 0;
    const RECT r = context->ToDevice(*rect);
    if (r.left >= r.right || r.top >= r.bottom) return 1;
    const RegionRects outer(r);
    Painter(*context, fill, R2_COPYPEN).Region(outer.Boundary());
    return 1;
}

BOOL InvertRect(HDC dc, const RECT* rect) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || !rect) return 0;
    Painter(*context, RGB(0, 0, 0), R2_NOT).Region(RegionRects(context->ToDevice(*rect)));
    return 1;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return 0;
    if (MetafileRecorder* recorder = context->Recorder())
        return recorder->Box(*context, emr::RECTANGLE, RECT{left, top, right, bottom}), 1;
    const RECT box = NormalizedRect(context->ToDevice(RECT{left, top, right, bottom}));
    if (RecordInPath(*context, {POINT{box.left, box.top}, POINT{box.right - 1, box.top},
                                POINT{box.right - 1, box.bottom - 1}, POINT{box.left, box.bottom - 1}}, true))
        return 1;
    const GdiPen* pen = context->State().pen;
    if (pen && pen->IsThin() && !pen->IsNull() && pen->Style() != PS_SOLID && pen->Style() != PS_INSIDEFRAME) {
        // Styled pens walk the outline so the dashes run round the corners.
        Painter::ForBrush(*context).Region(RegionRects(RECT{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1}));
        StrokeDevicePolyline(*context, {POINT{box.left, box.top}, POINT{box.right - 1, box.top},
                                        POINT{box.right - 1, box.bottom - 1}, POINT{box.left, box.bottom - 1}}, true);
        return 1;
    }
    DrawShape(*context, box, [](const RECT& b, const RECT& limit) {
        std::vector<Span> spans;
        for (int y = std::max(b.top, limit.top); y < std::min(b.bottom, limit.bottom); ++y)
            spans.push_back({y, std::max(b.left, limit.left - 1), std::min(b.right, limit.right + 1)});
        return spans;
    });
    return 1;
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int cornerWidth, int cornerHeight) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return 0;
    const RECT box = NormalizedRect(context->ToDevice(RECT{left, top, right, bottom}));
    const int width = box.right - box.left;
    DrawShape(*context, box, [&](const RECT& b, const RECT& limit) {
        // Corners grow and shrink with the box, so the pen band keeps its width round them.
        const int grow = (b.right - b.left) - width;
        return RoundRectSpans(b, cornerWidth + grow, cornerHeight + grow, limit);
    });
    return 1;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return 0;
    if (MetafileRecorder* recorder = context->Recorder())
        return recorder->Box(*context, emr::ELLIPSE, RECT{left, top, right, bottom}), 1;
    DrawShape(*context, NormalizedRect(context->ToDevice(RECT{left, top, right, bottom})),
              [](const RECT& b, const RECT& limit) { return EllipseSpans(b, limit); });
    return 1;
}

BOOL Pie(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return 0;
    const POINT start = context->ToDevice(POINT{xStart, yStart}), end = context->ToDevice(POINT{xEnd, yEnd});
    const RECT box = NormalizedRect(context->ToDevice(RECT{left, top, right, bottom}));
    const bool clockwise = context->State().arcDirection == AD_CLOCKWISE;
    // The rays keep their direction from the centre of the box whatever box the pen band uses.
    const double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
    DrawShape(*context, box, [&](const RECT& b, const RECT& limit) {
        const double bx = (b.left + b.right) / 2.0, by = (b.top + b.bottom) / 2.0;
        auto shift = [&](POINT p) {
            return POINT{static_cast<LONG>(p.x - cx + bx), static_cast<LONG>(p.y - cy + by)};
        };
        return PieSpans(b, shift(start), shift(end), clockwise, limit);
    });
    return 1;
}

BOOL PolyPolygon(HDC dc, const POINT* points, const INT* counts, int polygonCount) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || !points || !counts || polygonCount <= 0) return 0;
    if (MetafileRecorder* recorder = context->Recorder()) {
        for (int i = 0; i < polygonCount; ++i)
            if (counts[i] < 2) return 0;
        if (polygonCount == 1) recorder->Poly(*context, emr::POLYGON, emr::POLYGON16, points, static_cast<std::uint32_t>(counts[0]));
        else recorder->PolyPoly(*context, emr::POLYPOLYGON, emr::POLYPOLYGON16, points, counts, static_cast<std::uint32_t>(polygonCount));
        return 1;
    }
    std::vector<std::vector<POINT>> polygons;
    const POINT* next = points;
    for (int i = 0; i < polygonCount; ++i) {
        if (counts[i] < 2) return 0;
        polygons.push_back(ToDevice(*context, next, counts[i]));
        next += counts[i];
    }
    if (context->Path() && context->Path()->Open()) {
        for (const auto& polygon : polygons) RecordInPath(*context, polygon, true);
        return 1;
    }
    std::vector<std::vector<PointF>> shapes;
    for (const auto& polygon : polygons) {
        std::vector<PointF> shape;
        for (const POINT& p : polygon) shape.push_back({double(p.x), double(p.y)});
        shapes.push_back(std::move(shape));
    }
    Painter::ForBrush(*context).Region(
        RegionRects::FromSpans(PolygonSpans(shapes, context->State().polyFillMode, context->DrawingLimit(1))));
    for (const auto& polygon : polygons) StrokeDevicePolyline(*context, polygon, true);
    return 1;
}

BOOL Polygon(HDC dc, const POINT* points, int count) { return PolyPolygon(dc, points, &count, 1); }

BOOL Polyline(HDC dc, const POINT* points, int count) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || !points || count < 2) return 0;
    if (MetafileRecorder* recorder = context->Recorder())
        return recorder->Poly(*context, emr::POLYLINE, emr::POLYLINE16, points, static_cast<std::uint32_t>(count)), 1;
    const auto device = ToDevice(*context, points, count);
    if (!RecordInPath(*context, device, false)) StrokeDevicePolyline(*context, device, false);
    return 1;
}

BOOL PolylineTo(HDC dc, const POINT* points, DWORD count) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || !points) return 0;
    if (count == 0) return 1;
    if (MetafileRecorder* recorder = context->Recorder()) {
        if (count == 1) recorder->LineTo(*context, points[0]);
        else recorder->Poly(*context, emr::POLYLINETO, emr::POLYLINETO16, points, count);
        context->State().currentPosition = points[count - 1];
        return 1;
    }
    std::vector<POINT> device{context->ToDevice(context->State().currentPosition)};
    for (DWORD i = 0; i < count; ++i) device.push_back(context->ToDevice(points[i]));
    if (GdiPath* path = context->Path(); path && path->Open()) {
        for (size_t i = 1; i < device.size(); ++i) path->LineTo(device[i]);
    } else {
        StrokeDevicePolyline(*context, device, false);
    }
    context->State().currentPosition = points[count - 1];
    return 1;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return 0;
    if (previous) *previous = context->State().currentPosition;
    context->State().currentPosition = POINT{x, y};
    if (MetafileRecorder* recorder = context->Recorder()) return recorder->MoveTo(*context, POINT{x, y}), 1;
    if (GdiPath* path = context->Path(); path && path->Open()) path->MoveTo(context->ToDevice(POINT{x, y}));
    return 1;
}

BOOL LineTo(HDC dc, int x, int y) {
    const POINT end{x, y};
    return PolylineTo(dc, &end, 1);
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
    DeviceContext* context = ResolveHandle(dc);
    GdiBitmap* target = context ? context->Target() : nullptr;
    if (!target) return CLR_INVALID;
    const POINT d = context->ToDevice(POINT{x, y});
    const POINT o = context->SurfaceOrigin();
    if (!context->EffectiveClip().Contains(d.x + o.x, d.y + o.y)) return CLR_INVALID;
    const PixelView view = PixelView::Of(*target);
    const DWORD value = view.ValueOfColor(ColorOfColorRef(color & 0xFFFFFF));
    view.WriteValue(d.x + o.x, d.y + o.y, value);
    return ColorRefOfColor(view.ColorOfValue(value) & 0xFFFFFF);
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF color) { return SetPixel(dc, x, y, color) != CLR_INVALID; }

COLORREF GetPixel(HDC dc, int x, int y) {
    DeviceContext* context = ResolveHandle(dc);
    GdiBitmap* target = context ? context->Target() : nullptr;
    if (!target) return CLR_INVALID;
    const POINT d = context->ToDevice(POINT{x, y});
    const POINT o = context->SurfaceOrigin();
    if (!context->EffectiveClip().Contains(d.x + o.x, d.y + o.y)) return CLR_INVALID;
    return ColorRefOfColor(PixelView::Of(*target).ReadColor(d.x + o.x, d.y + o.y) & 0xFFFFFF);
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
    DeviceContext* context = ResolveHandle(dc);
    GdiBitmap* target = context ? context->Target() : nullptr;
    if (!target || !rect) return 0;
    const RECT r = context->ToDevice(*rect);
    if (r.left >= r.right || r.top >= r.bottom) return 1;
    const RegionRects outline = RegionRects(r).Boundary();
    const PixelView view = PixelView::Of(*target);
    // Colour bits only: the alpha of 32-bit targets stays.
    const DWORD flip = view.Paletted() ? view.ValueMask() : 0xFFFFFF;
    const POINT o = context->SurfaceOrigin();
    for (const RECT& band : outline.Rects())
        ForEachVisibleSpan(*context, band, [&](int ty, int x0, int x1) {
            for (int x = x0; x < x1; ++x)
                if (((x - o.x) + (ty - o.y)) % 2 == 0) view.WriteValue(x, ty, view.ReadValue(x, ty) ^ flip);
        });
    return 1;
}

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || !rect) return 0;
    const ThreeDColors colors = GetThreeDColors();
    RECT r = context->ToDevice(*rect);
    int rings = 0;
    if (edge & BDR_OUTER) {
        const auto [tl, br] = RingColors(edge, true, flags, colors);
        EdgeLines(*context, r, flags, tl, br);
        r = Deflated(r, flags);
        ++rings;
    }
    if (edge & BDR_INNER) {
        const auto [tl, br] = RingColors(edge, false, flags, colors);
        EdgeLines(*context, r, flags, flags & (BF_FLAT | BF_MONO) ? colors.face : tl,
                  flags & (BF_FLAT | BF_MONO) ? colors.face : br);
        r = Deflated(r, flags);
        ++rings;
    }
    if (flags & BF_MIDDLE) Painter(*context, (flags & BF_MONO) ? colors.window : colors.face, R2_COPYPEN).Region(RegionRects(r));
    if (flags & BF_ADJUST) {
        RECT adjusted = *rect;
        for (int i = 0; i < rings; ++i) adjusted = Deflated(adjusted, flags);
        *rect = adjusted;
    }
    return 1;
}

BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || !rect) return 0;
    const ThreeDColors c = GetThreeDColors();
    const bool inactive = state & DFCS_INACTIVE;
    const COLORREF glyph = inactive ? c.shadow : c.windowText;
    const RECT box = context->ToDevice(*rect);
    const int w = box.right - box.left, h = box.bottom - box.top;
    if (w <= 0 || h <= 0) return 1;
    auto fill = [&](const RECT& r, COLORREF color) { Painter(*context, color, R2_COPYPEN).Region(RegionRects(r)); };
    auto edge = [&](UINT kind) {
        RECT logical = *rect;
        DrawEdge(dc, &logical, kind, BF_RECT | BF_MIDDLE | ((state & DFCS_FLAT) ? BF_FLAT : 0));
    };
    // A small glyph drawn as rows of pixels centred in the box.
    auto arrow = [&](int direction) {  // 0 up, 1 down, 2 left, 3 right
        const int size = std::max(1, std::min(w, h) / 4);
        const int cx = box.left + w / 2, cy = box.top + h / 2;
        for (int i = 0; i < size; ++i) {
            const int half = i;
            switch (direction) {
            case 0: fill(RECT{cx - half, cy - size / 2 + i, cx + half + 1, cy - size / 2 + i + 1}, glyph); break;
            case 1: fill(RECT{cx - half, cy + size / 2 - i, cx + half + 1, cy + size / 2 - i + 1}, glyph); break;
            case 2: fill(RECT{cx - size / 2 + i, cy - half, cx - size / 2 + i + 1, cy + half + 1}, glyph); break;
            default: fill(RECT{cx + size / 2 - i, cy - half, cx + size / 2 - i + 1, cy + half + 1}, glyph); break;
            }
        }
    };
    // A tick: down to a knee a third of the way across, then up to the right edge.
    auto checkMark = [&](COLORREF color) {
        const int size = std::max(3, std::min(w, h) / 2);
        const int x0 = box.left + (w - size) / 2, bottom = box.top + (h - size) / 2 + size - 1;
        const int knee = size / 3;
        for (int i = 0; i < size; ++i) {
            const int row = bottom - (i <= knee ? knee - i : i - knee);
            fill(RECT{x0 + i, row - 2, x0 + i + 1, row + 1}, color);
        }
    };
    switch (type) {
    case DFC_BUTTON: {
        const UINT kind = state & 0x1F;
        if (kind & DFCS_BUTTONPUSH) {
            edge((state & DFCS_PUSHED) ? EDGE_SUNKEN : EDGE_RAISED);
        } else if (kind & DFCS_BUTTONRADIO) {
            const RECT inner{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
            Painter(*context, c.shadow, R2_COPYPEN).Region(RegionRects::FromSpans(EllipseSpans(box, context->DrawingLimit(1))));
            Painter(*context, inactive || (state & DFCS_PUSHED) ? c.face : c.window, R2_COPYPEN)
                .Region(RegionRects::FromSpans(EllipseSpans(inner, context->DrawingLimit(1))));
            if (state & DFCS_CHECKED)
                Painter(*context, glyph, R2_COPYPEN)
                    .Region(RegionRects::FromSpans(EllipseSpans(RECT{box.left + w / 3, box.top + h / 3, box.right - w / 3, box.bottom - h / 3}, context->DrawingLimit(1))));
        } else {
            edge(EDGE_SUNKEN);
            const bool grey = inactive || (state & DFCS_PUSHED) || ((kind & DFCS_BUTTON3STATE) && (state & DFCS_CHECKED));
            fill(RECT{box.left + 2, box.top + 2, box.right - 2, box.bottom - 2}, grey ? c.face : c.window);
            if (state & DFCS_CHECKED) checkMark((kind & DFCS_BUTTON3STATE) ? c.shadow : glyph);
        }
        break;
    }
    case DFC_SCROLL:
        edge((state & DFCS_PUSHED) ? EDGE_SUNKEN : EDGE_RAISED);
        switch (state & 0xFF) {
        case DFCS_SCROLLUP: arrow(0); break;
        case DFCS_SCROLLDOWN:
        case DFCS_SCROLLCOMBOBOX: arrow(1); break;
        case DFCS_SCROLLLEFT: arrow(2); break;
        case DFCS_SCROLLRIGHT: arrow(3); break;
        default: break;
        }
        break;
    case DFC_CAPTION: {
        edge((state & DFCS_PUSHED) ? EDGE_SUNKEN : EDGE_RAISED);
        const int inset = std::max(2, std::min(w, h) / 4);
        const RECT g{box.left + inset, box.top + inset, box.right - inset, box.bottom - inset};
        switch (state & 0xFF) {
        case DFCS_CAPTIONCLOSE: {
            std::vector<Span> cross;
            const int n = std::min(g.right - g.left, g.bottom - g.top);
            for (int i = 0; i < n; ++i) {
                cross.push_back({g.top + i, g.left + i, g.left + i + 1});
                cross.push_back({g.top + i, g.left + n - 1 - i, g.left + n - i});
            }
            Painter(*context, glyph, R2_COPYPEN).Region(RegionRects::FromSpans(cross));
            break;
        }
        case DFCS_CAPTIONMIN: fill(RECT{g.left, g.bottom - 2, g.right, g.bottom}, glyph); break;
        default: {
            const RegionRects frame(g);
            Painter(*context, glyph, R2_COPYPEN).Region(frame.Boundary());
            fill(RECT{g.left, g.top, g.right, g.top + 2}, glyph);
            break;
        }
        }
        break;
    }
    case DFC_MENU:
        switch (state & 0xFF) {
        case DFCS_MENUARROW: arrow(3); break;
        case DFCS_MENUCHECK: checkMark(glyph); break;
        case DFCS_MENUBULLET:
            Painter(*context, glyph, R2_COPYPEN)
                .Region(RegionRects::FromSpans(EllipseSpans(RECT{box.left + w / 3, box.top + h / 3, box.right - w / 3, box.bottom - h / 3}, context->DrawingLimit(1))));
            break;
        default: break;
        }
        break;
    default: return 0;
    }
    return 1;
}

BOOL GradientFill(HDC dc, const TRIVERTEX* vertices, ULONG vertexCount, void* mesh, ULONG meshCount, DWORD mode) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || !context->Target() || !vertices || !mesh || mode > GRADIENT_FILL_TRIANGLE) return 0;
    if (mode == GRADIENT_FILL_TRIANGLE) {
        const auto* triangles = static_cast<const GRADIENT_TRIANGLE*>(mesh);
        for (ULONG i = 0; i < meshCount; ++i) {
            const GRADIENT_TRIANGLE& t = triangles[i];
            if (t.Vertex1 >= vertexCount || t.Vertex2 >= vertexCount || t.Vertex3 >= vertexCount) return 0;
            GradientTriangle(*context, vertices[t.Vertex1], vertices[t.Vertex2], vertices[t.Vertex3]);
        }
        return 1;
    }
    const auto* rects = static_cast<const GRADIENT_RECT*>(mesh);
    for (ULONG i = 0; i < meshCount; ++i) {
        const GRADIENT_RECT& r = rects[i];
        if (r.UpperLeft >= vertexCount || r.LowerRight >= vertexCount) return 0;
        GradientRect(*context, vertices[r.UpperLeft], vertices[r.LowerRight], mode == GRADIENT_FILL_RECT_V);
    }
    return 1;
}

}  // namespace parch
