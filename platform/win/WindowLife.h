#pragma once
// Creating and destroying windows, with the messages and hooks in the order Windows gives them.
//
// Creation: HCBT_CREATEWND (the handle is already usable: class, styles, parent, properties,
// subclassing), WM_GETMINMAXINFO (overlapped and sizable windows), WM_NCCREATE, WM_NCCALCSIZE,
// WM_CREATE, then WM_SIZE and WM_MOVE (except for overlapped windows, which get them when
// first shown), WM_PARENTNOTIFY up the parent chain, and the show sequence for WS_VISIBLE.
//
// Destruction: HCBT_DESTROYWND, WM_PARENTNOTIFY, the hide sequence of a visible window, owned
// windows destroyed, WM_DESTROY to the window and then its descendants, WM_NCDESTROY to the
// descendants first and the window last.

#include "platform/win/WinUser.h"

namespace parch {

HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId);

}  // namespace parch
