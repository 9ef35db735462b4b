#pragma once
// Drawing on the screen context (GetDC(0), the desktop window's context). Screen contexts draw
// on the composed screen surface; what they change there is kept as an exclusive-or overlay
// that the compositor lays over all windows each time it composes the screen, until drawn
// away. So an outline drawn twice with R2_NOT shows between the two drawings, whatever the
// windows below do meanwhile, and is gone after the second. The lock of the window system is
// held for every call.

#include "platform/gdi/Bitmaps.h"
#include "platform/win/WinUser.h"

namespace parch::win {

// A screen context over the surface was handed out / is being released.
void ScreenContextOpened(HDC dc, const GdiBitmap& surface);
// False when dc is no open screen context; otherwise takes what it drew into the overlay.
bool ScreenContextReleased(HDC dc, const GdiBitmap* surface);
// Before the surface is composed afresh: takes what open screen contexts drew into the overlay.
void TakeScreenDrawing(const GdiBitmap& surface);
// After the windows are composed: lays the overlay over them.
void ApplyScreenOverlay(GdiBitmap& surface);
// True while something drawn on the screen is still shown (drawing of a context still open
// counts once the screen is composed again or the context released). Takes the lock itself.
bool ScreenOverlayShown();

}  // namespace parch::win
