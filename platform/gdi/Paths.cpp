#include "platform/gdi/Paths.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/EmfRecordTypes.h"
#include "platform/gdi/MetafileRecorder.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Raster.h"
#include "platform/gdi/Regions.h"
#include "platform/gdi/Shapes.h"
#include "platform/gdi/Strokes.h"

namespace parch {
namespace {

// Points on a cubic Bézier after `from`, enough that neighbours lie a few pixels apart.
void FlattenBezier(POINT from, POINT c1, POINT c2, POINT to, std::vector<POINT>& out) {
    const double length = std::hypot(c1.x - from.x, c1.y - from.y) + std::hypot(c2.x - c1.x, c2.y - c1.y) +
                          std::hypot(to.x - c2.x, to.y - c2.y);
    const int steps = std::clamp(static_cast<int>(length / 3), 1, 1024);
    for (int i = 1; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps, u = 1 - t;
        const double x = u * u * u * from.x + 3 * u * u * t * c1.x + 3 * u * t * t * c2.x + t * t * t * to.x;
        const double y = u * u * u * from.y + 3 * u * u * t * c1.y + 3 * u * t * t * c2.y + t * t * t * to.y;
        const POINT p{static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y))};
        if (out.empty() || !(out.back() == p)) out.push_back(p);
    }
    if (!(out.back() == to)) out.push_back(to);
}

// The path of a context once EndPath has closed it; nullptr otherwise.
GdiPath* ClosedPath(DeviceContext* context) {
    GdiPath* path = context ? context->Path() : nullptr;
    return path && !path->Open() ? path : nullptr;
}

std::vector<std::vector<PointF>> Polygons(const std::vector<std::vector<POINT>>& figures) {
    std::vector<std::vector<PointF>> polygons;
    for (const auto& figure : figures) {
        std::vector<PointF> polygon;
        for (const POINT& p : figure) polygon.push_back({double(p.x), double(p.y)});
        polygons.push_back(std::move(polygon));
    }
    return polygons;
}

enum class PathUse { Stroke, Fill, StrokeAndFill };

BOOL UsePath(HDC dc, PathUse use) {
    DeviceContext* context = ResolveHandle(dc);
    if (MetafileRecorder* recorder = RecorderOf(context)) {
        recorder->PathPaint(*context, use == PathUse::Fill     ? emr::FILLPATH
                                      : use == PathUse::Stroke ? emr::STROKEPATH
                                                               : emr::STROKEANDFILLPATH);
        return 1;
    }
    GdiPath* path = ClosedPath(context);
    if (!path) return 0;
    std::vector<std::vector<POINT>> figures;
    std::vector<bool> closed;
    path->Flatten(figures, closed);
    if (use != PathUse::Stroke)
        Painter::ForBrush(*context).Region(
            RegionRects::FromSpans(PolygonSpans(Polygons(figures), context->State().polyFillMode, context->DrawingLimit(1))));
    if (use != PathUse::Fill)
        for (size_t i = 0; i < figures.size(); ++i)
            StrokeDevicePolyline(*context, figures[i], closed[i] || use == PathUse::StrokeAndFill);
    context->SetPath(nullptr);
    return 1;
}

}  // namespace

void GdiPath::StartFigureIfNeeded() {
    if (figureOpen_) return;
    points_.push_back(current_);
    types_.push_back(PT_MOVETO);
    figureStart_ = current_;
    figureOpen_ = true;
}

void GdiPath::MoveTo(POINT p) {
    current_ = p;
    figureOpen_ = false;
}

void GdiPath::LineTo(POINT p) {
    StartFigureIfNeeded();
    points_.push_back(p);
    types_.push_back(PT_LINETO);
    current_ = p;
}

void GdiPath::BezierTo(POINT c1, POINT c2, POINT end) {
    StartFigureIfNeeded();
    for (const POINT& p : {c1, c2, end}) {
        points_.push_back(p);
        types_.push_back(PT_BEZIERTO);
    }
    current_ = end;
}

void GdiPath::CloseFigure() {
    if (!figureOpen_ || types_.empty()) return;
    types_.back() |= PT_CLOSEFIGURE;
    figureOpen_ = false;
    current_ = figureStart_;
}

void GdiPath::Flatten(std::vector<std::vector<POINT>>& figures, std::vector<bool>& closed) const {
    for (size_t i = 0; i < points_.size();) {
        const BYTE type = types_[i] & ~PT_CLOSEFIGURE;
        if (type == PT_MOVETO) {
            figures.push_back({points_[i]});
            closed.push_back(false);
        } else if (figures.empty()) {
            figures.push_back({current_});
            closed.push_back(false);
        }
        auto& figure = figures.back();
        if (type == PT_LINETO) {
            figure.push_back(points_[i]);
        } else if (type == PT_BEZIERTO && i + 2 < points_.size()) {
            FlattenBezier(figure.back(), points_[i], points_[i + 1], points_[i + 2], figure);
            i += 2;
        }
        if (types_[i] & PT_CLOSEFIGURE) closed.back() = true;
        ++i;
    }
}

BOOL BeginPath(HDC dc) {
    DeviceContext* context = ResolveHandle(dc);
    if (MetafileRecorder* recorder = RecorderOf(context)) return recorder->Bare(emr::BEGINPATH), 1;
    if (!context) return 0;
    context->SetPath(std::make_unique<GdiPath>(context->ToDevice(context->State().currentPosition)));
    return 1;
}

BOOL EndPath(HDC dc) {
    DeviceContext* context = ResolveHandle(dc);
    if (MetafileRecorder* recorder = RecorderOf(context)) return recorder->Bare(emr::ENDPATH), 1;
    GdiPath* path = context ? context->Path() : nullptr;
    if (!path || !path->Open()) return 0;
    path->Close();
    return 1;
}

BOOL AbortPath(HDC dc) {
    DeviceContext* context = ResolveHandle(dc);
    if (MetafileRecorder* recorder = RecorderOf(context)) return recorder->Bare(emr::ABORTPATH), 1;
    if (!context) return 0;
    context->SetPath(nullptr);
    return 1;
}

BOOL CloseFigure(HDC dc) {
    DeviceContext* context = ResolveHandle(dc);
    if (MetafileRecorder* recorder = RecorderOf(context)) return recorder->Bare(emr::CLOSEFIGURE), 1;
    GdiPath* path = context ? context->Path() : nullptr;
    if (!path || !path->Open()) return 0;
    path->CloseFigure();
    return 1;
}

BOOL PolyBezierTo(HDC dc, const POINT* points, DWORD count) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || !points || count % 3 != 0) return 0;
    if (count == 0) return 1;
    if (MetafileRecorder* recorder = context->Recorder()) {
        recorder->Poly(*context, emr::POLYBEZIERTO, emr::POLYBEZIERTO16, points, count);
        context->State().currentPosition = points[count - 1];
        return 1;
    }
    if (GdiPath* path = context->Path(); path && path->Open()) {
        for (DWORD i = 0; i < count; i += 3)
            path->BezierTo(context->ToDevice(points[i]), context->ToDevice(points[i + 1]), context->ToDevice(points[i + 2]));
    } else {
        std::vector<POINT> line{context->ToDevice(context->State().currentPosition)};
        for (DWORD i = 0; i < count; i += 3)
            FlattenBezier(line.back(), context->ToDevice(points[i]), context->ToDevice(points[i + 1]),
                          context->ToDevice(points[i + 2]), line);
        StrokeDevicePolyline(*context, line, false);
    }
    context->State().currentPosition = points[count - 1];
    return 1;
}

BOOL PolyBezier(HDC dc, const POINT* points, DWORD count) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || !points || count < 4 || (count - 1) % 3 != 0) return 0;
    const POINT saved = context->State().currentPosition;
    MoveToEx(dc, points[0].x, points[0].y, nullptr);
    const BOOL done = PolyBezierTo(dc, points + 1, count - 1);
    // PolyBezier leaves the current position alone.
    context->State().currentPosition = saved;
    return done;
}

BOOL StrokePath(HDC dc) { return UsePath(dc, PathUse::Stroke); }
BOOL FillPath(HDC dc) { return UsePath(dc, PathUse::Fill); }
BOOL StrokeAndFillPath(HDC dc) { return UsePath(dc, PathUse::StrokeAndFill); }

int SelectClipPath(HDC dc, int mode) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || mode < RGN_AND || mode > RGN_COPY) return 0;
    if (MetafileRecorder* recorder = context->Recorder()) return recorder->SelectClipPath(mode), 1;
    HRGN region = PathToRegion(dc);
    if (!region) return 0;
    ExtSelectClipRgn(dc, region, mode);
    DeleteObject(region);
    return 1;
}

HRGN PathToRegion(HDC dc) {
    DeviceContext* context = ResolveHandle(dc);
    GdiPath* path = ClosedPath(context);
    if (!path) return nullptr;
    std::vector<std::vector<POINT>> figures;
    std::vector<bool> closed;
    path->Flatten(figures, closed);
    const int fillMode = context->State().polyFillMode;
    context->SetPath(nullptr);
    return AdoptGdiObject(std::make_unique<GdiRegion>(RegionRects::FromSpans(PolygonSpans(Polygons(figures), fillMode))));
}

int GetPath(HDC dc, POINT* points, BYTE* types, int count) {
    DeviceContext* context = ResolveHandle(dc);
    GdiPath* path = ClosedPath(context);
    if (!path) return -1;
    const int size = static_cast<int>(path->Points().size());
    if (count == 0 || !points || !types) return size;
    if (count < size) return -1;
    for (int i = 0; i < size; ++i) {
        points[i] = context->ToLogical(path->Points()[i]);
        types[i] = path->Types()[i];
    }
    return size;
}

}  // namespace parch
