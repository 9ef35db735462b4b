#pragma once
// One pixel of the composed screen, as a user would see it.

#include "platform/gdi/Drawing.h"
#include "platform/win/Painting.h"

namespace parch {

inline COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF color = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return color;
}

}  // namespace parch
