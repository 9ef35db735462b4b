#pragma once
// The default non-client geometry from the styles: where the client area lies inside the
// frame, caption and scroll bars, and what a point of the window hits. Drawing the frame is
// the painting layer's part.

#include "platform/win/WinUser.h"

namespace parch {

// The window rectangle around a client rectangle for the styles, with a menu bar when asked.
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);

}  // namespace parch

namespace parch::win {

RECT DefaultClientRect(DWORD style, DWORD exStyle, const RECT& window);
// The hit-test code of a screen point over the window (HTNOWHERE outside it).
LRESULT DefaultHitTest(HWND hwnd, POINT screen);

}  // namespace parch::win
