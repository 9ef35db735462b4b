#pragma once
// Reading back what was drawn on a framework bitmap.

#include "framework/graphics/Bitmap.h"

namespace parch::test {

// A pixel of a 32-bit bitmap as a TColor (alpha ignored).
inline TColor PixelAt(TBitmap& bitmap, int x, int y) {
    const BYTE* p = bitmap.ScanLine(y) + x * 4;
    return static_cast<TColor>(RGB(p[2], p[1], p[0]));
}

}  // namespace parch::test
