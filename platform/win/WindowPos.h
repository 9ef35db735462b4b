#pragma once
// Placement, size, z-order and showing of windows.
//
// SetWindowPos sends WM_WINDOWPOSCHANGING (the receiver may edit every field, and
// DefWindowProc keeps the size inside WM_GETMINMAXINFO's limits), WM_NCCALCSIZE when the size
// or the frame changes, activates a top-level window unless told not to, and sends
// WM_WINDOWPOSCHANGED with SWP_NOCLIENTSIZE/SWP_NOCLIENTMOVE telling what the client area did;
// DefWindowProc turns that into WM_MOVE and WM_SIZE.

#include <functional>

#include "platform/win/WinUser.h"

namespace parch {

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL BringWindowToTop(HWND hwnd);
// Returns whether the window was visible before.
BOOL ShowWindow(HWND hwnd, int command);
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement);

BOOL GetWindowRect(HWND hwnd, RECT* rect);  // screen coordinates
BOOL GetClientRect(HWND hwnd, RECT* rect);  // origin 0, 0
BOOL ClientToScreen(HWND hwnd, POINT* point);
BOOL ScreenToClient(HWND hwnd, POINT* point);
// From and to may be null (the screen). Returns the offset added, x in the low word.
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);

}  // namespace parch

namespace parch::win {

// Minimizes, maximizes or restores the placement without showing (creation with WS_MINIMIZE
// or WS_MAXIMIZE).
void ApplyMinMax(HWND hwnd, int command, bool show);

// The painting layer learns here of every change of placement, size, z-order or visibility:
// the window's old rectangle on the screen and the WINDOWPOS as applied.
using GeometryListener = std::function<void(HWND, const RECT& oldScreenRect, const WINDOWPOS&)>;
void SetGeometryListener(GeometryListener listener);

}  // namespace parch::win
