#pragma once
// Region objects and their Win32 calls.

#include "platform/gdi/GdiObject.h"
#include "platform/gdi/RegionRects.h"

namespace parch {

class GdiRegion : public GdiObject {
public:
    static constexpr GdiObjectKind kKind = GdiObjectKind::Region;
    explicit GdiRegion(RegionRects rects = {}) : GdiObject(kKind), rects_(std::move(rects)) {}

    DWORD ObjectType() const override { return OBJ_REGION; }
    int Describe(int, void*) const override { return 0; }

    const RegionRects& Rects() const { return rects_; }
    RegionRects& Rects() { return rects_; }

private:
    RegionRects rects_;
};

// Region shapes as sets of pixels: the same pixels the matching fill would paint.
RegionRects EllipseRegion(const RECT& box);
RegionRects RoundRectRegion(const RECT& box, int cornerWidth, int cornerHeight);
RegionRects PolygonRegion(const POINT* const* polygons, const int* counts, int polygonCount,
                          int fillMode);

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int cornerWidth,
                        int cornerHeight);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateEllipticRgnIndirect(const RECT* rect);
HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
HRGN CreatePolyPolygonRgn(const POINT* points, const INT* counts, int polygonCount, int fillMode);
int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
int OffsetRgn(HRGN region, int dx, int dy);
int GetRgnBox(HRGN region, RECT* rect);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, const RECT* rect);
BOOL EqualRgn(HRGN region1, HRGN region2);
// With a null `data` returns the bytes needed; otherwise fills `data` (RGNDATAHEADER then the
// rectangles) when `size` is enough and returns the bytes written, 0 when not.
DWORD GetRegionData(HRGN region, DWORD size, RGNDATA* data);
// `xform` must be null (no transforms here). The rectangles are checked against `size`.
HRGN ExtCreateRegion(const void* xform, DWORD size, const RGNDATA* data);

// Drawing regions (logical coordinates).
BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush);
BOOL PaintRgn(HDC dc, HRGN region);
BOOL InvertRgn(HDC dc, HRGN region);
BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height);

}  // namespace parch
