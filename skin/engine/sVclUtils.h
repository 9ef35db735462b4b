#pragma once
// Small helpers the skinning library shares: rectangle and integer arithmetic and the backdrop
// of a bitmap.

#include <cstdint>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/Rects.h"
#include "skin/engine/sConst.h"

namespace parch {

// Right - Left and Bottom - Top (the one-argument forms come from the graphics layer); with
// clampNegative a negative result gives 0.
inline int RectWidth(const RECT& r, bool clampNegative) {
    int w = RectWidth(r);
    return clampNegative && w < 0 ? 0 : w;
}
inline int RectHeight(const RECT& r, bool clampNegative) {
    int h = RectHeight(r);
    return clampNegative && h < 0 ? 0 : h;
}
// Left and top the larger, right and bottom the smaller; not normalised.
constexpr RECT IntersectRects(const RECT& a, const RECT& b) {
    return RECT{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
                a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
}
constexpr bool RectIsEmptyOrInverted(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }
// The lower bound is tested first, so it wins when the bounds cross.
constexpr int ClampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
constexpr int ClampToByte(int v) { return v < 0 ? 0 : (v >= 256 ? 255 : v); }

inline TsBackgroundSource InitBackgroundSource(TBitmap* bitmap, int x, int y) {
    return TsBackgroundSource{bitmap, x, y, TransparentKey, true};
}

}  // namespace parch
