#pragma once
// The modal loop that moves or sizes a window with the mouse or the arrow keys.
//
// It captures the mouse and sends WM_ENTERSIZEMOVE; every step sends WM_MOVING or WM_SIZING
// with the proposed screen rectangle (edits to it take effect) and places the window with
// SetWindowPos, so WM_WINDOWPOSCHANGING edits take effect too; sizes stay inside the
// WM_GETMINMAXINFO tracking limits. The left button going up or Enter ends it, Escape puts the
// window back. A WH_CBT hook answering HCBT_MOVESIZE with non-zero puts it back as well. Last
// comes WM_EXITSIZEMOVE.

#include "platform/win/WinUser.h"

namespace parch::win {

// command is SC_MOVE or SC_SIZE with the low bits of how it began; start is the screen point
// of the button press for the mouse.
void RunMoveSizeLoop(HWND hwnd, WPARAM command, POINT start);

}  // namespace parch::win
