#include "platform/gdi/Raster.h"

#include <algorithm>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/PensBrushes.h"

namespace parch {

DWORD ApplyRop2(int rop2, DWORD pen, DWORD destination) {
    switch (rop2) {
    case R2_COPYPEN: return pen;
    case R2_XORPEN: return pen ^ destination;
    case R2_NOP: return destination;
    case R2_NOT: return ~destination;
    default: break;
    }
    // R2 codes minus one are truth tables indexed by pen * 2 + destination.
    const unsigned table = static_cast<unsigned>(rop2 - 1) & 0xF;
    DWORD result = 0;
    for (unsigned i = 0; i < 4; ++i)
        if (table & (1u << i)) result |= ((i & 2) ? pen : ~pen) & ((i & 1) ? destination : ~destination);
    return result;
}

DWORD ApplyRop3(BYTE rop3, DWORD pattern, DWORD source, DWORD destination) {
    switch (rop3) {
    case 0xCC: return source;
    case 0x66: return source ^ destination;
    case 0x88: return source & destination;
    case 0xEE: return source | destination;
    case 0xF0: return pattern;
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFFFF;
    default: break;
    }
    // The code is a truth table indexed by pattern * 4 + source * 2 + destination.
    DWORD result = 0;
    for (unsigned i = 0; i < 8; ++i)
        if (rop3 & (1u << i))
            result |= ((i & 4) ? pattern : ~pattern) & ((i & 2) ? source : ~source) &
                      ((i & 1) ? destination : ~destination);
    return result;
}

COLORREF PenColor(DeviceContext& dc) {
    const GdiPen* pen = dc.State().pen;
    if (!pen) return 0;
    return pen->FollowsDCColor() ? dc.State().dcPenColor : pen->Color();
}

Painter::Painter(DeviceContext& dc, COLORREF color, int rop2) : dc_(dc), rop2_(rop2) {
    GdiBitmap* target = dc.Target();
    if (!target) return;
    view_ = PixelView::Of(*target);
    solid_ = view_.ValueOfColor(ColorOfColorRef(color & 0xFFFFFF));
    origin_ = dc.SurfaceOrigin();
    active_ = true;
}

Painter::Painter(DeviceContext& dc, const GdiBrush* brush, int rop2) : dc_(dc), rop2_(rop2) {
    GdiBitmap* target = dc.Target();
    if (!target || !brush || brush->IsNull()) return;
    view_ = PixelView::Of(*target);
    origin_ = dc.SurfaceOrigin();
    const COLORREF color = brush->FollowsDCColor() ? dc.State().dcBrushColor : brush->Color();
    solid_ = view_.ValueOfColor(ColorOfColorRef(color & 0xFFFFFF));
    if (brush->PatternWidth() > 0 && brush->PatternHeight() > 0) {
        pattern_ = brush;
        patternOrigin_ = POINT{origin_.x + dc.State().brushOrigin.x, origin_.y + dc.State().brushOrigin.y};
        DWORD bits[2];
        if (brush->Style() == BS_HATCHED) {
            bits[1] = solid_;
            bits[0] = view_.ValueOfColor(ColorOfColorRef(dc.State().bkColor));
            hatchTransparent_ = dc.State().bkMode == TRANSPARENT;
        } else {
            bits[0] = view_.ValueOfColor(ColorOfColorRef(dc.State().textColor));
            bits[1] = view_.ValueOfColor(ColorOfColorRef(dc.State().bkColor));
        }
        // The pattern in target values, worked out once per painter.
        const int w = brush->PatternWidth(), h = brush->PatternHeight();
        patternValues_.resize(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const COLORREF entry = brush->PatternColor(x, y);
                patternValues_[static_cast<size_t>(y) * w + x] =
                    brush->PatternIsMonochrome() ? bits[entry & 1] : view_.ValueOfColor(ColorOfColorRef(entry));
            }
    }
    active_ = true;
}

Painter Painter::ForPen(DeviceContext& dc) { return Painter(dc, PenColor(dc), dc.State().rop2); }

Painter Painter::ForBrush(DeviceContext& dc) { return Painter(dc, dc.State().brush, dc.State().rop2); }

bool Painter::PatternAt(int x, int y, DWORD& value) const {
    if (!pattern_) {
        value = solid_;
        return true;
    }
    const int w = pattern_->PatternWidth(), h = pattern_->PatternHeight();
    const int px = ((x - patternOrigin_.x) % w + w) % w;
    const int py = ((y - patternOrigin_.y) % h + h) % h;
    // Hatches leave their background alone in transparent mode.
    if (hatchTransparent_ && pattern_->PatternColor(px, py) == 0) return false;
    value = patternValues_[static_cast<size_t>(py) * w + px];
    return true;
}

void Painter::Span(int y, int x0, int x1) {
    if (!active_ || x0 >= x1) return;
    dc_.EffectiveClip().ForEachClippedSpan(y + origin_.y, x0 + origin_.x, x1 + origin_.x,
                                           [&](int a, int b) { PaintTargetSpan(y + origin_.y, a, b); });
}

void Painter::Region(const RegionRects& deviceRegion) {
    if (!active_) return;
    const RECT visible = dc_.DrawingLimit(0);
    for (const RECT& r : deviceRegion.Rects())
        for (int y = std::max(r.top, visible.top); y < std::min(r.bottom, visible.bottom); ++y) Span(y, r.left, r.right);
}

void Painter::PaintTargetSpan(int y, int x0, int x1) {
    const DWORD mask = view_.ValueMask();
    if (!pattern_ && rop2_ == R2_COPYPEN && view_.bitsPerPixel >= 8) {
        BYTE* row = view_.Row(y);
        switch (view_.bitsPerPixel) {
        case 32: std::fill(reinterpret_cast<DWORD*>(row) + x0, reinterpret_cast<DWORD*>(row) + x1, solid_); return;
        case 8: std::fill(row + x0, row + x1, static_cast<BYTE>(solid_)); return;
        default:
            for (BYTE* p = row + static_cast<std::ptrdiff_t>(x0) * 3; p < row + static_cast<std::ptrdiff_t>(x1) * 3; p += 3) {
                p[0] = static_cast<BYTE>(solid_);
                p[1] = static_cast<BYTE>(solid_ >> 8);
                p[2] = static_cast<BYTE>(solid_ >> 16);
            }
            return;
        }
    }
    for (int x = x0; x < x1; ++x) {
        DWORD value;
        if (!PatternAt(x, y, value)) continue;
        const DWORD d = view_.ReadValue(x, y);
        view_.WriteValue(x, y, ApplyRop2(rop2_, value, d) & mask);
    }
}

}  // namespace parch
