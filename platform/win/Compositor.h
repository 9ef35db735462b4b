#pragma once
// The compositor: the screen made of the top-level windows' pictures, bottom to top, each cut
// by its window region and drawn opaque, with a constant alpha, with a colour key, or with
// per-pixel premultiplied alpha (UpdateLayeredWindow).

#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/PixelView.h"
#include "platform/gdi/RegionRects.h"
#include "platform/win/WinUser.h"

namespace parch::win {

struct Layer {
    enum class Blend { Opaque, ConstantAlpha, Premultiplied };
    PixelView pixels;  // 32 bits per pixel
    POINT at;          // where its top-left corner lands
    const RegionRects* shape = nullptr;  // layer coordinates; null: all of it
    Blend blend = Blend::Opaque;
    BYTE alpha = 255;   // constant alpha, also applied to premultiplied pixels
    bool keyed = false;  // pixels of colour `key` (0x00RRGGBB) are left out
    DWORD key = 0;
};

// Fills target with background (0x00RRGGBB) and draws the layers in order; the result is
// opaque (alpha 255 everywhere).
void ComposeLayers(const PixelView& target, DWORD background, const std::vector<Layer>& layers);

// The screen surface, composed afresh from the windows (the screen context draws on it);
// null when the screen has no area.
GdiBitmap* ComposedScreen();

// The top-level windows the screen shows, bottom first.
std::vector<HWND> WindowsOnScreen();

}  // namespace parch::win

namespace parch {

// New 32-bit top-down DIBs (the caller deletes them): the composed screen, and one top-level
// window's picture as the screen shows it (its painted store or its layered picture).
HBITMAP CaptureScreen();
HBITMAP CaptureWindow(HWND hwnd);

}  // namespace parch
