#pragma once
// Painting sets of pixels onto a context's target: a pen colour or a brush, combined with the
// target by a binary raster operation, inside the context's clip. Coordinates are device
// coordinates; the painter adds the surface origin.

#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/PixelView.h"
#include "platform/gdi/RegionRects.h"

namespace parch {

class GdiBrush;
class GdiPen;

// The binary raster operation `rop2` (R2_*) on two values.
DWORD ApplyRop2(int rop2, DWORD pen, DWORD destination);
// The ternary raster operation whose index is `rop3` (bits 16..23 of a blit code).
DWORD ApplyRop3(BYTE rop3, DWORD pattern, DWORD source, DWORD destination);

class Painter {
public:
    // Paints with one colour; `Active()` is false when there is no target.
    Painter(DeviceContext& dc, COLORREF color, int rop2);
    // Paints with a brush; a null brush (or none) paints nothing.
    Painter(DeviceContext& dc, const GdiBrush* brush, int rop2);

    static Painter ForPen(DeviceContext& dc);
    static Painter ForBrush(DeviceContext& dc);

    bool Active() const { return active_; }
    void Span(int y, int x0, int x1);
    void Region(const RegionRects& deviceRegion);
    void Pixel(int x, int y) { Span(y, x, x + 1); }

    // The brush's value at target pixel (x, y); false where a hatch leaves the pixel alone.
    bool PatternAt(int x, int y, DWORD& value) const;
    const PixelView& View() const { return view_; }

private:
    void PaintTargetSpan(int y, int x0, int x1);

    DeviceContext& dc_;
    bool active_ = false;
    PixelView view_;
    int rop2_ = R2_COPYPEN;
    DWORD solid_ = 0;
    const GdiBrush* pattern_ = nullptr;
    std::vector<DWORD> patternValues_;  // the pattern in target values
    bool hatchTransparent_ = false;
    POINT patternOrigin_;
    POINT origin_;
};

// The colour a context's pen draws with (DC_PEN follows the context's pen colour).
COLORREF PenColor(DeviceContext& dc);

}  // namespace parch

namespace parch {

// Calls f(targetRow, x0, x1) for every visible run of target pixels inside `deviceRect`
// (x0, x1 and targetRow are target pixel coordinates).
template <class F>
void ForEachVisibleSpan(DeviceContext& dc, const RECT& deviceRect, F&& f) {
    const POINT o = dc.SurfaceOrigin();
    const RegionRects& clip = dc.EffectiveClip();
    const RECT bounds = clip.Bounds();
    const int top = deviceRect.top + o.y > bounds.top ? deviceRect.top + o.y : bounds.top;
    const int bottom = deviceRect.bottom + o.y < bounds.bottom ? deviceRect.bottom + o.y : bounds.bottom;
    for (int y = top; y < bottom; ++y)
        clip.ForEachClippedSpan(y, deviceRect.left + o.x, deviceRect.right + o.x, [&](int x0, int x1) { f(y, x0, x1); });
}

}  // namespace parch
