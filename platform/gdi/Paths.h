#pragma once
// GDI paths: figures recorded between BeginPath and EndPath in device coordinates, then
// stroked, filled or turned into a region.

#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace parch {

class GdiPath {
public:
    // A new path starts its first figure at the context's current position (device units).
    explicit GdiPath(POINT start) : current_(start), figureStart_(start) {}

    bool Open() const { return open_; }
    void Close() { open_ = false; }
    const std::vector<POINT>& Points() const { return points_; }
    const std::vector<BYTE>& Types() const { return types_; }

    void MoveTo(POINT p);
    void LineTo(POINT p);
    void BezierTo(POINT c1, POINT c2, POINT end);
    void CloseFigure();

    // The figures as polylines, curves flattened; `closed` tells which figures were closed.
    void Flatten(std::vector<std::vector<POINT>>& figures, std::vector<bool>& closed) const;

private:
    void StartFigureIfNeeded();
    bool open_ = true;
    bool figureOpen_ = false;
    POINT current_;
    POINT figureStart_;
    std::vector<POINT> points_;
    std::vector<BYTE> types_;
};

BOOL BeginPath(HDC dc);
BOOL EndPath(HDC dc);
BOOL AbortPath(HDC dc);
BOOL CloseFigure(HDC dc);
BOOL PolyBezierTo(HDC dc, const POINT* points, DWORD count);
BOOL PolyBezier(HDC dc, const POINT* points, DWORD count);
BOOL StrokePath(HDC dc);
BOOL FillPath(HDC dc);
BOOL StrokeAndFillPath(HDC dc);
HRGN PathToRegion(HDC dc);
// Combines the closed path, as a region, with the clip region (mode as ExtSelectClipRgn) and
// discards the path.
int SelectClipPath(HDC dc, int mode);
// With a null buffer (or count 0) returns the number of points.
int GetPath(HDC dc, POINT* points, BYTE* types, int count);

}  // namespace parch
