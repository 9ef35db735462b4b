#pragma once
// The default answers of a window to messages it does not handle itself: naming and text,
// icons and font, the frame geometry and hit test, placement limits and WM_MOVE/WM_SIZE,
// focus on activation, cursors, closing, and passing mouse activation, cursor requests, wheel
// turns and context menus up to the parent.

#include "platform/win/WinUser.h"

namespace parch {

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace parch
