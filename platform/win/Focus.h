#pragma once
// Keyboard focus, activation and mouse capture. Activating a window deactivates the one before
// (WM_NCACTIVATE, WM_ACTIVATE with WA_INACTIVE), tells the threads whose turn starts or ends
// (WM_ACTIVATEAPP), then activates the new one (WM_NCACTIVATE, WM_ACTIVATE); DefWindowProc
// gives an activated window the focus. WH_CBT hooks may refuse activation and focus changes.

#include "platform/win/WinUser.h"

namespace parch {

HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
// Returns whether the window was disabled before.
BOOL EnableWindow(HWND hwnd, BOOL enable);

}  // namespace parch

namespace parch::win {

// Activates a top-level window (null: none); false when refused.
bool ActivateWindow(HWND hwnd, bool byMouse);
// hwnd is going away or hiding: the next window that can be active becomes active.
void ActivateOtherWindow(HWND hwnd);
// Before a window tree is destroyed: capture and focus inside it are given up.
void ReleaseInputFrom(HWND hwnd);
// The window is gone: no state refers to it any more (lock held).
void ForgetWindow(HWND hwnd);

}  // namespace parch::win
