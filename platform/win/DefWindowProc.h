#pragma once
// The default answers of a window to messages it does not handle itself: naming and text,
// icons and font, painting (through the painting layer), the frame geometry, hit test and
// look (WM_NCCALCSIZE, WM_NCHITTEST, WM_NCPAINT, WM_NCACTIVATE), clicks on the frame and the
// system commands they lead to (moving, sizing, minimizing, maximizing, restoring, closing,
// scrolling), placement limits and WM_MOVE/WM_SIZE, focus on activation, cursors, and passing
// mouse activation, cursor requests, wheel turns and context menus up to the parent.

#include "platform/win/WinUser.h"

namespace parch {

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace parch
