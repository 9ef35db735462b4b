#pragma once
// Small helpers the skinning library shares: rectangle and integer arithmetic and the backdrop
// of a bitmap.

#include <cstdint>

#include "platform/gdi/GdiTypes.h"
#include "skin/engine/sConst.h"

namespace parch {

// Right - Left and Bottom - Top; with clampNegative a negative result gives 0.
constexpr int RectWidth(const RECT& r, bool clampNegative = false) {
    int w = r.right - r.left;
    return clampNegative && w < 0 ? 0 : w;
}
constexpr int RectHeight(const RECT& r, bool clampNegative = false) {
    int h = r.bottom - r.top;
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
